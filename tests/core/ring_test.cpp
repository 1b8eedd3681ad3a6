#include <gtest/gtest.h>

#include <string>

#include "editcore/ring.h"

// Growth adds the smallest multiple of 20 that makes the index valid, and never shrinks.
TEST(RingGrowth, GrowsInStepsOfTwentyAndKeepsVertices) {
  struct Case {
    int32_t start;  // index first ensured, to reach a starting capacity
    int32_t index;
    int32_t expected;
  };
  const Case cases[] = {{0, 19, 20}, {0, 20, 40}, {0, 45, 60}, {0, 39, 40}, {0, 40, 60}, {45, 45, 60}, {45, 60, 80},
                      {70, 3, 80}};
  for (const Case& c : cases) {
    Ring ring;
    ring.EnsureIndex(c.start);
    ring.EnsureIndex(c.index);
    EXPECT_EQ(ring.capacity, c.expected) << "EnsureIndex(" << c.index << ") after EnsureIndex(" << c.start << ")";
  }
}

TEST(RingGrowth, CopiesTheOldVerticesIntoTheGrownArrays) {
  Ring ring;
  for (int i = 0; i < 20; ++i) {
    ring.x[i] = i;
    ring.y[i] = 100 + i;
    ring.z[i] = 200 + i;
    ring.part[i] = 300 + i;
  }
  ring.EnsureIndex(45);
  ASSERT_EQ(ring.capacity, 60);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(ring.x[i], i) << "x of vertex " << i;
    EXPECT_EQ(ring.y[i], 100 + i) << "y of vertex " << i;
    EXPECT_EQ(ring.z[i], 200 + i) << "z of vertex " << i;
    EXPECT_EQ(ring.part[i], 300 + i) << "part of vertex " << i;
  }
  for (int i = 20; i < 60; ++i) {
    EXPECT_TRUE(ring.x[i] == 0 && ring.y[i] == 0 && ring.z[i] == 0 && ring.part[i] == 0) << "new slot " << i << " not zero";
  }
  ring.x[59] = 5.5;  // the new slots are usable: the sanitizer build checks the write
}

// Rings moved into one shared block keep every slot (the vertices, what lies beyond the
// count, a fresh ring's fill of part), get zeroes in their new slots and never shrink;
// each coordinate of every ring follows the same coordinate of the ring before.
TEST(RingStorage, LayOutKeepsEverySlotAndPutsEachCoordinateSideBySide) {
  struct Case {
    int32_t grownTo;  // index first ensured
    int32_t asked;    // capacity asked of the layout
    int32_t expected;
  };
  const Case cases[] = {{0, 20, 20}, {0, 45, 45}, {70, 30, 80}, {30, 0, 40}, {0, 1, 20}};
  Ring rings[5];
  int32_t asked[5], before[5];
  for (int r = 0; r < 5; ++r) {
    rings[r].EnsureIndex(cases[r].grownTo);
    before[r] = rings[r].capacity;
    asked[r] = cases[r].asked;
    for (int32_t i = 0; i < before[r]; ++i) {
      rings[r].x[i] = r * 1000 + i;
      rings[r].y[i] = -r * 1000 - i;
      rings[r].z[i] = 0.5 * i;
      if (i >= 5) rings[r].part[i] = r + i;  // 0..4 keep their fill
    }
  }
  const int32_t freshPart = rings[0].part[0];
  ring_storage::LayOut(rings, asked, 5);
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE("ring " + std::to_string(r));
    ASSERT_EQ(rings[r].capacity, cases[r].expected);
    for (int32_t i = 0; i < rings[r].capacity; ++i) {
      const bool old = i < before[r];
      EXPECT_EQ(rings[r].x[i], old ? r * 1000 + i : 0) << i;
      EXPECT_EQ(rings[r].y[i], old ? -r * 1000 - i : 0) << i;
      EXPECT_EQ(rings[r].z[i], old ? 0.5 * i : 0) << i;
      EXPECT_EQ(rings[r].part[i], !old ? 0 : i < 5 ? freshPart : r + i) << i;
    }
    if (r > 0) {
      EXPECT_GT(rings[r].x, rings[r - 1].x + rings[r - 1].capacity - 1);
      EXPECT_LT(rings[r].x, rings[r - 1].x + rings[r - 1].capacity + 4) << "x arrays not side by side";
      EXPECT_LT(rings[r].y, rings[r - 1].y + rings[r - 1].capacity + 4) << "y arrays not side by side";
    }
  }
  EXPECT_EQ(freshPart, 0x01010101) << "the fill of a fresh ring's part";

  // A shared ring still grows, on its own, and the others keep their values; the block
  // goes with the last of its rings (the sanitizer build checks that it goes at all).
  rings[2].EnsureIndex(200);
  EXPECT_EQ(rings[2].x[79], 2079);
  EXPECT_EQ(rings[2].x[200], 0);
  EXPECT_EQ(rings[3].y[39], -3039);
  rings[3].x[39] = 7;
  EXPECT_EQ(rings[4].x[0], 4000) << "a write to one ring reached another";
}

// Arrays on their own and shares of a block are given back the same way.
TEST(RingStorage, ArraysOfEitherKindAreReleasedAlike) {
  double* own = ring_storage::NewDoubles(3);
  own[2] = 1.5;
  ring_storage::Release(own);
  ring_storage::Release(nullptr);
  Ring rings[2];
  const int32_t asked[2] = {40, 40};
  ring_storage::LayOut(rings, asked, 2);
  // Swapped out as undo keeps a ring's arrays: the block outlives the ring's own share.
  double* shared = rings[0].x;
  rings[0].x = ring_storage::NewDoubles(rings[0].capacity);
  shared[39] = 2.5;  // the sanitizer build checks the write
  ring_storage::Release(shared);
}
