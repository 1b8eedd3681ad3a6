// QARNREF.DLL: the reference host as a self-registering, apartment-threaded in-process
// COM server ("QARNREF.RefHost.1", and the visible view control "QARNREF.RefView.1"),
// with the host's type library as resource TYPELIB 1.
#include <windows.h>
#include <olectl.h>

#include <new>
#include <string>

#include "refhost/win32/qarnref_ids.h"
#include "refhost/win32/ref_host_object.h"
#include "refhost/win32/ref_view_control.h"

namespace {

HINSTANCE g_module = nullptr;
LONG g_serverLocks = 0;

template <class Object>
class ObjectFactory final : public IClassFactory {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // One static factory: its lifetime is the module's, the server lock counts for it.
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Object* object = new (std::nothrow) Object();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  STDMETHOD(LockServer)(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_serverLocks);
    else
      InterlockedDecrement(&g_serverLocks);
    return S_OK;
  }
};

ObjectFactory<RefHostObject> g_hostFactory;
ObjectFactory<RefViewControl> g_viewFactory;

std::string ModulePath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

// Writes key\value (the default value when name is null) under HKEY_CLASSES_ROOT.
bool SetClassesValue(const std::string& key, const char* name, const std::string& value) {
  HKEY h = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

void DeleteClassesTree(const std::string& key) { RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()); }

// The view control's keys: a control (so containers list it) with its misc status,
// its server, ProgIDs and the type library that describes its class.
bool RegisterViewControl(const std::string& path) {
  const std::string key = std::string("CLSID\\") + QARNREF_VIEW_CLSID_TEXT;
  const std::string description = "Reference host view control (window)";
  return SetClassesValue(key, nullptr, description) && SetClassesValue(key + "\\Control", nullptr, "") &&
         SetClassesValue(key + "\\MiscStatus", nullptr, "0") &&
         SetClassesValue(key + "\\MiscStatus\\1", nullptr, std::to_string(kRefViewMiscStatus)) &&
         SetClassesValue(key + "\\InprocServer32", nullptr, path) &&
         SetClassesValue(key + "\\InprocServer32", "ThreadingModel", "Apartment") &&
         SetClassesValue(key + "\\ProgID", nullptr, QARNREF_VIEW_PROGID) &&
         SetClassesValue(key + "\\VersionIndependentProgID", nullptr, QARNREF_VIEW_PROGID_INDEPENDENT) &&
         SetClassesValue(key + "\\TypeLib", nullptr, QARNREF_LIBID_TEXT) &&
         SetClassesValue(key + "\\Version", nullptr, "1.0") &&
         SetClassesValue(QARNREF_VIEW_PROGID, nullptr, description) &&
         SetClassesValue(std::string(QARNREF_VIEW_PROGID) + "\\CLSID", nullptr, QARNREF_VIEW_CLSID_TEXT) &&
         SetClassesValue(QARNREF_VIEW_PROGID_INDEPENDENT, nullptr, description) &&
         SetClassesValue(std::string(QARNREF_VIEW_PROGID_INDEPENDENT) + "\\CLSID", nullptr,
                         QARNREF_VIEW_CLSID_TEXT) &&
         SetClassesValue(std::string(QARNREF_VIEW_PROGID_INDEPENDENT) + "\\CurVer", nullptr, QARNREF_VIEW_PROGID);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualCLSID(clsid, kRefHostClsid)) return g_hostFactory.QueryInterface(riid, ppv);
  if (IsEqualCLSID(clsid, kRefViewClsid)) return g_viewFactory.QueryInterface(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return RefHostObject::LiveCount() == 0 && RefViewControl::LiveCount() == 0 && g_serverLocks == 0 ? S_OK
                                                                                                : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::string path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  const std::string clsidKey = std::string("CLSID\\") + QARNREF_CLSID_TEXT;
  const std::string description = "Reference host view control";
  bool ok = SetClassesValue(clsidKey, nullptr, description) &&
            SetClassesValue(clsidKey + "\\InprocServer32", nullptr, path) &&
            SetClassesValue(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
            SetClassesValue(clsidKey + "\\ProgID", nullptr, QARNREF_PROGID) &&
            SetClassesValue(clsidKey + "\\VersionIndependentProgID", nullptr, QARNREF_PROGID_INDEPENDENT) &&
            SetClassesValue(clsidKey + "\\TypeLib", nullptr, QARNREF_LIBID_TEXT) &&
            SetClassesValue(clsidKey + "\\Version", nullptr, "1.0") &&
            SetClassesValue(QARNREF_PROGID, nullptr, description) &&
            SetClassesValue(std::string(QARNREF_PROGID) + "\\CLSID", nullptr, QARNREF_CLSID_TEXT) &&
            SetClassesValue(QARNREF_PROGID_INDEPENDENT, nullptr, description) &&
            SetClassesValue(std::string(QARNREF_PROGID_INDEPENDENT) + "\\CLSID", nullptr, QARNREF_CLSID_TEXT) &&
            SetClassesValue(std::string(QARNREF_PROGID_INDEPENDENT) + "\\CurVer", nullptr, QARNREF_PROGID);
  if (!ok || !RegisterViewControl(path)) return SELFREG_E_CLASS;
  // The type library is the module's own resource; registering it lets a type library
  // that imports it (the editor's) resolve the host's interface.
  std::wstring widePath(path.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), static_cast<int>(widePath.size()));
  if (n <= 0) return SELFREG_E_TYPELIB;
  ITypeLib* typeLib = nullptr;
  if (FAILED(LoadTypeLibEx(widePath.c_str(), REGKIND_REGISTER, &typeLib))) return SELFREG_E_TYPELIB;
  typeLib->Release();
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  DeleteClassesTree(std::string("CLSID\\") + QARNREF_CLSID_TEXT);
  DeleteClassesTree(QARNREF_PROGID);
  DeleteClassesTree(QARNREF_PROGID_INDEPENDENT);
  DeleteClassesTree(std::string("CLSID\\") + QARNREF_VIEW_CLSID_TEXT);
  DeleteClassesTree(QARNREF_VIEW_PROGID);
  DeleteClassesTree(QARNREF_VIEW_PROGID_INDEPENDENT);
  UnRegisterTypeLib(kQarnocxLibid, QARNREF_TLB_MAJOR, QARNREF_TLB_MINOR, LOCALE_NEUTRAL,
                    sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  return S_OK;
}
