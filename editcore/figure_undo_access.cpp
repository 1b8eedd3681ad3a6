#include "editcore/figure_undo_access.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "editcore/edit_controller.h"

namespace figure_undo {

StepMarks CaptureMarks(const EditController& ec) {
  StepMarks m;
  m.step = ec.m_step;
  m.ringCount = ec.m_ringCount;
  m.curRing = ec.m_curRing;
  m.curVertex = ec.m_curVertex;
  m.centre[0] = ec.m_dragX;
  m.centre[1] = ec.m_dragY;
  m.centre[2] = ec.m_dragZ;
  return m;
}

void RestoreMarks(EditController& ec, const StepMarks& m) {
  ec.m_ringCount = std::clamp(m.ringCount, 1, ec.RingArrayLength());
  ec.m_curRing = m.curRing;
  ec.m_curVertex = m.curVertex;
  ec.m_dragX = m.centre[0];
  ec.m_dragY = m.centre[1];
  ec.m_dragZ = m.centre[2];
}

int32_t RingCount(const EditController& ec) { return ec.m_ringCount; }
int32_t VertexCount(const EditController& ec, int32_t ring) { return ec.m_ringVertexCount[ring]; }
bool IsPointMode(const EditController& ec) { return ec.m_mode == MODE_POINT; }
bool Is3D(const EditController& ec) { return ec.m_is3D; }

VertexValue ReadVertex(const EditController& ec, int32_t ring, int32_t i) {
  const Ring& r = ec.m_rings[ring];
  if (i < 0 || i >= r.capacity) return {};
  return VertexValue{r.x[i], r.y[i], r.z[i], r.part[i]};
}

void WriteVertex(EditController& ec, int32_t ring, int32_t i, const VertexValue& v) {
  Ring& r = ec.m_rings[ring];
  r.EnsureIndex(i);
  r.x[i] = v.x;
  r.y[i] = v.y;
  r.z[i] = v.z;
  r.part[i] = v.part;
}

void InsertVertex(EditController& ec, int32_t ring, int32_t i, const VertexValue& v) {
  Ring& r = ec.m_rings[ring];
  const int32_t count = ec.m_ringVertexCount[ring];
  r.EnsureIndex(count);
  const size_t tail = static_cast<size_t>(count - i);
  std::memmove(r.x + i + 1, r.x + i, tail * sizeof(double));
  std::memmove(r.y + i + 1, r.y + i, tail * sizeof(double));
  std::memmove(r.z + i + 1, r.z + i, tail * sizeof(double));
  std::memmove(r.part + i + 1, r.part + i, tail * sizeof(int32_t));
  ec.m_ringVertexCount[ring] = count + 1;
  WriteVertex(ec, ring, i, v);
}

void EraseVertex(EditController& ec, int32_t ring, int32_t i) {
  Ring& r = ec.m_rings[ring];
  const int32_t count = ec.m_ringVertexCount[ring];
  const size_t tail = static_cast<size_t>(count - i - 1);
  std::memmove(r.x + i, r.x + i + 1, tail * sizeof(double));
  std::memmove(r.y + i, r.y + i + 1, tail * sizeof(double));
  std::memmove(r.z + i, r.z + i + 1, tail * sizeof(double));
  std::memmove(r.part + i, r.part + i + 1, tail * sizeof(int32_t));
  ec.m_ringVertexCount[ring] = count - 1;
}

void ReverseRing(EditController& ec, int32_t ring, int32_t n, bool withZ) {
  Ring& r = ec.m_rings[ring];
  std::reverse(r.x, r.x + n);
  std::reverse(r.y, r.y + n);
  if (withZ) std::reverse(r.z, r.z + n);
}

RingSlot ReadRingSlot(const EditController& ec, int32_t ring) {
  return RingSlot{ec.m_ringVertexCount[ring], ec.m_ringIsHole[ring]};
}

void WriteRingSlot(EditController& ec, int32_t ring, const RingSlot& slot) {
  ec.m_ringVertexCount[ring] = slot.count;
  ec.m_ringIsHole[ring] = slot.isHole;
}

namespace {
// Arrays of `capacity` slots holding the first `count` values of `from`; the rest zero,
// as a ring's unused slots are.
std::unique_ptr<double[]> CopyOf(const double* from, int32_t count, int32_t capacity) {
  std::unique_ptr<double[]> to(new double[static_cast<size_t>(capacity)]);
  std::memcpy(to.get(), from, sizeof(double) * static_cast<size_t>(count));
  std::memset(to.get() + count, 0, sizeof(double) * static_cast<size_t>(capacity - count));
  return to;
}

void SwapArray(double*& ringArray, std::unique_ptr<double[]>& kept) {
  double* mine = kept.release();
  kept.reset(ringArray);
  ringArray = mine;
}
}  // namespace

KeptCoordinates KeepCoordinates(const EditController& ec, int32_t ring, bool withZ) {
  const Ring& r = ec.m_rings[ring];
  KeptCoordinates k;
  k.ring = ring;
  k.count = std::min(ec.m_ringVertexCount[ring], r.capacity);
  k.capacity = r.capacity;
  k.x = CopyOf(r.x, k.count, k.capacity);
  k.y = CopyOf(r.y, k.count, k.capacity);
  if (withZ) k.z = CopyOf(r.z, k.count, k.capacity);
  return k;
}

void SwapCoordinates(EditController& ec, KeptCoordinates& k) {
  Ring& r = ec.m_rings[k.ring];
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

bool SameCoordinates(const EditController& ec, const KeptCoordinates& k) {
  const Ring& r = ec.m_rings[k.ring];
  const size_t bytes = sizeof(double) * static_cast<size_t>(k.count);
  if (ec.m_ringVertexCount[k.ring] != k.count) return false;
  return std::memcmp(r.x, k.x.get(), bytes) == 0 && std::memcmp(r.y, k.y.get(), bytes) == 0 &&
         (!k.z || std::memcmp(r.z, k.z.get(), bytes) == 0);
}

}  // namespace figure_undo
