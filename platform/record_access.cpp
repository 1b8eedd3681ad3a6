// Record blocks in the record memory: a 32-bit address space of its own whose reads
// are bounds-checked, so a bad address from a container reads nothing.
#include "platform/record_access.h"
#include "platform/record_memory.h"

RECORDADDR RecordAlloc(size_t n) { return QarnRecordMemory().Alloc(n); }

void RecordFree(RECORDADDR addr) { QarnRecordMemory().Free(addr); }

bool RecordWrite(RECORDADDR addr, size_t offset, const void* data, size_t n) {
  if (offset > UINT32_MAX - addr) return false;
  return QarnRecordMemory().Write(addr + static_cast<uint32_t>(offset), data, n);
}

bool RecordRead(RECORDADDR addr, size_t offset, void* out, size_t n) {
  if (offset > UINT32_MAX - addr) return false;
  return QarnRecordMemory().Read(addr + static_cast<uint32_t>(offset), out, n);
}
