// Reading and copying entity records for the view: what is drawn of each type, and
// that a broken record gives less rather than garbage.
#include <gtest/gtest.h>

#include <vector>

#include "hostlink/ntt_record.h"
#include "refhost/record_maker.h"
#include "refhost/record_shape.h"

namespace {

using Ring = RecordMaker::Ring;

// A 2D polygon with its rings over one XY block.
RECORDADDR Polygon(RecordMaker& make, const std::vector<double>& xy, const std::vector<Ring>& rings, int16_t fill) {
  RecordMaker::Polygon g;
  g.xy = xy;
  g.rings = rings;
  RECORDADDR r = make.PolygonRecord(g);
  RecordPut(r, ntt::kPgFillStyle, fill);
  return r;
}

std::vector<double> Flat(const std::vector<WorldPoint>& points) {
  std::vector<double> out;
  for (const WorldPoint& p : points) {
    out.push_back(p.x);
    out.push_back(p.y);
  }
  return out;
}

const std::vector<double> kSquareWithHole = {0, 0, 10, 0, 10, 10, 0, 10, 4, 4, 6, 4, 6, 6};

TEST(RecordShape, PolygonGivesEveryRingAndItsFillStyle) {
  RecordMaker make;
  RECORDADDR r = Polygon(make, kSquareWithHole, {{0, 4, 1}, {4, 3, 2}}, 5);
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(r, shape));
  EXPECT_EQ(shape.type, ntt::kPolygon);
  EXPECT_EQ(shape.fillStyle, 5);
  ASSERT_EQ(shape.rings.size(), 2u);
  EXPECT_EQ(Flat(shape.rings[0]), (std::vector<double>{0, 0, 10, 0, 10, 10, 0, 10}));
  EXPECT_EQ(Flat(shape.rings[1]), (std::vector<double>{4, 4, 6, 4, 6, 6}));
  EXPECT_EQ(shape.Vertices().size(), 7u);
}

TEST(RecordShape, RingReachingPastTheVertexTotalIsLeftOut) {
  RecordMaker make;
  RECORDADDR r = Polygon(make, kSquareWithHole, {{0, 4, 1}, {5, 3, 2}}, 1);
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(r, shape));
  ASSERT_EQ(shape.rings.size(), 1u);
  EXPECT_EQ(shape.rings[0].size(), 4u);
}

TEST(RecordShape, PolylinesPointsAndLines) {
  RecordMaker make;
  RECORDADDR open = make.PolylineRecord({{1, 2, 3, 4, 5, 6}});
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(open, shape));
  ASSERT_EQ(shape.paths.size(), 1u);
  EXPECT_EQ(Flat(shape.paths[0]), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(shape.closed[0]);
  RecordPut(open, ntt::kPlClosed, uint8_t{1});
  ASSERT_TRUE(ReadRecordShape(open, shape));
  EXPECT_TRUE(shape.closed[0]);

  ASSERT_TRUE(ReadRecordShape(make.Point3D(7.5, -2.0, 0), shape));
  EXPECT_EQ(Flat(shape.points), (std::vector<double>{7.5, -2}));
  EXPECT_TRUE(shape.paths.empty());

  std::vector<uint8_t> line = RecordMaker::Header(ntt::kLineSize2D, ntt::kLineSize2D, ntt::kLine);
  for (size_t i = 0; i < 4; ++i) RecordMaker::Put(line, ntt::kLineX1 + 8 * i, double(i + 1));
  ASSERT_TRUE(ReadRecordShape(make.Block(line), shape));
  ASSERT_EQ(shape.paths.size(), 1u);
  EXPECT_EQ(Flat(shape.paths[0]), (std::vector<double>{1, 2, 3, 4}));
}

TEST(RecordShape, ThreeDPolylineIsDrawnPartByPartWithItsClosedFlags) {
  RecordMaker make;
  // Part 2 first in the block: parts are found by number, not by position.
  RECORDADDR r = make.PolylineRecord({{0, 0, 1, 0, 2, 0, 5, 5, 6, 6}, false, true, {0, 0, 0, 0, 0}, {2, 1, 1, 2, 1}, 2, {0, 1}});
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(r, shape));
  ASSERT_EQ(shape.paths.size(), 2u);
  EXPECT_EQ(Flat(shape.paths[0]), (std::vector<double>{1, 0, 2, 0, 6, 6}));
  EXPECT_FALSE(shape.closed[0]);
  EXPECT_EQ(Flat(shape.paths[1]), (std::vector<double>{0, 0, 5, 5}));
  EXPECT_TRUE(shape.closed[1]);
}

TEST(RecordShape, UnreadableOrUnknownRecordsGiveNothing) {
  RecordShape shape;
  EXPECT_FALSE(ReadRecordShape(0, shape));
  EXPECT_FALSE(ReadRecordShape(0xFFFFFFF0u, shape));
  RecordMaker make;
  EXPECT_FALSE(ReadRecordShape(make.Block(RecordMaker::Header(40, 40, 3)), shape));
  RECORDADDR r = make.PolylineRecord({{1, 2, 3, 4, 5, 6}});
  RecordPut(r, ntt::kPlXY, uint32_t{0xFFFFFFF0u});  // a block nobody allocated
  ASSERT_TRUE(ReadRecordShape(r, shape));
  EXPECT_TRUE(shape.paths.empty());
}

TEST(RecordCopy, CopyKeepsTheFigureAfterTheOriginalIsFreed) {
  RecordMaker make;
  RECORDADDR original = Polygon(make, kSquareWithHole, {{0, 4, 1}, {4, 3, 2}}, 2);
  RECORDADDR copy = CopyRecord(original);
  ASSERT_NE(copy, 0u);
  ASSERT_NE(copy, original);
  uint32_t originalXY = 0, copyXY = 0, originalRings = 0, copyRings = 0;
  RecordGet(original, ntt::kPgXY, originalXY);
  RecordGet(copy, ntt::kPgXY, copyXY);
  RecordGet(original, ntt::kPgRings, originalRings);
  RecordGet(copy, ntt::kPgRings, copyRings);
  EXPECT_NE(copyXY, originalXY);
  EXPECT_NE(copyRings, originalRings);
  // Scribbling over the original's blocks leaves the copy as it was.
  RecordWrite(originalXY, 0, std::vector<double>(14, 99.0).data(), 14 * 8);
  RecordPut(originalRings, 4, uint32_t{0});
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(copy, shape));
  ASSERT_EQ(shape.rings.size(), 2u);
  EXPECT_EQ(Flat(shape.rings[1]), (std::vector<double>{4, 4, 6, 4, 6, 6}));
  EXPECT_EQ(shape.fillStyle, 2);
  FreeRecordCopy(copy);
}

TEST(RecordCopy, ThreeDBlocksAreCopiedToo) {
  RecordMaker make;
  RECORDADDR r = make.PolylineRecord({{0, 0, 1, 1}, false, true, {3, 4}, {1, 1}, 1, {1}});
  RECORDADDR copy = CopyRecord(r);
  ASSERT_NE(copy, 0u);
  uint32_t z = 0, flags = 0;
  ASSERT_TRUE(RecordGet(copy, ntt::kPlZ, z));
  ASSERT_TRUE(RecordGet(copy, ntt::kPlPartFlags, flags));
  double zs[2] = {0, 0};
  int32_t flag = 0;
  EXPECT_TRUE(RecordRead(z, 0, zs, sizeof(zs)));
  EXPECT_EQ(zs[1], 4);
  EXPECT_TRUE(RecordGet(flags, 0, flag));
  EXPECT_EQ(flag, 1);
  FreeRecordCopy(copy);
}

TEST(RecordCopy, BrokenRecordsAreNotCopied) {
  EXPECT_EQ(CopyRecord(0), 0u);
  RecordMaker make;
  RECORDADDR r = Polygon(make, kSquareWithHole, {{0, 4, 1}}, 1);
  RecordPut(r, ntt::kPgTotal, uint32_t{1000});  // more vertices than its block holds
  EXPECT_EQ(CopyRecord(r), 0u);
  RecordPut(r, ntt::kSize, uint32_t{1u << 30});  // a size no record has
  EXPECT_EQ(CopyRecord(r), 0u);
}

}  // namespace
