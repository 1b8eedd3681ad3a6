// Reading an entity record that comes from outside (the host or a container), for
// loading it into an edit or highlighting its vertices. The record is checked whole
// before anything is taken from it: every field and block that will be read must be
// readable, and counts are capped, so a bad address or a hostile record is refused
// instead of read past or turned into a huge allocation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/abi.h"

namespace entity {

// More vertices than any figure a user edits; also bounds the memory one record costs.
constexpr uint32_t kMaxVertices = 10'000'000;

// What the caller will read: a load also needs the part numbers and flags of a 3D
// polyline and the ring descriptors of a polygon; highlighting does not.
enum class Use { kLoad, kHighlight };

struct XY {
  double x;
  double y;
};

// The fields of a record that passed the checks.
struct Fields {
  uint32_t type = 0;
  bool is3D = false;
  // Point (one) and line (two): the ends, with Z = 0 in 2D.
  double px[2] = {0, 0}, py[2] = {0, 0}, pz[2] = {0, 0};
  // Polyline
  bool closed = false;
  uint32_t count = 0;  // polyline: n; polygon: total
  RECORDADDR xyBlock = 0;
  RECORDADDR zBlock = 0;
  RECORDADDR partBlock = 0;
  uint32_t partCount = 0;
  RECORDADDR partFlagBlock = 0;
  // Polygon
  uint32_t ringCount = 0;
  RECORDADDR ringBlock = 0;
};

// Whether rec is a readable record of type 1, 2, 5 or 6 whose fields and blocks hold
// what `use` will read. maxRings bounds a polygon's ring count for a load (the edit's
// ring array). Fills `out` on success.
bool Read(RECORDADDR rec, Use use, int32_t maxRings, Fields& out);

// A ring descriptor of a checked polygon (index below its ring count).
struct RingDescriptor {
  uint32_t first;
  uint32_t count;
  int16_t kind;
};
bool ReadRingDescriptor(const Fields& f, uint32_t index, RingDescriptor& out);

// Calls fn(i, value) for the elements first .. first + count - 1 of an array of T at
// block, reading in chunks. An element that cannot be read is handed over as zero;
// the result says whether all could be read.
template <typename T, typename Fn>
bool ForEachElement(RECORDADDR block, size_t first, size_t count, Fn&& fn);

}  // namespace entity

#include "editcore/entity_reader_inl.h"
