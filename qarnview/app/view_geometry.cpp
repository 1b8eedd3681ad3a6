#include "qarnview/app/view_geometry.h"

#include <cmath>
#include <limits>

void ViewTransform::WorldToPixel(double X, double Y, double& x, double& y) const {
  x = (X - originX) * scale;
  y = height - (Y - originY) * scale;
}

void ViewTransform::PixelToWorld(double x, double y, double& X, double& Y) const {
  X = x / scale + originX;
  Y = (height - y) / scale + originY;
}

namespace {

double SegmentDistance(const qarnview::Vertex& a, const qarnview::Vertex& b, double X, double Y) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((X - a.x) * dx + (Y - a.y) * dy) / length2 : 0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(X - (a.x + t * dx), Y - (a.y + t * dy));
}

// Even-odd over every ring: a point in a hole crosses its perimeter and its hole.
bool InsidePolygon(const qarnview::Figure& figure, double X, double Y) {
  bool inside = false;
  for (const auto& ring : figure.rings) {
    const auto& v = ring.vertices;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
      if ((v[i].y > Y) != (v[j].y > Y) && X < (v[j].x - v[i].x) * (Y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
        inside = !inside;
    }
  }
  return inside;
}

}  // namespace

double DistanceToFigure(const qarnview::Figure& figure, double X, double Y) {
  double best = std::numeric_limits<double>::infinity();
  bool closed = figure.kind == qarnview::FigureKind::kPolygon;
  for (const auto& ring : figure.rings) {
    const auto& v = ring.vertices;
    if (v.size() == 1) best = std::min(best, std::hypot(X - v[0].x, Y - v[0].y));
    for (size_t i = 1; i < v.size(); ++i) best = std::min(best, SegmentDistance(v[i - 1], v[i], X, Y));
    if (closed && v.size() > 2) best = std::min(best, SegmentDistance(v.back(), v.front(), X, Y));
  }
  if (closed && InsidePolygon(figure, X, Y)) return 0;
  return best;
}

int NearestFigure(const qarnview::Drawing& drawing, double X, double Y, double tolerance) {
  int found = -1;
  double best = tolerance;
  for (size_t i = 0; i < drawing.figures.size(); ++i) {
    double d = DistanceToFigure(drawing.figures[i], X, Y);
    if (d <= best) {
      best = d;
      found = static_cast<int>(i);
    }
  }
  return found;
}
