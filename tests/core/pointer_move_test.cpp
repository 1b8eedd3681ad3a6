// Pointer moves: the XOR rubber band on the view's window and the drags that change
// the figure, checked by pixels, by the figure and by the calls the host receives.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "core_fixture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBandOnWhite = RGB(63, 63, 63);  // white XOR light gray

class PointerMoveTest : public ControlTest {
 protected:
  void Start(int32_t mode, int32_t step) {
    StartDrawing(mode);
    Editor().SetStep(EditStep(step));
    ClearLogs();
  }
  std::vector<COLORREF> Picture() const {
    HDC dc = GetDC(host.ViewWindow());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < host.Height(); ++y)
      for (int x = 0; x < host.Width(); ++x) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(host.ViewWindow(), dc);
    return pixels;
  }
  long Repaints() const {
    const Names names = CallNames();
    return std::count(names.begin(), names.end(), "RequestRepaint");
  }
  COLORREF Pixel(int x, int y) const { return ViewPixel(x, y); }
  void SaveOnFailure(const std::string& name) { SavePictureOnFailure("pointer_move", name); }
  // Both rings of a two-ring polygon: (100,100) (150,100) (200,100) and the same 100
  // higher, where the last two stand at height z.
  void AddTwoRings(double z = 0) {
    for (int r = 0; r < 2; ++r)
      for (double x : {100.0, 150.0, 200.0}) AddVertex(r, x, 100.0 + 100 * r, r == 1 && x > 100 ? z : 0);
  }
};

int Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace

TEST_F(PointerMoveTest, RubberBandIsErasedByTheNextMoveAndForgottenByARepaint) {
  Start(MODE_POLYLINE, 1);
  AddVertex(0, 100, 100);  // pixel (100, 380)
  host.Repaint();
  const std::vector<COLORREF> painted = Picture();

  host.Move(200, 300);
  EXPECT_EQ(Pixel(150, 340), kBandOnWhite) << "band to the pointer";
  host.Move(300, 380);
  const std::vector<COLORREF> afterTwoMoves = Picture();
  EXPECT_EQ(Pixel(150, 340), kWhite) << "the first band is gone";
  SaveOnFailure("band_after_two_moves");

  host.Repaint();
  EXPECT_EQ(Differences(Picture(), painted), 0) << "painting wipes the band";
  // Drawn without erasing: erasing the band of (300, 380) would cancel the new one.
  host.Move(300, 380);
  EXPECT_EQ(Pixel(200, 380), kBandOnWhite);
  EXPECT_EQ(Differences(Picture(), afterTwoMoves), 0) << "erase and draw leave exactly one band";
  SaveOnFailure("band_after_repaint");
}

TEST_F(PointerMoveTest, RubberBandAnchorsAndHostCalls) {
  // The pointer goes to pixel (300, 300); `band` is a pixel the band crosses, `clear`
  // one it would cross from the pointer itself.
  struct Case {
    const char* what;
    int32_t mode;
    bool vertex, fromBase, is3D, snapped;
    Names calls;
    bool drawn;
    POINT band, clear;
  } cases[] = {
      {"polyline", MODE_POLYLINE, true, false, false, false,
       {"WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true, {200, 340}, {-1, -1}},
      {"polygon in 3D", MODE_POLYGON, true, false, true, false,
       {"WorldToView3D", "WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true, {-1, -1}, {-1, -1}},
      {"empty ring: nothing, not even a snap", MODE_POLYLINE, false, false, false, false, {}, false, {-1, -1}, {-1, -1}},
      {"empty ring measured from the base point", MODE_POLYGON, false, true, false, false,
       {"WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true, {175, 365}, {-1, -1}},
      {"to the snapped point (300, 100)", MODE_POLYLINE, true, false, false, true,
       {"WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true, {250, 380}, {200, 340}},
      {"point: only snapped", MODE_POINT, true, false, false, false, {"ScreenToWorld", "WorldToScreen"}, false,
       {-1, -1}, {-1, -1}},
  };
  for (const Case& c : cases) {
    ctl->Set3DMode(c.is3D ? 1 : 0);
    Start(c.mode, 1);
    if (c.vertex) AddVertex(0, 100, 100);  // pixel (100, 380)
    ctl->setBasePointQarnEdit(50, 50, 0);  // pixel (50, 430)
    // Measured from the base point with nothing fixed: the empty ring takes the
    // container's base point.
    Editor().OnMenuPolarOff();
    if (c.fromBase) PolarDialog("", "", "", 1);
    sink.answerSnap = c.snapped;
    sink.snapX = 300;
    sink.snapY = 100;
    host.Repaint();
    host.calls.clear();
    sink.events.clear();
    const std::vector<COLORREF> before = Picture();
    host.Move(300, 300);
    EXPECT_EQ(CallNames(), c.calls) << c.what;
    EXPECT_EQ(Differences(Picture(), before) > 0, c.drawn) << c.what;
    EXPECT_EQ(sink.events.size(), c.calls.empty() ? 0u : 1u) << c.what << ": Snap events";
    if (c.band.x >= 0) {
      EXPECT_EQ(Pixel(c.band.x, c.band.y), kBandOnWhite) << c.what;
    }
    if (c.clear.x >= 0) {
      EXPECT_EQ(Pixel(c.clear.x, c.clear.y), kWhite) << c.what;
    }
    SaveOnFailure("band_" + std::to_string(&c - cases));
  }
}

TEST_F(PointerMoveTest, VertexDragsFollowThePointer) {
  for (bool is3D : {false, true}) {
    for (int32_t step : {3, 5}) {
      ctl->Set3DMode(is3D ? 1 : 0);
      // Vertex 1 of ring 1 picked, or a vertex split between it and vertex 2.
      Start(MODE_POLYGON, step - 1);
      AddTwoRings(7);
      if (step == 3) {
        PressAt(150, 200);
      } else {
        PressAt(175, 200);
      }
      ASSERT_EQ(StepNumber(Editor().Step()), step);
      ASSERT_EQ(Editor().GetFigure().CurrentRing(), 1);
      const int32_t v = Editor().PickedVertex();
      ASSERT_EQ(v, step == 3 ? 1 : 2);
      host.calls.clear();
      host.Move(40, 430);
      const std::string where = "step " + std::to_string(step) + (is3D ? " in 3D" : " in 2D");
      EXPECT_EQ(Editor().GetFigure().At(1, v).x, 40) << where;
      EXPECT_EQ(Editor().GetFigure().At(1, v).y, 50) << where;
      EXPECT_EQ(CallNames(), is3D ? (Names{"ScreenToWorld", "ViewToWorld3D", "RequestRepaint"})
                                  : (Names{"ScreenToWorld", "RequestRepaint"}))
          << where;
      if (is3D) {
        EXPECT_EQ(host.calls[1].ToString(), "ViewToWorld3D(40, 50, 7)") << "the vertex's Z goes in";
      }
      EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 150) << where << ": other vertices stay";
    }
  }
}

// A Snap handler that loads another figure ends the drag: that figure stays as it came.
TEST_F(PointerMoveTest, AVertexDragWhoseSnapHandlerLoadsAFigureMovesNothing) {
  Start(MODE_POLYLINE, 2);
  AddVertices(0, {{100, 100}, {200, 100}});
  PressAt(200, 100);
  ASSERT_EQ(StepNumber(Editor().Step()), 3);
  RecordMaker make;
  const uint32_t record = make.PolylineRecord({{10, 10, 20, 10, 30, 10}});
  sink.handler = [&](const std::string& e) {
    if (e == "Snap") ctl->editNTT(static_cast<LONG>(record));
  };
  MoveTo(300, 300);
  sink.handler = nullptr;
  EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 20);
}

// The whole figure, dragged as the user does it: the command, a press, then moves. Move
// by the pointer's travel, rotate by the angle it sweeps about the centre, scale by the
// ratio of its distances from the centre.
TEST_F(PointerMoveTest, MoveRotateAndScaleChangeTheMovableVertices) {
  // The last ring's box centre, (150, 200), is the pivot; every drag starts 100 right of it.
  struct Case {
    const char* what;
    void (EditController::*command)();
    double toX, toY;
    std::function<void(double&, double&)> expected;
  } cases[] = {
      {"move by (10, 20)", &EditController::OnMenuMove, 260, 220, [](double& x, double& y) { x += 10, y += 20; }},
      {"quarter turn about the centre", &EditController::OnMenuRotate, 150, 300, [](double& x, double& y) {
         const double dx = x - 150, dy = y - 200;
         x = 150 - dy, y = 200 + dx;
       }},
      {"double the size", &EditController::OnMenuScale, 350, 200, [](double& x, double& y) {
         x = 150 + 2 * (x - 150), y = 200 + 2 * (y - 200);
       }},
  };
  for (const Case& c : cases) {
    for (bool lock : {false, true}) {
      Start(MODE_POLYGON, 1);
      AddTwoRings();
      if (lock) ctl->disableBeginEndPolylineEdit();
      std::invoke(c.command, &Editor());
      PressAt(250, 200);
      host.calls.clear();
      MoveTo(c.toX, c.toY);
      const EditController& ec = Editor();
      for (int r = 0; r < 2; ++r) {
        for (int i = 0; i < 3; ++i) {
          double x = 100 + 50 * i, y = 100 + 100 * r;
          if (!lock || i == 1) c.expected(x, y);
          EXPECT_NEAR(ec.GetFigure().At(r, i).x, x, 1e-9) << c.what << ", lock " << lock << ", ring " << r << " vertex " << i;
          EXPECT_NEAR(ec.GetFigure().At(r, i).y, y, 1e-9) << c.what << ", lock " << lock << ", ring " << r << " vertex " << i;
        }
      }
      EXPECT_EQ(Repaints(), 1) << c.what;
      ctl->abortEdit();
    }
  }
}

// Each move measures from where the last one left the drag, not from the press.
TEST_F(PointerMoveTest, EachMoveOfADragGoesOnFromTheLastOne) {
  auto start = [&](void (EditController::*command)()) {
    Start(MODE_POLYLINE, 1);
    AddVertices(0, {{100, 100}, {200, 100}});  // the pivot of rotate and scale: (150, 100)
    std::invoke(command, &Editor());
  };
  start(&EditController::OnMenuMove);
  PressAt(100, 100);
  MoveTo(150, 100);
  MoveTo(160, 100);
  EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 260) << "moved by 60 in all";

  // Pressed on the pivot, the pivot itself follows; the figure stays.
  for (auto command : {&EditController::OnMenuRotate, &EditController::OnMenuScale}) {
    start(command);
    PressAt(150, 100);
    host.calls.clear();
    MoveTo(60, 10);
    EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "RequestRepaint"})) << "pivot drag in step " << StepNumber(Editor().Step());
    EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 200) << "the figure stays";
    host.calls.clear();
    host.Release(60, 470);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls[0].ToString(), "SetReferencePoint(null, 60, 10, null)") << "the pivot went along";
  }

  // The press's own angle is 0.0005 (its Snap answer); a move at angle 0 is a tiny turn
  // back, applied but not repainted, and the next move at the same angle turns no more.
  start(&EditController::OnMenuRotate);
  sink.answerSnap = true;
  sink.snapX = 250;
  sink.snapY = 100 + 100 * std::tan(0.0005);
  PressAt(250, 100);
  sink.answerSnap = false;
  host.calls.clear();
  MoveTo(300, 100);
  const double turnedY = Editor().GetFigure().At(0, 1).y;
  EXPECT_LT(turnedY, 100) << "the tiny turn is applied";
  EXPECT_EQ(Repaints(), 0) << "but not repainted";
  MoveTo(300, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).y, turnedY, 1e-9) << "a second turn would take it 0.025 further";

  // Scaling: a move onto the pivot scales nothing; a press that snapped onto the pivot
  // has no distance, so the first usable move becomes the reference.
  start(&EditController::OnMenuScale);
  PressAt(200, 100);
  host.calls.clear();
  MoveTo(150, 100);
  EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 200) << "no scaling on the pivot";
  EXPECT_EQ(Repaints(), 0);
  MoveTo(250, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).x, 250, 1e-9) << "the press's distance of 50 still counts";

  start(&EditController::OnMenuScale);
  sink.answerSnap = true;
  sink.snapX = 150;
  sink.snapY = 100;
  PressAt(300, 300);
  sink.answerSnap = false;
  MoveTo(300, 100);
  EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 200) << "the first usable distance only becomes the reference";
  MoveTo(450, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).x, 250, 1e-9) << "then scaling goes on from it";
}

TEST_F(PointerMoveTest, ThreeDRotationLaysTheFigureIntoTheWorkPlaneAndScalingScalesZ) {
  ctl->Set3DMode(1);
  Start(MODE_POLYLINE, 1);
  host.SetWorkPlane(0.4, -0.2, 0.3, 1, 2, 3);
  AddVertex(0, 10, 0, 4);
  AddVertex(0, 20, 5, -6);
  Editor().OnMenuRotate();
  PressAt(100, 100);
  host.calls.clear();
  MoveTo(0, 10);
  for (int i = 0; i < 2; ++i) {
    double x = Editor().GetFigure().At(0, i).x, y = Editor().GetFigure().At(0, i).y, z = Editor().GetFigure().At(0, i).z;
    host.World3DToPlane(x, y, z);
    EXPECT_NEAR(z, 0, 1e-9) << "vertex " << i << " lies in the plane";
  }
  EXPECT_EQ(CallNames()[2], "GetWorkPlane") << "read on the move";

  // The pivot is the box centre (20, 100, 6); pressed 10 from it, moved 30 from it.
  Start(MODE_POLYLINE, 1);
  host.SetWorkPlane(0, 0, 0, 0, 0, 0);
  AddVertex(0, 10, 100, 4);
  AddVertex(0, 30, 100, 8);
  Editor().OnMenuScale();
  PressAt(30, 100);
  MoveTo(50, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).x, 50, 1e-9);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).z, 12, 1e-9) << "Z scaled about the pivot's Z";

  Start(MODE_POLYLINE, 1);
  AddVertex(0, 10, 100, 4);
  Editor().OnMenuMove();
  PressAt(100, 100);
  host.SetWorkPlane(0, 0, 0, 0, 0, 3);  // from here the pointer lands 3 above the world's XY plane
  MoveTo(120, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 0).z, 7, 1e-9) << "a 3D move carries Z along";
  MoveTo(130, 100);
  EXPECT_NEAR(Editor().GetFigure().At(0, 0).z, 7, 1e-9) << "measured from the last move's Z";
}

TEST_F(PointerMoveTest, PickingThePolarBaseOverridesEveryStep) {
  // Grabbed while the figure is dragged: the base point is the last ring's centre.
  Start(MODE_POLYGON, 1);
  AddTwoRings();
  Editor().OnMenuPolarOff();
  PolarDialog("0", "", "", 1);
  Editor().OnMenuMove();
  PressAt(300, 300);
  PressAt(150, 200);
  ASSERT_EQ(StepNumber(Editor().Step()), 9);
  ASSERT_TRUE(Editor().PolarFlags() & POLAR_BASE_DRAGGED);
  host.calls.clear();
  host.Move(70, 400);
  EXPECT_EQ(Editor().PolarBase().x, 70);
  EXPECT_EQ(Editor().PolarBase().y, 80);
  EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "RequestRepaint"}));
  EXPECT_EQ(Editor().GetFigure().At(0, 1).x, 150) << "the figure is not moved";
}

TEST_F(PointerMoveTest, WaitingStepsIgnoreMoves) {
  for (int32_t step : {2, 4, 6, 7, 8, 10, 13}) {
    Start(MODE_POLYGON, step);
    AddTwoRings();
    host.Move(10, 10);
    EXPECT_EQ(CallNames(), Names{}) << "step " << step;
    EXPECT_EQ(sink.events, Names{}) << "step " << step;
    EXPECT_EQ(Editor().GetFigure().At(1, 2).x, 200) << "step " << step;
  }
}

// The band from a vertex that lies far outside the pixel range heads off the view on the
// side where the vertex lies; one that converts to no number starts at the view's corner.
TEST_F(PointerMoveTest, RubberBandFromAFarVertexRunsToTheEdgeOfTheView) {
  struct Case {
    double far;
    int bandX, clearX;
  } cases[] = {{1e308, 500, 100}, {std::numeric_limits<double>::infinity(), 500, 100}, {-1e308, 100, 500}};
  for (const Case& c : cases) {
    Start(MODE_POLYLINE, 1);
    AddVertex(0, c.far, 100);
    host.Repaint();
    host.Move(300, 380);
    EXPECT_EQ(Pixel(c.bandX, 380), kBandOnWhite) << c.far;
    EXPECT_EQ(Pixel(c.clearX, 380), kWhite) << c.far;
  }
}
