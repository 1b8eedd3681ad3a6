#include "editcore/figure.h"

#include <algorithm>
#include <cmath>

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
  DestroyStorage();
  CreateStorage(n);
  // The vertex data are gone; a running edit goes on with empty rings that fit.
  if (m_ringCount > n) m_ringCount = n;
}

void Figure::Clear() {
  m_ringCount = 1;
  m_counts[0] = 0;
  m_holes[0] = 0;
}

bool Figure::StartRing(bool isHole) {
  if (m_ringCount >= m_length) return false;
  ++m_ringCount;
  m_counts[m_ringCount - 1] = 0;
  m_holes[m_ringCount - 1] = isHole ? 1 : 0;
  return true;
}

void Figure::Set(int32_t r, int32_t i, const Point3& p) {
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
  ring.EnsureIndex(count - 1);
  for (int32_t j = i; j < count - 1; ++j) {
    ring.x[j] = ring.x[j + 1];
    ring.y[j] = ring.y[j + 1];
    ring.z[j] = ring.z[j + 1];
    ring.part[j] = ring.part[j + 1];
  }
  m_counts[r] = count - 1;
}

Figure::Measures Figure::OpenMeasures() const {
  Measures m;
  const Ring& ring = m_rings[0];
  const int32_t n = std::min(m_counts[0], ring.capacity);
  for (int32_t i = 0; i + 1 < n; ++i) m.length += std::hypot(ring.x[i + 1] - ring.x[i], ring.y[i + 1] - ring.y[i]);
  m.length = std::fabs(m.length);
  return m;
}

Figure::Measures Figure::ClosedMeasures() const {
  Measures m;
  for (int32_t r = 0; r < m_ringCount; ++r) {
    const Ring& ring = m_rings[r];
    const int32_t n = std::min(m_counts[r], ring.capacity);
    if (n < 2) continue;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t b = (i + 1 < n) ? i + 1 : 0;
      m.length += std::hypot(ring.x[b] - ring.x[i], ring.y[b] - ring.y[i]);
      m.area += (ring.y[b] + ring.y[i]) * (ring.x[b] - ring.x[i]) / 2;
    }
  }
  m.area = std::fabs(m.area);
  m.length = std::fabs(m.length);
  return m;
}
