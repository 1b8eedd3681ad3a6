#include "refhost/win32/ref_view_control.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/cstring.h"
#include "platform/oleauto.h"
#include "refhost/record_shape.h"
#include "refhost/view_painter.h"
#include "refhost/win32/desktop_watcher.h"
#include "refhost/win32/qarnref_ids.h"

namespace {

LONG g_liveViews = 0;

// The dispinterface of qarnref.idl: {14c29ddb-5ea5-41e7-a554-bf51786b36d3}.
const IID kHostDispatchIid = {0x14c29ddb, 0x5ea5, 0x41e7, {0xa5, 0x54, 0xbf, 0x51, 0x78, 0x6b, 0x36, 0xd3}};

const char kControlProp[] = "QarnRefViewControl";

// The view's own members. Their ids stay clear of the host's and the script members'.
enum ViewDispid : DISPID {
  kAddRecord = 3001, kClearDrawing, kRecordCount, kHighlightRecord, kViewScale, kViewOriginX, kViewOriginY,
  kRepaintView, kSavePictureView, kReplaceRecord, kRemoveRecord, kDesktopWatcher,
  kLastViewMember = kDesktopWatcher,
};

struct ViewMember {
  const char* name;
  DISPID id;
};

// repaint and savePicture show and save this view's picture rather than the plain one.
const ViewMember kViewMembers[] = {
    {"addRecord", kAddRecord},         {"clearDrawing", kClearDrawing},   {"recordCount", kRecordCount},
    {"highlightRecord", kHighlightRecord}, {"viewScale", kViewScale},     {"viewOriginX", kViewOriginX},
    {"viewOriginY", kViewOriginY},     {"repaint", kRepaintView},         {"savePicture", kSavePictureView},
    {"replaceRecord", kReplaceRecord}, {"removeRecord", kRemoveRecord},   {"desktopWatcher", kDesktopWatcher},
};

constexpr double kWheelStep = 1.25;  // zoom per wheel notch
constexpr LONG kHimetricPerInch = 2540;

LONG PixelsToHimetric(int pixels) { return MulDiv(pixels, kHimetricPerInch, 96); }

// One positional argument (last to first), looked through by reference.
HRESULT ArgAs(DISPPARAMS* params, UINT index, VARTYPE vt, VARIANT& out, UINT* argErr) {
  VariantInit(&out);
  const UINT slot = params->cArgs - 1 - index;
  VARIANT direct;
  VariantInit(&direct);
  HRESULT hr = VariantCopyInd(&direct, &params->rgvarg[slot]);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&out, &direct, 0, vt);
  VariantClear(&direct);
  if (FAILED(hr)) {
    if (argErr) *argErr = slot;
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

// A record address from a script: no unsigned long there, so addresses at or above
// 2^31 arrive negative or as doubles.
HRESULT AddressArg(DISPPARAMS* params, UINT index, RECORDADDR& address, UINT* argErr) {
  VARIANT v;
  HRESULT hr = ArgAs(params, index, VT_R8, v, argErr);
  if (FAILED(hr)) return hr;
  double value = v.dblVal;
  if (value < 0) value += 4294967296.0;
  if (value < 0 || value >= 4294967296.0 || value != std::floor(value)) return DISP_E_OVERFLOW;
  address = static_cast<RECORDADDR>(value);
  return S_OK;
}

std::wstring ModulePathW() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&g_liveViews), &self);
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

template <class T>
void ReleaseAndClear(T*& p) {
  if (p) {
    T* old = p;
    p = nullptr;
    old->Release();
  }
}

}  // namespace

RefViewControl::RefViewControl() {
  InterlockedIncrement(&g_liveViews);
  InstallDesktopWatcher();
  m_watching = true;
  m_host = std::make_unique<ReferenceHost>();
  m_extent = {PixelsToHimetric(m_host->Width()), PixelsToHimetric(m_host->Height())};
  m_hWnd = m_host->ViewWindow();
  if (m_hWnd) {
    SetPropA(m_hWnd, kControlProp, this);
    m_hostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefViewControl::ViewProc)));
  }
  MakePicture(m_host->Width(), m_host->Height());
  // The editor asks for a repaint through the engine; the view answers as a window does.
  m_host->repaintListener = [this] { ViewChanged(); };
}

RefViewControl::~RefViewControl() {
  InPlaceDeactivate();
  ReleaseAndClear(m_viewSink);
  ReleaseAndClear(m_site);
  m_host->repaintListener = nullptr;
  if (m_hWnd) {
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_hostProc));
    RemovePropA(m_hWnd, kControlProp);
  }
  ClearDrawing();
  SetHighlight(0);
  m_host.reset();
  if (m_memDC) {
    if (m_oldBitmap) SelectObject(m_memDC, m_oldBitmap);
    DeleteDC(m_memDC);
  }
  if (m_picture) DeleteObject(m_picture);
  if (m_watching) RemoveDesktopWatcher();
  InterlockedDecrement(&g_liveViews);
}

LONG RefViewControl::LiveCount() { return g_liveViews; }

// ---- IUnknown

HRESULT STDMETHODCALLTYPE RefViewControl::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kHostDispatchIid))
    *ppv = static_cast<IDispatch*>(this);
  else if (IsEqualIID(riid, IID_IOleObject))
    *ppv = static_cast<IOleObject*>(this);
  else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
    *ppv = static_cast<IOleInPlaceObject*>(this);
  else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
    *ppv = static_cast<IOleInPlaceActiveObject*>(this);
  else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2))
    *ppv = static_cast<IViewObject2*>(this);
  else if (IsEqualIID(riid, IID_IPersistStreamInit) || IsEqualIID(riid, IID_IPersist))
    *ppv = static_cast<IPersistStreamInit*>(this);
  else if (IsEqualIID(riid, IID_IOleControl))
    *ppv = static_cast<IOleControl*>(this);
  else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
    *ppv = static_cast<IProvideClassInfo2*>(this);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE RefViewControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE RefViewControl::Release() {
  LONG refs = InterlockedDecrement(&m_refs);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

// ---- IDispatch

HRESULT STDMETHODCALLTYPE RefViewControl::GetTypeInfoCount(UINT* count) {
  return m_host->GetDispatch()->GetTypeInfoCount(count);
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  return m_host->GetDispatch()->GetTypeInfo(index, lcid, info);
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                        DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  if (names[0]) {
    const std::string name = QarnUtf8FromWide(names[0], QarnWideLength(names[0]));
    for (const ViewMember& member : kViewMembers)
      if (QarnEqualNoCase(name, member.name)) {
        ids[0] = member.id;
        for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
  }
  return m_host->GetDispatch()->GetIDsOfNames(riid, names, count, lcid, ids);
}

HRESULT STDMETHODCALLTYPE RefViewControl::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  // A script may release its last reference from inside a call it makes on the view.
  AddRef();
  HRESULT hr = id >= kAddRecord && id <= kLastViewMember
                   ? InvokeViewMember(id, flags, params, result, argErr)
                   : m_host->GetDispatch()->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
  Release();
  return hr;
}

HRESULT RefViewControl::InvokeViewMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                         UINT* argErr) {
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const UINT named = params ? params->cNamedArgs : 0;
  const UINT total = params ? params->cArgs : 0;
  const bool settable = id == kHighlightRecord || id == kDesktopWatcher;
  if (put && (!settable || named != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
    return DISP_E_MEMBERNOTFOUND;
  if (!put && named) return DISP_E_NONAMEDARGS;
  if (!put && !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  const UINT expected = put                                                                  ? 1
                        : (id == kAddRecord || id == kSavePictureView || id == kRemoveRecord) ? 1
                        : id == kReplaceRecord                                                ? 2
                                                                                              : 0;
  // addRecord and replaceRecord take an optional pen colour (an OLE colour) after the record.
  const UINT optional = !put && (id == kAddRecord || id == kReplaceRecord) ? 1 : 0;
  if (total < expected || total > expected + optional) return DISP_E_BADPARAMCOUNT;
  if (result) VariantInit(result);
  auto returnDouble = [result](double value) {
    if (!result) return;
    result->vt = VT_R8;
    result->dblVal = value;
  };
  auto returnLong = [result](LONG value) {
    if (!result) return;
    result->vt = VT_I4;
    result->lVal = value;
  };
  auto returnBool = [result](bool value) {
    if (!result) return;
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  };
  // The pen colour that follows the record at `index`, when the call names one.
  auto penArg = [&](UINT index, COLORREF& pen) -> HRESULT {
    pen = view_colors::kFigure;
    if (total <= index) return S_OK;
    VARIANT colour;
    HRESULT hr = ArgAs(params, index, VT_I4, colour, argErr);
    if (FAILED(hr)) return hr;
    // An OLE colour naming a system colour (high byte 0x80) is resolved as the user sees it.
    if (FAILED(OleTranslateColor(static_cast<OLE_COLOR>(colour.lVal), nullptr, &pen))) {
      if (argErr) *argErr = params->cArgs - 1 - index;
      return DISP_E_OVERFLOW;
    }
    return S_OK;
  };
  // A position among the records given by addRecord; false (and no change) outside them.
  auto indexArg = [&](LONG& index) -> HRESULT {
    VARIANT v;
    HRESULT hr = ArgAs(params, 0, VT_I4, v, argErr);
    if (SUCCEEDED(hr)) index = v.lVal;
    return hr;
  };
  auto inRange = [this](LONG index) { return index >= 0 && static_cast<size_t>(index) < m_records.size(); };
  switch (id) {
    case kAddRecord: {
      RECORDADDR record = 0;
      HRESULT hr = AddressArg(params, 0, record, argErr);
      if (FAILED(hr)) return hr;
      COLORREF pen;
      hr = penArg(1, pen);
      if (FAILED(hr)) return hr;
      RECORDADDR copy = CopyRecord(record);
      if (copy) {
        m_records.push_back(copy);
        m_pens[copy] = pen;
        m_host->entities.push_back(copy);
        ViewChanged();
      }
      if (result) {
        result->vt = VT_BOOL;
        result->boolVal = copy ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    case kReplaceRecord: {
      LONG index = 0;
      RECORDADDR record = 0;
      COLORREF pen;
      HRESULT hr = indexArg(index);
      if (SUCCEEDED(hr)) hr = AddressArg(params, 1, record, argErr);
      if (SUCCEEDED(hr)) hr = penArg(2, pen);
      if (FAILED(hr)) return hr;
      RECORDADDR copy = inRange(index) ? CopyRecord(record) : 0;
      if (copy) {
        ReplaceRecordCopy(static_cast<size_t>(index), copy, pen);
        ViewChanged();
      }
      returnBool(copy != 0);
      return S_OK;
    }
    case kRemoveRecord: {
      LONG index = 0;
      HRESULT hr = indexArg(index);
      if (FAILED(hr)) return hr;
      const bool removed = inRange(index);
      if (removed) {
        ReplaceRecordCopy(static_cast<size_t>(index), 0, 0);
        ViewChanged();
      }
      returnBool(removed);
      return S_OK;
    }
    case kDesktopWatcher: {
      if (!put) {
        returnBool(m_watching);
        return S_OK;
      }
      VARIANT on;
      HRESULT hr = ArgAs(params, 0, VT_BOOL, on, argErr);
      if (FAILED(hr)) return hr;
      // Counted per thread: this view adds or withdraws only its own share.
      const bool want = on.boolVal != VARIANT_FALSE;
      if (want && !m_watching) InstallDesktopWatcher();
      if (!want && m_watching) RemoveDesktopWatcher();
      m_watching = want;
      return S_OK;
    }
    case kClearDrawing:
      ClearDrawing();
      ViewChanged();
      return S_OK;
    case kRecordCount:
      returnLong(static_cast<LONG>(m_host->entities.size()));
      return S_OK;
    case kHighlightRecord: {
      if (!put) {
        returnDouble(m_highlightSource);
        return S_OK;
      }
      RECORDADDR record = 0;
      HRESULT hr = AddressArg(params, 0, record, argErr);
      if (FAILED(hr)) return hr;
      SetHighlight(record);
      ViewChanged();
      return S_OK;
    }
    case kViewScale:
      returnDouble(m_host->scale);
      return S_OK;
    case kViewOriginX:
      returnDouble(m_host->originX);
      return S_OK;
    case kViewOriginY:
      returnDouble(m_host->originY);
      return S_OK;
    case kRepaintView:
      if (m_inPlace && m_hWnd)
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      else
        RenderPicture();
      return S_OK;
    case kSavePictureView: {
      VARIANT path;
      HRESULT hr = ArgAs(params, 0, VT_BSTR, path, argErr);
      if (FAILED(hr)) return hr;
      const bool ok = SavePicture(QarnUtf8FromBstr(path.bstrVal).c_str());
      VariantClear(&path);
      if (result) {
        result->vt = VT_BOOL;
        result->boolVal = ok ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

void RefViewControl::ClearDrawing() {
  m_host->entities.clear();
  for (RECORDADDR copy : m_records) FreeRecordCopy(copy);
  m_records.clear();
  m_pens.clear();
}

void RefViewControl::ReplaceRecordCopy(size_t index, RECORDADDR copy, COLORREF pen) {
  const RECORDADDR old = m_records[index];
  // The host draws its entities in order; the new copy takes the old one's place there too.
  auto& entities = m_host->entities;
  auto at = std::find(entities.begin(), entities.end(), old);
  if (copy) {
    m_records[index] = copy;
    m_pens[copy] = pen;
    if (at != entities.end()) *at = copy;
  } else {
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    if (at != entities.end()) entities.erase(at);
  }
  m_pens.erase(old);
  FreeRecordCopy(old);
}

void RefViewControl::SetHighlight(RECORDADDR record) {
  if (m_highlight) FreeRecordCopy(m_highlight);
  m_highlight = record ? CopyRecord(record) : 0;
  m_highlightSource = m_highlight ? record : 0;
}

// ---- Painting and input

void RefViewControl::RenderPicture() {
  if (!m_memDC || !m_picture) return;
  PaintHostView(m_memDC, *m_host, m_highlight, [this](RECORDADDR record) {
    auto found = m_pens.find(record);
    return found == m_pens.end() ? view_colors::kFigure : found->second;
  });
  GdiFlush();
}

bool RefViewControl::SavePicture(const char* path) {
  if (!m_bits || !path || !*path) return false;
  RenderPicture();
  return WriteBmp24(path, m_host->Width(), m_host->Height(), m_bits);
}

bool RefViewControl::MakePicture(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  if (!m_memDC) m_memDC = CreateCompatibleDC(nullptr);
  if (!m_memDC) return false;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(m_memDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!picture) return false;
  HGDIOBJ previous = SelectObject(m_memDC, picture);
  if (m_picture)
    DeleteObject(m_picture);
  else
    m_oldBitmap = previous;
  m_picture = picture;
  m_bits = bits;
  return true;
}

void RefViewControl::ResizeView(int width, int height, bool keepCentre) {
  ReferenceHost& host = *m_host;
  width = width > 0 ? width : 1;
  height = height > 0 ? height : 1;
  const int oldWidth = host.Width(), oldHeight = host.Height();
  if (width == oldWidth && height == oldHeight) return;
  // A CAD user resizing the window expects to keep looking at the same part of the
  // drawing: the world point in the middle stays in the middle. Keeping the origin
  // instead would pin the bottom-left corner and, as pixel rows count from the top,
  // slide the whole drawing up or down with every change of height. A view nobody sees
  // yet keeps the transform a script gave it, origin at the bottom-left as documented.
  double centreX = oldWidth / 2.0, centreY = oldHeight / 2.0;
  host.ScreenToWorld(centreX, centreY);
  host.Resize(width, height);
  if (host.Width() != width || host.Height() != height) return;
  if (!MakePicture(width, height)) {
    host.Resize(oldWidth, oldHeight);  // the picture and the view keep one size
    return;
  }
  m_extent = {PixelsToHimetric(width), PixelsToHimetric(height)};
  if (keepCentre && host.scale > 0)
    host.SetView(host.scale, centreX - width / 2.0 / host.scale, centreY - height / 2.0 / host.scale);
  ViewChanged();
}

void RefViewControl::PlaceWindow(const RECT& position) {
  ResizeView(position.right - position.left, position.bottom - position.top, true);
  SetWindowPos(m_hWnd, nullptr, position.left, position.top, position.right - position.left,
               position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void RefViewControl::ViewChanged() {
  if (m_hWnd && IsWindowVisible(m_hWnd)) InvalidateRect(m_hWnd, nullptr, FALSE);
  if (m_viewSink && (m_viewAspects & DVASPECT_CONTENT)) m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

void RefViewControl::ZoomAbout(int x, int y, double factor) {
  ReferenceHost& host = *m_host;
  if (!(host.scale > 0) || !(factor > 0)) return;
  double worldX = x, worldY = y;
  host.ScreenToWorld(worldX, worldY);
  const double scale = host.scale * factor;
  host.SetView(scale, worldX - x / scale, worldY - (host.Height() - y) / scale);
  ViewChanged();
}

void RefViewControl::PanBy(int dx, int dy) {
  ReferenceHost& host = *m_host;
  if (!(host.scale > 0)) return;
  // The picture follows the pointer: world Y is up, pixel Y down.
  host.SetView(host.scale, host.originX - dx / host.scale, host.originY + dy / host.scale);
  ViewChanged();
}

void RefViewControl::EndPan() {
  if (!m_panning) return;
  m_panning = false;
  // Give the capture back to whoever held it before, the editor included.
  if (GetCapture() == m_hWnd && m_captureBeforePan != m_hWnd) {
    if (m_captureBeforePan)
      SetCapture(m_captureBeforePan);
    else
      ReleaseCapture();
  }
  m_captureBeforePan = nullptr;
}

LRESULT CALLBACK RefViewControl::ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<RefViewControl*>(GetPropA(hwnd, kControlProp));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  // A handler may release the control (a script ending inside a callback).
  self->AddRef();
  LRESULT result = self->OnMessage(hwnd, msg, wParam, lParam);
  self->Release();
  return result;
}

LRESULT RefViewControl::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  PointerHandler* handler = m_host->Handler();
  // The handler takes the button state as its first value, as a view passes it on.
  const DWORD keys = static_cast<DWORD>(wParam);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      RenderPicture();
      BitBlt(hdc, 0, 0, m_host->Width(), m_host->Height(), m_memDC, 0, 0, SRCCOPY);
      // A window larger than the host's view shows blank beyond it.
      RECT client;
      GetClientRect(hwnd, &client);
      HBRUSH blank = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      RECT right{m_host->Width(), 0, client.right, client.bottom};
      RECT below{0, m_host->Height(), m_host->Width(), client.bottom};
      if (right.left < right.right) FillRect(hdc, &right, blank);
      if (below.top < below.bottom) FillRect(hdc, &below, blank);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the picture covers the client area
    case WM_LBUTTONDOWN:
      if (handler) handler->OnButtonDown(keys, &pt);
      return 0;
    case WM_LBUTTONUP:
      if (handler) handler->OnButtonUp(keys, &pt);
      return 0;
    case WM_RBUTTONDOWN:
      if (handler) handler->OnRightButton(keys, &pt);
      return 0;
    case WM_MOUSEMOVE:
      if (m_panning) {
        PanBy(pt.x - m_panFrom.x, pt.y - m_panFrom.y);
        m_panFrom = pt;
      } else if (handler) {
        handler->OnPointerMove(keys, &pt);
      }
      return 0;
    case WM_MBUTTONDOWN:
      m_panning = true;
      m_panFrom = pt;
      m_captureBeforePan = SetCapture(hwnd);
      return 0;
    case WM_MBUTTONUP:
      EndPan();
      return 0;
    case WM_CAPTURECHANGED:
      if (m_panning && reinterpret_cast<HWND>(lParam) != hwnd) {
        m_panning = false;
        m_captureBeforePan = nullptr;
      }
      break;
    case WM_MOUSEWHEEL: {
      // The wheel's position is in screen pixels.
      ScreenToClient(hwnd, &pt);
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      ZoomAbout(pt.x, pt.y, std::pow(kWheelStep, delta / static_cast<double>(WHEEL_DELTA)));
      return 0;
    }
    default:
      break;
  }
  return m_hostProc ? CallWindowProcA(m_hostProc, hwnd, msg, wParam, lParam)
                    : DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- IOleObject

HRESULT STDMETHODCALLTYPE RefViewControl::SetClientSite(IOleClientSite* site) {
  if (site) site->AddRef();
  ReleaseAndClear(m_site);
  m_site = site;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = m_site;
  if (m_site) m_site->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::Close(DWORD) {
  InPlaceDeactivate();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE RefViewControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE RefViewControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                                                 LPCRECT posRect) {
  IOleClientSite* site = activeSite ? activeSite : m_site;
  HRESULT hr;
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
      hr = ActivateInPlace(site, true);
      break;
    case OLEIVERB_INPLACEACTIVATE:
      hr = ActivateInPlace(site, false);
      break;
    case OLEIVERB_HIDE:
      if (m_hWnd) ShowWindow(m_hWnd, SW_HIDE);
      return S_OK;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
  if (SUCCEEDED(hr) && posRect && m_hWnd) PlaceWindow(*posRect);
  return hr;
}

HRESULT RefViewControl::ActivateInPlace(IOleClientSite* site, bool uiActivate) {
  if (!m_hWnd) return E_UNEXPECTED;
  if (!m_inPlace) {
    if (!site) return E_INVALIDARG;
    IOleInPlaceSite* inPlaceSite = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite))) ||
        !inPlaceSite)
      return E_NOINTERFACE;
    if (inPlaceSite->CanInPlaceActivate() != S_OK) {
      inPlaceSite->Release();
      return E_FAIL;
    }
    inPlaceSite->OnInPlaceActivate();
    HWND parent = nullptr;
    RECT pos{0, 0, m_host->Width(), m_host->Height()}, clip = pos;
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    if (FAILED(inPlaceSite->GetWindow(&parent)) || !parent) {
      inPlaceSite->OnInPlaceDeactivate();
      inPlaceSite->Release();
      return E_FAIL;
    }
    inPlaceSite->GetWindowContext(&m_frame, &m_document, &pos, &clip, &frameInfo);
    m_inPlaceSite = inPlaceSite;
    m_inPlace = true;
    ResizeView(pos.right - pos.left, pos.bottom - pos.top, false);
    // The host's view window becomes a child of the container's window.
    LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS);
    SetParent(m_hWnd, parent);
    SetWindowPos(m_hWnd, nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  if (uiActivate && !m_uiActive) {
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
    IOleInPlaceActiveObject* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (m_frame) m_frame->SetActiveObject(active, L"RefView");
    if (m_document) m_document->SetActiveObject(active, L"RefView");
    SetFocus(m_hWnd);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs) *verbs = nullptr;
  return OLEOBJ_E_NOVERBS;
}

HRESULT STDMETHODCALLTYPE RefViewControl::Update() { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::IsUpToDate() { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kRefViewClsid;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetUserType(DWORD form, LPOLESTR* userType) {
  return OleRegGetUserType(kRefViewClsid, form, userType);
}

HRESULT STDMETHODCALLTYPE RefViewControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  // At 96 pixels per inch, as the natural size is given. Shown, the window follows
  // where it is; the container's next SetObjectRects places it.
  const int width = MulDiv(size->cx, 96, kHimetricPerInch), height = MulDiv(size->cy, 96, kHimetricPerInch);
  if (width > 0 && height > 0) {
    ResizeView(width, height, m_inPlace);
    if (m_inPlace)
      SetWindowPos(m_hWnd, nullptr, 0, 0, m_host->Width(), m_host->Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  m_extent = *size;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = m_extent;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::Advise(IAdviseSink*, DWORD* connection) {
  if (connection) *connection = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE RefViewControl::Unadvise(DWORD) { return OLE_E_NOCONNECTION; }

HRESULT STDMETHODCALLTYPE RefViewControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (advise) *advise = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kRefViewMiscStatus : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject

HRESULT STDMETHODCALLTYPE RefViewControl::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = m_inPlace ? m_hWnd : nullptr;
  return m_inPlace ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE RefViewControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::InPlaceDeactivate() {
  if (!m_inPlace) return S_OK;
  UIDeactivate();
  EndPan();
  m_inPlace = false;
  // Back to a hidden window of its own, so the container may destroy its window.
  ShowWindow(m_hWnd, SW_HIDE);
  SetParent(m_hWnd, nullptr);
  LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_CHILD)) | WS_POPUP);
  ReleaseAndClear(m_frame);
  ReleaseAndClear(m_document);
  if (m_inPlaceSite) m_inPlaceSite->OnInPlaceDeactivate();
  ReleaseAndClear(m_inPlaceSite);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::UIDeactivate() {
  if (!m_uiActive) return S_OK;
  m_uiActive = false;
  if (m_frame) m_frame->SetActiveObject(nullptr, nullptr);
  if (m_document) m_document->SetActiveObject(nullptr, nullptr);
  if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::SetObjectRects(LPCRECT posRect, LPCRECT) {
  if (!posRect) return E_POINTER;
  if (m_inPlace) PlaceWindow(*posRect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::ReactivateAndUndo() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::TranslateAccelerator(LPMSG) { return S_FALSE; }

HRESULT STDMETHODCALLTYPE RefViewControl::OnFrameWindowActivate(BOOL) { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::OnDocWindowActivate(BOOL) { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2

HRESULT STDMETHODCALLTYPE RefViewControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC draw,
                                               LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                               ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!draw || !bounds) return E_INVALIDARG;
  if (!m_memDC || !m_picture) return E_OUTOFMEMORY;
  RenderPicture();
  const int width = bounds->right - bounds->left, height = bounds->bottom - bounds->top;
  if (width == m_host->Width() && height == m_host->Height()) {
    BitBlt(draw, bounds->left, bounds->top, width, height, m_memDC, 0, 0, SRCCOPY);
  } else {
    int oldMode = SetStretchBltMode(draw, COLORONCOLOR);
    StretchBlt(draw, bounds->left, bounds->top, width, height, m_memDC, 0, 0, m_host->Width(), m_host->Height(),
               SRCCOPY);
    SetStretchBltMode(draw, oldMode);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                                      LOGPALETTE** colorSet) {
  if (colorSet) *colorSet = nullptr;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE RefViewControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  ReleaseAndClear(m_viewSink);
  m_viewSink = sink;
  m_viewAspects = aspects;
  m_viewAdviseFlags = flags;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = m_viewAspects;
  if (flags) *flags = m_viewAdviseFlags;
  if (sink) {
    *sink = m_viewSink;
    if (m_viewSink) m_viewSink->AddRef();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IPersistStreamInit

HRESULT STDMETHODCALLTYPE RefViewControl::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }

HRESULT STDMETHODCALLTYPE RefViewControl::IsDirty() { return S_FALSE; }

HRESULT STDMETHODCALLTYPE RefViewControl::Load(LPSTREAM stream) { return stream ? S_OK : E_POINTER; }

HRESULT STDMETHODCALLTYPE RefViewControl::Save(LPSTREAM stream, BOOL) { return stream ? S_OK : E_POINTER; }

HRESULT STDMETHODCALLTYPE RefViewControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::InitNew() { return S_OK; }

// ---- IOleControl

HRESULT STDMETHODCALLTYPE RefViewControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefViewControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE RefViewControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT STDMETHODCALLTYPE RefViewControl::FreezeEvents(BOOL) { return S_OK; }

// ---- IProvideClassInfo2

HRESULT STDMETHODCALLTYPE RefViewControl::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* typeLib = nullptr;
  HRESULT hr = LoadTypeLibEx(ModulePathW().c_str(), REGKIND_NONE, &typeLib);
  if (FAILED(hr)) return hr;
  hr = typeLib->GetTypeInfoOfGuid(kRefViewClsid, info);
  typeLib->Release();
  return hr;
}

HRESULT STDMETHODCALLTYPE RefViewControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  // The view fires no events, so it has no default source interface to name.
  return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_NOTIMPL : E_INVALIDARG;
}
