// Figures of every kind and dimension, for the round-trip tests.
#pragma once

#include <vector>

#include "qarnview/drawing.h"

namespace samples {

using qarnview::Figure;
using qarnview::FigureKind;
using qarnview::FigureRing;
using qarnview::Vertex;

inline Figure Make(FigureKind kind, bool is3D, std::vector<FigureRing> rings, int16_t fill = 0,
                   uint32_t pen = 255) {
  Figure f;
  f.kind = kind;
  f.is3D = is3D;
  f.rings = std::move(rings);
  f.fillStyle = fill;
  f.penColor = pen;
  return f;
}

inline FigureRing Ring(std::vector<Vertex> v, bool hole = false) { return FigureRing{std::move(v), hole}; }

inline Figure Polyline2D() { return Make(FigureKind::kPolyline, false, {Ring({{0, 0}, {3, 4}, {-1.25, 7}})}, 0, 0x00FF00); }
inline Figure Polyline3DParts() {
  return Make(FigureKind::kPolyline, true, {Ring({{0, 0, 1}, {3, 4, 2}}), Ring({{5, 5, 3}, {6, 1, 4}, {7, 2, -5}})});
}
inline Figure Polyline2DParts() {
  return Make(FigureKind::kPolyline, false, {Ring({{0, 0}, {1, 1}}), Ring({{2, 2}, {3, 3}})});
}
inline Figure PolygonWithHole2D() {
  return Make(FigureKind::kPolygon, false,
              {Ring({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), Ring({{2, 2}, {4, 2}, {3, 4}}, true)}, 5, 0x123456);
}
// Two perimeters, the second with two holes: a MultiPolygon in the file.
inline Figure Polygons3D() {
  return Make(FigureKind::kPolygon, true,
              {Ring({{0, 0, 9}, {10, 0, 8}, {10, 10, 7}}), Ring({{20, 20, 1}, {30, 20, 1}, {30, 30, 1}, {20, 30, 1}}),
               Ring({{21, 21, 2}, {22, 21, 2}, {22, 22, 2}}, true), Ring({{25, 25, 3}, {26, 25, 3}, {26, 26, 3}}, true)},
              -3);
}
inline Figure Point2D() { return Make(FigureKind::kPoint, false, {Ring({{2.5, 3.5}})}); }
inline Figure Point3D() { return Make(FigureKind::kPoint, true, {Ring({{2.5, 3.5, -4}})}, 0, 0xFFFFFFFFu); }

inline std::vector<Figure> All() {
  return {Polyline2D(), Polyline3DParts(), Polyline2DParts(), PolygonWithHole2D(), Polygons3D(), Point2D(), Point3D()};
}

}  // namespace samples
