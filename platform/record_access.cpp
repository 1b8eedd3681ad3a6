// Where entity records live. On 32-bit Windows a record address is a plain pointer,
// as the host expects; every read still checks that the pages are there, so a bad
// address from a container reads nothing. Elsewhere records live in the record
// memory, a 32-bit address space of its own whose reads are bounds-checked.
#include "platform/record_access.h"

#include <cstdlib>
#include <cstring>

#include "platform/record_memory.h"

#if QARN_RECORDS_ARE_POINTERS
#include <windows.h>

namespace {

// Whether [p, p + n) lies in committed pages that allow the access.
bool PagesAllow(const void* p, size_t n, bool write) {
  if (n == 0) return true;
  uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + n;
  if (end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<LPCVOID>(at), &info, sizeof(info)) == 0) return false;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & (write ? writable : readable))) return false;
    at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

void* Pointer(RECORDADDR addr, size_t offset) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(addr) + offset);
}

}  // namespace

RECORDADDR RecordAlloc(size_t n) {
  return static_cast<RECORDADDR>(reinterpret_cast<uintptr_t>(std::calloc(n ? n : 1, 1)));
}

RECORDADDR RecordAllocFilled(size_t n, void (*fill)(void*, void*), void* context) {
  void* bytes = std::malloc(n ? n : 1);
  if (!bytes) return 0;
  fill(context, bytes);
  return static_cast<RECORDADDR>(reinterpret_cast<uintptr_t>(bytes));
}

void RecordFree(RECORDADDR addr) { std::free(Pointer(addr, 0)); }

bool RecordWrite(RECORDADDR addr, size_t offset, const void* data, size_t n) {
  if (!addr || offset > UINT32_MAX - addr || !PagesAllow(Pointer(addr, offset), n, true)) return false;
  std::memcpy(Pointer(addr, offset), data, n);
  return true;
}

bool RecordRead(RECORDADDR addr, size_t offset, void* out, size_t n) {
  if (!addr || offset > UINT32_MAX - addr || !PagesAllow(Pointer(addr, offset), n, false)) return false;
  std::memcpy(out, Pointer(addr, offset), n);
  return true;
}

#else

RECORDADDR RecordAlloc(size_t n) { return QarnRecordMemory().Alloc(n); }

RECORDADDR RecordAllocFilled(size_t n, void (*fill)(void*, void*), void* context) {
  return QarnRecordMemory().AllocFilled(n, fill, context);
}

void RecordFree(RECORDADDR addr) { QarnRecordMemory().Free(addr); }

bool RecordWrite(RECORDADDR addr, size_t offset, const void* data, size_t n) {
  if (offset > UINT32_MAX - addr) return false;
  return QarnRecordMemory().Write(addr + static_cast<uint32_t>(offset), data, n);
}

bool RecordRead(RECORDADDR addr, size_t offset, void* out, size_t n) {
  if (offset > UINT32_MAX - addr) return false;
  return QarnRecordMemory().Read(addr + static_cast<uint32_t>(offset), out, n);
}

#endif
