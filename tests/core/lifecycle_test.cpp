// Starting and ending edits: what the host is told, in which order, and the events.
#include "core_fixture.h"
#include "resources/resource.h"

TEST_F(ControlTest, StartAndEndTellTheHostInOrder) {
  Connect();
  SetHostInputState(3, 4, 5);
  host.refOn = 1;
  host.refPoint[0] = 10;
  ctl->drawPolygon();
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler", "SetOverlayPainter",
                                "GetInputState", "GetReferencePoint", "SetInputState"}));
  EXPECT_EQ(host.calls.back().ToString(), "SetInputState(1, -2, null)");
  EXPECT_EQ(StepNumber(Editor().Step()), 1);
  EXPECT_EQ(Editor().Mode(), MODE_POLYGON);
  // Polar input on through its dialog, which takes the host's mode pair over.
  SetHostModePair(8, 9);
  PolarDialog("30", "");
  host.inputState[2] = 6;  // the third value the host holds at the end is the one kept
  host.calls.clear();
  ctl->abortEdit();
  EXPECT_EQ(CallNames(), (Names{"SetModePair", "SetReferencePoint", "GetInputState", "SetInputState",
                                "SetPointerHandler", "SetOverlayPainter"}));
  EXPECT_EQ(host.calls[0].ToString(), "SetModePair(8, 9)");
  EXPECT_EQ(host.calls[1].ToString(), "SetReferencePoint(1, 10, 0, 0)");
  EXPECT_EQ(host.calls[3].ToString(), "SetInputState(3, 4, 6)");
  EXPECT_EQ(host.calls[4].ToString(), "SetPointerHandler(null)");
  EXPECT_TRUE(Editor().PolarInputOn()) << "abortEdit leaves polar input on";
  EXPECT_EQ(sink.events, (Names{"CaptionChanged(Click to draw)", "CaptionChanged()", "EditAborted"}));

  // The next edit saves the host's values afresh; a reference point that was off goes off
  // again. This host does not answer the unregistering with a detach: the editor lets go
  // of its registrations by itself and still ends once.
  SetHostInputState(6, 7, 8);
  host.refOn = 0;
  host.detachOnUnregister = false;
  ctl->drawPolyline();
  PressAt(20, 20);
  ASSERT_EQ(host.refOn, 1);
  sink.events.clear();
  ctl->abortEdit();
  EXPECT_EQ(host.refOn, 0);
  EXPECT_EQ(host.inputState[0], 6);
  EXPECT_EQ(host.inputState[1], 7);
  EXPECT_EQ(sink.events, (Names{"CaptionChanged()", "EditAborted"}));
  EXPECT_EQ(host.Handler(), nullptr);
  EXPECT_EQ(host.Painter(), nullptr);
  EXPECT_FALSE(Editor().HoldsRegistration());
}

TEST_F(ControlTest, TheHostDroppingEitherRegistrationAbortsOnce) {
  StartDrawing(MODE_POLYGON);
  host.calls.clear();
  host.DropPointerHandler();
  EXPECT_EQ(sink.events.back(), "EditAborted");
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "EditAborted"), 1);
  // The engine pointer was cleared first, so nothing is restored through it; only the
  // painter registration is dropped.
  EXPECT_EQ(CallNames(), (Names{"SetOverlayPainter"}));
  EXPECT_EQ(host.Painter(), nullptr);

  sink.events.clear();
  ctl->drawPoint();
  host.DropOverlayPainter();
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "EditAborted"), 1);
  EXPECT_EQ(host.Handler(), nullptr);
  EXPECT_FALSE(ctl->isEditing());
}

TEST_F(ControlTest, ReplacingARunningDrawingWithADetachingHost) {
  Connect();
  host.detachOnReplace = true;
  ctl->drawPolyline();
  // A second control registering with the same engine makes the host detach the first.
  CQarneditCtrl* other = new CQarneditCtrl();
  other->SetQarnocx(host.GetDispatch());
  other->drawPolygon();
  EXPECT_EQ(sink.events.back(), "EditAborted");
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_TRUE(other->isEditing());
  other->Release();
  EXPECT_EQ(host.Handler(), nullptr) << "a control that goes away unregisters";
}

TEST_F(ControlTest, UtilsHandlingOnVersion3Hosts) {
  Connect();
  struct Case {
    const char* version;
    const char* before;
    const char* during;
    const char* after;
    long writes;
  };
  const Case cases[] = {{"3.0.0.1", "0", "1", "0", 2}, {"3.0.0.1", "1", "1", "1", 0}, {"3.0.0.1", "", "1", "1", 1},
                        {"10.2.0.0", "+0", "1", "+0", 2}, {"2.9.0.0", "0", "0", "0", 0}};
  for (const Case& c : cases) {
    ReferenceHost::SetFileVersion(std::string(c.version));
    host.variables["UTILS"] = c.before;
    host.calls.clear();
    ctl->drawPolyline();
    EXPECT_EQ(host.variables["UTILS"], c.during) << c.version << " \"" << c.before << "\"";
    ctl->abortEdit();
    EXPECT_EQ(host.variables["UTILS"], c.after) << c.version << " \"" << c.before << "\"";
    const Names calls = CallNames();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetVariable"), c.writes) << c.version << " \"" << c.before << "\"";
  }
}

TEST_F(ControlTest, TheUtilsWriteBackIsSkippedWhenTheHostWasCleared) {
  Connect();
  ReferenceHost::SetFileVersion(std::string("3.0.0.0"));
  host.variables["UTILS"] = "0";
  ctl->drawPoint();
  ctl->SetQarnocx(nullptr);
  ctl->abortEdit();
  EXPECT_EQ(host.variables["UTILS"], "1");
}

TEST_F(ControlTest, EndResetsRingsAndBasePoint) {
  Connect();
  ctl->setBasePointQarnEdit(1, 2, 3);
  EXPECT_EQ(Editor().BasePoint().y, 2.0) << "kept while idle";
  ctl->drawPolygon();
  AddVertex(0, 1, 1);
  AddVertex(1, 1, 1);
  ctl->abortEdit();
  EXPECT_EQ(Editor().GetFigure().RingCount(), 1);
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 0);
  EXPECT_EQ(Editor().BasePoint().x, 0.0);
  EXPECT_EQ(Editor().BasePoint().z, 0.0);
}

TEST_F(ControlTest, DisableBeginEndEditActsOnTheRunningEditOnly) {
  Connect();
  ctl->disableBeginEndPolylineEdit();
  ctl->drawPolyline();
  EXPECT_FALSE(Editor().BeginEndEditDisabled()) << "cleared by the start";
  host.calls.clear();
  ctl->disableBeginEndPolylineEdit();
  EXPECT_TRUE(Editor().BeginEndEditDisabled());
  EXPECT_EQ(CallNames(), (Names{"RequestRepaint"}));
}

TEST_F(ControlTest, ThreeDModeIsTakenAtTheNextStart) {
  StartDrawing(MODE_POLYLINE);
  ctl->Set3DMode(5);
  EXPECT_FALSE(Editor().Is3D());
  ctl->drawPolyline();
  EXPECT_TRUE(Editor().Is3D());
  ctl->Set3DMode(0);
  ctl->drawPoint();
  EXPECT_FALSE(Editor().Is3D());
}

TEST_F(ControlTest, RingStorageResize) {
  EXPECT_EQ(Editor().RingArrayLength(), 128);
  // How a shorter array cuts a running figure is the figure's (figure_test.cpp).
  ctl->setMaxNumberOfRings(-7);
  EXPECT_EQ(Editor().RingArrayLength(), 1) << "at least one ring";
  ctl->setMaxNumberOfRings(1 << 30);
  EXPECT_EQ(Editor().RingArrayLength(), 100000) << "at most 100000";
}

TEST_F(ControlTest, ConnectionErrors) {
  // Without a host every start, load and highlight shows its own box and calls nothing.
  RecordMaker make;
  const LONG point = static_cast<LONG>(make.Point(1, 1));
  ctl->drawPolyline();
  ctl->drawPolygon();
  ctl->drawPoint();
  EXPECT_FALSE(ctl->editNTT(point));
  ctl->hiliteNttVertexes(point);
  ASSERT_EQ(QarnDesktop().messageBoxes.size(), 5u) << "one box per call";
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(QarnDesktop().messageBoxes[i].text,
              CString("ERROR: set the qarnocx property before to use the qarnedit ActiveX control."))
        << "box " << i;
    EXPECT_EQ(QarnDesktop().messageBoxes[i].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK)) << "box " << i;
  }
  EXPECT_TRUE(host.calls.empty()) << "the host was never called";
  Connect();
  host.engineHandle = 0;
  host.calls.clear();
  ctl->drawPoint();
  EXPECT_FALSE(ctl->editNTT(point));
  ASSERT_EQ(QarnDesktop().messageBoxes.size(), 7u);
  EXPECT_EQ(QarnDesktop().messageBoxes[5].text, CString("Error connecting to qarnocx"));
  EXPECT_EQ(QarnDesktop().messageBoxes[5].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineHandle"})) << "only the handle was asked for";
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_TRUE(sink.events.empty());
}

// A sink whose container lets go of the control when the edit ends.
class ReleasingSink : public RecordingSink {
 public:
  CQarneditCtrl* toRelease = nullptr;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    HRESULT hr = RecordingSink::Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    if ((id == 1 || id == 2) && toRelease) {
      CQarneditCtrl* ctl = toRelease;
      toRelease = nullptr;
      ctl->Release();
    }
    return hr;
  }
};

TEST_F(ControlTest, AContainerReleasingTheControlInsideTheEndEventBreaksNothing) {
  for (bool hostDetaches : {false, true}) {
    CQarneditCtrl* other = new CQarneditCtrl();
    other->SetQarnocx(host.GetDispatch());
    host.detachOnUnregister = hostDetaches;
    ReleasingSink releasing;
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(other->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    IConnectionPoint* otherPoint = nullptr;
    ASSERT_EQ(container->FindConnectionPoint(IID_DQarneditEvents, &otherPoint), S_OK);
    container->Release();
    DWORD otherCookie = 0;
    ASSERT_EQ(otherPoint->Advise(&releasing, &otherCookie), S_OK);
    otherPoint->Release();  // the control keeps the sink; it goes with the control
    other->drawPolyline();
    releasing.toRelease = other;  // the creator's reference goes away inside EditAborted
    host.DropPointerHandler();
    EXPECT_EQ(releasing.events.back(), "EditAborted") << "host detaches on unregister: " << hostDetaches;
    EXPECT_EQ(host.Handler(), nullptr);
    EXPECT_EQ(host.Painter(), nullptr) << "the painter was dropped before the control went away";
  }
}
