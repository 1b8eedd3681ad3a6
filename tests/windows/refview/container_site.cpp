#include "container_site.h"

HRESULT STDMETHODCALLTYPE ContainerSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
    *ppv = static_cast<IOleClientSite*>(this);
  else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
    *ppv = static_cast<IOleInPlaceSite*>(this);
  return *ppv ? S_OK : E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ContainerSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ContainerSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ContainerSite::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = m_window;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ContainerSite::OnInPlaceActivate() {
  ++inPlaceActivations;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ContainerSite::OnUIActivate() {
  ++uiActivations;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ContainerSite::OnInPlaceDeactivate() {
  ++inPlaceDeactivations;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ContainerSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                          LPRECT position, LPRECT clip,
                                                          LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame) *frame = nullptr;
  if (document) *document = nullptr;
  if (position) *position = m_position;
  if (clip) *clip = m_position;
  if (frameInfo) {
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_window;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}
