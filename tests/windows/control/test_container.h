// A minimal control container as a form builds one: a top-level window, and a site
// object (IOleClientSite, IOleInPlaceSite and IDispatch for the ambient properties)
// that records which of its members the control called, in order.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

#include <map>
#include <string>
#include <vector>

#include "com_client.h"
#include "control_ids.h"

namespace container {

class Site : public IOleClientSite, public IOleInPlaceSite, public IDispatch {
 public:
  explicit Site(HWND frame) : m_frame(frame) {}

  std::vector<std::string> calls;             // member names, in call order
  std::map<DISPID, client::Variant> ambients;  // what the site answers; others are unknown
  RECT posRect = {10, 10, 330, 50};           // in the frame's client area
  bool refuseInPlace = false;                 // CanInPlaceActivate answers S_FALSE
  ULONG refs = 1;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
  STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL) override;
  STDMETHODIMP RequestNewObjectLayout() override;
  // IOleWindow / IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* phwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override;
  // IDispatch: ambient properties by DISPID
  STDMETHODIMP GetTypeInfoCount(UINT* n) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override;

 protected:
  HWND m_frame;
};

// A form that draws windowless controls itself: the same site, also answering
// IOleInPlaceSiteEx and IOleInPlaceSiteWindowless (through a member object, so the
// in-place members stay the ones above). It records the rectangles the control asks it
// to redraw.
class WindowlessSite : public Site {
 public:
  explicit WindowlessSite(HWND frame) : Site(frame) { m_windowless.outer = this; }

  bool refuseWindowless = false;  // CanWindowlessActivate answers S_FALSE
  DWORD activateFlags = 0;        // as OnInPlaceActivateEx got them
  struct Invalidation {
    RECT rect;
    BOOL erase;
  };
  std::vector<Invalidation> invalidations;
  bool hasFocus = false;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

 private:
  struct Windowless : IOleInPlaceSiteWindowless {
    WindowlessSite* outer = nullptr;
    // IUnknown, IOleWindow and IOleInPlaceSite: the outer site's
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return outer->QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer->Release(); }
    STDMETHODIMP GetWindow(HWND* phwnd) override { return outer->GetWindow(phwnd); }
    STDMETHODIMP ContextSensitiveHelp(BOOL f) override { return outer->ContextSensitiveHelp(f); }
    STDMETHODIMP CanInPlaceActivate() override { return outer->CanInPlaceActivate(); }
    STDMETHODIMP OnInPlaceActivate() override { return outer->OnInPlaceActivate(); }
    STDMETHODIMP OnUIActivate() override { return outer->OnUIActivate(); }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
      return outer->GetWindowContext(ppFrame, ppDoc, lprcPosRect, lprcClipRect, lpFrameInfo);
    }
    STDMETHODIMP Scroll(SIZE s) override { return outer->Scroll(s); }
    STDMETHODIMP OnUIDeactivate(BOOL f) override { return outer->OnUIDeactivate(f); }
    STDMETHODIMP OnInPlaceDeactivate() override { return outer->OnInPlaceDeactivate(); }
    STDMETHODIMP DiscardUndoState() override { return outer->DiscardUndoState(); }
    STDMETHODIMP DeactivateAndUndo() override { return outer->DeactivateAndUndo(); }
    STDMETHODIMP OnPosRectChange(LPCRECT r) override { return outer->OnPosRectChange(r); }
    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL fNoRedraw) override;
    STDMETHODIMP RequestUIActivate() override { return S_OK; }
    // IOleInPlaceSiteWindowless
    STDMETHODIMP CanWindowlessActivate() override;
    STDMETHODIMP GetCapture() override { return S_FALSE; }
    STDMETHODIMP SetCapture(BOOL) override { return S_OK; }
    STDMETHODIMP GetFocus() override { return outer->hasFocus ? S_OK : S_FALSE; }
    STDMETHODIMP SetFocus(BOOL fFocus) override;
    STDMETHODIMP GetDC(LPCRECT, DWORD, HDC* phDC) override;
    STDMETHODIMP ReleaseDC(HDC) override { return E_NOTIMPL; }
    STDMETHODIMP InvalidateRect(LPCRECT pRect, BOOL fErase) override;
    STDMETHODIMP InvalidateRgn(HRGN, BOOL) override;
    STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
    STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
    STDMETHODIMP OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT* plResult) override;
  };
  Windowless m_windowless;
};

// The form: a visible top-level window at a fixed place on the screen.
class Frame {
 public:
  Frame(int width, int height);
  ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  HWND hwnd() const { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

// Dispatches every waiting message, then lets pending paints run, a few times over:
// what a container's message loop does between two calls into the control.
void PumpMessages();

// The control on a form, embedded the way a container embeds it: client site first
// (the control's misc status asks for that), then a new, empty state.
template <class SiteT>
struct Form {
  Form() : frame(360, 120), site(frame.hwnd()) {
    ctl = client::Create(qarn::kControlProgId, &createResult);
    ole = ctl.template As<IOleObject>(IID_IOleObject);
    if (!ole) return;
    ole->SetClientSite(&site);
    if (auto persist = ctl.template As<IPersistStreamInit>(IID_IPersistStreamInit)) persist->InitNew();
    inPlace = ctl.template As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    view = ctl.template As<IViewObject>(IID_IViewObject);
  }
  ~Form() {
    if (!ole) return;
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
  }
  HRESULT DoVerb(LONG verb) { return ole->DoVerb(verb, nullptr, &site, 0, frame.hwnd(), &site.posRect); }
  HWND ControlWindow() {
    HWND hwnd = nullptr;
    return inPlace && SUCCEEDED(inPlace->GetWindow(&hwnd)) ? hwnd : nullptr;
  }
  // The reference host as qarnocx; message boxes are answered instead of waiting.
  bool ConnectHost() {
    host = client::Create(qarn::kHostProgId);
    if (!host) return false;
    client::PutByName(host.Get(), "messageBoxAnswer", client::Variant::I4(IDOK));
    return SUCCEEDED(client::PutByName(ctl.Get(), "qarnocx", client::Variant::Disp(host.Get())).hr);
  }

  Frame frame;
  SiteT site;
  HRESULT createResult = E_FAIL;
  client::Ptr<IDispatch> host, ctl;  // the control goes before the host it points to
  client::Ptr<IOleObject> ole;
  client::Ptr<IOleInPlaceObject> inPlace;
  client::Ptr<IViewObject> view;
};

// What a form paints of the control through IViewObject::Draw: a form-sized memory DC
// filled grey, the control drawn into bounds (none: at its position rectangle).
struct FormPicture {
  static constexpr COLORREF kFormGrey = RGB(128, 128, 128);
  explicit FormPicture(IViewObject* view, const RECTL* bounds = nullptr);
  size_t Count(COLORREF c, const RECT& in) const;
  int width = 360, height = 120;
  std::vector<COLORREF> pixels;
  HRESULT drawResult = E_FAIL;
};

// The site's calls as "A, B, C", and how often one of them came.
std::string Joined(const std::vector<std::string>& calls);
size_t CountOf(const std::vector<std::string>& calls, const char* name);

}  // namespace container
