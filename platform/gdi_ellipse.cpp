// Ellipse and Arc.
//
// The figure is the set of pixels whose centres fall inside the ellipse inscribed in
// the box [left, right) x [top, bottom), with its radii grown by half a pixel so that
// the outline reaches the box's first and last rows and columns but never the right
// column or bottom row. The test is exact integer arithmetic on |dx| and |dy| from the
// centre, so the figure is mirror-symmetric in both axes. The middle row(s) always
// span the whole box width and every row keeps its middle pixel(s), so thin
// ellipses still touch all four sides.
//
// A one-pixel pen draws the figure's boundary: the pixels of a row that are at its
// ends or have no figure pixel directly above or below. That boundary is closed and
// 8-connected. The brush fills the rest. A wider pen draws the ring between the figure
// grown outward by (width-1)/2 and the figure shrunk by the remaining width.
// With a null pen the brush fills the figure of the box one pixel smaller on the right
// and bottom, as GDI does.
//
// Arc draws the part of the outline swept counter-clockwise (as seen on screen) from
// the ray centre->start to the ray centre->end; rays pointing the same way draw the
// whole outline.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/gdi_internal.h"

namespace qarn::gdi {
namespace {

struct Span {
  long long l = 1, r = 0;  // inclusive; empty when l > r
  bool Empty() const { return l > r; }
};

Span Intersect(Span a, Span b) { return Span{std::max(a.l, b.l), std::min(a.r, b.r)}; }

class EllipseShape {
 public:
  EllipseShape(long long left, long long top, long long right, long long bottom)
      : m_top(top), m_bottom(bottom), m_w(right - left - 1), m_h(bottom - top - 1),
        m_cx2(left + right - 1), m_cy2(top + bottom - 1) {}

  bool Valid() const { return m_w >= 0 && m_h >= 0; }
  long long Top() const { return m_top; }
  long long Bottom() const { return m_bottom; }  // exclusive

  Span Row(long long y) const {
    if (!Valid() || y < m_top || y >= m_bottom) return Span{};
    long long dy = std::llabs(2 * y - m_cy2);
    long long d;  // largest doubled horizontal distance from the centre inside the figure
    if (dy <= (m_h & 1)) {
      d = m_w;
    } else {
      __int128 a = m_w + 1, b = m_h + 1;
      __int128 rhs = a * a * (b * b - static_cast<__int128>(dy) * dy);
      d = static_cast<long long>(std::floor(static_cast<double>(a) *
                                            std::sqrt(static_cast<double>(b * b - static_cast<__int128>(dy) * dy)) /
                                            static_cast<double>(b)));
      while (static_cast<__int128>(d + 1) * (d + 1) * b * b <= rhs) ++d;
      while (d > 0 && static_cast<__int128>(d) * d * b * b > rhs) --d;
      d = std::min(d, m_w);
      if ((d - m_w) % 2 != 0) --d;  // doubled distances share the parity of the width
      d = std::max(d, m_w & 1);
    }
    return Span{(m_cx2 - d) / 2, (m_cx2 + d) / 2};
  }

 private:
  long long m_top, m_bottom, m_w, m_h, m_cx2, m_cy2;
};

struct OutlinePixel {
  int x, y;
  double angle;
};

// Calls emit(y, span) for each piece of pen outline and fill(y, span) for the interior.
template <class Emit, class Fill>
void WalkFigure(const Dc& dc, RasterSurface& s, long long l, long long t, long long r, long long b, Emit emit,
                Fill fill) {
  bool hasPen = dc.pen && dc.pen->style != PS_NULL;
  long long y0 = std::max<long long>(0, t - 64), y1 = std::min<long long>(s.Height(), b + 64);
  if (!hasPen) {
    EllipseShape shape(l, t, r - 1, b - 1);
    for (long long y = y0; y < y1; ++y) {
      Span row = shape.Row(y);
      if (!row.Empty()) fill(y, row);
    }
    return;
  }
  int width = dc.pen->width;
  if (width <= 1) {
    EllipseShape shape(l, t, r, b);
    for (long long y = std::max<long long>(y0, t); y < std::min<long long>(y1, b); ++y) {
      Span row = shape.Row(y);
      if (row.Empty()) continue;
      Span inner = Intersect(Intersect(Span{row.l + 1, row.r - 1}, shape.Row(y - 1)), shape.Row(y + 1));
      if (inner.Empty()) {
        emit(y, row);
        continue;
      }
      emit(y, Span{row.l, inner.l - 1});
      emit(y, Span{inner.r + 1, row.r});
      fill(y, inner);
    }
    return;
  }
  long long out = (width - 1) / 2, in = width - out;
  EllipseShape outer(l - out, t - out, r + out, b + out);
  EllipseShape inner(l + in, t + in, r - in, b - in);
  for (long long y = std::max<long long>(0, t - out); y < std::min<long long>(s.Height(), b + out); ++y) {
    Span row = outer.Row(y);
    if (row.Empty()) continue;
    Span hole = inner.Row(y);
    if (hole.Empty()) {
      emit(y, row);
      continue;
    }
    emit(y, Span{row.l, hole.l - 1});
    emit(y, Span{hole.r + 1, row.r});
    fill(y, hole);
  }
}

void Normalize(int& l, int& t, int& r, int& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
}

double AngleOf(double dx2, double dy2) {
  double a = std::atan2(dy2, dx2);
  return a < 0 ? a + 2 * M_PI : a;
}

// Draws the outline pixels in the order a pen would travel them, counter-clockwise
// from `startAngle`, so that a styled pen's pattern runs round the curve.
void StrokeOutline(Dc& dc, RasterSurface& s, std::vector<OutlinePixel>& pixels, double startAngle,
                   bool styled) {
  uint32_t penColor = RasterSurface::FromColorRef(dc.pen->color);
  if (!styled) {
    for (const OutlinePixel& p : pixels) PlotRop(s, p.x, p.y, penColor, dc.rop2);
    return;
  }
  for (OutlinePixel& p : pixels) {
    p.angle -= startAngle;
    if (p.angle < 0) p.angle += 2 * M_PI;
  }
  std::stable_sort(pixels.begin(), pixels.end(),
                   [](const OutlinePixel& a, const OutlinePixel& b) { return a.angle < b.angle; });
  uint32_t gapColor = RasterSurface::FromColorRef(dc.bkColor);
  long pos = 0;
  for (const OutlinePixel& p : pixels) {
    if (PenStyleOn(dc.pen->style, pos))
      PlotRop(s, p.x, p.y, penColor, dc.rop2);
    else if (dc.bkMode == OPAQUE)
      PlotRop(s, p.x, p.y, gapColor, dc.rop2);
    ++pos;
  }
}

}  // namespace
}  // namespace qarn::gdi

using namespace qarn::gdi;

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s) return FALSE;
  Normalize(left, top, right, bottom);
  if (right == left || bottom == top) return TRUE;
  bool hasBrush = dc->brush && !dc->brush->hollow;
  uint32_t brushColor = hasBrush ? RasterSurface::FromColorRef(dc->brush->color) : 0;
  double cx2 = static_cast<double>(left) + right - 1, cy2 = static_cast<double>(top) + bottom - 1;
  std::vector<OutlinePixel> outline;
  WalkFigure(
      *dc, *s, left, top, right, bottom,
      [&](long long y, Span span) {
        for (long long x = std::max<long long>(span.l, 0); x <= std::min<long long>(span.r, s->Width() - 1); ++x)
          outline.push_back({static_cast<int>(x), static_cast<int>(y), AngleOf(2.0 * x - cx2, cy2 - 2.0 * y)});
      },
      [&](long long y, Span span) {
        if (hasBrush)
          FillRectRop(*s, RECT{static_cast<LONG>(std::max<long long>(span.l, -1)), static_cast<LONG>(y),
                               static_cast<LONG>(std::min<long long>(span.r + 1, s->Width())), static_cast<LONG>(y + 1)},
                      brushColor, dc->rop2);
      });
  if (!outline.empty()) {
    bool styled = dc->pen->width <= 1 && dc->pen->style != PS_SOLID && dc->pen->style != PS_INSIDEFRAME;
    StrokeOutline(*dc, *s, outline, 0.0, styled);
  }
  return TRUE;
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s) return FALSE;
  Normalize(left, top, right, bottom);
  if (right == left || bottom == top || !dc->pen || dc->pen->style == PS_NULL) return TRUE;
  long long cx2 = static_cast<long long>(left) + right - 1, cy2 = static_cast<long long>(top) + bottom - 1;
  // Ray directions in doubled coordinates with y pointing up, so counter-clockwise on
  // screen is increasing angle.
  long long sx = 2LL * xStart - cx2, sy = cy2 - 2LL * yStart;
  long long ex = 2LL * xEnd - cx2, ey = cy2 - 2LL * yEnd;
  bool whole = (sx * ey - sy * ex == 0 && sx * ex + sy * ey > 0) || (sx == 0 && sy == 0) || (ex == 0 && ey == 0);
  double start = AngleOf(static_cast<double>(sx), static_cast<double>(sy));
  double sweep = AngleOf(static_cast<double>(ex), static_cast<double>(ey)) - start;
  if (sweep <= 0) sweep += 2 * M_PI;
  std::vector<OutlinePixel> outline;
  // The outline of an arc is that of the ellipse with no brush.
  Dc stroke = *dc;
  stroke.brush = nullptr;
  WalkFigure(
      stroke, *s, left, top, right, bottom,
      [&](long long y, Span span) {
        for (long long x = std::max<long long>(span.l, 0); x <= std::min<long long>(span.r, s->Width() - 1); ++x) {
          double a = AngleOf(2.0 * x - cx2, static_cast<double>(cy2) - 2.0 * y);
          double rel = a - start;
          if (rel < 0) rel += 2 * M_PI;
          if (whole || rel <= sweep + 1e-12) outline.push_back({static_cast<int>(x), static_cast<int>(y), a});
        }
      },
      [](long long, Span) {});
  if (!outline.empty()) {
    bool styled = dc->pen->width <= 1 && dc->pen->style != PS_SOLID && dc->pen->style != PS_INSIDEFRAME;
    StrokeOutline(*dc, *s, outline, whole ? 0.0 : start, styled);
  }
  return TRUE;
}
