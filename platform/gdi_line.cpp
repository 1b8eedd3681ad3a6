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

// Lights steps first..last of one segment. At step `first` the minor coordinate is q,
// with r = n - q * d in (-d, 0] (see DrawPenLineGeneral); after that n grows by dn a step.
// kClip says whether a lit pixel can fall off the surface; `pos` is the pattern position
// of step `first`.
template <bool kClip>
[[gnu::always_inline]] inline void Walk(const Dc& dc, RasterSurface& s, bool xMajor, long long major0, long long sign,
                                        long long first, long long last, long long q, long long r, long long d,
                                        long long dn, long pos) {
  const int rop2 = dc.rop2;
  const bool styled = dc.pen->style == PS_DOT;
  auto advance = [&] {
    r += dn;
    if (r > 0) {
      ++q;
      r -= d;
    } else if (r <= -d) {
      --q;
      r += d;
    }
  };
  if (!styled && rop2 == R2_COPYPEN) {
    // A solid pen copied onto the surface writes one value to every pixel it lights.
    const uint32_t pixel = s.Quantize(RasterSurface::FromColorRef(dc.pen->color));
    for (long long i = first; i <= last; ++i) {
      const long long major = major0 + sign * i;
      const int x = static_cast<int>(xMajor ? major : q), y = static_cast<int>(xMajor ? q : major);
      if (!kClip || s.Contains(x, y)) s.Row(y)[x] = pixel;
      advance();
    }
    return;
  }
  const uint32_t penColor = RasterSurface::FromColorRef(dc.pen->color);
  const uint32_t gapColor = RasterSurface::FromColorRef(dc.bkColor);
  const bool opaque = dc.bkMode == OPAQUE;
  // The dotted pattern's phase, counted on from one step to the next rather than
  // divided out at each.
  long phase = pos % 6;
  if (phase < 0) phase += 6;
  for (long long i = first; i <= last; ++i) {
    const long long major = major0 + sign * i;
    const int x = static_cast<int>(xMajor ? major : q), y = static_cast<int>(xMajor ? q : major);
    const bool on = !styled || phase < 3;
    if (++phase == 6) phase = 0;
    if ((on || opaque) && (!kClip || s.Contains(x, y))) PutRop(s, x, y, on ? penColor : gapColor, rop2);
    advance();
  }
}

}  // namespace

bool PenStyleOn(int style, long pos) {
  if (style != PS_DOT) return true;
  long p = pos % 6;
  if (p < 0) p += 6;
  return p < 3;
}

void DrawPenLineGeneral(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos) {
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
  // d = 2 * steps. Since n_i = minor0 * d + (2 * i * dMinor - steps), the quotient is
  // minor0 plus that of the bracket, and at step 0 the bracket is -steps: quotient 0,
  // remainder -steps. Only a start cut off by the surface needs a division. After the
  // first step n grows by 2 * dMinor, at most d, so the quotient moves by at most one.
  const long long minor0 = xMajor ? y0 : x0, dMinor = xMajor ? dy : dx;
  const long long d = 2 * steps, dn = 2 * dMinor;
  long long q = minor0, r = -steps;
  if (first > 0) {
    const long long m = 2 * first * dMinor - steps;
    const long long k = CeilDiv(m, d);
    q += k;
    r = m - k * d;
  }
  Walk<true>(dc, s, xMajor, major0, sign, first, last, q, r, d, dn, stylePos + static_cast<long>(first));
  stylePos += static_cast<long>(steps);
}

namespace {

bool PenDraws(const Dc& dc) { return dc.pen && dc.pen->style != PS_NULL; }

// A segment of some length lying wholly on the surface: it needs no clamp, no clip and
// no check per pixel, since every pixel lit lies within the box of the two end points.
[[gnu::noinline]] void DrawInside(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos) {
  const long long dx = static_cast<long long>(to.x) - from.x, dy = static_cast<long long>(to.y) - from.y;
  if (static_cast<unsigned long long>(dx + 1) <= 2 && static_cast<unsigned long long>(dy + 1) <= 2) {
    // One step lights the start point alone.
    Walk<false>(dc, s, true, from.x, 1, 0, 0, from.y, -1, 2, 0, stylePos);
    ++stylePos;
    return;
  }
  const long long adx = std::llabs(dx), ady = std::llabs(dy);
  const bool xMajor = adx >= ady;
  const long long steps = xMajor ? adx : ady;
  const long long major0 = xMajor ? from.x : from.y, minor0 = xMajor ? from.y : from.x;
  const long long sign = (xMajor ? dx : dy) > 0 ? 1 : -1;
  Walk<false>(dc, s, xMajor, major0, sign, 0, steps - 1, minor0, -steps, 2 * steps, 2 * (xMajor ? dy : dx),
              stylePos);
  stylePos += static_cast<long>(steps);
}

// What the shortcut for one-step segments needs, fixed for the length of a Polyline:
// loaded once, since a pixel store could otherwise be taken to change any of it.
struct KeptShortcut {
  KeptShortcut(const Dc& dc, const RasterSurface& s)
      : width(std::min<long long>(s.Width(), kCoordLimit + 1)),
        height(std::min<long long>(s.Height(), kCoordLimit + 1)),
        plainCopy(dc.pen->style != PS_DOT && dc.rop2 == R2_COPYPEN),
        pixel(s.Quantize(RasterSurface::FromColorRef(dc.pen->color))) {}
  long long Width() const { return width; }
  long long Height() const { return height; }
  bool PlainCopy() const { return plainCopy; }
  uint32_t Pixel() const { return pixel; }
  long long width, height;  // the surface, within GDI's coordinate range
  bool plainCopy;           // a solid pen copied onto the surface
  uint32_t pixel;
};

// The same, read as needed, for a single segment.
struct LiveShortcut {
  const Dc& dc;
  const RasterSurface& s;
  long long Width() const { return std::min<long long>(s.Width(), kCoordLimit + 1); }
  long long Height() const { return std::min<long long>(s.Height(), kCoordLimit + 1); }
  bool PlainCopy() const { return dc.pen->style != PS_DOT && dc.rop2 == R2_COPYPEN; }
  uint32_t Pixel() const { return s.Quantize(RasterSurface::FromColorRef(dc.pen->color)); }
};

// A segment of some length drawn with a pen that draws. Most segments of a dense figure
// are one step long, lie on the surface and are drawn with a solid pen copied onto it:
// those are written here, inline in the callers' loops, and the rest handed on.
template <class Shortcut>
inline void DrawSegment(const Shortcut& k, Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos) {
  if (static_cast<unsigned long long>(from.x) >= static_cast<unsigned long long>(k.Width()) ||
      static_cast<unsigned long long>(to.x) >= static_cast<unsigned long long>(k.Width()) ||
      static_cast<unsigned long long>(from.y) >= static_cast<unsigned long long>(k.Height()) ||
      static_cast<unsigned long long>(to.y) >= static_cast<unsigned long long>(k.Height())) {
    DrawPenLineGeneral(dc, s, from, to, stylePos);
    return;
  }
  const long long dx = static_cast<long long>(to.x) - from.x, dy = static_cast<long long>(to.y) - from.y;
  if (k.PlainCopy() && static_cast<unsigned long long>(dx + 1) <= 2 && static_cast<unsigned long long>(dy + 1) <= 2) {
    s.Row(from.y)[from.x] = k.Pixel();
    ++stylePos;
    return;
  }
  DrawInside(dc, s, from, to, stylePos);
}

}  // namespace

void DrawPenLine(Dc& dc, RasterSurface& s, POINT from, POINT to, long& stylePos) {
  if (PenDraws(dc) && (from.x != to.x || from.y != to.y)) DrawSegment(LiveShortcut{dc, s}, dc, s, from, to, stylePos);
}

}  // namespace qarn::gdi

using namespace qarn::gdi;

namespace {

// LineTo's drawing, out of line so that a LineTo that draws nothing needs no frame.
[[gnu::noinline]] BOOL DrawLineTo(Dc& dc, RasterSurface& s, POINT from, POINT to) {
  long style = 0;
  DrawSegment(LiveShortcut{dc, s}, dc, s, from, to, style);
  return TRUE;
}

}  // namespace

BOOL LineTo(HDC hdc, int x, int y) {
  Dc* dc = LookupDc(hdc);
  if (!dc) return FALSE;
  RasterSurface* s = SurfaceOf(*dc);
  const POINT from = dc->current, to{x, y};
  dc->current = to;
  if (!s) return FALSE;
  if (PenDraws(*dc) && (from.x != to.x || from.y != to.y)) return DrawLineTo(*dc, *s, from, to);
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  Dc* dc = LookupDc(hdc);
  if (!dc || !points || count < 2) return FALSE;
  RasterSurface* s = SurfaceOf(*dc);
  if (!s) return FALSE;
  if (!PenDraws(*dc)) return TRUE;
  const KeptShortcut shortcut(*dc, *s);
  long style = 0;
  for (int i = 1; i < count; ++i) {
    const POINT from = points[i - 1], to = points[i];
    if (from.x != to.x || from.y != to.y) DrawSegment(shortcut, *dc, *s, from, to, style);
  }
  return TRUE;
}
