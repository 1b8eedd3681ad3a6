// Loading an existing entity record into an edit: its vertices become the rings, its
// type the mode, and the edit begins in the vertex-moving step.
#include <type_traits>
#include <vector>

#include "editcore/edit_controller.h"
#include "editcore/entity_reader.h"
#include "hostlink/ntt_record.h"

namespace {

// Stores vertex i of a ring; in 2D Z is 0 and the part 1, so no slot is left undefined.
void Store(Ring& ring, int32_t i, double x, double y, double z, int32_t part) {
  ring.EnsureIndex(i);
  ring.x[i] = x;
  ring.y[i] = y;
  ring.z[i] = z;
  ring.part[i] = part;
}

// Copies `count` vertices from index `first` of the record's blocks into the ring from
// slot 0; with parts, the part numbers come from the part block, otherwise they are 1.
void CopyVertices(Ring& ring, const entity::Fields& f, uint32_t first, uint32_t count, bool withParts) {
  if (count == 0) return;
  ring.EnsureIndex(static_cast<int32_t>(count - 1));
  entity::ForEachElement<entity::XY>(f.xyBlock, first, count, [&](size_t i, const entity::XY& p) {
    ring.x[i] = p.x;
    ring.y[i] = p.y;
    ring.z[i] = 0;
    ring.part[i] = 1;
  });
  if (!f.is3D) return;
  entity::ForEachElement<double>(f.zBlock, first, count, [&](size_t i, double z) { ring.z[i] = z; });
  if (withParts)
    entity::ForEachElement<int32_t>(f.partBlock, first, count, [&](size_t i, int32_t p) { ring.part[i] = p; });
}

// A polyline of several parts: part after part, each in block order, with a copy of
// its first vertex after a closed part. Vertices of no part 1 .. parts are left out,
// and so the count is what was really copied.
int32_t LoadParts(Ring& ring, const entity::Fields& f) {
  const uint32_t n = f.count;
  CopyVertices(ring, f, 0, n, true);
  // Group the vertices by part number, stably, in one pass (no scan per part).
  std::vector<uint32_t> partSize(size_t{f.partCount} + 1, 0);
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t p = ring.part[i];
    if (p >= 1 && static_cast<uint32_t>(p) <= f.partCount) ++partSize[p];
  }
  std::vector<uint32_t> partStart(size_t{f.partCount} + 1, 0);
  for (uint32_t k = 1, at = 0; k <= f.partCount; ++k) {
    partStart[k] = at;
    at += partSize[k];
  }
  std::vector<uint32_t> byPart(n);
  {
    std::vector<uint32_t> next(partStart);
    for (uint32_t i = 0; i < n; ++i) {
      const int32_t p = ring.part[i];
      if (p >= 1 && static_cast<uint32_t>(p) <= f.partCount) byPart[next[p]++] = i;
    }
  }
  // Where each slot of the loaded ring comes from.
  std::vector<uint32_t> source;
  source.reserve(n);
  entity::ForEachElement<int32_t>(f.partFlagBlock, 0, f.partCount, [&](size_t index, int32_t flag) {
    const uint32_t k = static_cast<uint32_t>(index) + 1;
    const uint32_t* first = byPart.data() + partStart[k];
    source.insert(source.end(), first, first + partSize[k]);
    if (flag == 1 && partSize[k] > 0) source.push_back(*first);
  });

  const int32_t count = static_cast<int32_t>(source.size());
  if (count > 0) ring.EnsureIndex(count - 1);
  auto reorder = [&](auto* values) {
    std::vector<std::remove_pointer_t<decltype(values)>> original(values, values + n);
    for (size_t j = 0; j < source.size(); ++j) values[j] = original[source[j]];
  };
  reorder(ring.x);
  reorder(ring.y);
  reorder(ring.z);
  reorder(ring.part);
  return count;
}

}  // namespace

BOOL EditController::LoadEntity(HostEngine* pEngine, RECORDADDR record) {
  ControlKeepAlive keepAlive(*this);
  StartScope scope(*this);
  if (scope.Refused()) return FALSE;
  ForgetHistory();
  HostManagesUtils();
  m_noBeginEndEdit = 0;
  m_figure.SetRingCount(1);
  m_figure.SetHole(0, false);

  // The whole record is checked before anything is attached or changed.
  entity::Fields f;
  if (!entity::Read(record, entity::Use::kLoad, m_figure.RingArrayLength(), f)) return FALSE;

  Attach(pEngine, false);
  // The registration may have run container code (a detach callback and its
  // EditAborted handler), which can have resized the ring storage or ended the edit.
  if (f.type == ntt::kPolygon && f.ringCount > static_cast<uint32_t>(m_figure.RingArrayLength())) {
    EndEdit(false);
    return FALSE;
  }
  m_is3D = f.is3D;
  m_figure.SetRingCount(1);
  m_figure.SetHole(0, false);
  Ring& ring0 = m_figure.Vertices(0);
  // Each case sets the mode first and opens the new edit's serial before its
  // CaptionChanged event runs the container.
  uint32_t serial = 0;
  auto enter = [&](int32_t mode, EditStep step) {
    m_mode = mode;
    serial = ++m_editSerial;
    SetStep(step);
  };
  switch (f.type) {
    case ntt::kPoint:
      m_figure.SetVertexCount(0, 1);
      Store(ring0, 0, f.px[0], f.py[0], f.pz[0], 1);
      enter(MODE_POINT, EditStep::Draw);
      break;
    case ntt::kLine:
      m_figure.SetVertexCount(0, 2);
      for (int32_t i = 0; i < 2; ++i) Store(ring0, i, f.px[i], f.py[i], f.pz[i], 1);
      enter(MODE_POLYLINE, EditStep::ChooseVertexToMove);
      break;
    case ntt::kPolyline:
      if (f.is3D && f.partCount != 1) {
        m_figure.SetVertexCount(0, LoadParts(ring0, f));
      } else {
        const int32_t n = static_cast<int32_t>(f.count);
        CopyVertices(ring0, f, 0, f.count, f.is3D);
        m_figure.SetVertexCount(0, n);
        // Nothing to repeat when there is no first vertex.
        if (f.closed && n > 0) {
          Store(ring0, n, ring0.x[0], ring0.y[0], ring0.z[0], ring0.part[0]);
          m_figure.SetVertexCount(0, n + 1);
        }
      }
      enter(MODE_POLYLINE, EditStep::ChooseVertexToMove);
      break;
    case ntt::kPolygon: {
      m_figure.SetRingCount(static_cast<int32_t>(f.ringCount));
      // Read again after Attach: a host callback in between must not widen a ring.
      auto descriptor = [&f](uint32_t r) {
        entity::RingDescriptor d{};
        if (!entity::ReadRingDescriptor(f, r, d) || uint64_t{d.first} + d.count > f.count) d = {0, 0, ntt::kPerimeter};
        return d;
      };
      // Every ring's room at once, so that the rings lie side by side.
      std::vector<int32_t> counts(f.ringCount);
      for (uint32_t r = 0; r < f.ringCount; ++r) counts[r] = static_cast<int32_t>(descriptor(r).count);
      m_figure.GrowAll(counts.data());
      for (uint32_t r = 0; r < f.ringCount; ++r) {
        const entity::RingDescriptor d = descriptor(r);
        m_figure.SetHole(r, d.kind == ntt::kHole);
        m_figure.SetVertexCount(r, static_cast<int32_t>(d.count));
        CopyVertices(m_figure.Vertices(r), f, d.first, d.count, false);
      }
      enter(MODE_POLYGON, EditStep::ChooseVertexToMove);
      break;
    }
    default: break;
  }
  // A CaptionChanged handler that ended or replaced the edit: the load did not stick.
  if (m_editSerial != serial) return FALSE;

  AskForRepaint();
  PrepareHost();
  return TRUE;
}
