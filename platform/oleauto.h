// OLE Automation helpers: BSTR allocation, VARIANT lifetime and type coercion, and
// narrow <-> wide text conversion. On Windows oleaut32 provides the standard functions
// and only the Qarn helpers are ours; elsewhere all of them follow oleaut32's semantics.
#pragma once

#include <string>
#include <string_view>

#include "platform/com_types.h"

// Wide text of the platform's OLECHAR (16-bit on both).
typedef std::basic_string<OLECHAR> QarnWideString;
inline size_t QarnWideLength(const OLECHAR* text) { return text ? std::char_traits<OLECHAR>::length(text) : 0; }

#if !defined(_WIN32)
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

// Currency: a 64-bit integer scaled by 10000, as oleaut32 defines it.
union CY {
  struct {
    ULONG Lo;
    LONG Hi;
  };
  LONGLONG int64;
};
typedef CY CURRENCY;

// VariantChangeType flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

// BSTR: a 32-bit byte count precedes the characters; a NUL follows them.
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);

void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Copies, dereferencing a VT_BYREF source.
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt);

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x08

// CP_ACP is UTF-8 here. Lengths of -1 mean NUL-terminated (the NUL is counted);
// a zero output size returns the size needed; too small a buffer returns 0.
int MultiByteToWideChar(UINT codePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar);
#else
// MinGW declares the source VARIANTs of these without const; the Windows SDK has them const.
inline HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  return ::VariantCopy(dest, const_cast<VARIANTARG*>(src));
}
inline HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  return ::VariantCopyInd(dest, const_cast<VARIANTARG*>(src));
}
inline HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
  return ::VariantChangeType(dest, const_cast<VARIANTARG*>(src), flags, vt);
}
inline HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt) {
  return ::VariantChangeTypeEx(dest, const_cast<VARIANTARG*>(src), lcid, flags, vt);
}
#endif  // !_WIN32

// The narrow text of this system is UTF-8 on both builds; invalid input becomes U+FFFD.
BSTR QarnBstrFromUtf8(const char* utf8);
BSTR QarnBstrFromUtf8(std::string_view utf8);
std::string QarnUtf8FromBstr(BSTR bstr);  // honours embedded NULs via the length prefix
std::string QarnUtf8FromWide(const OLECHAR* text, size_t length);
QarnWideString QarnWideFromUtf8(std::string_view utf8);

// RAII owner of a VARIANT for framework and test code.
class CQarnVariant : public VARIANT {
 public:
  CQarnVariant() { VariantInit(this); }
  CQarnVariant(const CQarnVariant& other) {
    VariantInit(this);
    VariantCopy(this, &other);
  }
  CQarnVariant& operator=(const CQarnVariant& other) {
    if (this != &other) VariantCopy(this, &other);
    return *this;
  }
  ~CQarnVariant() { VariantClear(this); }
};
