#include "editcore/figure.h"

#include <cmath>
#include <utility>

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
  figure.Append(2, {50, 53, 0}, 1);
  EXPECT_EQ(figure.ClosedMeasures().area, 96) << "a ring of two vertices adds no area";
  EXPECT_EQ(figure.ClosedMeasures().length, 54) << "but its side there and back";
}

namespace {

// The same rings in a figure that has never measured anything: its measures are the
// full computation the kept sums must equal bit for bit.
Figure::Measures FreshMeasures(const Figure& figure, bool closed) {
  Figure fresh(figure.RingArrayLength());
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    if (r > 0) fresh.StartRing(figure.IsHole(r));
    for (int32_t i = 0; i < figure.VertexCount(r); ++i) fresh.Append(r, figure.At(r, i), figure.PartAt(r, i));
  }
  return closed ? fresh.ClosedMeasures() : fresh.OpenMeasures();
}

void ExpectFreshMeasures(const Figure& figure, const char* after) {
  const Figure::Measures open = figure.OpenMeasures(), closed = figure.ClosedMeasures();
  const Figure::Measures freshOpen = FreshMeasures(figure, false), freshClosed = FreshMeasures(figure, true);
  EXPECT_EQ(open.length, freshOpen.length) << after;
  EXPECT_EQ(closed.length, freshClosed.length) << after;
  EXPECT_EQ(closed.area, freshClosed.area) << after;
}

// Coordinates whose sums round at every step, so that a different order would show.
Point3 Irregular(int i) { return {std::sin(i * 1.7) * 1e3 + i * 0.1, std::cos(i * 0.9) * 1e4 / (i + 1), 0}; }

}  // namespace

TEST(Figure, MeasuresKeptWhileDrawingEqualAFullComputationToTheBit) {
  Figure figure(3);
  for (int i = 0; i < 300; ++i) {
    figure.Append(0, Irregular(i), 1);
    ExpectFreshMeasures(figure, "an appended vertex");
  }
  figure.StartRing(true);
  for (int i = 0; i < 50; ++i) {
    figure.Append(1, Irregular(1000 + i), 1);
    ExpectFreshMeasures(figure, "a vertex appended to a hole");
  }
  // Appending to an earlier ring while a later one holds the kept sums.
  figure.Append(0, Irregular(7), 1);
  ExpectFreshMeasures(figure, "a vertex appended to the first ring");
}

TEST(Figure, EveryChangeToTheVerticesStartsTheKeptMeasuresOver) {
  Figure figure(3);
  for (int i = 0; i < 40; ++i) figure.Append(0, Irregular(i), 1);
  figure.StartRing(false);
  for (int i = 0; i < 40; ++i) figure.Append(1, Irregular(100 + i), 1);
  ExpectFreshMeasures(figure, "the start");

  figure.Set(0, 5, {1, 2, 0});
  ExpectFreshMeasures(figure, "Set in the first ring");
  figure.Set(1, 39, {-7, 3, 0});
  ExpectFreshMeasures(figure, "Set of the last vertex");
  figure.Insert(1, 0, {9, 9, 0});
  ExpectFreshMeasures(figure, "Insert");
  figure.Erase(0, 10);
  ExpectFreshMeasures(figure, "Erase");
  figure.SetVertexCount(1, 20);
  ExpectFreshMeasures(figure, "a shorter count");
  figure.SetVertexCount(1, 30);  // the old vertices 20..29 come back
  ExpectFreshMeasures(figure, "a longer count");
  figure.Xs(0)[0] += 1;
  ExpectFreshMeasures(figure, "a write through Xs");
  figure.Ys(1)[3] -= 5;
  ExpectFreshMeasures(figure, "a write through Ys");
  figure.Vertices(1).x[25] *= 2;
  ExpectFreshMeasures(figure, "a write through Vertices");
  figure.RingArray()[0].y[1] = 0;
  ExpectFreshMeasures(figure, "a write through RingArray");

  // A ring's arrays swapped for others, as an undo may restore them.
  Ring saved;
  saved.EnsureIndex(30);
  for (int i = 0; i < 30; ++i) {
    saved.x[i] = i;
    saved.y[i] = i * i;
  }
  Ring& live = figure.Vertices(1);
  std::swap(live.x, saved.x);
  std::swap(live.y, saved.y);
  std::swap(live.z, saved.z);
  std::swap(live.part, saved.part);
  std::swap(live.capacity, saved.capacity);
  ExpectFreshMeasures(figure, "swapped arrays");

  figure.SetRingCount(1);
  ExpectFreshMeasures(figure, "a ring dropped");
  figure.SetRingCount(2);
  ExpectFreshMeasures(figure, "the ring taken back");
  figure.Clear();
  ExpectFreshMeasures(figure, "Clear");
  figure.Append(0, {1, 1, 0}, 1);
  figure.Append(0, {4, 5, 0}, 1);
  EXPECT_EQ(figure.OpenMeasures().length, 5) << "nothing of the cleared figure is left in the sums";
}
