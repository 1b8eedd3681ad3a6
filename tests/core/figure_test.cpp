#include "editcore/figure.h"

#include <gtest/gtest.h>

namespace {

void AddSquare(Figure& figure, int32_t r, double x0, double y0, double side, bool clockwise) {
  const Point3 corners[] = {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}};
  for (int i = 0; i < 4; ++i) figure.Append(r, corners[clockwise ? 3 - i : i], 1);
}

}  // namespace

TEST(Figure, StartsAsOneEmptyPerimeterAndOpensRingsUntilTheArrayIsFull) {
  Figure figure(3);
  EXPECT_EQ(figure.RingCount(), 1);
  EXPECT_EQ(figure.VertexCount(0), 0);
  EXPECT_FALSE(figure.IsHole(0));
  EXPECT_TRUE(figure.StartRing(true));
  EXPECT_TRUE(figure.StartRing(false));
  EXPECT_FALSE(figure.StartRing(true)) << "a fourth ring in an array of three";
  EXPECT_EQ(figure.RingCount(), 3);
  EXPECT_TRUE(figure.IsHole(1));
  EXPECT_FALSE(figure.IsHole(2));

  // A ring taken into use again starts empty, whatever it held before.
  figure.Append(2, {1, 2, 3}, 1);
  figure.Clear();
  EXPECT_TRUE(figure.StartRing(false));
  EXPECT_EQ(figure.VertexCount(1), 0);
  EXPECT_FALSE(figure.IsHole(1));
}

TEST(Figure, NewRingArrayLengthDropsTheVerticesAndCutsTheCountToFit) {
  Figure figure(4);
  figure.StartRing(false);
  figure.StartRing(false);
  figure.Append(0, {1, 1, 0}, 1);
  figure.SetRingArrayLength(2);
  EXPECT_EQ(figure.RingArrayLength(), 2);
  EXPECT_EQ(figure.RingCount(), 2);
  EXPECT_EQ(figure.VertexCount(0), 0);
  figure.SetRingArrayLength(8);
  EXPECT_EQ(figure.RingCount(), 2) << "a longer array keeps the count";
}

TEST(Figure, InsertAndEraseShiftTheVerticesWithTheirParts) {
  Figure figure(1);
  for (int i = 0; i < 25; ++i) figure.Append(0, {double(i), double(-i), double(10 * i)}, i < 3 ? 7 : 8);
  ASSERT_GE(figure.Room(0), 25);

  figure.Insert(0, 3, {0.5, 0.25, 9});
  ASSERT_EQ(figure.VertexCount(0), 26);
  EXPECT_EQ(figure.At(0, 3).x, 0.5);
  EXPECT_EQ(figure.At(0, 3).z, 9);
  EXPECT_EQ(figure.PartAt(0, 3), 8) << "the part of the vertex it was put before";
  EXPECT_EQ(figure.At(0, 4).x, 3);
  EXPECT_EQ(figure.At(0, 25).y, -24);

  figure.Erase(0, 0);
  EXPECT_EQ(figure.VertexCount(0), 25);
  EXPECT_EQ(figure.At(0, 0).x, 1);
  EXPECT_EQ(figure.PartAt(0, 1), 7);
  figure.Erase(0, 25);
  EXPECT_EQ(figure.VertexCount(0), 25) << "an index past the last vertex";
}

TEST(Figure, MeasuresOpenLineAndClosedRingsWithHolesSubtracted) {
  Figure figure(3);
  AddSquare(figure, 0, 0, 0, 10, false);
  EXPECT_EQ(figure.OpenMeasures().length, 30);
  EXPECT_EQ(figure.OpenMeasures().area, 0);
  EXPECT_EQ(figure.ClosedMeasures().length, 40);
  EXPECT_EQ(figure.ClosedMeasures().area, 100);

  // Area is summed with its sign: a hole drawn the other way round takes its area off.
  figure.StartRing(true);
  AddSquare(figure, 1, 2, 2, 2, true);
  EXPECT_EQ(figure.ClosedMeasures().area, 96);
  EXPECT_EQ(figure.ClosedMeasures().length, 48);
  figure.StartRing(true);
  figure.Append(2, {50, 50, 0}, 1);
  EXPECT_EQ(figure.ClosedMeasures().length, 48) << "a ring of one vertex adds nothing";
}
