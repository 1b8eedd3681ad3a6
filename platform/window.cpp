#include "platform/window.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>
#include <vector>

#include "platform/gdi_internal.h"

namespace {

struct Window {
  HWND parent = nullptr;
  std::unique_ptr<RasterSurface> surface;
  POINT origin{0, 0};
  int invalidations = 0;
  bool invalid = false;
  RECT invalidRect{0, 0, 0, 0};
  QarnPaintProc paint = nullptr;
  void* paintContext = nullptr;
};

std::unordered_map<HWND, std::unique_ptr<Window>>& Windows() {
  static auto* windows = new std::unordered_map<HWND, std::unique_ptr<Window>>();
  return *windows;
}

HWND g_capture = nullptr;
POINT g_cursor{0, 0};

// A window DC's drawing calls each find the window behind it: the last window found is
// kept per thread, and dropped by every destruction (which moves the count on), so a
// destroyed window's handle, or its address reused by a new one, is looked up again.
std::atomic<uint64_t> g_windowDestructions{0};
struct LastWindow {
  HWND handle = nullptr;
  Window* window = nullptr;
  uint64_t destructions = 0;
};
thread_local LastWindow t_lastWindow;

[[gnu::noinline]] Window* FindInTable(HWND hwnd, uint64_t destructions) {
  LastWindow& last = t_lastWindow;
  auto it = Windows().find(hwnd);
  if (it == Windows().end()) return nullptr;
  last = LastWindow{hwnd, it->second.get(), destructions};
  return last.window;
}

// The kept window is checked inline: drawing calls on a window DC make this call each.
inline Window* Find(HWND hwnd) {
  if (!hwnd) return nullptr;
  const LastWindow& last = t_lastWindow;
  const uint64_t destructions = g_windowDestructions.load(std::memory_order_acquire);
  if (last.handle == hwnd && last.destructions == destructions) return last.window;
  return FindInTable(hwnd, destructions);
}

RECT Union(const RECT& a, const RECT& b) {
  if (a.left >= a.right || a.top >= a.bottom) return b;
  if (b.left >= b.right || b.top >= b.bottom) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT ClientRect(const Window& w) { return RECT{0, 0, w.surface->Width(), w.surface->Height()}; }

void Invalidate(Window& w, const RECT* rect) {
  RECT client = ClientRect(w);
  RECT r = rect ? RECT{std::max(rect->left, client.left), std::max(rect->top, client.top),
                       std::min(rect->right, client.right), std::min(rect->bottom, client.bottom)}
                : client;
  ++w.invalidations;
  if (r.left >= r.right || r.top >= r.bottom) return;
  w.invalidRect = w.invalid ? Union(w.invalidRect, r) : r;
  w.invalid = true;
}

}  // namespace

namespace qarn::gdi {
RasterSurface* WindowSurface(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->surface.get() : nullptr;
}
}  // namespace qarn::gdi

HWND QarnCreateWindow(HWND parent, int width, int height) {
  if (parent && !Find(parent)) return nullptr;
  if (width < 0 || height < 0 || static_cast<long long>(width) * height > (1LL << 28)) return nullptr;
  auto w = std::make_unique<Window>();
  w->parent = parent;
  w->surface = std::make_unique<RasterSurface>(width, height);
  w->surface->Fill(0x00FFFFFF);
  HWND h = reinterpret_cast<HWND>(w.get());
  Windows()[h] = std::move(w);
  return h;
}

BOOL QarnSetWindowOrigin(HWND hwnd, int x, int y) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  w->origin = POINT{x, y};
  return TRUE;
}

int QarnInvalidateCount(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->invalidations : -1;
}

BOOL QarnSetPaintProc(HWND hwnd, QarnPaintProc proc, void* context) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  w->paint = proc;
  w->paintContext = context;
  return TRUE;
}

RasterSurface* QarnWindowSurface(HWND hwnd) { return qarn::gdi::WindowSurface(hwnd); }

BOOL DestroyWindow(HWND hwnd) {
  if (!Find(hwnd)) return FALSE;
  // Children go first, as Windows destroys them with their parent.
  std::vector<HWND> children;
  for (auto& [h, w] : Windows())
    if (w->parent == hwnd) children.push_back(h);
  for (HWND child : children) DestroyWindow(child);
  if (g_capture == hwnd) g_capture = nullptr;
  g_windowDestructions.fetch_add(1, std::memory_order_acq_rel);
  Windows().erase(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Window* w = Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ClientRect(*w);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  using namespace qarn::gdi;
  auto dc = std::make_unique<Dc>();
  if (hwnd) {
    if (!Find(hwnd)) return nullptr;
    dc->kind = DcKind::Window;
    dc->hwnd = hwnd;
  } else {
    dc->kind = DcKind::Screen;
  }
  return RegisterDc(std::move(dc));
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  qarn::gdi::Dc* dc = qarn::gdi::LookupDc(hdc);
  if (!dc || dc->kind == qarn::gdi::DcKind::Memory || dc->hwnd != hwnd) return 0;
  return DeleteDC(hdc) ? 1 : 0;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL /*erase*/) {
  if (!hwnd) {
    // A null window means every window.
    for (auto& [h, w] : Windows()) Invalidate(*w, nullptr);
    return TRUE;
  }
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  Invalidate(*w, rect);
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  if (!w->invalid) return TRUE;
  RECT invalid = w->invalidRect;
  w->invalid = false;
  w->invalidRect = RECT{0, 0, 0, 0};
  if (w->paint) {
    HDC hdc = GetDC(hwnd);
    w->paint(hwnd, hdc, &invalid, w->paintContext);
    ReleaseDC(hwnd, hdc);
  }
  return TRUE;
}

HWND SetCapture(HWND hwnd) {
  if (!Find(hwnd)) return nullptr;
  HWND previous = g_capture;
  g_capture = hwnd;
  return previous;
}

HWND GetCapture() { return g_capture; }

BOOL ReleaseCapture() {
  g_capture = nullptr;
  return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = g_cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_cursor = POINT{x, y};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  Window* w = Find(hwnd);
  if (!w || !point) return FALSE;
  point->x += w->origin.x;
  point->y += w->origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  Window* w = Find(hwnd);
  if (!w || !point) return FALSE;
  point->x -= w->origin.x;
  point->y -= w->origin.y;
  return TRUE;
}
