// COleDispatchDriver: calls an IDispatch with C++ arguments described by VTS_
// parameter strings, as MFC's does. Errors are not thrown: the call returns and
// m_lastError keeps the HRESULT.
#pragma once

#include <cstdarg>
#include <vector>

#include "platform/cstring.h"
#include "platform/oleauto.h"

typedef IDispatch* LPDISPATCH;
typedef IUnknown* LPUNKNOWN;

// Parameter type strings. By-value types are the VARTYPE; VT_MFCBYREF marks a
// pointer argument passed by reference.
#define VT_MFCBYREF 0x40
#define VTS_NONE ""
#define VTS_I2 "\x02"        // short (passed as int)
#define VTS_I4 "\x03"        // LONG
#define VTS_R4 "\x04"        // float (passed as double)
#define VTS_R8 "\x05"        // double
#define VTS_CY "\x06"        // CY
#define VTS_BSTR "\x08"      // LPCSTR, UTF-8 text converted to a BSTR
#define VTS_DISPATCH "\x09"  // LPDISPATCH
#define VTS_SCODE "\x0A"     // SCODE
#define VTS_BOOL "\x0B"      // BOOL
#define VTS_VARIANT "\x0C"   // const VARIANT*
#define VTS_UNKNOWN "\x0D"   // LPUNKNOWN
#define VTS_I1 "\x10"        // char (passed as int)
#define VTS_UI1 "\x11"       // BYTE (passed as int)
#define VTS_UI2 "\x12"       // USHORT (passed as int)
#define VTS_UI4 "\x13"       // ULONG
#define VTS_COLOR VTS_I4     // OLE_COLOR
#define VTS_PI2 "\x42"       // short*
#define VTS_PI4 "\x43"       // LONG*
#define VTS_PR4 "\x44"       // float*
#define VTS_PR8 "\x45"       // double*
#define VTS_PBSTR "\x48"     // BSTR*
#define VTS_PDISPATCH "\x49" // LPDISPATCH*
#define VTS_PBOOL "\x4B"     // VARIANT_BOOL*
#define VTS_PVARIANT "\x4C"  // VARIANT*
#define EVENT_PARAM(vts) reinterpret_cast<const BYTE*>(vts)

// Reads one argument per VTS_ byte from args into variants in natural order
// (first argument first). BSTRs created here are owned by the result; by-reference
// arguments point at the caller's storage.
HRESULT QarnVariantsFromVts(const BYTE* pbParamInfo, va_list args, std::vector<VARIANT>& out);
// Frees what QarnVariantsFromVts allocated.
void QarnClearVariants(std::vector<VARIANT>& vars);
// Number of parameters a VTS_ string describes.
UINT QarnVtsCount(const BYTE* pbParamInfo);
UINT QarnVtsCount(const char* pszParamInfo);
// VARTYPE for one VTS_ byte (VT_MFCBYREF becomes VT_BYREF).
VARTYPE QarnVtFromVtsByte(BYTE b);

class COleDispatchDriver {
 public:
  COleDispatchDriver();
  explicit COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
  COleDispatchDriver(const COleDispatchDriver& other);
  COleDispatchDriver& operator=(const COleDispatchDriver& other);
  ~COleDispatchDriver();

  LPDISPATCH DetachDispatch();
  void ReleaseDispatch();

  // vtRet / pvRet: VT_EMPTY (none), VT_I2 short*, VT_I4 LONG*, VT_R4 float*, VT_R8 double*,
  // VT_BOOL BOOL*, VT_BSTR CString*, VT_DISPATCH LPDISPATCH* (caller owns), VT_UNKNOWN
  // LPUNKNOWN*, VT_VARIANT VARIANT*, VT_UI1 BYTE*, VT_CY CY*.
  void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
  void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const char* pszParamInfo, ...);
  void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                     va_list argList);
  void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp);
  // The value is one argument of type vtProp (a VTS_ code as above).
  // vtProp is a VARTYPE, passed as UINT: the parameter before "..." must not be one that
  // default promotion widens, or va_start is undefined.
  void SetProperty(DISPID dwDispID, UINT vtProp, ...);

  LPDISPATCH m_lpDispatch;
  BOOL m_bAutoRelease;
  HRESULT m_lastError = S_OK;
  CString m_lastErrorDescription;  // from the callee's EXCEPINFO, when it gave one
};
