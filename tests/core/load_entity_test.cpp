// Editing an existing entity: what each record type becomes, what the host is told,
// and the records that are refused before anything is attached.
#include <sstream>

#include "core_fixture.h"
#include "entity_records.h"

namespace {

struct V {
  double x, y, z;
  int32_t part;
};

class LoadEntityTest : public ControlTest {
 protected:
  // Ring r as "(x,y,z,part) ..." for readable failure messages.
  std::string RingText(int r, bool withZ = true) {
    const Figure& f = Editor().GetFigure();
    std::vector<V> vs;
    for (int32_t i = 0; i < f.VertexCount(r); ++i)
      vs.push_back({f.At(r, i).x, f.At(r, i).y, f.At(r, i).z, f.PartAt(r, i)});
    return Text(vs, withZ);
  }
  static std::string Text(const std::vector<V>& vs, bool withZ = true) {
    std::ostringstream s;
    for (const V& v : vs) {
      s << "(" << v.x << "," << v.y;
      if (withZ) s << "," << v.z << "," << v.part;
      s << ")";
    }
    return s.str();
  }
  RecordMaker make;
};

// What each record becomes; the 3D flag is set the other way first: the record decides.
TEST_F(LoadEntityTest, PointsLinesAndPolylinesByClosedByteDimensionAndParts) {
  struct Case {
    const char* what;
    uint32_t record;
    int32_t mode, step;
    std::vector<V> expected;
    bool is3D;
  };
  using Polyline = RecordMaker::Polyline;
  const Case cases[] = {
      {"2D point: a point edit in the drawing step", make.Point(7.5, -2), MODE_POINT, 1, {{7.5, -2, 0, 1}}, false},
      {"3D line: a polyline of two vertices with their Z", make.Line3D(1, 2, 3, 4, 5, 6), MODE_POLYLINE, 2,
       {{1, 2, 3, 1}, {4, 5, 6, 1}}, true},
      {"2D open", make.PolylineRecord(Polyline{{0, 0, 1, 0, 1, 1, 0, 1}}), MODE_POLYLINE, 2,
       {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}}, false},
      {"2D closed of 4 gets its first vertex again", make.PolylineRecord(Polyline{{0, 0, 1, 0, 1, 1, 0, 1}, true}),
       MODE_POLYLINE, 2, {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}, {0, 0, 0, 1}}, false},
      {"2D closed without vertices stays empty", make.PolylineRecord(Polyline{{}, true}), MODE_POLYLINE, 2, {}, false},
      {"3D one part closed: the closing copy keeps Z and part",
       make.PolylineRecord(Polyline{{0, 0, 5, 0, 5, 5}, true, true, {1, 2, 3}, {1, 1, 1}, 1, {0}}), MODE_POLYLINE, 2,
       {{0, 0, 1, 1}, {5, 0, 2, 1}, {5, 5, 3, 1}, {0, 0, 1, 1}}, true},
      {"3D one part open", make.PolylineRecord(Polyline{{0, 0, 5, 0}, false, true, {7, 8}, {1, 1}, 1, {1}}),
       MODE_POLYLINE, 2, {{0, 0, 7, 1}, {5, 0, 8, 1}}, true},
      {"3D two parts, the first closed: the closed byte is not used",
       make.PolylineRecord(
           Polyline{{0, 0, 1, 0, 2, 0, 3, 0, 4, 0}, false, true, {10, 11, 12, 13, 14}, {1, 1, 2, 2, 2}, 2, {1, 0}}),
       MODE_POLYLINE, 2, {{0, 0, 10, 1}, {1, 0, 11, 1}, {0, 0, 10, 1}, {2, 0, 12, 2}, {3, 0, 13, 2}, {4, 0, 14, 2}},
       true},
      {"3D parts interleaved are gathered part by part in block order",
       make.PolylineRecord(Polyline{{0, 0, 1, 0, 2, 0, 3, 0}, true, true, {0, 1, 2, 3}, {2, 1, 2, 1}, 2, {0, 1}}),
       MODE_POLYLINE, 2, {{1, 0, 1, 1}, {3, 0, 3, 1}, {0, 0, 0, 2}, {2, 0, 2, 2}, {0, 0, 0, 2}}, true},
      {"3D part numbers outside 1..parts are left out",
       make.PolylineRecord(
           Polyline{{0, 0, 1, 0, 2, 0, 3, 0, 4, 0}, false, true, {0, 1, 2, 3, 4}, {0, 1, 3, 2, -1}, 2, {0, 1}}),
       MODE_POLYLINE, 2, {{1, 0, 1, 1}, {3, 0, 3, 2}, {3, 0, 3, 2}}, true},
      {"3D closed part without vertices adds nothing",
       make.PolylineRecord(Polyline{{0, 0, 1, 0, 2, 0}, false, true, {0, 1, 2}, {1, 1, 3}, 3, {1, 1, 1}}),
       MODE_POLYLINE, 2, {{0, 0, 0, 1}, {1, 0, 1, 1}, {0, 0, 0, 1}, {2, 0, 2, 3}, {2, 0, 2, 3}}, true},
      {"3D with no parts copies nothing",
       make.PolylineRecord(Polyline{{0, 0, 1, 0}, false, true, {0, 1}, {1, 1}, 0, {}}), MODE_POLYLINE, 2, {}, true},
  };
  Connect();
  for (const Case& c : cases) {
    ctl->Set3DMode(c.is3D ? 0 : 1);
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(c.record))) << c.what;
    EditController& ec = Editor();
    EXPECT_TRUE(ctl->isEditing()) << c.what;
    EXPECT_EQ(ec.Mode(), c.mode) << c.what;
    EXPECT_EQ(StepNumber(ec.Step()), c.step) << c.what;
    EXPECT_EQ(ctl->m_caption.str(), c.step == 1 ? "Click to draw" : "Drag a vertex to move it") << c.what;
    EXPECT_EQ(ec.Is3D(), c.is3D) << c.what;
    EXPECT_EQ(ec.GetFigure().RingCount(), 1) << c.what;
    EXPECT_EQ(RingText(0, c.is3D), Text(c.expected, c.is3D)) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(LoadEntityTest, APolygonTakesOneRingPerDescriptor) {
  Connect();
  RecordMaker::Polygon p;
  p.xy = {0, 0, 10, 0, 10, 10, 0, 10, 2, 2, 4, 2, 3, 4};
  p.rings = {{0, 4, ntt::kPerimeter}, {4, 3, ntt::kHole}};
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(p))));
  EditController& ec = Editor();
  EXPECT_EQ(ec.Mode(), MODE_POLYGON);
  EXPECT_EQ(StepNumber(ec.Step()), 2);
  EXPECT_FALSE(ec.Is3D());
  ASSERT_EQ(ec.GetFigure().RingCount(), 2);
  EXPECT_EQ(ec.GetFigure().IsHole(0), 0);
  EXPECT_EQ(ec.GetFigure().IsHole(1), 1);
  EXPECT_EQ(RingText(0, false), "(0,0)(10,0)(10,10)(0,10)");
  EXPECT_EQ(RingText(1, false), "(2,2)(4,2)(3,4)") << "XY entries 4 to 6";
  ctl->abortEdit();

  // 3D: the Z block follows the same indices and every vertex is in part 1; rings may
  // share vertices and come in any order.
  p.is3D = true;
  p.z = {1, 2, 3, 4, 5, 6, 7};
  p.rings = {{4, 3, ntt::kHole}, {1, 3, 7}};
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(p))));
  EXPECT_TRUE(ec.Is3D());
  ASSERT_EQ(ec.GetFigure().RingCount(), 2);
  EXPECT_EQ(ec.GetFigure().IsHole(0), 1);
  EXPECT_EQ(ec.GetFigure().IsHole(1), 0) << "any kind but 2 is a perimeter";
  EXPECT_EQ(RingText(0), Text({{2, 2, 5, 1}, {4, 2, 6, 1}, {3, 4, 7, 1}}));
  EXPECT_EQ(RingText(1), Text({{10, 0, 2, 1}, {10, 10, 3, 1}, {0, 10, 4, 1}}));
}

// The load prepares the host through the same code as a drawing; what the end gives
// back is owned by lifecycle_test.cpp (StartAndEndTellTheHostInOrder,
// UtilsHandlingOnVersion3Hosts).
TEST_F(LoadEntityTest, TheHostIsToldAsForANewDrawing) {
  Connect();
  ReferenceHost::SetFileVersion("3.1.0.0");
  host.variables["UTILS"] = "0";
  uint32_t rec = make.Point(1, 1);
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(rec)));
  EXPECT_EQ(CallNames(),
            (Names{"GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler", "SetOverlayPainter", "RequestRepaint",
                   "GetVariable", "SetVariable", "GetInputState", "GetReferencePoint", "SetInputState"}));
  EXPECT_EQ(host.variables["UTILS"], "1");
  EXPECT_EQ(host.Handler(), static_cast<PointerHandler*>(&Editor()));
  EXPECT_EQ(host.Painter(), static_cast<OverlayPainter*>(&Editor()));
}

// What every start resets is reset before the record's type is tested: a refused type
// during an edit keeps the edit with only those resets, and no load touches the last
// saved record.
TEST_F(LoadEntityTest, ALoadResetsWhatEveryStartResetsBeforeTheTypeTestAndKeepsTheSavedRecord) {
  StartDrawing(MODE_POLYLINE);
  AddVertices(0, {{0, 0}, {5, 5}});
  ASSERT_TRUE(ctl->saveEdit());
  const LONG saved = ctl->getDrawnNTT();
  ctl->drawPolygon();
  AddVertex(0, 0, 0);
  AddVertex(1, 1, 1);
  MakeHole(0);
  ctl->disableBeginEndPolylineEdit();
  EXPECT_FALSE(ctl->editNTT(static_cast<LONG>(make.Block(RecordMaker::Header(48, 48, 3)))));
  EXPECT_TRUE(ctl->isEditing());
  EXPECT_EQ(Editor().Mode(), MODE_POLYGON);
  EXPECT_EQ(Editor().GetFigure().RingCount(), 1);
  EXPECT_EQ(Editor().GetFigure().IsHole(0), 0);
  EXPECT_FALSE(Editor().BeginEndEditDisabled());
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.Point(1, 1))));
  EXPECT_EQ(ctl->getDrawnNTT(), saved);
}

TEST_F(LoadEntityTest, HostileRecordsAndUnsupportedTypesAreRefusedBeforeAnythingIsAttached) {
  Connect();
  std::vector<Hostile> refused = HostileRecords(make, true, EditController::kInitialRingCount);
  for (uint32_t type : {0u, 3u, 4u, 7u, 0xFFFFFFFFu})
    refused.push_back({"unsupported type " + std::to_string(type), make.Block(RecordMaker::Header(120, 120, type))});
  RecordMaker::Polygon shared;  // each ring within the vertices, together past the limit
  shared.xy.assign(2 * 80000, 1.0);
  shared.rings.assign(EditController::kInitialRingCount, {0, 80000, ntt::kPerimeter});
  refused.push_back({"rings sharing their vertices past the limit", make.PolygonRecord(shared)});
  for (const Hostile& h : refused) {
    ClearLogs();
    EXPECT_FALSE(ctl->editNTT(static_cast<LONG>(h.record))) << h.what;
    EXPECT_EQ(CallNames(), (Names{"GetEngineHandle", "GetEngineFromHandle"})) << h.what;
    EXPECT_EQ(host.Handler(), nullptr) << h.what;
    EXPECT_EQ(host.Painter(), nullptr) << h.what;
    EXPECT_FALSE(ctl->isEditing()) << h.what;
    EXPECT_EQ(StepNumber(Editor().Step()), 0) << h.what;
    EXPECT_TRUE(sink.events.empty()) << h.what;
  }
  EXPECT_TRUE(QarnDesktop().messageBoxes.empty()) << "a refused record is refused silently";
}

TEST_F(LoadEntityTest, LargeRecordsWithinTheLimitsLoad) {
  // The refusals above are limits, not a ban on large figures.
  Connect();
  RecordMaker::Polyline p;
  for (int i = 0; i < 5000; ++i) {
    p.xy.push_back(i);
    p.xy.push_back(-i);
  }
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolylineRecord(p))));
  EditController& ec = Editor();
  ASSERT_EQ(ec.GetFigure().VertexCount(0), 5000);
  EXPECT_EQ(ec.GetFigure().At(0, 4999).x, 4999);
  EXPECT_EQ(ec.GetFigure().At(0, 4999).y, -4999);
  ec.EndEdit(false);

  RecordMaker::Polygon g;
  g.xy = {0, 0, 1, 0, 1, 1};
  g.rings.assign(EditController::kInitialRingCount, {0, 3, 2});
  ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(g))));
  EXPECT_EQ(ec.GetFigure().RingCount(), EditController::kInitialRingCount);
  EXPECT_EQ(ec.GetFigure().IsHole(EditController::kInitialRingCount - 1), 1);
}

// Save a figure, edit the saved record, save again: the same record comes out.
TEST_F(LoadEntityTest, ASavedFigureLoadsAndSavesToTheSameBytes) {
  struct Case {
    const char* what;
    int mode;
    bool is3D;
    std::vector<std::vector<V>> rings;
  };
  const Case cases[] = {
      {"2D polyline", MODE_POLYLINE, false, {{{0, 0, 0, 1}, {3, 4, 0, 1}, {-1.25, 7, 0, 1}}}},
      {"3D polyline of two parts", MODE_POLYLINE, true, {{{0, 0, 1, 1}, {3, 4, 2, 1}, {5, 5, 3, 2}, {6, 1, 4, 2}}}},
      {"2D polygon with a hole",
       MODE_POLYGON,
       false,
       {{{0, 0, 0, 1}, {10, 0, 0, 1}, {10, 10, 0, 1}, {0, 10, 0, 1}}, {{2, 2, 0, 1}, {4, 2, 0, 1}, {3, 4, 0, 1}}}},
      {"3D polygon", MODE_POLYGON, true, {{{0, 0, 9, 1}, {10, 0, 8, 1}, {10, 10, 7, 1}}}},
      {"2D point", MODE_POINT, false, {{{2.5, 3.5, 0, 1}}}},
      {"3D point", MODE_POINT, true, {{{2.5, 3.5, -4, 1}}}},
  };
  ctl->m_fillStyle = 4;
  for (const Case& c : cases) {
    StartDrawing(c.mode, c.is3D);
    for (size_t r = 0; r < c.rings.size(); ++r) {
      for (const V& v : c.rings[r]) AddVertex(static_cast<int>(r), v.x, v.y, v.z, v.part);
      if (r > 0) MakeHole(static_cast<int>(r));
    }
    ASSERT_TRUE(ctl->saveEdit()) << c.what;
    const uint32_t first = static_cast<uint32_t>(ctl->getDrawnNTT());
    const std::string before = Flatten(first);
    ctl->Set3DMode(c.is3D ? 0 : 1);  // the record, not the 3D flag, decides
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(first))) << c.what;
    ASSERT_TRUE(ctl->saveEdit()) << c.what;
    EXPECT_EQ(Flatten(static_cast<uint32_t>(ctl->getDrawnNTT())), before) << c.what;
  }
}

}  // namespace
