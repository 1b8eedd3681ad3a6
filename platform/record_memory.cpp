#include "platform/record_memory.h"

#include <cstdio>
#include <cstring>
#if defined(_WIN32)
#include <windows.h>
#endif
#include <iterator>
#include <new>

namespace {
uint64_t RoundUp8(uint64_t v) { return (v + 7) & ~uint64_t{7}; }
}  // namespace

RecordMemory::RecordMemory(uint32_t first, uint32_t limit) {
  m_first = RoundUp8(first == 0 ? 8 : first);
  m_limit = limit & ~uint32_t{7};
  if (m_limit < m_first) m_limit = m_first;
  m_next = m_first;
}

std::optional<uint64_t> RecordMemory::FindGap(uint64_t from, uint64_t need) const {
  uint64_t cand = from;
  auto it = m_blocks.upper_bound(static_cast<uint32_t>(from > UINT32_MAX ? UINT32_MAX : from));
  if (it != m_blocks.begin()) {
    auto before = std::prev(it);
    uint64_t end = uint64_t{before->first} + before->second.span;
    if (end > cand) cand = end;
  }
  for (;;) {
    uint64_t gapEnd = it == m_blocks.end() ? m_limit : uint64_t{it->first};
    if (cand + need <= gapEnd) return cand;
    if (it == m_blocks.end()) return std::nullopt;
    uint64_t end = uint64_t{it->first} + it->second.span;
    if (end > cand) cand = end;
    ++it;
  }
}

namespace {
// The bytes of a block of n (at least one byte, so that every block has an address of
// its own); null when n is over the limit or memory is short.
std::unique_ptr<uint8_t[]> NewBlockBytes(size_t n, size_t limit, bool zeroed) {
  if (n > limit) return nullptr;
  try {
    const size_t size = n == 0 ? 1 : n;
    return zeroed ? std::make_unique<uint8_t[]>(size) : std::make_unique_for_overwrite<uint8_t[]>(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
}  // namespace

uint32_t RecordMemory::Alloc(size_t n) {
  std::unique_ptr<uint8_t[]> bytes = NewBlockBytes(n, kMaxBlock, true);
  return bytes ? Place(n, std::move(bytes)) : 0;
}

uint32_t RecordMemory::AllocFilled(size_t n, void (*fill)(void*, void*), void* context) {
  std::unique_ptr<uint8_t[]> bytes = NewBlockBytes(n, kMaxBlock, false);
  if (!bytes) return 0;
  fill(context, bytes.get());  // outside the lock: nothing can see the block yet
  return Place(n, std::move(bytes));
}

uint32_t RecordMemory::Place(size_t n, std::unique_ptr<uint8_t[]> bytes) {
  uint64_t span = RoundUp8(n) + kGuard;
  std::lock_guard<std::mutex> guard(m_lock);
  if (span > m_limit - m_first) return 0;
  // Next fit from where the last block ended; wrap to the start only when the top is used.
  std::optional<uint64_t> at = FindGap(m_next, span);
  if (!at) at = FindGap(m_first, span);
  if (!at) return 0;
  Block block{n, span, std::move(bytes)};
  uint32_t addr = static_cast<uint32_t>(*at);
  m_blocks.emplace(addr, std::move(block));
  m_next = *at + span;
  m_liveBytes += n;
  return addr;
}

bool RecordMemory::Free(uint32_t addr) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_blocks.find(addr);
  if (it == m_blocks.end()) return false;
  m_liveBytes -= it->second.size;
  m_blocks.erase(it);
  return true;
}

const RecordMemory::Block* RecordMemory::Find(uint32_t addr, size_t n, uint32_t* start) const {
  auto it = m_blocks.upper_bound(addr);
  if (it == m_blocks.begin()) return nullptr;
  --it;
  uint64_t offset = uint64_t{addr} - it->first;
  // Both sides stay in 64 bits, so addr + n cannot wrap past the block's end.
  if (offset > it->second.size || n > it->second.size - offset) return nullptr;
  *start = it->first;
  return &it->second;
}

bool RecordMemory::Read(uint32_t addr, void* out, size_t n) const {
  std::lock_guard<std::mutex> guard(m_lock);
  uint32_t start = 0;
  const Block* b = Find(addr, n, &start);
  if (!b) return false;
  if (n) std::memcpy(out, b->bytes.get() + (addr - start), n);
  return true;
}

bool RecordMemory::Write(uint32_t addr, const void* in, size_t n) {
  std::lock_guard<std::mutex> guard(m_lock);
  uint32_t start = 0;
  const Block* b = Find(addr, n, &start);
  if (!b) return false;
  if (n) std::memcpy(b->bytes.get() + (addr - start), in, n);
  return true;
}

size_t RecordMemory::BlockSize(uint32_t addr) const {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_blocks.find(addr);
  return it == m_blocks.end() ? 0 : it->second.size;
}

bool RecordMemory::IsLive(uint32_t addr) const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_blocks.count(addr) != 0;
}

size_t RecordMemory::LiveBlockCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_blocks.size();
}

size_t RecordMemory::LiveBytes() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_liveBytes;
}

#if defined(_WIN32)
namespace {

// The control writes records that the host reads, and each module links its own copy
// of this code: the first module to ask makes the process's record memory and publishes
// its address under a name of the process; the others find it there. It lives as long
// as the process, so a module that unloads first takes nothing with it.
RecordMemory* FindOrMakeProcessRecordMemory() {
  char name[64];
  std::snprintf(name, sizeof(name), "Local\\QarnRecordMemory-%lu", static_cast<unsigned long>(GetCurrentProcessId()));
  char lockName[72];
  std::snprintf(lockName, sizeof(lockName), "%s-lock", name);
  HANDLE lock = CreateMutexA(nullptr, FALSE, lockName);
  if (lock) WaitForSingleObject(lock, INFINITE);
  RecordMemory* memory = nullptr;
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(RecordMemory*), name);
  const bool existed = mapping && GetLastError() == ERROR_ALREADY_EXISTS;
  void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(RecordMemory*)) : nullptr;
  if (view && existed) std::memcpy(&memory, view, sizeof(memory));
  if (!memory) {
    memory = new RecordMemory();
    if (view) std::memcpy(view, &memory, sizeof(memory));
  }
  // The mapping stays open (its handle is never closed) so the name lives with the process.
  if (view) UnmapViewOfFile(view);
  if (lock) {
    ReleaseMutex(lock);
    CloseHandle(lock);
  }
  return memory;
}

}  // namespace

RecordMemory& QarnRecordMemory() {
  static RecordMemory* memory = FindOrMakeProcessRecordMemory();
  return *memory;
}
#else
RecordMemory& QarnRecordMemory() {
  static RecordMemory memory;
  return memory;
}
#endif
