// Button releases: drags fall back to their waiting steps, the capture goes back, the
// host's reference point is switched off or moved; deletion, the polar angle's advance
// and the polar base point drop complete at the release.
#include <cmath>

#include "core_fixture.h"

namespace {

constexpr double kDeg = 3.14159265358979 / 180;

class ButtonUpTest : public ControlTest {
 protected:
  void Start(int32_t mode) {
    StartDrawing(mode);
    EnterStep(1);
  }
  void EnterStep(int32_t step) {
    Editor().SetStep(EditStep(step));
    ClearLogs();
  }
  const Ring& Ring0() { return Editor().GetFigure().Vertices(0); }
};

TEST_F(ButtonUpTest, EachStepsReleaseFallsBackAndTellsTheHost) {
  Start(MODE_POLYGON);
  AddVertex(0, 50, 50);
  AddVertex(1, 12, 34);
  Editor().OnMenuRotate();  // the pivot: the last ring's centre, (12, 34)
  HWND other = QarnCreateWindow(nullptr, 10, 10);
  const Names off{"SetReferencePoint", "SetInputState", "RequestRepaint"};
  const char* kOff = "SetReferencePoint(0, null, null, null)";
  const char* kCentre = "SetReferencePoint(null, 12, 34, null)";
  struct Case {
    int32_t step, next;
    Names calls;
    const char* reference;
  };
  const Case cases[] = {
      {3, 2, off, kOff},    {5, 4, {"RequestRepaint", "SetReferencePoint", "SetInputState", "RequestRepaint"}, kOff},
      {9, 8, off, kOff},    {11, 10, off, kOff}, {12, 10, off, kCentre}, {14, 13, off, kOff}, {15, 13, off, kCentre},
      // Waiting steps: no drag to end, nothing to give back.
      {0, 0, {}, ""},       {2, 2, {}, ""},      {4, 4, {}, ""},         {6, 6, {}, ""},       {8, 8, {}, ""},
      {10, 10, {}, ""},     {13, 13, {}, ""},
  };
  for (const Case& c : cases) {
    // Picking a vertex takes the capture and keeps whose it was, for the release to give back.
    EnterStep(2);
    SetCapture(other);
    PressAt(50, 50);
    EnterStep(c.step);
    SetCapture(host.ViewWindow());
    host.inputState[1] = 5;
    ReleaseAt(300, 300);
    const bool drag = !c.calls.empty();
    EXPECT_EQ(StepNumber(Editor().Step()), c.next) << "release in step " << c.step;
    EXPECT_EQ(CallNames(), c.calls) << "release in step " << c.step;
    for (const HostCall& call : host.calls) {
      if (call.name == "SetReferencePoint") {
        EXPECT_EQ(call.ToString(), c.reference) << "step " << c.step;
      } else if (call.name == "SetInputState") {
        EXPECT_EQ(call.ToString(), "SetInputState(null, -2, null)") << "step " << c.step;
      }
    }
    EXPECT_EQ(GetCapture(), drag ? other : host.ViewWindow()) << "step " << c.step;
    EXPECT_EQ(sink.events.size(), drag ? 1u : 0u) << "the waiting step's caption; step " << c.step;
  }
}

TEST_F(ButtonUpTest, AVertexIsDeletedOnlyWhenPressAndReleaseHitIt) {
  struct Case {
    const char* what;
    int pressed, released;  // indices into the row of six; -1 = empty space
    bool deleted;
  };
  const Case cases[] = {{"same vertex", 2, 2, true},
                        {"pressed on 2, released on 5", 2, 5, false},
                        {"released off every vertex", 3, -1, false},
                        {"first vertex", 0, 0, true},
                        {"last vertex", 5, 5, true}};
  for (const Case& c : cases) {
    Start(MODE_POLYLINE);
    for (int i = 0; i < 6; ++i) AddVertex(0, 20.0 * (i + 1), 50);
    EnterStep(6);
    PressAt(20.0 * (c.pressed + 1), 50);
    ASSERT_EQ(StepNumber(Editor().Step()), 7) << c.what;
    ReleaseAt(c.released < 0 ? 400 : 20.0 * (c.released + 1), 50);
    EXPECT_EQ(StepNumber(Editor().Step()), 6) << c.what;
    EXPECT_EQ(Editor().GetFigure().VertexCount(0), c.deleted ? 5 : 6) << c.what;
    EXPECT_EQ(Editor().PickedVertex(), c.pressed) << c.what << ": the picked vertex is kept";
    for (int i = 0, kept = 0; i < Editor().GetFigure().VertexCount(0); ++i, ++kept) {
      if (c.deleted && kept == c.pressed) ++kept;
      EXPECT_EQ(Ring0().x[i], 20.0 * (kept + 1)) << c.what << ", vertex " << i;
    }
    const Names calls = CallNames();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "RequestRepaint"), c.deleted ? 1 : 0) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(ButtonUpTest, TheOnlyVertexOfARingCanBeDeletedButNotFromAnotherRing) {
  Start(MODE_POLYGON);
  AddVertex(0, 10, 10);
  AddVertex(1, 40, 40);
  EnterStep(6);
  PressAt(10, 10);
  ReleaseAt(40, 40);  // index 0 as well, but of ring 1
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 1);
  EXPECT_EQ(Editor().GetFigure().VertexCount(1), 1);
  PressAt(10, 10);
  ReleaseAt(11, 11);
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 0);
  PressAt(40, 40);  // picked past the emptied ring
  ReleaseAt(41, 41);
  EXPECT_EQ(Editor().GetFigure().VertexCount(1), 0);
}

TEST_F(ButtonUpTest, AReleaseInStep1AdvancesThePolarAngleWithinOneTurn) {
  Start(MODE_POLYLINE);
  struct Case {
    bool polar;  // false: the dialog's values, then Polar off
    const char* distance;
    double startDeg, addDeg, expectedDeg;
  };
  const Case cases[] = {{true, "", 350, 20, 10},    {true, "", 30, 20, 50},     {true, "5", 100, -30, 70},
                        {true, "", -350, -20, -10}, {true, "", 340, 20, 360},   {true, "", -340, -20, -360},
                        {true, "", 45, 0, 45},      {false, "", 350, 20, 350}};
  for (const Case& c : cases) {
    PolarDialog(std::to_string(c.startDeg).c_str(), c.distance, std::to_string(c.addDeg).c_str());
    if (!c.polar) Editor().OnMenuPolarOff();
    ASSERT_NEAR(Editor().PolarAngle() / kDeg, c.startDeg, 1e-9);
    EnterStep(1);
    ReleaseAt(5, 5);
    const bool polar = c.polar;
    EXPECT_NEAR(Editor().PolarAngle() / kDeg, c.expectedDeg, 1e-9) << c.startDeg << " + " << c.addDeg;
    EXPECT_EQ(CallNames(), polar ? Names{"RequestRepaint"} : Names{}) << c.startDeg;
    EXPECT_EQ(sink.events, (Names{"CaptionChanged(Click to draw)"})) << c.startDeg;
  }
}

TEST_F(ButtonUpTest, ThePolarBasePointDropsAtTheConvertedRelease) {
  Start(MODE_POLYGON);
  SetCapture(host.ViewWindow());
  ctl->m_noSnapKey = 0x10;
  struct Case {
    const char* what;
    bool snapKeyDown, answer;
    double x, y;
    Names events;
  };
  const Case cases[] = {{"plain", false, false, 40, 60, {"Snap(40.000000,60.000000)"}},
                        {"the container snaps", false, true, -1, -2, {"Snap(40.000000,60.000000)"}},
                        {"snap key held", true, true, 40, 60, {}}};
  for (const Case& c : cases) {
    for (int32_t step : {1, 3, 9}) {
      // Angle fixed at 0: a constrained drop would land on y = 0. Without a vertex the
      // base point is the container's, (0, 0, 7), and a press on it takes it along.
      Editor().OnMenuPolarOff();
      ctl->setBasePointQarnEdit(0, 0, 7);
      PolarDialog("0", "", "", 1);
      EnterStep(1);
      PressAt(0, 0);
      const uint32_t dragged = Editor().PolarFlags();
      ASSERT_TRUE(dragged & POLAR_BASE_DRAGGED);
      EnterStep(step);
      sink.answerSnap = c.answer;
      sink.snapX = -1;
      sink.snapY = -2;
      QarnDesktop().keysDown = c.snapKeyDown ? std::set<int>{0x10} : std::set<int>{};
      ReleaseAt(40, 60);
      EXPECT_EQ(Editor().PolarBase().x, c.x) << c.what << ", step " << step;
      EXPECT_EQ(Editor().PolarBase().y, c.y) << c.what << ", step " << step;
      EXPECT_EQ(Editor().PolarBase().z, 7) << c.what;
      EXPECT_EQ(Editor().PolarFlags(), dragged & ~static_cast<uint32_t>(POLAR_BASE_DRAGGED)) << c.what;
      EXPECT_EQ(StepNumber(Editor().Step()), step) << c.what << ": no step action";
      EXPECT_EQ(sink.events, c.events) << c.what << ", step " << step;
      EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "RequestRepaint"})) << c.what << ", step " << step;
      EXPECT_EQ(GetCapture(), host.ViewWindow()) << "no capture to give back";
    }
  }
}

}  // namespace
