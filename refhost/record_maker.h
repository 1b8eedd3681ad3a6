// Entity records made in record memory the way a host lays them out, for the tests,
// the stress harness and the benchmarks. Every block made here is freed when the maker
// goes away.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hostlink/ntt_record.h"
#include "platform/record_memory.h"

class RecordMaker {
 public:
  RecordMaker() = default;
  RecordMaker(const RecordMaker&) = delete;
  RecordMaker& operator=(const RecordMaker&) = delete;
  ~RecordMaker() {
    for (uint32_t a : m_blocks) QarnRecordMemory().Free(a);
  }

  // A block holding exactly these bytes.
  uint32_t Block(const std::vector<uint8_t>& bytes) {
    uint32_t a = QarnRecordMemory().Alloc(bytes.size());
    if (a && !bytes.empty()) QarnRecordMemory().Write(a, bytes.data(), bytes.size());
    m_blocks.push_back(a);
    return a;
  }
  template <typename T>
  uint32_t Array(const std::vector<T>& values) {
    if (values.empty()) return 0;
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return Block(bytes);
  }

  // Record bytes: the header with the given size and type, `allocated` bytes in all.
  static std::vector<uint8_t> Header(size_t allocated, uint32_t size, uint32_t type) {
    std::vector<uint8_t> r(allocated, 0);
    Put<uint32_t>(r, ntt::kSize, size);
    Put<uint32_t>(r, ntt::kType, type);
    return r;
  }
  // Writes a field when it lies inside the bytes (a cut record keeps what fits).
  template <typename T>
  static void Put(std::vector<uint8_t>& r, size_t offset, T v) {
    if (offset + sizeof(T) <= r.size()) std::memcpy(r.data() + offset, &v, sizeof(T));
  }

  uint32_t Point(double x, double y) {
    auto r = Header(ntt::kPointSize2D, ntt::kPointSize2D, ntt::kPoint);
    Put(r, ntt::kPointX, x);
    Put(r, ntt::kPointY, y);
    return Block(r);
  }
  uint32_t Point3D(double x, double y, double z) {
    auto r = Header(ntt::kPointSize3D, ntt::kPointSize3D, ntt::kPoint);
    Put(r, ntt::kPointX, x);
    Put(r, ntt::kPointY, y);
    Put(r, ntt::kPointZ, z);
    return Block(r);
  }
  uint32_t Line3D(double x1, double y1, double z1, double x2, double y2, double z2) {
    auto r = Header(ntt::kLineSize3D, ntt::kLineSize3D, ntt::kLine);
    Put(r, ntt::kLineX1, x1);
    Put(r, ntt::kLineY1, y1);
    Put(r, ntt::kLineX2, x2);
    Put(r, ntt::kLineY2, y2);
    Put(r, ntt::kLineZ1, z1);
    Put(r, ntt::kLineZ2, z2);
    return Block(r);
  }

  struct Polyline {
    // Fields in record order, so tables can list them.
    Polyline(std::vector<double> xy_ = {}, bool closed_ = false, bool is3D_ = false, std::vector<double> z_ = {},
             std::vector<int32_t> parts_ = {}, uint32_t partCount_ = 1, std::vector<int32_t> flags_ = {})
        : xy(std::move(xy_)),
          closed(closed_),
          is3D(is3D_),
          z(std::move(z_)),
          parts(std::move(parts_)),
          partCount(partCount_),
          flags(std::move(flags_)) {}
    std::vector<double> xy;  // x, y, x, y, ...
    bool closed;
    bool is3D;
    std::vector<double> z;
    std::vector<int32_t> parts;
    uint32_t partCount;
    std::vector<int32_t> flags;
    int64_t countOverride = -1;  // n written instead of xy.size() / 2 when not -1
  };
  uint32_t PolylineRecord(const Polyline& p) {
    const uint32_t size = p.is3D ? ntt::kPolylineSize3D : ntt::kPolylineSize2D;
    auto r = Header(ntt::kPolylineSize3D, size, ntt::kPolyline);
    Put<uint8_t>(r, ntt::kPlClosed, p.closed ? 1 : 0);
    Put<uint32_t>(r, ntt::kPlCount,
                  p.countOverride >= 0 ? static_cast<uint32_t>(p.countOverride) : static_cast<uint32_t>(p.xy.size() / 2));
    Put<uint32_t>(r, ntt::kPlXY, Array(p.xy));
    Put<uint32_t>(r, ntt::kPlZ, Array(p.z));
    Put<uint32_t>(r, ntt::kPlParts, Array(p.parts));
    Put<uint32_t>(r, ntt::kPlPartCount, p.partCount);
    Put<uint32_t>(r, ntt::kPlPartFlags, Array(p.flags));
    return Block(r);
  }

  struct Ring {
    uint32_t first;
    uint32_t count;
    int16_t kind;
  };
  static std::vector<uint8_t> Descriptors(const std::vector<Ring>& rings) {
    std::vector<uint8_t> d;
    for (const Ring& ring : rings) {
      uint8_t one[ntt::kRingDescriptorSize];
      std::memcpy(one, &ring.first, 4);
      std::memcpy(one + 4, &ring.count, 4);
      std::memcpy(one + 8, &ring.kind, 2);
      d.insert(d.end(), one, one + sizeof(one));
    }
    return d;
  }
  struct Polygon {
    std::vector<double> xy;
    std::vector<Ring> rings;
    bool is3D = false;
    std::vector<double> z;
    int64_t totalOverride = -1;
    int64_t ringCountOverride = -1;
  };
  uint32_t PolygonRecord(const Polygon& p) {
    const uint32_t size = p.is3D ? ntt::kPolygonSize3D : ntt::kPolygonSize2D;
    auto r = Header(ntt::kPolygonSize3D, size, ntt::kPolygon);
    Put<uint32_t>(r, ntt::kPgTotal,
                  p.totalOverride >= 0 ? static_cast<uint32_t>(p.totalOverride) : static_cast<uint32_t>(p.xy.size() / 2));
    Put<uint32_t>(r, ntt::kPgXY, Array(p.xy));
    Put<uint32_t>(r, ntt::kPgRingCount,
                  p.ringCountOverride >= 0 ? static_cast<uint32_t>(p.ringCountOverride)
                                           : static_cast<uint32_t>(p.rings.size()));
    Put<uint32_t>(r, ntt::kPgRings, p.rings.empty() ? 0 : Block(Descriptors(p.rings)));
    Put<uint32_t>(r, ntt::kPgZ, Array(p.z));
    return Block(r);
  }

 private:
  std::vector<uint32_t> m_blocks;
};

// Records that a container or a broken host may hand over; each must be refused before
// the editor registers anywhere or changes its mode. With forLoading, also those that
// only a load reads far enough to find broken (part fields, ring descriptors);
// ringArraySize is the most rings the reader has room for.
struct Hostile {
  std::string what;
  uint32_t record;
};

inline std::vector<Hostile> HostileRecords(RecordMaker& make, bool forLoading, uint32_t ringArraySize) {
  std::vector<Hostile> h;
  h.push_back({"null address", 0});
  h.push_back({"small integer", 12345});
  h.push_back({"unmapped address", 0x7F000000u});
  h.push_back({"header cut at 6 bytes", make.Block({40, 0, 0, 0, 1, 0})});
  h.push_back({"3D point whose Z lies past the block", make.Block(RecordMaker::Header(40, 48, ntt::kPoint))});
  h.push_back({"2D line cut before the second end", make.Block(RecordMaker::Header(48, 56, ntt::kLine))});
  h.push_back({"polyline cut before its XY pointer", make.Block(RecordMaker::Header(30, 33, ntt::kPolyline))});
  RecordMaker::Polyline p;
  p.xy = {0, 0, 1, 1, 2, 2};
  p.countOverride = 4;
  h.push_back({"polyline count beyond its XY block", make.PolylineRecord(p)});
  p.countOverride = 0xFFFFFFFF;
  h.push_back({"polyline count of 4 billion", make.PolylineRecord(p)});
  p.countOverride = 10'000'001;
  h.push_back({"polyline count past the cap", make.PolylineRecord(p)});
  p = {};
  p.countOverride = 3;
  h.push_back({"polyline without an XY block", make.PolylineRecord(p)});
  p = {{0, 0, 1, 1, 2, 2}, false, true, {1, 2}, {1, 1, 1}, 1, {0}};
  h.push_back({"3D polyline whose Z block is short", make.PolylineRecord(p)});
  RecordMaker::Polygon g;
  g.xy = {0, 0, 1, 0, 1, 1};
  g.rings = {{0, 3, 1}};
  g.totalOverride = 5;
  h.push_back({"polygon total beyond its XY block", make.PolygonRecord(g)});
  g.totalOverride = -1;
  g.is3D = true;
  g.z = {1, 2};
  h.push_back({"3D polygon whose Z block is short", make.PolygonRecord(g)});
  g.z = {};
  h.push_back({"3D polygon without a Z block", make.PolygonRecord(g)});
  h.push_back({"polygon record cut before its Z pointer",
               make.Block(RecordMaker::Header(100, 119, ntt::kPolygon))});
  if (!forLoading) return h;

  {
    auto r = RecordMaker::Header(40, 49, ntt::kPolyline);
    RecordMaker::Put<uint32_t>(r, ntt::kPlCount, 1);
    RecordMaker::Put<uint32_t>(r, ntt::kPlXY, make.Array<double>({1, 2}));
    RecordMaker::Put<uint32_t>(r, ntt::kPlZ, make.Array<double>({3}));
    h.push_back({"3D polyline record cut before its part fields", make.Block(r)});
  }
  p = {{0, 0, 1, 1, 2, 2}, false, true, {1, 2, 3}, {}, 1, {0}};
  h.push_back({"3D polyline without a part block", make.PolylineRecord(p)});
  p = {{0, 0, 1, 1, 2, 2}, false, true, {1, 2, 3}, {1, 1}, 1, {0}};
  h.push_back({"3D polyline whose part block is short", make.PolylineRecord(p)});
  p = {{0, 0, 1, 1, 2, 2}, false, true, {1, 2, 3}, {1, 2, 3}, 3, {0, 1}};
  h.push_back({"3D polyline with fewer part flags than parts", make.PolylineRecord(p)});
  p.partCount = 0xFFFFFFFF;
  h.push_back({"3D polyline with 4 billion parts", make.PolylineRecord(p)});
  p.partCount = 2;
  p.flags = {};
  h.push_back({"3D polyline of two parts without part flags", make.PolylineRecord(p)});
  g = {};
  g.xy = {0, 0, 1, 0, 1, 1, 0, 1};
  g.rings = {{0, 4, 1}};
  g.ringCountOverride = 0;
  h.push_back({"polygon without rings", make.PolygonRecord(g)});
  g.ringCountOverride = ringArraySize + 1;
  g.rings.assign(ringArraySize + 1, {0, 3, 1});
  h.push_back({"polygon with more rings than the ring array", make.PolygonRecord(g)});
  g.rings = {{0, 4, 1}};
  g.ringCountOverride = 2;
  h.push_back({"polygon with more rings than descriptors", make.PolygonRecord(g)});
  g.ringCountOverride = -1;
  g.rings = {{0, 4, 1}, {2, 3, 2}};
  h.push_back({"polygon ring past the vertices", make.PolygonRecord(g)});
  g.rings = {{0xFFFFFFFF, 2, 1}};
  h.push_back({"polygon ring whose first index wraps", make.PolygonRecord(g)});
  g.rings = {{0, 0xFFFFFFFF, 1}};
  h.push_back({"polygon ring of 4 billion vertices", make.PolygonRecord(g)});
  g.rings = {};
  g.ringCountOverride = 1;
  h.push_back({"polygon without a ring block", make.PolygonRecord(g)});
  return h;
}
