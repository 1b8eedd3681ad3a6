// Ring: one vertex list of a figure (the polyline, a perimeter or hole, or the point).
#pragma once

#include <cstddef>
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
  // The capacity EnsureIndex(i) leaves the ring with.
  int32_t CapacityFor(int32_t i) const;

  static constexpr int32_t kGrowStep = 20;
  static constexpr int32_t kGeometricFrom = 1000;  // capacity from which growth is geometric
};

// The storage of ring arrays. An array is either a block of its own or a share of one
// block laid out for many rings, every ring's x next to the next ring's x: a loop over
// all rings then streams through memory as it does for one ring, instead of hopping
// over the other coordinates of each ring. Either kind is given back with Release,
// which frees a shared block with the last of its arrays.
namespace ring_storage {

double* NewDoubles(int32_t n);  // not zeroed
int32_t* NewInts(int32_t n);    // not zeroed
void Release(void* array);      // null is ignored

struct Releaser {
  void operator()(void* array) const { Release(array); }
};

// Moves rings [0, count) of `rings` into one shared block, ring r with room for
// capacities[r] (never less than it has): the vertices and every slot keep their
// values, new slots are zero, as EnsureIndex leaves them.
void LayOut(Ring* rings, const int32_t* capacities, int32_t count);

}  // namespace ring_storage
