#include "qarnview/figure_records.h"

#include <bit>
#include <cstring>
#include <vector>

#include "editcore/entity_reader.h"
#include "hostlink/ntt_record.h"
#include "platform/record_access.h"

static_assert(std::endian::native == std::endian::little, "records are little-endian like the host");

namespace qarnview {

namespace {

// Allocations of one record under construction; all are freed unless it is kept.
class RecordBuilder {
 public:
  RecordBuilder() = default;
  RecordBuilder(const RecordBuilder&) = delete;
  RecordBuilder& operator=(const RecordBuilder&) = delete;
  ~RecordBuilder() {
    for (RECORDADDR a : m_blocks) RecordFree(a);
  }

  RECORDADDR Alloc(size_t n) {
    RECORDADDR a = RecordAlloc(n);
    if (a) m_blocks.push_back(a);
    else m_failed = true;
    return a;
  }
  // A block holding a copy of the values; 0 for none, as the editor writes null blocks.
  template <typename T>
  RECORDADDR Block(const std::vector<T>& values) {
    if (values.empty()) return 0;
    RECORDADDR a = Alloc(values.size() * sizeof(T));
    if (a && !RecordWrite(a, 0, values.data(), values.size() * sizeof(T))) m_failed = true;
    return a;
  }
  template <typename T>
  void Put(RECORDADDR rec, size_t offset, T value) {
    if (!RecordPut<T>(rec, offset, value)) m_failed = true;
  }
  void Zero(RECORDADDR rec, size_t offset, size_t n) {
    const uint8_t zeros[64] = {};
    if (n > sizeof zeros || !RecordWrite(rec, offset, zeros, n)) m_failed = true;
  }
  bool Failed() const { return m_failed; }
  void Keep() { m_blocks.clear(); }

 private:
  std::vector<RECORDADDR> m_blocks;
  bool m_failed = false;
};

void WriteHeader(RecordBuilder& b, RECORDADDR rec, uint32_t size, uint32_t type) {
  b.Put<uint32_t>(rec, ntt::kSize, size);
  b.Put<uint32_t>(rec, ntt::kType, type);
  b.Put<uint32_t>(rec, ntt::kHostField8, 0);
  b.Put<uint16_t>(rec, ntt::kHostField12, 256);
  b.Put<uint32_t>(rec, ntt::kHostField14, 0);
  b.Put<uint16_t>(rec, ntt::kHostField18, 256);
  b.Put<uint32_t>(rec, ntt::kHostField20, 0);
}

RECORDADDR WritePolyline(RecordBuilder& b, const Figure& f) {
  // The editor allocates the 3D size whatever the dimension.
  RECORDADDR rec = b.Alloc(ntt::kPolylineSize3D);
  if (!rec) return 0;
  WriteHeader(b, rec, f.is3D ? ntt::kPolylineSize3D : ntt::kPolylineSize2D, ntt::kPolyline);
  std::vector<double> xy, z;
  std::vector<int32_t> parts;
  for (size_t k = 0; k < f.rings.size(); ++k) {
    for (const Vertex& v : f.rings[k].vertices) {
      xy.push_back(v.x);
      xy.push_back(v.y);
      if (f.is3D) {
        z.push_back(v.z);
        parts.push_back(static_cast<int32_t>(k + 1));
      }
    }
  }
  b.Put<uint8_t>(rec, ntt::kPlClosed, 0);
  b.Put<uint32_t>(rec, ntt::kPlCount, static_cast<uint32_t>(xy.size() / 2));
  b.Put<uint32_t>(rec, ntt::kPlXY, b.Block(xy));
  if (f.is3D) {
    // Parts are numbered in a row and none is empty, so each is one run of equal
    // part numbers: the count the editor derives from the runs.
    const uint32_t partCount = static_cast<uint32_t>(f.rings.size());
    b.Put<uint32_t>(rec, ntt::kPlZ, b.Block(z));
    b.Put<uint32_t>(rec, ntt::kPlParts, b.Block(parts));
    b.Put<uint32_t>(rec, ntt::kPlPartCount, partCount);
    b.Put<uint32_t>(rec, ntt::kPlPartFlags, b.Block(std::vector<int32_t>(partCount, 0)));
  } else {
    b.Put<uint32_t>(rec, ntt::kPlZ, 0);
    b.Put<uint32_t>(rec, ntt::kPlParts, 0);
    b.Put<uint32_t>(rec, ntt::kPlPartCount, 1);
    b.Put<uint32_t>(rec, ntt::kPlPartFlags, 0);
  }
  return rec;
}

RECORDADDR WritePolygon(RecordBuilder& b, const Figure& f) {
  RECORDADDR rec = b.Alloc(ntt::kPolygonSize3D);
  if (!rec) return 0;
  WriteHeader(b, rec, f.is3D ? ntt::kPolygonSize3D : ntt::kPolygonSize2D, ntt::kPolygon);
  b.Put<int16_t>(rec, ntt::kPgFillStyle, f.fillStyle);
  b.Put<uint8_t>(rec, ntt::kPgZeroByte, 0);
  b.Zero(rec, ntt::kPgUnwritten, 16);
  b.Zero(rec, ntt::kPgZeros40, 40);
  b.Zero(rec, ntt::kPgZeros16, 16);
  std::vector<double> xy, z;
  std::vector<uint8_t> descriptors;
  uint32_t total = 0;
  for (const FigureRing& ring : f.rings) {
    const uint32_t n = static_cast<uint32_t>(ring.vertices.size());
    const int16_t kind = ring.hole ? ntt::kHole : ntt::kPerimeter;
    uint8_t d[ntt::kRingDescriptorSize];
    std::memcpy(d, &total, 4);
    std::memcpy(d + 4, &n, 4);
    std::memcpy(d + 8, &kind, 2);
    descriptors.insert(descriptors.end(), d, d + sizeof d);
    for (const Vertex& v : ring.vertices) {
      xy.push_back(v.x);
      xy.push_back(v.y);
      if (f.is3D) z.push_back(v.z);
    }
    total += n;
  }
  b.Put<uint32_t>(rec, ntt::kPgTotal, total);
  b.Put<uint32_t>(rec, ntt::kPgXY, b.Block(xy));
  b.Put<uint32_t>(rec, ntt::kPgRingCount, static_cast<uint32_t>(f.rings.size()));
  b.Put<uint32_t>(rec, ntt::kPgRings, b.Block(descriptors));
  b.Put<uint32_t>(rec, ntt::kPgZ, f.is3D ? b.Block(z) : 0);
  return rec;
}

RECORDADDR WritePoint(RecordBuilder& b, const Figure& f) {
  RECORDADDR rec = b.Alloc(ntt::kPointSize3D);
  if (!rec) return 0;
  WriteHeader(b, rec, f.is3D ? ntt::kPointSize3D : ntt::kPointSize2D, ntt::kPoint);
  const Vertex& v = f.rings[0].vertices[0];
  b.Put<double>(rec, ntt::kPointX, v.x);
  b.Put<double>(rec, ntt::kPointY, v.y);
  b.Put<double>(rec, ntt::kPointZ, f.is3D ? v.z : 0.0);
  return rec;
}

// One vertex of a record as the editor's ring holds it.
struct Slot {
  Vertex v;
  int32_t part = 1;
};

// `count` vertices from index `first` of the record's blocks; with parts, the part
// numbers come from the part block, otherwise they are 1.
std::vector<Slot> ReadSlots(const entity::Fields& f, uint32_t first, uint32_t count, bool withParts) {
  std::vector<Slot> slots(count);
  entity::ForEachElement<entity::XY>(f.xyBlock, first, count, [&](size_t i, const entity::XY& p) {
    slots[i].v.x = p.x;
    slots[i].v.y = p.y;
  });
  if (f.is3D) {
    entity::ForEachElement<double>(f.zBlock, first, count, [&](size_t i, double z) { slots[i].v.z = z; });
    if (withParts)
      entity::ForEachElement<int32_t>(f.partBlock, first, count, [&](size_t i, int32_t p) { slots[i].part = p; });
  }
  return slots;
}

// The editor's ring after loading a polyline record.
std::vector<Slot> LoadPolyline(const entity::Fields& f) {
  std::vector<Slot> all = ReadSlots(f, 0, f.count, f.is3D);
  if (!f.is3D || f.partCount == 1) {
    if (f.closed && !all.empty()) all.push_back(all.front());
    return all;
  }
  // Several parts: part after part, each in block order, a closed one followed by a
  // copy of its first vertex; vertices of no part 1 .. parts are left out.
  std::vector<std::vector<Slot>> byPart(size_t{f.partCount} + 1);
  for (const Slot& s : all)
    if (s.part >= 1 && static_cast<uint32_t>(s.part) <= f.partCount) byPart[static_cast<size_t>(s.part)].push_back(s);
  std::vector<Slot> ring;
  ring.reserve(all.size());
  entity::ForEachElement<int32_t>(f.partFlagBlock, 0, f.partCount, [&](size_t index, int32_t flag) {
    const std::vector<Slot>& part = byPart[index + 1];
    ring.insert(ring.end(), part.begin(), part.end());
    if (flag == 1 && !part.empty()) ring.push_back(part.front());
  });
  return ring;
}

}  // namespace

std::string FigureToRecord(const Figure& figure, RECORDADDR& record) {
  record = 0;
  std::string problem = CheckFigure(figure);
  if (!problem.empty()) return problem;
  if (figure.kind == FigureKind::kPolyline && !figure.is3D && figure.rings.size() > 1)
    return "a 2D polyline of several parts has no record form; only 3D records keep part numbers";
  RecordBuilder b;
  RECORDADDR rec = 0;
  switch (figure.kind) {
    case FigureKind::kPolyline: rec = WritePolyline(b, figure); break;
    case FigureKind::kPolygon: rec = WritePolygon(b, figure); break;
    case FigureKind::kPoint: rec = WritePoint(b, figure); break;
  }
  if (!rec || b.Failed()) return "out of record memory";
  b.Keep();
  record = rec;
  return "";
}

std::string FigureFromRecord(RECORDADDR record, Figure& figure, uint32_t penColor) {
  entity::Fields f;
  if (!entity::Read(record, entity::Use::kLoad, static_cast<int32_t>(kMaxRecordRings), f))
    return "not a readable point, line, polyline or polygon record";
  Figure out;
  out.is3D = f.is3D;
  out.penColor = penColor;
  switch (f.type) {
    case ntt::kPoint:
      out.kind = FigureKind::kPoint;
      out.rings.push_back({{{f.px[0], f.py[0], f.pz[0]}}, false});
      break;
    case ntt::kLine:
      out.kind = FigureKind::kPolyline;
      out.rings.push_back({{{f.px[0], f.py[0], f.pz[0]}, {f.px[1], f.py[1], f.pz[1]}}, false});
      break;
    case ntt::kPolyline: {
      out.kind = FigureKind::kPolyline;
      // Parts are the runs of equal part numbers, as the editor counts them on saving.
      bool first = true;
      int32_t previous = 0;
      for (const Slot& s : LoadPolyline(f)) {
        if (first || s.part != previous) out.rings.emplace_back();
        out.rings.back().vertices.push_back(s.v);
        previous = s.part;
        first = false;
      }
      if (out.rings.empty()) return "the polyline record has no vertices";
      break;
    }
    case ntt::kPolygon: {
      out.kind = FigureKind::kPolygon;
      int16_t fill = 0;
      RecordGet(record, ntt::kPgFillStyle, fill);
      out.fillStyle = fill;
      for (uint32_t r = 0; r < f.ringCount; ++r) {
        entity::RingDescriptor d{};
        if (!entity::ReadRingDescriptor(f, r, d) || uint64_t{d.first} + d.count > f.count)
          return "a ring of the polygon record lies outside its vertices";
        if (d.count < 3) continue;
        FigureRing ring;
        ring.hole = d.kind == ntt::kHole;
        for (const Slot& s : ReadSlots(f, d.first, d.count, false)) ring.vertices.push_back(s.v);
        out.rings.push_back(std::move(ring));
      }
      if (out.rings.empty()) return "the polygon record has no ring of 3 or more vertices";
      break;
    }
    default: return "not a point, line, polyline or polygon record";
  }
  std::string problem = CheckFigure(out);
  if (!problem.empty()) return "the record cannot be a figure: " + problem;
  figure = std::move(out);
  return "";
}

void ReleaseRecord(RECORDADDR record) {
  if (!record) return;
  uint32_t type = 0;
  if (!RecordGet(record, ntt::kType, type)) return;
  auto freeBlockAt = [record](size_t offset) {
    RECORDADDR block = 0;
    if (RecordGet(record, offset, block) && block) RecordFree(block);
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
  RecordFree(record);
}

}  // namespace qarnview
