// Binary stream format (all little-endian):
//   header   'Q' 'X' 'P' 0x01
//   then one record per exchange call, in DoPropExchange order, without names:
//   version u32 | short i16 | long, ulong, colour u32 | bool u8 (0 or 1) | double f64
//   string   u32 byte count (at most 1 MiB) + UTF-8 bytes
//   font     u8 flags (1 italic, 2 underline, 4 strikethrough) | i16 weight | i16 charset
//            | i64 size (CY) | string name
#include "platform/prop_exchange.h"
#include "platform/cstring.h"

#include <cstring>

#include "platform/afx_control.h"

namespace {

constexpr BYTE kMagic[4] = {'Q', 'X', 'P', 0x01};
constexpr uint32_t kMaxString = 1u << 20;

size_t ValueSize(VARTYPE vt) {
  switch (vt) {
    case VT_I2: return 2;
    case VT_I4: case VT_UI4: return 4;
    case VT_BOOL: return 1;
    case VT_R8: return 8;
    default: return 0;
  }
}

void CopyValue(VARTYPE vt, void* dst, const void* src) {
  if (vt == VT_BSTR)
    *static_cast<CString*>(dst) = *static_cast<const CString*>(src);
  else if (vt == VT_BOOL)
    std::memcpy(dst, src, sizeof(BOOL));
  else
    std::memcpy(dst, src, ValueSize(vt));
}

// ------------------------------------------------------------ stream save

class CStreamSaveExchange : public CPropExchange {
 public:
  CStreamSaveExchange() { m_out.assign(kMagic, kMagic + 4); }
  std::vector<BYTE>& Bytes() { return m_out; }

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) override {
    dwVersionLoaded = dwVersionDefault;
    Put(&dwVersionDefault, 4);
    return TRUE;
  }

  BOOL ExchangeProp(LPCSTR, VARTYPE vt, void* pv, const void*) override {
    if (vt == VT_BSTR) {
      PutString(*static_cast<CString*>(pv));
    } else if (vt == VT_BOOL) {
      BYTE b = *static_cast<BOOL*>(pv) ? 1 : 0;
      Put(&b, 1);
    } else if (size_t n = ValueSize(vt)) {
      Put(pv, n);
    } else {
      return FALSE;
    }
    return TRUE;
  }

  BOOL ExchangeFontProp(LPCSTR, QarnFontDesc& f, const QarnFontDesc*) override {
    BYTE flags = (f.fItalic ? 1 : 0) | (f.fUnderline ? 2 : 0) | (f.fStrikethrough ? 4 : 0);
    Put(&flags, 1);
    Put(&f.sWeight, 2);
    Put(&f.sCharset, 2);
    Put(&f.cySize.int64, 8);
    PutString(f.name);
    return TRUE;
  }

 private:
  void Put(const void* p, size_t n) {
    // The host is little-endian, as the format is.
    const BYTE* b = static_cast<const BYTE*>(p);
    m_out.insert(m_out.end(), b, b + n);
  }
  void PutString(const CString& s) {
    size_t length = static_cast<size_t>(s.GetLength());
    uint32_t n = static_cast<uint32_t>(length < kMaxString ? length : kMaxString);
    // Cut before a UTF-8 continuation byte, never inside a character.
    if (n < length)
      while (n > 0 && (static_cast<unsigned char>(s.c_str()[n]) & 0xC0) == 0x80) --n;
    Put(&n, 4);
    Put(s.c_str(), n);
  }
  std::vector<BYTE> m_out;
};

// ------------------------------------------------------------ stream load

class CStreamLoadExchange : public CPropExchange {
 public:
  CStreamLoadExchange(const BYTE* data, size_t n, bool apply) : m_data(data), m_size(n) {
    m_bLoading = TRUE;
    m_bDryRun = apply ? FALSE : TRUE;
    if (n < 4 || std::memcmp(data, kMagic, 4) != 0)
      m_failed = true;
    else
      m_pos = 4;
  }

  // The whole stream was consumed, or it ended at a property boundary after the stock part.
  bool Succeeded() const { return !m_failed && (m_ended || m_pos == m_size); }

  void MarkEndOfStockProps() override { m_pastStock = true; }

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) override {
    DWORD v = dwVersionDefault;
    if (Begin() == State::Read && Get(&v, 4)) {
      dwVersionLoaded = v;
      return TRUE;
    }
    dwVersionLoaded = dwVersionDefault;
    return FALSE;
  }

  BOOL ExchangeProp(LPCSTR name, VARTYPE vt, void* pv, const void* pvDefault) override {
    const bool assign = !m_bDryRun || (name && name[0] == '_');
    State st = Begin();
    if (st == State::Default) {
      if (assign && pvDefault) CopyValue(vt, pv, pvDefault);
      return TRUE;
    }
    if (st == State::Fail) return FALSE;
    if (vt == VT_BSTR) {
      std::string s;
      if (!GetString(s)) return FALSE;
      if (assign) *static_cast<CString*>(pv) = CString(std::move(s));
      return TRUE;
    }
    if (vt == VT_BOOL) {
      BYTE b = 0;
      if (!Get(&b, 1)) return FALSE;
      if (b > 1) return Fail();
      if (assign) *static_cast<BOOL*>(pv) = b;
      return TRUE;
    }
    size_t n = ValueSize(vt);
    if (!n) return Fail();
    BYTE buf[8];
    if (!Get(buf, n)) return FALSE;
    if (assign) std::memcpy(pv, buf, n);
    return TRUE;
  }

  BOOL ExchangeFontProp(LPCSTR, QarnFontDesc& font, const QarnFontDesc* pDefault) override {
    State st = Begin();
    if (st == State::Default) {
      if (!m_bDryRun && pDefault) font = *pDefault;
      return TRUE;
    }
    if (st == State::Fail) return FALSE;
    QarnFontDesc f;
    BYTE flags = 0;
    std::string name;
    if (!Get(&flags, 1) || !Get(&f.sWeight, 2) || !Get(&f.sCharset, 2) || !Get(&f.cySize.int64, 8) ||
        !GetString(name))
      return FALSE;
    if (flags > 7) return Fail();
    f.fItalic = (flags & 1) ? TRUE : FALSE;
    f.fUnderline = (flags & 2) ? TRUE : FALSE;
    f.fStrikethrough = (flags & 4) ? TRUE : FALSE;
    f.name = CString(std::move(name));
    if (!m_bDryRun) font = f;
    return TRUE;
  }

 private:
  enum class State { Read, Default, Fail };

  State Begin() {
    if (m_failed) return State::Fail;
    if (m_ended) return State::Default;
    if (m_pos == m_size) {
      if (!m_pastStock) {
        Fail();
        return State::Fail;
      }
      m_ended = true;
      return State::Default;
    }
    return State::Read;
  }
  BOOL Fail() {
    m_failed = true;
    return FALSE;
  }
  bool Get(void* dst, size_t n) {
    if (m_failed || m_size - m_pos < n) {
      m_failed = true;
      return false;
    }
    std::memcpy(dst, m_data + m_pos, n);
    m_pos += n;
    return true;
  }
  bool GetString(std::string& s) {
    uint32_t n = 0;
    if (!Get(&n, 4)) return false;
    if (n > kMaxString || m_size - m_pos < n) {
      m_failed = true;
      return false;
    }
    s.assign(reinterpret_cast<const char*>(m_data + m_pos), n);
    m_pos += n;
    return true;
  }

  const BYTE* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_failed = false;
  bool m_ended = false;
  bool m_pastStock = false;
};

// ------------------------------------------------------------ property bag

class CBagSaveExchange : public CPropExchange {
 public:
  explicit CBagSaveExchange(CQarnPropertyBag& bag) : m_bag(bag) {}

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) override {
    dwVersionLoaded = dwVersionDefault;
    CQarnVariant v;
    v.vt = VT_I4;
    v.lVal = static_cast<LONG>(dwVersionDefault);
    return SUCCEEDED(m_bag.Write("_Version", &v));
  }

  BOOL ExchangeProp(LPCSTR name, VARTYPE vt, void* pv, const void*) override {
    CQarnVariant v;
    switch (vt) {
      case VT_I2: v.vt = VT_I2; v.iVal = *static_cast<short*>(pv); break;
      case VT_I4: v.vt = VT_I4; v.lVal = *static_cast<LONG*>(pv); break;
      // Colours are longs in property bags, as VB writes them.
      case VT_UI4: v.vt = VT_I4; v.lVal = static_cast<LONG>(*static_cast<ULONG*>(pv)); break;
      case VT_BOOL: v.vt = VT_BOOL; v.boolVal = *static_cast<BOOL*>(pv) ? VARIANT_TRUE : VARIANT_FALSE; break;
      case VT_R8: v.vt = VT_R8; v.dblVal = *static_cast<double*>(pv); break;
      case VT_BSTR:
        v.vt = VT_BSTR;
        v.bstrVal = QarnBstrFromUtf8(static_cast<CString*>(pv)->str());
        break;
      default: return FALSE;
    }
    return SUCCEEDED(m_bag.Write(name, &v));
  }

  BOOL ExchangeFontProp(LPCSTR name, QarnFontDesc& f, const QarnFontDesc*) override {
    std::string base = std::string(name) + ".";
    CQarnVariant v;
    v.vt = VT_BSTR;
    v.bstrVal = QarnBstrFromUtf8(f.name.str());
    m_bag.Write((base + "Name").c_str(), &v);
    VariantClear(&v);
    v.vt = VT_CY;
    v.llVal = f.cySize.int64;
    m_bag.Write((base + "Size").c_str(), &v);
    v.vt = VT_I2;
    v.iVal = f.sWeight;
    m_bag.Write((base + "Weight").c_str(), &v);
    v.iVal = f.sCharset;
    m_bag.Write((base + "Charset").c_str(), &v);
    v.vt = VT_BOOL;
    v.boolVal = f.fItalic ? VARIANT_TRUE : VARIANT_FALSE;
    m_bag.Write((base + "Italic").c_str(), &v);
    v.boolVal = f.fUnderline ? VARIANT_TRUE : VARIANT_FALSE;
    m_bag.Write((base + "Underline").c_str(), &v);
    v.boolVal = f.fStrikethrough ? VARIANT_TRUE : VARIANT_FALSE;
    m_bag.Write((base + "Strikethrough").c_str(), &v);
    return TRUE;
  }

 private:
  CQarnPropertyBag& m_bag;
};

class CBagLoadExchange : public CPropExchange {
 public:
  explicit CBagLoadExchange(const CQarnPropertyBag& bag) : m_bag(bag) { m_bLoading = TRUE; }

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) override {
    ULONG v = dwVersionDefault;
    ULONG def = dwVersionDefault;
    ExchangeProp("_Version", VT_UI4, &v, &def);
    dwVersionLoaded = v;
    return TRUE;
  }

  BOOL ExchangeProp(LPCSTR name, VARTYPE vt, void* pv, const void* pvDefault) override {
    CQarnVariant raw;
    if (FAILED(m_bag.Read(name, &raw)) || !ConvertInto(raw, vt, pv)) {
      if (pvDefault) CopyValue(vt, pv, pvDefault);
    }
    return TRUE;
  }

  BOOL ExchangeFontProp(LPCSTR name, QarnFontDesc& font, const QarnFontDesc* pDefault) override {
    QarnFontDesc def = pDefault ? *pDefault : QarnFontDesc();
    QarnFontDesc f = def;
    std::string base = std::string(name) + ".";
    ExchangeProp((base + "Name").c_str(), VT_BSTR, &f.name, &def.name);
    CQarnVariant raw, cy;
    if (SUCCEEDED(m_bag.Read((base + "Size").c_str(), &raw)) && SUCCEEDED(VariantChangeType(&cy, &raw, 0, VT_CY)))
      f.cySize.int64 = cy.llVal;
    ExchangeProp((base + "Weight").c_str(), VT_I2, &f.sWeight, &def.sWeight);
    ExchangeProp((base + "Charset").c_str(), VT_I2, &f.sCharset, &def.sCharset);
    ExchangeProp((base + "Italic").c_str(), VT_BOOL, &f.fItalic, &def.fItalic);
    ExchangeProp((base + "Underline").c_str(), VT_BOOL, &f.fUnderline, &def.fUnderline);
    ExchangeProp((base + "Strikethrough").c_str(), VT_BOOL, &f.fStrikethrough, &def.fStrikethrough);
    font = f;
    return TRUE;
  }

 private:
  static bool ConvertInto(const VARIANT& raw, VARTYPE vt, void* pv) {
    CQarnVariant v;
    if (vt == VT_UI4) {
      // Stored as a long; an unsigned value is as good.
      if (SUCCEEDED(VariantChangeType(&v, &raw, 0, VT_I4))) {
        *static_cast<ULONG*>(pv) = static_cast<ULONG>(v.lVal);
        return true;
      }
      if (FAILED(VariantChangeType(&v, &raw, 0, VT_UI4))) return false;
      *static_cast<ULONG*>(pv) = v.ulVal;
      return true;
    }
    if (FAILED(VariantChangeType(&v, &raw, 0, vt))) return false;
    switch (vt) {
      case VT_I2: *static_cast<short*>(pv) = v.iVal; return true;
      case VT_I4: *static_cast<LONG*>(pv) = v.lVal; return true;
      case VT_BOOL: *static_cast<BOOL*>(pv) = v.boolVal ? TRUE : FALSE; return true;
      case VT_R8: *static_cast<double*>(pv) = v.dblVal; return true;
      case VT_BSTR: *static_cast<CString*>(pv) = CString(QarnUtf8FromBstr(v.bstrVal)); return true;
      default: return false;
    }
  }

  const CQarnPropertyBag& m_bag;
};

// ------------------------------------------------------------ reset

class CResetExchange : public CPropExchange {
 public:
  CResetExchange() { m_bLoading = TRUE; }
  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) override {
    dwVersionLoaded = dwVersionDefault;
    return TRUE;
  }
  BOOL ExchangeProp(LPCSTR, VARTYPE vt, void* pv, const void* pvDefault) override {
    if (pvDefault) CopyValue(vt, pv, pvDefault);
    return TRUE;
  }
  BOOL ExchangeFontProp(LPCSTR, QarnFontDesc& font, const QarnFontDesc* pDefault) override {
    font = pDefault ? *pDefault : QarnFontDesc();
    return TRUE;
  }
};

}  // namespace

bool QarnIsValidOleColor(OLE_COLOR clr) {
  switch (clr >> 24) {
    case 0x00:
    case 0x01:  // PALETTEINDEX
    case 0x02:  // PALETTERGB
      return true;
    case 0x80:  // system colour, COLOR_SCROLLBAR to COLOR_MENUBAR
      return (clr & 0x00FFFFFF) <= 30;
    default:
      return false;
  }
}

bool QarnIsValidFontSize(CY size) { return size.int64 > 0 && size.int64 <= kQarnMaxFontSize; }

BOOL CPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL) {
  dwVersionLoaded = dwVersionDefault;
  return TRUE;
}

// ------------------------------------------------------------ PX_ functions

BOOL PX_Short(CPropExchange* pPX, LPCSTR name, short& v) { return pPX->ExchangeProp(name, VT_I2, &v, nullptr); }
BOOL PX_Short(CPropExchange* pPX, LPCSTR name, short& v, short def) {
  return pPX->ExchangeProp(name, VT_I2, &v, &def);
}
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& v) { return pPX->ExchangeProp(name, VT_I4, &v, nullptr); }
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& v, LONG def) { return pPX->ExchangeProp(name, VT_I4, &v, &def); }
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, ULONG& v) { return pPX->ExchangeProp(name, VT_UI4, &v, nullptr); }
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, ULONG& v, ULONG def) {
  return pPX->ExchangeProp(name, VT_UI4, &v, &def);
}
#if !defined(_WIN32)
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, long& v, long def) {
  LONG v32 = static_cast<LONG>(v), def32 = static_cast<LONG>(def);
  BOOL ok = pPX->ExchangeProp(name, VT_I4, &v32, &def32);
  v = v32;
  return ok;
}
#endif
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, OLE_COLOR& v) { return pPX->ExchangeProp(name, VT_UI4, &v, nullptr); }
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, OLE_COLOR& v, OLE_COLOR def) {
  BOOL ok = pPX->ExchangeProp(name, VT_UI4, &v, &def);
  // Checked here, once for streams and property bags alike.
  if (ok && pPX->IsLoading() && !pPX->IsDryRun() && !QarnIsValidOleColor(v)) v = def;
  return ok;
}
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& v) { return pPX->ExchangeProp(name, VT_BOOL, &v, nullptr); }
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& v, BOOL def) { return pPX->ExchangeProp(name, VT_BOOL, &v, &def); }
BOOL PX_String(CPropExchange* pPX, LPCSTR name, CString& v) { return pPX->ExchangeProp(name, VT_BSTR, &v, nullptr); }
BOOL PX_String(CPropExchange* pPX, LPCSTR name, CString& v, const CString& def) {
  return pPX->ExchangeProp(name, VT_BSTR, &v, &def);
}
BOOL PX_Double(CPropExchange* pPX, LPCSTR name, double& v, double def) {
  return pPX->ExchangeProp(name, VT_R8, &v, &def);
}
BOOL PX_Font(CPropExchange* pPX, LPCSTR name, QarnFontDesc& font, const QarnFontDesc* pDefault) {
  BOOL ok = pPX->ExchangeFontProp(name, font, pDefault);
  if (!ok || !pPX->IsLoading() || pPX->IsDryRun()) return ok;
  // Checked here, once for streams and property bags alike: a size the text code
  // cannot realise, a weight or character set outside LOGFONT's range.
  const QarnFontDesc def = pDefault ? *pDefault : QarnFontDesc();
  if (!QarnIsValidFontSize(font.cySize)) font.cySize = def.cySize;
  if (font.sWeight < 0 || font.sWeight > 1000) font.sWeight = def.sWeight;
  if (font.sCharset < 0 || font.sCharset > 255) font.sCharset = def.sCharset;
  return ok;
}

// ------------------------------------------------------------ property bag

CQarnPropertyBag::CQarnPropertyBag(const CQarnPropertyBag& other) { *this = other; }

CQarnPropertyBag& CQarnPropertyBag::operator=(const CQarnPropertyBag& other) {
  if (this == &other) return *this;
  Clear();
  for (const auto& item : other.m_items) Write(item.first, &item.second);
  return *this;
}

CQarnPropertyBag::~CQarnPropertyBag() { Clear(); }

void CQarnPropertyBag::Clear() {
  for (auto& item : m_items) VariantClear(&item.second);
  m_items.clear();
}

HRESULT CQarnPropertyBag::Write(LPCSTR name, const VARIANT* value) {
  if (!name || !value) return E_POINTER;
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = VariantCopy(&copy, value);
  if (FAILED(hr)) return hr;
  for (auto& item : m_items) {
    if (QarnEqualNoCase(item.first.c_str(), name)) {
      VariantClear(&item.second);
      item.second = copy;
      return S_OK;
    }
  }
  m_items.emplace_back(CString(name), copy);
  return S_OK;
}

HRESULT CQarnPropertyBag::Read(LPCSTR name, VARIANT* value) const {
  if (!name || !value) return E_POINTER;
  for (const auto& item : m_items)
    if (QarnEqualNoCase(item.first.c_str(), name)) return VariantCopy(value, &item.second);
  return E_INVALIDARG;
}

// ------------------------------------------------------------ persistence entry points

HRESULT QarnSaveToStream(COleControl* pCtrl, std::vector<BYTE>& out, BOOL fClearDirty) {
  if (!pCtrl) return E_POINTER;
  CStreamSaveExchange px;
  pCtrl->DoPropExchange(&px);
  out.swap(px.Bytes());
  if (fClearDirty) pCtrl->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT QarnLoadFromStream(COleControl* pCtrl, const BYTE* data, size_t n) {
  if (!pCtrl || (!data && n)) return E_POINTER;
  {
    CStreamLoadExchange dry(data, n, false);
    pCtrl->DoPropExchange(&dry);
    if (!dry.Succeeded()) return STG_E_READFAULT;
  }
  // The dry run passed; should the real pass still fail (DoPropExchange branching on
  // values a dry run does not assign), the saved state is put back.
  std::vector<BYTE> backup;
  QarnSaveToStream(pCtrl, backup, FALSE);
  CStreamLoadExchange apply(data, n, true);
  pCtrl->DoPropExchange(&apply);
  if (!apply.Succeeded()) {
    CStreamLoadExchange restore(backup.data(), backup.size(), true);
    pCtrl->DoPropExchange(&restore);
    return STG_E_READFAULT;
  }
  pCtrl->OnPropertiesLoaded();
  return S_OK;
}

HRESULT QarnSaveToBag(COleControl* pCtrl, CQarnPropertyBag& bag, BOOL fClearDirty) {
  if (!pCtrl) return E_POINTER;
  CBagSaveExchange px(bag);
  pCtrl->DoPropExchange(&px);
  if (fClearDirty) pCtrl->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT QarnLoadFromBag(COleControl* pCtrl, const CQarnPropertyBag& bag) {
  if (!pCtrl) return E_POINTER;
  CBagLoadExchange px(bag);
  pCtrl->DoPropExchange(&px);
  pCtrl->OnPropertiesLoaded();
  return S_OK;
}

void QarnExchangeDefaults(COleControl* pCtrl) {
  CResetExchange px;
  pCtrl->DoPropExchange(&px);
}

HRESULT QarnInitNew(COleControl* pCtrl) {
  if (!pCtrl) return E_POINTER;
  pCtrl->OnResetState();
  pCtrl->SetModifiedFlag(FALSE);
  return S_OK;
}
