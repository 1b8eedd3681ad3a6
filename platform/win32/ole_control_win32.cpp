#include "platform/win32/ole_control_win32.h"

#include <olectl.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/afx_control.h"
#include "platform/afx_dc.h"
#include "platform/prop_exchange.h"
#include "platform/resources_api.h"

namespace {

struct ClassTypeLib {
  GUID libid;
  WORD major;
  WORD minor;
  HINSTANCE module;
};

std::mutex g_mutex;
std::map<GUID, ClassTypeLib, bool (*)(const GUID&, const GUID&)>& TypeLibs() {
  static std::map<GUID, ClassTypeLib, bool (*)(const GUID&, const GUID&)> libs(
      [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; });
  return libs;
}

std::wstring WideFromNarrow(const char* text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
  return out;
}

LPOLESTR CoTaskStringCopy(const std::wstring& text) {
  auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (p) memcpy(p, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  return p;
}

template <class T>
void ReplaceInterface(T*& slot, T* value) {
  if (value) value->AddRef();
  T* old = slot;
  slot = value;
  if (old) old->Release();
}

struct ControlState;

// Every side interface answers IUnknown for the control it belongs to.
template <class I>
struct SideInterface : I {
  ControlState* m_state = nullptr;
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
};

struct XPersistStreamInit : SideInterface<IPersistStreamInit> {
  STDMETHOD(GetClassID)(CLSID* pClassID) override;
  STDMETHOD(IsDirty)() override;
  STDMETHOD(Load)(LPSTREAM pStm) override;
  STDMETHOD(Save)(LPSTREAM pStm, BOOL fClearDirty) override;
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER* pCbSize) override;
  STDMETHOD(InitNew)() override;
};

struct XPersistPropertyBag : SideInterface<IPersistPropertyBag> {
  STDMETHOD(GetClassID)(CLSID* pClassID) override;
  STDMETHOD(InitNew)() override;
  STDMETHOD(Load)(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
  STDMETHOD(Save)(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;
};

struct XOleObject : SideInterface<IOleObject> {
  STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) override;
  STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) override;
  STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
  STDMETHOD(Close)(DWORD dwSaveOption) override;
  STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) override;
  STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
  STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
  STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) override;
  STDMETHOD(DoVerb)(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                    LPCRECT lprcPosRect) override;
  STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) override;
  STDMETHOD(Update)() override;
  STDMETHOD(IsUpToDate)() override;
  STDMETHOD(GetUserClassID)(CLSID* pClsid) override;
  STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
  STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
  STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
  STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  STDMETHOD(Unadvise)(DWORD dwConnection) override;
  STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) override;
  STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) override;
  STDMETHOD(SetColorScheme)(LOGPALETTE* pLogpal) override;
};

struct XOleControl : SideInterface<IOleControl> {
  STDMETHOD(GetControlInfo)(CONTROLINFO* pCI) override;
  STDMETHOD(OnMnemonic)(MSG* pMsg) override;
  STDMETHOD(OnAmbientPropertyChange)(DISPID dispID) override;
  STDMETHOD(FreezeEvents)(BOOL bFreeze) override;
};

// Serves IOleInPlaceObject too: the windowless form only adds the messages a
// windowless container forwards and the drop target.
struct XOleInPlaceObject : SideInterface<IOleInPlaceObjectWindowless> {
  STDMETHOD(GetWindow)(HWND* phwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) override;
  STDMETHOD(InPlaceDeactivate)() override;
  STDMETHOD(UIDeactivate)() override;
  STDMETHOD(SetObjectRects)(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
  STDMETHOD(ReactivateAndUndo)() override;
  STDMETHOD(OnWindowMessage)(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) override;
  STDMETHOD(GetDropTarget)(IDropTarget** ppDropTarget) override;
};

struct XOleInPlaceActiveObject : SideInterface<IOleInPlaceActiveObject> {
  STDMETHOD(GetWindow)(HWND* phwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) override;
  STDMETHOD(TranslateAccelerator)(LPMSG lpmsg) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) override;
  STDMETHOD(OnDocWindowActivate)(BOOL fActivate) override;
  STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) override;
  STDMETHOD(EnableModeless)(BOOL fEnable) override;
};

struct XViewObject2 : SideInterface<IViewObject2> {
  STDMETHOD(Draw)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                  HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds, BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR),
                  ULONG_PTR dwContinue) override;
  STDMETHOD(GetColorSet)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hicTargetDev,
                         LOGPALETTE** ppColorSet) override;
  STDMETHOD(Freeze)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
  STDMETHOD(Unfreeze)(DWORD dwFreeze) override;
  STDMETHOD(SetAdvise)(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
  STDMETHOD(GetAdvise)(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;
  STDMETHOD(GetExtent)(DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd, LPSIZEL lpsizel) override;
};

struct XProvideClassInfo2 : SideInterface<IProvideClassInfo2> {
  STDMETHOD(GetClassInfo)(ITypeInfo** ppTI) override;
  STDMETHOD(GetGUID)(DWORD dwGuidKind, GUID* pGUID) override;
};

struct XSpecifyPropertyPages : SideInterface<ISpecifyPropertyPages> {
  STDMETHOD(GetPages)(CAUUID* pPages) override;
};

struct ControlState {
  explicit ControlState(COleControl* ctrl) : pCtrl(ctrl) {
    persistStream.m_state = persistBag.m_state = this;
    oleObject.m_state = this;
    oleControl.m_state = this;
    inPlaceObject.m_state = this;
    inPlaceActive.m_state = this;
    viewObject.m_state = this;
    classInfo.m_state = this;
    propertyPages.m_state = this;
    extent = ctrl->GetExtent();
  }
  ~ControlState() {
    if (hwnd) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);  // no paint may reach a control that is going
      DestroyWindow(hwnd);
    }
    if (pFrame) pFrame->Release();
    if (pUIWindow) pUIWindow->Release();
    if (pWindowlessSite) pWindowlessSite->Release();
    if (pInPlaceSite) pInPlaceSite->Release();
    if (pClientSite) pClientSite->Release();
    if (pAdviseHolder) pAdviseHolder->Release();
    if (pViewSink) pViewSink->Release();
  }
  ControlState(const ControlState&) = delete;
  ControlState& operator=(const ControlState&) = delete;

  COleControl* pCtrl;
  XPersistStreamInit persistStream;
  XPersistPropertyBag persistBag;
  XOleObject oleObject;
  XOleControl oleControl;
  XOleInPlaceObject inPlaceObject;
  XOleInPlaceActiveObject inPlaceActive;
  XViewObject2 viewObject;
  XProvideClassInfo2 classInfo;
  XSpecifyPropertyPages propertyPages;

  IOleClientSite* pClientSite = nullptr;
  IOleInPlaceSite* pInPlaceSite = nullptr;
  IOleInPlaceFrame* pFrame = nullptr;        // while UI-active
  IOleInPlaceUIWindow* pUIWindow = nullptr;  // while UI-active; null when the frame is the document
  HWND hwnd = nullptr;  // the control's window while in-place active with one
  // While in-place active without a window: the site that draws the control and
  // redraws its rectangle on request.
  IOleInPlaceSiteWindowless* pWindowlessSite = nullptr;
  bool uiActive = false;
  IOleAdviseHolder* pAdviseHolder = nullptr;
  IAdviseSink* pViewSink = nullptr;
  DWORD viewAspects = 0;
  DWORD viewAdvf = 0;
  SIZEL extent = {0, 0};  // HIMETRIC
  RECT posRect = {0, 0, 0, 0};
  LONG freezeCount = 0;

  // In-place activation through the site (IOleInPlaceSite and, where offered, its Ex
  // form): the control's window is created as a child of the site's window, unless the
  // site is windowless-capable and agrees, in which case the control has no window.
  HRESULT ActivateInPlace(IOleClientSite* pActiveSite, LPCRECT lprcPosRect, bool uiActivate);
  void DeactivateUI();
  void DeactivateInPlace();

  void NotifyViewChange() {
    if (pViewSink && (viewAspects & DVASPECT_CONTENT)) pViewSink->OnViewChange(DVASPECT_CONTENT, -1);
    if (pViewSink && (viewAdvf & ADVF_ONLYONCE)) ReplaceInterface<IAdviseSink>(pViewSink, nullptr);
  }
};

// ---------------------------------------------------------------- the control's window

constexpr wchar_t kWindowClass[] = L"QarneditControlWindow";
std::atomic<int> g_liveWindows{0};  // the class goes with the last window, so an unloaded module leaves none behind

HINSTANCE WindowModule() {
  HINSTANCE module = QarnGetResourceInstance();
  return module ? module : GetModuleHandleW(nullptr);
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ControlState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND:
      return 1;  // OnDraw fills the whole control: erasing first would only flicker
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      if (state && hdc) {
        RECT client;
        GetClientRect(hwnd, &client);
        CDC dc;
        dc.Attach(hdc);
        state->pCtrl->AddRef();  // a container may drop the control from an event fired while drawing
        state->pCtrl->OnDraw(&dc, CRect(client), CRect(ps.rcPaint));
        dc.Detach();  // BeginPaint's DC goes back through EndPaint
        state->pCtrl->Release();
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (state && state->hwnd == hwnd) {
        state->hwnd = nullptr;
        state->pCtrl->QarnSetWindowHandle(nullptr);
      }
      if (--g_liveWindows == 0) UnregisterClassW(kWindowClass, WindowModule());
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateControlWindow(ControlState* state, HWND parent, const RECT& pos) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = WindowModule();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pos.left, pos.top,
                              pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, WindowModule(), state);
  if (hwnd) {
    ++g_liveWindows;
  } else if (g_liveWindows == 0) {
    UnregisterClassW(kWindowClass, WindowModule());
  }
  return hwnd;
}

std::map<COleControl*, std::unique_ptr<ControlState>>& States() {
  static std::map<COleControl*, std::unique_ptr<ControlState>> states;
  return states;
}

// The control's side objects if a container has asked for any, else null.
ControlState* ExistingStateOf(COleControl* pCtrl) {
  std::lock_guard<std::mutex> guard(g_mutex);
  auto it = States().find(pCtrl);
  return it == States().end() ? nullptr : it->second.get();
}

ControlState* StateOf(COleControl* pCtrl) {
  std::lock_guard<std::mutex> guard(g_mutex);
  auto& states = States();
  auto it = states.find(pCtrl);
  if (it != states.end()) return it->second.get();
  auto state = std::make_unique<ControlState>(pCtrl);
  ControlState* p = state.get();
  states.emplace(pCtrl, std::move(state));
  return p;
}

template <class I>
HRESULT SideInterface<I>::QueryInterface(REFIID riid, void** ppv) {
  return m_state->pCtrl->QueryInterface(riid, ppv);
}
template <class I>
ULONG SideInterface<I>::AddRef() {
  return m_state->pCtrl->AddRef();
}
template <class I>
ULONG SideInterface<I>::Release() {
  return m_state->pCtrl->Release();
}

// ---------------------------------------------------------------- type information

HRESULT LoadClassTypeLib(REFCLSID clsid, ITypeLib** ppLib) {
  *ppLib = nullptr;
  ClassTypeLib entry;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto it = TypeLibs().find(clsid);
    if (it == TypeLibs().end()) return TYPE_E_ELEMENTNOTFOUND;
    entry = it->second;
  }
  HRESULT hr = LoadRegTypeLib(entry.libid, entry.major, entry.minor, GetUserDefaultLCID(), ppLib);
  if (SUCCEEDED(hr)) return hr;
  // Not registered (yet): the copy embedded in the module describes the same classes.
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(entry.module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return hr;
  return LoadTypeLibEx(path, REGKIND_NONE, ppLib);
}

// ---------------------------------------------------------------- IPersistStreamInit

// The stream holds a 32-bit byte count, then the control's property data, so a
// container may keep other data after it in the same stream.
HRESULT XPersistStreamInit::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  return m_state->pCtrl->GetClassID(pClassID);
}

HRESULT XPersistStreamInit::IsDirty() { return m_state->pCtrl->IsModified() ? S_OK : S_FALSE; }

HRESULT XPersistStreamInit::Load(LPSTREAM pStm) {
  if (!pStm) return E_POINTER;
  DWORD size = 0;
  ULONG read = 0;
  HRESULT hr = pStm->Read(&size, sizeof size, &read);
  if (FAILED(hr) || read != sizeof size) return STG_E_READFAULT;
  std::vector<BYTE> data(size);
  if (size) {
    hr = pStm->Read(data.data(), size, &read);
    if (FAILED(hr) || read != size) return STG_E_READFAULT;
  }
  hr = QarnLoadFromStream(m_state->pCtrl, data.data(), data.size());
  if (SUCCEEDED(hr)) m_state->NotifyViewChange();
  return hr;
}

HRESULT XPersistStreamInit::Save(LPSTREAM pStm, BOOL fClearDirty) {
  if (!pStm) return E_POINTER;
  std::vector<BYTE> data;
  HRESULT hr = QarnSaveToStream(m_state->pCtrl, data, FALSE);
  if (FAILED(hr)) return hr;
  DWORD size = static_cast<DWORD>(data.size());
  ULONG written = 0;
  hr = pStm->Write(&size, sizeof size, &written);
  if (FAILED(hr) || written != sizeof size) return STG_E_WRITEFAULT;
  if (size) {
    hr = pStm->Write(data.data(), size, &written);
    if (FAILED(hr) || written != size) return STG_E_WRITEFAULT;
  }
  // Only a stream that was written completely counts as saved.
  if (fClearDirty) m_state->pCtrl->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT XPersistStreamInit::GetSizeMax(ULARGE_INTEGER* pCbSize) {
  if (!pCbSize) return E_POINTER;
  std::vector<BYTE> data;
  HRESULT hr = QarnSaveToStream(m_state->pCtrl, data, FALSE);
  if (FAILED(hr)) return hr;
  pCbSize->QuadPart = sizeof(DWORD) + data.size();
  return S_OK;
}

HRESULT XPersistStreamInit::InitNew() { return QarnInitNew(m_state->pCtrl); }

// ---------------------------------------------------------------- IPersistPropertyBag

HRESULT XPersistPropertyBag::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  return m_state->pCtrl->GetClassID(pClassID);
}

HRESULT XPersistPropertyBag::InitNew() { return QarnInitNew(m_state->pCtrl); }

HRESULT XPersistPropertyBag::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
  if (!pPropBag) return E_POINTER;
  // A container's bag can only be asked by name: the names (and the types to ask
  // for) are the ones the control saves.
  CQarnPropertyBag names;
  HRESULT hr = QarnSaveToBag(m_state->pCtrl, names, FALSE);
  if (FAILED(hr)) return hr;
  CQarnPropertyBag found;
  for (size_t i = 0; i < names.GetCount(); ++i) {
    std::wstring name = WideFromNarrow(names.GetName(i));
    VARIANT value;
    VariantInit(&value);
    value.vt = names.GetValue(i).vt;
    if (SUCCEEDED(pPropBag->Read(name.c_str(), &value, pErrorLog))) found.Write(names.GetName(i), &value);
    VariantClear(&value);
  }
  hr = QarnLoadFromBag(m_state->pCtrl, found);
  if (SUCCEEDED(hr)) m_state->NotifyViewChange();
  return hr;
}

HRESULT XPersistPropertyBag::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
  if (!pPropBag) return E_POINTER;
  CQarnPropertyBag bag;
  HRESULT hr = QarnSaveToBag(m_state->pCtrl, bag, FALSE);
  if (FAILED(hr)) return hr;
  for (size_t i = 0; i < bag.GetCount(); ++i) {
    std::wstring name = WideFromNarrow(bag.GetName(i));
    VARIANT value;
    VariantInit(&value);
    VariantCopy(&value, &bag.GetValue(i));
    hr = pPropBag->Write(name.c_str(), &value);
    VariantClear(&value);
    if (FAILED(hr)) return hr;
  }
  if (fClearDirty) m_state->pCtrl->SetModifiedFlag(FALSE);
  return S_OK;
}

// ---------------------------------------------------------------- IOleObject

HRESULT XOleObject::SetClientSite(IOleClientSite* pClientSite) {
  ReplaceInterface(m_state->pClientSite, pClientSite);
  // The site's IDispatch answers the ambient properties (colours, font).
  IDispatch* pAmbient = nullptr;
  if (pClientSite) pClientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pAmbient));
  m_state->pCtrl->QarnSetAmbientDispatch(pAmbient);
  if (pAmbient) pAmbient->Release();
  return S_OK;
}

HRESULT XOleObject::GetClientSite(IOleClientSite** ppClientSite) {
  if (!ppClientSite) return E_POINTER;
  *ppClientSite = m_state->pClientSite;
  if (*ppClientSite) (*ppClientSite)->AddRef();
  return S_OK;
}

HRESULT XOleObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT XOleObject::Close(DWORD dwSaveOption) {
  m_state->inPlaceObject.InPlaceDeactivate();
  if (m_state->pClientSite && m_state->pCtrl->IsModified() &&
      (dwSaveOption == OLECLOSE_SAVEIFDIRTY || dwSaveOption == OLECLOSE_PROMPTSAVE)) {
    m_state->pClientSite->SaveObject();
  }
  if (m_state->pAdviseHolder) m_state->pAdviseHolder->SendOnClose();
  return S_OK;
}

HRESULT XOleObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT XOleObject::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

HRESULT XOleObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT XOleObject::GetClipboardData(DWORD, IDataObject** ppDataObject) {
  if (ppDataObject) *ppDataObject = nullptr;
  return E_NOTIMPL;
}

HRESULT XOleObject::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent,
                           LPCRECT lprcPosRect) {
  switch (iVerb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_UIACTIVATE:
      return m_state->ActivateInPlace(pActiveSite, lprcPosRect, true);
    case OLEIVERB_INPLACEACTIVATE:
      return m_state->ActivateInPlace(pActiveSite, lprcPosRect, false);
    case OLEIVERB_HIDE:
      m_state->DeactivateUI();
      if (m_state->hwnd) ShowWindow(m_state->hwnd, SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES: {
      ULONG cPages = 0;
      const CLSID* pages = m_state->pCtrl->GetPropPageIDs(cPages);
      if (!cPages || !pages) return S_OK;
      IUnknown* pUnk = static_cast<IDispatch*>(m_state->pCtrl);
      return OleCreatePropertyFrame(hwndParent, 0, 0, nullptr, 1, &pUnk, cPages, const_cast<CLSID*>(pages),
                                    GetUserDefaultLCID(), 0, nullptr);
    }
    default:
      return iVerb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

HRESULT XOleObject::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
  // No verbs of our own: the container falls back on the registry (OleRegEnumVerbs).
  if (ppEnumOleVerb) *ppEnumOleVerb = nullptr;
  return OLE_S_USEREG;
}

HRESULT XOleObject::Update() { return S_OK; }

HRESULT XOleObject::IsUpToDate() { return S_OK; }

HRESULT XOleObject::GetUserClassID(CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  return m_state->pCtrl->GetClassID(pClsid);
}

HRESULT XOleObject::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) {
  if (!pszUserType) return E_POINTER;
  *pszUserType = nullptr;
  UINT id = m_state->pCtrl->GetUserTypeNameID();
  const wchar_t* text = nullptr;
  int n = id ? LoadStringW(QarnGetResourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0) : 0;
  if (n > 0 && text) {
    *pszUserType = CoTaskStringCopy(std::wstring(text, n));
    return *pszUserType ? S_OK : E_OUTOFMEMORY;
  }
  CLSID clsid;
  HRESULT hr = m_state->pCtrl->GetClassID(&clsid);
  return SUCCEEDED(hr) ? OleRegGetUserType(clsid, dwFormOfType, pszUserType) : hr;
}

HRESULT XOleObject::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!psizel) return E_POINTER;
  m_state->extent = *psizel;
  m_state->pCtrl->SetInitialSize(MulDiv(psizel->cx, 96, 2540), MulDiv(psizel->cy, 96, 2540));
  return S_OK;
}

HRESULT XOleObject::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!psizel) return E_POINTER;
  *psizel = m_state->extent;
  return S_OK;
}

HRESULT XOleObject::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
  if (!pdwConnection) return E_POINTER;
  *pdwConnection = 0;
  if (!m_state->pAdviseHolder) {
    HRESULT hr = CreateOleAdviseHolder(&m_state->pAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return m_state->pAdviseHolder->Advise(pAdvSink, pdwConnection);
}

HRESULT XOleObject::Unadvise(DWORD dwConnection) {
  if (!m_state->pAdviseHolder) return OLE_E_NOCONNECTION;
  return m_state->pAdviseHolder->Unadvise(dwConnection);
}

HRESULT XOleObject::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
  if (!ppenumAdvise) return E_POINTER;
  *ppenumAdvise = nullptr;
  if (!m_state->pAdviseHolder) return S_OK;
  return m_state->pAdviseHolder->EnumAdvise(ppenumAdvise);
}

HRESULT XOleObject::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
  if (!pdwStatus) return E_POINTER;
  *pdwStatus = dwAspect == DVASPECT_CONTENT ? m_state->pCtrl->GetMiscStatus() : 0;
  return S_OK;
}

HRESULT XOleObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---------------------------------------------------------------- IOleControl

HRESULT XOleControl::GetControlInfo(CONTROLINFO* pCI) {
  if (!pCI) return E_POINTER;
  if (pCI->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
  pCI->hAccel = nullptr;
  pCI->cAccel = 0;
  pCI->dwFlags = 0;
  return S_OK;
}

HRESULT XOleControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

HRESULT XOleControl::OnAmbientPropertyChange(DISPID) {
  // Colours and font may follow the container's: show the current state again.
  m_state->pCtrl->InvalidateControl(nullptr, TRUE);
  return S_OK;
}

HRESULT XOleControl::FreezeEvents(BOOL bFreeze) {
  m_state->freezeCount += bFreeze ? 1 : (m_state->freezeCount > 0 ? -1 : 0);
  return S_OK;
}

// ---------------------------------------------------------------- in-place

HRESULT XOleInPlaceObject::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_state->hwnd;
  return *phwnd ? S_OK : E_FAIL;
}

HRESULT XOleInPlaceObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT XOleInPlaceObject::InPlaceDeactivate() {
  m_state->DeactivateInPlace();
  return S_OK;
}

HRESULT XOleInPlaceObject::UIDeactivate() {
  m_state->DeactivateUI();
  return S_OK;
}

HRESULT XOleInPlaceObject::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
  if (!lprcPosRect) return E_POINTER;
  m_state->posRect = *lprcPosRect;
  if (m_state->hwnd) {
    const RECT& r = *lprcPosRect;
    MoveWindow(m_state->hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  return S_OK;
}

HRESULT XOleInPlaceObject::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

HRESULT XOleInPlaceObject::OnWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT* plResult) {
  if (!plResult) return E_POINTER;
  *plResult = 0;
  if (!m_state->pWindowlessSite) return E_UNEXPECTED;
  // With a window the control only paints (the site draws it through IViewObject now)
  // and shows the arrow; every other message gets the site's default handling.
  if (msg == WM_SETCURSOR) {
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
    *plResult = TRUE;
    return S_OK;
  }
  return S_FALSE;
}

HRESULT XOleInPlaceObject::GetDropTarget(IDropTarget** ppDropTarget) {
  if (!ppDropTarget) return E_POINTER;
  *ppDropTarget = nullptr;
  return E_NOTIMPL;  // nothing can be dropped on the control
}

HRESULT XOleInPlaceActiveObject::GetWindow(HWND* phwnd) { return m_state->inPlaceObject.GetWindow(phwnd); }

HRESULT XOleInPlaceActiveObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT XOleInPlaceActiveObject::TranslateAccelerator(LPMSG) { return S_FALSE; }

HRESULT XOleInPlaceActiveObject::OnFrameWindowActivate(BOOL) { return S_OK; }

HRESULT XOleInPlaceActiveObject::OnDocWindowActivate(BOOL) { return S_OK; }

HRESULT XOleInPlaceActiveObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

HRESULT XOleInPlaceActiveObject::EnableModeless(BOOL) { return S_OK; }

// ---------------------------------------------------------------- activation

HRESULT ControlState::ActivateInPlace(IOleClientSite* pActiveSite, LPCRECT lprcPosRect, bool uiActivate) {
  if (lprcPosRect) posRect = *lprcPosRect;
  if (!pInPlaceSite) {
    IOleClientSite* site = pActiveSite ? pActiveSite : pClientSite;
    IOleInPlaceSite* pSite = nullptr;
    // A container without in-place sites only draws the control (IViewObject).
    if (!site || FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&pSite))) || !pSite)
      return S_OK;
    if (pSite->CanInPlaceActivate() != S_OK) {
      pSite->Release();
      return E_FAIL;
    }
    // A site that draws windowless controls itself and agrees to draw this one saves
    // a window per control; any other site gets the child window as always.
    IOleInPlaceSiteWindowless* pWindowless = nullptr;
    if (FAILED(pSite->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&pWindowless))))
      pWindowless = nullptr;
    if (pWindowless && pWindowless->CanWindowlessActivate() != S_OK) {
      pWindowless->Release();
      pWindowless = nullptr;
    }
    IOleInPlaceSiteEx* pSiteEx = nullptr;
    HRESULT hr;
    BOOL noRedraw = FALSE;  // the site's word that what it shows of the control is current
    if (SUCCEEDED(pSite->QueryInterface(IID_IOleInPlaceSiteEx, reinterpret_cast<void**>(&pSiteEx))) && pSiteEx) {
      hr = pSiteEx->OnInPlaceActivateEx(&noRedraw, pWindowless ? ACTIVATE_WINDOWLESS : 0);
      pSiteEx->Release();
    } else {
      hr = pSite->OnInPlaceActivate();
    }
    if (FAILED(hr)) {
      if (pWindowless) pWindowless->Release();
      pSite->Release();
      return hr;
    }
    pInPlaceSite = pSite;
    pWindowlessSite = pWindowless;

    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos = posRect, clip = posRect;
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    if (SUCCEEDED(pSite->GetWindowContext(&frame, &doc, &pos, &clip, &frameInfo))) {
      if (!lprcPosRect) posRect = pos;
      ReplaceInterface(pFrame, frame);
      ReplaceInterface(pUIWindow, doc);
      if (frame) frame->Release();
      if (doc) doc->Release();
    }
    HWND parent = nullptr;
    if (pWindowlessSite) {
      // Drawn by the site from now on: unless it says its picture is current, it redraws.
      if (!noRedraw) pWindowlessSite->InvalidateRect(&posRect, TRUE);
    } else if (FAILED(pSite->GetWindow(&parent)) || !parent ||
               !(hwnd = CreateControlWindow(this, parent, posRect))) {
      // Nowhere to live: the activation is undone as the site expects.
      DeactivateInPlace();
      return E_FAIL;
    } else {
      pCtrl->QarnSetWindowHandle(hwnd);
    }
  } else if (lprcPosRect && hwnd) {
    MoveWindow(hwnd, posRect.left, posRect.top, posRect.right - posRect.left, posRect.bottom - posRect.top, TRUE);
  }
  if (hwnd) ShowWindow(hwnd, SW_SHOWNA);  // shown again after OLEIVERB_HIDE

  if (uiActivate && !uiActive && pInPlaceSite) {
    uiActive = true;
    pInPlaceSite->OnUIActivate();
    if (pFrame) pFrame->SetActiveObject(&inPlaceActive, nullptr);
    if (pUIWindow) pUIWindow->SetActiveObject(&inPlaceActive, nullptr);
    if (pFrame) pFrame->SetBorderSpace(nullptr);
    if (pUIWindow) pUIWindow->SetBorderSpace(nullptr);
    if (hwnd) SetFocus(hwnd);
    if (pWindowlessSite) pWindowlessSite->SetFocus(TRUE);  // the keyboard through the site's window
  }
  return S_OK;
}

void ControlState::DeactivateUI() {
  if (!uiActive) return;
  uiActive = false;
  if (pUIWindow) pUIWindow->SetActiveObject(nullptr, nullptr);
  if (pFrame) pFrame->SetActiveObject(nullptr, nullptr);
  if (pWindowlessSite) pWindowlessSite->SetFocus(FALSE);
  if (pInPlaceSite) pInPlaceSite->OnUIDeactivate(FALSE);
}

void ControlState::DeactivateInPlace() {
  DeactivateUI();
  if (hwnd) DestroyWindow(hwnd);  // its last message clears the handles
  ReplaceInterface<IOleInPlaceFrame>(pFrame, nullptr);
  ReplaceInterface<IOleInPlaceUIWindow>(pUIWindow, nullptr);
  IOleInPlaceSite* site = pInPlaceSite;
  IOleInPlaceSiteWindowless* windowless = pWindowlessSite;
  pWindowlessSite = nullptr;
  if (windowless) {
    // The Ex activation is answered by its Ex deactivation; the site keeps drawing the
    // control as an inactive object, so it needs no redraw for it.
    windowless->OnInPlaceDeactivateEx(TRUE);
    windowless->Release();
  }
  if (!site) return;
  pInPlaceSite = nullptr;
  if (!windowless) site->OnInPlaceDeactivate();
  site->Release();
}

// ---------------------------------------------------------------- IViewObject2

HRESULT XViewObject2::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL lprcBounds,
                           LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!hdcDraw) return E_INVALIDARG;
  CRect bounds(m_state->posRect);
  if (lprcBounds) bounds = CRect(lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom);
  CDC dc;
  dc.Attach(hdcDraw);
  int saved = SaveDC(hdcDraw);
  m_state->pCtrl->OnDraw(&dc, bounds, bounds);
  RestoreDC(hdcDraw, saved);
  dc.Detach();  // the container's DC: not ours to delete
  return S_OK;
}

HRESULT XViewObject2::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
  if (ppColorSet) *ppColorSet = nullptr;
  return S_FALSE;
}

HRESULT XViewObject2::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) {
  if (pdwFreeze) *pdwFreeze = 0;
  return E_NOTIMPL;
}

HRESULT XViewObject2::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT XViewObject2::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
  ReplaceInterface(m_state->pViewSink, pAdvSink);
  m_state->viewAspects = aspects;
  m_state->viewAdvf = advf;
  if (pAdvSink && (advf & ADVF_PRIMEFIRST)) m_state->NotifyViewChange();
  return S_OK;
}

HRESULT XViewObject2::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
  if (pAspects) *pAspects = m_state->viewAspects;
  if (pAdvf) *pAdvf = m_state->viewAdvf;
  if (ppAdvSink) {
    *ppAdvSink = m_state->pViewSink;
    if (*ppAdvSink) (*ppAdvSink)->AddRef();
  }
  return S_OK;
}

HRESULT XViewObject2::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*, LPSIZEL lpsizel) {
  return m_state->oleObject.GetExtent(dwDrawAspect, lpsizel);
}

// ---------------------------------------------------------------- class info, pages

HRESULT XProvideClassInfo2::GetClassInfo(ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  *ppTI = nullptr;
  CLSID clsid;
  HRESULT hr = m_state->pCtrl->GetClassID(&clsid);
  if (FAILED(hr)) return hr;
  ITypeLib* pLib = nullptr;
  hr = LoadClassTypeLib(clsid, &pLib);
  if (FAILED(hr)) return hr;
  hr = pLib->GetTypeInfoOfGuid(clsid, ppTI);
  pLib->Release();
  return hr;
}

HRESULT XProvideClassInfo2::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
  if (!pGUID) return E_POINTER;
  *pGUID = GUID_NULL;
  if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  ITypeInfo* pClass = nullptr;
  HRESULT hr = GetClassInfo(&pClass);
  if (FAILED(hr)) return hr;
  TYPEATTR* pAttr = nullptr;
  hr = pClass->GetTypeAttr(&pAttr);
  if (SUCCEEDED(hr)) {
    hr = E_UNEXPECTED;
    for (UINT i = 0; i < pAttr->cImplTypes; ++i) {
      INT flags = 0;
      HREFTYPE ref = 0;
      ITypeInfo* pImpl = nullptr;
      if (FAILED(pClass->GetImplTypeFlags(i, &flags)) || (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
                                                           (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
        continue;
      if (FAILED(pClass->GetRefTypeOfImplType(i, &ref)) || FAILED(pClass->GetRefTypeInfo(ref, &pImpl))) continue;
      TYPEATTR* pImplAttr = nullptr;
      if (SUCCEEDED(pImpl->GetTypeAttr(&pImplAttr))) {
        *pGUID = pImplAttr->guid;
        pImpl->ReleaseTypeAttr(pImplAttr);
        hr = S_OK;
      }
      pImpl->Release();
      break;
    }
    pClass->ReleaseTypeAttr(pAttr);
  }
  pClass->Release();
  return hr;
}

HRESULT XSpecifyPropertyPages::GetPages(CAUUID* pPages) {
  if (!pPages) return E_POINTER;
  pPages->cElems = 0;
  pPages->pElems = nullptr;
  ULONG count = 0;
  const CLSID* ids = m_state->pCtrl->GetPropPageIDs(count);
  if (!count || !ids) return S_OK;
  pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(count * sizeof(GUID)));
  if (!pPages->pElems) return E_OUTOFMEMORY;
  memcpy(pPages->pElems, ids, count * sizeof(GUID));
  pPages->cElems = count;
  return S_OK;
}

}  // namespace

void* QarnWin32ControlInterface(COleControl* pCtrl, REFIID riid) {
  if (!pCtrl) return nullptr;
  ControlState* s = nullptr;
  auto state = [&]() {
    if (!s) s = StateOf(pCtrl);
    return s;
  };
  if (riid == IID_IPersistStreamInit || riid == IID_IPersist)
    return static_cast<IPersistStreamInit*>(&state()->persistStream);
  if (riid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(&state()->persistBag);
  if (riid == IID_IOleObject) return static_cast<IOleObject*>(&state()->oleObject);
  if (riid == IID_IOleControl) return static_cast<IOleControl*>(&state()->oleControl);
  if (riid == IID_IOleInPlaceObject || riid == IID_IOleWindow || riid == IID_IOleInPlaceObjectWindowless)
    return static_cast<IOleInPlaceObjectWindowless*>(&state()->inPlaceObject);
  if (riid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(&state()->inPlaceActive);
  if (riid == IID_IViewObject2 || riid == IID_IViewObject) return static_cast<IViewObject2*>(&state()->viewObject);
  if (riid == IID_IProvideClassInfo2 || riid == IID_IProvideClassInfo)
    return static_cast<IProvideClassInfo2*>(&state()->classInfo);
  if (riid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(&state()->propertyPages);
  return nullptr;
}

void QarnWin32ControlDestroyed(COleControl* pCtrl) {
  std::unique_ptr<ControlState> state;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto it = States().find(pCtrl);
    if (it == States().end()) return;
    state = std::move(it->second);
    States().erase(it);
  }
  // Released outside the lock: a site's Release may call back into other controls.
}

void QarnWin32InvalidateControl(COleControl* pCtrl, const RECT* lpRect, BOOL bErase) {
  ControlState* state = ExistingStateOf(pCtrl);
  if (!state) return;  // no container has the control yet: nothing shows it
  if (state->hwnd) {
    InvalidateRect(state->hwnd, lpRect, bErase);
    return;
  }
  if (state->pWindowlessSite) {
    // The site draws the control in its own window: the rectangle, moved from the
    // control's coordinates to the site's, is redrawn there.
    RECT r = state->posRect;
    if (lpRect) {
      r = *lpRect;
      OffsetRect(&r, state->posRect.left, state->posRect.top);
      IntersectRect(&r, &r, &state->posRect);
    }
    state->pWindowlessSite->InvalidateRect(&r, bErase);
    return;
  }
  // Drawn by the container (IViewObject): it is told the picture changed.
  state->NotifyViewChange();
}

void QarnWin32RegisterControlTypeLib(REFCLSID clsid, REFGUID libid, WORD wMajor, WORD wMinor, HINSTANCE module) {
  std::lock_guard<std::mutex> guard(g_mutex);
  TypeLibs()[clsid] = ClassTypeLib{libid, wMajor, wMinor, module};
}
