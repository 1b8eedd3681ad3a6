// What the GDI source files share: the objects behind handles and the DC state.
// Not for the editor: it sees only the Windows names in gdi.h.
#pragma once

#include <memory>

#include "platform/gdi.h"
#include "platform/raster_surface.h"

namespace qarn::gdi {

enum class Kind { Pen, Brush, Font, Bitmap };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
  int selections = 0;            // DCs that hold it selected
};

struct Pen : Object {
  Pen() : Object(Kind::Pen) {}
  int style = PS_SOLID;
  COLORREF color = 0;
};

struct Brush : Object {
  Brush() : Object(Kind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

struct FontInstance;  // the FreeType side, defined with the text code

struct Font : Object {
  Font() : Object(Kind::Font) {}
  LOGFONTA logfont{};
  std::shared_ptr<FontInstance> instance;  // made on first use
};

struct Bitmap : Object {
  Bitmap() : Object(Kind::Bitmap) {}
  std::unique_ptr<RasterSurface> surface;
  std::unique_ptr<uint8_t[]> dibBits;  // a DIB section's memory, handed out to the caller
  HDC selectedInto = nullptr;
};

enum class DcKind { Memory, Window, Screen };

struct Dc {
  DcKind kind = DcKind::Memory;
  HWND hwnd = nullptr;
  Pen* pen = nullptr;
  Brush* brush = nullptr;
  Font* font = nullptr;
  Bitmap* bitmap = nullptr;
  int rop2 = R2_COPYPEN;
  int bkMode = OPAQUE;
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT current{0, 0};
};

// Handle tables: a null result for anything that is not a live object of that kind.
Object* LookupObject(HGDIOBJ h);
template <class T>
T* Lookup(HGDIOBJ h, Kind kind) {
  Object* o = LookupObject(h);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
Dc* LookupDc(HDC h);

// Gives a DC its default objects; drops its selections (and any deletions that waited on them).
void SelectDefaults(Dc& dc);
void ReleaseSelections(Dc& dc);
HDC RegisterDc(std::unique_ptr<Dc> dc);
Font* DefaultFont();

// The surface a DC draws into right now; null when its window is gone.
RasterSurface* SurfaceOf(Dc& dc);
// Defined with the windows: the client surface of a live window.
RasterSurface* WindowSurface(HWND hwnd);

// Combines a pen/brush colour with the destination by a binary raster operation.
inline uint32_t ApplyRop2(int rop2, uint32_t pen, uint32_t dst) {
  unsigned table = static_cast<unsigned>(rop2 - 1) & 15u;
  // Bit (2 * pen + dst) of the table gives the result for each bit pair.
  uint32_t r = 0;
  if (table & 1u) r |= ~pen & ~dst;
  if (table & 2u) r |= ~pen & dst;
  if (table & 4u) r |= pen & ~dst;
  if (table & 8u) r |= pen & dst;
  return r;
}

// The pixel at (x, y), known to lie on the surface, through the raster operation.
inline void PutRop(RasterSurface& s, int x, int y, uint32_t color, int rop2) {
  uint32_t* p = s.Row(y) + x;
  *p = s.Quantize(rop2 == R2_COPYPEN ? color : ApplyRop2(rop2, color, *p));
}

inline void PlotRop(RasterSurface& s, int x, int y, uint32_t color, int rop2) {
  if (s.Contains(x, y)) PutRop(s, x, y, color, rop2);
}

// Fills [left,right) x [top,bottom) with a brush through the DC's raster operation.
void FillRectRop(RasterSurface& s, const RECT& r, uint32_t color, int rop2);

// Line stepping (cosmetic and wide pens). `stylePos` counts pixels along a styled path.
void DrawPenLine(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos);
// The same lines without DrawPenLine's shortcut for segments wholly on the surface:
// every segment clamped, clipped and checked pixel by pixel.
void DrawPenLineGeneral(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos);

// Whether a styled cosmetic pen draws the pixel at this style position.
bool PenStyleOn(int style, long pos);

}  // namespace qarn::gdi
