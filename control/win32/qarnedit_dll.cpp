// Entry points of QARNEDIT.OCX: loading, class objects and unloading.
#include <windows.h>
#include <ole2.h>

#include "control/qarnedit_ctrl.h"
#include "control/qarnedit_guids.h"
#include "control/win32/qarnedit_module.h"
#include "control/win32/qarnedit_proppages.h"
#include "platform/object_factory.h"
#include "platform/resources_api.h"
#include "platform/win32/ole_control_win32.h"

namespace {

HINSTANCE g_hInstance = nullptr;
LONG g_serverLocks = 0;

typedef IUnknown* (*CreateProc)();

IUnknown* CreateControl() { return static_cast<IDispatch*>(new CQarneditCtrl()); }
IUnknown* CreatePropPage() { return static_cast<IPropertyPage*>(new CQarneditPropPage()); }
IUnknown* CreatePropPage2() { return static_cast<IPropertyPage*>(new CQarneditPropPage2()); }

// One static factory per class; its references do not keep the module loaded
// (LockServer does), as COM expects of in-process servers.
class CClassFactory : public IClassFactory {
 public:
  CClassFactory(const CLSID& clsid, CreateProc create) : m_clsid(clsid), m_create(create) {}
  const CLSID& GetClassID() const { return m_clsid; }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }

  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    IUnknown* object = m_create();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();  // the creation reference: the caller's is the only one left
    return hr;
  }
  STDMETHOD(LockServer)(BOOL fLock) override {
    if (fLock)
      InterlockedIncrement(&g_serverLocks);
    else
      InterlockedDecrement(&g_serverLocks);
    return S_OK;
  }

 private:
  CLSID m_clsid;
  CreateProc m_create;
};

CClassFactory g_factories[] = {
    CClassFactory(CLSID_Qarnedit, &CreateControl),
    CClassFactory(CLSID_QarneditPropPage, &CreatePropPage),
    CClassFactory(CLSID_QarneditPropPage2, &CreatePropPage2),
};

}  // namespace

HINSTANCE QarneditModuleInstance() { return g_hInstance; }

bool QarneditModulePath(wchar_t* path, DWORD cch) {
  DWORD n = GetModuleFileNameW(g_hInstance, path, cch);
  return n > 0 && n < cch;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    g_hInstance = hInstance;
    DisableThreadLibraryCalls(hInstance);
    QarnSetResourceInstance(hInstance);
    QarnWin32RegisterControlTypeLib(CLSID_Qarnedit, LIBID_QARNEDITLib, 1, 0, hInstance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (CClassFactory& factory : g_factories)
    if (factory.GetClassID() == rclsid) return factory.QueryInterface(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Controls count themselves (as every framework object does) and the pages too.
STDAPI DllCanUnloadNow() {
  return (g_serverLocks == 0 && QarnGetObjectCount() == 0) ? S_OK : S_FALSE;
}
