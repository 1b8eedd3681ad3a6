// Button presses in each step: what the figure, the step, the capture and the host see.
#include <cmath>

#include "core_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979;

class ButtonDownTest : public ControlTest {
 protected:
  void Start(int32_t mode, bool is3D = false) {
    StartDrawing(mode, is3D);
    EnterStep(1);
  }
  void EnterStep(int32_t step) {
    Editor().SetStep(EditStep(step));
    ClearLogs();
    ReleaseCapture();
  }
  std::string Call(size_t i) const { return i < host.calls.size() ? host.calls[i].ToString() : "<missing>"; }
  const Ring& Ring0() { return Editor().GetFigure().Vertices(0); }
};

// ---- Step 1: drawing -----------------------------------------------------------------

TEST_F(ButtonDownTest, EachPressAddsTheSnappedWorldVertexWithPartOneAndTellsTheHost) {
  Start(MODE_POLYLINE);
  const double points[3][2] = {{10, 10}, {110, 60}, {-7.25, 3.5}};  // the third is the Snap handler's
  for (int i = 0; i < 3; ++i) {
    host.calls.clear();
    sink.answerSnap = i == 2;
    sink.snapX = points[2][0];
    sink.snapY = points[2][1];
    PressAt(i == 2 ? 400 : points[i][0], i == 2 ? 400 : points[i][1]);
    EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "RequestRepaint", "SetReferencePoint"})) << "press " << i;
    char reference[96];
    std::snprintf(reference, sizeof(reference), "SetReferencePoint(1, %g, %g, null)", points[i][0], points[i][1]);
    EXPECT_EQ(Call(2), reference) << "press " << i;
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), i + 1);
    EXPECT_EQ(Ring0().x[i], points[i][0]) << "press " << i;
    EXPECT_EQ(Ring0().y[i], points[i][1]) << "press " << i;
    EXPECT_EQ(Ring0().part[i], 1) << "press " << i;
  }
  EXPECT_EQ(StepNumber(Editor().Step()), 1);
  EXPECT_EQ(sink.events, (Names{"Snap(10.000000,10.000000)", "Snap(110.000000,60.000000)",
                                "Snap(400.000000,400.000000)"}))
      << "no caption from the press itself";
  EXPECT_EQ(GetCapture(), static_cast<HWND>(nullptr)) << "drawing captures nothing";
}

TEST_F(ButtonDownTest, PointModeReplacesItsSingleVertexAndPolygonsDrawIntoTheLastRing) {
  Start(MODE_POINT);
  for (int x : {5, 50, 300}) {
    PressAt(x, 20);
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), 1) << "after the press at x = " << x;
    EXPECT_EQ(Ring0().x[0], x);
  }
  Start(MODE_POLYGON);
  AddVertex(0, 1, 1);
  AddEmptyRing();
  PressAt(7, 100);
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 1);
  EXPECT_EQ(Editor().GetFigure().At(1, 0).x, 7);
  EXPECT_EQ(Editor().GetFigure().PartAt(1, 0), 1);
}

// A Snap handler that starts the next drawing voids the press: the new edit starts empty.
TEST_F(ButtonDownTest, APressWhoseSnapHandlerRestartsTheDrawingAddsNothing) {
  Start(MODE_POINT);
  sink.handler = [this](const std::string& e) {
    if (e == "Snap") ctl->drawPoint();
  };
  PressAt(10, 10);
  sink.handler = nullptr;
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_FALSE(ctl->canSaveNow()) << "no point in the new drawing";
}

TEST_F(ButtonDownTest, In3DThePressIsLiftedOntoTheWorkPlane) {
  Start(MODE_POLYLINE, true);
  host.SetWorkPlane(0, 0, 0, 0, 0, 25);
  PressAt(40, 50);
  EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "ViewToWorld3D", "RequestRepaint", "SetReferencePoint"}));
  EXPECT_EQ(Call(1), "ViewToWorld3D(40, 50, 0)") << "a new vertex starts from height 0";
  EXPECT_EQ(Call(3), "SetReferencePoint(1, 40, 50, 25)");
  EXPECT_EQ(Ring0().z[0], 25);
}

TEST_F(ButtonDownTest, PressesThatMakeTheirPointThePolarReference) {
  struct Case {
    const char* what;
    int32_t step;
    const char *angle, *distance;  // the polar dialog's boxes
    int base;                      // its "measured from" choice
    double X, Y;  // pressed, and expected as the reference
    bool reference;
  };
  const Case cases[] = {{"drawn vertex, angle fixed", 1, "0", "", 0, 30, 40, true},
                        {"drawn vertex, length fixed", 1, "", "5", 0, 30, 40, true},
                        {"drawn vertex, polar off", 1, "", "", 1, 30, 40, false},
                        {"picked vertex", 2, "0", "", 0, 60, 20, true},
                        {"split midpoint", 4, "0", "", 0, 35, 20, true},
                        {"move anchor", 8, "", "5", 0, 70, 80, true},
                        {"vertex to delete", 6, "0", "", 0, 60, 20, false}};
  for (const Case& c : cases) {
    Start(MODE_POLYLINE);
    AddVertex(0, 10, 20, 4);
    AddVertex(0, 60, 20, 9);
    PolarDialog(c.angle, c.distance, "", c.base);
    const Point3 before = Editor().PolarReference();
    EnterStep(c.step);
    sink.answerSnap = c.step == 1;  // the drawn vertex sits where the press was
    sink.snapX = c.X;
    sink.snapY = c.Y;
    PressAt(c.X, c.Y);
    EXPECT_EQ((Editor().PolarFlags() & POLAR_LAST_FROM_PRESS) != 0, c.reference) << c.what;
    EXPECT_EQ(Editor().PolarReference().x, c.reference ? c.X : before.x) << c.what;
    EXPECT_EQ(Editor().PolarReference().y, c.reference ? c.Y : before.y) << c.what;
    ctl->abortEdit();
  }
}

// ---- Steps 2 and 6: picking ------------------------------------------------------------

TEST_F(ButtonDownTest, PickingCapturesTheViewAndTellsTheHost) {
  struct Case {
    int32_t step;
    int first, third;  // the host's input state
    Names calls;       // after the two pick conversions
  };
  const Case cases[] = {
      {2, 1, 1, {"GetViewWindow", "SetReferencePoint", "GetInputState", "SetInputState"}},
      {2, 1, 0, {"GetViewWindow", "SetReferencePoint", "GetInputState"}},
      {2, 0, 1, {"GetViewWindow", "SetReferencePoint", "GetInputState"}},
      {6, 1, 1, {"GetViewWindow"}},
  };
  for (const Case& c : cases) {
    Start(MODE_POLYGON);
    AddVertices(0, {{10, 10}, {100, 10}});
    SetHostInputState(c.first, 7, c.third);
    EnterStep(c.step);
    HWND other = QarnCreateWindow(nullptr, 10, 10);
    SetCapture(other);
    PressAt(100, 10, 3, -3);
    EXPECT_EQ(StepNumber(Editor().Step()), c.step + 1);
    EXPECT_EQ(Editor().PickedVertex(), 1);
    EXPECT_EQ(GetCapture(), host.ViewWindow()) << "step " << c.step;
    Names calls = CallNames();
    calls.erase(calls.begin(), calls.begin() + 2);
    EXPECT_EQ(calls, c.calls) << "step " << c.step << ", input state " << c.first << " " << c.third;
    if (c.step == 2) {
      EXPECT_EQ(Call(3), "SetReferencePoint(1, 100, 10, null)");
    }
    EXPECT_EQ(host.inputState[1], c.calls.back() == "SetInputState" ? -1 : 7);
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), 2) << "a deletion waits for the release";
    host.Release(100, kViewHeight - 10);
    EXPECT_EQ(GetCapture(), other) << "the release gives the capture back; step " << c.step;
    ctl->abortEdit();
    DestroyWindow(other);
  }
}

TEST_F(ButtonDownTest, AMissChangesOnlyTheCurrentVertex) {
  Start(MODE_POLYGON);
  AddVertex(0, 10, 10);
  AddVertex(1, 60, 60);
  for (int32_t step : {2, 4, 6}) {
    // A vertex of the second ring picked and dropped: the current ring and vertex.
    EnterStep(2);
    PressAt(60, 60);
    host.Release(60, kViewHeight - 60);
    ASSERT_EQ(Editor().PickedVertex(), 0);
    ASSERT_EQ(Editor().GetFigure().CurrentRing(), 1);
    EnterStep(step);
    PressAt(20, 10);
    EXPECT_EQ(Editor().PickedVertex(), -1) << "step " << step;
    EXPECT_EQ(Editor().GetFigure().CurrentRing(), 1) << "step " << step;
    EXPECT_EQ(StepNumber(Editor().Step()), step);
    for (const std::string& call : CallNames()) EXPECT_EQ(call, "WorldToScreen") << "step " << step;
    EXPECT_EQ(GetCapture(), static_cast<HWND>(nullptr)) << "step " << step;
    EXPECT_TRUE(sink.events.empty()) << "step " << step;
  }
}

// ---- Step 4: splitting a segment at its grip ------------------------------------------

TEST_F(ButtonDownTest, GripsOfPolygonsAndPolylines) {
  struct Case {
    const char* what;
    int32_t mode;
    int vertices;         // of the square (0,0) (100,0) (100,100) (0,100)
    double gripX, gripY;  // pressed 1 px right and 2 px up of this
    int32_t inserted;     // -1 = none
  };
  const Case cases[] = {
      {"polygon closing segment", MODE_POLYGON, 4, 0, 50, 0},
      {"polygon first segment", MODE_POLYGON, 4, 50, 0, 1},
      {"polygon last segment", MODE_POLYGON, 4, 50, 100, 3},
      {"polyline: no closing segment", MODE_POLYLINE, 4, 0, 50, -1},
      {"polyline last segment", MODE_POLYLINE, 4, 50, 100, 3},
      {"polyline of one vertex", MODE_POLYLINE, 1, 0, 0, -1},
      {"off every grip", MODE_POLYGON, 4, 50, 50, -1},
  };
  const double square[4][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  for (const Case& c : cases) {
    Start(c.mode);
    for (int i = 0; i < c.vertices; ++i) AddVertex(0, square[i][0], square[i][1]);
    EnterStep(4);
    PressAt(c.gripX, c.gripY, 1, -2);
    EXPECT_EQ(Editor().PickedVertex(), c.inserted) << c.what;
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), c.vertices + (c.inserted >= 0)) << c.what;
    EXPECT_EQ(StepNumber(Editor().Step()), c.inserted >= 0 ? 5 : 4) << c.what;
    if (c.inserted >= 0) {
      const int32_t i = c.inserted;
      EXPECT_EQ(Ring0().x[i], c.gripX) << c.what << ": the world midpoint, not the press";
      EXPECT_EQ(Ring0().y[i], c.gripY) << c.what;
      EXPECT_EQ(Ring0().x[i + 1], square[i][0]) << c.what << ": the old vertex moved up by one";
    }
    ctl->abortEdit();
  }
}

TEST_F(ButtonDownTest, ASplitTellsTheHostThenCapturesAndTheFirstRingWins) {
  Start(MODE_POLYGON);
  // Ring 1 shares the segment (0, 0)-(40, 0) of ring 0.
  AddVertices(0, {{0, 0}, {40, 0}, {20, 30}});
  AddVertices(1, {{40, 0}, {0, 0}, {20, -30}});
  host.inputState[0] = host.inputState[2] = 1;
  EnterStep(4);
  PressAt(20, 0);
  EXPECT_EQ(CallNames(), (Names{"WorldToScreen", "WorldToScreen", "RequestRepaint", "SetReferencePoint",
                                "GetInputState", "SetInputState", "GetViewWindow"}));
  EXPECT_EQ(Call(3), "SetReferencePoint(1, 20, 0, null)");
  EXPECT_EQ(GetCapture(), host.ViewWindow());
  EXPECT_EQ(sink.events, (Names{"CaptionChanged(Drop the vertex to its new position)"}));
  EXPECT_EQ(Editor().GetFigure().CurrentRing(), 0);
  EXPECT_EQ(Editor().GetFigure().VertexCount(1), 3) << "one segment is split";
}

TEST_F(ButtonDownTest, In3DAGripBetweenTwoPartsCannotBeSplit) {
  Start(MODE_POLYLINE, true);
  AddVertex(0, 0, 0, 0, 2);
  AddVertex(0, 40, 0, 0, 2);
  AddVertex(0, 80, 0, 10, 3);
  EnterStep(4);
  PressAt(60, 0);
  EXPECT_EQ(StepNumber(Editor().Step()), 4);
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 3);
  EXPECT_EQ(GetCapture(), static_cast<HWND>(nullptr));
  PressAt(20, 0);
  EXPECT_EQ(StepNumber(Editor().Step()), 5) << "a segment inside one part splits";
  EXPECT_EQ(Editor().PickedVertex(), 1);
  EXPECT_EQ(Editor().GetFigure().PartAt(0, 1), 2) << "the new vertex is of its segment's part";
}

// ---- Steps 8, 10 and 13: move, rotation and scaling -----------------------------------

TEST_F(ButtonDownTest, TheMoveAnchorIsTheUnsnappedPointer) {
  Start(MODE_POLYGON);
  sink.answerSnap = true;
  sink.snapX = sink.snapY = 999;
  EnterStep(8);
  PressAt(70, 80);
  EXPECT_EQ(Editor().DragPoint().x, 70);
  EXPECT_EQ(Editor().DragPoint().y, 80);
  EXPECT_EQ(StepNumber(Editor().Step()), 9);
  EXPECT_EQ(GetCapture(), host.ViewWindow());
  EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "SetReferencePoint", "GetInputState", "GetViewWindow"}));
  EXPECT_EQ(sink.events, (Names{"CaptionChanged(Drop to the new position)"})) << "no Snap event";
}

TEST_F(ButtonDownTest, RotationAndScalingPressesGrabTheCentreOrRecordTheReference) {
  // The pivot is the diamond's box centre, (50, 50). What a press records shows in the
  // move after it: a move at angle 0 turns the figure back by the press's angle; a move
  // 100 from the pivot scales it by 100 over the press's distance.
  struct Case {
    const char* what;
    int32_t step;
    double X, Y;
    int32_t next;
    double angle, distance;  // recorded by the press (0 for a grab)
    Names calls;
  };
  const Names grab{"WorldToScreen", "GetViewWindow", "SetReferencePoint", "GetInputState", "SetInputState"};
  const Case cases[] = {
      {"rotation centre", 10, 50, 50, 12, 0, 0, grab},
      {"rotation, straight up", 10, 50, 90, 11, kPi / 2, 0,
       {"WorldToScreen", "ScreenToWorld", "ViewToWorld3D", "GetViewWindow", "GetInputState", "SetInputState",
        "RequestRepaint"}},
      {"scaling centre", 13, 50, 50, 15, 0, 0, grab},
      {"scaling", 13, 80, 90, 14, 0, 50,
       {"WorldToScreen", "ScreenToWorld", "GetViewWindow", "SetReferencePoint", "GetInputState", "SetInputState",
        "RequestRepaint"}},
  };
  for (const Case& c : cases) {
    Start(MODE_POLYGON);
    host.inputState[0] = host.inputState[2] = 1;
    AddVertices(0, {{40, 50}, {60, 50}, {50, 40}, {50, 60}});  // a diamond
    if (c.step == 10) {
      Editor().OnMenuRotate();
    } else {
      Editor().OnMenuScale();
    }
    ClearLogs();
    ReleaseCapture();
    PressAt(c.X, c.Y);
    EXPECT_EQ(StepNumber(Editor().Step()), c.next) << c.what;
    EXPECT_EQ(GetCapture(), host.ViewWindow()) << c.what;
    if (!c.calls.empty()) {
      EXPECT_EQ(CallNames(), c.calls) << c.what;
    }
    for (const HostCall& call : host.calls) {
      if (call.name == "SetReferencePoint") {
        EXPECT_EQ(call.ToString(), "SetReferencePoint(1, 50, 50, null)") << c.what;
      }
    }
    // A grabbed centre's drag is pointer_move_test.cpp's.
    host.Move(150, kViewHeight - 50);
    const Point3 right = Editor().GetFigure().At(0, 1);  // (60, 50) before the move
    if (c.next == 11) {
      EXPECT_NEAR(right.x, 50 + 10 * std::cos(-c.angle), 1e-9) << c.what;
      EXPECT_NEAR(right.y, 50 + 10 * std::sin(-c.angle), 1e-9) << c.what;
    } else if (c.next == 14) {
      EXPECT_NEAR(right.x, 50 + 10 * 100 / c.distance, 1e-9) << c.what;
    }
    ctl->abortEdit();
  }
}

TEST_F(ButtonDownTest, In3DRotationIsMeasuredInTheWorkPlaneAndScalingInXAndY) {
  Start(MODE_POLYGON, true);
  // A plane turned a quarter turn about Z and lifted 100 units: pressed points land in it.
  host.SetWorkPlane(0, 0, kPi / 2, 0, 0, 100);
  AddVertex(0, -10, 0, 100);
  AddVertex(0, 10, 0, 100);  // pivot (0, 0, 100)
  Editor().OnMenuRotate();
  EnterStep(10);
  PressAt(0, 40);  // plane (0, 40): along the plane's Y axis from the centre
  EXPECT_EQ(StepNumber(Editor().Step()), 11);
  host.Move(40, kViewHeight);  // plane angle 0: a quarter turn back
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).x, 0, 1e-9);
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).y, -10, 1e-9);
  ctl->abortEdit();

  Start(MODE_POLYGON, true);
  AddVertex(0, -10, 0, 0);
  AddVertex(0, 10, 0, 0);  // pivot (0, 0, 0)
  Editor().OnMenuScale();
  EnterStep(13);
  PressAt(30, 40);
  EXPECT_EQ(StepNumber(Editor().Step()), 14);
  EXPECT_EQ(host.calls[5].ToString(), "SetReferencePoint(1, 0, 0, 0)") << "3D passes the centre's Z";
  host.Move(100, kViewHeight);  // 100 from the pivot: twice the press's 50
  EXPECT_NEAR(Editor().GetFigure().At(0, 1).x, 20, 1e-9) << "the 100 units of height do not count";
}

// ---- The polar base point and ignored presses ----------------------------------------

TEST_F(ButtonDownTest, APressOnThePolarBasePointOnlyGrabsIt) {
  struct Case {
    const char* what;
    const char *angle, *distance;  // the polar dialog's boxes
    int base;                      // its "measured from" choice: 1 the base point
    int32_t step;
    int dx;
    bool grabbed;
  };
  const Case cases[] = {{"drawing", "0", "", 1, 1, 0, true},
                        {"picking, length fixed", "", "5", 1, 2, 3, true},
                        {"moving", "0", "", 1, 8, -3, true},
                        {"4 px away", "0", "", 1, 1, 4, false},
                        {"not measured from the base", "0", "", 0, 1, 0, false},
                        {"polar input off", "", "", 1, 1, 0, false}};
  for (const Case& c : cases) {
    Start(MODE_POLYGON);
    AddVertex(0, 10, 10);
    // From polar input off, the base point starts at the figure's centre: (10, 10).
    Editor().OnMenuPolarOff();
    PolarDialog(c.angle, c.distance, "", c.base);
    if (c.base == 1) {
      ASSERT_EQ(Editor().PolarBase().x, 10) << c.what;
      ASSERT_EQ(Editor().PolarBase().y, 10) << c.what;
    }
    EnterStep(c.step);
    PressAt(10, 10, c.dx, 0);
    EXPECT_EQ((Editor().PolarFlags() & POLAR_BASE_DRAGGED) != 0, c.grabbed) << c.what;
    if (c.grabbed) {
      EXPECT_EQ(StepNumber(Editor().Step()), c.step) << c.what;
      EXPECT_EQ(Editor().GetFigure().VertexCount(0), 1) << c.what;
      EXPECT_EQ(CallNames(), (Names{"WorldToScreen"})) << c.what;
      EXPECT_TRUE(sink.events.empty()) << c.what;
    }
    ctl->abortEdit();
  }
  Start(MODE_POLYGON, true);
  // Without a vertex the base point is the container's.
  Editor().OnMenuPolarOff();
  ctl->setBasePointQarnEdit(30, 30, 12);
  PolarDialog("0", "", "", 1);
  host.calls.clear();
  PressAt(30, 30);
  EXPECT_TRUE(Editor().PolarFlags() & POLAR_BASE_DRAGGED);
  EXPECT_EQ(CallNames(), (Names{"ProjectToView", "WorldToScreen"})) << "in 3D the host view projects the base point";
  EXPECT_EQ(Call(0), "ProjectToView(30, 30, 12)");
}

TEST_F(ButtonDownTest, PressesDuringADragOrWhileIdleAreIgnored) {
  Start(MODE_POLYGON);
  AddVertices(0, {{10, 10}, {50, 10}});
  for (int32_t step : {0, 3, 5, 7, 9, 11, 12, 14, 15}) {
    EnterStep(step);
    PressAt(10, 10);
    PressAt(30, 10);
    EXPECT_EQ(StepNumber(Editor().Step()), step);
    EXPECT_TRUE(host.calls.empty()) << "step " << step << ": " << Call(0);
    EXPECT_TRUE(sink.events.empty()) << "step " << step;
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), 2) << "step " << step;
  }
}

}  // namespace
