// What a left-button press does in each step: draw a vertex, pick one to move or
// delete, split a segment at its grip, or start a move, rotation or scaling.
#include <cmath>

#include "editcore/edit_controller.h"
#include "editcore/work_plane.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"

namespace {
// Vertices drawn by hand form one part, as loaded single-part figures do; the slot is
// otherwise undefined and the 3D commit groups vertices by it.
constexpr int32_t kDrawnPart = 1;
}  // namespace

bool EditController::GrabPolarBase(const POINT& pt) {
  if (!PolarInputOn() || !(m_polarFlags & POLAR_FROM_BASE) || !m_pEngine) return false;
  double x = m_polarBaseX, y = m_polarBaseY;
  if (m_is3D) {
    HostView view(m_pSite->HostDispatch());
    view.ProjectToView(m_polarBaseX, m_polarBaseY, m_polarBaseZ, &x, &y);
  }
  m_pEngine->WorldToScreen(&x, &y);
  if (!WithinPickTolerance(x, y, pt)) return false;
  m_polarFlags |= POLAR_BASE_DRAGGED;
  return true;
}

void EditController::DrawVertex(const POINT& pt) {
  BeginStep();
  RecordDrawnVertex();
  const int32_t mode = m_mode;
  const int32_t r = m_ringCount - 1;
  // A point has one vertex: each press replaces it.
  if (m_mode == MODE_POINT && m_ringVertexCount[r] > 0) --m_ringVertexCount[r];
  const int32_t n = m_ringVertexCount[r];
  double x = pt.x, y = pt.y;
  const uint32_t serial = m_editSerial;
  ConvertAndSnap(x, y);
  // The Snap handler may have ended the edit or replaced the rings; then the press is void.
  if (m_editSerial != serial || m_mode != mode || r >= m_ringCount || m_ringVertexCount[r] != n) return;
  Ring& ring = m_rings[r];
  ring.EnsureIndex(n);
  ring.x[n] = x;
  ring.y[n] = y;
  ring.part[n] = kDrawnPart;
  if (m_is3D) {
    ring.z[n] = 0.0;  // the host reads it as the height the view point starts from
    if (m_pEngine) m_pEngine->ViewToWorld3D(&ring.x[n], &ring.y[n], &ring.z[n]);
  }
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_lastX = ring.x[n];
    m_lastY = ring.y[n];
    if (m_is3D) m_lastZ = ring.z[n];
  }
  m_ringVertexCount[r] = n + 1;
  AskForRepaint();
  TurnReferenceOn(&ring.x[n], &ring.y[n], &ring.z[n]);
}

void EditController::PickVertexToMove(const POINT& pt) {
  const int32_t v = PickVertex(pt.x, pt.y, &m_curRing);
  m_curVertex = v;
  if (v < 0) return;
  BeginStep();
  RecordVertexSet(m_curRing, v);
  const int32_t r = m_curRing;
  CaptureView();
  SetStep(EditStep::DragVertex);
  if (r >= m_ringCount) return;  // the caption's handler ended the edit
  Ring& ring = m_rings[r];
  ring.EnsureIndex(v);
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_lastX = ring.x[v];
    m_lastY = ring.y[v];
    m_lastZ = ring.z[v];  // in 2D as well
  }
  if (m_pEngine) {
    TurnReferenceOn(&ring.x[v], &ring.y[v], &ring.z[v]);
    SetForcedTracking(kTrackingHandedOver);
  }
}

void EditController::PickVertexToDelete(const POINT& pt) {
  m_curVertex = PickVertex(pt.x, pt.y, &m_curRing);
  if (m_curVertex < 0) return;
  BeginStep();
  CaptureView();
  SetStep(EditStep::ConfirmDelete);
}

void EditController::InsertVertexAtGrip(const POINT& pt) {
  m_curVertex = -1;
  // A polygon ring is closed, so its closing segment (last to first vertex) has a grip.
  const int32_t first = m_mode == MODE_POLYGON ? 0 : 1;
  for (int32_t r = 0; r < m_ringCount && m_curVertex < 0; ++r) {
    Ring& ring = m_rings[r];
    const int32_t count = m_ringVertexCount[r];
    if (count <= 0) continue;
    ring.EnsureIndex(count);  // one slot beyond: the insertion shifts every vertex up
    for (int32_t i = first; i < count && m_curVertex < 0; ++i) {
      const int32_t p = i == 0 ? count - 1 : i - 1;
      const double mx = (ring.x[i] + ring.x[p]) * 0.5;
      const double my = (ring.y[i] + ring.y[p]) * 0.5;
      const double mz = (ring.z[i] + ring.z[p]) * 0.5;
      if (!HitsWorldPoint(mx, my, mz, pt)) continue;
      // A segment that joins two parts of a 3D polyline cannot be split.
      if (m_is3D && ring.part[i] != ring.part[p]) continue;
      BeginStep();
      RecordVertexInsert(r, i);
      for (int32_t j = count; j > i; --j) {
        ring.x[j] = ring.x[j - 1];
        ring.y[j] = ring.y[j - 1];
        ring.z[j] = ring.z[j - 1];
        ring.part[j] = ring.part[j - 1];
      }
      m_ringVertexCount[r] = count + 1;
      m_curRing = r;
      m_curVertex = i;
      ring.x[i] = mx;
      ring.y[i] = my;
      ring.z[i] = mz;
      // part[i] still holds the part of the vertex that was here before the shift.
      if (PolarInputOn()) {
        m_polarFlags |= POLAR_LAST_FROM_PRESS;
        m_lastX = mx;
        m_lastY = my;
        m_lastZ = mz;
      }
      AskForRepaint();
    }
  }
  if (m_curVertex < 0) return;
  Ring& ring = m_rings[m_curRing];
  if (m_pEngine) {
    TurnReferenceOn(&ring.x[m_curVertex], &ring.y[m_curVertex], &ring.z[m_curVertex]);
    SetForcedTracking(kTrackingHandedOver);
  }
  CaptureView();
  SetStep(EditStep::DragSplitVertex);
}

void EditController::AnchorMove(const POINT& pt) {
  BeginStep();
  RecordFigureCoordinates();
  // The anchor follows the pointer itself: snapping it would shift the whole figure.
  m_dragX = pt.x;
  m_dragY = pt.y;
  if (m_pEngine) m_pEngine->ScreenToWorld(&m_dragX, &m_dragY);
  if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&m_dragX, &m_dragY, &m_dragZ);
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_lastX = m_dragX;
    m_lastY = m_dragY;
    if (m_is3D) m_lastZ = m_dragZ;
  }
  if (m_pEngine) {
    TurnReferenceOn(&m_dragX, &m_dragY, &m_dragZ);
    SetForcedTracking(kTrackingHandedOver);
  }
  CaptureView();
  SetStep(EditStep::DragFigure);
}

// A press on the centre of rotation or scaling drags the centre instead.
bool EditController::GrabCentre(const POINT& pt, EditStep dropStep) {
  if (!HitsWorldPoint(m_dragX, m_dragY, m_dragZ, pt)) return false;
  BeginStep();
  SetStep(dropStep);
  CaptureView();
  if (m_pEngine) {
    TurnReferenceOn(&m_dragX, &m_dragY, &m_dragZ);
    SetForcedTracking(kTrackingHandedOver);
  }
  return true;
}

void EditController::StartRotate(const POINT& pt) {
  if (GrabCentre(pt, EditStep::DragRotateCentre)) return;
  double px = pt.x, py = pt.y, pz = 0.0;
  const uint32_t serial = m_editSerial;
  ConvertAndSnap(px, py);
  if (m_editSerial != serial) return;  // the Snap handler ended or replaced the edit
  BeginStep();
  RecordFigureCoordinates();
  if (m_pEngine) m_pEngine->ViewToWorld3D(&px, &py, &pz);  // in 2D as well
  if (m_is3D) {
    // The angle is measured in the work plane, where the rotation happens.
    HostView view(m_pSite->HostDispatch());
    const WorkPlane plane = WorkPlane::Read(view);
    const Point3 c = plane.ToPlane(Point3{m_dragX, m_dragY, m_dragZ});
    const Point3 q = plane.ToPlane(Point3{px, py, pz});
    m_rotateAngle = AngleOfVector(c.x, c.y, q.x, q.y);
  } else {
    m_rotateAngle = AngleOfVector(m_dragX, m_dragY, px, py);
  }
  SetStep(EditStep::DragRotation);
  CaptureView();
  SetForcedTracking(kTrackingHandedOver);
  AskForRepaint();
}

void EditController::StartScale(const POINT& pt) {
  if (GrabCentre(pt, EditStep::DragScaleCentre)) return;
  double px = pt.x, py = pt.y, pz = 0.0;
  const uint32_t serial = m_editSerial;
  ConvertAndSnap(px, py);
  if (m_editSerial != serial) return;  // the Snap handler ended or replaced the edit
  BeginStep();
  RecordFigureCoordinates();
  if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&px, &py, &pz);
  // Measured in X and Y only, as the scaling drag measures it.
  m_scaleFactor = std::sqrt((px - m_dragX) * (px - m_dragX) + (py - m_dragY) * (py - m_dragY));
  SetStep(EditStep::DragScaling);
  CaptureView();
  if (m_pEngine) TurnReferenceOn(&m_dragX, &m_dragY, &m_dragZ);
  SetForcedTracking(kTrackingHandedOver);
  AskForRepaint();
}
