// Pens, brushes, fonts and bitmaps behind GDI handles, and selecting them into DCs.
#include <cstring>
#include <unordered_set>

#include "platform/gdi_internal.h"

namespace qarn::gdi {
namespace {

std::unordered_set<Object*>& LiveObjects() {
  static auto* live = new std::unordered_set<Object*>();  // never freed: handles may be used at exit
  return *live;
}

template <class T>
T* Register(T* o) {
  LiveObjects().insert(o);
  return o;
}

void Destroy(Object* o) {
  LiveObjects().erase(o);
  delete o;
}

Pen* StockPen(COLORREF color, int style) {
  auto* p = new Pen();
  p->stock = true;
  p->color = color;
  p->style = style;
  return Register(p);
}

Brush* StockBrush(COLORREF color, bool hollow) {
  auto* b = new Brush();
  b->stock = true;
  b->color = color;
  b->hollow = hollow;
  return Register(b);
}

Font* StockFont(LONG height, LONG weight) {
  auto* f = new Font();
  f->stock = true;
  f->logfont.lfHeight = height;
  f->logfont.lfWeight = weight;
  std::strcpy(f->logfont.lfFaceName, "DejaVu Sans");
  return Register(f);
}

struct Stock {
  Object* objects[18] = {};
  Bitmap* defaultBitmap = nullptr;
};

Stock& Stocks() {
  static Stock* stock = [] {
    auto* s = new Stock();
    s->objects[WHITE_BRUSH] = StockBrush(RGB(255, 255, 255), false);
    s->objects[LTGRAY_BRUSH] = StockBrush(RGB(192, 192, 192), false);
    s->objects[GRAY_BRUSH] = StockBrush(RGB(128, 128, 128), false);
    s->objects[DKGRAY_BRUSH] = StockBrush(RGB(64, 64, 64), false);
    s->objects[BLACK_BRUSH] = StockBrush(RGB(0, 0, 0), false);
    s->objects[NULL_BRUSH] = StockBrush(RGB(0, 0, 0), true);
    s->objects[WHITE_PEN] = StockPen(RGB(255, 255, 255), PS_SOLID);
    s->objects[BLACK_PEN] = StockPen(RGB(0, 0, 0), PS_SOLID);
    s->objects[NULL_PEN] = StockPen(RGB(0, 0, 0), PS_NULL);
    // The system font is a 16-pixel-cell bold face; the GUI font is 8 points at 96 dpi.
    Font* system = StockFont(16, FW_BOLD);
    s->objects[SYSTEM_FONT] = system;
    s->objects[DEVICE_DEFAULT_FONT] = system;
    s->objects[OEM_FIXED_FONT] = StockFont(12, FW_NORMAL);
    s->objects[ANSI_FIXED_FONT] = StockFont(13, FW_NORMAL);
    s->objects[ANSI_VAR_FONT] = StockFont(13, FW_NORMAL);
    s->objects[SYSTEM_FIXED_FONT] = StockFont(16, FW_NORMAL);
    s->objects[DEFAULT_GUI_FONT] = StockFont(-11, FW_NORMAL);
    // A fresh memory DC holds a 1x1 monochrome bitmap, as on Windows.
    auto* bmp = new Bitmap();
    bmp->stock = true;
    bmp->surface = std::make_unique<RasterSurface>(1, 1);
    bmp->surface->SetMonochrome(true);
    s->defaultBitmap = Register(bmp);
    return s;
  }();
  return *stock;
}

void Release(Object* o) {
  if (!o) return;
  if (o->selections > 0) --o->selections;
}

int CountLive() {
  int n = 0;
  for (Object* o : LiveObjects())
    if (!o->stock) ++n;
  return n;
}

}  // namespace

Object* LookupObject(HGDIOBJ h) {
  if (!h) return nullptr;
  Stocks();
  auto& live = LiveObjects();
  auto it = live.find(static_cast<Object*>(h));
  if (it == live.end()) return nullptr;
  return *it;
}

Font* DefaultFont() { return static_cast<Font*>(Stocks().objects[SYSTEM_FONT]); }

void SelectDefaults(Dc& dc) {
  Stock& s = Stocks();
  dc.pen = static_cast<Pen*>(s.objects[BLACK_PEN]);
  dc.brush = static_cast<Brush*>(s.objects[WHITE_BRUSH]);
  dc.font = static_cast<Font*>(s.objects[SYSTEM_FONT]);
  dc.bitmap = dc.kind == DcKind::Memory ? s.defaultBitmap : nullptr;
}

void ReleaseSelections(Dc& dc) {
  if (dc.bitmap && !dc.bitmap->stock) dc.bitmap->selectedInto = nullptr;
  Object* held[] = {dc.pen, dc.brush, dc.font, dc.bitmap};
  dc.pen = nullptr;
  dc.brush = nullptr;
  dc.font = nullptr;
  dc.bitmap = nullptr;
  for (Object* o : held) Release(o);
}

}  // namespace qarn::gdi

using namespace qarn::gdi;

HPEN CreatePen(int style, int width, COLORREF color) {
  // The pens the editor and the reference host draw with: one pixel (width 0 is the
  // one-pixel cosmetic pen), solid, dotted or null. Wider and dashed pens are refused.
  if ((style != PS_SOLID && style != PS_DOT && style != PS_NULL) || width > 1) return nullptr;
  auto* p = new Pen();
  p->style = style;
  p->color = color & 0x00FFFFFF;
  return reinterpret_cast<HPEN>(Register(p));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new Brush();
  b->color = color & 0x00FFFFFF;
  return reinterpret_cast<HBRUSH>(Register(b));
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (!lf) return nullptr;
  auto* f = new Font();
  f->logfont = *lf;
  f->logfont.lfFaceName[LF_FACESIZE - 1] = '\0';
  return reinterpret_cast<HFONT>(Register(f));
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= static_cast<int>(sizeof(Stock::objects) / sizeof(Object*))) return nullptr;
  return Stocks().objects[index];
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  Dc* dc = LookupDc(hdc);
  Object* o = LookupObject(obj);
  if (!dc || !o) return nullptr;
  Object* previous = nullptr;
  switch (o->kind) {
    case Kind::Pen:
      previous = dc->pen;
      dc->pen = static_cast<Pen*>(o);
      break;
    case Kind::Brush:
      previous = dc->brush;
      dc->brush = static_cast<Brush*>(o);
      break;
    case Kind::Font:
      previous = dc->font;
      dc->font = static_cast<Font*>(o);
      break;
    case Kind::Bitmap: {
      auto* bmp = static_cast<Bitmap*>(o);
      // Only a memory DC takes a bitmap, and a bitmap sits in one DC at a time.
      if (dc->kind != DcKind::Memory) return nullptr;
      if (!bmp->stock && bmp->selectedInto && bmp->selectedInto != hdc) return nullptr;
      previous = dc->bitmap;
      if (previous == o) return previous;
      if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedInto = nullptr;
      dc->bitmap = bmp;
      if (!bmp->stock) bmp->selectedInto = hdc;
      break;
    }
  }
  ++o->selections;
  Release(previous);
  return previous;
}

BOOL DeleteObject(HGDIOBJ obj) {
  Object* o = LookupObject(obj);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  // Windows refuses to delete any object while it is selected into a DC (the
  // runtime's GDI instead defers pens and brushes until released).
  if (o->selections > 0) return FALSE;
  Destroy(o);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  Dc* dc = LookupDc(hdc);
  if (!dc || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return reinterpret_cast<HBITMAP>(Stocks().defaultBitmap);
  if (static_cast<long long>(width) * height > (1LL << 28)) return nullptr;
  auto* bmp = new Bitmap();
  bmp->surface = std::make_unique<RasterSurface>(width, height);
  // Compatible with a memory DC means compatible with the bitmap in it: a fresh memory
  // DC still holds its monochrome default, so the new bitmap is monochrome too.
  if (dc->kind == DcKind::Memory && dc->bitmap && dc->bitmap->surface->IsMonochrome())
    bmp->surface->SetMonochrome(true);
  return reinterpret_cast<HBITMAP>(Register(bmp));
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD /*offset*/) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 32 || h.biCompression != BI_RGB) return nullptr;
  long long width = h.biWidth;
  long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  if (width <= 0 || height <= 0 || width * height > (1LL << 28)) return nullptr;
  auto* bmp = new Bitmap();
  size_t bytes = static_cast<size_t>(width * height * 4);
  bmp->dibBits.reset(new uint8_t[bytes]());
  bmp->surface = std::make_unique<RasterSurface>(static_cast<int>(width), static_cast<int>(height),
                                                 bmp->dibBits.get(), h.biHeight > 0);
  if (bits) *bits = bmp->dibBits.get();
  return reinterpret_cast<HBITMAP>(Register(bmp));
}

int QarnLiveGdiObjectCount() {
  Stocks();
  return CountLive();
}
