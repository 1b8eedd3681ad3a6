// Highlighting the vertices of a host entity: they are copied into the highlight ring,
// which the overlay marks on every repaint.
#include "editcore/edit_controller.h"
#include "editcore/entity_reader.h"
#include "hostlink/ntt_record.h"

void EditController::HiliteVertexes(HostEngine* pEngine, RECORDADDR record) {
  // The host's detach callbacks end a running edit, whose events may let the container
  // release the control.
  ControlKeepAlive keepAlive(*this);
  m_hiliteCount = 0;
  // The host may answer with a detach callback, which clears the field; hence the
  // second test reads it afresh.
  {
    RefuseStarts refuse(*this);
    m_handlerRegistered = false;
    if (m_pEngine) m_pEngine->SetPointerHandler(nullptr);
    m_painterRegistered = false;
    if (m_pPaintEngine) m_pPaintEngine->SetOverlayPainter(nullptr);
  }

  entity::Fields f;
  // An unreadable record is treated like one of an unsupported type: nothing shown.
  const bool shown = record && entity::Read(record, entity::Use::kHighlight, 0, f);
  if (shown) {
    Attach(pEngine, true);
    m_is3D = f.is3D;
    Ring& ring = m_hiliteRing;
    auto store = [&ring](int32_t i, double x, double y, double z) {
      ring.EnsureIndex(i);
      ring.x[i] = x;
      ring.y[i] = y;
      ring.z[i] = z;
    };
    int32_t count = 0;
    switch (f.type) {
      case ntt::kPoint:
      case ntt::kLine:
        count = f.type == ntt::kPoint ? 1 : 2;
        for (int32_t i = 0; i < count; ++i) store(i, f.px[i], f.py[i], f.pz[i]);
        break;
      case ntt::kPolyline:
      case ntt::kPolygon:
        count = static_cast<int32_t>(f.count);
        if (count > 0) ring.EnsureIndex(count - 1);
        entity::ForEachElement<entity::XY>(f.xyBlock, 0, f.count, [&ring](size_t i, const entity::XY& p) {
          ring.x[i] = p.x;
          ring.y[i] = p.y;
          ring.z[i] = 0;
        });
        if (f.is3D) entity::ForEachElement<double>(f.zBlock, 0, f.count, [&ring](size_t i, double z) { ring.z[i] = z; });
        // A closed polyline shows its first vertex again at the end; without vertices
        // there is nothing to repeat.
        if (f.type == ntt::kPolyline && f.closed && count > 0) {
          store(count, ring.x[0], ring.y[0], ring.z[0]);
          ++count;
        }
        break;
      default: break;
    }
    m_hiliteCount = count;
  }

  // The engine stays known even when nothing is registered: a later repaint request
  // and the end of an edit still go to it.
  AskForRepaint();
}
