// Saving the figure as an entity record, releasing it, and the test that decides
// whether the figure may be saved.
#include <bit>
#include <cstring>
#include <vector>

#include "editcore/commit_blocks.h"
#include "editcore/edit_controller.h"
#include "editcore/fast_paths.h"
#include "hostlink/ntt_record.h"

static_assert(std::endian::native == std::endian::little, "records are little-endian like the host");

namespace {

void WriteHeader(RECORDADDR rec, uint32_t size, uint32_t type) {
  RecordPut<uint32_t>(rec, ntt::kSize, size);
  RecordPut<uint32_t>(rec, ntt::kType, type);
  RecordPut<uint32_t>(rec, ntt::kHostField8, 0);
  RecordPut<uint16_t>(rec, ntt::kHostField12, 256);
  RecordPut<uint32_t>(rec, ntt::kHostField14, 0);
  RecordPut<uint16_t>(rec, ntt::kHostField18, 256);
  RecordPut<uint32_t>(rec, ntt::kHostField20, 0);
}

// A block holding a copy of the given values; 0 for an empty one.
template <typename T>
RECORDADDR WriteBlock(const std::vector<T>& values) {
  if (values.empty()) return 0;
  RECORDADDR block = RecordAlloc(values.size() * sizeof(T));
  if (block) RecordWrite(block, 0, values.data(), values.size() * sizeof(T));
  return block;
}

}  // namespace

BOOL EditController::CanSave() const {
  if (m_figure.RingCount() < 1) return FALSE;
  bool allAcceptable = true;
  bool someVertex = false;
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    int32_t c = m_figure.VertexCount(r);
    bool acceptable;
    switch (m_mode) {
      case MODE_POLYLINE: acceptable = c == 0 || c >= 2; break;
      case MODE_POLYGON: acceptable = c == 0 || c >= 3; break;
      case MODE_POINT: acceptable = c >= 1; break;
      default: continue;
    }
    if (c > 0) someVertex = true;
    if (!acceptable) allAcceptable = false;
  }
  return allAcceptable && someVertex;
}

void EditController::CommitGeometry() {
  ReleaseDrawnNtt();
  switch (m_mode) {
    case MODE_POLYLINE: CommitPolyline(); break;
    case MODE_POLYGON: CommitPolygon(); break;
    case MODE_POINT: CommitPoint(); break;
    default: break;
  }
}

void EditController::CommitPolyline() {
  Ring& ring = m_figure.Vertices(0);
  const int32_t n = m_figure.VertexCount(0);
  RECORDADDR rec = RecordAlloc(ntt::kPolylineSize3D);
  if (!rec) return;
  WriteHeader(rec, m_is3D ? ntt::kPolylineSize3D : ntt::kPolylineSize2D, ntt::kPolyline);
  RecordPut<uint8_t>(rec, ntt::kPlClosed, 0);
  RecordPut<uint32_t>(rec, ntt::kPlCount, static_cast<uint32_t>(n));
  std::vector<double> xy;
  std::vector<double> z;
  std::vector<int32_t> parts;
  xy.reserve(2 * static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    ring.EnsureIndex(i);
    xy.push_back(ring.x[i]);
    xy.push_back(ring.y[i]);
    if (m_is3D) {
      z.push_back(ring.z[i]);
      parts.push_back(ring.part[i]);
    }
  }
  RecordPut<uint32_t>(rec, ntt::kPlXY, WriteBlock(xy));
  if (m_is3D) {
    uint32_t partCount = 0;
    int32_t previous = -1;
    for (int32_t p : parts) {
      if (p != previous) ++partCount;
      previous = p;
    }
    RecordPut<uint32_t>(rec, ntt::kPlZ, WriteBlock(z));
    RecordPut<uint32_t>(rec, ntt::kPlParts, WriteBlock(parts));
    RecordPut<uint32_t>(rec, ntt::kPlPartCount, partCount);
    RecordPut<uint32_t>(rec, ntt::kPlPartFlags, WriteBlock(std::vector<int32_t>(partCount, 0)));
  } else {
    RecordPut<uint32_t>(rec, ntt::kPlZ, 0);
    RecordPut<uint32_t>(rec, ntt::kPlParts, 0);
    RecordPut<uint32_t>(rec, ntt::kPlPartCount, 1);
    RecordPut<uint32_t>(rec, ntt::kPlPartFlags, 0);
  }
  m_pDrawnNtt = rec;
}

void EditController::CommitPolygon() {
  RECORDADDR rec = RecordAlloc(ntt::kPolygonSize3D);
  if (!rec) return;
  WriteHeader(rec, m_is3D ? ntt::kPolygonSize3D : ntt::kPolygonSize2D, ntt::kPolygon);
  RecordPut<int16_t>(rec, ntt::kPgFillStyle, m_pSite->FillStyle());
  RecordPut<uint8_t>(rec, ntt::kPgZeroByte, 0);
  const uint8_t zeros[40] = {};
  RecordWrite(rec, ntt::kPgUnwritten, zeros, 16);  // the host's bytes: left zero
  RecordWrite(rec, ntt::kPgZeros40, zeros, 40);
  RecordWrite(rec, ntt::kPgZeros16, zeros, 16);

  std::vector<double> xy;
  std::vector<double> z;
  std::vector<uint8_t> descriptors;
  uint32_t total = 0;
  uint32_t written = 0;
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    const int32_t count = m_figure.VertexCount(r);
    if (count < 3) continue;
    Ring& ring = m_figure.Vertices(r);
    uint8_t descriptor[ntt::kRingDescriptorSize];
    const uint32_t first = total;
    const uint32_t n = static_cast<uint32_t>(count);
    const int16_t kind = m_figure.IsHole(r) ? ntt::kHole : ntt::kPerimeter;
    std::memcpy(descriptor, &first, 4);
    std::memcpy(descriptor + 4, &n, 4);
    std::memcpy(descriptor + 8, &kind, 2);
    descriptors.insert(descriptors.end(), descriptor, descriptor + sizeof(descriptor));
    // The fast path writes the vertices below, straight from the rings.
    if (FastPaths::enabled) {
      total += n;
      ++written;
      continue;
    }
    for (int32_t i = 0; i < count; ++i) {
      ring.EnsureIndex(i);
      xy.push_back(ring.x[i]);
      xy.push_back(ring.y[i]);
      if (m_is3D) z.push_back(ring.z[i]);
    }
    total += n;
    ++written;
  }
  // Blocks are allocated in the same order either way: their addresses are in the record.
  const bool direct = FastPaths::enabled;
  RecordPut<uint32_t>(rec, ntt::kPgTotal, total);
  RecordPut<uint32_t>(rec, ntt::kPgXY,
                      direct ? WriteRingPairs(m_figure, 3, total) : WriteBlock(xy));
  RecordPut<uint32_t>(rec, ntt::kPgRingCount, written < 1 ? 1 : written);
  RecordPut<uint32_t>(rec, ntt::kPgRings, WriteBlock(descriptors));
  const RECORDADDR zBlock =
      !m_is3D ? 0 : direct ? WriteRingHeights(m_figure, 3, total) : WriteBlock(z);
  RecordPut<uint32_t>(rec, ntt::kPgZ, zBlock);
  m_pDrawnNtt = rec;
}

void EditController::CommitPoint() {
  Ring& ring = m_figure.Vertices(0);
  RECORDADDR rec = RecordAlloc(ntt::kPointSize3D);
  if (!rec) return;
  WriteHeader(rec, m_is3D ? ntt::kPointSize3D : ntt::kPointSize2D, ntt::kPoint);
  ring.EnsureIndex(0);
  RecordPut<double>(rec, ntt::kPointX, ring.x[0]);
  RecordPut<double>(rec, ntt::kPointY, ring.y[0]);
  RecordPut<double>(rec, ntt::kPointZ, m_is3D ? ring.z[0] : 0.0);
  m_pDrawnNtt = rec;
}

void EditController::ReleaseDrawnNtt() {
  if (!m_pDrawnNtt) return;
  const RECORDADDR rec = m_pDrawnNtt;
  uint32_t type = 0;
  RecordGet(rec, ntt::kType, type);
  auto freeBlockAt = [rec](size_t offset) {
    uint32_t block = 0;
    if (RecordGet(rec, offset, block) && block) RecordFree(block);
  };
  if (type == ntt::kPolyline) {
    freeBlockAt(ntt::kPlXY);
    freeBlockAt(ntt::kPlZ);
    freeBlockAt(ntt::kPlParts);
    freeBlockAt(ntt::kPlPartFlags);
  } else if (type == ntt::kPolygon) {
    freeBlockAt(ntt::kPgXY);
    freeBlockAt(ntt::kPgZ);
    freeBlockAt(ntt::kPgRings);
  }
  RecordFree(rec);
  m_pDrawnNtt = 0;
}
