// Line stepping with GDI's rules.
//
// Cosmetic (one-pixel) lines follow the grid-intersection diamond rule: along the major
// axis every pixel from the start up to, but not including, the end is lit; on the
// minor axis the pixel nearest the exact line is taken, and when the line passes
// exactly half-way between two pixels the upper one (x-major lines) or the left one
// (y-major lines) wins, whichever way the line runs. So a line and its reverse light
// the same pixels apart from the end points, and a 45-degree line has no ties.
//
// The dotted pen (PS_DOT, the only style besides solid and null) advances one step per
// pixel along the major axis: three pixels on, three off. The pattern starts afresh with
// every LineTo and runs on across the segments of one Polyline or figure outline. Gaps
// are painted in the background colour when the background mode is OPAQUE and left
// alone when it is TRANSPARENT.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi_internal.h"

namespace qarn::gdi {
namespace {

constexpr long long kCoordLimit = 1LL << 27;  // GDI's own coordinate range

long long Clamp(long long v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

long long CeilDiv(long long a, long long b) {  // b > 0
  return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

}  // namespace

bool PenStyleOn(int style, long pos) {
  if (style != PS_DOT) return true;
  long p = pos % 6;
  if (p < 0) p += 6;
  return p < 3;
}

void DrawPenLine(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos) {
  if (!dc.pen || dc.pen->style == PS_NULL) return;
  // Pulled into GDI's range first, so that no offset or product below can overflow.
  from = POINT{static_cast<LONG>(Clamp(from.x)), static_cast<LONG>(Clamp(from.y))};
  to = POINT{static_cast<LONG>(Clamp(to.x)), static_cast<LONG>(Clamp(to.y))};
  long long x0 = from.x, y0 = from.y, x1 = to.x, y1 = to.y;
  long long dx = x1 - x0, dy = y1 - y0;
  long long adx = std::llabs(dx), ady = std::llabs(dy);
  bool xMajor = adx >= ady;
  long long steps = xMajor ? adx : ady;
  if (steps == 0) return;
  uint32_t penColor = RasterSurface::FromColorRef(dc.pen->color);
  uint32_t gapColor = RasterSurface::FromColorRef(dc.bkColor);
  bool styled = dc.pen->style == PS_DOT;
  // Only steps whose major coordinate lands on the surface can light anything.
  long long major0 = xMajor ? x0 : y0;
  long long sign = (xMajor ? dx : dy) > 0 ? 1 : -1;
  long long limit = xMajor ? s.Width() : s.Height();
  long long first = 0, last = steps - 1;
  if (sign > 0) {
    first = std::max(first, -major0);
    last = std::min(last, limit - 1 - major0);
  } else {
    first = std::max(first, major0 - (limit - 1));
    last = std::min(last, major0);
  }
  if (first > last) {
    stylePos += static_cast<long>(steps);
    return;
  }
  // The minor coordinate round(minor0 + i * dMinor / steps), halves going to the smaller
  // value, is ceil(n_i / d) with n_i = 2 * (minor0 * steps + i * dMinor) - steps and
  // d = 2 * steps. One division finds it at the first step; after that n grows by
  // 2 * dMinor, at most d, so the quotient moves by at most one a step.
  const long long minor0 = xMajor ? y0 : x0, dMinor = xMajor ? dy : dx;
  const long long d = 2 * steps, dn = 2 * dMinor;
  const long long n = 2 * (minor0 * steps + first * dMinor) - steps;
  long long q = CeilDiv(n, d);
  long long r = n - q * d;  // in (-d, 0]
  // A solid pen copied onto the surface writes one value to every pixel it lights.
  const bool plainCopy = !styled && dc.rop2 == R2_COPYPEN;
  const uint32_t plainPixel = plainCopy ? s.Quantize(penColor) : 0;
  for (long long i = first; i <= last; ++i) {
    const long long major = major0 + sign * i;
    const long long x = xMajor ? major : q, y = xMajor ? q : major;
    if (plainCopy) {
      if (s.Contains(static_cast<int>(x), static_cast<int>(y))) s.Row(static_cast<int>(y))[x] = plainPixel;
    } else if (!styled || PenStyleOn(dc.pen->style, stylePos + static_cast<long>(i))) {
      PlotRop(s, static_cast<int>(x), static_cast<int>(y), penColor, dc.rop2);
    } else if (dc.bkMode == OPAQUE) {
      PlotRop(s, static_cast<int>(x), static_cast<int>(y), gapColor, dc.rop2);
    }
    r += dn;
    if (r > 0) {
      ++q;
      r -= d;
    } else if (r <= -d) {
      --q;
      r += d;
    }
  }
  stylePos += static_cast<long>(steps);
}

}  // namespace qarn::gdi

using namespace qarn::gdi;

BOOL LineTo(HDC hdc, int x, int y) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return FALSE;
  RasterSurface* s = SurfaceOf(*dc);
  POINT to{x, y};
  if (s) {
    long style = 0;
    DrawPenLine(*dc, *s, dc->current, to, style);
  }
  dc->current = to;
  return s ? TRUE : FALSE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  Dc* dc = LookupDc(hdc);
  if (!dc || !points || count < 2) return FALSE;
  RasterSurface* s = SurfaceOf(*dc);
  if (!s) return FALSE;
  long style = 0;
  for (int i = 1; i < count; ++i) DrawPenLine(*dc, *s, points[i - 1], points[i], style);
  return TRUE;
}
