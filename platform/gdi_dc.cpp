// Device contexts: their table, their drawing state, pixels, and rectangles.
#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "platform/gdi_internal.h"

namespace qarn::gdi {
namespace {

std::unordered_map<HDC, std::unique_ptr<Dc>>& Dcs() {
  static auto* dcs = new std::unordered_map<HDC, std::unique_ptr<Dc>>();
  return *dcs;
}

// Every drawing call finds its DC by handle, and a paint makes thousands of them on one
// DC: the last DC found is kept per thread. A deletion moves the count on, which drops
// every thread's kept entry, so a handle whose DC is gone (or whose address a new DC
// took) is always looked up again.
std::atomic<uint64_t> g_dcDeletions{0};
struct LastDc {
  HDC handle = nullptr;
  Dc* dc = nullptr;
  uint64_t deletions = 0;
};
thread_local LastDc t_lastDc;

RasterSurface& ScreenSurface() {
  static auto* screen = [] {
    auto* s = new RasterSurface(1, 1);
    s->Fill(0x00FFFFFF);
    return s;
  }();
  return *screen;
}

uint32_t SystemColor(int index) {
  static const COLORREF colors[] = {
      RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
      RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
      RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
      RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0)};
  if (index < 0 || index >= static_cast<int>(sizeof(colors) / sizeof(colors[0]))) return 0x00FFFFFF;
  return RasterSurface::FromColorRef(colors[index]);
}

}  // namespace

namespace {

// Kept out of line so that the common case, the kept DC, saves no registers.
[[gnu::noinline]] Dc* LookupDcInTable(HDC h, uint64_t deletions) {
  auto& dcs = Dcs();
  auto it = dcs.find(h);
  if (it == dcs.end()) return nullptr;
  t_lastDc = LastDc{h, it->second.get(), deletions};
  return t_lastDc.dc;
}

}  // namespace

Dc* LookupDc(HDC h) {
  if (!h) return nullptr;
  const LastDc& last = t_lastDc;
  const uint64_t deletions = g_dcDeletions.load(std::memory_order_acquire);
  if (last.handle == h && last.deletions == deletions) return last.dc;
  return LookupDcInTable(h, deletions);
}

HDC RegisterDc(std::unique_ptr<Dc> dc) {
  SelectDefaults(*dc);
  for (Object* o : {static_cast<Object*>(dc->pen), static_cast<Object*>(dc->brush),
                    static_cast<Object*>(dc->font), static_cast<Object*>(dc->bitmap)})
    if (o) ++o->selections;
  HDC h = reinterpret_cast<HDC>(dc.get());
  Dcs()[h] = std::move(dc);
  return h;
}

RasterSurface* SurfaceOf(Dc& dc) {
  switch (dc.kind) {
    case DcKind::Memory:
      return dc.bitmap ? dc.bitmap->surface.get() : nullptr;
    case DcKind::Window:
      return WindowSurface(dc.hwnd);
    case DcKind::Screen:
      return &ScreenSurface();
  }
  return nullptr;
}

void FillRectRop(RasterSurface& s, const RECT& r, uint32_t color, int rop2) {
  int left = std::max<int>(r.left, 0), top = std::max<int>(r.top, 0);
  int right = std::min<int>(r.right, s.Width()), bottom = std::min<int>(r.bottom, s.Height());
  if (left >= right || top >= bottom) return;
  if (rop2 == R2_COPYPEN) {
    s.FillRect(left, top, right, bottom, color);
    return;
  }
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) PlotRop(s, x, y, color, rop2);
}

}  // namespace qarn::gdi

using namespace qarn::gdi;

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !LookupDc(hdc)) return nullptr;
  auto dc = std::make_unique<Dc>();
  dc->kind = DcKind::Memory;
  return RegisterDc(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return FALSE;
  ReleaseSelections(*dc);
  g_dcDeletions.fetch_add(1, std::memory_order_acq_rel);
  Dcs().erase(hdc);
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return 0;
  RasterSurface* s = SurfaceOf(*dc);
  switch (index) {
    case HORZRES:
      return dc->kind == DcKind::Screen ? 1920 : (s ? s->Width() : 0);
    case VERTRES:
      return dc->kind == DcKind::Screen ? 1080 : (s ? s->Height() : 0);
    case BITSPIXEL:
      return s && s->IsMonochrome() ? 1 : 32;
    case PLANES:
      return 1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    default:
      return 0;
  }
}

int SetROP2(HDC hdc, int rop2) {
  Dc* dc = LookupDc(hdc);
  if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  int old = dc->rop2;
  dc->rop2 = rop2;
  return old;
}

int GetROP2(HDC hdc) {
  Dc* dc = LookupDc(hdc);
  return dc ? dc->rop2 : 0;
}

int SetBkMode(HDC hdc, int mode) {
  Dc* dc = LookupDc(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  return old;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return old;
}

UINT SetTextAlign(HDC hdc, UINT align) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return GDI_ERROR;
  UINT old = dc->textAlign;
  dc->textAlign = align;
  return old;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->current;
  dc->current = POINT{x, y};
  return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s || !s->Contains(x, y)) return CLR_INVALID;
  return RasterSurface::ToColorRef(s->Get(x, y));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s || !s->Contains(x, y)) return CLR_INVALID;
  s->Set(x, y, RasterSurface::FromColorRef(color));
  return RasterSurface::ToColorRef(s->Get(x, y));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s || !rect) return 0;
  uint32_t color;
  auto value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= 32) {
    // (HBRUSH)(COLOR_x + 1) names a system colour.
    color = SystemColor(static_cast<int>(value) - 1);
  } else {
    Brush* b = Lookup<Brush>(brush, Kind::Brush);
    if (!b) return 0;
    if (b->hollow) return 1;
    color = RasterSurface::FromColorRef(b->color);
  }
  // An inverted rectangle is filled between its edges with both ends moved one
  // pixel on: {9,9,4,4} fills 5..9, as the runtime's GDI does.
  RECT r = *rect;
  if (r.left > r.right) r = RECT{r.right + 1, r.top, r.left + 1, r.bottom};
  if (r.top > r.bottom) r = RECT{r.left, r.bottom + 1, r.right, r.top + 1};
  // FillRect copies the brush (PATCOPY): the DC's ROP2 does not apply.
  FillRectRop(*s, r, color, R2_COPYPEN);
  return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  bool hasPen = dc->pen && dc->pen->style != PS_NULL;
  if (dc->brush && !dc->brush->hollow) {
    // Without a pen the figure loses its right column and bottom row, as on Windows.
    RECT inner = hasPen ? RECT{left + 1, top + 1, right - 1, bottom - 1} : RECT{left, top, right - 1, bottom - 1};
    FillRectRop(*s, inner, RasterSurface::FromColorRef(dc->brush->color), dc->rop2);
  }
  if (hasPen && right - left >= 1 && bottom - top >= 1) {
    POINT corners[5] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}};
    long style = 0;
    if (right - left == 1 || bottom - top == 1) {
      // A one-pixel-thin box is a single run; drawing it as a closed path would double it.
      POINT end = right - left == 1 ? POINT{left, bottom} : POINT{right, top};
      DrawPenLine(*dc, *s, corners[0], end, style);
    } else {
      for (int i = 0; i < 4; ++i) DrawPenLine(*dc, *s, corners[i], corners[i + 1], style);
    }
  }
  return TRUE;
}

RasterSurface* QarnSurfaceOf(HDC hdc) {
  Dc* dc = LookupDc(hdc);
  return dc ? SurfaceOf(*dc) : nullptr;
}

BOOL QarnSaveDCAsPng(HDC hdc, const char* path) {
  RasterSurface* s = QarnSurfaceOf(hdc);
  return s && s->SavePng(path) ? TRUE : FALSE;
}
