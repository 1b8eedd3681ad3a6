#include "test_container.h"

#include <algorithm>

namespace container {

HRESULT Site::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite)
    *ppv = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
    *ppv = static_cast<IOleInPlaceSite*>(this);
  else if (riid == IID_IDispatch)
    *ppv = static_cast<IDispatch*>(this);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT Site::SaveObject() {
  calls.push_back("SaveObject");
  return S_OK;
}

HRESULT Site::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

HRESULT Site::GetContainer(IOleContainer** ppContainer) {
  if (ppContainer) *ppContainer = nullptr;
  return E_NOINTERFACE;
}

HRESULT Site::ShowObject() {
  calls.push_back("ShowObject");
  return S_OK;
}

HRESULT Site::OnShowWindow(BOOL) { return S_OK; }

HRESULT Site::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT Site::GetWindow(HWND* phwnd) {
  calls.push_back("GetWindow");
  if (!phwnd) return E_POINTER;
  *phwnd = m_frame;
  return S_OK;
}

HRESULT Site::CanInPlaceActivate() {
  calls.push_back("CanInPlaceActivate");
  return refuseInPlace ? S_FALSE : S_OK;
}

HRESULT Site::OnInPlaceActivate() {
  calls.push_back("OnInPlaceActivate");
  return S_OK;
}

HRESULT Site::OnUIActivate() {
  calls.push_back("OnUIActivate");
  return S_OK;
}

HRESULT Site::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                               LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
  calls.push_back("GetWindowContext");
  // A form without menus or tool space: no frame object to negotiate with.
  if (ppFrame) *ppFrame = nullptr;
  if (ppDoc) *ppDoc = nullptr;
  if (lprcPosRect) *lprcPosRect = posRect;
  if (lprcClipRect) *lprcClipRect = posRect;
  if (lpFrameInfo) {
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = m_frame;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

HRESULT Site::OnUIDeactivate(BOOL) {
  calls.push_back("OnUIDeactivate");
  return S_OK;
}

HRESULT Site::OnInPlaceDeactivate() {
  calls.push_back("OnInPlaceDeactivate");
  return S_OK;
}

HRESULT Site::OnPosRectChange(LPCRECT) {
  calls.push_back("OnPosRectChange");
  return S_OK;
}

HRESULT Site::GetTypeInfoCount(UINT* n) {
  if (n) *n = 0;
  return S_OK;
}

HRESULT Site::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  calls.push_back("ambient " + std::to_string(id));
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  auto it = ambients.find(id);
  if (it == ambients.end()) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  VariantInit(result);
  return VariantCopy(result, &it->second.v);
}

HRESULT WindowlessSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IOleInPlaceSiteEx || riid == IID_IOleInPlaceSiteWindowless) {
    *ppv = static_cast<IOleInPlaceSiteWindowless*>(&m_windowless);
    AddRef();
    return S_OK;
  }
  return Site::QueryInterface(riid, ppv);
}

HRESULT WindowlessSite::Windowless::OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) {
  outer->calls.push_back("OnInPlaceActivateEx");
  outer->activateFlags = dwFlags;
  if (pfNoRedraw) *pfNoRedraw = FALSE;
  return S_OK;
}

HRESULT WindowlessSite::Windowless::OnInPlaceDeactivateEx(BOOL) {
  outer->calls.push_back("OnInPlaceDeactivateEx");
  return S_OK;
}

HRESULT WindowlessSite::Windowless::CanWindowlessActivate() {
  outer->calls.push_back("CanWindowlessActivate");
  return outer->refuseWindowless ? S_FALSE : S_OK;
}

HRESULT WindowlessSite::Windowless::SetFocus(BOOL fFocus) {
  outer->calls.push_back(fFocus ? "SetFocus(TRUE)" : "SetFocus(FALSE)");
  outer->hasFocus = fFocus != FALSE;
  return S_OK;
}

HRESULT WindowlessSite::Windowless::GetDC(LPCRECT, DWORD, HDC* phDC) {
  if (phDC) *phDC = nullptr;
  return E_NOTIMPL;  // this form draws its controls only when it paints
}

HRESULT WindowlessSite::Windowless::InvalidateRect(LPCRECT pRect, BOOL fErase) {
  outer->calls.push_back("InvalidateRect");
  RECT r = {0, 0, 0, 0};
  if (pRect)
    r = *pRect;
  else
    GetClientRect(outer->m_frame, &r);  // null: the whole form
  outer->invalidations.push_back({r, fErase});
  return S_OK;
}

HRESULT WindowlessSite::Windowless::InvalidateRgn(HRGN, BOOL) {
  outer->calls.push_back("InvalidateRgn");
  return S_OK;
}

HRESULT WindowlessSite::Windowless::OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT* plResult) {
  if (plResult) *plResult = 0;
  return S_FALSE;
}

namespace {

constexpr wchar_t kFrameClass[] = L"QarnTestContainerFrame";

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) {
    // A neutral grey around the control, so the control's own background stands out.
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH brush = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

Frame::Frame(int width, int height) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kFrameClass;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  RegisterClassW(&wc);  // already there from an earlier frame: fine
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  m_hwnd = CreateWindowExW(WS_EX_TOPMOST, kFrameClass, L"qarnedit container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           40, 40, r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (m_hwnd) {
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(m_hwnd);
    UpdateWindow(m_hwnd);
  }
}

Frame::~Frame() {
  if (m_hwnd) DestroyWindow(m_hwnd);
  PumpMessages();
}

void PumpMessages() {
  for (int round = 0; round < 5; ++round) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(20);
  }
}

FormPicture::FormPicture(IViewObject* view, const RECTL* bounds) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT all = {0, 0, width, height};
  HBRUSH grey = CreateSolidBrush(kFormGrey);
  FillRect(mem, &all, grey);
  DeleteObject(grey);
  drawResult = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, mem, bounds, nullptr, nullptr, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

size_t FormPicture::Count(COLORREF c, const RECT& in) const {
  size_t n = 0;
  for (int y = in.top; y < in.bottom; ++y)
    for (int x = in.left; x < in.right; ++x) n += pixels[static_cast<size_t>(y) * width + x] == c;
  return n;
}

std::string Joined(const std::vector<std::string>& calls) {
  std::string out;
  for (const std::string& c : calls) out += (out.empty() ? "" : ", ") + c;
  return out;
}

size_t CountOf(const std::vector<std::string>& calls, const char* name) {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), name));
}

}  // namespace container
