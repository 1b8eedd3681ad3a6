// Figure: the rings of the figure being edited (the polyline, the perimeters and holes
// of a polygon, or the point), with each ring's vertex count and hole flag. The ring
// array has a fixed length; rings beyond the count keep their storage and whatever an
// earlier figure left in it, which the editor clears as it takes a ring into use.
#pragma once

#include <cstdint>

#include "editcore/point.h"
#include "editcore/ring.h"

class Figure {
 public:
  explicit Figure(int32_t ringArrayLength);
  ~Figure();
  Figure(const Figure&) = delete;
  Figure& operator=(const Figure&) = delete;

  // The length of the ring array: how many rings the figure can hold.
  int32_t RingArrayLength() const { return m_length; }
  // Drops every vertex and makes an array of n rings; the count is cut to fit.
  void SetRingArrayLength(int32_t n);

  int32_t RingCount() const { return m_ringCount; }
  int32_t LastRing() const { return m_ringCount - 1; }
  // Takes rings [0, n) into use as they are (a loaded polygon writes each of them).
  void SetRingCount(int32_t n);
  // One empty perimeter: the figure of a new edit.
  void Clear();
  // Opens an empty ring after the last one; false when the array is full.
  bool StartRing(bool isHole);

  int32_t VertexCount(int32_t r) const { return m_counts[r]; }
  void SetVertexCount(int32_t r, int32_t n);
  bool IsHole(int32_t r) const { return m_holes[r] != 0; }
  void SetHole(int32_t r, bool isHole);

  // The ring whose vertex a press picked, split or is dragging.
  int32_t CurrentRing() const { return m_currentRing; }
  void SetCurrentRing(int32_t r) { m_currentRing = r; }

  Point3 At(int32_t r, int32_t i) const { return {m_rings[r].x[i], m_rings[r].y[i], m_rings[r].z[i]}; }
  int32_t PartAt(int32_t r, int32_t i) const { return m_rings[r].part[i]; }
  // Writes vertex i of ring r, growing the ring's storage when it lies beyond it.
  void Set(int32_t r, int32_t i, const Point3& p);
  void Set(int32_t r, int32_t i, const Point3& p, int32_t part);
  // Adds a vertex after the last of ring r.
  void Append(int32_t r, const Point3& p, int32_t part);
  // Shifts vertices i.. of ring r up by one and puts p at i; the new vertex keeps the
  // part of the one it was put before.
  void Insert(int32_t r, int32_t i, const Point3& p);
  // Removes vertex i of ring r; an index past the last vertex changes nothing.
  void Erase(int32_t r, int32_t i);

  // The ring's arrays, for the loops that run over every vertex: they stay valid until
  // the ring grows (Set, Append, Insert or Grow beyond its room). Whoever takes them
  // writable may write any vertex, so the measures are computed afresh afterwards;
  // loops that only read use the const forms.
  Ring& Vertices(int32_t r) {
    ForgetMeasures();
    return m_rings[r];
  }
  const Ring& Vertices(int32_t r) const { return m_rings[r]; }
  double* Xs(int32_t r) {
    ForgetMeasures();
    return m_rings[r].x;
  }
  double* Ys(int32_t r) {
    ForgetMeasures();
    return m_rings[r].y;
  }
  double* Zs(int32_t r) {
    ForgetMeasures();
    return m_rings[r].z;
  }
  const double* Xs(int32_t r) const { return m_rings[r].x; }
  const double* Ys(int32_t r) const { return m_rings[r].y; }
  const double* Zs(int32_t r) const { return m_rings[r].z; }
  const int32_t* Parts(int32_t r) const { return m_rings[r].part; }
  // How many vertices ring r has room for without growing.
  int32_t Room(int32_t r) const { return m_rings[r].capacity; }
  // Only the room grows: the vertices stay what they were.
  void Grow(int32_t r, int32_t index) { m_rings[r].EnsureIndex(index); }
  // Gives rings [0, RingCount()) room for counts[r] vertices each, as Grow would, laid
  // out side by side in memory so that loops over every ring run as over one ring.
  void GrowAll(const int32_t* counts);

  // The whole arrays, for the record writers that walk all rings at once.
  Ring* RingArray() {
    ForgetMeasures();
    return m_rings;
  }
  const Ring* RingArray() const { return m_rings; }
  const int32_t* VertexCounts() const { return m_counts; }

  struct Measures {
    double area = 0;
    double length = 0;
  };
  // Ring 0 as an open line: its length (area 0).
  Measures OpenMeasures() const;
  // Every ring closed: the sum of the rings' perimeters and of their signed areas,
  // each sum then taken as its magnitude.
  Measures ClosedMeasures() const;

 private:
  // The measures of the last computation as far as the figure has not changed since:
  // the running sums over every term before vertex `index` of ring `ring` (and, for the
  // closed measures, over all rings before it). A click that adds a vertex only adds
  // the new terms, summed in the same order as a full computation, so the result has
  // the very same bits; a change at or before that vertex starts the sums over.
  struct RunningSums {
    int32_t ring = 0;
    int32_t index = 0;
    double area = 0;
    double length = 0;
  };
  // Vertex i of ring r and everything after it may have changed.
  void Changed(int32_t r, int32_t i);
  void ForgetMeasures();

  void CreateStorage(int32_t n);
  void DestroyStorage();

  Ring* m_rings = nullptr;
  int32_t* m_counts = nullptr;
  uint8_t* m_holes = nullptr;
  int32_t m_length = 0;
  int32_t m_ringCount = 1;
  int32_t m_currentRing = 0;
  mutable RunningSums m_openSums;
  mutable RunningSums m_closedSums;
};
