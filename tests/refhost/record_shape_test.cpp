// Reading and copying entity records for the view: what is drawn of each type, and
// that a broken record gives less rather than garbage.
#include <gtest/gtest.h>

#include <vector>

#include "hostlink/ntt_record.h"
#include "refhost/record_shape.h"

namespace {

RECORDADDR Block(const std::vector<double>& values) {
  RECORDADDR a = RecordAlloc(values.size() * sizeof(double));
  RecordWrite(a, 0, values.data(), values.size() * sizeof(double));
  return a;
}

RECORDADDR Ints(const std::vector<int32_t>& values) {
  RECORDADDR a = RecordAlloc(values.size() * 4);
  RecordWrite(a, 0, values.data(), values.size() * 4);
  return a;
}

RECORDADDR Header(uint32_t size, uint32_t type) {
  RECORDADDR r = RecordAlloc(size);
  std::vector<unsigned char> zero(size, 0);
  RecordWrite(r, 0, zero.data(), size);
  RecordPut(r, ntt::kSize, size);
  RecordPut(r, ntt::kType, type);
  return r;
}

struct Ring {
  uint32_t first, count;
  int16_t kind;
};

// A 2D polygon with its rings over one XY block.
RECORDADDR Polygon(const std::vector<double>& xy, const std::vector<Ring>& rings, int16_t fill) {
  RECORDADDR r = Header(ntt::kPolygonSize2D, ntt::kPolygon);
  RecordPut(r, ntt::kPgFillStyle, fill);
  RecordPut(r, ntt::kPgTotal, static_cast<uint32_t>(xy.size() / 2));
  RecordPut(r, ntt::kPgXY, Block(xy));
  RecordPut(r, ntt::kPgRingCount, static_cast<uint32_t>(rings.size()));
  RECORDADDR block = RecordAlloc(rings.size() * ntt::kRingDescriptorSize);
  for (size_t i = 0; i < rings.size(); ++i) {
    RecordPut(block, i * 10, rings[i].first);
    RecordPut(block, i * 10 + 4, rings[i].count);
    RecordPut(block, i * 10 + 8, rings[i].kind);
  }
  RecordPut(r, ntt::kPgRings, block);
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
  RECORDADDR r = Polygon(kSquareWithHole, {{0, 4, 1}, {4, 3, 2}}, 5);
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
  RECORDADDR r = Polygon(kSquareWithHole, {{0, 4, 1}, {5, 3, 2}}, 1);
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(r, shape));
  ASSERT_EQ(shape.rings.size(), 1u);
  EXPECT_EQ(shape.rings[0].size(), 4u);
}

TEST(RecordShape, PolylinesPointsAndLines) {
  RECORDADDR open = Header(ntt::kPolylineSize2D, ntt::kPolyline);
  RecordPut(open, ntt::kPlCount, uint32_t{3});
  RecordPut(open, ntt::kPlXY, Block({1, 2, 3, 4, 5, 6}));
  RecordShape shape;
  ASSERT_TRUE(ReadRecordShape(open, shape));
  ASSERT_EQ(shape.paths.size(), 1u);
  EXPECT_EQ(Flat(shape.paths[0]), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(shape.closed[0]);
  RecordPut(open, ntt::kPlClosed, uint8_t{1});
  ASSERT_TRUE(ReadRecordShape(open, shape));
  EXPECT_TRUE(shape.closed[0]);

  RECORDADDR point = Header(ntt::kPointSize3D, ntt::kPoint);
  RecordPut(point, ntt::kPointX, 7.5);
  RecordPut(point, ntt::kPointY, -2.0);
  ASSERT_TRUE(ReadRecordShape(point, shape));
  EXPECT_EQ(Flat(shape.points), (std::vector<double>{7.5, -2}));
  EXPECT_TRUE(shape.paths.empty());

  RECORDADDR line = Header(ntt::kLineSize2D, ntt::kLine);
  for (size_t i = 0; i < 4; ++i) RecordPut(line, ntt::kLineX1 + 8 * i, double(i + 1));
  ASSERT_TRUE(ReadRecordShape(line, shape));
  ASSERT_EQ(shape.paths.size(), 1u);
  EXPECT_EQ(Flat(shape.paths[0]), (std::vector<double>{1, 2, 3, 4}));
}

TEST(RecordShape, ThreeDPolylineIsDrawnPartByPartWithItsClosedFlags) {
  RECORDADDR r = Header(ntt::kPolylineSize3D, ntt::kPolyline);
  RecordPut(r, ntt::kPlCount, uint32_t{5});
  RecordPut(r, ntt::kPlXY, Block({0, 0, 1, 0, 2, 0, 5, 5, 6, 6}));
  RecordPut(r, ntt::kPlZ, Block({0, 0, 0, 0, 0}));
  // Part 2 first in the block: parts are found by number, not by position.
  RecordPut(r, ntt::kPlParts, Ints({2, 1, 1, 2, 1}));
  RecordPut(r, ntt::kPlPartCount, uint32_t{2});
  RecordPut(r, ntt::kPlPartFlags, Ints({0, 1}));
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
  EXPECT_FALSE(ReadRecordShape(Header(40, 3), shape));
  RECORDADDR r = Header(ntt::kPolylineSize2D, ntt::kPolyline);
  RecordPut(r, ntt::kPlCount, uint32_t{3});
  RecordPut(r, ntt::kPlXY, uint32_t{0xFFFFFFF0u});  // a block nobody allocated
  ASSERT_TRUE(ReadRecordShape(r, shape));
  EXPECT_TRUE(shape.paths.empty());
}

TEST(RecordCopy, CopyKeepsTheFigureAfterTheOriginalIsFreed) {
  RECORDADDR original = Polygon(kSquareWithHole, {{0, 4, 1}, {4, 3, 2}}, 2);
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
  RECORDADDR r = Header(ntt::kPolylineSize3D, ntt::kPolyline);
  RecordPut(r, ntt::kPlCount, uint32_t{2});
  RecordPut(r, ntt::kPlXY, Block({0, 0, 1, 1}));
  RecordPut(r, ntt::kPlZ, Block({3, 4}));
  RecordPut(r, ntt::kPlParts, Ints({1, 1}));
  RecordPut(r, ntt::kPlPartCount, uint32_t{1});
  RecordPut(r, ntt::kPlPartFlags, Ints({1}));
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
  RECORDADDR r = Polygon(kSquareWithHole, {{0, 4, 1}}, 1);
  RecordPut(r, ntt::kPgTotal, uint32_t{1000});  // more vertices than its block holds
  EXPECT_EQ(CopyRecord(r), 0u);
  RecordPut(r, ntt::kSize, uint32_t{1u << 30});  // a size no record has
  EXPECT_EQ(CopyRecord(r), 0u);
}

}  // namespace
