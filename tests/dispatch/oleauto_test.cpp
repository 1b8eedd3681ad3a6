#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "platform/oleauto.h"
#include "tests/dispatch/test_support.h"

namespace {

// ------------------------------------------------------------ BSTR

TEST(Bstr, LengthPrefixAndTerminator) {
  const OLECHAR text[] = {u'a', 0, u'b', u'c'};
  struct Case {
    UINT len;
    UINT expectedLen;
  } cases[] = {{0, 0}, {1, 1}, {4, 4}};
  for (const Case& c : cases) {
    BSTR b = SysAllocStringLen(text, c.len);
    ASSERT_NE(b, nullptr);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<BYTE*>(b) - 4, 4);
    EXPECT_EQ(prefix, c.len * 2) << "byte-length prefix for " << c.len << " chars";
    EXPECT_EQ(SysStringLen(b), c.expectedLen) << "expected length " << c.expectedLen << ", got " << SysStringLen(b);
    EXPECT_EQ(b[c.len], 0) << "missing NUL after " << c.len << " chars";
    SysFreeString(b);
  }
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);  // must be harmless
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

// Unit for unit with the exact length, whether the text takes the all-ASCII way or not:
// NULs inside, non-ASCII after an ASCII run, surrogate pairs, and every kind of bad
// UTF-8 as U+FFFD. Valid text comes back unchanged.
TEST(Bstr, Utf8ToBstrUnitsLengthAndBack) {
  using namespace std::string_literals;
  struct Case {
    std::string in;
    std::u16string expected;
    bool valid = true;
  } cases[] = {
      {"", u""},
      {"Grüße", u"Grüße"},
      {"日本語テキスト", u"日本語テキスト"},
      {"a\0b"s, u"a\0b"s},
      {"\0"s, u"\0"s},
      {"x\0\xC3\xA9"s, u"x\0\u00E9"s},
      {"abc\xC3\xA9", u"abc\u00E9"},
      {"\xF0\x9F\x98\x80z", u"\U0001F600z"},
      {std::string(300, 'q'), std::u16string(300, u'q')},
      {"ab\xE2\x82", u"ab\uFFFD\uFFFD", false},                      // cut at the end
      {"\xFF", u"\uFFFD", false},
      {"\xC0\xAF", u"\uFFFD\uFFFD", false},                          // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},                // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},     // above U+10FFFF
  };
  for (const Case& c : cases) {
    BSTR b = QarnBstrFromUtf8(std::string_view(c.in));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::u16string(b, b + SysStringLen(b)), c.expected) << "for input of " << c.in.size() << " bytes";
    EXPECT_EQ(b[SysStringLen(b)], 0) << "missing NUL after " << c.in.size() << " bytes";
    EXPECT_EQ(QarnWideFromUtf8(c.in), c.expected) << "wide form of input of " << c.in.size() << " bytes";
    if (c.valid) {
      EXPECT_EQ(QarnUtf8FromBstr(b), c.in) << "back from " << c.in.size() << " bytes";
    }
    SysFreeString(b);
  }
  EXPECT_EQ(QarnWideFromUtf8(std::string_view("\xC3\xA9", 1)), u"\uFFFD") << "a cut sequence reads no further";
  const OLECHAR lone[] = {u'x', 0xD800, u'y'};
  EXPECT_EQ(QarnUtf8FromWide(lone, 3), "x\xEF\xBF\xBDy") << "lone surrogate must become U+FFFD";
}

TEST(Bstr, MultiByteToWideCharSizesAndBuffers) {
  int needed = MultiByteToWideChar(CP_UTF8, 0, "héllo", -1, nullptr, 0);
  EXPECT_EQ(needed, 6) << "expected 5 chars + NUL, got " << needed;
  WCHAR small[3];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "héllo", -1, small, 3), 0) << "too small a buffer must give 0";
  WCHAR buf[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "héllo", 6, buf, 8), 5);
  EXPECT_EQ(buf[1], u'é');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, buf, 8), 0)
      << "MB_ERR_INVALID_CHARS must refuse bad input";
  char out[16];
  int n = WideCharToMultiByte(CP_UTF8, 0, u"é€", -1, out, sizeof out, nullptr, nullptr);
  EXPECT_EQ(n, 6) << "2 + 3 bytes + NUL";
  EXPECT_STREQ(out, "é€");
}

// ------------------------------------------------------------ VariantChangeType

struct Conv {
  const char* name;
  CQarnVariant src;
  VARTYPE to;
  HRESULT hr;
  double num;              // expected numeric value when hr succeeded and to is numeric
  const char* text;        // expected text when to == VT_BSTR
};

double NumOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal;
    case VT_CY: return static_cast<double>(v.llVal) / 10000.0;
    default: return -12345;
  }
}

CQarnVariant VUI1(BYTE b) { return MakeVariant(VT_UI1, &VARIANT::bVal, b); }
CQarnVariant VR4(float f) { return MakeVariant(VT_R4, &VARIANT::fltVal, f); }
CQarnVariant VCy(LONGLONG raw) { return MakeVariant(VT_CY, &VARIANT::llVal, raw); }
CQarnVariant VEmpty() { return CQarnVariant(); }
CQarnVariant VNull() {
  CQarnVariant v;
  v.vt = VT_NULL;
  return v;
}

// Each conversion gives its result in the asked type, or fails and leaves dest empty.
void CheckConversions(std::span<Conv> cases) {
  for (Conv& c : cases) {
    CQarnVariant out;
    HRESULT hr = VariantChangeType(&out, &c.src, 0, c.to);
    EXPECT_EQ(hr, c.hr) << c.name << ": expected hr " << std::hex << c.hr << ", got " << hr;
    if (FAILED(hr)) {
      EXPECT_EQ(out.vt, VT_EMPTY) << c.name << ": a failed conversion must leave dest alone";
      continue;
    }
    EXPECT_EQ(out.vt, c.to) << c.name;
    if (c.text) {
      EXPECT_EQ(Utf8(out), c.text) << c.name;
    } else {
      EXPECT_DOUBLE_EQ(NumOf(out), c.num) << c.name << ": expected " << c.num << ", got " << NumOf(out);
    }
  }
}

TEST(VariantChangeType, NumericRangesAndRounding) {
  Conv cases[] = {
      {"I4 fits I2", VI4(32767), VT_I2, S_OK, 32767, nullptr},
      {"I4 overflows I2", VI4(32768), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {"I4 underflows I2", VI4(-32769), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {"-1 to UI4", VI4(-1), VT_UI4, DISP_E_OVERFLOW, 0, nullptr},
      {"-0.4 to UI4 is 0", VR8(-0.4), VT_UI4, S_OK, 0, nullptr},
      {"UI1 source to I4", VUI1(200), VT_I4, S_OK, 200, nullptr},
      {"no conversion to I8", VI4(1), VT_I8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"2.5 rounds to even", VR8(2.5), VT_I4, S_OK, 2, nullptr},
      {"3.5 rounds to even", VR8(3.5), VT_I4, S_OK, 4, nullptr},
      {"-2.5 rounds to even", VR8(-2.5), VT_I2, S_OK, -2, nullptr},
      {"2.6 rounds up", VR8(2.6), VT_I4, S_OK, 3, nullptr},
      {"R8 too big for I4", VR8(2147483648.0), VT_I4, DISP_E_OVERFLOW, 0, nullptr},
      {"R8 too big for R4", VR8(1e300), VT_R4, DISP_E_OVERFLOW, 0, nullptr},
      {"R4 widens", VR4(0.5f), VT_R8, S_OK, 0.5, nullptr},
      {"true is -1", VBool(true), VT_I4, S_OK, -1, nullptr},
      {"true to R8", VBool(true), VT_R8, S_OK, -1, nullptr},
      {"false is 0", VBool(false), VT_I2, S_OK, 0, nullptr},
      {"nonzero to bool", VI4(5), VT_BOOL, S_OK, VARIANT_TRUE, nullptr},
      {"0.5 to bool", VR8(0.5), VT_BOOL, S_OK, VARIANT_TRUE, nullptr},
      {"zero to bool", VI2(0), VT_BOOL, S_OK, VARIANT_FALSE, nullptr},
      {"empty to I4", VEmpty(), VT_I4, S_OK, 0, nullptr},
      {"empty to bool", VEmpty(), VT_BOOL, S_OK, 0, nullptr},
      {"null to I4", VNull(), VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"R8 to CY", VR8(8.25), VT_CY, S_OK, 8.25, nullptr},
      {"CY to I4 rounds to even", VCy(25000), VT_I4, S_OK, 2, nullptr},
      {"I4 to CY", VI4(12), VT_CY, S_OK, 12, nullptr},
  };
  CheckConversions(cases);
}

TEST(VariantChangeType, StringsToNumbers) {
  Conv cases[] = {
      {"integer", VStr("42"), VT_I4, S_OK, 42, nullptr},
      {"blanks and sign", VStr("  -17 "), VT_I4, S_OK, -17, nullptr},
      {"plus sign", VStr("+5"), VT_I2, S_OK, 5, nullptr},
      {"decimal to R8", VStr("2.5"), VT_R8, S_OK, 2.5, nullptr},
      {"decimal to I4 rounds to even", VStr("2.5"), VT_I4, S_OK, 2, nullptr},
      {"exponent", VStr("1.5e3"), VT_I4, S_OK, 1500, nullptr},
      {"leading dot", VStr(".25"), VT_R8, S_OK, 0.25, nullptr},
      {"hex literal", VStr("&H1F"), VT_I4, S_OK, 31, nullptr},
      {"hex colour is a signed long", VStr("&H80000005"), VT_I4, S_OK, static_cast<double>(INT32_MIN + 5), nullptr},
      {"eight hex F is -1", VStr("&HFFFFFFFF"), VT_I4, S_OK, -1, nullptr},
      {"too big for I2", VStr("40000"), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {"huge exponent", VStr("1e999"), VT_R8, DISP_E_OVERFLOW, 0, nullptr},
      {"empty string", VStr(""), VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"letters", VStr("abc"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"trailing junk", VStr("12abc"), VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"lone sign", VStr("-"), VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"bad exponent", VStr("1e"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {"True", VStr("True"), VT_BOOL, S_OK, VARIANT_TRUE, nullptr},
      {"false any case", VStr("fALSe"), VT_BOOL, S_OK, VARIANT_FALSE, nullptr},
      {"date-style false", VStr("#FALSE#"), VT_BOOL, S_OK, VARIANT_FALSE, nullptr},
      {"numeric bool", VStr("3"), VT_BOOL, S_OK, VARIANT_TRUE, nullptr},
      {"yes is no bool", VStr("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, 0, nullptr},
  };
  CheckConversions(cases);
}

TEST(VariantChangeType, NumbersToStrings) {
  Conv cases[] = {
      {"I4", VI4(-123), VT_BSTR, S_OK, 0, "-123"},
      {"UI1", VUI1(255), VT_BSTR, S_OK, 0, "255"},
      {"2.5", VR8(2.5), VT_BSTR, S_OK, 0, "2.5"},
      {"0.1 at 15 digits", VR8(0.1), VT_BSTR, S_OK, 0, "0.1"},
      {"one third", VR8(1.0 / 3.0), VT_BSTR, S_OK, 0, "0.333333333333333"},
      {"R4 keeps 7 digits", VR4(0.1f), VT_BSTR, S_OK, 0, "0.1"},
      {"large uses E+", VR8(1e20), VT_BSTR, S_OK, 0, "1E+20"},
      {"small uses E-", VR8(1.5e-7), VT_BSTR, S_OK, 0, "1.5E-07"},
      {"negative zero", VR8(-0.0), VT_BSTR, S_OK, 0, "0"},
      {"whole double", VR8(100.0), VT_BSTR, S_OK, 0, "100"},
      {"bool true", VBool(true), VT_BSTR, S_OK, 0, "-1"},
      {"bool false", VBool(false), VT_BSTR, S_OK, 0, "0"},
      {"currency", VCy(85000), VT_BSTR, S_OK, 0, "8.5"},
      {"negative currency", VCy(-12345), VT_BSTR, S_OK, 0, "-1.2345"},
      {"empty", VEmpty(), VT_BSTR, S_OK, 0, ""},
  };
  CheckConversions(cases);
  CQarnVariant out, t = VBool(true);
  ASSERT_EQ(VariantChangeType(&out, &t, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(Utf8(out), "True") << "VARIANT_ALPHABOOL writes True";
}

TEST(VariantChangeType, ByReferenceSourcesAreDereferenced) {
  double d = 7.75;
  LONG l = 70000;
  BSTR s = QarnBstrFromUtf8("12");
  CQarnVariant inner = VI2(9), innerRef;
  innerRef.vt = VT_BYREF | VT_R8;  // a VARIANT argument that itself refers on (VB passes these)
  innerRef.byref = &d;
  struct Case {
    const char* name;
    VARTYPE vt;
    void* p;
    VARTYPE to;
    HRESULT hr;
    double expected;
  } cases[] = {
      {"R8 ref to I4", VT_R8, &d, VT_I4, S_OK, 8},
      {"I4 ref overflows I2", VT_I4, &l, VT_I2, DISP_E_OVERFLOW, 0},
      {"BSTR ref parses", VT_BSTR, &s, VT_I2, S_OK, 12},
      {"VARIANT ref", VT_VARIANT, &inner, VT_R8, S_OK, 9},
      {"VARIANT ref to a ref", VT_VARIANT, &innerRef, VT_I4, S_OK, 8},
      {"null ref", VT_R8, nullptr, VT_I4, E_INVALIDARG, 0},
  };
  for (const Case& c : cases) {
    CQarnVariant src, out;
    src.vt = VT_BYREF | c.vt;
    src.byref = c.p;
    HRESULT hr = VariantChangeType(&out, &src, 0, c.to);
    EXPECT_EQ(hr, c.hr) << c.name << ": expected " << std::hex << c.hr << ", got " << hr;
    if (SUCCEEDED(hr)) {
      EXPECT_DOUBLE_EQ(NumOf(out), c.expected) << c.name;
    }
    src.vt = VT_EMPTY;  // borrowed storage
  }
  SysFreeString(s);
}

TEST(VariantChangeType, InPlaceAndObjects) {
  CQarnVariant v = VStr("3.25");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_R8), S_OK) << "dest may be the source";
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_DOUBLE_EQ(v.dblVal, 3.25);

  // An object converts through its value property (DISPID_VALUE).
  auto* obj = new CRecordingDispatch();
  obj->action = [](DISPID id, DISPPARAMS*, VARIANT* r) {
    if (id != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
    r->vt = VT_I4;
    r->lVal = 99;
    return S_OK;
  };
  CQarnVariant d = VDisp(obj), out;
  ASSERT_EQ(VariantChangeType(&out, &d, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Utf8(out), "99");
  EXPECT_EQ(obj->calls.size(), 1u);
  EXPECT_EQ(obj->calls[0].flags, DISPATCH_PROPERTYGET);
  CQarnVariant out2;
  EXPECT_EQ(VariantChangeType(&out2, &d, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
  CQarnVariant n = VI4(1), out3;
  EXPECT_EQ(VariantChangeType(&out3, &n, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH) << "a number is no object";
  ULONG before = obj->refs;
  {
    CQarnVariant copy;
    VariantCopy(&copy, &d);
    EXPECT_EQ(obj->refs, before + 1) << "VariantCopy must AddRef";
  }
  EXPECT_EQ(obj->refs, before) << "VariantClear must Release";
  obj->Release();
}

}  // namespace
