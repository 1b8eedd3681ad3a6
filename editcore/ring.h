// Ring: one vertex list of a figure (the polyline, a perimeter or hole, or the point).
#pragma once

#include <cstdint>

struct Ring {
  int32_t capacity;
  double* x;
  double* y;
  double* z;
  int32_t* part;

  Ring();
  ~Ring();
  Ring(const Ring&) = delete;
  Ring& operator=(const Ring&) = delete;

  // Grows the arrays so that index i is valid; a Ring never shrinks.
  void EnsureIndex(int32_t i);

  static constexpr int32_t kGrowStep = 20;
  static constexpr int32_t kGeometricFrom = 1000;  // capacity from which growth is geometric
};
