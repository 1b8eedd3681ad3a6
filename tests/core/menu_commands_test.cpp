// The context menu's commands: what each changes in the figure and the edit, and the
// exact calls each makes on the host, in order; the pivot and base-point helpers.
#include <array>
#include <cmath>
#include <functional>

#include "core_fixture.h"
#include "feedback/geometry.h"
#include "resources/resource.h"

namespace {

class MenuCommandTest : public ControlTest {
 protected:
  void Start(int mode, bool is3D = false) {
    StartDrawing(mode, is3D);
    ClearLogs();
  }
  Names Calls() const {
    Names all;
    for (const HostCall& call : host.calls) all.push_back(call.ToString());
    return all;
  }
  int32_t Count(int ring = 0) { return Editor().GetFigure().VertexCount(ring); }
  // Polar input on as the user turns it on: the mode's Polar dialog with these boxes, OK.
  // With cancel, the dialog is left with Cancel and polar input stays as it was.
  void PolarOn(const char* angle, const char* distance = "", bool cancel = false) {
    PolarDialog(angle, distance, "", -1, cancel);
    ClearLogs();
  }
  // Every polar bit set, as a user gets them: angle and length fixed (both 0) from the
  // base point (the last ring's centre, which must lie in view), a drawn vertex's press
  // as reference, and the base point grabbed.
  void AllPolarBits() {
    PolarDialog("0", "0", "", 1);
    Editor().OnMenuContinue();
    host.Press(600, 20);
    host.Release(600, 20);
    int px = 0, py = 0;
    Editor().WorldToPixel(Editor().PolarBase().x, Editor().PolarBase().y, 0, px, py);
    host.Press(px, py);
    ASSERT_EQ(Editor().PolarFlags(), 0x3Fu);
  }
};

std::string G(double v) {
  char text[40];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

std::string Join(const Names& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : "; ") + n;
  return text;
}

}  // namespace

// ---- Host calls of each command ------------------------------------------------------

TEST_F(MenuCommandTest, EachCommandTellsTheHostExactlyThis) {
  struct Case {
    const char* what;
    bool is3D;
    int trackFirst, trackThird;  // the host's first and third input values
    void (EditController::*handler)();
    Names expected;
    int32_t stepAfter;
  };
  // When the host's values let the tracking be forced is ButtonDownTest's (picking).
  const Case cases[] = {
      {"Continue", false, 0, 0, &EditController::OnMenuContinue,
       {"SetReferencePoint(1, 30, 40, null)", "GetInputState()", "RequestRepaint()"}, 1},
      {"Continue with the host tracking", false, 1, 1, &EditController::OnMenuContinue,
       {"SetReferencePoint(1, 30, 40, null)", "GetInputState()", "SetInputState(null, -2, 1)", "RequestRepaint()"}, 1},
      {"Continue in 3D", true, 0, 0, &EditController::OnMenuContinue,
       {"SetReferencePoint(1, 30, 40, 6)", "GetInputState()", "RequestRepaint()"}, 1},
      {"Move vertex", false, 1, 1, &EditController::OnMenuMoveVertex,
       {"SetReferencePoint(0, null, null, null)", "RequestRepaint()"}, 2},
      {"Insert vertex", false, 0, 0, &EditController::OnMenuInsertVertex,
       {"SetReferencePoint(0, null, null, null)", "RequestRepaint()"}, 4},
      {"Delete vertex", false, 0, 0, &EditController::OnMenuDeleteVertex,
       {"SetReferencePoint(0, null, null, null)", "RequestRepaint()"}, 6},
      {"Move", false, 0, 0, &EditController::OnMenuMove,
       {"SetReferencePoint(0, null, null, null)", "RequestRepaint()"}, 8},
      {"Rotate", false, 0, 0, &EditController::OnMenuRotate,
       {"SetReferencePoint(1, 20, 25, null)", "RequestRepaint()"}, 10},
      {"Scale in 3D", true, 0, 0, &EditController::OnMenuScale,
       {"SetReferencePoint(1, 20, 25, 4)", "RequestRepaint()"}, 13},
      {"Back", false, 1, 1, &EditController::OnMenuBack,
       {"SetReferencePoint(1, 20, 20, null)", "RequestRepaint()"}, 5},
      {"Invert", false, 1, 1, &EditController::OnMenuInvert,
       {"SetReferencePoint(1, 10, 10, null)", "GetInputState()", "SetInputState(null, -2, 1)", "RequestRepaint()"}, 5},
  };
  for (const Case& c : cases) {
    Start(MODE_POLYLINE, c.is3D);
    AddVertex(0, 10, 10, 2);
    AddVertex(0, 20, 20, 4);
    AddVertex(0, 30, 40, 6);
    Editor().SetStep(EditStep(5));  // a step none of them keeps by accident
    host.inputState[0] = c.trackFirst;
    host.inputState[2] = c.trackThird;
    ClearLogs();
    std::invoke(c.handler, &Editor());
    EXPECT_EQ(Join(Calls()), Join(c.expected)) << c.what;
    EXPECT_EQ(StepNumber(Editor().Step()), c.stepAfter) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(MenuCommandTest, ContinueClearsOnlyThePressReference) {
  Start(MODE_POLYLINE);
  AddVertex(0, 10, 10);
  AllPolarBits();
  ClearLogs();
  Editor().OnMenuContinue();
  EXPECT_EQ(Editor().PolarFlags(), 0x3Bu);
  EXPECT_EQ(sink.events, (Names{"CaptionChanged(Click to draw)"}));
}

// ---- Rotate and scale pivot ----------------------------------------------------------

TEST_F(MenuCommandTest, ThePivotIsKeptBetweenRotateAndScaleAndRecomputedAfterOtherSteps) {
  struct Case {
    const char* what;
    std::vector<void (EditController::*)()> before;
    void (EditController::*last)();
    double expectedX, expectedY;
  };
  // The figure's centre is (50, 25); a dragged pivot is at (7, 8).
  const Case cases[] = {
      {"Rotate twice", {&EditController::OnMenuRotate}, &EditController::OnMenuRotate, 7, 8},
      {"Scale after Rotate", {&EditController::OnMenuRotate}, &EditController::OnMenuScale, 7, 8},
      {"Rotate after Scale", {&EditController::OnMenuScale}, &EditController::OnMenuRotate, 7, 8},
      {"Rotate after Move", {&EditController::OnMenuRotate, &EditController::OnMenuMove},
       &EditController::OnMenuRotate, 50, 25},
      {"Scale after Move vertex", {&EditController::OnMenuScale, &EditController::OnMenuMoveVertex},
       &EditController::OnMenuScale, 50, 25},
  };
  for (const Case& c : cases) {
    Start(MODE_POLYGON);
    AddVertices(0, {{0, 0}, {100, 0}, {100, 50}});
    for (auto handler : c.before) {
      std::invoke(handler, &Editor());
      const int32_t step = StepNumber(Editor().Step());
      if (step != 10 && step != 13) continue;
      // The user drags the centre to (7, 8).
      PressAt(50, 25);
      MoveTo(7, 8);
      ReleaseAt(7, 8);
      ASSERT_EQ(Editor().DragPoint().x, 7) << c.what;
    }
    ClearLogs();
    std::invoke(c.last, &Editor());
    EXPECT_EQ(Editor().DragPoint().x, c.expectedX) << c.what;
    EXPECT_EQ(Editor().DragPoint().y, c.expectedY) << c.what;
    ASSERT_FALSE(host.calls.empty()) << c.what;
    char reference[80];
    std::snprintf(reference, sizeof(reference), "SetReferencePoint(1, %g, %g, null)", c.expectedX, c.expectedY);
    EXPECT_EQ(host.calls[0].ToString(), reference) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(MenuCommandTest, RotateAndScaleSwitchPolarInputOffWithoutGivingTheModePairBack) {
  Start(MODE_POLYLINE);
  AddVertices(0, {{0, 0}, {4, 4}});
  host.modePair[0] = 3;
  PolarOn("45");
  ASSERT_TRUE(Editor().PolarInputOn());
  Editor().OnMenuScale();
  EXPECT_FALSE(Editor().PolarInputOn());
  for (const HostCall& call : host.calls) EXPECT_NE(call.name, "SetModePair");
}

// ---- Rings ---------------------------------------------------------------------------

TEST_F(MenuCommandTest, NewPerimeterAndNewHoleStartAnEmptyRingUntilTheArrayIsFull) {
  ctl->setMaxNumberOfRings(3);
  Start(MODE_POLYGON);
  for (int i = 0; i < 3; ++i) AddVertex(0, i, 2 * i);
  Editor().SetStep(EditStep(8));
  Editor().OnMenuNewHole();
  EXPECT_EQ(Editor().GetFigure().RingCount(), 2);
  EXPECT_EQ(Count(1), 0);
  EXPECT_EQ(Editor().GetFigure().IsHole(1), 1);
  EXPECT_EQ(StepNumber(Editor().Step()), 1);
  EXPECT_EQ(Join(Calls()), "SetReferencePoint(0, null, null, null); RequestRepaint()");
  EXPECT_EQ(Count(0), 3) << "the first ring is untouched";

  for (int i = 0; i < 3; ++i) AddVertex(1, i, 3 * i);
  Editor().OnMenuNewPerimeter();
  EXPECT_EQ(Editor().GetFigure().RingCount(), 3);
  EXPECT_EQ(Editor().GetFigure().IsHole(2), 0);

  for (int i = 0; i < 3; ++i) AddVertex(2, i, 4 * i);
  Editor().SetStep(EditStep(8));
  ClearLogs();
  Editor().OnMenuNewPerimeter();
  Editor().OnMenuNewHole();
  EXPECT_EQ(Editor().GetFigure().RingCount(), 3) << "the ring array holds three rings";
  EXPECT_EQ(StepNumber(Editor().Step()), 8) << "a full array changes nothing";
  EXPECT_TRUE(host.calls.empty()) << Join(Calls());
}

TEST_F(MenuCommandTest, InvertReversesTheCurrentRingButNotItsPartNumbers) {
  // Parts differ only in a 3D polyline; a polygon's rings show that only the current
  // (last) ring turns. In 2D the heights stay behind: a 2D record loads them as 0.
  struct Case {
    int mode;
    bool is3D;
    int count;
    std::vector<double> x, z;
  };
  const Case cases[] = {
      {MODE_POLYGON, false, 3, {3, 2, 1}, {0, 0, 0}},
      {MODE_POLYGON, true, 3, {3, 2, 1}, {3, 2, 1}},
      {MODE_POLYGON, false, 4, {4, 3, 2, 1}, {0, 0, 0, 0}},
      {MODE_POLYGON, false, 1, {1}, {0}},
      {MODE_POLYLINE, true, 3, {3, 2, 1}, {3, 2, 1}},
  };
  for (const Case& c : cases) {
    Start(c.mode, c.is3D);
    const int ring = c.mode == MODE_POLYGON ? 1 : 0;
    if (ring == 1)
      for (int i = 0; i < 3; ++i) AddVertex(0, 100 + i, 100);  // ring 0 stays as it is
    for (int i = 1; i <= c.count; ++i) AddVertex(ring, i, 10 * i, i, i);
    Editor().OnMenuInvert();
    const Figure& f = Editor().GetFigure();
    for (int i = 0; i < c.count; ++i) {
      EXPECT_EQ(f.At(ring, i).x, c.x[i]) << c.count << " vertices, 3D " << c.is3D << ", x[" << i << "]";
      EXPECT_EQ(f.At(ring, i).y, 10 * c.x[i]) << c.count << " vertices, y[" << i << "]";
      EXPECT_EQ(f.At(ring, i).z, c.z[i]) << c.count << " vertices, 3D " << c.is3D << ", z[" << i << "]";
      if (c.mode == MODE_POLYLINE) {
        EXPECT_EQ(f.PartAt(ring, i), i + 1) << "part numbers stay in place, [" << i << "]";
      }
    }
    if (ring == 1) {
      EXPECT_EQ(f.At(0, 0).x, 100) << "only the current ring turns";
    }
    ctl->abortEdit();
  }
}

TEST_F(MenuCommandTest, BackDropsTheLastVertexAndSwitchesTheReferenceOffAtZero) {
  Start(MODE_POLYLINE);
  AddVertices(0, {{1, 2}, {3, 4}});
  Editor().OnMenuBack();
  EXPECT_EQ(Count(), 1);
  ClearLogs();
  Editor().OnMenuBack();
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Join(Calls()), "SetReferencePoint(0, null, null, null); RequestRepaint()");
  EXPECT_EQ(host.refOn, 0);
  ClearLogs();
  Editor().OnMenuBack();
  EXPECT_EQ(Count(), 0);
  EXPECT_TRUE(host.calls.empty()) << "nothing to take back: " << Join(Calls());
  EXPECT_EQ(StepNumber(Editor().Step()), 1);
  EXPECT_TRUE(sink.events.empty()) << "the caption stays";
}

// ---- Ending the edit and polar input -------------------------------------------------

TEST_F(MenuCommandTest, AbortAndDoneEndTheEditAndOnlyThenClearPolarInput) {
  struct Case {
    void (EditController::*handler)();
    const char* event;
  };
  for (const Case& c : {Case{&EditController::OnMenuAbort, "EditAborted"}, Case{&EditController::OnMenuDone, "EditDone"}}) {
    Start(MODE_POLYLINE);
    AddVertices(0, {{0, 0}, {5, 0}});
    SetHostModePair(5, 6);
    PolarOn("", "5");
    std::invoke(c.handler, &Editor());
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls[0].ToString(), "SetModePair(5, 6)") << c.event << ": the edit's end saw polar input on";
    EXPECT_EQ(sink.events.back(), c.event);
    EXPECT_FALSE(Editor().PolarInputOn()) << c.event;
    EXPECT_FALSE(ctl->isEditing()) << c.event;
  }
  EXPECT_NE(ctl->getDrawnNTT(), 0) << "Done saved the figure";
}

TEST_F(MenuCommandTest, DisablePolarPointGivesTheHostItsValuesBack) {
  // The mode pair and input state are the ones read when the dialog opened.
  struct Case {
    bool cancel;  // polar input never came on: the mode pair was not taken
    Names expected;
  };
  const Case cases[] = {
      {false, {"SetModePair(5, 6)", "SetInputState(7, 8, 9)", "RequestRepaint()"}},
      {true, {"SetInputState(7, 8, 9)", "RequestRepaint()"}},
  };
  for (const Case& c : cases) {
    Start(MODE_POINT);
    SetHostModePair(5, 6);
    SetHostInputState(7, 8, 9);
    PolarOn("30", "", c.cancel);
    Editor().OnMenuPolarOff();
    EXPECT_EQ(Join(Calls()), Join(c.expected)) << "cancelled " << c.cancel;
    EXPECT_FALSE(Editor().PolarInputOn());
    ctl->abortEdit();
  }
}

// ---- Centre and view -----------------------------------------------------------------

TEST_F(MenuCommandTest, BringIntoViewMovesAPointOutsideTheViewToItsMiddle) {
  // The view is 640 x 480 pixels; world (X, Y) is at pixel (X, 480 - Y).
  struct Case {
    double x, y;
    BOOL force, keep;
    double expectedX, expectedY;
  };
  const Case cases[] = {
      {0, 0, FALSE, FALSE, 0, 0},          // bottom-left corner: inside, bounds inclusive
      {640, 480, FALSE, FALSE, 640, 480},  // top-right corner: inside
      {640.5, 100, FALSE, FALSE, 320, 240},
      {-0.5, 100, FALSE, FALSE, 320, 240},
      {100, 480.5, FALSE, FALSE, 320, 240},
      {100, -0.25, FALSE, FALSE, 320, 240},
      {100, 100, TRUE, FALSE, 320, 240},  // forced: to the middle even inside
      {900, 900, TRUE, TRUE, 900, 900},   // keep wins over force
      {-900, 5, FALSE, TRUE, -900, 5},
  };
  Start(MODE_POLYLINE);
  for (const Case& c : cases) {
    Point3 p{c.x, c.y, 7};
    ClearLogs();
    Editor().BringIntoView(p, c.force, c.keep);
    EXPECT_EQ(p.z, 7) << "z is not the view's";
    const double x = p.x, y = p.y;
    EXPECT_EQ(x, c.expectedX) << "(" << c.x << ", " << c.y << ") force " << c.force << " keep " << c.keep;
    EXPECT_EQ(y, c.expectedY) << "(" << c.x << ", " << c.y << ") force " << c.force << " keep " << c.keep;
    const bool moved = x != c.x || y != c.y;
    Names expected{"GetViewWindow()", "WorldToScreen(" + G(c.x) + ", " + G(c.y) + ")"};
    if (moved) expected.push_back("ScreenToWorld(320, 240)");
    EXPECT_EQ(Join(Calls()), Join(expected));
  }
}

// ---- Enable polar point --------------------------------------------------------------

namespace {

class PolarCommandTest : public MenuCommandTest {
 protected:
  // The user's part: the dialog is counted, then `work` acts on it.
  void OnDialog(std::function<void(DialogView&)> work) {
    QarnDesktop().onDialog = [this, work](DialogView& dialog) {
      ++dialogs;
      work(dialog);
    };
  }
  void StartWithHostState(int mode, bool is3D = false, bool start = true) {
    if (start) {
      Start(mode, is3D);
      if (Editor().PolarFlags() != 0) Editor().OnMenuPolarOff();  // polar input outlives an edit
    }
    SetHostInputState(1, -2, 7);
    SetHostModePair(4, 5);
    ClearLogs();
  }
  int dialogs = 0;
};

constexpr double kDegree = kPi / 180;

}  // namespace

TEST_F(PolarCommandTest, TheDialogShowsTheCurrentPolarInputAndCancelRestoresTheHost) {
  StartWithHostState(MODE_POLYLINE);
  AddVertex(0, 0, 0);
  EditController& ec = Editor();
  PolarDialog("90", "12.5", "-45", 1);
  ASSERT_EQ(ec.PolarFlags(), 0x1Bu);
  host.inputState[2] = 7;  // what the dialog forced, put back
  ClearLogs();
  OnDialog([](DialogView& d) {
    EXPECT_EQ(d.Text(IDC_POLAR_ANGLE).str(), "90");
    EXPECT_TRUE(d.Checked(IDC_POLAR_ANGLE_ON));
    EXPECT_EQ(d.Text(IDC_POLAR_DISTANCE).str(), "12.5");
    EXPECT_TRUE(d.Checked(IDC_POLAR_DISTANCE_ON));
    EXPECT_EQ(d.Text(IDC_POLAR_ADD).str(), "-45");
    EXPECT_TRUE(d.Checked(IDC_POLAR_ADD_ON));
    EXPECT_EQ(d.ComboItems(IDC_POLAR_BASE).size(), 2u) << "a last point exists";
    EXPECT_EQ(d.ComboSelection(IDC_POLAR_BASE), 1) << "measured from the base point";
    d.SetText(IDC_POLAR_ANGLE, "10");
    d.Cancel();
  });
  ec.OnMenuPolarOn();
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Join(Calls()), "GetInputState(); SetInputState(1, -2, 7); RequestRepaint()");
  EXPECT_EQ(ec.PolarFlags(), 0x1Bu) << "cancel changes nothing";
  EXPECT_EQ(ec.PolarAngle(), 90 * kDegree);
}

TEST_F(PolarCommandTest, OkTakesTheBoxesAndSwitchesTheHostsModePairOff) {
  struct Case {
    const char* what;
    bool allBitsBefore;  // else polar input off
    const char *angle, *distance, *add;
    uint32_t flagsAfter;
    double polarAngle, polarLength, angleToAdd;
    Names calls;
  };
  const Case cases[] = {
      {"angle, distance and an added angle", false, "45", "10", "90", 0x03, 45 * kDegree, 10, 90 * kDegree,
       {"GetInputState()", "GetModePair()", "SetModePair(0, 0)", "SetInputState(null, -2, 0)", "RequestRepaint()"}},
      {"distance only: the added angle needs the angle box", false, "", "10", "90", 0x02, 0, 10, 0,
       {"GetInputState()", "GetModePair()", "SetModePair(0, 0)", "SetInputState(null, -2, 0)", "RequestRepaint()"}},
      {"both boxes off keeps only the known base point and its drag", true, "", "", "", 0x28, 0, 0, 0,
       {"GetInputState()", "GetModePair()", "SetModePair(0, 0)", "SetInputState(null, -2, 7)", "RequestRepaint()"}},
      {"both boxes off from nothing leaves the mode pair alone", false, "", "", "", 0, 0, 0, 0,
       {"GetInputState()", "SetInputState(null, -2, 7)", "RequestRepaint()"}},
  };
  for (const Case& c : cases) {
    StartWithHostState(MODE_POLYGON);
    AddVertices(0, {{10, 10}, {20, 10}});
    EditController& ec = Editor();
    // Angle and length 0 from an earlier dialog; then polar input off, or every bit on.
    PolarDialog("0", "0");
    ec.OnMenuPolarOff();
    if (c.allBitsBefore) AllPolarBits();
    StartWithHostState(MODE_POLYGON, false, false);  // the host as it was, the edit kept
    OnDialog([&c](DialogView& d) {
      d.SetText(IDC_POLAR_ANGLE, c.angle);
      d.SetText(IDC_POLAR_DISTANCE, c.distance);
      d.SetText(IDC_POLAR_ADD, c.add);
      d.Select(IDC_POLAR_BASE, 0);
      d.Ok();
    });
    ec.OnMenuPolarOn();
    EXPECT_EQ(ec.PolarFlags(), c.flagsAfter) << c.what;
    EXPECT_NEAR(ec.PolarAngle(), c.polarAngle, 1e-12) << c.what;
    EXPECT_EQ(ec.PolarLength(), c.polarLength) << c.what;
    EXPECT_NEAR(ec.AngleToAdd(), c.angleToAdd, 1e-12) << c.what;
    EXPECT_EQ(Join(Calls()), Join(c.calls)) << c.what;
    ClearLogs();
    ctl->abortEdit();
    // The end gives back the mode pair read when polar input took it over.
    const bool gaveBack = !host.calls.empty() && host.calls[0].ToString() == "SetModePair(4, 5)";
    EXPECT_EQ(gaveBack, c.flagsAfter != 0) << c.what;
  }
}

TEST_F(PolarCommandTest, TheBasePointStartsAtTheCentreAndIsForcedIntoViewOnceKnown) {
  StartWithHostState(MODE_POLYLINE);
  AddVertices(0, {{100, 100}, {300, 200}});
  EditController& ec = Editor();
  OnDialog([](DialogView& d) {
    d.SetText(IDC_POLAR_DISTANCE, "5");
    d.Select(IDC_POLAR_BASE, 1);
    d.Ok();
  });
  ec.OnMenuPolarOn();
  EXPECT_EQ(ec.PolarFlags(), 0x1Au);
  EXPECT_EQ(ec.PolarBase().x, 200);
  EXPECT_EQ(ec.PolarBase().y, 150);
  EXPECT_EQ(Join(Calls()),
            "GetInputState(); GetViewWindow(); WorldToScreen(200, 150); GetModePair(); SetModePair(0, 0); "
            "SetInputState(null, -2, 0); RequestRepaint()")
      << "a centre inside the view stays";

  // Forced: BringIntoView's calls are its own test's.
  ec.OnMenuPolarOn();
  EXPECT_EQ(ec.PolarBase().x, 320) << "a known base point goes to the middle of the view";
  EXPECT_EQ(ec.PolarBase().y, 240);
}

TEST_F(PolarCommandTest, WithoutALastPointTheBaseIsTheUsersPointWhereverItIs) {
  StartWithHostState(MODE_POLYGON);
  ctl->setBasePointQarnEdit(5000, -700, 0);
  EditController& ec = Editor();
  OnDialog([&](DialogView& d) {
    EXPECT_EQ(d.ComboItems(IDC_POLAR_BASE).size(), 1u) << "only the user point is offered";
    d.SetText(IDC_POLAR_ANGLE, "0");
    d.Ok();
  });
  ec.OnMenuPolarOn();
  EXPECT_EQ(ec.PolarFlags() & (POLAR_FROM_BASE | POLAR_BASE_KNOWN), 0x18u);
  EXPECT_EQ(ec.PolarBase().x, 5000) << "the user's base point is kept even outside the view";
  EXPECT_EQ(ec.PolarBase().y, -700);
  for (const HostCall& call : host.calls) EXPECT_NE(call.name, "ScreenToWorld");
}

TEST_F(PolarCommandTest, GetLastSegmentAngleOffersTheLastSegmentsDirection) {
  struct Case {
    const char* what;
    bool is3D;
    double plane[6];
    std::vector<std::array<double, 3>> vertices;
    const char* expected;
  };
  const Case cases[] = {
      // The angle of each quadrant is AngleOfVector's (geometry_test.cpp); here the segment.
      {"no segment", false, {0, 0, 0, 0, 0, 0}, {}, "0"},
      {"2D, the last segment", false, {0, 0, 0, 0, 0, 0}, {{0, 0, 0}, {99, 0, 0}, {109, 10, 0}}, "45"},
      {"3D, measured in a plane turned a quarter about Z", true, {0, 0, kHalfPi, 5, 5, 0},
       {{5, 5, 0}, {15, 5, 0}}, "270"},
      {"3D, straight up in a plane turned a quarter about X", true, {kHalfPi, 0, 0, 0, 0, 0},
       {{1, 0, 0}, {1, 0, 10}}, "90"},
  };
  for (const Case& c : cases) {
    StartWithHostState(MODE_POLYLINE, c.is3D);
    host.SetWorkPlane(c.plane[0], c.plane[1], c.plane[2], c.plane[3], c.plane[4], c.plane[5]);
    for (const auto& v : c.vertices) AddVertex(0, v[0], v[1], v[2]);
    std::string got;
    OnDialog([&](DialogView& d) {
      d.Click(IDC_POLAR_LAST_ANGLE);
      got = d.Text(IDC_POLAR_ANGLE).str();
      d.Cancel();
    });
    Editor().OnMenuPolarOn();
    EXPECT_EQ(got, c.expected) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(PolarCommandTest, APointAlwaysMeasuresFromTheBasePoint) {
  // An added angle from a polyline's dialog outlives its edit.
  Start(MODE_POLYLINE);
  AddVertex(0, 0, 0);
  PolarDialog("10", "", "5");
  ASSERT_NE(Editor().AngleToAdd(), 0);
  ctl->abortEdit();
  StartWithHostState(MODE_POINT);
  AddVertex(0, 40, 60);
  EditController& ec = Editor();
  OnDialog([](DialogView& d) {
    d.SetText(IDC_POLAR_ANGLE, "180");
    d.Ok();
  });
  ec.OnMenuPointPolarOn();
  EXPECT_EQ(ec.PolarFlags(), 0x19u);
  EXPECT_NEAR(ec.PolarAngle(), kPi, 1e-12);
  EXPECT_EQ(ec.AngleToAdd(), 0);
  EXPECT_EQ(ec.PolarBase().x, 40);
  EXPECT_EQ(ec.PolarBase().y, 60);
  EXPECT_EQ(Join(Calls()),
            "GetInputState(); GetViewWindow(); WorldToScreen(40, 60); GetModePair(); SetModePair(0, 0); "
            "SetInputState(null, -2, 0); RequestRepaint()");
}
