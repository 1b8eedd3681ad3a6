#include "refhost/view_painter.h"

#include <algorithm>
#include <cmath>

#include "platform/afx_dc.h"
#include "platform/gdi.h"
#include "platform/scoped_pen.h"
#include "refhost/reference_host.h"

namespace {

// Far-off points are pulled in before they become ints: GDI takes coordinates of
// modest size only, and a view zoomed far in still draws the lines that cross it.
constexpr double kFarPixel = 1 << 20;

int ToPixel(double v) { return static_cast<int>(std::lround(std::clamp(v, -kFarPixel, kFarPixel))); }

WorldPoint ToView(const ReferenceHost& host, WorldPoint p) {
  host.WorldToScreen(p.x, p.y);
  return p;
}

std::vector<WorldPoint> ToView(const ReferenceHost& host, const std::vector<WorldPoint>& points) {
  std::vector<WorldPoint> out;
  out.reserve(points.size());
  for (const WorldPoint& p : points) out.push_back(ToView(host, p));
  return out;
}

int Modulo(int a, int m) { return ((a % m) + m) % m; }

void DrawPath(HDC hdc, const std::vector<WorldPoint>& pixels, bool closed, COLORREF colour) {
  if (pixels.empty()) return;
  MoveToEx(hdc, ToPixel(pixels[0].x), ToPixel(pixels[0].y), nullptr);
  for (size_t i = 1; i < pixels.size(); ++i) LineTo(hdc, ToPixel(pixels[i].x), ToPixel(pixels[i].y));
  if (closed && pixels.size() > 2) {
    LineTo(hdc, ToPixel(pixels[0].x), ToPixel(pixels[0].y));
  } else {
    // A line leaves out its end pixel; an open figure still shows where it ends.
    SetPixel(hdc, ToPixel(pixels.back().x), ToPixel(pixels.back().y), colour);
  }
}

}  // namespace

double GridStep(double scale, double minPixels) {
  if (!(scale > 0) || !(minPixels > 0)) return 0;
  const double least = minPixels / scale;
  double power = std::pow(10.0, std::floor(std::log10(least)));
  for (;;) {
    for (double factor : {1.0, 2.0, 5.0})
      if (factor * power * (1 + 1e-12) >= least) return factor * power;
    power *= 10;
  }
}

bool FillCoversPixel(int fillStyle, int x, int y) {
  const bool horizontal = Modulo(y, 8) == 0, vertical = Modulo(x, 8) == 0;
  const bool rising = Modulo(x + y, 8) == 0, falling = Modulo(x - y, 8) == 0;
  switch (fillStyle) {
    case 0: return false;
    case 2: return horizontal;
    case 3: return vertical;
    case 4: return rising;
    case 5: return falling;
    case 6: return horizontal || vertical;
    case 7: return rising || falling;
    default: return true;
  }
}

void FillRings(HDC hdc, const std::vector<std::vector<WorldPoint>>& pixelRings, int fillStyle, int width,
               int height) {
  if (fillStyle == 0) return;
  double top = HUGE_VAL, bottom = -HUGE_VAL;
  for (const auto& ring : pixelRings)
    for (const WorldPoint& p : ring) {
      top = std::min(top, p.y);
      bottom = std::max(bottom, p.y);
    }
  if (top > bottom) return;
  const int firstRow = std::max(0, static_cast<int>(std::floor(top)));
  const int lastRow = std::min(height - 1, static_cast<int>(std::ceil(bottom)));
  const bool solid = FillCoversPixel(fillStyle, 1, 1) && FillCoversPixel(fillStyle, 2, 3);
  ScopedPen pen(hdc, PS_SOLID, solid ? view_colors::kFill : view_colors::kHatch);
  std::vector<double> crossings;
  for (int row = firstRow; row <= lastRow; ++row) {
    const double cy = row + 0.5;
    crossings.clear();
    for (const auto& ring : pixelRings)
      for (size_t i = 0; i < ring.size(); ++i) {
        const WorldPoint& a = ring[i];
        const WorldPoint& b = ring[(i + 1) % ring.size()];
        if ((a.y <= cy) != (b.y <= cy)) crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      // Pixels whose centres lie in [left, right).
      const int from = std::max(0, static_cast<int>(std::ceil(std::max(crossings[i] - 0.5, -kFarPixel))));
      const int to = std::min(width, static_cast<int>(std::ceil(std::min(crossings[i + 1] - 0.5, kFarPixel))));
      if (from >= to) continue;
      if (solid) {
        MoveToEx(hdc, from, row, nullptr);
        LineTo(hdc, to, row);
      } else {
        for (int x = from; x < to; ++x)
          if (FillCoversPixel(fillStyle, x, row)) SetPixel(hdc, x, row, view_colors::kHatch);
      }
    }
  }
}

void PaintGrid(HDC hdc, const ReferenceHost& host) {
  const int width = host.Width(), height = host.Height();
  const double step = GridStep(host.scale, 16);
  if (step <= 0) return;
  // The world rectangle the view shows.
  double left = 0, bottom = height, right = width, top = 0;
  host.ScreenToWorld(left, bottom);
  host.ScreenToWorld(right, top);
  auto lines = [&](double from, double to, bool vertical) {
    const double first = std::ceil(from / step), last = std::floor(to / step);
    if (last - first > 4096) return;  // cannot happen with 16 pixels apart; a guard all the same
    for (double k = first; k <= last; ++k) {
      double x = k * step, y = k * step;
      host.WorldToScreen(x, y);
      if (vertical) {
        MoveToEx(hdc, ToPixel(x), 0, nullptr);
        LineTo(hdc, ToPixel(x), height);
      } else {
        MoveToEx(hdc, 0, ToPixel(y), nullptr);
        LineTo(hdc, width, ToPixel(y));
      }
    }
  };
  {
    ScopedPen pen(hdc, PS_SOLID, view_colors::kGrid);
    lines(left, right, true);
    lines(bottom, top, false);
  }
  ScopedPen pen(hdc, PS_SOLID, view_colors::kAxis);
  double x = 0, y = 0;
  host.WorldToScreen(x, y);
  if (x >= 0 && x <= width) {
    MoveToEx(hdc, ToPixel(x), 0, nullptr);
    LineTo(hdc, ToPixel(x), height);
  }
  if (y >= 0 && y <= height) {
    MoveToEx(hdc, 0, ToPixel(y), nullptr);
    LineTo(hdc, width, ToPixel(y));
  }
}

void PaintRecord(HDC hdc, const ReferenceHost& host, RECORDADDR record, COLORREF penColour) {
  RecordShape shape;
  if (!ReadRecordShape(record, shape)) return;
  std::vector<std::vector<WorldPoint>> rings;
  for (const auto& ring : shape.rings) rings.push_back(ToView(host, ring));
  FillRings(hdc, rings, shape.fillStyle, host.Width(), host.Height());
  ScopedPen pen(hdc, PS_SOLID, penColour);
  for (const auto& ring : rings) DrawPath(hdc, ring, true, penColour);
  for (size_t i = 0; i < shape.paths.size(); ++i) DrawPath(hdc, ToView(host, shape.paths[i]), shape.closed[i], penColour);
  for (const WorldPoint& world : shape.points) {
    WorldPoint p = ToView(host, world);
    const int x = ToPixel(p.x), y = ToPixel(p.y);
    MoveToEx(hdc, x - 3, y, nullptr);
    LineTo(hdc, x + 4, y);
    MoveToEx(hdc, x, y - 3, nullptr);
    LineTo(hdc, x, y + 4);
  }
}

void PaintVertexMarks(HDC hdc, const ReferenceHost& host, RECORDADDR record) {
  RecordShape shape;
  if (!record || !ReadRecordShape(record, shape)) return;
  ScopedPen pen(hdc, PS_SOLID, view_colors::kHighlight);
  HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
  for (const WorldPoint& world : shape.Vertices()) {
    WorldPoint p = ToView(host, world);
    const int x = ToPixel(p.x), y = ToPixel(p.y);
    Rectangle(hdc, x - 3, y - 3, x + 4, y + 4);
  }
  SelectObject(hdc, oldBrush);
}

void PaintHostView(HDC hdc, const ReferenceHost& host, RECORDADDR highlight, const RecordPen& penOf) {
  RECT all{0, 0, host.Width(), host.Height()};
  HBRUSH background = CreateSolidBrush(view_colors::kBackground);
  FillRect(hdc, &all, background);
  DeleteObject(background);
  PaintGrid(hdc, host);
  for (RECORDADDR record : host.entities)
    PaintRecord(hdc, host, record, penOf ? penOf(record) : view_colors::kFigure);
  PaintVertexMarks(hdc, host, highlight);
  if (OverlayPainter* painter = host.Painter()) {
    CDC dc;
    dc.Attach(hdc);
    painter->PaintOverlay(&dc);
    dc.Detach();
  }
}
