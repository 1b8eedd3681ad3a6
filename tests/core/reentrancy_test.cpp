// Container code running inside the editor's events and the host's detach callbacks:
// whatever it does, the editor goes on only with what still exists, and the host is
// never left forced or holding a handler of a control that went away.
#include <algorithm>

#include "core_fixture.h"
#include "refhost/record_maker.h"

namespace {

class ReentrancyTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    ReferenceHost::SetFileVersion(std::string("3.0.0.0"));
    host.variables["UTILS"] = "0";
    SetHostInputState(5, 6, 7);
  }
  // The host as it was before any edit.
  void ExpectHostRestored(const ReferenceHost& h, const char* what) {
    EXPECT_EQ(h.variables.at("UTILS"), "0") << what;
    EXPECT_EQ(h.inputState[0], 5) << what;
    EXPECT_EQ(h.inputState[1], 6) << what;
    EXPECT_EQ(h.Handler(), nullptr) << what;
    EXPECT_EQ(h.Painter(), nullptr) << what;
  }
  void Click(int x, int y) {
    host.Press(x, y);
    host.Release(x, y);
  }
  long Count(const std::string& event) const { return std::count(sink.events.begin(), sink.events.end(), event); }
  uint32_t Square() {
    RecordMaker::Polygon p;
    p.xy = {0, 0, 100, 0, 100, 100, 0, 100, 20, 20, 40, 20, 30, 40, 60, 60, 80, 60, 70, 80};
    p.rings = {{0, 4, ntt::kPerimeter}, {4, 3, ntt::kHole}, {7, 3, ntt::kHole}};
    return make.PolygonRecord(p);
  }
  RecordMaker make;
};

// A Snap handler that frees the ring storage while a vertex is dragged: the answer is
// not written into freed memory (the sanitizer build catches the write), in 2D and 3D.
TEST_F(ReentrancyTest, ASnapHandlerResizingTheRingsDuringADragWritesNothingFreed) {
  for (bool is3D : {false, true}) {
    SCOPED_TRACE(is3D ? "3D" : "2D");
    Connect();
    host.SetView(1, 0, 0);
    ctl->Set3DMode(is3D ? 1 : 0);
    ctl->drawPolygon();
    Click(10, 10);
    Click(50, 10);
    EditController& ec = Editor();
    ec.SetStep(EditStep(2));
    host.Press(10, 10);
    ASSERT_EQ(StepNumber(ec.Step()), 3);
    sink.handler = [this](const std::string& e) {
      if (e == "Snap") ctl->setMaxNumberOfRings(3);
    };
    sink.answerSnap = true;
    sink.snapX = 1e6;
    sink.snapY = 1e6;
    host.Move(20, 20);
    sink.handler = nullptr;
    sink.answerSnap = false;
    EXPECT_EQ(ec.RingArrayLength(), 3);
    EXPECT_EQ(ec.GetFigure().VertexCount(0), 0) << "the new storage holds no vertex of the old one";
    host.Release(20, 20);
    ctl->abortEdit();
  }
}

// Another control's EditAborted handler shrinks the loading control's ring storage from
// inside the host's detach: the load is refused instead of filling rings that are gone.
TEST_F(ReentrancyTest, ALoadWhoseRingsShrinkDuringItsRegistrationIsRefused) {
  Connect();
  host.detachOnReplace = true;
  CQarneditCtrl* other = new CQarneditCtrl();
  other->SetQarnocx(host.GetDispatch());
  ctl->drawPolyline();
  sink.handler = [other](const std::string& e) {
    if (e == "EditAborted") other->setMaxNumberOfRings(1);
  };
  EXPECT_FALSE(other->editNTT(static_cast<LONG>(Square())));
  EXPECT_EQ(Count("EditAborted"), 1);
  EXPECT_FALSE(other->isEditing());
  EXPECT_EQ(host.Handler(), nullptr);
  EXPECT_EQ(host.Painter(), nullptr);
  EXPECT_EQ(host.variables["UTILS"], "0");
  other->Release();
}

// Turning the control to another host during an edit ends the edit on the first host,
// which gets back what the edit forced and keeps no handler of a control that goes away.
// Setting the same host again is no switch; highlight marks are a registration as well.
TEST_F(ReentrancyTest, SwitchingTheHostDuringAnEditEndsItOnTheFirstHost) {
  ReferenceHost second;
  second.variables["UTILS"] = "0";
  StartDrawing(MODE_POLYLINE);
  ctl->SetQarnocx(host.GetDispatch());
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_EQ(Count("EditAborted"), 0);
  ctl->SetQarnocx(second.GetDispatch());
  EXPECT_EQ(Count("EditAborted"), 1);
  ExpectHostRestored(host, "the first host");
  ctl->drawPolygon();
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_EQ(host.Handler(), nullptr);
  EXPECT_NE(second.Handler(), nullptr);
  ctl->abortEdit();
  EXPECT_EQ(second.Handler(), nullptr);
  ctl->hiliteNttVertexes(static_cast<LONG>(make.Point(1, 2)));
  ASSERT_NE(second.Painter(), nullptr);
  ctl->SetQarnocx(host.GetDispatch());
  EXPECT_EQ(second.Painter(), nullptr);
}

// Starting the next figure from EditDone, and loading one from EditAborted: the new edit
// runs with its registrations, and ends with the host given back as it was at first.
TEST_F(ReentrancyTest, AnEditStartedFromTheEndEventsRunsProperly) {
  StartDrawing(MODE_POLYLINE);
  Click(10, 10);
  Click(50, 10);
  sink.handler = [this](const std::string& e) {
    if (e == "EditDone") ctl->drawPolygon();
  };
  ASSERT_TRUE(ctl->saveEdit());
  sink.handler = nullptr;
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_EQ(Editor().Mode(), MODE_POLYGON);
  EXPECT_NE(host.Handler(), nullptr);
  EXPECT_NE(host.Painter(), nullptr);
  EXPECT_EQ(host.variables["UTILS"], "1");

  BOOL loaded = FALSE;
  const uint32_t record = Square();
  sink.handler = [&](const std::string& e) {
    if (e == "EditAborted") loaded = ctl->editNTT(static_cast<LONG>(record));
  };
  ctl->abortEdit();
  sink.handler = nullptr;
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(ctl->isEditing()) << "a load reported as done is running";
  EXPECT_EQ(Editor().GetFigure().RingCount(), 3);
  EXPECT_NE(host.Handler(), nullptr);
  ctl->abortEdit();
  ExpectHostRestored(host, "after the loaded edit");
}

// An abort from the first CaptionChanged of a load: nothing of the host was saved yet,
// so nothing stale is written back, nothing is forced afterwards, and the load reports
// that it did not stick. A drawing's start is StartsNestedWithoutEndAreCutOff's.
TEST_F(ReentrancyTest, AnAbortFromTheFirstCaptionOfALoadLeavesTheHostAlone) {
  Connect();
  bool once = true;
  sink.handler = [&](const std::string& e) {
    if (e == "CaptionChanged" && once) {
      once = false;
      ctl->abortEdit();
    }
  };
  EXPECT_FALSE(ctl->editNTT(static_cast<LONG>(Square())));
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_EQ(Count("EditAborted"), 1);
  ExpectHostRestored(host, "after the aborted load");
}

// A container that aborts every start from its CaptionChanged handler and starts again
// from its EditAborted handler: the nesting is cut off instead of running out of stack.
TEST_F(ReentrancyTest, StartsNestedWithoutEndAreCutOff) {
  Connect();
  sink.handler = [this](const std::string& e) {
    if (e == "CaptionChanged" && ctl->isEditing()) ctl->abortEdit();
    if (e == "EditAborted") ctl->drawPoint();
  };
  ctl->drawPoint();
  sink.handler = nullptr;
  EXPECT_LE(Count("EditAborted"), 16);
  EXPECT_GE(Count("EditAborted"), 1);
  if (ctl->isEditing()) ctl->abortEdit();
  ExpectHostRestored(host, "after the cut-off");
}

// A restart during a running edit keeps what the first start saved: the end of the
// restarted edit gives the host back its own values, not the forced ones.
TEST_F(ReentrancyTest, ARestartKeepsTheValuesSavedByTheRunningEdit) {
  StartDrawing(MODE_POLYLINE);
  ctl->drawPolygon();
  EXPECT_EQ(Count("EditAborted"), 0) << "this host does not detach on a new registration";
  ctl->abortEdit();
  ExpectHostRestored(host, "after the restarted edit");

  // A host that detaches on every registration aborts the running edit first (its
  // painter let go) before the new one registers; what that edit saved is still given
  // back when the new one ends.
  host.detachOnReplace = true;
  ctl->drawPolyline();
  ClearLogs();
  ctl->drawPolygon();
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler", "SetVariable",
                                "SetOverlayPainter", "SetOverlayPainter", "GetVariable", "SetVariable", "GetInputState",
                                "GetReferencePoint", "SetInputState"}));
  ASSERT_GT(host.calls.size(), 4u);
  EXPECT_EQ(host.calls[3].ToString(), "SetVariable(UTILS, 0)");
  EXPECT_EQ(host.calls[4].ToString(), "SetOverlayPainter(null)");
  EXPECT_EQ(sink.events, (Names{"CaptionChanged()", "EditAborted", "CaptionChanged(Click to draw)"}));
  EXPECT_TRUE(ctl->isEditing());
  ctl->abortEdit();
  ExpectHostRestored(host, "after the restart on a detaching host");
}

// A Snap handler that aborts during the press that starts a rotation: the press does
// not go on into a step of an edit that is over.
TEST_F(ReentrancyTest, APressWhoseSnapEndsTheEditLeavesNoStep) {
  StartDrawing(MODE_POLYGON);
  Click(10, 10);
  Click(50, 10);
  Click(30, 40);
  EditController& ec = Editor();
  ec.EnterRotateOrScale(EditStep::ChooseRotateHandle);
  ASSERT_EQ(StepNumber(ec.Step()), 10);
  sink.handler = [this](const std::string& e) {
    if (e == "Snap") ctl->abortEdit();
  };
  host.Press(200, 200);
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_EQ(StepNumber(ec.Step()), 0);
}

}  // namespace
