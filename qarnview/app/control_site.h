// The container's site for one ActiveX control: client site, in-place site (windowed
// activation into a parent window), control site and the ambient properties. A
// control that makes no window of its own is drawn by the site through IViewObject.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

// The frame the in-place site hands to the control: the container's top-level window,
// with no menus or border space to share.
class InPlaceFrame final : public IOleInPlaceFrame {
 public:
  explicit InPlaceFrame(HWND frame) : m_frame(frame) {}
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetWindow)(HWND* phwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(GetBorder)(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHOD(RemoveMenus)(HMENU) override { return E_NOTIMPL; }
  STDMETHOD(SetStatusText)(LPCOLESTR) override { return S_OK; }
  STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }
  STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override { return S_FALSE; }

 private:
  LONG m_refs = 1;
  HWND m_frame;
};

// The container's ambient values, read by controls through the site's IDispatch.
struct Ambients {
  OLE_COLOR backColor = 0x00F0F0F0;
  OLE_COLOR foreColor = 0x00000000;
  const wchar_t* fontName = L"Tahoma";
  int fontPoints = 9;
};

class ControlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
 public:
  // `parent` receives the control's window; `frame` is the container's top window.
  ControlSite(HWND parent, HWND frame, const Ambients& ambients);
  ControlSite(const ControlSite&) = delete;
  ControlSite& operator=(const ControlSite&) = delete;

  // Creates the control by ProgID, hands it this site, starts it with fresh
  // properties and activates it in place at `rect` (parent client coordinates).
  // On failure the reason is returned and nothing stays created.
  std::wstring Create(const wchar_t* progId, const RECT& rect);
  // Deactivates, closes and lets the control go. Safe to call twice.
  void Close();

  IDispatch* Dispatch() const { return m_dispatch; }
  IUnknown* Control() const { return m_object; }
  // The control's own window, or null when it draws only through the site.
  HWND ControlWindow() const;
  bool InPlaceActive() const { return m_inPlaceActive; }
  const RECT& Rect() const { return m_rect; }
  void SetRect(const RECT& rect);
  // Draws the control's picture into `rect` of `hdc` (IViewObject::Draw).
  bool Draw(HDC hdc, const RECT& rect);

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  // IOleClientSite
  STDMETHOD(SaveObject)() override { return S_OK; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** ppmk) override;
  STDMETHOD(GetContainer)(IOleContainer** ppContainer) override;
  STDMETHOD(ShowObject)() override { return S_OK; }
  STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
  STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }
  // IOleWindow / IOleInPlaceSite
  STDMETHOD(GetWindow)(HWND* phwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(CanInPlaceActivate)() override { return S_OK; }
  STDMETHOD(OnInPlaceActivate)() override;
  STDMETHOD(OnUIActivate)() override { return S_OK; }
  STDMETHOD(GetWindowContext)(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                              LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
  STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
  STDMETHOD(OnUIDeactivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnInPlaceDeactivate)() override;
  STDMETHOD(DiscardUndoState)() override { return S_OK; }
  STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
  STDMETHOD(OnPosRectChange)(LPCRECT lprcPosRect) override;
  // IOleControlSite
  STDMETHOD(OnControlInfoChanged)() override { return S_OK; }
  STDMETHOD(LockInPlaceActive)(BOOL) override { return S_OK; }
  STDMETHOD(GetExtendedControl)(IDispatch** ppDisp) override;
  STDMETHOD(TransformCoords)(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override;
  STDMETHOD(TranslateAccelerator)(MSG*, DWORD) override { return S_FALSE; }
  STDMETHOD(OnFocus)(BOOL) override { return S_OK; }
  STDMETHOD(ShowPropertyFrame)() override { return E_NOTIMPL; }
  // IDispatch: the ambient properties
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                    UINT*) override;

 private:
  ~ControlSite();
  LONG m_refs = 1;
  HWND m_parent;
  HWND m_frameWindow;
  Ambients m_ambients;
  RECT m_rect = {};
  IUnknown* m_object = nullptr;
  IOleObject* m_oleObject = nullptr;
  IDispatch* m_dispatch = nullptr;
  IOleInPlaceObject* m_inPlaceObject = nullptr;
  bool m_inPlaceActive = false;
};

// ControlSite is reference counted; this owns one reference.
class ControlSitePtr {
 public:
  ControlSitePtr() = default;
  explicit ControlSitePtr(ControlSite* site) : m_site(site) {}
  ControlSitePtr(const ControlSitePtr&) = delete;
  ControlSitePtr& operator=(const ControlSitePtr&) = delete;
  ~ControlSitePtr() { Reset(); }
  void Reset(ControlSite* site = nullptr) {
    if (m_site) {
      m_site->Close();
      m_site->Release();
    }
    m_site = site;
  }
  ControlSite* operator->() const { return m_site; }
  ControlSite* Get() const { return m_site; }
  // Gives up ownership without closing the control.
  ControlSite* Detach() {
    ControlSite* site = m_site;
    m_site = nullptr;
    return site;
  }
  explicit operator bool() const { return m_site != nullptr; }

 private:
  ControlSite* m_site = nullptr;
};
