#include <gtest/gtest.h>

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
  ring.x[59] = 5.5;  // the new slots are usable
  EXPECT_EQ(ring.x[59], 5.5);
}
