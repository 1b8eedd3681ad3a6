// Highlighting the vertices of a host entity: what is copied, what the host is told,
// and the records that show nothing.
#include <sstream>

#include "core_fixture.h"
#include "refhost/record_maker.h"

namespace {

class HiliteTest : public ControlTest {
 protected:
  std::string Marks(bool withZ) {
    EditController& ec = Editor();
    std::ostringstream s;
    const Ring& marks = ec.Marks();
    for (int32_t i = 0; i < ec.MarkCount(); ++i) {
      s << "(" << marks.x[i] << "," << marks.y[i];
      if (withZ) s << "," << marks.z[i];
      s << ")";
    }
    return s.str();
  }
  RecordMaker make;
};

TEST_F(HiliteTest, EachTypeGivesItsVertices) {
  struct Case {
    const char* what;
    uint32_t record;
    bool is3D;
    std::string marks;
  };
  RecordMaker::Polyline open{{0, 0, 4, 0, 4, 3}};
  RecordMaker::Polyline closed{{0, 0, 4, 0, 4, 3}, true};
  RecordMaker::Polyline closed3D{{0, 0, 4, 0}, true, true, {5, 6}};  // no part block: not read here
  RecordMaker::Polyline closedEmpty{{}, true};
  RecordMaker::Polygon polygon;
  polygon.xy = {0, 0, 10, 0, 10, 10, 2, 2, 4, 2, 3, 4};
  polygon.rings = {{0, 3, 1}, {3, 3, 2}};
  RecordMaker::Polygon polygon3D = polygon;
  polygon3D.is3D = true;
  polygon3D.z = {1, 2, 3, 4, 5, 6};
  polygon3D.rings = {};  // the descriptors are not read
  polygon3D.ringCountOverride = 999;
  RecordMaker::Polygon emptyPolygon;
  emptyPolygon.rings = {{0, 0, 1}};
  const Case cases[] = {
      {"2D point", make.Point(1, 2), false, "(1,2)"},
      {"3D point", make.Point3D(1, 2, 3), true, "(1,2,3)"},
      {"3D line", make.Line3D(1, 2, 3, 4, 5, 6), true, "(1,2,3)(4,5,6)"},
      {"open polyline", make.PolylineRecord(open), false, "(0,0)(4,0)(4,3)"},
      {"closed polyline: n + 1, the last equal to the first", make.PolylineRecord(closed), false,
       "(0,0)(4,0)(4,3)(0,0)"},
      {"closed 3D polyline", make.PolylineRecord(closed3D), true, "(0,0,5)(4,0,6)(0,0,5)"},
      {"closed polyline without vertices", make.PolylineRecord(closedEmpty), false, ""},
      {"polygon: all rings as one list", make.PolygonRecord(polygon), false, "(0,0)(10,0)(10,10)(2,2)(4,2)(3,4)"},
      {"3D polygon", make.PolygonRecord(polygon3D), true, "(0,0,1)(10,0,2)(10,10,3)(2,2,4)(4,2,5)(3,4,6)"},
      {"polygon without vertices", make.PolygonRecord(emptyPolygon), false, ""},
  };
  Connect();
  for (const Case& c : cases) {
    ctl->hiliteNttVertexes(static_cast<LONG>(c.is3D ? make.Point(1, 1) : make.Point3D(1, 1, 1)));
    ASSERT_EQ(Editor().Is3D(), !c.is3D) << c.what;
    host.calls.clear();
    ctl->hiliteNttVertexes(static_cast<LONG>(c.record));
    EXPECT_EQ(Marks(c.is3D), c.marks) << c.what;
    EXPECT_EQ(Editor().Is3D(), c.is3D) << c.what;
    EXPECT_EQ(host.Painter(), static_cast<OverlayPainter*>(&Editor())) << c.what << ": registered as painter";
    EXPECT_EQ(host.Handler(), nullptr) << c.what << ": never as pointer handler";
    EXPECT_FALSE(ctl->isEditing()) << c.what;
    const Names calls = CallNames();
    ASSERT_GE(calls.size(), 4u) << c.what;
    EXPECT_EQ(Names(calls.begin(), calls.begin() + 2), (Names{"GetEngineHandle", "GetEngineFromHandle"})) << c.what;
    EXPECT_EQ(Names(calls.end() - 2, calls.end()), (Names{"SetOverlayPainter", "RequestRepaint"})) << c.what;
  }
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(HiliteTest, TheNextCallReplacesTheMarksAndZeroRemovesThem) {
  Connect();
  host.detachOnUnregister = false;  // the engine stays known, so the old marks are repainted away
  ctl->hiliteNttVertexes(static_cast<LONG>(make.Point(1, 2)));
  ASSERT_EQ(Editor().MarkCount(), 1);
  host.calls.clear();
  ctl->hiliteNttVertexes(0);
  EXPECT_EQ(Editor().MarkCount(), 0);
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle", "SetOverlayPainter", "RequestRepaint"}));
  EXPECT_EQ(host.calls[2].ToString(), "SetOverlayPainter(null)");
  EXPECT_EQ(host.Painter(), nullptr) << "registered with nothing";
  // The engine is still known: a later repaint request goes to it.
  host.calls.clear();
  ctl->disableBeginEndPolylineEdit();
  EXPECT_EQ(CallNames(), (Names{"RequestRepaint"}));

  // A host that answers the unregistering with the detach callback leaves no engine to
  // ask for the repaint.
  host.detachOnUnregister = true;
  ctl->hiliteNttVertexes(static_cast<LONG>(make.Point(1, 2)));
  host.calls.clear();
  ctl->hiliteNttVertexes(static_cast<LONG>(make.Block(RecordMaker::Header(48, 48, 4))));
  EXPECT_EQ(Editor().MarkCount(), 0) << "a type 4 record behaves like 0";
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle", "SetOverlayPainter"}));
  EXPECT_EQ(host.Painter(), nullptr);
  EXPECT_TRUE(sink.events.empty()) << "no edit ran, so the detach fires nothing";
}

TEST_F(HiliteTest, DuringAnEditThePointerInputStopsButTheEditGoesOn) {
  Connect();
  host.detachOnUnregister = false;
  ctl->drawPolyline();
  AddVertex(0, 1, 1);
  host.calls.clear();
  ctl->hiliteNttVertexes(static_cast<LONG>(make.Point(5, 5)));
  EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler", "SetOverlayPainter",
                                "SetOverlayPainter", "RequestRepaint"}));
  EXPECT_EQ(host.calls[2].ToString(), "SetPointerHandler(null)");
  EXPECT_EQ(host.Handler(), nullptr);
  EXPECT_EQ(host.Painter(), static_cast<OverlayPainter*>(&Editor()));
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_EQ(Editor().GetFigure().VertexCount(0), 1);
  EXPECT_EQ(Editor().MarkCount(), 1);
}

TEST_F(HiliteTest, HostileRecordsShowNothingAndRegisterNothing) {
  Connect();
  for (const Hostile& h : HostileRecords(make, false, EditController::kInitialRingCount)) {
    host.calls.clear();
    ctl->hiliteNttVertexes(static_cast<LONG>(h.record));
    EXPECT_EQ(Editor().MarkCount(), 0) << h.what;
    EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle"})) << h.what;
    EXPECT_EQ(host.Painter(), nullptr) << h.what;
  }
}

}  // namespace
