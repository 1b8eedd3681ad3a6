#include "editcore/entity_reader.h"

#include "hostlink/ntt_record.h"

namespace entity {

namespace {

// Whether count elements of T from element first of block can all be read.
template <typename T>
bool Holds(RECORDADDR block, uint64_t first, uint64_t count) {
  if (count == 0) return true;
  if (!block || first + count > kMaxVertices) return false;
  return ForEachElement<T>(block, static_cast<size_t>(first), static_cast<size_t>(count), [](size_t, const T&) {});
}

bool ReadPoint(RECORDADDR rec, Fields& f, uint32_t size) {
  f.is3D = size > ntt::kPointSize2D;
  return RecordGet(rec, ntt::kPointX, f.px[0]) && RecordGet(rec, ntt::kPointY, f.py[0]) &&
         (!f.is3D || RecordGet(rec, ntt::kPointZ, f.pz[0]));
}

bool ReadLine(RECORDADDR rec, Fields& f, uint32_t size) {
  f.is3D = size > ntt::kLineSize2D;
  return RecordGet(rec, ntt::kLineX1, f.px[0]) && RecordGet(rec, ntt::kLineY1, f.py[0]) &&
         RecordGet(rec, ntt::kLineX2, f.px[1]) && RecordGet(rec, ntt::kLineY2, f.py[1]) &&
         (!f.is3D || (RecordGet(rec, ntt::kLineZ1, f.pz[0]) && RecordGet(rec, ntt::kLineZ2, f.pz[1])));
}

bool ReadPolyline(RECORDADDR rec, Use use, Fields& f, uint32_t size) {
  f.is3D = size > ntt::kPolylineSize2D;
  uint8_t closed = 0;
  if (!RecordGet(rec, ntt::kPlClosed, closed) || !RecordGet(rec, ntt::kPlCount, f.count) ||
      !RecordGet(rec, ntt::kPlXY, f.xyBlock))
    return false;
  f.closed = closed != 0;
  if (f.count > kMaxVertices || !Holds<XY>(f.xyBlock, 0, f.count)) return false;
  if (!f.is3D) return true;
  if (!RecordGet(rec, ntt::kPlZ, f.zBlock) || !Holds<double>(f.zBlock, 0, f.count)) return false;
  if (use == Use::kHighlight) return true;
  if (!RecordGet(rec, ntt::kPlParts, f.partBlock) || !RecordGet(rec, ntt::kPlPartCount, f.partCount) ||
      !RecordGet(rec, ntt::kPlPartFlags, f.partFlagBlock))
    return false;
  if (!Holds<int32_t>(f.partBlock, 0, f.count)) return false;
  // Only a polyline of several parts reads its part flags, one per part.
  if (f.partCount != 1 && (f.partCount > kMaxVertices || !Holds<int32_t>(f.partFlagBlock, 0, f.partCount)))
    return false;
  return true;
}

bool ReadPolygon(RECORDADDR rec, Use use, int32_t maxRings, Fields& f, uint32_t size) {
  f.is3D = size > ntt::kPolygonSize2D;
  if (!RecordGet(rec, ntt::kPgTotal, f.count) || !RecordGet(rec, ntt::kPgXY, f.xyBlock)) return false;
  if (f.count > kMaxVertices || !Holds<XY>(f.xyBlock, 0, f.count)) return false;
  if (f.is3D && (!RecordGet(rec, ntt::kPgZ, f.zBlock) || !Holds<double>(f.zBlock, 0, f.count))) return false;
  if (use == Use::kHighlight) return true;
  if (!RecordGet(rec, ntt::kPgRingCount, f.ringCount) || !RecordGet(rec, ntt::kPgRings, f.ringBlock)) return false;
  if (f.ringCount < 1 || maxRings < 1 || f.ringCount > static_cast<uint32_t>(maxRings)) return false;
  // Every ring must lie inside the vertex blocks, and overlapping rings must not add
  // up to more vertices than one record may bring.
  uint64_t copied = 0;
  for (uint32_t r = 0; r < f.ringCount; ++r) {
    RingDescriptor d{};
    if (!ReadRingDescriptor(f, r, d)) return false;
    if (uint64_t{d.first} + d.count > f.count) return false;
    copied += d.count;
    if (copied > kMaxVertices) return false;
  }
  return true;
}

}  // namespace

bool ReadRingDescriptor(const Fields& f, uint32_t index, RingDescriptor& out) {
  const size_t at = size_t{index} * ntt::kRingDescriptorSize;
  return f.ringBlock && RecordGet(f.ringBlock, at, out.first) && RecordGet(f.ringBlock, at + 4, out.count) &&
         RecordGet(f.ringBlock, at + 8, out.kind);
}

bool Read(RECORDADDR rec, Use use, int32_t maxRings, Fields& out) {
  Fields f;
  uint32_t size = 0;
  if (!rec || !RecordGet(rec, ntt::kSize, size) || !RecordGet(rec, ntt::kType, f.type)) return false;
  bool ok = false;
  switch (f.type) {
    case ntt::kPoint: ok = ReadPoint(rec, f, size); break;
    case ntt::kLine: ok = ReadLine(rec, f, size); break;
    case ntt::kPolyline: ok = ReadPolyline(rec, use, f, size); break;
    case ntt::kPolygon: ok = ReadPolygon(rec, use, maxRings, f, size); break;
    default: break;
  }
  if (ok) out = f;
  return ok;
}

}  // namespace entity
