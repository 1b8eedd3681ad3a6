#include "platform/record_memory.h"

#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(RecordMemory, AddressesAreNonzeroAlignedAndApart) {
  RecordMemory mem;
  std::vector<uint32_t> addrs;
  const size_t sizes[] = {0, 1, 7, 8, 9, 24, 100, 4096, 3};
  for (size_t n : sizes) {
    uint32_t a = mem.Alloc(n);
    ASSERT_NE(a, 0u) << "Alloc(" << n << ") failed";
    EXPECT_EQ(a % 8, 0u) << "Alloc(" << n << "): expected 8-aligned, got 0x" << std::hex << a;
    EXPECT_EQ(mem.BlockSize(a), n) << "expected size " << n << ", got " << mem.BlockSize(a);
    addrs.push_back(a);
  }
  std::set<uint32_t> unique(addrs.begin(), addrs.end());
  EXPECT_EQ(unique.size(), addrs.size()) << "addresses repeat";
  // Every address from the end of one block up to the next start belongs to no block.
  for (size_t i = 0; i + 1 < addrs.size(); ++i) {
    uint32_t end = addrs[i] + static_cast<uint32_t>(sizes[i]);
    ASSERT_LT(end, addrs[i + 1]);
    EXPECT_GE(addrs[i + 1] - end, RecordMemory::kGuard) << "expected a guard gap after block " << i;
    for (uint32_t a = end; a < addrs[i + 1]; ++a) {
      uint8_t byte;
      ASSERT_FALSE(mem.Read(a, &byte, 1)) << "read in the gap at 0x" << std::hex << a;
    }
  }
  EXPECT_EQ(mem.LiveBlockCount(), addrs.size());
  for (uint32_t a : addrs) EXPECT_TRUE(mem.Free(a));
  EXPECT_EQ(mem.LiveBlockCount(), 0u);
  EXPECT_EQ(mem.LiveBytes(), 0u);
}

TEST(RecordMemory, AccessOnlyInsideOneBlock) {
  RecordMemory mem;
  uint32_t a = mem.Alloc(16);
  uint32_t b = mem.Alloc(16);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  struct Case {
    const char* what;
    uint32_t addr;
    size_t n;
    bool ok;
  };
  const Case cases[] = {
      {"whole block", a, 16, true},
      {"last byte", a + 15, 1, true},
      {"empty at the end", a + 16, 0, true},
      {"one past the end", a + 16, 1, false},
      {"one too many", a, 17, false},
      {"ending in the next block", a + 8, static_cast<size_t>(b - a), false},
      {"before the block", a - 1, 2, false},
      {"address 0", 0, 1, false},
      {"huge length", a, std::numeric_limits<size_t>::max(), false},
      {"length that wraps 32 bits", a + 8, 0xFFFFFFFFu, false},
      {"top of the space", 0xFFFFFFFFu, 1, false},
      {"second block", b, 16, true},
  };
  std::vector<uint8_t> buf(64, 0xAB);
  for (const Case& c : cases) {
    // Lengths beyond the test buffer must fail before any byte moves.
    void* out = c.n <= buf.size() ? buf.data() : nullptr;
    bool r = mem.Read(c.addr, out, c.n);
    EXPECT_EQ(r, c.ok) << "Read " << c.what << ": expected " << c.ok << ", got " << r;
    bool w = mem.Write(c.addr, out, c.n);
    EXPECT_EQ(w, c.ok) << "Write " << c.what << ": expected " << c.ok << ", got " << w;
  }
}

TEST(RecordMemory, NewBlocksAreZeroedAndValuesAreLittleEndian) {
  RecordMemory mem;
  uint32_t a = mem.Alloc(32);
  ASSERT_NE(a, 0u);
  EXPECT_EQ(mem.ReadU32(a + 4).value_or(1), 0u) << "new blocks are zero-filled";
  const uint8_t bytes[] = {0xEF, 0xBE, 0xAD, 0xDE};
  ASSERT_TRUE(mem.Write(a + 4, bytes, sizeof bytes));
  EXPECT_EQ(mem.ReadU32(a + 4), std::optional<uint32_t>(0xDEADBEEFu)) << "little-endian as on Windows";
  EXPECT_FALSE(mem.ReadU32(a + 30).has_value()) << "crosses the end";
}

TEST(RecordMemory, FreeOnlyExactLiveStarts) {
  RecordMemory mem;
  uint32_t a = mem.Alloc(40);
  ASSERT_NE(a, 0u);
  struct Case {
    const char* what;
    uint32_t addr;
    bool ok;
  };
  const Case cases[] = {{"inside", a + 8, false}, {"zero", 0, false}, {"start", a, true}, {"again", a, false}};
  for (const Case& c : cases) EXPECT_EQ(mem.Free(c.addr), c.ok) << c.what << ": expected " << c.ok;
  EXPECT_FALSE(mem.IsLive(a));
  EXPECT_EQ(mem.BlockSize(a), 0u);
  uint8_t byte;
  EXPECT_FALSE(mem.Read(a, &byte, 1)) << "no access after free";
}

TEST(RecordMemory, FreedAddressesAreNotReusedAtOnce) {
  RecordMemory mem;
  uint32_t a = mem.Alloc(16);
  ASSERT_TRUE(mem.Free(a));
  std::set<uint32_t> seen;
  for (int i = 0; i < 100; ++i) {
    uint32_t b = mem.Alloc(16);
    EXPECT_NE(b, a) << "freed address came back on allocation " << i;
    seen.insert(b);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(RecordMemory, SmallSpaceFillsUpThenWraps) {
  RecordMemory mem(0x1000, 0x1000 + 16 * (8 + RecordMemory::kGuard));
  std::vector<uint32_t> addrs;
  for (;;) {
    uint32_t a = mem.Alloc(8);
    if (!a) break;
    addrs.push_back(a);
    ASSERT_LE(addrs.size(), 16u) << "more blocks than fit";
  }
  EXPECT_EQ(addrs.size(), 16u) << "expected 16 blocks, got " << addrs.size();
  ASSERT_TRUE(mem.Free(addrs[5]));
  uint32_t again = mem.Alloc(8);
  EXPECT_EQ(again, addrs[5]) << "the only gap is reused once the top is full";
  EXPECT_EQ(mem.Alloc(8), 0u);
  ASSERT_TRUE(mem.Free(addrs[3]));
  EXPECT_EQ(mem.Alloc(9), 0u) << "a 9-byte block needs more than the 8-byte hole";
}

TEST(RecordMemory, OversizedRequestsFail) {
  RecordMemory mem;
  const size_t sizes[] = {RecordMemory::kMaxBlock + 1, size_t{1} << 40, std::numeric_limits<size_t>::max()};
  for (size_t n : sizes) EXPECT_EQ(mem.Alloc(n), 0u) << "Alloc(" << n << ") should fail";
  EXPECT_EQ(mem.LiveBlockCount(), 0u);
  RecordMemory tiny(0x1000, 0x1100);
  EXPECT_EQ(tiny.Alloc(0x100), 0u) << "larger than the whole space";
}

TEST(RecordMemory, ProcessWideInstanceIsShared) {
  RecordMemory& m = QarnRecordMemory();
  EXPECT_EQ(&m, &QarnRecordMemory());
  size_t before = m.LiveBlockCount();
  uint32_t a = m.Alloc(8);
  ASSERT_NE(a, 0u);
  EXPECT_GE(a, 0x10000u) << "low addresses stay unused";
  EXPECT_TRUE(m.Free(a));
  EXPECT_EQ(m.LiveBlockCount(), before);
}

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
