// Drawings to GeoJSON text and back: the geometry each figure becomes, exact doubles,
// and every kind of file that is refused without touching the caller's drawing.
#include "qarnview/geojson_drawing.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>

#include "drawing_samples.h"

namespace {

using namespace qarnview;
using nlohmann::json;

std::string Written(const Drawing& d) {
  std::string text;
  const std::string problem = WriteGeoJson(d, text);
  EXPECT_EQ(problem, "");
  return text;
}

TEST(GeoJsonRoundTrip, EachFigureBecomesTheGeometryOfItsKindAndComesBackEqual) {
  Drawing d;
  d.figures = samples::All();
  const std::string text = Written(d);
  Drawing back;
  ASSERT_EQ(ReadGeoJson(text, back), "");
  EXPECT_EQ(back, d);
  ASSERT_EQ(ReadGeoJson(Written(Drawing{}), back), "");
  EXPECT_TRUE(back.figures.empty());

  const json doc = json::parse(text);
  EXPECT_EQ(doc["type"], "FeatureCollection");
  const json& f = doc["features"];
  ASSERT_EQ(f.size(), d.figures.size());
  const char* types[] = {"LineString", "MultiLineString", "MultiLineString", "Polygon", "MultiPolygon", "Point", "Point"};
  for (size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(f[i]["type"], "Feature");
    EXPECT_EQ(f[i]["geometry"]["type"], types[i]) << "figure " << i;
    EXPECT_EQ(f[i]["properties"]["fillStyle"], d.figures[i].fillStyle);
    EXPECT_EQ(f[i]["properties"]["penColor"], d.figures[i].penColor);
  }
  // 2D positions have two numbers, 3D three; polygon rings are closed in the file.
  EXPECT_EQ(f[0]["geometry"]["coordinates"], json::parse("[[0.0,0.0],[3.0,4.0],[-1.25,7.0]]"));
  EXPECT_EQ(f[1]["geometry"]["coordinates"][1][2], json::parse("[7.0,2.0,-5.0]"));
  EXPECT_EQ(f[3]["geometry"]["coordinates"],
            json::parse("[[[0.0,0.0],[10.0,0.0],[10.0,10.0],[0.0,10.0],[0.0,0.0]],"
                        "[[2.0,2.0],[4.0,2.0],[3.0,4.0],[2.0,2.0]]]"));
  const json& multi = f[4]["geometry"]["coordinates"];
  ASSERT_EQ(multi.size(), 2u);
  EXPECT_EQ(multi[0].size(), 1u) << "the first perimeter has no hole";
  EXPECT_EQ(multi[1].size(), 3u) << "the second perimeter keeps both holes after it";
  EXPECT_EQ(multi[1][2][0], json::parse("[25.0,25.0,3.0]"));
  EXPECT_EQ(f[6]["geometry"]["coordinates"], json::parse("[2.5,3.5,-4.0]"));
}

TEST(GeoJsonRoundTrip, DoublesReadBackBitForBit) {
  std::mt19937_64 rng(42);
  std::vector<double> values = {0.1, 1.0 / 3, -0.0, 5e-324, 2.2250738585072014e-308, 1e15, -1e15,
                                std::nextafter(1e15, 0.0), 123456789.123456789, 0.30000000000000004};
  while (values.size() < 3000) {
    const double v = std::bit_cast<double>(rng());
    if (std::isfinite(v) && std::fabs(v) <= kCoordinateLimit) values.push_back(v);
    values.push_back(std::ldexp(static_cast<double>(rng() >> 15), -static_cast<int>(rng() % 60)));
  }
  samples::Figure line = samples::Make(FigureKind::kPolyline, true, {});
  line.rings.emplace_back();
  for (size_t i = 0; i + 2 < values.size(); i += 3) line.rings[0].vertices.push_back({values[i], values[i + 1], values[i + 2]});
  Drawing d;
  d.figures = {line};
  Drawing back;
  ASSERT_EQ(ReadGeoJson(Written(d), back), "");
  const auto& got = back.figures.at(0).rings.at(0).vertices;
  ASSERT_EQ(got.size(), line.rings[0].vertices.size());
  for (size_t i = 0; i < got.size(); ++i) {
    const Vertex& want = line.rings[0].vertices[i];
    EXPECT_EQ(std::bit_cast<uint64_t>(got[i].x), std::bit_cast<uint64_t>(want.x)) << want.x;
    EXPECT_EQ(std::bit_cast<uint64_t>(got[i].y), std::bit_cast<uint64_t>(want.y)) << want.y;
    EXPECT_EQ(std::bit_cast<uint64_t>(got[i].z), std::bit_cast<uint64_t>(want.z)) << want.z;
  }
}

std::string Collection(const std::string& geometry, const std::string& properties = "{}") {
  return R"({"type":"FeatureCollection","features":[{"type":"Feature","geometry":)" + geometry +
         R"(,"properties":)" + properties + "}]}";
}

TEST(GeoJsonRead, ClosedRingsLoseExactlyTheirClosingRepeat) {
  Drawing d;
  // A ring whose last vertex already equals its first keeps that vertex.
  ASSERT_EQ(ReadGeoJson(Collection(R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0],[0,0]]]})"), d), "");
  const auto& v = d.figures.at(0).rings.at(0).vertices;
  EXPECT_EQ(v, (std::vector<Vertex>{{0, 0}, {1, 0}, {1, 1}, {0, 0}}));
  EXPECT_FALSE(d.figures[0].rings[0].hole);
  std::string text;
  ASSERT_EQ(WriteGeoJson(d, text), "");
  Drawing back;
  ASSERT_EQ(ReadGeoJson(text, back), "");
  EXPECT_EQ(back, d);
}

TEST(GeoJsonRead, HolesFollowTheirPerimeterAndIntegersAreCoordinates) {
  Drawing d;
  ASSERT_EQ(ReadGeoJson(Collection(R"({"type":"MultiPolygon","coordinates":[
      [[[0,0,1],[4,0,1],[4,4,1],[0,0,1]],[[1,1,1],[2,1,1],[2,2,1],[1,1,1]]],
      [[[9,9,2],[8,9,2],[8,8,2],[9,9,2]]]]})"),
                        d),
            "");
  const Figure& f = d.figures.at(0);
  EXPECT_EQ(f.kind, FigureKind::kPolygon);
  EXPECT_TRUE(f.is3D);
  ASSERT_EQ(f.rings.size(), 3u);
  EXPECT_FALSE(f.rings[0].hole);
  EXPECT_TRUE(f.rings[1].hole);
  EXPECT_FALSE(f.rings[2].hole);
  EXPECT_EQ(f.rings[2].vertices[1], (Vertex{8, 9, 2}));
}

TEST(GeoJsonRead, StyleDefaultsAndAcceptedNumberForms) {
  Drawing d;
  ASSERT_EQ(ReadGeoJson(R"({"type":"FeatureCollection","features":[
      {"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]}},
      {"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]},"properties":null},
      {"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]},"properties":{"fillStyle":-32768,"penColor":4294967295,"name":"x"}},
      {"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]},"properties":{"fillStyle":-32768.0,"penColor":2.55e2}}]})",
                        d),
            "");
  ASSERT_EQ(d.figures.size(), 4u);
  EXPECT_EQ(d.figures[0].fillStyle, 0);
  EXPECT_EQ(d.figures[0].penColor, 255u);
  EXPECT_EQ(d.figures[1].penColor, 255u);
  EXPECT_EQ(d.figures[2].fillStyle, -32768);
  EXPECT_EQ(d.figures[2].penColor, 4294967295u);
  EXPECT_EQ(d.figures[3].fillStyle, -32768);
  EXPECT_EQ(d.figures[3].penColor, 255u);
}

// Every refused file names what is wrong, and the drawing the caller had is untouched:
// the first feature of each file is a good one, so a reader that stored figures as it
// went would show here.
TEST(GeoJsonRead, BadFilesAreRefusedWithAReasonAndChangeNothing) {
  const std::string good = R"({"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]}})";
  auto second = [&good](const std::string& feature) {
    return R"({"type":"FeatureCollection","features":[)" + good + "," + feature + "]}";
  };
  auto geometry = [&second](const std::string& g, const std::string& props = "{}") {
    return second(R"({"type":"Feature","geometry":)" + g + R"(,"properties":)" + props + "}");
  };
  const std::string whole = geometry(R"({"type":"LineString","coordinates":[[0,0],[1,1]]})");
  struct Case {
    const char* what;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"empty file", "", "empty"},
      {"blank file", " \r\n\t", "empty"},
      {"truncated file", whole.substr(0, whole.size() / 2), "truncated"},
      {"truncated after the last feature", whole.substr(0, whole.size() - 1), "truncated"},
      {"not JSON", "GeoJSON? no", "not JSON"},
      {"syntax error in the last byte", R"({"type":])", "not JSON"},
      {"NaN literal", geometry(R"({"type":"Point","coordinates":[NaN,0]})"), "not JSON"},
      {"number beyond a double", geometry(R"({"type":"Point","coordinates":[1e999,0]})"), "too large"},
      {"array at the top", "[]", "not an object"},
      {"no type", R"({"features":[]})", "has no type"},
      {"a single Feature", good, "not a GeoJSON FeatureCollection"},
      {"features not an array", R"({"type":"FeatureCollection","features":{}})", "\"features\" is not an array"},
      {"features missing", R"({"type":"FeatureCollection"})", "\"features\" is not an array"},
      {"feature not a Feature", second(R"({"type":"Point","coordinates":[1,2]})"), "feature 2: is not a GeoJSON Feature"},
      {"null geometry", geometry("null"), "feature 2: has no geometry"},
      {"GeometryCollection", geometry(R"({"type":"GeometryCollection","geometries":[]})"), "GeometryCollection is not supported"},
      {"MultiPoint", geometry(R"({"type":"MultiPoint","coordinates":[[0,0]]})"), "MultiPoint is not supported"},
      {"unknown type", geometry(R"({"type":"Circle","coordinates":[0,0]})"), "unknown geometry type \"Circle\""},
      {"no coordinates", geometry(R"({"type":"Point"})"), "has no coordinates"},
      {"ring of 3 positions", geometry(R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[0,0]]]})"), "fewer than 4 positions"},
      {"hole of 3 positions",
       geometry(R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0]],[[0,0],[1,0],[0,0]]]})"), "ring 2 of Polygon"},
      {"ring not closed", geometry(R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,1]]]})"), "not closed"},
      {"ring closed in 2D but not in Z",
       geometry(R"({"type":"Polygon","coordinates":[[[0,0,0],[1,0,0],[1,1,0],[0,0,1]]]})"), "not closed"},
      {"ring closed in Y but not in X", geometry(R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[1,0]]]})"), "not closed"},
      {"polygon without rings", geometry(R"({"type":"Polygon","coordinates":[]})"), "at least one ring"},
      {"MultiPolygon without polygons", geometry(R"({"type":"MultiPolygon","coordinates":[]})"), "at least one polygon"},
      {"line of one position", geometry(R"({"type":"LineString","coordinates":[[0,0]]})"), "fewer than 2 positions"},
      {"MultiLineString without lines", geometry(R"({"type":"MultiLineString","coordinates":[]})"), "at least one line"},
      {"short second line", geometry(R"({"type":"MultiLineString","coordinates":[[[0,0],[1,1]],[[0,0]]]})"),
       "line 2 of the MultiLineString"},
      {"open second polygon",
       geometry(R"({"type":"MultiPolygon","coordinates":[[[[0,0],[1,0],[1,1],[0,0]]],[[[0,0],[1,0],[1,1],[0,1]]]]})"),
       "ring 1 of polygon 2 of the MultiPolygon is not closed"},
      {"string coordinate", geometry(R"({"type":"Point","coordinates":["1",2]})"), "not a number"},
      {"boolean coordinate", geometry(R"({"type":"Point","coordinates":[true,2]})"), "not a number"},
      {"null coordinate", geometry(R"({"type":"LineString","coordinates":[[0,0],[null,2]]})"), "not a number"},
      {"coordinate beyond 1e15", geometry(R"({"type":"Point","coordinates":[0,1.0000000000000002e15]})"), "beyond 1e15"},
      {"huge integer coordinate", geometry(R"({"type":"Point","coordinates":[18446744073709551615,0]})"), "beyond 1e15"},
      {"Z beyond 1e15", geometry(R"({"type":"Point","coordinates":[0,0,-2e15]})"), "beyond 1e15"},
      {"position of 1 number", geometry(R"({"type":"Point","coordinates":[1]})"), "2 or 3 numbers"},
      {"position of 4 numbers", geometry(R"({"type":"Point","coordinates":[1,2,3,4]})"), "2 or 3 numbers"},
      {"mixed 2D and 3D", geometry(R"({"type":"LineString","coordinates":[[0,0],[1,1,1]]})"), "mixed"},
      {"fill style out of range", geometry(R"({"type":"Point","coordinates":[0,0]})", R"({"fillStyle":32768})"), "\"fillStyle\""},
      {"fill style that is -1 in 64 bits",
       geometry(R"({"type":"Point","coordinates":[0,0]})", R"({"fillStyle":18446744073709551615})"), "\"fillStyle\""},
      {"fill style with a fraction", geometry(R"({"type":"Point","coordinates":[0,0]})", R"({"fillStyle":1.5})"), "\"fillStyle\""},
      {"negative pen colour", geometry(R"({"type":"Point","coordinates":[0,0]})", R"({"penColor":-1})"), "\"penColor\""},
      {"pen colour as text", geometry(R"({"type":"Point","coordinates":[0,0]})", R"({"penColor":"red"})"), "\"penColor\""},
      {"properties not an object", geometry(R"({"type":"Point","coordinates":[0,0]})", "[]"), "properties are not an object"},
  };
  Drawing original;
  original.figures = {samples::Polyline2D()};
  for (const Case& c : cases) {
    Drawing d = original;
    const std::string problem = ReadGeoJson(c.text, d);
    EXPECT_NE(problem.find(c.message), std::string::npos) << c.what << ": got \"" << problem << "\"";
    EXPECT_EQ(d, original) << c.what;
  }
  Drawing d;
  EXPECT_EQ(ReadGeoJson(whole, d), "") << "the base file of the bad cases is good";
}

TEST(GeoJsonWrite, AFigureThatCannotBeWrittenStopsTheWriteAndLeavesTheText) {
  struct Case {
    const char* what;
    Figure figure;
    const char* message;
  };
  Figure nan = samples::Polyline2D();
  nan.rings[0].vertices[1].y = std::numeric_limits<double>::quiet_NaN();
  Figure far = samples::Point3D();
  far.rings[0].vertices[0].z = 2e15;
  Figure holeFirst = samples::PolygonWithHole2D();
  std::swap(holeFirst.rings[0], holeFirst.rings[1]);
  Figure shortRing = samples::PolygonWithHole2D();
  shortRing.rings[1].vertices.pop_back();
  Figure twoPoints = samples::Point2D();
  twoPoints.rings[0].vertices.push_back({1, 1});
  Figure twoPointRings = samples::Point2D();
  twoPointRings.rings.push_back(twoPointRings.rings[0]);
  Figure holeInLine = samples::Polyline2D();
  holeInLine.rings[0].hole = true;
  Figure empty = samples::Polyline2D();
  empty.rings.clear();
  const Case cases[] = {
      {"NaN", nan, "not a number or lies beyond 1e15"},
      {"Z beyond 1e15", far, "beyond 1e15"},
      {"leading hole", holeFirst, "begins with a hole"},
      {"hole of 2 vertices", shortRing, "polygon ring 2 has fewer than 3 vertices"},
      {"point of two vertices", twoPoints, "exactly one vertex"},
      {"point of two rings", twoPointRings, "exactly one vertex"},
      {"hole flag on a polyline", holeInLine, "only polygon rings"},
      {"no rings", empty, "no vertices"},
  };
  for (const Case& c : cases) {
    Drawing d;
    d.figures = {samples::Point2D(), c.figure};
    std::string text = "untouched";
    const std::string problem = WriteGeoJson(d, text);
    EXPECT_EQ(problem.rfind("figure 2: ", 0), 0u) << c.what << ": " << problem;
    EXPECT_NE(problem.find(c.message), std::string::npos) << c.what << ": " << problem;
    EXPECT_EQ(text, "untouched") << c.what;
  }
  // A 2D z that is not 0 is no fault: 2D figures write no Z at all.
  Figure flat = samples::Point2D();
  flat.rings[0].vertices[0].z = std::numeric_limits<double>::infinity();
  Drawing d;
  d.figures = {flat};
  std::string text;
  EXPECT_EQ(WriteGeoJson(d, text), "");
  EXPECT_EQ(json::parse(text)["features"][0]["geometry"]["coordinates"], json::parse("[2.5,3.5]"));
}

}  // namespace
