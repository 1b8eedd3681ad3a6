// Pointer moves: the XOR rubber band on the view's window and the drags that change
// the figure, checked by pixels, by the figure and by the calls the host receives.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>

#include "core_fixture.h"
#include "platform/window.h"

namespace {

using Names = std::vector<std::string>;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBandOnWhite = RGB(63, 63, 63);  // white XOR light gray
constexpr double kQuarterTurn = 1.570796326794895;

class PointerMoveTest : public ControlTest {
 protected:
  // World (x, y) is at pixel (x, 480 - y) in the reference host's default view.
  void Start(int32_t mode, int32_t step) {
    Connect();
    if (mode == MODE_POLYLINE) ctl->drawPolyline();
    if (mode == MODE_POLYGON) ctl->drawPolygon();
    if (mode == MODE_POINT) ctl->drawPoint();
    Editor().SetStep(EditStep(step));
    host.calls.clear();
    sink.events.clear();
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
  COLORREF Pixel(int x, int y) const { return Picture()[static_cast<size_t>(y) * host.Width() + x]; }
  void SaveOnFailure(const std::string& name) {
    if (!HasFailure() && !std::getenv("QARN_KEEP_PICTURES")) return;
    std::filesystem::path dir = std::filesystem::path(QARN_TEST_OUTPUT_DIR) / "pointer_move";
    std::filesystem::create_directories(dir);
    host.SavePicture((dir / (name + ".png")).string().c_str());
  }
  // Both rings of a two-ring polygon: (100,100) (150,100) (200,100) and the same 100 higher.
  void AddTwoRings() {
    Editor().m_figure.SetVertexCount(1, 0);  // a new edit resets ring 0 only
    for (int r = 0; r < 2; ++r)
      for (double x : {100.0, 150.0, 200.0}) AddVertex(r, x, 100.0 + 100 * r);
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
  EXPECT_TRUE(Editor().m_rubberDrawn);
  host.Move(300, 380);
  const std::vector<COLORREF> afterTwoMoves = Picture();
  EXPECT_EQ(Pixel(150, 340), kWhite) << "the first band is gone";
  SaveOnFailure("band_after_two_moves");

  host.Repaint();
  EXPECT_FALSE(Editor().m_rubberDrawn) << "painting wipes the band";
  EXPECT_EQ(Differences(Picture(), painted), 0);
  // Drawn without erasing: erasing the band of (300, 380) would cancel the new one.
  host.Move(300, 380);
  EXPECT_EQ(Pixel(200, 380), kBandOnWhite);
  EXPECT_EQ(Differences(Picture(), afterTwoMoves), 0) << "erase and draw leave exactly one band";
  SaveOnFailure("band_after_repaint");
}

TEST_F(PointerMoveTest, RubberBandAnchorsAndHostCalls) {
  struct Case {
    const char* what;
    int32_t mode;
    bool vertex, fromBase, is3D;
    Names calls;
    bool drawn;
  } cases[] = {
      {"polyline", MODE_POLYLINE, true, false, false,
       {"WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true},
      {"polygon in 3D", MODE_POLYGON, true, false, true,
       {"WorldToView3D", "WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true},
      {"empty ring: nothing, not even a snap", MODE_POLYLINE, false, false, false, {}, false},
      {"empty ring measured from the base point", MODE_POLYGON, false, true, false,
       {"WorldToScreen", "GetViewWindow", "ScreenToWorld", "WorldToScreen"}, true},
      {"point: only snapped", MODE_POINT, true, false, false, {"ScreenToWorld", "WorldToScreen"}, false},
  };
  for (const Case& c : cases) {
    Start(c.mode, 1);
    Editor().m_is3D = c.is3D;
    if (c.vertex) AddVertex(0, 100, 100);
    ctl->setBasePointQarnEdit(50, 50, 0);
    Editor().m_polarFlags = c.fromBase ? uint32_t{POLAR_FROM_BASE} : 0u;
    host.Repaint();
    host.calls.clear();
    host.Move(300, 300);
    EXPECT_EQ(CallNames(), c.calls) << c.what;
    EXPECT_EQ(Editor().m_rubberDrawn, c.drawn) << c.what;
    EXPECT_EQ(sink.events.size(), c.calls.empty() ? 0u : 1u) << c.what << ": Snap events";
    if (c.fromBase) {
      EXPECT_EQ(Pixel(175, 365), kBandOnWhite) << c.what << ": band from pixel (50, 430)";
    }
  }
}

TEST_F(PointerMoveTest, RubberBandFollowsTheSnappedPoint) {
  Start(MODE_POLYLINE, 1);
  AddVertex(0, 100, 100);
  sink.answerSnap = true;
  sink.snapX = 300;
  sink.snapY = 100;  // pixel (300, 380)
  host.Move(20, 20);
  EXPECT_EQ(Pixel(250, 380), kBandOnWhite);
  EXPECT_EQ(Pixel(20, 20), kWhite);
  SaveOnFailure("snapped_band");
}

TEST_F(PointerMoveTest, VertexDragsFollowThePointer) {
  for (bool is3D : {false, true}) {
    for (int32_t step : {3, 5}) {
      Start(MODE_POLYGON, step);
      Editor().m_is3D = is3D;
      AddTwoRings();
      Editor().m_figure.Vertices(1).z[1] = 7;
      Editor().m_figure.SetCurrentRing(1);
      Editor().m_curVertex = 1;
      host.Move(40, 430);
      const std::string where = "step " + std::to_string(step) + (is3D ? " in 3D" : " in 2D");
      EXPECT_EQ(Editor().GetFigure().At(1, 1).x, 40) << where;
      EXPECT_EQ(Editor().GetFigure().At(1, 1).y, 50) << where;
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

// The whole figure: move by the pointer's travel, rotate by the angle it sweeps about the
// centre, scale by the ratio of its distances from the centre.
TEST_F(PointerMoveTest, MoveRotateAndScaleChangeTheMovableVertices) {
  struct Case {
    const char* what;
    int32_t step;
    POINT pointer;
    std::function<void(double&, double&)> expected;
  } cases[] = {
      {"move by (10, 20)", 9, {10, 460}, [](double& x, double& y) { x += 10, y += 20; }},
      {"quarter turn about the origin", 11, {0, 380}, [](double& x, double& y) {
         double t = x;
         x = -y, y = t;
       }},
      {"double the size", 14, {200, 480}, [](double& x, double& y) { x *= 2, y *= 2; }},
  };
  for (const Case& c : cases) {
    for (int32_t lock : {0, 1}) {
      Start(MODE_POLYGON, c.step);
      AddTwoRings();
      EditController& ec = Editor();
      ec.m_noBeginEndEdit = lock;
      ec.m_drag.x = ec.m_drag.y = 0;
      ec.m_drag.z = 5;
      ec.m_rotateAngle = 0;
      ec.m_scaleFactor = 100;
      host.Move(c.pointer.x, c.pointer.y);
      for (int r = 0; r < 2; ++r) {
        for (int i = 0; i < 3; ++i) {
          double x = 100 + 50 * i, y = 100 + 100 * r;
          if (!lock || i == 1) c.expected(x, y);
          EXPECT_NEAR(ec.GetFigure().At(r, i).x, x, 1e-9) << c.what << ", lock " << lock << ", ring " << r << " vertex " << i;
          EXPECT_NEAR(ec.GetFigure().At(r, i).y, y, 1e-9) << c.what << ", lock " << lock << ", ring " << r << " vertex " << i;
        }
      }
      EXPECT_EQ(Repaints(), 1) << c.what;
    }
  }
  EXPECT_EQ(Editor().m_scaleFactor, 200) << "the new distance is the next reference";
}

TEST_F(PointerMoveTest, DragFieldsAfterEachKindOfMove) {
  EditController* ec = nullptr;
  auto start = [&](int32_t step) {
    Start(MODE_POLYLINE, step);
    AddVertex(0, 100, 100);
    AddVertex(0, 200, 100);
    ec = &Editor();
    ec->m_drag.x = 100;
    ec->m_drag.y = 100;
    ec->m_drag.z = 5;
  };
  start(9);
  host.Move(150, 380);
  EXPECT_EQ(ec->m_drag.z, 0) << "a 2D move drag sets its Z to 0";
  EXPECT_EQ(ec->m_drag.x, 150);

  for (int32_t step : {12, 15}) {
    start(step);
    host.Move(60, 470);
    EXPECT_EQ(ec->m_drag.x, 60);
    EXPECT_EQ(ec->m_drag.y, 10);
    EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "RequestRepaint"})) << "centre drag in step " << step;
    EXPECT_EQ(ec->GetFigure().At(0, 1).x, 200) << "the figure stays";
  }

  start(11);
  ec->m_rotateAngle = 0.0005;  // the pointer at (300, 100) is at angle 0: a tiny turn back
  host.Move(300, 380);
  EXPECT_EQ(ec->m_rotateAngle, 0);
  EXPECT_LT(ec->GetFigure().At(0, 1).y, 100) << "the tiny turn is applied";
  EXPECT_EQ(Repaints(), 0) << "but not repainted";

  start(14);
  ec->m_scaleFactor = 50;
  host.Move(100, 380);  // on the centre
  EXPECT_EQ(ec->m_scaleFactor, 50) << "no scaling on the centre";
  EXPECT_EQ(ec->GetFigure().At(0, 1).x, 200);
  EXPECT_EQ(Repaints(), 0);

  start(14);
  ec->m_scaleFactor = 0;  // the press was on the centre
  host.Move(300, 380);
  EXPECT_EQ(ec->m_scaleFactor, 200) << "the first usable distance becomes the reference";
  EXPECT_EQ(ec->GetFigure().At(0, 1).x, 200) << "without scaling";
  host.Move(500, 380);
  EXPECT_NEAR(ec->GetFigure().At(0, 1).x, 300, 1e-9) << "then scaling goes on from it";
}

TEST_F(PointerMoveTest, ThreeDRotationLaysTheFigureIntoTheWorkPlaneAndScalingScalesZ) {
  Start(MODE_POLYLINE, 11);
  host.SetWorkPlane(0.4, -0.2, 0.3, 1, 2, 3);
  EditController& ec = Editor();
  ec.m_is3D = true;
  AddVertex(0, 10, 0, 4);
  AddVertex(0, 20, 5, -6);
  ec.m_drag.x = 1, ec.m_drag.y = 2, ec.m_drag.z = 3;  // the plane's origin
  ec.m_rotateAngle = 0;
  host.Move(0, 470);
  for (int i = 0; i < 2; ++i) {
    double x = ec.GetFigure().At(0, i).x, y = ec.GetFigure().At(0, i).y, z = ec.GetFigure().At(0, i).z;
    host.World3DToPlane(x, y, z);
    EXPECT_NEAR(z, 0, 1e-9) << "vertex " << i << " lies in the plane";
  }
  EXPECT_EQ(CallNames()[2], "GetWorkPlane") << "read on the move";

  Start(MODE_POLYLINE, 14);
  Editor().m_is3D = true;
  AddVertex(0, 10, 0, 4);
  Editor().m_drag.x = Editor().m_drag.y = 0;
  Editor().m_drag.z = 2;
  Editor().m_scaleFactor = 10;
  host.SetWorkPlane(0, 0, 0, 0, 0, 0);
  host.Move(30, 480);  // world (30, 0): three times as far
  EXPECT_NEAR(Editor().GetFigure().At(0, 0).x, 30, 1e-9);
  EXPECT_NEAR(Editor().GetFigure().At(0, 0).z, 8, 1e-9) << "Z scaled about the centre's Z";

  Start(MODE_POLYLINE, 9);
  Editor().m_is3D = true;
  AddVertex(0, 10, 0, 4);
  Editor().m_drag.x = Editor().m_drag.y = Editor().m_drag.z = 0;
  host.SetWorkPlane(0, 0, 0, 0, 0, 3);  // the pointer lands 3 above the world's XY plane
  host.Move(20, 480);
  EXPECT_NEAR(Editor().GetFigure().At(0, 0).z, 7, 1e-9) << "a 3D move carries Z along";
  EXPECT_EQ(Editor().m_drag.z, 3);
}

TEST_F(PointerMoveTest, PickingThePolarBaseOverridesEveryStep) {
  Start(MODE_POLYGON, 9);
  AddTwoRings();
  Editor().m_polarFlags = POLAR_BASE_DRAGGED;
  host.Move(70, 400);
  EXPECT_EQ(Editor().m_polarBase.x, 70);
  EXPECT_EQ(Editor().m_polarBase.y, 80);
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
  Start(MODE_POLYLINE, 1);
  AddVertex(0, 0, 100);
  for (const Case& c : cases) {
    Editor().m_figure.Vertices(0).x[0] = c.far;
    host.Repaint();
    host.Move(300, 380);
    EXPECT_EQ(Pixel(c.bandX, 380), kBandOnWhite) << c.far;
    EXPECT_EQ(Pixel(c.clearX, 380), kWhite) << c.far;
  }
}
