#include "platform/cmd_target.h"

#include <cstring>

#include "platform/dispatch_driver.h"
#include "platform/object_factory.h"

// ---------------------------------------------------------------- marshalling helpers

namespace afx_disp {

HRESULT ToVt(const VARIANT& src, VARTYPE vt, VARIANT& dst) { return VariantChangeType(&dst, &src, 0, vt); }

HRESULT ToColor(const VARIANT& src, ULONG& out) {
  CQarnVariant v;
  HRESULT hr = VariantChangeType(&v, &src, 0, VT_I4);
  if (SUCCEEDED(hr)) {
    out = static_cast<ULONG>(v.lVal);
    return S_OK;
  }
  // Colours above 0x7FFFFFFF arrive unsigned from some callers (Python ints).
  if (hr != DISP_E_OVERFLOW) return hr;
  hr = VariantChangeType(&v, &src, 0, VT_UI4);
  if (SUCCEEDED(hr)) out = v.ulVal;
  return hr;
}

VARTYPE ParamVt(const AFX_DISPMAP_ENTRY& e, size_t i) {
  return e.pbParams ? QarnVtFromVtsByte(static_cast<BYTE>(e.pbParams[i])) : static_cast<VARTYPE>(VT_EMPTY);
}

}  // namespace afx_disp

// ---------------------------------------------------------------- CCmdTarget

namespace {

void FillInfo(QARN_MEMBERINFO* p, const char* name, DISPID id, DWORD kind, VARTYPE vt, UINT cParams,
              BOOL readOnly) {
  p->bstrName = QarnBstrFromUtf8(name);
  p->dispid = id;
  p->kind = kind;
  p->vtResult = vt;
  p->cParams = cParams;
  p->bReadOnly = readOnly;
}

void FillEntryInfo(QARN_MEMBERINFO* p, const AFX_DISPMAP_ENTRY& e) {
  bool method = e.kind == AfxDispKind::Method;
  FillInfo(p, e.lpszName, e.lDispID, method ? QARN_MEMBER_METHOD : QARN_MEMBER_PROPERTY, e.vt,
           method ? QarnVtsCount(e.pbParams) : 0, !method && !e.pfnSet);
}

}  // namespace

CCmdTarget::CCmdTarget() { QarnObjectCreated(); }

CCmdTarget::~CCmdTarget() { QarnObjectDestroyed(); }

const AFX_DISPMAP_ENTRY* CCmdTarget::FindDispEntry(DISPID dispid) const {
  for (const AFX_DISPMAP_ENTRY& e : GetDispatchMap())
    if (e.lDispID == dispid) return &e;
  return nullptr;
}

LPDISPATCH CCmdTarget::GetIDispatch(BOOL bAddRef) {
  if (bAddRef) AddRef();
  return static_cast<IDispatch*>(this);
}

void CCmdTarget::ThrowError(SCODE sc, LPCSTR pszDescription) {
  m_errorPending = true;
  m_errorCode = sc;
  m_errorDescription = pszDescription ? pszDescription : "";
}

void* CCmdTarget::GetInterfaceHook(REFIID) { return nullptr; }

void CCmdTarget::OnFinalRelease() { delete this; }

HRESULT CCmdTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch)
    *ppv = static_cast<IDispatch*>(this);
  else if (riid == IID_IQarnMemberInfo)
    *ppv = static_cast<IQarnMemberInfo*>(this);
  else
    *ppv = GetInterfaceHook(riid);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG CCmdTarget::AddRef() { return ++m_dwRef; }

ULONG CCmdTarget::Release() {
  ULONG n = --m_dwRef;
  if (n == 0) OnFinalRelease();
  return n;
}

HRESULT CCmdTarget::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CCmdTarget::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CCmdTarget::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!rgszNames || !rgDispId) return E_POINTER;
  if (cNames == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  std::string name = rgszNames[0] ? QarnUtf8FromWide(rgszNames[0], QarnWideLength(rgszNames[0]))
                                  : std::string();
  for (const AFX_DISPMAP_ENTRY& e : GetDispatchMap()) {
    if (QarnEqualNoCase(e.lpszName, name)) {
      rgDispId[0] = e.lDispID;
      break;
    }
  }
  if (rgDispId[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  // Parameter names are not published: any asked for are unknown.
  if (cNames > 1) hr = DISP_E_UNKNOWNNAME;
  return hr;
}

HRESULT CCmdTarget::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const AFX_DISPMAP_ENTRY* e = FindDispEntry(dispIdMember);
  if (!e) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  DISPPARAMS* dp = pDispParams ? pDispParams : &none;
  if (dp->cArgs && !dp->rgvarg) return E_INVALIDARG;
  const bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (dp->cNamedArgs) {
    if (!put || dp->cNamedArgs != 1 || !dp->rgdispidNamedArgs || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_NONAMEDARGS;
  }
  if (pVarResult) VariantInit(pVarResult);

  AFX_DISP_THUNK thunk = nullptr;
  if (e->kind == AfxDispKind::Method) {
    if (put || !(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (dp->cArgs != QarnVtsCount(e->pbParams)) return DISP_E_BADPARAMCOUNT;
    thunk = e->pfnGet;
  } else if (put) {
    if (!e->pfnSet) return DISP_E_MEMBERNOTFOUND;
    // Put-by-reference is for object-valued properties only.
    if (!(wFlags & DISPATCH_PROPERTYPUT) && e->vt != VT_DISPATCH && e->vt != VT_UNKNOWN)
      return DISP_E_MEMBERNOTFOUND;
    if (dp->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    thunk = e->pfnSet;
  } else if (wFlags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
    if (dp->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    thunk = e->pfnGet;
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }

  // The member may make its caller drop the object: keep it alive until we return.
  AddRef();
  VARIANT result;
  VariantInit(&result);
  m_errorPending = false;
  HRESULT hr = thunk(this, *e, dp, &result, puArgErr);
  if (SUCCEEDED(hr) && m_errorPending) {
    if (pExcepInfo) {
      std::memset(pExcepInfo, 0, sizeof *pExcepInfo);
      pExcepInfo->scode = m_errorCode;
      pExcepInfo->bstrDescription = QarnBstrFromUtf8(m_errorDescription);
      pExcepInfo->bstrSource = QarnBstrFromUtf8(e->lpszName);
    }
    hr = DISP_E_EXCEPTION;
  }
  m_errorPending = false;
  if (SUCCEEDED(hr) && pVarResult)
    *pVarResult = result;
  else
    VariantClear(&result);
  Release();
  return hr;
}

HRESULT CCmdTarget::GetMemberCount(UINT* pcMembers) {
  if (!pcMembers) return E_POINTER;
  *pcMembers = static_cast<UINT>(GetDispatchMap().size());
  return S_OK;
}

HRESULT CCmdTarget::GetMemberInfo(UINT index, QARN_MEMBERINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  auto map = GetDispatchMap();
  if (index >= map.size()) return DISP_E_BADINDEX;
  FillEntryInfo(pInfo, map[index]);
  return S_OK;
}

HRESULT CCmdTarget::GetMemberInfoOfDispID(DISPID dispid, QARN_MEMBERINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  const AFX_DISPMAP_ENTRY* e = FindDispEntry(dispid);
  if (!e) return DISP_E_MEMBERNOTFOUND;
  FillEntryInfo(pInfo, *e);
  return S_OK;
}

HRESULT CCmdTarget::GetMemberParamType(DISPID dispid, UINT iParam, VARTYPE* pvt) {
  if (!pvt) return E_POINTER;
  const AFX_DISPMAP_ENTRY* e = FindDispEntry(dispid);
  if (!e) return DISP_E_MEMBERNOTFOUND;
  if (e->kind != AfxDispKind::Method || iParam >= QarnVtsCount(e->pbParams)) return DISP_E_BADINDEX;
  *pvt = QarnVtFromVtsByte(static_cast<BYTE>(e->pbParams[iParam]));
  return S_OK;
}

HRESULT CCmdTarget::GetEventCount(UINT* pcEvents) {
  if (!pcEvents) return E_POINTER;
  *pcEvents = static_cast<UINT>(GetEventMap().size());
  return S_OK;
}

HRESULT CCmdTarget::GetEventInfo(UINT index, QARN_MEMBERINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  auto map = GetEventMap();
  if (index >= map.size()) return DISP_E_BADINDEX;
  FillInfo(pInfo, map[index].lpszName, map[index].dispid, QARN_MEMBER_METHOD, VT_EMPTY,
           QarnVtsCount(map[index].pbParams), FALSE);
  return S_OK;
}

HRESULT CCmdTarget::GetEventParamType(UINT index, UINT iParam, VARTYPE* pvt) {
  if (!pvt) return E_POINTER;
  auto map = GetEventMap();
  if (index >= map.size() || iParam >= QarnVtsCount(map[index].pbParams)) return DISP_E_BADINDEX;
  *pvt = QarnVtFromVtsByte(static_cast<BYTE>(map[index].pbParams[iParam]));
  return S_OK;
}
