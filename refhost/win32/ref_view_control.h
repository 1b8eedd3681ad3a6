// The reference host as a visible view control ("QARNREF.RefView.1"): the same host
// as the RefHost object, whose view window becomes a child of the container's window
// when the control is activated in place. The window shows the grid, the figures the
// host holds, the highlighted record's vertices and the editor's overlay; its mouse
// input reaches the registered pointer handler, and the wheel and middle-button drag
// zoom and pan the host's own view transform.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/abi.h"
#include "refhost/reference_host.h"

class RefViewControl final : public IDispatch,
                             public IOleObject,
                             public IOleInPlaceObject,
                             public IOleInPlaceActiveObject,
                             public IViewObject2,
                             public IPersistStreamInit,
                             public IOleControl,
                             public IProvideClassInfo2 {
 public:
  RefViewControl();
  RefViewControl(const RefViewControl&) = delete;
  RefViewControl& operator=(const RefViewControl&) = delete;

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IDispatch: the host's members, plus the view's own
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr) override;

  // IOleObject
  STDMETHOD(SetClientSite)(IOleClientSite* site) override;
  STDMETHOD(GetClientSite)(IOleClientSite** site) override;
  STDMETHOD(SetHostNames)(LPCOLESTR app, LPCOLESTR object) override;
  STDMETHOD(Close)(DWORD saveOption) override;
  STDMETHOD(SetMoniker)(DWORD which, IMoniker* moniker) override;
  STDMETHOD(GetMoniker)(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHOD(InitFromData)(IDataObject* data, BOOL creation, DWORD reserved) override;
  STDMETHOD(GetClipboardData)(DWORD reserved, IDataObject** data) override;
  STDMETHOD(DoVerb)(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                    LPCRECT posRect) override;
  STDMETHOD(EnumVerbs)(IEnumOLEVERB** verbs) override;
  STDMETHOD(Update)() override;
  STDMETHOD(IsUpToDate)() override;
  STDMETHOD(GetUserClassID)(CLSID* clsid) override;
  STDMETHOD(GetUserType)(DWORD form, LPOLESTR* userType) override;
  STDMETHOD(SetExtent)(DWORD aspect, SIZEL* size) override;
  STDMETHOD(GetExtent)(DWORD aspect, SIZEL* size) override;
  STDMETHOD(Advise)(IAdviseSink* sink, DWORD* connection) override;
  STDMETHOD(Unadvise)(DWORD connection) override;
  STDMETHOD(EnumAdvise)(IEnumSTATDATA** advise) override;
  STDMETHOD(GetMiscStatus)(DWORD aspect, DWORD* status) override;
  STDMETHOD(SetColorScheme)(LOGPALETTE* palette) override;

  // IOleWindow (both in-place interfaces)
  STDMETHOD(GetWindow)(HWND* hwnd) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL enter) override;
  // IOleInPlaceObject
  STDMETHOD(InPlaceDeactivate)() override;
  STDMETHOD(UIDeactivate)() override;
  STDMETHOD(SetObjectRects)(LPCRECT posRect, LPCRECT clipRect) override;
  STDMETHOD(ReactivateAndUndo)() override;
  // IOleInPlaceActiveObject
  STDMETHOD(TranslateAccelerator)(LPMSG msg) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL activate) override;
  STDMETHOD(OnDocWindowActivate)(BOOL activate) override;
  STDMETHOD(ResizeBorder)(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
  STDMETHOD(EnableModeless)(BOOL enable) override;

  // IViewObject2
  STDMETHOD(Draw)(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDev, HDC draw,
                  LPCRECTL bounds, LPCRECTL wBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                  ULONG_PTR contArg) override;
  STDMETHOD(GetColorSet)(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDev,
                         LOGPALETTE** colorSet) override;
  STDMETHOD(Freeze)(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
  STDMETHOD(Unfreeze)(DWORD freeze) override;
  STDMETHOD(SetAdvise)(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHOD(GetAdvise)(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHOD(GetExtent)(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;

  // IPersistStreamInit: the view keeps no properties
  STDMETHOD(GetClassID)(CLSID* clsid) override;
  STDMETHOD(IsDirty)() override;
  STDMETHOD(Load)(LPSTREAM stream) override;
  STDMETHOD(Save)(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER* size) override;
  STDMETHOD(InitNew)() override;

  // IOleControl
  STDMETHOD(GetControlInfo)(CONTROLINFO* info) override;
  STDMETHOD(OnMnemonic)(MSG* msg) override;
  STDMETHOD(OnAmbientPropertyChange)(DISPID id) override;
  STDMETHOD(FreezeEvents)(BOOL freeze) override;

  // IProvideClassInfo2
  STDMETHOD(GetClassInfo)(ITypeInfo** info) override;
  STDMETHOD(GetGUID)(DWORD kind, GUID* guid) override;

  // Objects alive in the module, for DllCanUnloadNow.
  static LONG LiveCount();

 private:
  ~RefViewControl();
  static LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HRESULT ActivateInPlace(IOleClientSite* site, bool uiActivate);
  HRESULT InvokeViewMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, UINT* argErr);
  // Zooms by factor about a view pixel, which keeps showing the same world point.
  void ZoomAbout(int x, int y, double factor);
  void PanBy(int dx, int dy);
  void EndPan();
  void ViewChanged();
  // The size the container gives the control becomes the host view's pixel size;
  // keepCentre while the user sees the view (see the definition for why).
  void ResizeView(int width, int height, bool keepCentre);
  // Moves and sizes the window in the container's window, and the view with it.
  void PlaceWindow(const RECT& position);
  // The picture the window shows, at the view's size; false (and the old one kept) when
  // it cannot be made.
  bool MakePicture(int width, int height);
  // Paints the whole view into the picture the window shows.
  void RenderPicture();
  bool SavePicture(const char* path);
  void ClearDrawing();
  // Puts `copy` (a record copy the view now owns) in place of the index-th record, or
  // removes that record when copy is 0; the old copy is freed.
  void ReplaceRecordCopy(size_t index, RECORDADDR copy, COLORREF pen);
  void SetHighlight(RECORDADDR record);

  LONG m_refs = 1;
  std::unique_ptr<ReferenceHost> m_host;
  HWND m_hWnd = nullptr;  // the host's view window, ours for the control's lifetime
  WNDPROC m_hostProc = nullptr;

  IOleClientSite* m_site = nullptr;
  IOleInPlaceSite* m_inPlaceSite = nullptr;
  IOleInPlaceFrame* m_frame = nullptr;
  IOleInPlaceUIWindow* m_document = nullptr;
  IAdviseSink* m_viewSink = nullptr;
  DWORD m_viewAspects = 0;
  DWORD m_viewAdviseFlags = 0;
  bool m_inPlace = false;
  bool m_uiActive = false;
  SIZEL m_extent{0, 0};  // HIMETRIC

  HDC m_memDC = nullptr;
  HBITMAP m_picture = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  void* m_bits = nullptr;

  // The figures the view shows are copies it owns; the highlight is one too.
  std::vector<RECORDADDR> m_records;
  std::map<RECORDADDR, COLORREF> m_pens;  // each copy's pen, when addRecord named one
  RECORDADDR m_highlight = 0;
  RECORDADDR m_highlightSource = 0;
  // Whether this view holds a share of the thread's desktop watcher (desktopWatcher).
  bool m_watching = false;

  bool m_panning = false;
  POINT m_panFrom{0, 0};
  HWND m_captureBeforePan = nullptr;
};
