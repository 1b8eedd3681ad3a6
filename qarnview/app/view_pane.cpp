#include "qarnview/app/view_pane.h"

#include <windowsx.h>

#include "qarnview/app/figure_painter.h"
#include "qarnview/figure_records.h"

namespace {

const wchar_t kPaneClass[] = L"QarnviewViewPane";
const wchar_t kPaneProperty[] = L"QarnviewViewPane";
// The window class of the fallback host's hidden view.
const wchar_t kFallbackViewClass[] = L"QarnRefHostView";

void RegisterPaneClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_CROSS);
  wc.lpszClassName = kPaneClass;
  wc.lpfnWndProc = DefWindowProcW;  // replaced by PaneProc once the pane is known
  RegisterClassW(&wc);
  registered = true;
}

BOOL CALLBACK PlaceFallbackWindow(HWND hwnd, LPARAM param) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  if (wcscmp(name, kFallbackViewClass) == 0) {
    const POINT& at = *reinterpret_cast<const POINT*>(param);
    SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

IDispatch* CreateAutomationObject(const wchar_t* progId, std::wstring& error) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) {
    error = std::wstring(progId) + L" is not registered";
    return nullptr;
  }
  IDispatch* object = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
  if (FAILED(hr)) {
    wchar_t text[64];
    swprintf(text, 64, L" could not be created (0x%08lx)", static_cast<unsigned long>(hr));
    error = progId + std::wstring(text);
    return nullptr;
  }
  return object;
}

}  // namespace

ViewPane::~ViewPane() {
  Close();
  ReleasePicture();
  if (!m_picturePath.empty()) DeleteFileW(m_picturePath.c_str());
}

std::wstring ViewPane::Create(HWND parent, HWND frame, int x, int y,
                              const std::function<void(const std::wstring&)>& note) {
  RegisterPaneClass();
  m_frame = frame;
  m_note = note;
  m_hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                           m_view.width + 4, m_view.height + 4, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!m_hwnd) return L"the view window could not be made";
  SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProc));
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  m_picturePath = std::wstring(folder) + L"qarnview-view-" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
  return MakeView();
}

std::wstring ViewPane::MakeView() {
  m_controlWindow = nullptr;
  m_controlProc = nullptr;
  m_paintsOverView = false;
  ControlSite* site = new ControlSite(m_hwnd, m_frame, Ambients{});
  RECT rect = {0, 0, m_view.width, m_view.height};
  std::wstring error = site->Create(kViewProgId, rect);
  if (error.empty() && site->Dispatch()) {
    m_site.Reset(site);
    m_host.Reset(site->Dispatch());
    m_fallback = false;
    m_controlWindow = site->ControlWindow();
    // The view answers its thread's message boxes and dialogs for test scripts; here
    // they are the user's (File Open, the colour dialog, the editor's menu).
    if (m_host.Has(L"desktopWatcher")) m_host.Put(L"desktopWatcher", false);
    if (m_controlWindow) {
      // Picks (Edit and Highlight selected) take the click before the view does.
      SetPropW(m_controlWindow, kPaneProperty, this);
      m_controlProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(m_controlWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWindowProc)));
    }
  } else {
    site->Close();
    site->Release();
    m_site.Reset();
    std::wstring fallbackError;
    IDispatch* host = CreateAutomationObject(kFallbackHostProgId, fallbackError);
    if (!host) return L"No host view: " + error + L"; " + fallbackError;
    m_host.Reset(host);
    host->Release();
    // Said once: a new drawing makes a new view, and the reason has not changed.
    if (m_note && !m_fallback) {
      m_note(std::wstring(L"No view control: ") + error);
      m_note(std::wstring(L"Using ") + kFallbackHostProgId + L", drawn by qarnview");
    }
    m_fallback = true;
  }
  // A known transform lets the container pick figures in world coordinates.
  if (m_host.Has(L"setView")) m_host.Call(L"setView", {1.0, 0.0, 0.0});
  m_view.scale = 1.0;
  m_view.originX = 0.0;
  m_view.originY = 0.0;
  ReadViewSize();
  Refresh();
  return L"";
}

void ViewPane::RestoreControlProc() {
  if (m_controlWindow && m_controlProc) {
    SetWindowLongPtrW(m_controlWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_controlProc));
    RemovePropW(m_controlWindow, kPaneProperty);
  }
  m_controlProc = nullptr;
  m_leftDown = false;
  m_paneCaptured = false;
}

void ViewPane::Close() {
  RestoreControlProc();
  if (m_controlWindow && GetCapture() == m_controlWindow) ReleaseCapture();
  m_controlWindow = nullptr;
  m_site.Reset();
  m_host.Reset();
  m_viewIndex.clear();
  m_viewRecords = 0;
}

std::wstring ViewPane::Recreate(const std::function<void(IDispatch*)>& adopt) {
  ControlSite* oldSite = m_site.Detach();
  DispatchClient oldHost = m_host;
  RestoreControlProc();
  std::wstring error = MakeView();
  if (error.empty() && adopt) adopt(m_host.Object());
  if (oldSite) {
    oldSite->Close();
    oldSite->Release();
  }
  oldHost.Reset();
  return error;
}

void ViewPane::ReadViewSize() {
  Variant width, height;
  if (SUCCEEDED(m_host.Get(L"width", width)) && SUCCEEDED(m_host.Get(L"height", height)) &&
      width.AsLong() > 0 && height.AsLong() > 0) {
    m_view.width = static_cast<int>(width.AsLong());
    m_view.height = static_cast<int>(height.AsLong());
  }
  if (m_site) m_site->SetRect({0, 0, m_view.width, m_view.height});
}

void ViewPane::ReleasePicture() {
  if (m_picture) DeleteObject(m_picture);
  m_picture = nullptr;
}

void ViewPane::ReloadPicture() {
  ReleasePicture();
  m_picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, m_picturePath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

void ViewPane::Refresh() {
  if (!m_host) return;
  if (m_host.Has(L"repaint")) m_host.Call(L"repaint");
  if (m_fallback) {
    // The fallback host keeps its picture to itself but writes it on request.
    if (SUCCEEDED(m_host.Call(L"savePicture", {m_picturePath}))) ReloadPicture();
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
  } else if (m_controlWindow) {
    InvalidateRect(m_controlWindow, nullptr, FALSE);
  }
}

void ViewPane::PaintTo(HDC hdc) {
  RECT all = {0, 0, m_view.width, m_view.height};
  if (m_fallback) {
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (m_picture) {
      HDC memory = CreateCompatibleDC(hdc);
      HGDIOBJ old = SelectObject(memory, m_picture);
      BitBlt(hdc, 0, 0, m_view.width, m_view.height, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
  } else if (!(m_site && m_site->Draw(hdc, all))) {
    // The control renders its current picture when asked to draw; the screen is the
    // last resort, and holds only what its window has painted so far.
    if (!(m_controlWindow && PrintWindow(m_controlWindow, hdc, 1 /* PW_CLIENTONLY */)))
      FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  // Figures the view was not given, or not in their colours, are drawn over its picture.
  if (m_drawing && (!TakesRecords() || m_paintsOverView)) PaintFigures(hdc, *m_drawing, m_view, m_selected);
}

int ViewPane::ShowFigures(const qarnview::Drawing& drawing, const std::function<void(const std::wstring&)>& note) {
  m_viewIndex.clear();
  m_viewRecords = 0;
  if (!TakesRecords()) return 0;
  if (m_host.Has(L"clearDrawing") && FAILED(m_host.Call(L"clearDrawing")) && note) note(m_host.LastError());
  int taken = 0;
  m_colours = true;
  for (size_t i = 0; i < drawing.figures.size(); ++i) {
    bool sent = SendFigure(drawing.figures[i], i + 1, -1, note);
    m_viewIndex.push_back(sent ? m_viewRecords++ : -1);
    if (sent) ++taken;
  }
  m_paintsOverView = !m_colours;
  Refresh();
  return taken;
}

bool ViewPane::SendFigure(const qarnview::Figure& figure, size_t number, long viewIndex,
                          const std::function<void(const std::wstring&)>& note) {
  RECORDADDR record = 0;
  std::string reason = qarnview::FigureToRecord(figure, record);
  if (!reason.empty()) {
    if (note)
      note(L"Figure " + std::to_wstring(number) + L" not shown by the view: " + std::wstring(reason.begin(), reason.end()));
    return false;
  }
  // The view keeps its own copy of the record.
  Variant added;
  HRESULT hr = E_FAIL;
  if (viewIndex >= 0) {
    hr = m_colours ? m_host.Call(kViewReplaceRecordMember,
                                 {viewIndex, static_cast<long>(record), static_cast<long>(figure.penColor)}, &added)
                   : m_host.Call(kViewReplaceRecordMember, {viewIndex, static_cast<long>(record)}, &added);
  } else {
    if (m_colours) {
      hr = m_host.Call(kViewAddRecordMember, {static_cast<long>(record), static_cast<long>(figure.penColor)}, &added);
      if (hr == DISP_E_BADPARAMCOUNT) m_colours = false;
    }
    if (!m_colours) hr = m_host.Call(kViewAddRecordMember, {static_cast<long>(record)}, &added);
  }
  qarnview::ReleaseRecord(record);
  if (FAILED(hr) || !added.AsBool(true)) {
    if (note) note(L"Figure " + std::to_wstring(number) + L" not taken by the view: " + m_host.LastError());
    return false;
  }
  return true;
}

void ViewPane::FigureAdded(const qarnview::Drawing& drawing, const std::function<void(const std::wstring&)>& note) {
  if (!TakesRecords() || drawing.figures.empty()) return;
  // A view that lost count of the drawing's figures is given all of them again.
  if (m_viewIndex.size() + 1 != drawing.figures.size()) {
    ShowFigures(drawing, note);
    return;
  }
  long at = -1;
  if (SendFigure(drawing.figures.back(), drawing.figures.size(), -1, note)) {
    // The record went last; the view's count says where, should others have added some.
    Variant count;
    at = SUCCEEDED(m_host.Get(L"recordCount", count)) && count.AsLong(0) > 0 ? count.AsLong() - 1 : m_viewRecords;
    m_viewRecords = at + 1;
  }
  m_viewIndex.push_back(at);
  Refresh();
}

void ViewPane::FigureReplaced(const qarnview::Drawing& drawing, size_t index,
                              const std::function<void(const std::wstring&)>& note) {
  if (!TakesRecords() || index >= drawing.figures.size()) return;
  if (m_viewIndex.size() != drawing.figures.size() || m_viewIndex[index] < 0 ||
      !m_host.Has(kViewReplaceRecordMember) ||
      !SendFigure(drawing.figures[index], index + 1, m_viewIndex[index], nullptr)) {
    ShowFigures(drawing, note);
    return;
  }
  Refresh();
}

// The fallback host places the cursor on each pointer event where its own hidden view
// window would show the point. Keeping that window under the pane makes that the place
// the user's cursor already is.
void ViewPane::AlignFallbackWindow() {
  if (!m_fallback || !m_hwnd) return;
  POINT screen = {0, 0};
  ClientToScreen(m_hwnd, &screen);
  EnumThreadWindows(GetCurrentThreadId(), &PlaceFallbackWindow, reinterpret_cast<LPARAM>(&screen));
}

void ViewPane::ForwardMouse(UINT msg, int x, int y) {
  AlignFallbackWindow();
  m_lastPointer = {x, y};
  switch (msg) {
    case WM_LBUTTONDOWN:
      SetCapture(m_hwnd);
      m_host.Call(L"press", {x, y});
      break;
    case WM_LBUTTONUP:
      if (GetCapture() == m_hwnd) ReleaseCapture();
      m_host.Call(L"release", {x, y});
      break;
    case WM_RBUTTONDOWN:
      m_host.Call(L"rightPress", {x, y});
      break;
    case WM_MOUSEMOVE:
      m_host.Call(L"move", {x, y});
      break;
  }
  Refresh();
  if (afterInput) afterInput();
}

LRESULT CALLBACK ViewPane::PaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* pane = reinterpret_cast<ViewPane*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!pane) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the picture covers the pane
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      // Drawn off screen first, so a rubber band moving over the picture does not flicker.
      HDC memory = CreateCompatibleDC(hdc);
      HBITMAP bitmap = CreateCompatibleBitmap(hdc, client.right, client.bottom);
      HGDIOBJ old = SelectObject(memory, bitmap);
      FillRect(memory, &client, reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1));
      if (pane->m_fallback || !pane->m_controlWindow) pane->PaintTo(memory);
      BitBlt(hdc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_MOUSEMOVE: {
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      SetFocus(hwnd);
      if (msg == WM_LBUTTONDOWN && pane->onClick && pane->onClick(x, y)) return 0;
      // The host placing the cursor where it already is makes a move that is no news.
      if (msg == WM_MOUSEMOVE && x == pane->m_lastPointer.x && y == pane->m_lastPointer.y) return 0;
      if (pane->m_fallback) pane->ForwardMouse(msg, x, y);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ViewPane::ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* pane = static_cast<ViewPane*>(GetPropW(hwnd, kPaneProperty));
  if (!pane || !pane->m_controlProc) return DefWindowProcW(hwnd, msg, wParam, lParam);
  WNDPROC controlProc = pane->m_controlProc;
  if (msg == WM_LBUTTONDOWN && pane->onClick && pane->onClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
    return 0;
  if (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) pane->m_lastPoint = lParam;
  if (msg == WM_LBUTTONUP) pane->m_leftDown = false;
  if (msg == WM_LBUTTONDOWN) pane->m_leftDown = true;
  LRESULT result = CallWindowProcW(controlProc, hwnd, msg, wParam, lParam);
  // The handlers may have closed the view; the pane only goes on while it is still here.
  pane = static_cast<ViewPane*>(GetPropW(hwnd, kPaneProperty));
  if (!pane) return result;
  switch (msg) {
    case WM_LBUTTONDOWN:
      // The release belongs to the view wherever the pointer goes meanwhile (over the
      // toolbar, out of the application): the view keeps the mouse until then, unless
      // the editor took it already for its drag.
      if (pane->m_leftDown && !GetCapture()) {
        SetCapture(hwnd);
        pane->m_paneCaptured = true;
      }
      break;
    case WM_LBUTTONUP:
      if (pane->m_paneCaptured && GetCapture() == hwnd) ReleaseCapture();
      pane->m_paneCaptured = false;
      break;
    case WM_CAPTURECHANGED:
      // The mouse was taken away during a press (another window's capture, a dialog):
      // the view is given the release it will never see, where the pointer last was, so
      // the edit does not stay in the middle of its drag.
      if (pane->m_leftDown && reinterpret_cast<HWND>(lParam) != hwnd) {
        pane->m_leftDown = false;
        pane->m_paneCaptured = false;
        CallWindowProcW(controlProc, hwnd, WM_LBUTTONUP, 0, pane->m_lastPoint);
        pane = static_cast<ViewPane*>(GetPropW(hwnd, kPaneProperty));
        if (pane && pane->afterInput) pane->afterInput();
      }
      break;
  }
  if (pane && (msg == WM_LBUTTONUP || msg == WM_RBUTTONDOWN) && pane->afterInput) pane->afterInput();
  return result;
}
