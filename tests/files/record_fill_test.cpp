#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/record_memory.h"

namespace {

void FillCounting(void* context, void* bytes) {
  const size_t n = *static_cast<const size_t*>(context);
  auto* out = static_cast<uint8_t*>(bytes);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
}

// A block filled on allocation takes the address a zeroed one would have, frees and
// reuses space like one, and holds exactly what the fill wrote, bounds included.
TEST(RecordMemoryFilled, LandsWhereAllocWouldAndHoldsTheFill) {
  RecordMemory zeroed(0x10000, 0x30000), filled(0x10000, 0x30000);
  const size_t sizes[] = {24, 0, 4096, 9, 60000, 100};
  std::vector<uint32_t> a, b;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    size_t n = sizes[i];
    a.push_back(zeroed.Alloc(n));
    b.push_back(filled.AllocFilled(n, FillCounting, &n));
    EXPECT_EQ(a.back(), b.back()) << "block " << i;
    EXPECT_EQ(filled.BlockSize(b.back()), n);
    if (i == 2) {  // a freed block is passed over and later reused the same way
      EXPECT_TRUE(zeroed.Free(a[0]));
      EXPECT_TRUE(filled.Free(b[0]));
    }
  }
  size_t big = 200000;  // beyond what is left of the space
  EXPECT_EQ(zeroed.Alloc(big), 0u);
  EXPECT_EQ(filled.AllocFilled(big, FillCounting, &big), 0u);

  std::vector<uint8_t> bytes(sizes[4]);
  ASSERT_TRUE(filled.Read(b[4], bytes.data(), bytes.size()));
  for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], static_cast<uint8_t>(i * 7 + 1)) << i;
  uint8_t one = 0;
  EXPECT_FALSE(filled.Read(b[4] + static_cast<uint32_t>(sizes[4]), &one, 1)) << "the guard after it";
  EXPECT_EQ(filled.LiveBytes(), zeroed.LiveBytes());
}

}  // namespace
