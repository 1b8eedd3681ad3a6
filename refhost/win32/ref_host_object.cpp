#include "refhost/win32/ref_host_object.h"

#include "refhost/win32/desktop_watcher.h"

namespace {

LONG g_liveObjects = 0;

// The dispinterface of qarnref.idl: {14c29ddb-5ea5-41e7-a554-bf51786b36d3}.
const IID kHostDispatchIid = {0x14c29ddb, 0x5ea5, 0x41e7, {0xa5, 0x54, 0xbf, 0x51, 0x78, 0x6b, 0x36, 0xd3}};
// Its switches: {d3f1740a-94e2-4ca5-9058-3f26cff63d81}, answered by the same dispatch.
const IID kSwitchesIid = {0xd3f1740a, 0x94e2, 0x4ca5, {0x90, 0x58, 0x3f, 0x26, 0xcf, 0xf6, 0x3d, 0x81}};

}  // namespace

RefHostObject::RefHostObject() {
  InterlockedIncrement(&g_liveObjects);
  InstallDesktopWatcher();
  m_host = std::make_unique<ReferenceHost>();
}

RefHostObject::~RefHostObject() {
  m_host.reset();
  RemoveDesktopWatcher();
  InterlockedDecrement(&g_liveObjects);
}

LONG RefHostObject::LiveCount() { return g_liveObjects; }

HRESULT STDMETHODCALLTYPE RefHostObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kHostDispatchIid) ||
      IsEqualIID(riid, kSwitchesIid)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RefHostObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE RefHostObject::Release() {
  LONG refs = InterlockedDecrement(&m_refs);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE RefHostObject::GetTypeInfoCount(UINT* count) {
  return m_host->GetDispatch()->GetTypeInfoCount(count);
}

HRESULT STDMETHODCALLTYPE RefHostObject::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  return m_host->GetDispatch()->GetTypeInfo(index, lcid, info);
}

HRESULT STDMETHODCALLTYPE RefHostObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                       DISPID* ids) {
  return m_host->GetDispatch()->GetIDsOfNames(riid, names, count, lcid, ids);
}

HRESULT STDMETHODCALLTYPE RefHostObject::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                                VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  // A script may release its last reference from inside a call it makes on the host;
  // holding one here keeps the host alive until the call returns.
  AddRef();
  HRESULT hr = m_host->GetDispatch()->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
  Release();
  return hr;
}
