#include "qarnview/geojson_drawing.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "qarnview/drawing_file.h"

namespace qarnview {

namespace {

using Json = nlohmann::ordered_json;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The "type" member of an object, or "" when there is none or it is not a string.
std::string TypeOf(const Json& object) {
  auto it = object.find("type");
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Turns one Feature's geometry into a figure's kind and rings. Positions of one
// geometry must all have 2 or all have 3 numbers.
class GeometryReader {
 public:
  const std::string& Error() const { return m_error; }
  bool Is3D() const { return m_dims == 3; }

  bool Read(const Json& geometry, Figure& figure) {
    if (!geometry.is_object()) return Fail(geometry.is_null() ? "has no geometry" : "geometry is not an object");
    const std::string type = TypeOf(geometry);
    if (type == "GeometryCollection" || type == "MultiPoint")
      return Fail("geometry " + type + " is not supported; use Point, LineString, MultiLineString, Polygon or MultiPolygon");
    auto found = geometry.find("coordinates");
    if (type != "Point" && type != "LineString" && type != "MultiLineString" && type != "Polygon" &&
        type != "MultiPolygon")
      return Fail(type.empty() ? "geometry has no type" : "unknown geometry type " + Quoted(type));
    if (found == geometry.end()) return Fail(type + " has no coordinates");
    const Json& c = *found;
    if (type == "Point") {
      figure.kind = FigureKind::kPoint;
      figure.rings.assign(1, {});
      figure.rings[0].vertices.resize(1);
      return Position(c, figure.rings[0].vertices[0]);
    }
    if (type == "LineString") {
      figure.kind = FigureKind::kPolyline;
      figure.rings.assign(1, {});
      return Line(c, figure.rings[0].vertices, "LineString");
    }
    if (type == "MultiLineString") {
      figure.kind = FigureKind::kPolyline;
      if (!c.is_array() || c.empty()) return Fail("MultiLineString needs an array of at least one line");
      figure.rings.assign(c.size(), {});
      for (size_t i = 0; i < c.size(); ++i)
        if (!Line(c[i], figure.rings[i].vertices, "line " + std::to_string(i + 1) + " of the MultiLineString"))
          return false;
      return true;
    }
    figure.kind = FigureKind::kPolygon;
    figure.rings.clear();
    if (type == "Polygon") return Polygon(c, figure.rings, "Polygon");
    if (!c.is_array() || c.empty()) return Fail("MultiPolygon needs an array of at least one polygon");
    for (size_t i = 0; i < c.size(); ++i)
      if (!Polygon(c[i], figure.rings, "polygon " + std::to_string(i + 1) + " of the MultiPolygon")) return false;
    return true;
  }

 private:
  bool Fail(std::string message) {
    m_error = std::move(message);
    return false;
  }

  bool Number(const Json& j, double& out) {
    if (!j.is_number()) return Fail("a coordinate is not a number");
    out = j.get<double>();
    if (!std::isfinite(out) || std::fabs(out) > kCoordinateLimit) return Fail("a coordinate lies beyond 1e15");
    return true;
  }

  bool Position(const Json& p, Vertex& v) {
    if (!p.is_array() || p.size() < 2 || p.size() > 3) return Fail("a position is not an array of 2 or 3 numbers");
    const int dims = static_cast<int>(p.size());
    if (m_dims == 0) m_dims = dims;
    if (dims != m_dims) return Fail("positions of 2 and 3 numbers are mixed in one geometry");
    v = {};
    return Number(p[0], v.x) && Number(p[1], v.y) && (dims == 2 || Number(p[2], v.z));
  }

  bool Positions(const Json& a, std::vector<Vertex>& out, const std::string& what) {
    if (!a.is_array()) return Fail(what + " is not an array of positions");
    out.resize(a.size());
    for (size_t i = 0; i < a.size(); ++i)
      if (!Position(a[i], out[i])) return false;
    return true;
  }

  bool Line(const Json& a, std::vector<Vertex>& out, const std::string& what) {
    if (!Positions(a, out, what)) return false;
    if (out.size() < 2) return Fail(what + " has fewer than 2 positions");
    return true;
  }

  // A closed GeoJSON ring becomes an open ring: the repeated first position goes.
  bool Ring(const Json& a, FigureRing& ring, const std::string& what) {
    if (!Positions(a, ring.vertices, what)) return false;
    if (ring.vertices.size() < 4) return Fail(what + " has fewer than 4 positions (3 vertices and the closing repeat)");
    const Vertex& first = ring.vertices.front();
    const Vertex& last = ring.vertices.back();
    if (first.x != last.x || first.y != last.y || first.z != last.z)
      return Fail(what + " is not closed: its last position must repeat its first");
    ring.vertices.pop_back();
    return true;
  }

  // The first ring is a perimeter, the others its holes.
  bool Polygon(const Json& a, std::vector<FigureRing>& rings, const std::string& what) {
    if (!a.is_array() || a.empty()) return Fail(what + " needs an array of at least one ring");
    for (size_t i = 0; i < a.size(); ++i) {
      FigureRing ring;
      ring.hole = i > 0;
      if (!Ring(a[i], ring, "ring " + std::to_string(i + 1) + " of " + what)) return false;
      rings.push_back(std::move(ring));
    }
    return true;
  }

  int m_dims = 0;
  std::string m_error;
};

// An integer property in [lo, hi]; `out` keeps its default when the property is absent.
std::string IntegerProperty(const Json& properties, const char* key, int64_t lo, int64_t hi, int64_t& out) {
  auto it = properties.find(key);
  if (it == properties.end() || it->is_null()) return "";
  const std::string bad = Quoted(key) + " is not an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
  if (it->is_number_unsigned()) {
    const uint64_t v = it->get<uint64_t>();
    if (v > static_cast<uint64_t>(hi)) return bad;
    out = static_cast<int64_t>(v);
  } else if (it->is_number_integer()) {
    out = it->get<int64_t>();
  } else if (it->is_number_float()) {
    // Some writers give every number a fraction; a whole one is still an integer.
    const double v = it->get<double>();
    if (!(v >= static_cast<double>(lo) && v <= static_cast<double>(hi)) || v != std::floor(v)) return bad;
    out = static_cast<int64_t>(v);
  } else {
    return bad;
  }
  return out < lo || out > hi ? bad : "";
}

std::string ReadFeature(const Json& feature, Figure& figure) {
  if (!feature.is_object() || TypeOf(feature) != "Feature") return "is not a GeoJSON Feature";
  auto geometry = feature.find("geometry");
  GeometryReader reader;
  if (!reader.Read(geometry == feature.end() ? Json() : *geometry, figure)) return reader.Error();
  figure.is3D = reader.Is3D();
  auto properties = feature.find("properties");
  if (properties != feature.end() && !properties->is_null()) {
    if (!properties->is_object()) return "properties are not an object";
    int64_t fill = figure.fillStyle, pen = figure.penColor;
    std::string problem = IntegerProperty(*properties, "fillStyle", INT16_MIN, INT16_MAX, fill);
    if (problem.empty()) problem = IntegerProperty(*properties, "penColor", 0, UINT32_MAX, pen);
    if (!problem.empty()) return problem;
    figure.fillStyle = static_cast<int16_t>(fill);
    figure.penColor = static_cast<uint32_t>(pen);
  }
  return CheckFigure(figure);
}

std::string ParseFailure(const nlohmann::json::exception& e, std::string_view text) {
  if (const auto* parse = dynamic_cast<const nlohmann::json::parse_error*>(&e)) {
    // The parser stopped at the end of the text: a JSON document cut short.
    if (parse->byte > text.size()) return "the file is truncated: it ends in the middle of the JSON document";
    return "the file is not JSON (syntax error at byte " + std::to_string(parse->byte) + ")";
  }
  return "the file is not usable JSON: a number is too large for a double";
}

Json Position(const Vertex& v, bool is3D) {
  Json p = Json::array({v.x, v.y});
  if (is3D) p.push_back(v.z);
  return p;
}

Json Positions(const std::vector<Vertex>& vertices, bool is3D, bool closeRing) {
  Json a = Json::array();
  for (const Vertex& v : vertices) a.push_back(Position(v, is3D));
  if (closeRing) a.push_back(Position(vertices.front(), is3D));
  return a;
}

Json Geometry(const Figure& f) {
  Json g = Json::object();
  switch (f.kind) {
    case FigureKind::kPoint:
      g["type"] = "Point";
      g["coordinates"] = Position(f.rings[0].vertices[0], f.is3D);
      break;
    case FigureKind::kPolyline:
      if (f.rings.size() == 1) {
        g["type"] = "LineString";
        g["coordinates"] = Positions(f.rings[0].vertices, f.is3D, false);
      } else {
        g["type"] = "MultiLineString";
        Json lines = Json::array();
        for (const FigureRing& part : f.rings) lines.push_back(Positions(part.vertices, f.is3D, false));
        g["coordinates"] = std::move(lines);
      }
      break;
    case FigureKind::kPolygon: {
      // Each perimeter opens a polygon; the holes after it belong to it.
      Json polygons = Json::array();
      for (const FigureRing& ring : f.rings) {
        if (!ring.hole) polygons.push_back(Json::array());
        polygons.back().push_back(Positions(ring.vertices, f.is3D, true));
      }
      if (polygons.size() == 1) {
        g["type"] = "Polygon";
        g["coordinates"] = std::move(polygons[0]);
      } else {
        g["type"] = "MultiPolygon";
        g["coordinates"] = std::move(polygons);
      }
      break;
    }
  }
  return g;
}

}  // namespace

std::string ReadGeoJson(std::string_view text, Drawing& drawing) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return "the file is empty";
  Json document;
  try {
    document = Json::parse(text.begin(), text.end());
  } catch (const nlohmann::json::exception& e) {
    return ParseFailure(e, text);
  }
  if (!document.is_object()) return "not GeoJSON: the document is not an object";
  const std::string type = TypeOf(document);
  if (type != "FeatureCollection")
    return type.empty() ? "not GeoJSON: the document has no type"
                        : "not a GeoJSON FeatureCollection (its type is " + Quoted(type) + ")";
  auto features = document.find("features");
  if (features == document.end() || !features->is_array())
    return "not GeoJSON: the FeatureCollection's \"features\" is not an array";
  Drawing read;
  read.figures.resize(features->size());
  for (size_t i = 0; i < features->size(); ++i) {
    std::string problem = ReadFeature((*features)[i], read.figures[i]);
    if (!problem.empty()) return "feature " + std::to_string(i + 1) + ": " + problem;
  }
  drawing = std::move(read);
  return "";
}

std::string WriteGeoJson(const Drawing& drawing, std::string& text) {
  Json features = Json::array();
  for (size_t i = 0; i < drawing.figures.size(); ++i) {
    const Figure& f = drawing.figures[i];
    std::string problem = CheckFigure(f);
    if (!problem.empty()) return "figure " + std::to_string(i + 1) + ": " + problem;
    Json feature = Json::object();
    feature["type"] = "Feature";
    feature["geometry"] = Geometry(f);
    feature["properties"] = Json::object({{"fillStyle", f.fillStyle}, {"penColor", f.penColor}});
    features.push_back(std::move(feature));
  }
  Json document = Json::object();
  document["type"] = "FeatureCollection";
  document["features"] = std::move(features);
  text = document.dump();
  text += '\n';
  return "";
}

std::string LoadDrawing(const std::filesystem::path& path, Drawing& drawing) {
  std::string bytes;
  std::string problem = ReadDrawingFile(path, bytes);
  if (!problem.empty()) return problem;
  problem = ReadGeoJson(bytes, drawing);
  if (problem.empty()) return "";
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end()) + ": " + problem;
}

std::string SaveDrawing(const std::filesystem::path& path, const Drawing& drawing) {
  std::string text;
  std::string problem = WriteGeoJson(drawing, text);
  if (!problem.empty()) return "nothing was saved: " + problem;
  return WriteDrawingFileAtomically(path, text);
}

}  // namespace qarnview
