#include "qarnview/app/figure_painter.h"

#include <cmath>
#include <vector>

namespace {

POINT Pixel(const ViewTransform& view, const qarnview::Vertex& v) {
  double x = 0, y = 0;
  view.WorldToPixel(v.x, v.y, x, y);
  return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
}

}  // namespace

void PaintFigures(HDC hdc, const qarnview::Drawing& drawing, const ViewTransform& view, int selected) {
  int saved = SaveDC(hdc);
  SelectObject(hdc, GetStockObject(NULL_BRUSH));
  for (size_t i = 0; i < drawing.figures.size(); ++i) {
    const qarnview::Figure& figure = drawing.figures[i];
    // The selected figure is drawn thicker, so the user sees which one a pick found.
    HPEN pen = CreatePen(PS_SOLID, static_cast<int>(i) == selected ? 3 : 1, figure.penColor & 0x00FFFFFF);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    for (const qarnview::FigureRing& ring : figure.rings) {
      std::vector<POINT> points;
      for (const qarnview::Vertex& v : ring.vertices) points.push_back(Pixel(view, v));
      if (points.empty()) continue;
      if (figure.kind == qarnview::FigureKind::kPoint) {
        POINT p = points[0];
        MoveToEx(hdc, p.x - 4, p.y, nullptr);
        LineTo(hdc, p.x + 5, p.y);
        MoveToEx(hdc, p.x, p.y - 4, nullptr);
        LineTo(hdc, p.x, p.y + 5);
        continue;
      }
      if (figure.kind == qarnview::FigureKind::kPolygon) points.push_back(points.front());
      Polyline(hdc, points.data(), static_cast<int>(points.size()));
    }
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
  }
  RestoreDC(hdc, saved);
}
