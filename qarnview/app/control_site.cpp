#include "qarnview/app/control_site.h"

#include <cstring>
#include <cwchar>

namespace {

std::wstring HresultText(const wchar_t* what, HRESULT hr) {
  wchar_t text[160];
  std::swprintf(text, 160, L"%ls failed (0x%08lx)", what, static_cast<unsigned long>(hr));
  return text;
}

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

struct AmbientName {
  const wchar_t* name;
  DISPID id;
};
const AmbientName kAmbientNames[] = {
    {L"BackColor", DISPID_AMBIENT_BACKCOLOR}, {L"ForeColor", DISPID_AMBIENT_FORECOLOR},
    {L"Font", DISPID_AMBIENT_FONT},           {L"UserMode", DISPID_AMBIENT_USERMODE},
    {L"LocaleID", DISPID_AMBIENT_LOCALEID},   {L"MessageReflect", DISPID_AMBIENT_MESSAGEREFLECT},
    {L"UIDead", DISPID_AMBIENT_UIDEAD},       {L"ShowGrabHandles", DISPID_AMBIENT_SHOWGRABHANDLES},
    {L"ShowHatching", DISPID_AMBIENT_SHOWHATCHING}, {L"DisplayName", DISPID_AMBIENT_DISPLAYNAME},
};

}  // namespace

// ---------------------------------------------------------------- InPlaceFrame

HRESULT InPlaceFrame::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow ||
      riid == IID_IOleInPlaceFrame) {
    *ppv = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG InPlaceFrame::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG InPlaceFrame::Release() {
  LONG refs = InterlockedDecrement(&m_refs);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT InPlaceFrame::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_frame;
  return S_OK;
}

// ---------------------------------------------------------------- ControlSite

ControlSite::ControlSite(HWND parent, HWND frame, const Ambients& ambients)
    : m_parent(parent), m_frameWindow(frame), m_ambients(ambients) {}

ControlSite::~ControlSite() { Close(); }

std::wstring ControlSite::Create(const wchar_t* progId, const RECT& rect) {
  Close();
  m_rect = rect;
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return std::wstring(progId) + L" is not registered";
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&m_object));
  if (FAILED(hr)) return HresultText((std::wstring(L"Creating ") + progId).c_str(), hr);
  hr = m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
  if (FAILED(hr)) {
    Close();
    return std::wstring(progId) + L" has no automation interface";
  }
  // Not every object is a control: a plain automation object is kept without a site.
  if (FAILED(m_object->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_oleObject)))) return L"";

  // The site goes in before the properties are loaded, so the control can read the
  // ambient values (OLEMISC_SETCLIENTSITEFIRST is the common case for controls).
  m_oleObject->SetClientSite(static_cast<IOleClientSite*>(this));
  IPersistStreamInit* init = nullptr;
  if (SUCCEEDED(m_object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&init)))) {
    init->InitNew();
    init->Release();
  }
  IOleControl* control = nullptr;
  if (SUCCEEDED(m_object->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)))) {
    control->OnAmbientPropertyChange(DISPID_UNKNOWN);
    control->Release();
  }
  HDC screen = GetDC(nullptr);
  SIZEL extent = {MulDiv(rect.right - rect.left, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
                  MulDiv(rect.bottom - rect.top, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
  ReleaseDC(nullptr, screen);
  m_oleObject->SetExtent(DVASPECT_CONTENT, &extent);
  hr = m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, m_parent,
                           &m_rect);
  if (FAILED(hr)) {
    Close();
    return HresultText(L"In-place activation", hr);
  }
  if (m_inPlaceObject) m_inPlaceObject->SetObjectRects(&m_rect, &m_rect);
  return L"";
}

void ControlSite::Close() {
  if (m_inPlaceObject) m_inPlaceObject->InPlaceDeactivate();
  ReleaseInto(m_inPlaceObject);
  if (m_oleObject) {
    m_oleObject->Close(OLECLOSE_NOSAVE);
    m_oleObject->SetClientSite(nullptr);
  }
  ReleaseInto(m_oleObject);
  ReleaseInto(m_dispatch);
  ReleaseInto(m_object);
  m_inPlaceActive = false;
}

HWND ControlSite::ControlWindow() const {
  HWND hwnd = nullptr;
  if (m_inPlaceObject && SUCCEEDED(m_inPlaceObject->GetWindow(&hwnd))) return hwnd;
  return nullptr;
}

void ControlSite::SetRect(const RECT& rect) {
  m_rect = rect;
  if (m_inPlaceObject) m_inPlaceObject->SetObjectRects(&m_rect, &m_rect);
}

bool ControlSite::Draw(HDC hdc, const RECT& rect) {
  if (!m_object) return false;
  IViewObject* view = nullptr;
  if (FAILED(m_object->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)))) return false;
  RECTL bounds = {rect.left, rect.top, rect.right, rect.bottom};
  HRESULT hr = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hdc, &bounds, nullptr, nullptr, 0);
  view->Release();
  return SUCCEEDED(hr);
}

HRESULT ControlSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite)
    *ppv = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
    *ppv = static_cast<IOleInPlaceSite*>(this);
  else if (riid == IID_IOleControlSite)
    *ppv = static_cast<IOleControlSite*>(this);
  else if (riid == IID_IDispatch)
    *ppv = static_cast<IDispatch*>(this);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG ControlSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG ControlSite::Release() {
  LONG refs = InterlockedDecrement(&m_refs);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** ppContainer) {
  if (ppContainer) *ppContainer = nullptr;
  return E_NOINTERFACE;
}

HRESULT ControlSite::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_parent;
  return S_OK;
}

HRESULT ControlSite::OnInPlaceActivate() {
  m_inPlaceActive = true;
  if (!m_inPlaceObject && m_object)
    m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
  return S_OK;
}

HRESULT ControlSite::OnInPlaceDeactivate() {
  m_inPlaceActive = false;
  return S_OK;
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                      LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
  if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect) return E_POINTER;
  *ppFrame = new InPlaceFrame(m_frameWindow);
  *ppDoc = nullptr;  // no document window between the frame and the site
  *lprcPosRect = m_rect;
  *lprcClipRect = m_rect;
  if (lpFrameInfo) {
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = m_frameWindow;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

HRESULT ControlSite::OnPosRectChange(LPCRECT lprcPosRect) {
  // The layout is the container's: the control keeps the place it was given.
  if (!lprcPosRect) return E_POINTER;
  if (m_inPlaceObject) m_inPlaceObject->SetObjectRects(&m_rect, &m_rect);
  return S_OK;
}

HRESULT ControlSite::GetExtendedControl(IDispatch** ppDisp) {
  if (ppDisp) *ppDisp = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) {
  if (!pPtlHimetric || !pPtfContainer) return E_POINTER;
  HDC screen = GetDC(nullptr);
  int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dwFlags & XFORMCOORDS_HIMETRICTOCONTAINER) {
    pPtfContainer->x = static_cast<float>(pPtlHimetric->x * dpiX / 2540.0);
    pPtfContainer->y = static_cast<float>(pPtlHimetric->y * dpiY / 2540.0);
  } else {
    pPtlHimetric->x = static_cast<LONG>(pPtfContainer->x * 2540.0 / dpiX + 0.5);
    pPtlHimetric->y = static_cast<LONG>(pPtfContainer->y * 2540.0 / dpiY + 0.5);
  }
  return S_OK;
}

HRESULT ControlSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  // Ambient properties take no arguments, so only the member name can be known.
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (count == 0) return S_OK;
  for (const AmbientName& a : kAmbientNames)
    if (_wcsicmp(names[0], a.name) == 0) ids[0] = a.id;
  return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  VariantInit(result);
  switch (id) {
    case DISPID_AMBIENT_BACKCOLOR:
    case DISPID_AMBIENT_FORECOLOR:
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(id == DISPID_AMBIENT_BACKCOLOR ? m_ambients.backColor : m_ambients.foreColor);
      return S_OK;
    case DISPID_AMBIENT_FONT: {
      FONTDESC desc = {};
      desc.cbSizeofstruct = sizeof(desc);
      desc.lpstrName = const_cast<LPOLESTR>(m_ambients.fontName);
      desc.cySize.int64 = static_cast<LONGLONG>(m_ambients.fontPoints) * 10000;
      desc.sWeight = FW_NORMAL;
      desc.sCharset = DEFAULT_CHARSET;
      IDispatch* font = nullptr;
      HRESULT hr = OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font));
      if (FAILED(hr)) return hr;
      result->vt = VT_DISPATCH;
      result->pdispVal = font;
      return S_OK;
    }
    case DISPID_AMBIENT_USERMODE:  // running, not designing a form
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
      result->vt = VT_BOOL;
      result->boolVal = id == DISPID_AMBIENT_USERMODE ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case DISPID_AMBIENT_LOCALEID:
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(GetUserDefaultLCID());
      return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(L"qarnview");
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}
