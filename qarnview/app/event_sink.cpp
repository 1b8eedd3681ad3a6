#include "qarnview/app/event_sink.h"

#include <ocidl.h>
#include <olectl.h>

namespace {

// The default source interface of the control's class, from IProvideClassInfo.
ITypeInfo* SourceTypeInfo(IUnknown* control) {
  IProvideClassInfo* provide = nullptr;
  if (FAILED(control->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provide)))) return nullptr;
  ITypeInfo* coclass = nullptr;
  HRESULT hr = provide->GetClassInfo(&coclass);
  provide->Release();
  if (FAILED(hr) || !coclass) return nullptr;
  ITypeInfo* source = nullptr;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(coclass->GetTypeAttr(&attr))) {
    for (UINT i = 0; i < attr->cImplTypes && !source; ++i) {
      INT flags = 0;
      HREFTYPE ref = 0;
      if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
      if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
        continue;
      if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref))) coclass->GetRefTypeInfo(ref, &source);
    }
    coclass->ReleaseTypeAttr(attr);
  }
  coclass->Release();
  return source;
}

DISPID IdOf(ITypeInfo* info, const wchar_t* name, DISPID fallback) {
  MEMBERID id = MEMBERID_NIL;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  return SUCCEEDED(info->GetIDsOfNames(names, 1, &id)) ? id : fallback;
}

}  // namespace

std::wstring EditorEventSink::Connect(IUnknown* control) {
  Disconnect();
  if (!control) return L"no control";
  if (ITypeInfo* source = SourceTypeInfo(control)) {
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(source->GetTypeAttr(&attr))) {
      m_eventIid = attr->guid;
      source->ReleaseTypeAttr(attr);
    }
    EditorEventIds defaults;
    m_ids.editDone = IdOf(source, L"EditDone", defaults.editDone);
    m_ids.editAborted = IdOf(source, L"EditAborted", defaults.editAborted);
    m_ids.snap = IdOf(source, L"Snap", defaults.snap);
    m_ids.captionChanged = IdOf(source, L"CaptionChanged", defaults.captionChanged);
    source->Release();
  }
  IConnectionPointContainer* container = nullptr;
  if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
    return L"the control offers no events";
  HRESULT hr = E_FAIL;
  if (m_eventIid != IID_NULL) {
    hr = container->FindConnectionPoint(m_eventIid, &m_point);
  } else {
    // No class information: the first connection point is the control's event set.
    IEnumConnectionPoints* points = nullptr;
    if (SUCCEEDED(container->EnumConnectionPoints(&points))) {
      ULONG fetched = 0;
      hr = points->Next(1, &m_point, &fetched) == S_OK ? S_OK : E_FAIL;
      if (SUCCEEDED(hr)) m_point->GetConnectionInterface(&m_eventIid);
      points->Release();
    }
  }
  container->Release();
  if (FAILED(hr) || !m_point) {
    m_point = nullptr;
    return L"the control has no event connection point";
  }
  hr = m_point->Advise(static_cast<IDispatch*>(this), &m_cookie);
  if (FAILED(hr)) {
    m_point->Release();
    m_point = nullptr;
    return L"the control refused the event sink";
  }
  return L"";
}

void EditorEventSink::Disconnect() {
  if (m_point) {
    m_point->Unadvise(m_cookie);
    m_point->Release();
  }
  m_point = nullptr;
  m_cookie = 0;
}

HRESULT EditorEventSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || (m_eventIid != IID_NULL && riid == m_eventIid)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG EditorEventSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG EditorEventSink::Release() {
  LONG refs = InterlockedDecrement(&m_refs);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT EditorEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT EditorEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT EditorEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                UINT*) {
  if (result) VariantInit(result);
  UINT count = params ? params->cArgs : 0;
  if (id == m_ids.editDone) {
    if (m_events.editDone) m_events.editDone();
  } else if (id == m_ids.editAborted) {
    if (m_events.editAborted) m_events.editAborted();
  } else if (id == m_ids.snap) {
    // Arguments arrive last first: rgvarg[1] is x, rgvarg[0] is y.
    if (count != 2) return DISP_E_BADPARAMCOUNT;
    VARIANT& vx = params->rgvarg[1];
    VARIANT& vy = params->rgvarg[0];
    if (vx.vt != (VT_R8 | VT_BYREF) || vy.vt != (VT_R8 | VT_BYREF) || !vx.pdblVal || !vy.pdblVal)
      return DISP_E_TYPEMISMATCH;
    if (m_events.snap) m_events.snap(*vx.pdblVal, *vy.pdblVal);
  } else if (id == m_ids.captionChanged) {
    if (count != 1) return DISP_E_BADPARAMCOUNT;
    const VARIANT& arg = params->rgvarg[0];
    std::wstring text;
    if (arg.vt == VT_BSTR && arg.bstrVal)
      text.assign(arg.bstrVal, SysStringLen(arg.bstrVal));
    else if (arg.vt == (VT_BSTR | VT_BYREF) && arg.pbstrVal && *arg.pbstrVal)
      text.assign(*arg.pbstrVal, SysStringLen(*arg.pbstrVal));
    if (m_events.captionChanged) m_events.captionChanged(text);
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  return S_OK;
}
