// The control framework: COleControl (stock properties, events over a connection point,
// persistence hooks) on the command target of cmd_target.h.
#pragma once

#include <cstdarg>
#include <cstring>
#include <span>
#include <string>

#include "platform/cmd_target.h"
#include "platform/connection_point.h"
#include "platform/cstring.h"
#include "platform/dispatch_driver.h"
#include "platform/oleauto.h"
#include "platform/prop_exchange.h"

class CDC;
class CRect;
class CQarnFontObject;
struct HPALETTE__;
typedef HPALETTE__* HPALETTE;
typedef CLSID* LPCLSID;

#define DISP_STOCKPROP_BACKCOLOR() \
  DispPropertyEx<&COleControl::GetBackColor, &COleControl::SetBackColor>("BackColor", DISPID_BACKCOLOR)
#define DISP_STOCKPROP_FORECOLOR() \
  DispPropertyEx<&COleControl::GetForeColor, &COleControl::SetForeColor>("ForeColor", DISPID_FORECOLOR)
#define DISP_STOCKPROP_FONT() DispPropertyEx<&COleControl::GetFont, &COleControl::SetFont>("Font", DISPID_FONT)

// ---------------------------------------------------------------- COleControl

#ifndef CTL_E_INVALIDPROPERTYVALUE
#define CTL_E_INVALIDPROPERTYVALUE ((HRESULT)0x800A017CL)
#endif

#define STOCKPROP_BACKCOLOR 0x00000001
#define STOCKPROP_FONT 0x00000004
#define STOCKPROP_FORECOLOR 0x00000008

// Ambient properties a container's site answers (property get by DISPID).
#ifndef DISPID_AMBIENT_BACKCOLOR
#define DISPID_AMBIENT_BACKCOLOR (-701)
#define DISPID_AMBIENT_FONT (-703)
#define DISPID_AMBIENT_FORECOLOR (-704)
#endif

#if defined(_WIN32)
#include <olectl.h>
#else
// OleTranslateColor: system colours (0x80000000 | index) from the classic defaults.
HRESULT OleTranslateColor(OLE_COLOR clr, HPALETTE hpal, COLORREF* lpcolorref);
#endif
// The stock font in GDI terms, for drawing: lfHeight is negative (character height) at 96 DPI.
struct QarnStockFontInfo {
  CString faceName;
  LONG lfHeight;
  LONG lfWeight;
  BOOL bItalic;
  BOOL bUnderline;
  BOOL bStrikeOut;
  BYTE lfCharSet;
};

class COleControl : public CCmdTarget {
 public:
  COleControl();
  ~COleControl() override;

  void InitializeIIDs(const IID* piidPrimary, const IID* piidEvents);

  // Events: each advised sink gets IDispatch::Invoke(dispid, DISPATCH_METHOD) with the
  // arguments reversed. VTS_BSTR takes LPCSTR, VTS_PR8 a double* the sink may write to.
  void FireEvent(DISPID dispid, const BYTE* pbParams, ...);
  void FireEvent(DISPID dispid, const char* pszParams, ...);
  void FireEventV(DISPID dispid, const BYTE* pbParams, va_list args);
  size_t GetConnectionCount() const { return m_connPoint.GetConnectionCount(); }

  // Stock properties.
  OLE_COLOR GetBackColor();
  void SetBackColor(OLE_COLOR clr);
  OLE_COLOR GetForeColor();
  void SetForeColor(OLE_COLOR clr);
  LPDISPATCH GetFont();           // AddRef'd
  void SetFont(LPDISPATCH pFont);  // copies the attributes of any Font object; null restores the default
  const QarnFontDesc& GetFontDesc() const;
  void SetFontDesc(const QarnFontDesc& desc);
  QarnStockFontInfo GetStockFontInfo() const;
  COLORREF TranslateColor(OLE_COLOR clrColor, HPALETTE hpal = nullptr);
  DWORD GetStockPropMask() const;  // which stock properties the dispatch map has

  // Ambient properties: the container's site answers them through its IDispatch (the
  // client site on Windows). BackColor, ForeColor and Font follow the container's
  // ambient values until the control's own value is set (put, or loaded other than
  // the default). The dispatch is AddRef'd; null lets go of it.
  void QarnSetAmbientDispatch(IDispatch* pSite);
  BOOL GetAmbientProperty(DISPID dispid, VARTYPE vt, VARIANT* pvar) const;
  BOOL IsStockPropertySet(DWORD stockProp) const;  // STOCKPROP_ flag

  void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
  BOOL IsModified() const { return m_bModified; }
  void InvalidateControl(const RECT* lpRect = nullptr, BOOL bErase = TRUE);
  UINT GetInvalidateCount() const { return m_nInvalidate; }
  void QarnSetWindowHandle(HWND hWnd) { m_hWnd = hWnd; }

  // Size in HIMETRIC; SetInitialSize takes pixels (96 DPI).
  void SetInitialSize(int cx, int cy);
  SIZE GetExtent() const { return m_sizeExtent; }

  virtual void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid);
  // Derived classes call COleControl::DoPropExchange first (version, extent, stock
  // properties), then their own PX_ calls in a fixed order.
  virtual void DoPropExchange(CPropExchange* pPX);
  virtual void OnResetState();
  // MAKELONG(minor, major) of the persisted data; 1.0 unless overridden.
  virtual DWORD GetControlVersion() const { return MAKELONG(0, 1); }
  virtual HRESULT GetClassID(LPCLSID pclsid);
  virtual DWORD GetMiscStatus() { return 0; }
  virtual UINT GetUserTypeNameID() { return 0; }
  virtual const CLSID* GetPropPageIDs(ULONG& cPropPages) {
    cPropPages = 0;
    return nullptr;
  }

  BOOL ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert = TRUE);
  BOOL ExchangeExtent(CPropExchange* pPX);
  void ExchangeStockProps(CPropExchange* pPX);
  // After a successful load from a stream or bag.
  virtual void OnPropertiesLoaded();

 protected:
  // Called for each invalidation while a window handle is attached.
  virtual void OnInvalidate(const RECT* lpRect, BOOL bErase) {
    (void)lpRect;
    (void)bErase;
  }
  virtual void OnBackColorChanged();
  virtual void OnForeColorChanged();
  virtual void OnFontChanged();
  void* GetInterfaceHook(REFIID riid) override;

 private:
  struct XConnPtContainer : IConnectionPointContainer {
    COleControl* m_pThis;
    explicit XConnPtContainer(COleControl* p) : m_pThis(p) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override { return m_pThis->QueryInterface(riid, ppv); }
    STDMETHOD_(ULONG, AddRef)() override { return m_pThis->AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return m_pThis->Release(); }
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) override;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) override;
  };

  XConnPtContainer m_xConnPtContainer;
  CQarnConnectionPoint m_connPoint;
  IID m_iidPrimary;
  IID m_iidEvents;
  OLE_COLOR m_clrBackColor;
  OLE_COLOR m_clrForeColor;
  CQarnFontObject* m_pFont;
  IDispatch* m_pAmbientDispatch = nullptr;
  DWORD m_stockSet = 0;  // STOCKPROP_ flags of values the control holds itself
  BOOL AmbientColor(DISPID dispid, OLE_COLOR* pclr) const;
  BOOL AmbientFontDesc(QarnFontDesc* pdesc) const;
  QarnFontDesc EffectiveFontDesc() const;
  SIZE m_sizeExtent;
  BOOL m_bModified = FALSE;
  UINT m_nInvalidate = 0;
  HWND m_hWnd = nullptr;
};
