#include "refhost/record_shape.h"

#include <algorithm>
#include <map>

#include "hostlink/ntt_record.h"

namespace {

// Counts beyond this are taken for garbage rather than figures.
constexpr uint32_t kMaxVertices = 1u << 22;
// A record is a header and a few fields; a larger size is garbage too.
constexpr uint32_t kMaxRecordSize = 4096;

bool ReadPoints(RECORDADDR xy, uint32_t first, uint32_t count, std::vector<WorldPoint>& out) {
  out.resize(count);
  if (count == 0) return true;
  return RecordRead(xy, static_cast<size_t>(first) * 16, out.data(), static_cast<size_t>(count) * 16);
}

// A block the record points to: where its address sits in the record, and its length.
struct Block {
  size_t field;
  size_t bytes;
};

// The blocks of a record, from the counts it holds; false when a count cannot be read
// or is out of all reason. Only pointer fields inside the record's size count.
bool RecordBlocks(RECORDADDR record, uint32_t size, uint32_t type, std::vector<Block>& blocks) {
  blocks.clear();
  auto within = [size](size_t field) { return field + 4 <= size; };
  if (type == ntt::kPolyline) {
    uint32_t n = 0, parts = 0;
    if (!RecordGet(record, ntt::kPlCount, n) || n > kMaxVertices) return false;
    if (within(ntt::kPlXY)) blocks.push_back({ntt::kPlXY, size_t{n} * 16});
    if (within(ntt::kPlZ)) blocks.push_back({ntt::kPlZ, size_t{n} * 8});
    if (within(ntt::kPlParts)) blocks.push_back({ntt::kPlParts, size_t{n} * 4});
    if (within(ntt::kPlPartFlags)) {
      if (!RecordGet(record, ntt::kPlPartCount, parts) || parts > kMaxVertices) return false;
      blocks.push_back({ntt::kPlPartFlags, size_t{parts} * 4});
    }
  } else if (type == ntt::kPolygon) {
    uint32_t total = 0, rings = 0;
    if (!RecordGet(record, ntt::kPgTotal, total) || total > kMaxVertices) return false;
    if (!RecordGet(record, ntt::kPgRingCount, rings) || rings > kMaxVertices) return false;
    if (within(ntt::kPgXY)) blocks.push_back({ntt::kPgXY, size_t{total} * 16});
    if (within(ntt::kPgRings)) blocks.push_back({ntt::kPgRings, size_t{rings} * ntt::kRingDescriptorSize});
    if (within(ntt::kPgZ)) blocks.push_back({ntt::kPgZ, size_t{total} * 8});
  }
  return true;
}

bool ReadHeader(RECORDADDR record, uint32_t& size, uint32_t& type) {
  if (!record || !RecordGet(record, ntt::kSize, size) || !RecordGet(record, ntt::kType, type)) return false;
  return size >= ntt::kHeaderSize && size <= kMaxRecordSize;
}

void ReadPolyline(RECORDADDR record, uint32_t size, RecordShape& shape) {
  uint32_t n = 0, xy = 0;
  uint8_t closed = 0;
  if (!RecordGet(record, ntt::kPlCount, n) || n > kMaxVertices || !RecordGet(record, ntt::kPlXY, xy) ||
      !RecordGet(record, ntt::kPlClosed, closed))
    return;
  std::vector<WorldPoint> all;
  if (!ReadPoints(xy, 0, n, all)) return;
  uint32_t partBlock = 0, partCount = 0, flagBlock = 0;
  const bool threeD = size > ntt::kPolylineSize2D;
  if (threeD && RecordGet(record, ntt::kPlParts, partBlock) && partBlock &&
      RecordGet(record, ntt::kPlPartCount, partCount) && partCount > 0 && partCount <= kMaxVertices) {
    std::vector<int32_t> partOf(n), flags(partCount, 0);
    if (n && !RecordRead(partBlock, 0, partOf.data(), size_t{n} * 4)) return;
    if (RecordGet(record, ntt::kPlPartFlags, flagBlock) && flagBlock)
      RecordRead(flagBlock, 0, flags.data(), size_t{partCount} * 4);
    // Part k holds the vertices numbered k, in block order, wherever they stand.
    std::map<int32_t, std::vector<WorldPoint>> parts;
    for (uint32_t i = 0; i < n; ++i)
      if (partOf[i] >= 1 && static_cast<uint32_t>(partOf[i]) <= partCount) parts[partOf[i]].push_back(all[i]);
    for (auto& [k, points] : parts) {
      shape.paths.push_back(std::move(points));
      shape.closed.push_back(flags[k - 1] == 1);
    }
    return;
  }
  shape.paths.push_back(std::move(all));
  shape.closed.push_back(closed != 0);
}

void ReadPolygon(RECORDADDR record, RecordShape& shape) {
  uint32_t total = 0, xy = 0, rings = 0, ringBlock = 0;
  int16_t fill = 0;
  if (!RecordGet(record, ntt::kPgTotal, total) || total > kMaxVertices || !RecordGet(record, ntt::kPgXY, xy) ||
      !RecordGet(record, ntt::kPgRingCount, rings) || rings > kMaxVertices ||
      !RecordGet(record, ntt::kPgRings, ringBlock) || !RecordGet(record, ntt::kPgFillStyle, fill))
    return;
  shape.fillStyle = fill;
  for (uint32_t r = 0; r < rings; ++r) {
    uint32_t first = 0, count = 0;
    if (!RecordGet(ringBlock, size_t{r} * ntt::kRingDescriptorSize, first) ||
        !RecordGet(ringBlock, size_t{r} * ntt::kRingDescriptorSize + 4, count))
      return;
    // A ring that reaches past the vertices the record counts is not drawn.
    if (first > total || count > total - first) continue;
    std::vector<WorldPoint> ring;
    if (!ReadPoints(xy, first, count, ring)) continue;
    shape.rings.push_back(std::move(ring));
  }
}

}  // namespace

std::vector<WorldPoint> RecordShape::Vertices() const {
  std::vector<WorldPoint> all(points);
  for (const auto& path : paths) all.insert(all.end(), path.begin(), path.end());
  for (const auto& ring : rings) all.insert(all.end(), ring.begin(), ring.end());
  return all;
}

bool ReadRecordShape(RECORDADDR record, RecordShape& shape) {
  shape = RecordShape();
  uint32_t size = 0, type = 0;
  if (!ReadHeader(record, size, type)) return false;
  switch (type) {
    case ntt::kPoint: {
      WorldPoint p;
      if (!RecordRead(record, ntt::kPointX, &p, sizeof(p))) return false;
      shape.points.push_back(p);
      break;
    }
    case ntt::kLine: {
      WorldPoint ends[2];
      if (!RecordRead(record, ntt::kLineX1, ends, sizeof(ends))) return false;
      shape.paths.push_back({ends[0], ends[1]});
      shape.closed.push_back(false);
      break;
    }
    case ntt::kPolyline:
      ReadPolyline(record, size, shape);
      break;
    case ntt::kPolygon:
      ReadPolygon(record, shape);
      break;
    default:
      return false;
  }
  shape.type = type;
  return true;
}

RECORDADDR CopyRecord(RECORDADDR record) {
  uint32_t size = 0, type = 0;
  if (!ReadHeader(record, size, type)) return 0;
  std::vector<Block> blocks;
  if (!RecordBlocks(record, size, type, blocks)) return 0;
  std::vector<unsigned char> bytes(size);
  if (!RecordRead(record, 0, bytes.data(), size)) return 0;
  RECORDADDR copy = RecordAlloc(size);
  if (!copy) return 0;
  // The copy's pointers start null, so a copy abandoned halfway frees only what it got.
  for (const Block& block : blocks) std::fill_n(bytes.begin() + block.field, 4, 0);
  RecordWrite(copy, 0, bytes.data(), size);
  for (const Block& block : blocks) {
    RECORDADDR from = 0;
    RecordGet(record, block.field, from);
    if (!from) continue;
    std::vector<unsigned char> data(block.bytes);
    RECORDADDR to = block.bytes ? RecordAlloc(block.bytes) : 0;
    if (block.bytes && (!to || !RecordRead(from, 0, data.data(), data.size()) ||
                        !RecordWrite(to, 0, data.data(), data.size()))) {
      if (to) RecordFree(to);
      FreeRecordCopy(copy);
      return 0;
    }
    RecordPut(copy, block.field, to);
  }
  return copy;
}

void FreeRecordCopy(RECORDADDR copy) {
  uint32_t size = 0, type = 0;
  if (!ReadHeader(copy, size, type)) return;
  std::vector<Block> blocks;
  if (RecordBlocks(copy, size, type, blocks))
    for (const Block& block : blocks) {
      RECORDADDR address = 0;
      if (RecordGet(copy, block.field, address) && address) RecordFree(address);
    }
  RecordFree(copy);
}
