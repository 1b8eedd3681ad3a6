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
  double x = m_polarBase.x, y = m_polarBase.y;
  if (m_is3D) {
    HostView view(m_pSite->HostDispatch());
    view.ProjectToView(m_polarBase.x, m_polarBase.y, m_polarBase.z, &x, &y);
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
  const int32_t r = m_figure.LastRing();
  // A point has one vertex: each press replaces it.
  if (m_mode == MODE_POINT && m_figure.VertexCount(r) > 0) m_figure.SetVertexCount(r, m_figure.VertexCount(r) - 1);
  const int32_t n = m_figure.VertexCount(r);
  double x = pt.x, y = pt.y;
  const uint32_t serial = m_editSerial;
  ConvertAndSnap(x, y);
  // The Snap handler may have ended the edit or replaced the rings; then the press is void.
  if (m_editSerial != serial || m_mode != mode || r >= m_figure.RingCount() || m_figure.VertexCount(r) != n) return;
  // Written through the figure, not its raw arrays, so that the kept measures stay.
  m_figure.Grow(r, n);
  Point3 p = m_figure.At(r, n);  // in 2D the slot's z is left as it was
  p.x = x;
  p.y = y;
  if (m_is3D) {
    p.z = 0.0;  // the host reads it as the height the view point starts from
    if (m_pEngine) m_pEngine->ViewToWorld3D(&p.x, &p.y, &p.z);
  }
  m_figure.Set(r, n, p, kDrawnPart);
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_last.x = p.x;
    m_last.y = p.y;
    if (m_is3D) m_last.z = p.z;
  }
  m_figure.SetVertexCount(r, n + 1);
  AskForRepaint();
  TurnReferenceOn(m_figure.At(r, n));
}

void EditController::PickVertexToMove(const POINT& pt) {
  int32_t r = -1;
  const int32_t v = PickVertex(pt.x, pt.y, &r);
  m_curVertex = v;
  if (v < 0) return;
  m_figure.SetCurrentRing(r);
  BeginStep();
  RecordVertexSet(r, v);
  CaptureView();
  SetStep(EditStep::DragVertex);
  if (r >= m_figure.RingCount()) return;  // the caption's handler ended the edit
  m_figure.Grow(r, v);
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_last = m_figure.At(r, v);  // in 2D as well
  }
  if (m_pEngine) {
    TurnReferenceOn(m_figure.At(r, v));
    SetForcedTracking(kTrackingHandedOver);
  }
}

void EditController::PickVertexToDelete(const POINT& pt) {
  int32_t r = -1;
  m_curVertex = PickVertex(pt.x, pt.y, &r);
  if (m_curVertex < 0) return;
  m_figure.SetCurrentRing(r);
  BeginStep();
  CaptureView();
  SetStep(EditStep::ConfirmDelete);
}

void EditController::InsertVertexAtGrip(const POINT& pt) {
  m_curVertex = -1;
  // A polygon ring is closed, so its closing segment (last to first vertex) has a grip.
  const int32_t first = m_mode == MODE_POLYGON ? 0 : 1;
  for (int32_t r = 0; r < m_figure.RingCount() && m_curVertex < 0; ++r) {
    const Ring& ring = m_figure.Vertices(r);
    const int32_t count = m_figure.VertexCount(r);
    if (count <= 0) continue;
    m_figure.Grow(r, count);  // one slot beyond: the insertion shifts every vertex up
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
      m_figure.Insert(r, i, {mx, my, mz});
      m_figure.SetCurrentRing(r);
      m_curVertex = i;
      if (PolarInputOn()) {
        m_polarFlags |= POLAR_LAST_FROM_PRESS;
        m_last = {mx, my, mz};
      }
      AskForRepaint();
    }
  }
  if (m_curVertex < 0) return;
  if (m_pEngine) {
    TurnReferenceOn(m_figure.At(m_figure.CurrentRing(), m_curVertex));
    SetForcedTracking(kTrackingHandedOver);
  }
  CaptureView();
  SetStep(EditStep::DragSplitVertex);
}

void EditController::AnchorMove(const POINT& pt) {
  BeginStep();
  RecordFigureCoordinates();
  // The anchor follows the pointer itself: snapping it would shift the whole figure.
  m_drag.x = pt.x;
  m_drag.y = pt.y;
  if (m_pEngine) m_pEngine->ScreenToWorld(&m_drag.x, &m_drag.y);
  if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&m_drag.x, &m_drag.y, &m_drag.z);
  if (PolarInputOn()) {
    m_polarFlags |= POLAR_LAST_FROM_PRESS;
    m_last.x = m_drag.x;
    m_last.y = m_drag.y;
    if (m_is3D) m_last.z = m_drag.z;
  }
  if (m_pEngine) {
    TurnReferenceOn(m_drag);
    SetForcedTracking(kTrackingHandedOver);
  }
  CaptureView();
  SetStep(EditStep::DragFigure);
}

// A press on the centre of rotation or scaling drags the centre instead.
bool EditController::GrabCentre(const POINT& pt, EditStep dropStep) {
  if (!HitsWorldPoint(m_drag.x, m_drag.y, m_drag.z, pt)) return false;
  BeginStep();
  SetStep(dropStep);
  CaptureView();
  if (m_pEngine) {
    TurnReferenceOn(m_drag);
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
    const Point3 c = plane.ToPlane(m_drag);
    const Point3 q = plane.ToPlane(Point3{px, py, pz});
    m_rotateAngle = AngleOfVector(c.x, c.y, q.x, q.y);
  } else {
    m_rotateAngle = AngleOfVector(m_drag.x, m_drag.y, px, py);
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
  m_scaleFactor = std::sqrt((px - m_drag.x) * (px - m_drag.x) + (py - m_drag.y) * (py - m_drag.y));
  SetStep(EditStep::DragScaling);
  CaptureView();
  if (m_pEngine) TurnReferenceOn(m_drag);
  SetForcedTracking(kTrackingHandedOver);
  AskForRepaint();
}
