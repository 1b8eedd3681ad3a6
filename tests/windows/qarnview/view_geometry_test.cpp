// Picking figures in world coordinates and the pixel transform the container mirrors.
#include <gtest/gtest.h>

#include <cmath>

#include "qarnview/app/view_geometry.h"

namespace {

using qarnview::Figure;
using qarnview::FigureKind;

Figure Make(FigureKind kind, std::vector<std::vector<std::pair<double, double>>> rings) {
  Figure f;
  f.kind = kind;
  for (size_t r = 0; r < rings.size(); ++r) {
    qarnview::FigureRing ring;
    ring.hole = kind == FigureKind::kPolygon && r > 0;
    for (auto [x, y] : rings[r]) ring.vertices.push_back({x, y, 0});
    f.rings.push_back(ring);
  }
  return f;
}

TEST(ViewTransform, PixelsAndWorldAreInverse_WithYUpAndOriginBottomLeft) {
  ViewTransform view{2.0, 10.0, 20.0, 640, 480};
  double x = 0, y = 0;
  view.WorldToPixel(10.0, 20.0, x, y);
  EXPECT_DOUBLE_EQ(0.0, x);
  EXPECT_DOUBLE_EQ(480.0, y);  // the world origin is the bottom-left corner
  view.WorldToPixel(15.0, 30.0, x, y);
  EXPECT_DOUBLE_EQ(10.0, x);
  EXPECT_DOUBLE_EQ(460.0, y);
  double X = 0, Y = 0;
  view.PixelToWorld(x, y, X, Y);
  EXPECT_DOUBLE_EQ(15.0, X);
  EXPECT_DOUBLE_EQ(30.0, Y);
}

TEST(DistanceToFigure, ToSegmentsOfOpenLinesClosedRingsOutsideHolesAndPoints) {
  const std::vector<std::vector<std::pair<double, double>>> square = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
  const Figure line = Make(FigureKind::kPolyline, {{{0, 0}, {100, 0}}});
  const Figure withHole = Make(FigureKind::kPolygon, {{{0, 0}, {100, 0}, {100, 100}, {0, 100}},
                                                       {{40, 40}, {60, 40}, {60, 60}, {40, 60}}});
  struct Case {
    const char* what;
    Figure figure;
    double x, y, distance;
  } cases[] = {
      {"over the middle of a segment", line, 50, 3, 3.0},
      {"past a line's end: to the end vertex", line, 103, 4, 5.0},
      // (-2, 5) lies beside the edge from the last vertex back to the first.
      {"a polygon's ring is closed", Make(FigureKind::kPolygon, square), -2, 5, 2.0},
      {"a polyline is open", Make(FigureKind::kPolyline, square), -2, 5, std::hypot(2.0, 5.0)},
      {"inside a polygon", withHole, 20, 20, 0.0},
      {"in the middle of its hole: to the hole's edges", withHole, 50, 50, 10.0},
      {"a point is its one vertex", Make(FigureKind::kPoint, {{{1, 1}}}), 4, 5, 5.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.distance, DistanceToFigure(c.figure, c.x, c.y)) << c.what;
}

TEST(NearestFigure, PicksTheClosestWithinToleranceOnly) {
  qarnview::Drawing drawing;
  drawing.figures.push_back(Make(FigureKind::kPolyline, {{{0, 0}, {100, 0}}}));
  drawing.figures.push_back(Make(FigureKind::kPoint, {{{50, 10}}}));
  EXPECT_EQ(0, NearestFigure(drawing, 50, 2, 5));
  EXPECT_EQ(1, NearestFigure(drawing, 50, 8, 5));
  EXPECT_EQ(-1, NearestFigure(drawing, 50, 30, 5));
  EXPECT_EQ(-1, NearestFigure(qarnview::Drawing{}, 0, 0, 5));
  // Exactly at the tolerance still counts.
  EXPECT_EQ(0, NearestFigure(drawing, 200, 0, 100));
}

TEST(NearestFigure, OnATieTheLaterFigureWinsAsItIsDrawnOnTop) {
  qarnview::Drawing drawing;
  drawing.figures.push_back(Make(FigureKind::kPolyline, {{{0, 0}, {100, 0}}}));
  drawing.figures.push_back(Make(FigureKind::kPolyline, {{{0, 0}, {100, 0}}}));
  EXPECT_EQ(1, NearestFigure(drawing, 50, 1, 5));
}

}  // namespace
