// Fuzz target for the property stream loader. Invariants checked: a refused stream
// leaves the control exactly as it was; an accepted one saves back to a stream that
// loads again and saves identically.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/mutator.h"
#include "platform/prop_exchange.h"
#include "tests/dispatch/test_support.h"

namespace qarn_fuzz {

inline const Mutations& PropertyStreamMutations() {
  static const Mutations m{4, {0, 0xFFFFFFFFu, 0x7FFFFFFF, 0x80000000u, 0x100000}, {}, {}, 0};
  return m;
}

inline void PropertyStreamOneInput(const uint8_t* data, size_t size) {
  auto* ctrl = new CTestCtrl();
  ctrl->m_caption = "before";
  ctrl->m_longProp = -5;
  std::vector<BYTE> before;
  QarnSaveToStream(ctrl, before);
  HRESULT hr = QarnLoadFromStream(ctrl, data, size);
  std::vector<BYTE> after;
  QarnSaveToStream(ctrl, after);
  if (FAILED(hr)) {
    if (after != before) std::abort();
  } else {
    auto* other = new CTestCtrl();
    if (FAILED(QarnLoadFromStream(other, after.data(), after.size()))) std::abort();
    std::vector<BYTE> again;
    QarnSaveToStream(other, again);
    if (again != after) std::abort();
    other->Release();
  }
  ctrl->Release();
}

}  // namespace qarn_fuzz

#ifndef QARN_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarn_fuzz::PropertyStreamOneInput(data, size);
  return 0;
}
#endif
