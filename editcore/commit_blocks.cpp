#include "editcore/commit_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {

struct BlockSource {
  const Figure* figure;
  int32_t minCount;
  size_t total;  // vertices the block has room for: never written past, the rest zero
};

// The rings go straight into the fresh block, which nobody has zeroed: one pass over the
// vertices, the only write of every byte.
void FillPairs(void* context, void* bytes) {
  const BlockSource& source = *static_cast<const BlockSource*>(context);
  double* out = static_cast<double*>(bytes);
  size_t left = source.total;
  for (int32_t r = 0; r < source.figure->RingCount() && left > 0; ++r) {
    const int32_t count = source.figure->VertexCount(r);
    if (count < source.minCount) continue;
    const Ring& ring = source.figure->Vertices(r);
    // The block is fresh memory: it overlaps no ring, which lets the loop run in wide moves.
    const double* __restrict x = ring.x;
    const double* __restrict y = ring.y;
    double* __restrict to = out;
    const size_t n = std::min(static_cast<size_t>(count), left);
    for (size_t i = 0; i < n; ++i) {
      to[2 * i] = x[i];
      to[2 * i + 1] = y[i];
    }
    out += 2 * n;
    left -= n;
  }
  std::memset(out, 0, left * 2 * sizeof(double));
}

void FillHeights(void* context, void* bytes) {
  const BlockSource& source = *static_cast<const BlockSource*>(context);
  double* out = static_cast<double*>(bytes);
  size_t left = source.total;
  for (int32_t r = 0; r < source.figure->RingCount() && left > 0; ++r) {
    const int32_t count = source.figure->VertexCount(r);
    if (count < source.minCount) continue;
    const size_t n = std::min(static_cast<size_t>(count), left);
    std::memcpy(out, source.figure->Vertices(r).z, n * sizeof(double));
    out += n;
    left -= n;
  }
  std::memset(out, 0, left * sizeof(double));
}

// Every ring written has room for its count, as reading each vertex would have grown it;
// only the room changes, never a vertex.
void GrowToCounts(Figure& figure, int32_t minCount) {
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    const int32_t count = figure.VertexCount(r);
    if (count >= minCount && count > 0) figure.Grow(r, count - 1);
  }
}

}  // namespace

RECORDADDR WriteRingPairs(Figure& figure, int32_t minCount, uint32_t total) {
  if (total == 0) return 0;
  GrowToCounts(figure, minCount);
  BlockSource source{&std::as_const(figure), minCount, total};
  return RecordAllocFilled(static_cast<size_t>(total) * 2 * sizeof(double), FillPairs, &source);
}

RECORDADDR WriteRingHeights(Figure& figure, int32_t minCount, uint32_t total) {
  if (total == 0) return 0;
  GrowToCounts(figure, minCount);
  BlockSource source{&std::as_const(figure), minCount, total};
  return RecordAllocFilled(static_cast<size_t>(total) * sizeof(double), FillHeights, &source);
}
