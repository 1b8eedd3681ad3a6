#include "editcore/ring.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "editcore/fast_paths.h"

namespace ring_storage {
namespace {

// In front of every array: the shared block it is a share of, or null for an array
// that is its own block. 16 bytes keep the array as aligned as the allocation.
struct Header {
  struct Shared* shared;
  uint64_t unused;
};
struct Shared {
  int64_t arrays;  // shares not yet released
  uint64_t unused;
};
static_assert(sizeof(Header) == 16 && sizeof(Shared) == 16);

// n elements of `size` bytes; a count whose bytes do not fit a size_t (a 32-bit process
// asked for 2^29 doubles) throws as new[] of that count would, instead of wrapping round
// to a small block.
void* NewArray(size_t n, size_t size) {
  if (n > (SIZE_MAX - sizeof(Header)) / size) throw std::bad_array_new_length();
  auto* h = static_cast<Header*>(::operator new(sizeof(Header) + n * size));
  h->shared = nullptr;
  return h + 1;
}

size_t Rounded(size_t bytes) { return (bytes + 15) & ~size_t{15}; }

}  // namespace

double* NewDoubles(int32_t n) { return static_cast<double*>(NewArray(static_cast<size_t>(n), sizeof(double))); }
int32_t* NewInts(int32_t n) { return static_cast<int32_t*>(NewArray(static_cast<size_t>(n), sizeof(int32_t))); }

void Release(void* array) {
  if (!array) return;
  Header* h = static_cast<Header*>(array) - 1;
  if (!h->shared) {
    ::operator delete(h);
  } else if (--h->shared->arrays == 0) {
    ::operator delete(h->shared);
  }
}

void LayOut(Ring* rings, const int32_t* capacities, int32_t count) {
  size_t bytes = sizeof(Shared);
  for (int32_t r = 0; r < count; ++r) {
    const size_t n = static_cast<size_t>(std::max(capacities[r], rings[r].capacity));
    bytes += 3 * (sizeof(Header) + Rounded(sizeof(double) * n)) + sizeof(Header) + Rounded(sizeof(int32_t) * n);
  }
  auto* shared = static_cast<Shared*>(::operator new(bytes));
  shared->arrays = 4 * int64_t{count};
  char* at = reinterpret_cast<char*>(shared + 1);
  // One coordinate of every ring after the other; each array takes over the old one's
  // slots and zeroes the rest.
  auto carve = [&](auto*& array, int32_t old, int32_t n) {
    using T = std::remove_reference_t<decltype(*array)>;
    auto* h = reinterpret_cast<Header*>(at);
    h->shared = shared;
    T* fresh = reinterpret_cast<T*>(h + 1);
    std::memcpy(fresh, array, sizeof(T) * static_cast<size_t>(old));
    std::memset(fresh + old, 0, sizeof(T) * static_cast<size_t>(n - old));
    Release(array);
    array = fresh;
    at += sizeof(Header) + Rounded(sizeof(T) * static_cast<size_t>(n));
  };
  for (int32_t r = 0; r < count; ++r) carve(rings[r].x, rings[r].capacity, std::max(capacities[r], rings[r].capacity));
  for (int32_t r = 0; r < count; ++r) carve(rings[r].y, rings[r].capacity, std::max(capacities[r], rings[r].capacity));
  for (int32_t r = 0; r < count; ++r) carve(rings[r].z, rings[r].capacity, std::max(capacities[r], rings[r].capacity));
  for (int32_t r = 0; r < count; ++r) {
    const int32_t n = std::max(capacities[r], rings[r].capacity);
    carve(rings[r].part, rings[r].capacity, n);
    rings[r].capacity = n;
  }
}

}  // namespace ring_storage

Ring::Ring()
    : capacity(kGrowStep),
      x(ring_storage::NewDoubles(kGrowStep)),
      y(ring_storage::NewDoubles(kGrowStep)),
      z(ring_storage::NewDoubles(kGrowStep)),
      part(ring_storage::NewInts(kGrowStep)) {
  // Slots start at zero so nothing is ever read undefined; on top of that the first
  // 20 bytes of part carry the byte value 1, the fill that a fresh ring has always had.
  std::memset(x, 0, sizeof(double) * kGrowStep);
  std::memset(y, 0, sizeof(double) * kGrowStep);
  std::memset(z, 0, sizeof(double) * kGrowStep);
  std::memset(part, 0, sizeof(int32_t) * kGrowStep);
  std::memset(part, 1, 20);
}

Ring::~Ring() {
  ring_storage::Release(x);
  ring_storage::Release(y);
  ring_storage::Release(z);
  ring_storage::Release(part);
}

int32_t Ring::CapacityFor(int32_t i) const {
  if (i < capacity) return capacity;
  int32_t grown = capacity + kGrowStep * ((i - capacity + kGrowStep) / kGrowStep);
  // Large rings grow by half as much again at least: a ring that grows one click at a
  // time is then copied a bounded number of times per vertex, not once per 20 vertices.
  if (FastPaths::enabled && capacity >= kGeometricFrom) {
    grown = static_cast<int32_t>(std::clamp<int64_t>(int64_t{capacity} + capacity / 2, grown, INT32_MAX));
  }
  return grown;
}

void Ring::EnsureIndex(int32_t i) {
  if (i < capacity) return;
  const int32_t grown = CapacityFor(i);
  // Only the new slots are zeroed: the rest is overwritten by the copy at once.
  const size_t kept = static_cast<size_t>(capacity), added = static_cast<size_t>(grown - capacity);
  double* nx = ring_storage::NewDoubles(grown);
  double* ny = ring_storage::NewDoubles(grown);
  double* nz = ring_storage::NewDoubles(grown);
  int32_t* np = ring_storage::NewInts(grown);
  std::memcpy(nx, x, sizeof(double) * kept);
  std::memcpy(ny, y, sizeof(double) * kept);
  std::memcpy(nz, z, sizeof(double) * kept);
  std::memcpy(np, part, sizeof(int32_t) * kept);
  std::memset(nx + kept, 0, sizeof(double) * added);
  std::memset(ny + kept, 0, sizeof(double) * added);
  std::memset(nz + kept, 0, sizeof(double) * added);
  std::memset(np + kept, 0, sizeof(int32_t) * added);
  ring_storage::Release(x);
  ring_storage::Release(y);
  ring_storage::Release(z);
  ring_storage::Release(part);
  x = nx;
  y = ny;
  z = nz;
  part = np;
  capacity = grown;
}
