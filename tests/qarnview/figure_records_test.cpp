// Figures to entity records and back, judged against the editor itself: a record the
// editor saved must become a figure whose record is that same record again. (That the
// editor saves a loaded record unchanged is the editor's own rule.)
#include "qarnview/figure_records.h"

#include <limits>

#include "drawing_samples.h"
#include "tests/core/core_fixture.h"
#include "tests/core/entity_records.h"

namespace {

using namespace qarnview;
using qarnview::Figure;  // not the editor's Figure

class FigureRecordTest : public ControlTest {
 protected:
  void TearDown() override {
    for (RECORDADDR r : m_made) ReleaseRecord(r);
    ControlTest::TearDown();
  }
  RECORDADDR ToRecord(const Figure& f) {
    RECORDADDR r = 0;
    const std::string problem = FigureToRecord(f, r);
    EXPECT_EQ(problem, "");
    m_made.push_back(r);
    return r;
  }
  // Gives the editor the figure ring by ring, and saves it.
  RECORDADDR DrawAndSave(const Figure& f) {
    ctl->Set3DMode(f.is3D ? 1 : 0);
    ctl->m_fillStyle = f.fillStyle;
    if (f.kind == FigureKind::kPolyline) ctl->drawPolyline();
    if (f.kind == FigureKind::kPolygon) ctl->drawPolygon();
    if (f.kind == FigureKind::kPoint) ctl->drawPoint();
    for (size_t r = 0; r < f.rings.size(); ++r) {
      const int ring = f.kind == FigureKind::kPolyline ? 0 : static_cast<int>(r);
      if (f.rings[r].vertices.empty()) AddEmptyRing();
      for (const Vertex& v : f.rings[r].vertices) AddVertex(ring, v.x, v.y, v.z, static_cast<int>(r + 1));
      if (f.rings[r].hole) MakeHole(ring);
    }
    EXPECT_TRUE(ctl->saveEdit());
    return static_cast<RECORDADDR>(ctl->getDrawnNTT());
  }

  std::vector<RECORDADDR> m_made;
  RecordMaker make;
};

TEST_F(FigureRecordTest, ARecordTheEditorSavedBecomesAFigureWithTheSameRecord) {
  Connect();
  for (const Figure& f : samples::All()) {
    if (f.kind == FigureKind::kPolyline && !f.is3D && f.rings.size() > 1) continue;  // no record form
    const RECORDADDR saved = DrawAndSave(f);
    ASSERT_NE(saved, 0u);
    Figure figure;
    ASSERT_EQ(FigureFromRecord(saved, figure, f.penColor), "");
    Figure expected = f;
    if (f.kind != FigureKind::kPolygon) expected.fillStyle = 0;  // only polygon records hold it
    EXPECT_EQ(figure, expected);
    EXPECT_EQ(Flatten(ToRecord(figure)), Flatten(saved));
  }
}

TEST_F(FigureRecordTest, RecordsBecomeWhatTheEditorHoldsAfterLoadingThem) {
  Figure f;
  // A closed 2D polyline repeats its first vertex at the end.
  ASSERT_EQ(FigureFromRecord(make.PolylineRecord({{0, 0, 1, 0, 1, 1, 0, 1}, true}), f), "");
  EXPECT_EQ(f, samples::Make(FigureKind::kPolyline, false, {samples::Ring({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}})}));
  // A 3D polyline of parts 1, 1, 2, 2, 2 with part 1 closed: parts by number, the
  // closed one repeating its first vertex. Only a flag of 1 closes a part.
  ASSERT_EQ(FigureFromRecord(make.PolylineRecord({{0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, false, true, {10, 11, 12, 13, 14},
                                                  {2, 1, 2, 1, 2}, 2, {1, 2}}),
                             f, 0x00FF00),
            "");
  EXPECT_EQ(f, samples::Make(FigureKind::kPolyline, true,
                             {samples::Ring({{1, 1, 11}, {3, 3, 13}, {1, 1, 11}}),
                              samples::Ring({{0, 0, 10}, {2, 2, 12}, {4, 4, 14}})},
                             0, 0x00FF00));
  // A 3D line is a two-vertex polyline.
  ASSERT_EQ(FigureFromRecord(make.Line3D(1, 2, 3, 4, 5, 6), f), "");
  EXPECT_EQ(f, samples::Make(FigureKind::kPolyline, true, {samples::Ring({{1, 2, 3}, {4, 5, 6}})}));
  // Polygon rings under 3 vertices are dropped, as the editor's save drops them; a ring
  // of any kind but a hole is a perimeter.
  RecordMaker::Polygon g;
  g.xy = {0, 0, 1, 0, 1, 1, 5, 5, 6, 6, 2, 2, 3, 2, 3, 3};
  g.rings = {{0, 3, 0}, {3, 2, ntt::kHole}, {5, 3, ntt::kHole}};
  ASSERT_EQ(FigureFromRecord(make.PolygonRecord(g), f), "");
  EXPECT_EQ(f, samples::Make(FigureKind::kPolygon, false,
                             {samples::Ring({{0, 0}, {1, 0}, {1, 1}}), samples::Ring({{2, 2}, {3, 2}, {3, 3}}, true)}));
  ASSERT_EQ(FigureFromRecord(make.Point3D(7, 8, 9), f), "");
  EXPECT_EQ(f, samples::Make(FigureKind::kPoint, true, {samples::Ring({{7, 8, 9}})}));
}

TEST_F(FigureRecordTest, RecordsThatCannotBeFiguresAreRefusedAndLeaveTheFigure) {
  std::vector<Hostile> bad;
  for (Hostile& h : HostileRecords(make, true, EditController::kInitialRingCount))
    if (h.what != "polygon with more rings than the ring array") bad.push_back(h);  // a figure may have more
  RecordMaker::Polygon g;
  g.xy = {0, 0, 1, 0, 1, 1};
  g.rings = {{0, 3, ntt::kHole}};
  bad.push_back({"polygon that begins with a hole", make.PolygonRecord(g)});
  g.rings = {{0, 2, ntt::kPerimeter}};
  bad.push_back({"polygon without a ring of 3 vertices", make.PolygonRecord(g)});
  bad.push_back({"polyline of one vertex", make.PolylineRecord({{0, 0}})});
  bad.push_back({"polyline without vertices", make.PolylineRecord({})});
  bad.push_back({"closed polyline without vertices", make.PolylineRecord({{}, true})});
  bad.push_back({"3D polyline of no parts", make.PolylineRecord({{0, 0, 1, 1}, false, true, {0, 0}, {1, 1}, 0, {}})});
  bad.push_back({"3D polyline with a part of one vertex",
                 make.PolylineRecord({{0, 0, 1, 1, 2, 2}, false, true, {0, 0, 0}, {1, 2, 2}, 2, {0, 0}})});
  bad.push_back({"point at NaN", make.Point(std::numeric_limits<double>::quiet_NaN(), 0)});
  bad.push_back({"point beyond 1e15", make.Point(0, -1e16)});
  bad.push_back({"record of type 3", make.Block(RecordMaker::Header(48, 48, 3))});
  const Figure original = samples::Polygons3D();
  for (const Hostile& h : bad) {
    Figure f = original;
    EXPECT_NE(FigureFromRecord(h.record, f), "") << h.what;
    EXPECT_EQ(f, original) << h.what;
  }
}

TEST_F(FigureRecordTest, FiguresWithoutARecordFormAreRefusedWithoutLeaks) {
  RecordMemory& m = QarnRecordMemory();
  const size_t blocks = m.LiveBlockCount();
  Figure holeFirst = samples::PolygonWithHole2D();
  std::swap(holeFirst.rings[0], holeFirst.rings[1]);
  for (const Figure& f : {samples::Polyline2DParts(), holeFirst}) {
    RECORDADDR r = 123;
    EXPECT_NE(FigureToRecord(f, r), "");
    EXPECT_EQ(r, 0u);
  }
  EXPECT_EQ(m.LiveBlockCount(), blocks);
  // ReleaseRecord gives back every block a record made.
  for (const Figure& f : samples::All()) {
    RECORDADDR r = 0;
    if (FigureToRecord(f, r).empty()) ReleaseRecord(r);
  }
  EXPECT_EQ(m.LiveBlockCount(), blocks);
}

}  // namespace
