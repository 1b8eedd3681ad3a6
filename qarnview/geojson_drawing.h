// Drawings kept as GeoJSON (RFC 7946) FeatureCollections, one Feature per figure:
//   polyline -> LineString, or MultiLineString for several parts
//   polygon  -> Polygon, or MultiPolygon when it has several perimeters; each perimeter
//               is followed by its holes, so ring order and hole flags come back as
//               they were
//   point    -> Point
// A 3D figure writes three-number positions (x, y, z), a 2D one two. The style values
// are the Feature's properties "fillStyle" (an integer from -32768 to 32767, default 0)
// and "penColor" (an integer from 0 to 4294967295, default 255); other properties are
// not kept.
//
// Rings: GeoJSON rings are closed (the last position repeats the first) and have at
// least 4 positions; the editor's rings are open. Writing appends the first vertex to
// every ring; reading requires the repeat and drops it, and refuses a ring that is not
// closed. Vertex order is kept as it is (no rewinding to the RFC's right-hand rule).
//
// Doubles are written in the shortest form that reads back to the same bits, so a
// drawing written and read again is equal to the one written.
//
// Every function returns "" on success and otherwise a message for the user; on failure
// its output is left exactly as it was (never half a drawing).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "qarnview/drawing.h"

namespace qarnview {

std::string ReadGeoJson(std::string_view text, Drawing& drawing);

// Refuses a drawing with a figure that CheckFigure refuses.
std::string WriteGeoJson(const Drawing& drawing, std::string& text);

// A file of at most kMaxDrawingFileSize bytes, checked before it is read.
std::string LoadDrawing(const std::filesystem::path& path, Drawing& drawing);

// Written beside the file and renamed over it, so a failed save leaves the old file.
std::string SaveDrawing(const std::filesystem::path& path, const Drawing& drawing);

}  // namespace qarnview
