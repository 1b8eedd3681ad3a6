#include "editcore/ring.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "editcore/fast_paths.h"

Ring::Ring()
    : capacity(kGrowStep),
      x(new double[kGrowStep]()),
      y(new double[kGrowStep]()),
      z(new double[kGrowStep]()),
      part(new int32_t[kGrowStep]()) {
  // Slots start at zero so nothing is ever read undefined; on top of that the first
  // 20 bytes of part carry the byte value 1, the fill that a fresh ring has always had.
  std::memset(part, 1, 20);
}

Ring::~Ring() {
  delete[] x;
  delete[] y;
  delete[] z;
  delete[] part;
}

void Ring::EnsureIndex(int32_t i) {
  if (i < capacity) return;
  int32_t grown = capacity + kGrowStep * ((i - capacity + kGrowStep) / kGrowStep);
  // Large rings grow by half as much again at least: a ring that grows one click at a
  // time is then copied a bounded number of times per vertex, not once per 20 vertices.
  if (FastPaths::enabled && capacity >= kGeometricFrom) {
    grown = static_cast<int32_t>(std::clamp<int64_t>(int64_t{capacity} + capacity / 2, grown, INT32_MAX));
  }
  // Only the new slots are zeroed: the rest is overwritten by the copy at once.
  const size_t kept = static_cast<size_t>(capacity), added = static_cast<size_t>(grown - capacity);
  double* nx = new double[grown];
  double* ny = new double[grown];
  double* nz = new double[grown];
  int32_t* np = new int32_t[grown];
  std::memcpy(nx, x, sizeof(double) * kept);
  std::memcpy(ny, y, sizeof(double) * kept);
  std::memcpy(nz, z, sizeof(double) * kept);
  std::memcpy(np, part, sizeof(int32_t) * kept);
  std::memset(nx + kept, 0, sizeof(double) * added);
  std::memset(ny + kept, 0, sizeof(double) * added);
  std::memset(nz + kept, 0, sizeof(double) * added);
  std::memset(np + kept, 0, sizeof(int32_t) * added);
  delete[] x;
  delete[] y;
  delete[] z;
  delete[] part;
  x = nx;
  y = ny;
  z = nz;
  part = np;
  capacity = grown;
}
