#include "platform/oleauto.h"
#include "platform/cstring.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#if !defined(_WIN32)  // oleaut32 has these on Windows
// ---------------------------------------------------------------- BSTR

namespace {

size_t WideLen(const OLECHAR* psz) {
  size_t n = 0;
  while (psz[n]) ++n;
  return n;
}

BSTR AllocBytes(const void* data, size_t byteLen) {
  if (byteLen > 0x7FFFFFF0u) return nullptr;
  // Two NUL bytes plus alignment padding, so an odd byte length still ends in a wide NUL.
  auto* block = static_cast<BYTE*>(std::malloc(sizeof(uint32_t) + byteLen + 2 + 1));
  if (!block) return nullptr;
  uint32_t len32 = static_cast<uint32_t>(byteLen);
  std::memcpy(block, &len32, sizeof len32);
  BYTE* text = block + sizeof(uint32_t);
  if (data)
    std::memcpy(text, data, byteLen);
  else
    std::memset(text, 0, byteLen);
  text[byteLen] = text[byteLen + 1] = text[byteLen + 2] = 0;
  return reinterpret_cast<BSTR>(text);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(WideLen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  return AllocBytes(pch, static_cast<size_t>(cch) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocBytes(psz, len); }

void SysFreeString(BSTR bstr) {
  if (!bstr) return;
  std::free(reinterpret_cast<BYTE*>(bstr) - sizeof(uint32_t));
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  uint32_t len;
  std::memcpy(&len, reinterpret_cast<BYTE*>(bstr) - sizeof(uint32_t), sizeof len);
  return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

#endif  // !_WIN32

// ---------------------------------------------------------------- UTF-8 / UTF-16

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point; invalid or truncated sequences yield U+FFFD and consume one byte.
char32_t DecodeUtf8(const unsigned char* s, size_t n, size_t& i, bool& invalid) {
  unsigned char c = s[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra;
  char32_t cp, min;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07, min = 0x10000;
  } else {
    ++i;
    invalid = true;
    return kReplacement;
  }
  // Fewer bytes left than the lead byte announces.
  if (n - i <= static_cast<size_t>(extra)) {
    ++i;
    invalid = true;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char cc = s[i + k];
    if ((cc & 0xC0) != 0x80) {
      ++i;
      invalid = true;
      return kReplacement;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    invalid = true;
    return kReplacement;
  }
  i += extra + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Writes the UTF-16 of s[0..n) to out, which has room for n units (no byte yields more
// than one unit: a four-byte sequence makes a surrogate pair); returns the units written.
size_t DecodeUtf8Into(const unsigned char* u, size_t n, OLECHAR* out, bool& invalid) {
  size_t i = 0, w = 0;
  while (i < n) {
    if (u[i] < 0x80) {
      out[w++] = u[i++];
      continue;
    }
    char32_t cp = DecodeUtf8(u, n, i, invalid);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[w++] = static_cast<OLECHAR>(0xD800 + (cp >> 10));
      out[w++] = static_cast<OLECHAR>(0xDC00 + (cp & 0x3FF));
    } else {
      out[w++] = static_cast<OLECHAR>(cp);
    }
  }
  return w;
}

QarnWideString WideFromUtf8(const char* s, size_t n, bool& invalid) {
  QarnWideString out(n, OLECHAR(0));
  out.resize(DecodeUtf8Into(reinterpret_cast<const unsigned char*>(s), n, out.data(), invalid));
  return out;
}

std::string Utf8FromWide(const OLECHAR* s, size_t n, bool& invalid) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
      invalid = true;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

QarnWideString QarnWideFromUtf8(std::string_view utf8) {
  bool invalid = false;
  return WideFromUtf8(utf8.data(), utf8.size(), invalid);
}

std::string QarnUtf8FromWide(const OLECHAR* text, size_t length) {
  if (!text) return {};
  bool invalid = false;
  return Utf8FromWide(text, length, invalid);
}

BSTR QarnBstrFromUtf8(std::string_view utf8) {
  // Captions and event arguments are nearly always ASCII: one unit per byte, written
  // straight into the string without a wide copy in between.
  const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t ascii = 0;
  while (ascii < utf8.size() && u[ascii] < 0x80) ++ascii;
  if (ascii < utf8.size() || utf8.size() > 0x3FFFFFF0u) {  // longer than any BSTR: as before
    QarnWideString w = QarnWideFromUtf8(utf8);
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  }
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(utf8.size()));
  if (!out) return nullptr;
  for (size_t i = 0; i < utf8.size(); ++i) out[i] = u[i];
  return out;
}

BSTR QarnBstrFromUtf8(const char* utf8) { return QarnBstrFromUtf8(std::string_view(utf8 ? utf8 : "")); }

std::string QarnUtf8FromBstr(BSTR bstr) { return QarnUtf8FromWide(bstr, SysStringLen(bstr)); }

#if !defined(_WIN32)  // kernel32 and oleaut32 have these on Windows
int MultiByteToWideChar(UINT codePage, DWORD dwFlags, LPCSTR src, int cbSrc, LPWSTR dst, int cchDst) {
  if ((codePage != CP_ACP && codePage != CP_UTF8) || !src || cbSrc == 0 || cchDst < 0) return 0;
  size_t n = cbSrc < 0 ? std::strlen(src) + 1 : static_cast<size_t>(cbSrc);
  bool invalid = false;
  QarnWideString w = WideFromUtf8(src, n, invalid);
  if (invalid && (dwFlags & MB_ERR_INVALID_CHARS)) return 0;
  if (cchDst == 0) return static_cast<int>(w.size());
  if (!dst || w.size() > static_cast<size_t>(cchDst)) return 0;
  std::memcpy(dst, w.data(), w.size() * sizeof(WCHAR));
  return static_cast<int>(w.size());
}

int WideCharToMultiByte(UINT codePage, DWORD /*dwFlags*/, LPCWSTR src, int cchSrc, LPSTR dst, int cbDst,
                        LPCSTR /*lpDefaultChar*/, BOOL* lpUsedDefaultChar) {
  if ((codePage != CP_ACP && codePage != CP_UTF8) || !src || cchSrc == 0 || cbDst < 0) return 0;
  size_t n = cchSrc < 0 ? WideLen(src) + 1 : static_cast<size_t>(cchSrc);
  bool invalid = false;
  std::string s = Utf8FromWide(src, n, invalid);
  if (lpUsedDefaultChar) *lpUsedDefaultChar = invalid ? TRUE : FALSE;
  if (cbDst == 0) return static_cast<int>(s.size());
  if (!dst || s.size() > static_cast<size_t>(cbDst)) return 0;
  std::memcpy(dst, s.data(), s.size());
  return static_cast<int>(s.size());
}

// ---------------------------------------------------------------- VARIANT lifetime

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
  pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!(pvarg->vt & VT_BYREF)) {
    switch (pvarg->vt) {
      case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (pvarg->punkVal) pvarg->punkVal->Release();
        break;
      default:
        break;
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  VARIANT copy = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt & VT_ARRAY) return DISP_E_BADVARTYPE;
    if (src->vt == VT_BSTR && src->bstrVal) {
      copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal), SysStringByteLen(src->bstrVal));
      if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
      src->punkVal->AddRef();
    }
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

namespace {

// The value a VT_BYREF variant points at, as a by-value variant that borrows its resources.
HRESULT Deref(const VARIANT* src, VARIANT& out) {
  int depth = 0;
  while (src->vt & VT_BYREF) {
    if (!src->byref) return E_INVALIDARG;
    if (++depth > 8) return DISP_E_BADVARTYPE;
    VARTYPE base = src->vt & ~VT_BYREF;
    if (base == VT_VARIANT) {
      src = src->pvarVal;
      continue;
    }
    VariantInit(&out);
    out.vt = base;
    switch (base) {
      case VT_I1:
      case VT_UI1:
        out.bVal = *src->pbVal;
        break;
      case VT_I2:
      case VT_UI2:
      case VT_BOOL:
        out.iVal = *src->piVal;
        break;
      case VT_I4:
      case VT_UI4:
      case VT_INT:
      case VT_UINT:
      case VT_R4:
      case VT_ERROR:
        std::memcpy(&out.lVal, src->byref, 4);
        break;
      case VT_R8:
      case VT_I8:
      case VT_UI8:
      case VT_CY:
      case VT_DATE:
        std::memcpy(&out.llVal, src->byref, 8);
        break;
      case VT_BSTR:
        out.bstrVal = *src->pbstrVal;
        break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        out.punkVal = *src->ppunkVal;
        break;
      default:
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
  }
  out = *src;
  return S_OK;
}

}  // namespace

HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT borrowed;
  HRESULT hr = Deref(src, borrowed);
  if (FAILED(hr)) return hr;
  VARIANT tmp;
  VariantInit(&tmp);
  hr = VariantCopy(&tmp, &borrowed);
  if (FAILED(hr)) return hr;
  VariantClear(dest);
  *dest = tmp;
  return S_OK;
}

// ---------------------------------------------------------------- coercion

namespace {

// A numeric value on its way between variant types.
struct Num {
  enum Kind { Int, UInt, Dbl } kind = Int;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  double AsDouble() const { return kind == Int ? double(i) : kind == UInt ? double(u) : d; }
};

bool IsNumericVt(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_BOOL:
      return true;
    default:
      return false;
  }
}

Num NumFrom(const VARIANT& v) {
  Num n;
  switch (v.vt) {
    case VT_I1: n.i = static_cast<signed char>(v.cVal); break;
    case VT_UI1: n.i = v.bVal; break;
    case VT_I2: n.i = v.iVal; break;
    case VT_UI2: n.i = v.uiVal; break;
    case VT_I4: n.i = v.lVal; break;
    case VT_UI4: n.i = v.ulVal; break;
    case VT_INT: n.i = v.intVal; break;
    case VT_UINT: n.i = v.uintVal; break;
    case VT_I8: n.i = v.llVal; break;
    case VT_UI8: n.kind = Num::UInt; n.u = static_cast<uint64_t>(v.llVal); break;
    case VT_BOOL: n.i = v.boolVal ? -1 : 0; break;
    case VT_R4: n.kind = Num::Dbl; n.d = v.fltVal; break;
    case VT_R8: n.kind = Num::Dbl; n.d = v.dblVal; break;
    case VT_CY: n.kind = Num::Dbl; n.d = static_cast<double>(v.llVal) / 10000.0; break;
    default: break;
  }
  return n;
}

// Rounds half to even, as oleaut32 does for float -> integer coercion.
double BankersRound(double d) {
  double r = std::floor(d);
  double diff = d - r;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  return r;
}

// Integer value of n within [lo, hi] (as doubles for the float case); false on overflow.
bool ToInt(const Num& n, int64_t lo, uint64_t hi, int64_t& outSigned, uint64_t& outUnsigned) {
  if (n.kind == Num::Dbl) {
    if (std::isnan(n.d)) return false;
    double r = BankersRound(n.d);
    if (r < static_cast<double>(lo) || r >= static_cast<double>(hi) + 1.0) return false;
    if (r < 0) {
      outSigned = static_cast<int64_t>(r);
      outUnsigned = 0;
    } else {
      outUnsigned = static_cast<uint64_t>(r);
      outSigned = static_cast<int64_t>(outUnsigned);
    }
    return true;
  }
  if (n.kind == Num::UInt) {
    if (n.u > hi) return false;
    outUnsigned = n.u;
    outSigned = static_cast<int64_t>(n.u);
    return true;
  }
  if (n.i < lo) return false;
  if (n.i >= 0 && static_cast<uint64_t>(n.i) > hi) return false;
  outSigned = n.i;
  outUnsigned = static_cast<uint64_t>(n.i);
  return true;
}

HRESULT NumTo(const Num& n, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  out.vt = vt;
  int64_t s = 0;
  uint64_t u = 0;
  auto range = [&](int64_t lo, uint64_t hi) { return ToInt(n, lo, hi, s, u); };
  // The targets the control framework, the dispatch driver and property exchange ask
  // for; any numeric type converts to them, to no other.
  switch (vt) {
    case VT_I2:
      if (!range(-32768, 32767)) return DISP_E_OVERFLOW;
      out.iVal = static_cast<SHORT>(s);
      return S_OK;
    case VT_I4:
      if (!range(INT32_MIN, INT32_MAX)) return DISP_E_OVERFLOW;
      out.lVal = static_cast<LONG>(s);
      return S_OK;
    case VT_UI4:
      if (!range(0, UINT32_MAX)) return DISP_E_OVERFLOW;
      out.ulVal = static_cast<ULONG>(u);
      return S_OK;
    case VT_R4: {
      double d = n.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      out.fltVal = static_cast<float>(d);
      return S_OK;
    }
    case VT_R8:
      out.dblVal = n.AsDouble();
      return S_OK;
    case VT_CY: {
      double d = n.AsDouble() * 10000.0;
      if (n.kind == Num::Dbl) d = BankersRound(d);
      if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      out.llVal = n.kind == Num::Int && n.i > -922337203685477LL && n.i < 922337203685477LL
                      ? n.i * 10000
                      : static_cast<int64_t>(d);
      return S_OK;
    }
    case VT_BOOL:
      out.boolVal = (n.kind == Num::Dbl ? n.d != 0.0 : n.kind == Num::UInt ? n.u != 0 : n.i != 0) ? VARIANT_TRUE
                                                                                               : VARIANT_FALSE;
      return S_OK;
    default:
      VariantInit(&out);
      return DISP_E_TYPEMISMATCH;
  }
}

std::string FormatDouble(double d, int precision) {
  if (d == 0) return "0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
  std::string s(buf, res.ptr);
  // oleaut32 writes the exponent as E+NN / E-NN.
  auto e = s.find('e');
  if (e != std::string::npos) {
    s[e] = 'E';
    std::string mant = s.substr(0, e);
    char sign = s[e + 1];
    std::string digits = s.substr(e + 2);
    while (digits.size() < 2) digits.insert(digits.begin(), '0');
    s = mant + 'E' + sign + digits;
  }
  return s;
}

std::string FormatCy(int64_t v) {
  bool neg = v < 0;
  uint64_t a = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string s = std::to_string(a / 10000);
  uint64_t frac = a % 10000;
  if (frac) {
    char f[8];
    std::snprintf(f, sizeof f, "%04u", static_cast<unsigned>(frac));
    std::string fs(f);
    while (!fs.empty() && fs.back() == '0') fs.pop_back();
    s += "." + fs;
  }
  return neg ? "-" + s : s;
}

HRESULT BstrFromVariant(const VARIANT& v, USHORT flags, VARIANT& out) {
  std::string s;
  switch (v.vt) {
    case VT_EMPTY: break;
    case VT_BOOL:
      if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
        s = v.boolVal ? "True" : "False";
      else
        s = v.boolVal ? "-1" : "0";
      break;
    case VT_R4: s = FormatDouble(v.fltVal, 7); break;
    case VT_R8: s = FormatDouble(v.dblVal, 15); break;
    case VT_CY: s = FormatCy(v.llVal); break;
    case VT_UI8: s = std::to_string(static_cast<uint64_t>(v.llVal)); break;
    default: {
      Num n = NumFrom(v);
      s = std::to_string(n.i);
      break;
    }
  }
  VariantInit(&out);
  out.vt = VT_BSTR;
  out.bstrVal = QarnBstrFromUtf8(s);
  return out.bstrVal ? S_OK : E_OUTOFMEMORY;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Parses the text of a number: blanks around, an optional sign, digits with an optional
// fraction and exponent, or VB's &H / &O prefixes.
HRESULT ParseNumber(std::string text, Num& n) {
  size_t b = 0, e = text.size();
  while (b < e && IsSpace(text[b])) ++b;
  while (e > b && IsSpace(text[e - 1])) --e;
  std::string s = text.substr(b, e - b);
  if (s.empty()) return DISP_E_TYPEMISMATCH;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    uint64_t v = 0;
    auto r = std::from_chars(s.data() + 2, s.data() + s.size(), v, base);
    if (r.ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return DISP_E_TYPEMISMATCH;
    // Eight hex digits read as a signed long, as VB writes colours (&H80000005).
    n.kind = Num::Int;
    n.i = v <= 0xFFFFFFFFull && v > 0x7FFFFFFFull
              ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)))
              : static_cast<int64_t>(v);
    return S_OK;
  }
  size_t i = 0;
  bool neg = false;
  if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';
  size_t digitsStart = i, intDigits = 0, fracDigits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++intDigits;
  bool isInteger = true;
  if (i < s.size() && s[i] == '.') {
    isInteger = false;
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return DISP_E_TYPEMISMATCH;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    isInteger = false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != s.size()) return DISP_E_TYPEMISMATCH;
  const char* first = s.data() + digitsStart;
  const char* last = s.data() + s.size();
  if (isInteger) {
    uint64_t v = 0;
    auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc()) {
      if (!neg) {
        n.kind = Num::UInt;
        n.u = v;
        if (v <= static_cast<uint64_t>(INT64_MAX)) n.kind = Num::Int, n.i = static_cast<int64_t>(v);
        return S_OK;
      }
      if (v <= static_cast<uint64_t>(INT64_MAX) + 1) {
        n.kind = Num::Int;
        n.i = static_cast<int64_t>(0 - v);
        return S_OK;
      }
    }
  }
  double d = 0;
  auto r = std::from_chars(first, last, d);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars reports underflow the same way; tiny values are simply zero.
    bool tiny = false;
    for (const char* p = first; p < last && *p != 'e' && *p != 'E'; ++p)
      if (*p >= '1' && *p <= '9') tiny = true;
    size_t epos = s.find_first_of("eE");
    if (tiny && epos != std::string::npos && s.find('-', epos) != std::string::npos) {
      n.kind = Num::Dbl;
      n.d = 0;
      return S_OK;
    }
    return DISP_E_OVERFLOW;
  }
  if (r.ec != std::errc()) return DISP_E_TYPEMISMATCH;
  n.kind = Num::Dbl;
  n.d = neg ? -d : d;
  return S_OK;
}

HRESULT ChangeBorrowed(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out, int depth);

HRESULT FromDispatch(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
  if (flags & VARIANT_NOVALUEPROP) return DISP_E_TYPEMISMATCH;
  if (!src.pdispVal || depth > 4) return DISP_E_TYPEMISMATCH;
  IDispatch* disp = nullptr;
  if (src.vt == VT_DISPATCH) {
    disp = src.pdispVal;
    disp->AddRef();
  } else if (FAILED(src.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))) || !disp) {
    return DISP_E_TYPEMISMATCH;
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = disp->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                            nullptr, nullptr);
  disp->Release();
  if (FAILED(hr)) {
    VariantClear(&value);
    return DISP_E_TYPEMISMATCH;
  }
  hr = ChangeBorrowed(value, flags, vt, out, depth + 1);
  VariantClear(&value);
  return hr;
}

// Converts a by-value source (whose resources stay with the caller) into a fresh variant.
HRESULT ChangeBorrowed(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
  VariantInit(&out);
  if (vt & (VT_BYREF | VT_ARRAY)) return DISP_E_BADVARTYPE;
  if (src.vt == vt) return VariantCopy(&out, &src);
  if (vt == VT_EMPTY) return S_OK;
  if (vt == VT_NULL) return src.vt == VT_EMPTY ? (out.vt = VT_NULL, S_OK) : DISP_E_TYPEMISMATCH;
  if (src.vt == VT_NULL || src.vt == VT_ERROR) return DISP_E_TYPEMISMATCH;

  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
    if (src.vt == VT_EMPTY) {
      out.vt = vt;
      out.punkVal = nullptr;
      return S_OK;
    }
    if (src.vt != VT_DISPATCH && src.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    out.vt = vt;
    if (!src.punkVal) return S_OK;
    HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                             reinterpret_cast<void**>(&out.punkVal));
    if (FAILED(hr) || !out.punkVal) {
      VariantInit(&out);
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  }
  if (src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN) return FromDispatch(src, flags, vt, out, depth);

  if (vt == VT_BSTR) {
    if (src.vt == VT_EMPTY || IsNumericVt(src.vt)) return BstrFromVariant(src, flags, out);
    return DISP_E_TYPEMISMATCH;
  }
  if (!IsNumericVt(vt)) return vt == VT_VARIANT ? DISP_E_BADVARTYPE : DISP_E_TYPEMISMATCH;

  Num n;
  if (src.vt == VT_EMPTY) {
    n.kind = Num::Int;
  } else if (src.vt == VT_BSTR) {
    std::string text = QarnUtf8FromBstr(src.bstrVal);
    if (vt == VT_BOOL) {
      std::string_view t = text;
      while (!t.empty() && IsSpace(t.front())) t.remove_prefix(1);
      while (!t.empty() && IsSpace(t.back())) t.remove_suffix(1);
      if (QarnEqualNoCase(t, "true") || QarnEqualNoCase(t, "#true#")) {
        out.vt = VT_BOOL;
        out.boolVal = VARIANT_TRUE;
        return S_OK;
      }
      if (QarnEqualNoCase(t, "false") || QarnEqualNoCase(t, "#false#")) {
        out.vt = VT_BOOL;
        out.boolVal = VARIANT_FALSE;
        return S_OK;
      }
    }
    HRESULT hr = ParseNumber(text, n);
    if (FAILED(hr)) return hr;
  } else if (IsNumericVt(src.vt)) {
    n = NumFrom(src);
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  HRESULT hr = NumTo(n, vt, out);
  if (FAILED(hr)) VariantInit(&out);
  return hr;
}

}  // namespace

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT wFlags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT borrowed;
  HRESULT hr = Deref(src, borrowed);
  if (FAILED(hr)) return hr;
  VARIANT result;
  hr = ChangeBorrowed(borrowed, wFlags, vt, result, 0);
  if (FAILED(hr)) return hr;
  // Only now may dest go: it can be the source itself.
  VariantClear(dest);
  *dest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID, USHORT wFlags, VARTYPE vt) {
  return VariantChangeType(dest, src, wFlags, vt);
}

#endif  // !_WIN32
