// Ellipse and Arc.
//
// One-pixel outlines follow the runtime's GDI pixel for pixel. Positions are doubled
// and taken from the box centre, so pixel x sits at X = 2x - (l + r - 1) and the
// extreme pixel centres at X = +-(w - 1); likewise Y, pointing up. The quarter from
// the right side (A, py) to the top is traced with the error F = B^2 X^2 + A^2 Y^2 -
// A^2 B^2 (A = w - 1, B = h - 1): from each point the step is up if the errors of
// the next row's two candidates sum below zero, else left if the errors of the next
// column's two candidates sum above zero, else diagonal; it stops at the middle
// column. Thin tall figures therefore stop short of their top, as the runtime's do.
// The quarter mirrored four ways is the outline; each row of the figure spans the
// outline's widest point at or above it (below, in the lower half).
//
// Ellipse: boxes of three pixels or more on both sides get that outline from the
// pen and the rest of the figure from the brush; without a pen the brush fills the
// whole figure. Thinner boxes are drawn as a pen-coloured box (nothing for 1x1), or
// without a pen as a brush box one pixel smaller on the right and bottom.
//
// Arc lays the traced quarter, in whole-pixel offsets from the box's integer centre,
// four times round the box counter-clockwise from the middle of the right side: as
// traced up to the top, reversed down to the left side, as traced down to the bottom,
// reversed back to the right side. Points repeated where two copies meet are kept. Each
// ray picks, within the copy for the quarter of the box its point lies in, the first
// point on or past the ray counter-clockwise (strictly past in the lower half), or the
// end of that copy. The arc runs from the start ray's index up to the end ray's, once
// round when they are equal. The pen goes from point to point and leaves out the last
// point, and a step to the same pixel draws nothing. So equal rays leave out the pixel
// before the start unless that pixel repeats: a box two pixels wide and one high keeps
// both of its pixels.
//
// Figures more than kTraceLimit pixels across are not traced: tracing costs as much as
// the whole outline, however little of it shows. Their outline is taken row by row from
// the figure of pixel centres inside the ellipse, and only the rows and columns on the
// surface are looked at. Coordinates are first pulled into GDI's own range of +-2^27,
// which keeps every product below 2^127.
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
}

// A point of the outline in doubled, centre-relative coordinates (Y up).
struct Doubled {
  long long X, Y;
};

// The quarter from the right side to the top, as described at the top of the file.
std::vector<Doubled> TraceQuarter(long long w, long long h) {
  const __int128 A = w - 1, B = h - 1;
  auto err = [&](long long X, long long Y) -> __int128 {
    return B * B * X * X + A * A * static_cast<__int128>(Y) * Y - A * A * B * B;
  };
  long long X = w - 1, Y = (h - 1) & 1;
  std::vector<Doubled> quarter{{X, Y}};
  while (X > 0) {
    bool up = err(X, Y + 2) + err(X - 2, Y + 2) < 0;
    bool left = err(X - 2, Y) + err(X - 2, Y + 2) > 0;
    if (up) {
      Y += 2;
    } else if (left) {
      X -= 2;
    } else {
      X -= 2;
      Y += 2;
    }
    if (X < 0) break;
    quarter.push_back({X, Y});
  }
  return quarter;
}

// The whole outline counter-clockwise, starting at the middle of the right side (its
// lower pixel when the height is even), without repeating a pixel twice in a row.
std::vector<Doubled> TraceRing(long long w, long long h) {
  std::vector<Doubled> q = TraceQuarter(w, h), ring;
  auto add = [&](long long X, long long Y) {
    if (ring.empty() || ring.back().X != X || ring.back().Y != Y) ring.push_back({X, Y});
  };
  for (const Doubled& p : q) add(p.X, p.Y);
  for (auto it = q.rbegin(); it != q.rend(); ++it) add(-it->X, it->Y);
  for (const Doubled& p : q) add(-p.X, -p.Y);
  for (auto it = q.rbegin(); it != q.rend(); ++it) add(it->X, -it->Y);
  if (ring.size() > 1 && ring.front().X == ring.back().X && ring.front().Y == ring.back().Y) ring.pop_back();
  if (h % 2 == 0 && ring.size() > 1) std::rotate(ring.begin(), ring.end() - 1, ring.end());
  return ring;
}

// Half-width (doubled) of each row of the figure, top half, indexed by (Y - py) / 2;
// -1 for rows the outline never reaches.
std::vector<long long> FigureHalfWidths(long long w, long long h) {
  std::vector<Doubled> q = TraceQuarter(w, h);
  long long py = (h - 1) & 1;
  std::vector<long long> widest(static_cast<size_t>((h - 1 - py) / 2 + 1), -1);
  for (const Doubled& p : q) {
    size_t i = static_cast<size_t>((p.Y - py) / 2);
    if (i < widest.size()) widest[i] = std::max(widest[i], p.X);
  }
  for (size_t i = widest.size(); i-- > 1;) widest[i - 1] = std::max(widest[i - 1], widest[i]);
  return widest;
}

constexpr long long kCoordLimit = 1LL << 27;
constexpr long long kTraceLimit = 1LL << 14;

int ClampCoord(int v) { return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit)); }

void Normalize(int& l, int& t, int& r, int& b) {
  l = ClampCoord(l);
  t = ClampCoord(t);
  r = ClampCoord(r);
  b = ClampCoord(b);
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

namespace {

bool StyledThin(const Dc& dc) {
  return dc.pen->style == PS_DOT;
}

// One-pixel outline pixels of the ring, in ring order, as screen pixels.
OutlinePixel RingPixel(const Doubled& p, long long left, long long top, long long w, long long h) {
  return OutlinePixel{static_cast<int>(left + (p.X + w - 1) / 2), static_cast<int>(top + (h - 1 - p.Y) / 2), 0.0};
}

void ClipOutline(std::vector<OutlinePixel>& pixels, const RasterSurface& s) {
  pixels.erase(std::remove_if(pixels.begin(), pixels.end(),
                              [&](const OutlinePixel& p) { return !s.Contains(p.x, p.y); }),
               pixels.end());
}

}  // namespace

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s) return FALSE;
  Normalize(left, top, right, bottom);
  if (right == left || bottom == top) return TRUE;
  bool hasBrush = dc->brush && !dc->brush->hollow;
  bool hasPen = dc->pen && dc->pen->style != PS_NULL;
  uint32_t brushColor = hasBrush ? RasterSurface::FromColorRef(dc->brush->color) : 0;
  long long w = static_cast<long long>(right) - left, h = static_cast<long long>(bottom) - top;
  auto fillRow = [&](long long y, long long l, long long r) {  // inclusive
    if (hasBrush && l <= r && y >= 0 && y < s->Height())
      FillRectRop(*s, RECT{static_cast<LONG>(std::max<long long>(l, -1)), static_cast<LONG>(y),
                           static_cast<LONG>(std::min<long long>(r + 1, s->Width())), static_cast<LONG>(y + 1)},
                  brushColor, dc->rop2);
  };

  if (w > kTraceLimit || h > kTraceLimit) {
    double cx2 = static_cast<double>(left) + right - 1, cy2 = static_cast<double>(top) + bottom - 1;
    std::vector<OutlinePixel> outline;
    WalkFigure(
        *dc, *s, left, top, right, bottom,
        [&](long long y, Span span) {
          for (long long x = std::max<long long>(span.l, 0); x <= std::min<long long>(span.r, s->Width() - 1); ++x)
            outline.push_back({static_cast<int>(x), static_cast<int>(y), AngleOf(2.0 * x - cx2, cy2 - 2.0 * y)});
        },
        [&](long long y, Span span) { fillRow(y, span.l, span.r); });
    if (hasPen) StrokeOutline(*dc, *s, outline, 0.0, StyledThin(*dc));
    return TRUE;
  }

  if (w <= 2 || h <= 2) {
    // Too thin for a curve: a box of pen colour, or the brush one pixel short.
    // Only the rows and columns on the surface.
    const long long y0 = std::max<long long>(top, 0), x0 = std::max<long long>(left, 0);
    if (!hasPen) {
      for (long long y = y0; y < std::min<long long>(bottom - 1, s->Height()); ++y) fillRow(y, left, right - 2);
    } else if (w > 1 || h > 1) {
      std::vector<OutlinePixel> box;
      for (long long y = y0; y < std::min<long long>(bottom, s->Height()); ++y)
        for (long long x = x0; x < std::min<long long>(right, s->Width()); ++x)
          box.push_back({static_cast<int>(x), static_cast<int>(y), 0.0});
      ClipOutline(box, *s);
      StrokeOutline(*dc, *s, box, 0.0, StyledThin(*dc));
    }
    return TRUE;
  }

  std::vector<long long> half = FigureHalfWidths(w, h);
  long long py = (h - 1) & 1;
  auto rowSpan = [&](long long y) -> Span {  // y relative to top
    if (y < 0 || y >= h) return Span{};
    long long Y = std::llabs(h - 1 - 2 * y);
    long long d = half[static_cast<size_t>((Y - py) / 2)];
    if (d < 0) return Span{};
    return Span{left + (w - 1 - d) / 2, left + (w - 1 + d) / 2};
  };
  for (long long y = std::max<long long>(0, -top); y < std::min<long long>(h, s->Height() - top); ++y) {
    Span row = rowSpan(y);
    if (row.Empty()) continue;
    if (!hasPen) {
      fillRow(top + y, row.l, row.r);
      continue;
    }
    // The pen takes the pixels with a side neighbour outside the figure.
    Span inner = Intersect(Intersect(Span{row.l + 1, row.r - 1}, rowSpan(y - 1)), rowSpan(y + 1));
    if (!inner.Empty()) fillRow(top + y, inner.l, inner.r);
  }
  if (hasPen) {
    std::vector<OutlinePixel> outline;
    for (const Doubled& p : TraceRing(w, h)) outline.push_back(RingPixel(p, left, top, w, h));
    ClipOutline(outline, *s);
    StrokeOutline(*dc, *s, outline, 0.0, StyledThin(*dc));
  }
  return TRUE;
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s) return FALSE;
  Normalize(left, top, right, bottom);
  if (right == left || bottom == top || !dc->pen || dc->pen->style == PS_NULL) return TRUE;
  xStart = ClampCoord(xStart);
  yStart = ClampCoord(yStart);
  xEnd = ClampCoord(xEnd);
  yEnd = ClampCoord(yEnd);
  const bool huge = static_cast<long long>(right) - left > kTraceLimit || static_cast<long long>(bottom) - top > kTraceLimit;
  if (huge) {
    // Figures too big to trace: the part of the figure's outline swept
    // counter-clockwise from start to end.
    long long cx2 = static_cast<long long>(left) + right - 1, cy2 = static_cast<long long>(top) + bottom - 1;
    long long sx = 2LL * xStart - cx2, sy = cy2 - 2LL * yStart;
    long long ex = 2LL * xEnd - cx2, ey = cy2 - 2LL * yEnd;
    bool whole = (sx * ey - sy * ex == 0 && sx * ex + sy * ey > 0) || (sx == 0 && sy == 0) || (ex == 0 && ey == 0);
    double start = AngleOf(static_cast<double>(sx), static_cast<double>(sy));
    double sweep = AngleOf(static_cast<double>(ex), static_cast<double>(ey)) - start;
    if (sweep <= 0) sweep += 2 * M_PI;
    std::vector<OutlinePixel> outline;
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
    StrokeOutline(*dc, *s, outline, whole ? 0.0 : start, StyledThin(*dc));
    return TRUE;
  }
  const long long w = static_cast<long long>(right) - left, h = static_cast<long long>(bottom) - top;
  std::vector<Doubled> quarter = TraceQuarter(w, h);
  for (Doubled& p : quarter) p = Doubled{p.X / 2, p.Y / 2};  // whole-pixel offsets, Y up
  const long long n = static_cast<long long>(quarter.size());
  // Offset of point i of the ring from the centre (Y up), and its pixel.
  auto offsetAt = [&](long long i) {
    long long k = i % n, copy = (i / n) % 4;
    if (copy % 2) k = n - 1 - k;
    const Doubled& q = quarter[static_cast<size_t>(k)];
    return Doubled{copy == 0 || copy == 3 ? q.X : -q.X, copy < 2 ? q.Y : -q.Y};
  };
  // Right and lower copies count from the centre; for an even width (height) the left
  // (upper) copies count from the pixel before it.
  const long long cx = left + w / 2, cy = top + h / 2, lx = right - 1 - w / 2, uy = bottom - 1 - h / 2;
  auto pixelAt = [&](long long i) {
    const long long copy = (i / n) % 4;
    const Doubled d = offsetAt(i);
    return OutlinePixel{static_cast<int>((copy == 0 || copy == 3 ? cx : lx) + d.X),
                        static_cast<int>((copy < 2 ? uy : cy) - d.Y), 0.0};
  };
  auto indexOf = [&](long long x, long long y) -> long long {
    x -= cx;
    y = cy - y;
    const long long copy = y >= 0 ? (x >= 0 ? 0 : 1) : (x < 0 ? 2 : 3);
    for (long long i = copy * n; i < (copy + 1) * n; ++i) {
      Doubled d = offsetAt(i);
      long long cross = x * d.Y - y * d.X;  // above zero: past the ray
      if (cross > 0 || (cross == 0 && copy < 2)) return i;
    }
    return (copy + 1) * n;
  };
  const long long from = indexOf(xStart, yStart);
  long long to = indexOf(xEnd, yEnd);
  if (to <= from) to += 4 * n;
  std::vector<OutlinePixel> outline;
  for (long long i = from; i + 1 < to; ++i) {
    OutlinePixel a = pixelAt(i), b = pixelAt(i + 1);
    if (a.x != b.x || a.y != b.y) outline.push_back(a);
  }
  ClipOutline(outline, *s);
  StrokeOutline(*dc, *s, outline, 0.0, StyledThin(*dc));
  return TRUE;
}
