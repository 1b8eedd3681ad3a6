#include "editcore/commit_blocks.h"

#include <algorithm>
#include <cstddef>

namespace {
// Pairs interleaved per chunk: small enough to stay in the cache on its way to the record.
constexpr int32_t kChunkVertices = 4096;
}  // namespace

RECORDADDR WriteRingPairs(Figure& figure, int32_t minCount, uint32_t total) {
  if (total == 0) return 0;
  const RECORDADDR block = RecordAlloc(static_cast<size_t>(total) * 2 * sizeof(double));
  if (!block) return 0;
  double chunk[2 * kChunkVertices];
  size_t offset = 0;
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    const int32_t count = figure.VertexCount(r);
    if (count < minCount) continue;
    Ring& ring = figure.Vertices(r);
    ring.EnsureIndex(count - 1);  // as reading each vertex would have grown it
    for (int32_t first = 0; first < count; first += kChunkVertices) {
      const int32_t n = std::min(kChunkVertices, count - first);
      for (int32_t i = 0; i < n; ++i) {
        chunk[2 * i] = ring.x[first + i];
        chunk[2 * i + 1] = ring.y[first + i];
      }
      RecordWrite(block, offset, chunk, static_cast<size_t>(n) * 2 * sizeof(double));
      offset += static_cast<size_t>(n) * 2 * sizeof(double);
    }
  }
  return block;
}

RECORDADDR WriteRingHeights(Figure& figure, int32_t minCount, uint32_t total) {
  if (total == 0) return 0;
  const RECORDADDR block = RecordAlloc(static_cast<size_t>(total) * sizeof(double));
  if (!block) return 0;
  size_t offset = 0;
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    const int32_t count = figure.VertexCount(r);
    if (count < minCount) continue;
    Ring& ring = figure.Vertices(r);
    ring.EnsureIndex(count - 1);
    RecordWrite(block, offset, ring.z, static_cast<size_t>(count) * sizeof(double));
    offset += static_cast<size_t>(count) * sizeof(double);
  }
  return block;
}
