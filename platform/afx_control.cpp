#include "platform/afx_control.h"
#include "platform/cstring.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/object_factory.h"
#include "platform/ole_font.h"
#if defined(_WIN32)
#include "platform/win32/ole_control_win32.h"
#endif

// ---------------------------------------------------------------- colours

namespace {

// GetSysColor's defaults on a stock Windows 10 desktop, by COLOR_ index.
constexpr COLORREF kSysColors[] = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 0, 0),        // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // (unused index 25)
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),    // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

}  // namespace

#if !defined(_WIN32)  // oleaut32 translates on Windows
HRESULT OleTranslateColor(OLE_COLOR clr, HPALETTE, COLORREF* lpcolorref) {
  COLORREF out = clr & 0x00FFFFFF;
  HRESULT hr = S_OK;
  switch (clr >> 24) {
    case 0x80: {
      DWORD index = clr & 0x00FFFFFF;
      if (index < sizeof kSysColors / sizeof kSysColors[0])
        out = kSysColors[index];
      else
        hr = E_INVALIDARG, out = 0;
      break;
    }
    case 0x00:
    case 0x01:  // PALETTEINDEX
    case 0x02:  // PALETTERGB
      break;
    default:
      hr = E_INVALIDARG;
      break;
  }
  if (lpcolorref) *lpcolorref = out;
  return hr;
}
#endif  // !_WIN32

// ---------------------------------------------------------------- COleControl

COleControl::COleControl()
    : m_xConnPtContainer(this),
      m_connPoint(static_cast<IDispatch*>(this), &m_xConnPtContainer),
      m_iidPrimary(IID_NULL),
      m_iidEvents(IID_NULL),
      m_clrBackColor(0x80000005),
      m_clrForeColor(0x80000008),
      m_pFont(new CQarnFontObject()),
      m_sizeExtent{2540, 1270} {
  m_pFont->SetChangeNotify([this] {
    m_stockSet |= STOCKPROP_FONT;  // changed through the Font object: the control's own now
    OnFontChanged();
  });
}

COleControl::~COleControl() {
#if defined(_WIN32)
  QarnWin32ControlDestroyed(this);  // the container-facing interfaces go first
#endif
  m_connPoint.UnadviseAll();
  // A client may still hold the font: it must stop calling back into us.
  m_pFont->SetChangeNotify(nullptr);
  m_pFont->Release();
  if (m_pAmbientDispatch) m_pAmbientDispatch->Release();
}

void COleControl::InitializeIIDs(const IID* piidPrimary, const IID* piidEvents) {
  if (piidPrimary) m_iidPrimary = *piidPrimary;
  if (piidEvents) {
    m_iidEvents = *piidEvents;
    m_connPoint.SetInterfaceID(*piidEvents);
  }
}

void* COleControl::GetInterfaceHook(REFIID riid) {
  if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(&m_xConnPtContainer);
  if (m_iidPrimary != IID_NULL && riid == m_iidPrimary) return static_cast<IDispatch*>(this);
#if defined(_WIN32)
  // Persistence, embedding and drawing for a real container.
  return QarnWin32ControlInterface(this, riid);
#else
  return nullptr;
#endif
}

HRESULT COleControl::XConnPtContainer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = QarnNewConnectionPointEnum({&m_pThis->m_connPoint});
  return S_OK;
}

HRESULT COleControl::XConnPtContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (m_pThis->m_iidEvents == IID_NULL || riid != m_pThis->m_iidEvents) return CONNECT_E_NOCONNECTION;
  *ppCP = &m_pThis->m_connPoint;
  m_pThis->AddRef();
  return S_OK;
}

// Most events of a click have no listener: they return before the arguments are even
// walked, without entering FireEventV and its frame.
void COleControl::FireEvent(DISPID dispid, const BYTE* pbParams, ...) {
  if (m_connPoint.GetConnectionCount() == 0) return;
  va_list args;
  va_start(args, pbParams);
  FireEventV(dispid, pbParams, args);
  va_end(args);
}

void COleControl::FireEvent(DISPID dispid, const char* pszParams, ...) {
  if (m_connPoint.GetConnectionCount() == 0) return;
  va_list args;
  va_start(args, pszParams);
  FireEventV(dispid, reinterpret_cast<const BYTE*>(pszParams), args);
  va_end(args);
}

void COleControl::FireEventV(DISPID dispid, const BYTE* pbParams, va_list args) {
  // Nobody listening: the arguments are not even built, since no one could see them.
  if (m_connPoint.GetConnectionCount() == 0) return;
  std::vector<VARIANT> reversed;
  if (FAILED(QarnVariantsFromVts(pbParams, args, reversed))) return;
  std::reverse(reversed.begin(), reversed.end());  // COM wants the last argument first
  // A sink may release the control (its container letting go) inside the event.
  AddRef();
  std::vector<CQarnConnectionPoint::SinkRef> sinks = m_connPoint.TakeSnapshot();
  // The sinks' copies take turns in one array, on the stack for as many as events have.
  VARIANT few[8];
  std::vector<VARIANT> many(reversed.size() > std::size(few) ? reversed.size() : 0);
  VARIANT* const args2 = many.empty() ? few : many.data();
  for (const auto& sink : sinks) {
    // A sink unadvised by an earlier one during this event no longer listens.
    if (!m_connPoint.IsAdvised(sink.cookie)) continue;
    // Each sink gets its own copies of by-value arguments; by-reference ones share storage.
    for (size_t i = 0; i < reversed.size(); ++i) {
      VariantInit(&args2[i]);
      VariantCopy(&args2[i], &reversed[i]);
    }
    DISPPARAMS dp = {reversed.empty() ? nullptr : args2, nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep;
    std::memset(&excep, 0, sizeof excep);
    UINT argErr = 0;
    sink.pDisp->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &result, &excep, &argErr);
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    for (size_t i = 0; i < reversed.size(); ++i) VariantClear(&args2[i]);
  }
  CQarnConnectionPoint::ReleaseSnapshot(sinks);
  QarnClearVariants(reversed);
  Release();  // may delete this: nothing may follow
}

OLE_COLOR COleControl::GetBackColor() {
  OLE_COLOR ambient = 0;
  if (!(m_stockSet & STOCKPROP_BACKCOLOR) && AmbientColor(DISPID_AMBIENT_BACKCOLOR, &ambient)) return ambient;
  return m_clrBackColor;
}

void COleControl::SetBackColor(OLE_COLOR clr) {
  m_clrBackColor = clr;
  m_stockSet |= STOCKPROP_BACKCOLOR;
  SetModifiedFlag();
  OnBackColorChanged();
}

OLE_COLOR COleControl::GetForeColor() {
  OLE_COLOR ambient = 0;
  if (!(m_stockSet & STOCKPROP_FORECOLOR) && AmbientColor(DISPID_AMBIENT_FORECOLOR, &ambient)) return ambient;
  return m_clrForeColor;
}

void COleControl::SetForeColor(OLE_COLOR clr) {
  m_clrForeColor = clr;
  m_stockSet |= STOCKPROP_FORECOLOR;
  SetModifiedFlag();
  OnForeColorChanged();
}

LPDISPATCH COleControl::GetFont() {
  // A client reading the Font sees what is drawn: the container's font until one is set.
  QarnFontDesc ambient;
  if (!(m_stockSet & STOCKPROP_FONT) && AmbientFontDesc(&ambient)) m_pFont->SetDesc(ambient, false);
  return m_pFont->GetIDispatch(TRUE);
}

void COleControl::SetFont(LPDISPATCH pFont) {
  if (!pFont) {
    m_pFont->SetDesc(QarnFontDesc());
    m_stockSet &= ~static_cast<DWORD>(STOCKPROP_FONT);  // back to the container's font
  } else if (!m_pFont->CopyFrom(pFont)) {
    ThrowError(CTL_E_INVALIDPROPERTYVALUE, "Not a font object");
  } else {
    m_stockSet |= STOCKPROP_FONT;
  }
}

void COleControl::QarnSetAmbientDispatch(IDispatch* pSite) {
  if (pSite) pSite->AddRef();
  IDispatch* old = m_pAmbientDispatch;
  m_pAmbientDispatch = pSite;
  if (old) old->Release();
}

BOOL COleControl::GetAmbientProperty(DISPID dispid, VARTYPE vt, VARIANT* pvar) const {
  if (!pvar || !m_pAmbientDispatch) return FALSE;
  VariantInit(pvar);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT raw;
  VariantInit(&raw);
  HRESULT hr = m_pAmbientDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &raw,
                                          nullptr, nullptr);
  if (SUCCEEDED(hr)) hr = raw.vt == vt ? VariantCopy(pvar, &raw) : VariantChangeType(pvar, &raw, 0, vt);
  VariantClear(&raw);
  return SUCCEEDED(hr);
}

BOOL COleControl::IsStockPropertySet(DWORD stockProp) const { return (m_stockSet & stockProp) != 0; }

BOOL COleControl::AmbientColor(DISPID dispid, OLE_COLOR* pclr) const {
  VARIANT v;
  if (!GetAmbientProperty(dispid, VT_I4, &v)) return FALSE;
  *pclr = static_cast<OLE_COLOR>(v.lVal);
  return TRUE;
}

BOOL COleControl::AmbientFontDesc(QarnFontDesc* pdesc) const {
  VARIANT v;
  if (!GetAmbientProperty(DISPID_AMBIENT_FONT, VT_DISPATCH, &v)) return FALSE;
  BOOL ok = FALSE;
  if (v.pdispVal) {
    auto* reader = new CQarnFontObject();
    ok = reader->CopyFrom(v.pdispVal);
    if (ok) *pdesc = reader->GetDesc();
    reader->Release();
  }
  VariantClear(&v);
  return ok;
}

QarnFontDesc COleControl::EffectiveFontDesc() const {
  QarnFontDesc ambient;
  if (!(m_stockSet & STOCKPROP_FONT) && AmbientFontDesc(&ambient)) return ambient;
  return m_pFont->GetDesc();
}

const QarnFontDesc& COleControl::GetFontDesc() const { return m_pFont->GetDesc(); }

void COleControl::SetFontDesc(const QarnFontDesc& desc) { m_pFont->SetDesc(desc); }

QarnStockFontInfo COleControl::GetStockFontInfo() const {
  const QarnFontDesc d = EffectiveFontDesc();
  QarnStockFontInfo info;
  info.faceName = d.name;
  // Points x 10000 to pixels at 96 DPI, rounded as MulDiv rounds.
  info.lfHeight = -static_cast<LONG>(std::llround(static_cast<double>(d.cySize.int64) * 96.0 / 720000.0));
  info.lfWeight = d.sWeight;
  info.bItalic = d.fItalic;
  info.bUnderline = d.fUnderline;
  info.bStrikeOut = d.fStrikethrough;
  info.lfCharSet = static_cast<BYTE>(d.sCharset);
  return info;
}

COLORREF COleControl::TranslateColor(OLE_COLOR clrColor, HPALETTE hpal) {
  COLORREF out = 0;
  OleTranslateColor(clrColor, hpal, &out);
  return out;
}

DWORD COleControl::GetStockPropMask() const {
  DWORD mask = 0;
  for (const AFX_DISPMAP_ENTRY& e : GetDispatchMap()) {
    if (e.lDispID == DISPID_BACKCOLOR) mask |= STOCKPROP_BACKCOLOR;
    if (e.lDispID == DISPID_FORECOLOR) mask |= STOCKPROP_FORECOLOR;
    if (e.lDispID == DISPID_FONT) mask |= STOCKPROP_FONT;
  }
  return mask;
}

void COleControl::InvalidateControl(const RECT* lpRect, BOOL bErase) {
  ++m_nInvalidate;
  if (m_hWnd) OnInvalidate(lpRect, bErase);
#if defined(_WIN32)
  QarnWin32InvalidateControl(this, lpRect, bErase);
#endif
}

void COleControl::SetInitialSize(int cx, int cy) {
  m_sizeExtent.cx = static_cast<LONG>(std::lround(cx * 2540.0 / 96.0));
  m_sizeExtent.cy = static_cast<LONG>(std::lround(cy * 2540.0 / 96.0));
}

void COleControl::OnDraw(CDC*, const CRect&, const CRect&) {}

void COleControl::OnBackColorChanged() { InvalidateControl(); }
void COleControl::OnForeColorChanged() { InvalidateControl(); }
void COleControl::OnFontChanged() {
  SetModifiedFlag();
  InvalidateControl();
}

HRESULT COleControl::GetClassID(LPCLSID pclsid) {
  if (pclsid) *pclsid = IID_NULL;
  return E_NOTIMPL;
}

BOOL COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert) {
  DWORD loaded = dwVersionDefault;
  return pPX->ExchangeVersion(loaded, dwVersionDefault, bConvert);
}

BOOL COleControl::ExchangeExtent(CPropExchange* pPX) {
  // Exchanged through locals: a dry-run parse must not touch the control.
  LONG cx = m_sizeExtent.cx, cy = m_sizeExtent.cy;
  BOOL ok = PX_Long(pPX, "_ExtentX", cx, 2540);
  ok = PX_Long(pPX, "_ExtentY", cy, 1270) && ok;
  if (pPX->IsLoading() && !pPX->IsDryRun() && ok) {
    m_sizeExtent.cx = cx;
    m_sizeExtent.cy = cy;
  }
  return ok;
}

void COleControl::ExchangeStockProps(CPropExchange* pPX) {
  DWORD supported = GetStockPropMask();
  ULONG mask = supported;
  PX_ULong(pPX, "_StockProps", mask, supported);
  // Stored values the control no longer has are read and dropped.
  OLE_COLOR back = m_clrBackColor, fore = m_clrForeColor;
  static const QarnFontDesc kDefaultFont;
  // The Font object may show the container's font; that one is not the control's to save.
  QarnFontDesc font = (m_stockSet & STOCKPROP_FONT) ? m_pFont->GetDesc() : kDefaultFont;
  if (mask & STOCKPROP_BACKCOLOR) PX_Color(pPX, "BackColor", back, 0x80000005);
  if (mask & STOCKPROP_FORECOLOR) PX_Color(pPX, "ForeColor", fore, 0x80000008);
  if (mask & STOCKPROP_FONT) PX_Font(pPX, "Font", font, &kDefaultFont);
  if (pPX->IsLoading() && !pPX->IsDryRun()) {
    // Missing from the data: the defaults.
    if (!(mask & STOCKPROP_BACKCOLOR)) back = 0x80000005;
    if (!(mask & STOCKPROP_FORECOLOR)) fore = 0x80000008;
    if (!(mask & STOCKPROP_FONT)) font = kDefaultFont;
    if (supported & STOCKPROP_BACKCOLOR) m_clrBackColor = back;
    if (supported & STOCKPROP_FORECOLOR) m_clrForeColor = fore;
    if (supported & STOCKPROP_FONT) m_pFont->SetDesc(font, false);
    // An unset value is saved as its default, so only other values count as the
    // control's own: a form saved before the container changed its colours follows them.
    m_stockSet = 0;
    if ((supported & STOCKPROP_BACKCOLOR) && back != 0x80000005) m_stockSet |= STOCKPROP_BACKCOLOR;
    if ((supported & STOCKPROP_FORECOLOR) && fore != 0x80000008) m_stockSet |= STOCKPROP_FORECOLOR;
    if ((supported & STOCKPROP_FONT) && !(font == kDefaultFont)) m_stockSet |= STOCKPROP_FONT;
  }
}

void COleControl::DoPropExchange(CPropExchange* pPX) {
  ExchangeVersion(pPX, GetControlVersion());
  ExchangeExtent(pPX);
  ExchangeStockProps(pPX);
  pPX->MarkEndOfStockProps();
}

void COleControl::OnResetState() { QarnExchangeDefaults(this); }

void COleControl::OnPropertiesLoaded() {
  SetModifiedFlag(FALSE);
  InvalidateControl();
}
