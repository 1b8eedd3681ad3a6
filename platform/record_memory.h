// A 32-bit address space of its own where entity records live: the stand-in for the
// 32-bit pointers the records held on 32-bit Windows. Addresses are plain numbers; every
// access is checked to lie inside one live block, so a stale or overrunning address
// fails instead of touching other memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

class RecordMemory {
 public:
  // Addresses come from [first, limit); both are rounded to 8. The default leaves the
  // low 64 KiB unused so that small integers never pass for record addresses.
  explicit RecordMemory(uint32_t first = 0x00010000u, uint32_t limit = 0xFFFF0000u);
  RecordMemory(const RecordMemory&) = delete;
  RecordMemory& operator=(const RecordMemory&) = delete;

  // Largest block one call may ask for.
  static constexpr size_t kMaxBlock = size_t{256} << 20;
  // Unused bytes after every block, so an address just past one block is in no block.
  static constexpr uint32_t kGuard = 64;

  // A zero-filled block; its address is nonzero and 8-aligned. 0 when n is too big or
  // the space is full. Alloc(0) gives a distinct address of a block of size 0.
  uint32_t Alloc(size_t n);
  // A block of n bytes that fill(context, bytes) writes whole before it is placed, where
  // Alloc(n) would have placed it; not zeroed first.
  uint32_t AllocFilled(size_t n, void (*fill)(void* context, void* bytes), void* context);
  // Only the exact start of a live block; a second Free of it fails.
  bool Free(uint32_t addr);

  // Succeed only when [addr, addr + n) lies inside one live block.
  bool Read(uint32_t addr, void* out, size_t n) const;
  bool Write(uint32_t addr, const void* in, size_t n);

  std::optional<uint32_t> ReadU32(uint32_t addr) const {
    uint32_t v;
    if (!Read(addr, &v, sizeof v)) return std::nullopt;
    return v;
  }

  // Size asked for at Alloc; 0 when addr is not the start of a live block.
  size_t BlockSize(uint32_t addr) const;
  // True when addr is the start of a live block.
  bool IsLive(uint32_t addr) const;
  size_t LiveBlockCount() const;
  size_t LiveBytes() const;

 private:
  struct Block {
    size_t size;
    uint64_t span;  // size rounded up to 8, plus the guard
    std::unique_ptr<uint8_t[]> bytes;
  };

  // The block holding [addr, addr + n), or nullptr.
  const Block* Find(uint32_t addr, size_t n, uint32_t* start) const;
  std::optional<uint64_t> FindGap(uint64_t from, uint64_t need) const;
  // Gives the block an address; 0 when the space is full.
  uint32_t Place(size_t n, std::unique_ptr<uint8_t[]> bytes);

  mutable std::mutex m_lock;
  std::map<uint32_t, Block> m_blocks;  // keyed by start address
  uint64_t m_first;
  uint64_t m_limit;
  uint64_t m_next;  // where the next search starts, so freed addresses are not reused at once
  size_t m_liveBytes = 0;
};

// The process-wide record space.
RecordMemory& QarnRecordMemory();
