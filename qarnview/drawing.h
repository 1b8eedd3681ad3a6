// A drawing as the desktop container keeps it: figures of the three kinds the editor
// draws, each with its rings of vertices and the two style values it is shown with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qarnview {

enum class FigureKind { kPolyline, kPolygon, kPoint };

struct Vertex {
  double x = 0;
  double y = 0;
  double z = 0;  // kept only when the figure is 3D; 0 otherwise
  bool operator==(const Vertex&) const = default;
};

// One vertex list. Polygon rings are open, as the editor holds them: the segment from
// the last vertex back to the first is implied, not stored.
struct FigureRing {
  std::vector<Vertex> vertices;
  bool hole = false;  // polygons only: 1 = hole, 0 = perimeter, per ring in ring order
  bool operator==(const FigureRing&) const = default;
};

struct Figure {
  FigureKind kind = FigureKind::kPolyline;
  bool is3D = false;
  // Polyline: its parts in order (one for a simple polyline). Polygon: perimeters and
  // holes in ring order, each hole after the perimeter it lies in. Point: one ring of
  // one vertex.
  std::vector<FigureRing> rings;
  int16_t fillStyle = 0;    // the editor's fillStyle; a polygon record carries it
  uint32_t penColor = 255;  // an OLE colour, 0x00BBGGRR; the editor's default pen is red
  bool operator==(const Figure&) const = default;
};

struct Drawing {
  std::vector<Figure> figures;
  bool operator==(const Drawing&) const = default;
};

// Coordinates further from 0 than this are refused: beyond it a double no longer holds
// every millimetre of a world coordinate, and nothing a user draws lies there.
constexpr double kCoordinateLimit = 1e15;

// "" when the figure can be saved and turned into a record: the vertex counts its kind
// needs (polyline parts 2, polygon rings 3, a point exactly 1), a polygon that starts
// with a perimeter, hole flags only on polygon rings, and every coordinate in use
// finite and within kCoordinateLimit. Otherwise what is wrong, in a sentence.
std::string CheckFigure(const Figure& figure);

}  // namespace qarnview
