// Fuzz target for opening drawings: the input is the text of a GeoJSON file. A drawing
// that opens must save, open again equal, and every figure that has a record form must
// come back unchanged from its entity record. The checks abort on any broken promise.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/mutator.h"
#include "qarnview/figure_records.h"
#include "qarnview/geojson_drawing.h"

namespace qarn_fuzz {

inline void RequireDrawing(bool ok) {
  if (!ok) std::abort();
}

// Mostly number swaps, which keep the JSON well-formed so mutants reach the GeoJSON
// checks; now and then a structural change or a stray byte.
inline const Mutations& GeoJsonMutations() {
  static const Mutations m{3,
                           {},
                           {"null", "true", "\"x\"", "[]", "{}", "[0,0]", ",", "]", "[[0,0]]", "\"Point\"", "\"Polygon\"",
                            "\"MultiPoint\"", "NaN", "[0,0,0]"},
                           {"0", "-0.0", "1e15", "-1e15", "1.0000000000000002e15", "1e999", "2.5", "5e-324", "-7", "65535",
                            "4294967296", "32768", "0.1"},
                           70};
  return m;
}

// Whether the input opened as a drawing.
inline bool GeoJsonOneInput(const uint8_t* data, size_t size) {
  using namespace qarnview;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Drawing drawing;
  drawing.figures.resize(1);  // a refused file must leave this as it was
  const Drawing before = drawing;
  if (!ReadGeoJson(text, drawing).empty()) {
    RequireDrawing(drawing == before);
    return false;
  }
  std::string saved;
  RequireDrawing(WriteGeoJson(drawing, saved).empty());
  Drawing again;
  RequireDrawing(ReadGeoJson(saved, again).empty());
  RequireDrawing(again == drawing);

  for (const Figure& figure : drawing.figures) {
    RECORDADDR record = 0;
    const bool recordable = FigureToRecord(figure, record).empty();
    RequireDrawing(recordable == (record != 0));
    if (!recordable) {
      // Only a 2D polyline of several parts has no record form.
      RequireDrawing(figure.kind == FigureKind::kPolyline && !figure.is3D && figure.rings.size() > 1);
      continue;
    }
    Figure back;
    RequireDrawing(FigureFromRecord(record, back, figure.penColor).empty());
    ReleaseRecord(record);
    // Only a polygon record carries the fill style.
    if (figure.kind != FigureKind::kPolygon) back.fillStyle = figure.fillStyle;
    RequireDrawing(back == figure);
  }
  return true;
}

}  // namespace qarn_fuzz

#ifndef QARN_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarn_fuzz::GeoJsonOneInput(data, size);
  return 0;
}
QARN_FUZZ_CUSTOM_MUTATOR(qarn_fuzz::GeoJsonMutations())
#endif
