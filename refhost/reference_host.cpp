#include "refhost/reference_host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "hostlink/ntt_record.h"
#include "platform/afx_dc.h"
#include "refhost/view_painter.h"
#include "platform/gdi.h"
#include "refhost/pe_image_writer.h"
#include "platform/window.h"
#include "refhost/engine_table.h"
#include "refhost/ref_dispatch.h"
#include "refhost/ref_engine.h"

namespace {

std::string FormatArg(const CallArg& arg) {
  if (std::holds_alternative<std::monostate>(arg)) return "null";
  if (auto* i = std::get_if<int64_t>(&arg)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&arg)) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.17g", *d);
    return text;
  }
  return std::get<std::string>(arg);
}

// Rotation of the work plane as a row-major 3 x 3 matrix. A plane vector turns about Z
// by az, then about Y by ay (x' = x cos - z sin, z' = x sin + z cos), then about X by
// ax: the convention the editor's own plane transforms use with these angles.
void PlaneRotation(const double plane[6], double m[9]) {
  const double cx = std::cos(plane[0]), sx = std::sin(plane[0]);
  const double cy = std::cos(plane[1]), sy = std::sin(plane[1]);
  const double cz = std::cos(plane[2]), sz = std::sin(plane[2]);
  const double rz[9] = {cz, -sz, 0, sz, cz, 0, 0, 0, 1};
  const double ry[9] = {cy, 0, -sy, 0, 1, 0, sy, 0, cy};
  const double rx[9] = {1, 0, 0, 0, cx, -sx, 0, sx, cx};
  auto multiply = [](const double a[9], const double b[9], double out[9]) {
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) out[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
  };
  double ryz[9];
  multiply(ry, rz, ryz);
  multiply(rx, ryz, m);
}

// The folder that holds the host control's file, first on the search path. It is removed
// when the process that made it exits, so that test runs leave no folder behind; a forked
// child does not remove its parent's.
struct HostFolder {
  std::filesystem::path path;
  unsigned long owner = 0;
  ~HostFolder() {
    if (path.empty() || owner != CurrentProcess()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  static unsigned long CurrentProcess() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
  }
};

HostFolder& HostFileFolder() {
  static HostFolder folder;
  return folder;
}

std::optional<std::string>& HostFileVersion() {
  static std::optional<std::string> version;
  return version;
}

}  // namespace

std::string HostCall::ToString() const {
  std::string text = name + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) text += ", ";
    text += FormatArg(args[i]);
  }
  return text + ")";
}

#if defined(_WIN32)
namespace {

const char kViewClass[] = "QarnRefHostView";

HINSTANCE ThisModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &self);
  return self;
}

// The view's class, registered once per module; a module that is unloaded and loaded
// again finds it registered already, which is as good.
void RegisterViewClass(HINSTANCE module) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(module, kViewClass, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcA;  // replaced per window once the host is known
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_CROSS);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kViewClass;
  RegisterClassExA(&wc);
}

}  // namespace

LRESULT CALLBACK ReferenceHost::ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<ReferenceHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (host && msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    host->Repaint();
    BitBlt(hdc, 0, 0, host->m_width, host->m_height, host->m_memDC, 0, 0, SRCCOPY);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;  // the picture covers the whole client area
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
#endif

ReferenceHost::ReferenceHost(int width, int height)
    : engineHandle(0),
      m_width(width > 0 ? width : 1),
      m_height(height > 0 ? height : 1),
      m_handle(0),
      m_engine(std::make_unique<RefHostEngine>(*this)),
      m_pDispatch(new RefHostDispatch(this)) {
  PlaneRotation(m_plane, m_matrix);  // the rotation of no angles, as SetWorkPlane works it out
  m_handle = AddHostHandle(this);
  engineHandle = m_handle;
#if defined(_WIN32)
  // A popup's client area is the whole window, so the view is exactly width x height.
  HINSTANCE module = ThisModule();
  RegisterViewClass(module);
  m_hWnd = CreateWindowExA(WS_EX_TOOLWINDOW, kViewClass, "Reference host view", WS_POPUP, 0, 0, m_width,
                           m_height, nullptr, nullptr, module, nullptr);
  if (m_hWnd) {
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewProc));
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = m_width;
  info.bmiHeader.biHeight = m_height;  // bottom-up, as a BMP file stores its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  m_memDC = CreateCompatibleDC(nullptr);
  m_picture = CreateDIBSection(m_memDC, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
  if (m_memDC && m_picture) {
    m_oldBitmap = SelectObject(m_memDC, m_picture);
    RECT all{0, 0, m_width, m_height};
    FillRect(m_memDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
#else
  m_hWnd = QarnCreateWindow(nullptr, m_width, m_height);
#endif
}

#if defined(_WIN32)
void ReferenceHost::Resize(int width, int height) {
  width = width > 0 ? width : 1;
  height = height > 0 ? height : 1;
  if (width == m_width && height == m_height) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP picture = m_memDC ? CreateDIBSection(m_memDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!picture) return;  // out of memory: the view keeps the size its picture has
  SelectObject(m_memDC, picture);
  if (m_picture) DeleteObject(m_picture);
  m_picture = picture;
  m_bits = bits;
  m_width = width;
  m_height = height;
  RECT all{0, 0, m_width, m_height};
  FillRect(m_memDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}
#endif

ReferenceHost::~ReferenceHost() {
  // A host that goes away drops its registrations the way it always does, so an
  // editor still registered lets go of the engine instead of calling a dead one.
  DropPointerHandler();
  DropOverlayPainter();
  RemoveHostHandle(m_handle);
  m_pDispatch->Detach();
  m_pDispatch->Release();
  if (m_hWnd) {
#if defined(_WIN32)
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
#endif
    DestroyWindow(m_hWnd);
  }
#if defined(_WIN32)
  if (m_memDC) {
    if (m_oldBitmap) SelectObject(m_memDC, m_oldBitmap);
    DeleteDC(m_memDC);
  }
  if (m_picture) DeleteObject(m_picture);
#endif
}

IDispatch* ReferenceHost::GetDispatch() { return m_pDispatch; }

HostEngine* ReferenceHost::GetEngine() { return engineHandle ? m_engine.get() : nullptr; }

void ReferenceHost::Log(std::string name, std::vector<CallArg> args) {
  if (!logCalls) return;
  calls.push_back({std::move(name), std::move(args)});
}

void ReferenceHost::SetView(double newScale, double newOriginX, double newOriginY) {
  scale = newScale;
  originX = newOriginX;
  originY = newOriginY;
}

void ReferenceHost::ScreenToWorld(double& x, double& y) const {
  if (scale == 0) return;
  x = x / scale + originX;
  y = (m_height - y) / scale + originY;
}

void ReferenceHost::SetWorkPlane(double ax, double ay, double az, double ox, double oy, double oz) {
  const double values[6] = {ax, ay, az, ox, oy, oz};
  for (int i = 0; i < 6; ++i) m_plane[i] = values[i];
  PlaneRotation(m_plane, m_matrix);
}

void ReferenceHost::PlaneToWorld3D(double& x, double& y, double& z) const {
  const double* const m = m_matrix;
  const double u = x, v = y;
  x = m_plane[3] + m[0] * u + m[1] * v;
  y = m_plane[4] + m[3] * u + m[4] * v;
  z = m_plane[5] + m[6] * u + m[7] * v;
}

void ReferenceHost::SetFileVersion(const std::optional<std::string>& version) {
  HostFolder& owned = HostFileFolder();
  std::filesystem::path& folder = owned.path;
  if (folder.empty()) {
    // A private folder first on PATH: the version functions look a bare file name up
    // in the program's folder, the current folder, the system folders and then PATH.
#if defined(_WIN32)
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return;
    std::filesystem::path made;
    for (unsigned attempt = 0; attempt < 100 && made.empty(); ++attempt) {
      char name[64];
      std::snprintf(name, sizeof(name), "qarnref-%lu-%u", GetCurrentProcessId(), attempt);
      std::filesystem::path candidate = std::filesystem::path(temp) / name;
      if (CreateDirectoryA(candidate.string().c_str(), nullptr)) made = candidate;
    }
    if (made.empty()) return;
    folder = made;
    owned.owner = HostFolder::CurrentProcess();
    std::string newPath = folder.string();
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size > 0) {
      std::string path(size, '\0');
      DWORD got = GetEnvironmentVariableA("PATH", path.data(), size);
      path.resize(got < size ? got : 0);
      if (!path.empty()) newPath += ";" + path;
    }
    SetEnvironmentVariableA("PATH", newPath.c_str());
#else
    char pattern[] = "/tmp/qarnref-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    owned.owner = HostFolder::CurrentProcess();
    const char* path = std::getenv("PATH");
    std::string newPath = folder.string() + (path && *path ? std::string(":") + path : std::string());
    setenv("PATH", newPath.c_str(), 1);
#endif
  }
  std::filesystem::path file = folder / "qarnocx32.ocx";
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  HostFileVersion() = version;
  if (!version || version->empty()) {
    HostFileVersion().reset();
    return;
  }
  VersionInfoSpec spec;
  unsigned parts[4] = {0, 0, 0, 0};
  std::sscanf(version->c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
  for (int i = 0; i < 4; ++i) spec.fileVersion[i] = spec.productVersion[i] = static_cast<WORD>(parts[i]);
  spec.strings = {{"FileDescription", "Reference host view control"},
                  {"FileVersion", *version},
                  {"OriginalFilename", "qarnocx32.ocx"}};
  PeImageSpec image;
  image.pe32Plus = sizeof(void*) == 8;  // the bitness of the process that looks for it
  image.versionResource = BuildVersionInfoBlock(spec);
  WriteBytesToFile(file.string().c_str(), BuildPeImage(image));
}

std::optional<std::string> ReferenceHost::GetFileVersion() { return HostFileVersion(); }

// A replacing host detaches the old registration before it records the new one, the
// same object included: the old one's callback sees no registration at all, and
// whatever it registers from inside the callback is replaced by the new one.
void ReferenceHost::RegisterHandler(PointerHandler* handler) {
  PointerHandler* old = m_pHandler;
  if (handler && old && detachOnReplace) {
    m_pHandler = nullptr;
    old->OnHandlerDetached();
    m_pHandler = handler;
    return;
  }
  m_pHandler = handler;
  if (!handler && old && detachOnUnregister) old->OnHandlerDetached();
}

void ReferenceHost::RegisterPainter(OverlayPainter* painter) {
  OverlayPainter* old = m_pPainter;
  if (painter && old && detachOnReplace) {
    m_pPainter = nullptr;
    old->OnPainterDetached();
    m_pPainter = painter;
    return;
  }
  m_pPainter = painter;
  if (!painter && old && detachOnUnregister) old->OnPainterDetached();
}

void ReferenceHost::DropPointerHandler() {
  PointerHandler* old = m_pHandler;
  m_pHandler = nullptr;
  if (old) old->OnHandlerDetached();
}

void ReferenceHost::DropOverlayPainter() {
  OverlayPainter* old = m_pPainter;
  m_pPainter = nullptr;
  if (old) old->OnPainterDetached();
}

namespace {
constexpr DWORD kLeftButtonFlag = 0x0001;  // MK_LBUTTON
}

// The pointer is where a user's would be, so code that asks for the cursor sees it.
void ReferenceHost::MovePointer(int x, int y) {
  POINT screen{x, y};
  ClientToScreen(m_hWnd, &screen);
  SetCursorPos(screen.x, screen.y);
}

void ReferenceHost::Press(int x, int y) {
  POINT pt{x, y};
  MovePointer(x, y);
  if (m_pHandler) m_pHandler->OnButtonDown(kLeftButtonFlag, &pt);
}

void ReferenceHost::Move(int x, int y) {
  POINT pt{x, y};
  MovePointer(x, y);
  if (m_pHandler) m_pHandler->OnPointerMove(0, &pt);
}

void ReferenceHost::Release(int x, int y) {
  POINT pt{x, y};
  MovePointer(x, y);
  if (m_pHandler) m_pHandler->OnButtonUp(0, &pt);
}

void ReferenceHost::RightPress(int x, int y) {
  POINT pt{x, y};
  MovePointer(x, y);
  if (m_pHandler) m_pHandler->OnRightButton(0x0002, &pt);
}

// White, the entity records, then the editor's overlay on top.
void ReferenceHost::PaintView(HDC hdc) {
  RECT all{0, 0, m_width, m_height};
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // The same record painter as the visible view control, so a figure shows the same
  // pixels in the script host's pictures and on the desktop.
  for (RECORDADDR record : entities) PaintRecord(hdc, *this, record);
  if (m_pPainter) {
    CDC dc;
    dc.Attach(hdc);
    m_pPainter->PaintOverlay(&dc);
    dc.Detach();
  }
}

#if defined(_WIN32)
void ReferenceHost::Repaint() {
  if (!m_memDC || !m_picture) return;
  PaintView(m_memDC);
  GdiFlush();
  if (m_hWnd && IsWindowVisible(m_hWnd)) {
    HDC hdc = GetDC(m_hWnd);
    if (hdc) {
      BitBlt(hdc, 0, 0, m_width, m_height, m_memDC, 0, 0, SRCCOPY);
      ReleaseDC(m_hWnd, hdc);
    }
  }
}

bool WriteBmp24(const char* path, int width, int height, const void* bits) {
  if (!bits || !path) return false;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + imageSize;
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageSize;
  info.biXPelsPerMeter = info.biYPelsPerMeter = 3780;  // 96 dpi
  std::vector<uint8_t> bytes(file.bfSize);
  std::memcpy(bytes.data(), &file, sizeof(file));
  std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  std::memcpy(bytes.data() + file.bfOffBits, bits, imageSize);
  return WriteBytesToFile(path, bytes);
}

bool ReferenceHost::SavePicture(const char* path) const {
  GdiFlush();
  return WriteBmp24(path, m_width, m_height, m_bits);
}
#else
void ReferenceHost::Repaint() {
  HDC hdc = GetDC(m_hWnd);
  if (!hdc) return;
  PaintView(hdc);
  ReleaseDC(m_hWnd, hdc);
}

bool ReferenceHost::SavePicture(const char* path) const {
  HDC hdc = GetDC(m_hWnd);
  if (!hdc) return false;
  bool ok = QarnSaveDCAsPng(hdc, path) != FALSE;
  ReleaseDC(m_hWnd, hdc);
  return ok;
}
#endif

