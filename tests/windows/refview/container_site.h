// The smallest container that sites a control in place: one window, a client site and
// an in-place site without frame or document window. It counts the notifications the
// control sends, so tests can check the activation handshake.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

class ContainerSite final : public IOleClientSite, public IOleInPlaceSite {
 public:
  ContainerSite(HWND window, RECT position) : m_window(window), m_position(position) {}

  int inPlaceActivations = 0;
  int inPlaceDeactivations = 0;
  int uiActivations = 0;

  // IUnknown: the site lives on the test's stack, longer than any control it sites.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }

  // IOleClientSite
  STDMETHOD(SaveObject)() override { return E_NOTIMPL; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHOD(GetContainer)(IOleContainer** container) override;
  STDMETHOD(ShowObject)() override { return S_OK; }
  STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
  STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHOD(GetWindow)(HWND* hwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHOD(CanInPlaceActivate)() override { return S_OK; }
  STDMETHOD(OnInPlaceActivate)() override;
  STDMETHOD(OnUIActivate)() override;
  STDMETHOD(GetWindowContext)(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                              LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
  STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
  STDMETHOD(OnUIDeactivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnInPlaceDeactivate)() override;
  STDMETHOD(DiscardUndoState)() override { return S_OK; }
  STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
  STDMETHOD(OnPosRectChange)(LPCRECT) override { return S_OK; }

 private:
  HWND m_window;
  RECT m_position;
};
