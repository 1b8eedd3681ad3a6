#include "platform/dispatch_driver.h"

#include <cstring>

VARTYPE QarnVtFromVtsByte(BYTE b) {
  if (b & VT_MFCBYREF) return static_cast<VARTYPE>(VT_BYREF | (b & ~VT_MFCBYREF));
  return b;
}

UINT QarnVtsCount(const char* psz) { return psz ? static_cast<UINT>(std::strlen(psz)) : 0; }

UINT QarnVtsCount(const BYTE* pb) { return pb ? static_cast<UINT>(std::strlen(reinterpret_cast<const char*>(pb))) : 0; }

HRESULT QarnVariantsFromVts(const BYTE* pb, va_list args, std::vector<VARIANT>& out) {
  out.clear();
  if (!pb) return S_OK;
  for (; *pb; ++pb) {
    VARIANT v;
    VariantInit(&v);
    VARTYPE vt = QarnVtFromVtsByte(*pb);
    v.vt = vt;
    switch (vt) {
      case VT_I2: v.iVal = static_cast<SHORT>(va_arg(args, int)); break;
      case VT_I4: v.lVal = static_cast<LONG>(va_arg(args, int)); break;
      case VT_UI4: v.ulVal = va_arg(args, unsigned int); break;
      case VT_ERROR: v.scode = va_arg(args, int); break;
      case VT_R4: v.fltVal = static_cast<float>(va_arg(args, double)); break;
      case VT_R8: v.dblVal = va_arg(args, double); break;
      case VT_CY: v.llVal = va_arg(args, CY).int64; break;
      case VT_BOOL: v.boolVal = va_arg(args, int) ? VARIANT_TRUE : VARIANT_FALSE; break;
      case VT_I1: v.cVal = static_cast<CHAR>(va_arg(args, int)); break;
      case VT_UI1: v.bVal = static_cast<BYTE>(va_arg(args, int)); break;
      case VT_UI2: v.uiVal = static_cast<USHORT>(va_arg(args, int)); break;
      case VT_BSTR: {
        const char* text = va_arg(args, const char*);
        v.bstrVal = QarnBstrFromUtf8(text ? text : "");
        break;
      }
      case VT_DISPATCH:
      case VT_UNKNOWN:
        // The variant holds its own reference, released by QarnClearVariants.
        v.punkVal = va_arg(args, IUnknown*);
        if (v.punkVal) v.punkVal->AddRef();
        break;
      case VT_VARIANT: {
        const VARIANT* src = va_arg(args, const VARIANT*);
        if (src) VariantCopy(&v, src);
        else v.vt = VT_EMPTY;
        break;
      }
      default:
        if (vt & VT_BYREF) {
          v.byref = va_arg(args, void*);
          break;
        }
        QarnClearVariants(out);
        return DISP_E_BADVARTYPE;
    }
    out.push_back(v);
  }
  return S_OK;
}

void QarnClearVariants(std::vector<VARIANT>& vars) {
  for (VARIANT& v : vars) VariantClear(&v);
  vars.clear();
}

COleDispatchDriver::COleDispatchDriver() : m_lpDispatch(nullptr), m_bAutoRelease(TRUE) {}

COleDispatchDriver::COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease)
    : m_lpDispatch(lpDispatch), m_bAutoRelease(bAutoRelease) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other)
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(TRUE) {
  if (m_lpDispatch) m_lpDispatch->AddRef();
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) {
  if (this != &other) {
    if (other.m_lpDispatch) other.m_lpDispatch->AddRef();
    ReleaseDispatch();
    m_lpDispatch = other.m_lpDispatch;
    m_bAutoRelease = TRUE;
  }
  return *this;
}

COleDispatchDriver::~COleDispatchDriver() { ReleaseDispatch(); }

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH p = m_lpDispatch;
  m_lpDispatch = nullptr;
  return p;
}

void COleDispatchDriver::ReleaseDispatch() {
  if (m_lpDispatch && m_bAutoRelease) m_lpDispatch->Release();
  m_lpDispatch = nullptr;
}

void COleDispatchDriver::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const BYTE* pbParamInfo, ...) {
  va_list args;
  va_start(args, pbParamInfo);
  InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
  va_end(args);
}

void COleDispatchDriver::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const char* pszParamInfo, ...) {
  va_list args;
  va_start(args, pszParamInfo);
  InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, reinterpret_cast<const BYTE*>(pszParamInfo), args);
  va_end(args);
}

namespace {

HRESULT StoreResult(VARIANT& result, VARTYPE vtRet, void* pvRet) {
  if (vtRet == VT_EMPTY || !pvRet) return S_OK;
  if (vtRet == VT_VARIANT) {
    auto* out = static_cast<VARIANT*>(pvRet);
    VariantClear(out);
    *out = result;
    VariantInit(&result);
    return S_OK;
  }
  HRESULT hr = VariantChangeType(&result, &result, 0, vtRet);
  if (FAILED(hr)) return hr;
  switch (vtRet) {
    case VT_I2: *static_cast<short*>(pvRet) = result.iVal; break;
    case VT_I4: *static_cast<LONG*>(pvRet) = result.lVal; break;
    case VT_UI4: *static_cast<ULONG*>(pvRet) = result.ulVal; break;
    case VT_R4: *static_cast<float*>(pvRet) = result.fltVal; break;
    case VT_R8: *static_cast<double*>(pvRet) = result.dblVal; break;
    case VT_CY: static_cast<CY*>(pvRet)->int64 = result.llVal; break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = result.boolVal ? TRUE : FALSE; break;
    case VT_UI1: *static_cast<BYTE*>(pvRet) = result.bVal; break;
    case VT_BSTR: *static_cast<CString*>(pvRet) = CString(QarnUtf8FromBstr(result.bstrVal)); break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      // The reference passes to the caller.
      *static_cast<IUnknown**>(pvRet) = result.punkVal;
      VariantInit(&result);
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

}  // namespace

void COleDispatchDriver::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                       const BYTE* pbParamInfo, va_list argList) {
  m_lastError = S_OK;
  m_lastErrorDescription.Empty();
  if (!m_lpDispatch) {
    m_lastError = E_POINTER;
    return;
  }
  std::vector<VARIANT> natural;
  HRESULT hr = QarnVariantsFromVts(pbParamInfo, argList, natural);
  if (FAILED(hr)) {
    m_lastError = hr;
    return;
  }
  // COM wants the last argument first.
  std::vector<VARIANT> reversed(natural.rbegin(), natural.rend());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS dp;
  dp.rgvarg = reversed.empty() ? nullptr : reversed.data();
  dp.cArgs = static_cast<UINT>(reversed.size());
  if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    dp.rgdispidNamedArgs = &putId;
    dp.cNamedArgs = 1;
  } else {
    dp.rgdispidNamedArgs = nullptr;
    dp.cNamedArgs = 0;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep;
  std::memset(&excep, 0, sizeof excep);
  UINT argErr = 0;
  // Keep the target alive even if the call makes its owner drop it.
  LPDISPATCH target = m_lpDispatch;
  target->AddRef();
  hr = target->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp, vtRet == VT_EMPTY ? nullptr : &result,
                      &excep, &argErr);
  target->Release();
  if (hr == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    if (excep.bstrDescription) m_lastErrorDescription = CString(QarnUtf8FromBstr(excep.bstrDescription));
    if (FAILED(excep.scode)) hr = excep.scode;
  }
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  if (SUCCEEDED(hr)) hr = StoreResult(result, vtRet, pvRet);
  m_lastError = hr;
  VariantClear(&result);
  QarnClearVariants(reversed);
  natural.clear();  // the same resources as reversed, already freed
}

void COleDispatchDriver::GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) {
  InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, VTS_NONE);
}

void COleDispatchDriver::SetProperty(DISPID dwDispID, UINT vtProp, ...) {
  BYTE params[2] = {static_cast<BYTE>(vtProp), 0};
  WORD flags = (vtProp == VT_DISPATCH || vtProp == VT_UNKNOWN) ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  va_list args;
  va_start(args, vtProp);
  InvokeHelperV(dwDispID, flags, VT_EMPTY, nullptr, params, args);
  va_end(args);
}
