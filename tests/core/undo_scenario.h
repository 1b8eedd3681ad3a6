// Driving an edit through the reference host the way a user would, one action at a time,
// and reading what a save would write at any moment, for the undo and redo tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "core_fixture.h"
#include "entity_records.h"

namespace undo_test {

template <typename T>
void Append(std::vector<uint8_t>& bytes, const T& v) {
  const auto* p = reinterpret_cast<const uint8_t*>(&v);
  bytes.insert(bytes.end(), p, p + sizeof(T));
}

// The figure as the edit holds it (rings in use, each ring's flag and its counted
// vertices, bit for bit) followed by the bytes a save would write now, written by the
// save's own writer without ending the edit (the record is freed again). A figure that
// cannot be saved has no record: what its writer would put down is not defined by the
// figure alone (an empty point still writes its stale slot).
inline std::vector<uint8_t> SaveBytesNow(EditController& ec) {
  std::vector<uint8_t> bytes;
  Append(bytes, ec.GetFigure().RingCount());
  for (int32_t r = 0; r < ec.GetFigure().RingCount(); ++r) {
    const Ring& ring = ec.GetFigure().Vertices(r);
    Append(bytes, ec.GetFigure().VertexCount(r));
    Append(bytes, static_cast<uint8_t>(ec.GetFigure().IsHole(r)));
    for (int32_t i = 0; i < ec.GetFigure().VertexCount(r); ++i) {
      Append(bytes, ring.x[i]);
      Append(bytes, ring.y[i]);
      Append(bytes, ring.z[i]);
      Append(bytes, ring.part[i]);
    }
  }
  if (!ec.CanSave()) return bytes;
  ec.CommitGeometry();
  const std::string record = Flatten(ec.GetDrawnNtt());
  ec.ReleaseDrawnNtt();
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

// What a save writes when it ends the edit: the record alone, as Flatten gives it.
inline std::vector<uint8_t> RecordPart(EditController& ec, const std::vector<uint8_t>& saveBytesNow) {
  size_t figure = sizeof(int32_t);
  for (int32_t r = 0; r < ec.GetFigure().RingCount(); ++r)
    figure += sizeof(int32_t) + sizeof(BYTE) + static_cast<size_t>(ec.GetFigure().VertexCount(r)) * (3 * sizeof(double) + sizeof(int32_t));
  return std::vector<uint8_t>(saveBytesNow.begin() + static_cast<std::ptrdiff_t>(figure), saveBytesNow.end());
}

// User actions on the running edit: each goes through the context menu's handler for
// its step and the host's pointer.
class Actions {
 public:
  Actions(EditController& ec, ReferenceHost& host, uint32_t seed) : m_ec(ec), m_host(host), m_rng(seed) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
  POINT Anywhere() { return POINT{60 + Pick(520), 60 + Pick(360)}; }
  void Click(POINT p) {
    m_host.Press(p.x, p.y);
    m_host.Release(p.x, p.y);
  }
  void Drag(POINT from, POINT to) {
    m_host.Press(from.x, from.y);
    m_host.Move((from.x + to.x) / 2, (from.y + to.y) / 2);
    m_host.Move(to.x, to.y);
    m_host.Release(to.x, to.y);
  }
  POINT Pixel(double x, double y, double z) {
    int px = 0, py = 0;
    m_ec.WorldToPixel(x, y, z, px, py);
    return POINT{px, py};
  }
  // A vertex's pixel, or false for a figure without vertices.
  bool SomeVertex(POINT& p) {
    std::vector<std::pair<int, int>> all;
    for (int r = 0; r < m_ec.GetFigure().RingCount(); ++r)
      for (int i = 0; i < m_ec.GetFigure().VertexCount(r); ++i) all.emplace_back(r, i);
    if (all.empty()) return false;
    const auto [r, i] = all[static_cast<size_t>(Pick(static_cast<int>(all.size())))];
    const Ring& ring = m_ec.GetFigure().Vertices(r);
    p = Pixel(ring.x[i], ring.y[i], ring.z[i]);
    return true;
  }
  bool SomeSegmentMiddle(POINT& p) {
    const int r = Pick(m_ec.GetFigure().RingCount());
    const int n = m_ec.GetFigure().VertexCount(r);
    if (n < 2) return false;
    const int i = 1 + Pick(n - 1);
    const Ring& ring = m_ec.GetFigure().Vertices(r);
    p = Pixel((ring.x[i] + ring.x[i - 1]) * 0.5, (ring.y[i] + ring.y[i - 1]) * 0.5,
              (ring.z[i] + ring.z[i - 1]) * 0.5);
    return true;
  }

  enum Kind { kDraw, kMoveVertex, kSplit, kDelete, kMove, kRotate, kScale, kCentre, kBack, kInvert, kNewRing, kKinds };

  void Run(Kind kind) {
    POINT p{};
    switch (kind) {
      case kDraw:
        m_ec.OnMenuContinue();
        Click(Anywhere());
        break;
      case kMoveVertex:
        m_ec.OnMenuMoveVertex();
        if (SomeVertex(p)) Drag(p, Anywhere());
        break;
      case kSplit:
        if (m_ec.Mode() == MODE_POINT) break;
        m_ec.OnMenuInsertVertex();
        if (SomeSegmentMiddle(p)) Drag(p, Anywhere());
        break;
      case kDelete:
        m_ec.OnMenuDeleteVertex();
        if (SomeVertex(p)) Click(p);
        break;
      case kMove:
        m_ec.OnMenuMove();
        Drag(Anywhere(), Anywhere());
        break;
      case kRotate:
      case kScale:
        if (kind == kRotate)
          m_ec.OnMenuRotate();
        else
          m_ec.OnMenuScale();
        Drag(Anywhere(), Anywhere());
        break;
      case kCentre:
        if (Pick(2))
          m_ec.OnMenuRotate();
        else
          m_ec.OnMenuScale();
        Drag(Pixel(m_ec.DragPoint().x, m_ec.DragPoint().y, m_ec.DragPoint().z), Anywhere());
        break;
      case kBack:
        if (m_ec.Mode() != MODE_POINT) m_ec.OnMenuBack();
        break;
      case kInvert:
        if (m_ec.Mode() != MODE_POINT) m_ec.OnMenuInvert();
        break;
      case kNewRing:
        if (m_ec.Mode() != MODE_POLYGON) break;
        if (Pick(2))
          m_ec.OnMenuNewHole();
        else
          m_ec.OnMenuNewPerimeter();
        break;
      case kKinds: break;
    }
  }

 private:
  EditController& m_ec;
  ReferenceHost& m_host;
  std::mt19937 m_rng;
};

}  // namespace undo_test
