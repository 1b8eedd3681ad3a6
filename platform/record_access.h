// Access to entity records and their blocks by 32-bit address.
#pragma once

#include <cstddef>

#include "platform/abi.h"

// Record blocks live where records live: plain memory on 32-bit Windows, the
// record memory elsewhere. Every read is checked.
RECORDADDR RecordAlloc(size_t n);
// A block of n bytes that fill(context, bytes) writes, every one of them, before the
// block has an address: a large block written whole is then not zeroed first. It lands
// where RecordAlloc(n) would have.
RECORDADDR RecordAllocFilled(size_t n, void (*fill)(void* context, void* bytes), void* context);
void RecordFree(RECORDADDR addr);
bool RecordWrite(RECORDADDR addr, size_t offset, const void* data, size_t n);
bool RecordRead(RECORDADDR addr, size_t offset, void* out, size_t n);

template <typename T>
bool RecordPut(RECORDADDR addr, size_t offset, T value) {
  return RecordWrite(addr, offset, &value, sizeof(T));
}
template <typename T>
bool RecordGet(RECORDADDR addr, size_t offset, T& value) {
  return RecordRead(addr, offset, &value, sizeof(T));
}
