#include "editcore/figure_undo_access.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "editcore/figure.h"

namespace figure_undo {

VertexValue ReadVertex(const Figure& fig, int32_t ring, int32_t i) {
  if (i < 0 || i >= fig.Room(ring)) return {};
  const Point3 p = fig.At(ring, i);
  return VertexValue{p.x, p.y, p.z, fig.PartAt(ring, i)};
}

void WriteVertex(Figure& fig, int32_t ring, int32_t i, const VertexValue& v) {
  fig.Set(ring, i, {v.x, v.y, v.z}, v.part);
}

void InsertVertex(Figure& fig, int32_t ring, int32_t i, const VertexValue& v) {
  Ring& r = fig.Vertices(ring);
  const int32_t count = fig.VertexCount(ring);
  r.EnsureIndex(count);
  const size_t tail = static_cast<size_t>(count - i);
  std::memmove(r.x + i + 1, r.x + i, tail * sizeof(double));
  std::memmove(r.y + i + 1, r.y + i, tail * sizeof(double));
  std::memmove(r.z + i + 1, r.z + i, tail * sizeof(double));
  std::memmove(r.part + i + 1, r.part + i, tail * sizeof(int32_t));
  fig.SetVertexCount(ring, count + 1);
  WriteVertex(fig, ring, i, v);
}

void EraseVertex(Figure& fig, int32_t ring, int32_t i) {
  Ring& r = fig.Vertices(ring);
  const int32_t count = fig.VertexCount(ring);
  const size_t tail = static_cast<size_t>(count - i - 1);
  std::memmove(r.x + i, r.x + i + 1, tail * sizeof(double));
  std::memmove(r.y + i, r.y + i + 1, tail * sizeof(double));
  std::memmove(r.z + i, r.z + i + 1, tail * sizeof(double));
  std::memmove(r.part + i, r.part + i + 1, tail * sizeof(int32_t));
  fig.SetVertexCount(ring, count - 1);
}

void ReverseRing(Figure& fig, int32_t ring, int32_t n, bool withZ) {
  Ring& r = fig.Vertices(ring);
  std::reverse(r.x, r.x + n);
  std::reverse(r.y, r.y + n);
  if (withZ) std::reverse(r.z, r.z + n);
}

RingSlot ReadRingSlot(const Figure& fig, int32_t ring) {
  return RingSlot{fig.VertexCount(ring), static_cast<uint8_t>(fig.IsHole(ring) ? 1 : 0)};
}

void WriteRingSlot(Figure& fig, int32_t ring, const RingSlot& slot) {
  fig.SetVertexCount(ring, slot.count);
  fig.SetHole(ring, slot.isHole != 0);
}

namespace {
// Arrays of `capacity` slots holding the first `count` values of `from`; the rest zero,
// as a ring's unused slots are.
KeptCoordinates::Array CopyOf(const double* from, int32_t count, int32_t capacity) {
  KeptCoordinates::Array to(ring_storage::NewDoubles(capacity));
  std::memcpy(to.get(), from, sizeof(double) * static_cast<size_t>(count));
  std::memset(to.get() + count, 0, sizeof(double) * static_cast<size_t>(capacity - count));
  return to;
}

void SwapArray(double*& ringArray, KeptCoordinates::Array& kept) {
  double* mine = kept.release();
  kept.reset(ringArray);
  ringArray = mine;
}
}  // namespace

KeptCoordinates KeepCoordinates(const Figure& fig, int32_t ring, bool withZ) {
  const Ring& r = fig.Vertices(ring);
  KeptCoordinates k;
  k.ring = ring;
  k.count = std::min(fig.VertexCount(ring), r.capacity);
  k.capacity = r.capacity;
  k.x = CopyOf(r.x, k.count, k.capacity);
  k.y = CopyOf(r.y, k.count, k.capacity);
  if (withZ) k.z = CopyOf(r.z, k.count, k.capacity);
  return k;
}

void SwapCoordinates(Figure& fig, KeptCoordinates& k) {
  Ring& r = fig.Vertices(k.ring);
  // The ring may have grown since the arrays were kept (a vertex added and taken back):
  // they are brought to its capacity first, since its arrays share one capacity.
  if (k.capacity != r.capacity) {
    const int32_t count = std::min(k.count, r.capacity);
    k.x = CopyOf(k.x.get(), count, r.capacity);
    k.y = CopyOf(k.y.get(), count, r.capacity);
    if (k.z) k.z = CopyOf(k.z.get(), count, r.capacity);
    k.capacity = r.capacity;
  }
  SwapArray(r.x, k.x);
  SwapArray(r.y, k.y);
  if (k.z) SwapArray(r.z, k.z);
}

bool SameCoordinates(const Figure& fig, const KeptCoordinates& k) {
  const Ring& r = fig.Vertices(k.ring);
  const size_t bytes = sizeof(double) * static_cast<size_t>(k.count);
  if (fig.VertexCount(k.ring) != k.count) return false;
  return std::memcmp(r.x, k.x.get(), bytes) == 0 && std::memcmp(r.y, k.y.get(), bytes) == 0 &&
         (!k.z || std::memcmp(r.z, k.z.get(), bytes) == 0);
}

}  // namespace figure_undo
