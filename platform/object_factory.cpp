#include "platform/object_factory.h"
#include "platform/cstring.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct ClassEntry {
  CLSID clsid;
  std::string progId;
  QARN_CREATEPROC create;
};

std::mutex g_lock;
std::atomic<LONG> g_objects{0};

std::vector<ClassEntry>& Registry() {
  static std::vector<ClassEntry> entries;
  return entries;
}

}  // namespace

HRESULT QarnRegisterClass(const CLSID& clsid, const char* progId, QARN_CREATEPROC create) {
  if (!create) return E_INVALIDARG;
  std::lock_guard<std::mutex> guard(g_lock);
  for (ClassEntry& e : Registry()) {
    if (e.clsid == clsid) {
      e.progId = progId ? progId : "";
      e.create = create;
      return S_OK;
    }
  }
  Registry().push_back({clsid, progId ? progId : "", create});
  return S_OK;
}

HRESULT QarnUnregisterClass(const CLSID& clsid) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto& reg = Registry();
  for (auto it = reg.begin(); it != reg.end(); ++it) {
    if (it->clsid == clsid) {
      reg.erase(it);
      return S_OK;
    }
  }
  return S_FALSE;
}

#if !defined(_WIN32)  // ole32 has these on Windows
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  std::string name = QarnUtf8FromWide(lpszProgID, QarnWideLength(lpszProgID));
  std::lock_guard<std::mutex> guard(g_lock);
  for (const ClassEntry& e : Registry()) {
    if (!e.progId.empty() && QarnEqualNoCase(e.progId, name)) {
      *lpclsid = e.clsid;
      return S_OK;
    }
  }
  *lpclsid = IID_NULL;
  return CO_E_CLASSSTRING;
}

int StringFromGUID2(REFGUID g, LPOLESTR lpsz, int cchMax) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  int n = static_cast<int>(std::strlen(buf)) + 1;
  if (!lpsz || cchMax < n) return 0;
  for (int i = 0; i < n; ++i) lpsz[i] = static_cast<OLECHAR>(buf[i]);
  return n;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  QARN_CREATEPROC create = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    for (const ClassEntry& e : Registry())
      if (e.clsid == rclsid) {
        create = e.create;
        break;
      }
  }
  if (!create) return REGDB_E_CLASSNOTREG;
  IUnknown* obj = create();
  if (!obj) return E_OUTOFMEMORY;
  const HRESULT hr = obj->QueryInterface(riid, ppv);
  obj->Release();  // the creation reference; the interface pointer keeps its own
  return hr;
}

#endif  // !_WIN32

HRESULT QarnCreateObjectByProgID(const char* progId, IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = nullptr;
  if (!progId) return E_INVALIDARG;
  QarnWideString wide = QarnWideFromUtf8(progId);
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(ppDisp));
}

void QarnObjectCreated() { ++g_objects; }
void QarnObjectDestroyed() { --g_objects; }
LONG QarnGetObjectCount() { return g_objects.load(); }
