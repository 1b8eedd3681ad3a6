#include "qarnview/drawing.h"

#include <cmath>

namespace qarnview {

namespace {

bool InRange(double v) { return std::isfinite(v) && std::fabs(v) <= kCoordinateLimit; }

std::string Numbered(const char* what, size_t index) { return std::string(what) + " " + std::to_string(index + 1); }

}  // namespace

std::string CheckFigure(const Figure& figure) {
  if (figure.rings.empty()) return "the figure has no vertices";
  switch (figure.kind) {
    case FigureKind::kPoint:
      if (figure.rings.size() != 1 || figure.rings[0].vertices.size() != 1)
        return "a point figure holds exactly one vertex";
      break;
    case FigureKind::kPolyline:
      for (size_t r = 0; r < figure.rings.size(); ++r)
        if (figure.rings[r].vertices.size() < 2) return Numbered("polyline part", r) + " has fewer than 2 vertices";
      break;
    case FigureKind::kPolygon:
      if (figure.rings[0].hole) return "the polygon begins with a hole; its first ring must be a perimeter";
      for (size_t r = 0; r < figure.rings.size(); ++r)
        if (figure.rings[r].vertices.size() < 3) return Numbered("polygon ring", r) + " has fewer than 3 vertices";
      break;
    default: return "unknown figure kind";
  }
  for (size_t r = 0; r < figure.rings.size(); ++r) {
    if (figure.kind != FigureKind::kPolygon && figure.rings[r].hole) return "only polygon rings can be holes";
    for (const Vertex& v : figure.rings[r].vertices)
      if (!InRange(v.x) || !InRange(v.y) || (figure.is3D && !InRange(v.z)))
        return "a coordinate is not a number or lies beyond 1e15";
  }
  return "";
}

}  // namespace qarnview
