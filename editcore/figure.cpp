#include "editcore/figure.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "editcore/fast_paths.h"

Figure::Figure(int32_t ringArrayLength) {
  CreateStorage(ringArrayLength);
  Clear();
}

Figure::~Figure() { DestroyStorage(); }

void Figure::CreateStorage(int32_t n) {
  m_rings = new Ring[n];
  m_counts = new int32_t[n]();
  m_holes = new uint8_t[n]();
  m_length = n;
}

void Figure::DestroyStorage() {
  delete[] m_rings;
  delete[] m_counts;
  delete[] m_holes;
  m_rings = nullptr;
  m_counts = nullptr;
  m_holes = nullptr;
  m_length = 0;
}

void Figure::SetRingArrayLength(int32_t n) {
  ForgetMeasures();
  DestroyStorage();
  CreateStorage(n);
  // The vertex data are gone; a running edit goes on with empty rings that fit.
  if (m_ringCount > n) m_ringCount = n;
}

void Figure::ForgetMeasures() {
  m_openSums = RunningSums{};
  m_closedSums = RunningSums{};
}

void Figure::Changed(int32_t r, int32_t i) {
  // The sums up to `index` read vertices 0..index of their ring.
  if (r == 0 && i <= m_openSums.index) m_openSums = RunningSums{};
  if (r < m_closedSums.ring || (r == m_closedSums.ring && i <= m_closedSums.index)) m_closedSums = RunningSums{};
}

void Figure::SetRingCount(int32_t n) {
  // Rings beyond the last one summed come in or go without touching the sums; the
  // summed ring itself going resets them.
  if (n <= m_closedSums.ring) m_closedSums = RunningSums{};
  if (n < 1) m_openSums = RunningSums{};
  m_ringCount = n;
}

void Figure::GrowAll(const int32_t* counts) {
  std::vector<int32_t> room(static_cast<size_t>(m_ringCount));
  bool grows = false;
  for (int32_t r = 0; r < m_ringCount; ++r) {
    room[r] = m_rings[r].CapacityFor(counts[r] - 1);
    grows = grows || room[r] != m_rings[r].capacity;
  }
  // Rings with room enough stay where they are, laid out by an earlier load or not.
  if (!grows) return;
  if (FastPaths::enabled && m_ringCount > 1) {
    ring_storage::LayOut(m_rings, room.data(), m_ringCount);
  } else {
    for (int32_t r = 0; r < m_ringCount; ++r) m_rings[r].EnsureIndex(counts[r] - 1);
  }
}

void Figure::SetVertexCount(int32_t r, int32_t n) {
  Changed(r, std::min(n, m_counts[r]));
  m_counts[r] = n;
}

void Figure::SetHole(int32_t r, bool isHole) {
  Changed(r, 0);
  m_holes[r] = isHole ? 1 : 0;
}

void Figure::Clear() {
  ForgetMeasures();
  m_ringCount = 1;
  m_counts[0] = 0;
  m_holes[0] = 0;
}

bool Figure::StartRing(bool isHole) {
  if (m_ringCount >= m_length) return false;
  Changed(m_ringCount, 0);
  ++m_ringCount;
  m_counts[m_ringCount - 1] = 0;
  m_holes[m_ringCount - 1] = isHole ? 1 : 0;
  return true;
}

void Figure::Set(int32_t r, int32_t i, const Point3& p) {
  Changed(r, i);
  Ring& ring = m_rings[r];
  ring.EnsureIndex(i);
  ring.x[i] = p.x;
  ring.y[i] = p.y;
  ring.z[i] = p.z;
}

void Figure::Set(int32_t r, int32_t i, const Point3& p, int32_t part) {
  Set(r, i, p);
  m_rings[r].part[i] = part;
}

void Figure::Append(int32_t r, const Point3& p, int32_t part) {
  Set(r, m_counts[r], p, part);
  ++m_counts[r];
}

void Figure::Insert(int32_t r, int32_t i, const Point3& p) {
  Changed(r, i);
  Ring& ring = m_rings[r];
  const int32_t count = m_counts[r];
  ring.EnsureIndex(count);
  for (int32_t j = count; j > i; --j) {
    ring.x[j] = ring.x[j - 1];
    ring.y[j] = ring.y[j - 1];
    ring.z[j] = ring.z[j - 1];
    ring.part[j] = ring.part[j - 1];
  }
  ring.x[i] = p.x;
  ring.y[i] = p.y;
  ring.z[i] = p.z;
  m_counts[r] = count + 1;
}

void Figure::Erase(int32_t r, int32_t i) {
  Ring& ring = m_rings[r];
  const int32_t count = m_counts[r];
  if (i >= count) return;
  Changed(r, i);
  ring.EnsureIndex(count - 1);
  for (int32_t j = i; j < count - 1; ++j) {
    ring.x[j] = ring.x[j + 1];
    ring.y[j] = ring.y[j + 1];
    ring.z[j] = ring.z[j + 1];
    ring.part[j] = ring.part[j + 1];
  }
  m_counts[r] = count - 1;
}

namespace {

// One term of each sum, written once so that the full and the continued sums are the
// same expressions.
inline double SegmentLength(const Ring& ring, int32_t a, int32_t b) {
  return std::hypot(ring.x[b] - ring.x[a], ring.y[b] - ring.y[a]);
}
inline double TrapezoidArea(const Ring& ring, int32_t a, int32_t b) {
  return (ring.y[b] + ring.y[a]) * (ring.x[b] - ring.x[a]) / 2;
}

}  // namespace

Figure::Measures Figure::OpenMeasures() const {
  const Ring& ring = m_rings[0];
  const int32_t n = std::min(m_counts[0], ring.capacity);
  RunningSums& sums = m_openSums;
  if (sums.index > std::max(n - 1, 0)) sums = RunningSums{};  // cannot happen: every mutator resets
  double length = sums.length;
  for (int32_t i = sums.index; i + 1 < n; ++i) length += SegmentLength(ring, i, i + 1);
  sums.length = length;
  sums.index = std::max(n - 1, sums.index);
  Measures m;
  m.length = std::fabs(length);
  return m;
}

Figure::Measures Figure::ClosedMeasures() const {
  RunningSums& sums = m_closedSums;
  if (sums.ring >= m_ringCount || sums.index > std::max(std::min(m_counts[sums.ring], m_rings[sums.ring].capacity) - 1, 0))
    sums = RunningSums{};  // the second cannot happen: every mutator resets
  double area = sums.area, length = sums.length;
  for (int32_t r = sums.ring; r < m_ringCount; ++r) {
    const Ring& ring = m_rings[r];
    const int32_t n = std::min(m_counts[r], ring.capacity);
    const bool last = r == m_ringCount - 1;
    if (n < 2) {
      if (last) sums = {r, 0, area, length};
      continue;
    }
    for (int32_t i = r == sums.ring ? sums.index : 0; i + 1 < n; ++i) {
      length += SegmentLength(ring, i, i + 1);
      area += TrapezoidArea(ring, i, i + 1);
    }
    // The closing segment changes with every vertex added, so the sums kept stop before it.
    if (last) sums = {r, n - 1, area, length};
    length += SegmentLength(ring, n - 1, 0);
    area += TrapezoidArea(ring, n - 1, 0);
  }
  Measures m;
  m.area = std::fabs(area);
  m.length = std::fabs(length);
  return m;
}
