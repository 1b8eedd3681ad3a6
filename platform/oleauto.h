// OLE Automation helpers for the Linux build: BSTR allocation, VARIANT
// lifetime and type coercion, and narrow <-> wide text conversion.
// Semantics follow oleaut32 so the same core code behaves alike on Windows.
#pragma once

#include <string>
#include <string_view>

#include "platform/com_types.h"

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
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
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

// The narrow code page of this build is UTF-8; invalid input becomes U+FFFD.
BSTR QarnBstrFromUtf8(const char* utf8);
BSTR QarnBstrFromUtf8(std::string_view utf8);
std::string QarnUtf8FromBstr(BSTR bstr);  // honours embedded NULs via the length prefix
std::string QarnUtf8FromWide(const OLECHAR* text, size_t length);
std::u16string QarnWideFromUtf8(std::string_view utf8);

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x08

// CP_ACP is UTF-8 here. Lengths of -1 mean NUL-terminated (the NUL is counted);
// a zero output size returns the size needed; too small a buffer returns 0.
int MultiByteToWideChar(UINT codePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar);

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
