// Property exchange: one DoPropExchange sequence of PX_ calls serves saving and
// loading a binary stream, a property bag, and resetting to defaults.
#pragma once

#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/oleauto.h"

class COleControl;

// The stock font's attributes, as FONTDESC carries them (size in CY: points x 10000).
struct QarnFontDesc {
  CString name;
  CY cySize;
  SHORT sWeight;
  SHORT sCharset;
  BOOL fItalic;
  BOOL fUnderline;
  BOOL fStrikethrough;

  QarnFontDesc() : name("MS Sans Serif"), sWeight(400), sCharset(0), fItalic(FALSE), fUnderline(FALSE),
                   fStrikethrough(FALSE) {
    cySize.int64 = 80000;
  }
  friend bool operator==(const QarnFontDesc& a, const QarnFontDesc& b) {
    return a.name == b.name && a.cySize.int64 == b.cySize.int64 && a.sWeight == b.sWeight &&
           a.sCharset == b.sCharset && !a.fItalic == !b.fItalic && !a.fUnderline == !b.fUnderline &&
           !a.fStrikethrough == !b.fStrikethrough;
  }
};

// What a loaded stock value may be; PX_Color and PX_Font give anything else its default,
// on every load path. Font sizes are CY (points x 10000): above 0, at most 4096 points.
constexpr LONGLONG kQarnMaxFontSize = 4096LL * 10000;
bool QarnIsValidOleColor(OLE_COLOR clr);
bool QarnIsValidFontSize(CY size);

class CPropExchange {
 public:
  virtual ~CPropExchange() = default;
  BOOL IsLoading() const { return m_bLoading; }
  // TRUE while a stream is parsed without applying: only properties whose names start
  // with '_' (framework bookkeeping, exchanged into locals) receive values then.
  BOOL IsDryRun() const { return m_bDryRun; }

  virtual BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert);
  // vtProp: VT_I2 short, VT_I4 LONG, VT_UI4 ULONG/OLE_COLOR, VT_BOOL BOOL, VT_BSTR CString,
  // VT_R8 double.
  virtual BOOL ExchangeProp(LPCSTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) = 0;
  virtual BOOL ExchangeFontProp(LPCSTR pszPropName, QarnFontDesc& font, const QarnFontDesc* pDefault) = 0;
  // COleControl calls this after the stock properties: a stream may end here or later
  // at a property boundary (data from an older version of the control).
  virtual void MarkEndOfStockProps() {}

 protected:
  BOOL m_bLoading = FALSE;
  BOOL m_bDryRun = FALSE;
};

BOOL PX_Short(CPropExchange* pPX, LPCSTR pszPropName, short& sValue);
BOOL PX_Short(CPropExchange* pPX, LPCSTR pszPropName, short& sValue, short sDefault);
BOOL PX_Long(CPropExchange* pPX, LPCSTR pszPropName, LONG& lValue);
BOOL PX_Long(CPropExchange* pPX, LPCSTR pszPropName, LONG& lValue, LONG lDefault);
BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue);
BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue, ULONG ulDefault);
#if !defined(_WIN32)
// `long` is 64-bit here but 32-bit on Windows; the stored value is 32-bit either way.
BOOL PX_Long(CPropExchange* pPX, LPCSTR pszPropName, long& lValue, long lDefault);
#endif
BOOL PX_Color(CPropExchange* pPX, LPCSTR pszPropName, OLE_COLOR& clrValue);
BOOL PX_Color(CPropExchange* pPX, LPCSTR pszPropName, OLE_COLOR& clrValue, OLE_COLOR clrDefault);
BOOL PX_Bool(CPropExchange* pPX, LPCSTR pszPropName, BOOL& bValue);
BOOL PX_Bool(CPropExchange* pPX, LPCSTR pszPropName, BOOL& bValue, BOOL bDefault);
BOOL PX_String(CPropExchange* pPX, LPCSTR pszPropName, CString& strValue);
BOOL PX_String(CPropExchange* pPX, LPCSTR pszPropName, CString& strValue, const CString& strDefault);
BOOL PX_Double(CPropExchange* pPX, LPCSTR pszPropName, double& dValue, double dDefault);
BOOL PX_Font(CPropExchange* pPX, LPCSTR pszPropName, QarnFontDesc& font, const QarnFontDesc* pDefault = nullptr);

// Named VARIANT values, as IPropertyBag holds them; names compare case-insensitively.
class CQarnPropertyBag {
 public:
  CQarnPropertyBag() = default;
  CQarnPropertyBag(const CQarnPropertyBag& other);
  CQarnPropertyBag& operator=(const CQarnPropertyBag& other);
  ~CQarnPropertyBag();

  HRESULT Write(LPCSTR pszName, const VARIANT* pValue);
  // E_INVALIDARG when the name is absent, as IPropertyBag::Read.
  HRESULT Read(LPCSTR pszName, VARIANT* pValue) const;
  size_t GetCount() const { return m_items.size(); }
  const CString& GetName(size_t i) const { return m_items[i].first; }
  const VARIANT& GetValue(size_t i) const { return m_items[i].second; }
  void Clear();

 private:
  std::vector<std::pair<CString, VARIANT>> m_items;
};

// IPersistStreamInit::Save / Load. Load is all-or-nothing: a stream that does not
// parse completely leaves the control unchanged and returns STG_E_READFAULT.
HRESULT QarnSaveToStream(COleControl* pCtrl, std::vector<BYTE>& out, BOOL fClearDirty = TRUE);
HRESULT QarnLoadFromStream(COleControl* pCtrl, const BYTE* data, size_t n);
// IPersistPropertyBag::Save / Load. Missing or unconvertible values take their defaults.
HRESULT QarnSaveToBag(COleControl* pCtrl, CQarnPropertyBag& bag, BOOL fClearDirty = TRUE);
HRESULT QarnLoadFromBag(COleControl* pCtrl, const CQarnPropertyBag& bag);
// IPersistStreamInit::InitNew: OnResetState, then not modified.
HRESULT QarnInitNew(COleControl* pCtrl);
// Runs DoPropExchange with an exchange that gives every property its default.
void QarnExchangeDefaults(COleControl* pCtrl);
