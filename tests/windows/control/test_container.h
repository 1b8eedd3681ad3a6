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

 private:
  HWND m_frame;
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

}  // namespace container
