// Fuzz target for the PE resource walk and the VS_VERSIONINFO tree queries. The input is
// tried both as a whole PE image and as a bare version resource.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/mutator.h"
#include "platform/version_resource.h"

namespace qarn_fuzz {

inline void RequireVersion(bool ok) {
  if (!ok) std::abort();
}

// Byte edits; the 32-bit ones favour the sizes and offsets of the PE and resource headers.
inline const Mutations& VersionMutations() {
  static const Mutations m{4, {0, 0xFFFFFFFFu, 0x7FFFFFFF, 0x80000000u, 0x10000, 0x1000}, {}, {}, 0};
  return m;
}

inline void QueryAll(const uint8_t* resource, size_t length) {
  DWORD need = QarnVersionInfoBufferSize(resource, length);
  if (need == 0) return;
  RequireVersion(need >= 6);
  // Full buffer and a cut one: both must keep every query inside the buffer.
  for (DWORD len : {need, need / 2, DWORD{7}}) {
    // The vector holds exactly len bytes, so AddressSanitizer sees any read past it.
    std::vector<uint8_t> block(len);
    if (!QarnFillVersionInfoBuffer(resource, length, len, block.data())) continue;
    if (len < 6) continue;
    static const char* kPaths[] = {"\\",
                                   "",
                                   "\\VarFileInfo\\Translation",
                                   "\\StringFileInfo",
                                   "\\StringFileInfo\\040904b0\\FileVersion",
                                   "\\StringFileInfo\\040904B0\\companyname",
                                   "\\StringFileInfo\\040904e4\\ProductName",
                                   "\\\\VarFileInfo\\\\",
                                   "\\x\\y\\z"};
    for (const char* path : kPaths) {
      void* value = nullptr;
      UINT size = 0;
      if (VerQueryValueA(block.data(), path, &value, &size)) {
        const uint8_t* v = static_cast<const uint8_t*>(value);
        RequireVersion(v >= block.data() && v + size <= block.data() + block.size());
      }
    }
  }
}

inline void VersionOneInput(const uint8_t* data, size_t size) {
  size_t offset = 0, length = 0;
  if (QarnFindVersionResource(data, size, &offset, &length)) {
    RequireVersion(offset <= size && length <= size - offset);
    QueryAll(data + offset, length);
  }
  QueryAll(data, size);
}

}  // namespace qarn_fuzz

#ifndef QARN_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarn_fuzz::VersionOneInput(data, size);
  return 0;
}
#endif
