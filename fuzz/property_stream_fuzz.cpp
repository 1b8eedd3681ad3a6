// libFuzzer entry over the property stream loader. Invariants checked:
// a refused stream leaves the control exactly as it was; an accepted one saves
// back to a stream that loads again and saves identically.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/prop_exchange.h"
#include "tests/dispatch/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
  return 0;
}
