// Pointer moves: rubber band and drag feedback.
#include <cmath>

#include "control/module_state.h"
#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

constexpr COLORREF kRubberGray = RGB(192, 192, 192);
constexpr double kMinRotationForRepaint = 0.001;
constexpr double kMinScaleDistance = 1e-7;

// Calls visit(ring, index) for every vertex that move, rotate and scale may change: with
// the begin/end lock on, the first and last vertex of each ring stay where they are.
template <typename Visit>
void ForEachMovableVertex(EditController& ec, Visit visit) {
  const int32_t skip = ec.m_noBeginEndEdit ? 1 : 0;
  for (int32_t r = 0; r < ec.m_ringCount; ++r) {
    const int32_t n = ec.m_ringVertexCount[r];
    for (int32_t i = skip; i < n - skip; ++i) visit(ec.m_rings[r], i);
  }
}

}  // namespace

void EditController::OnPointerMove(DWORD, POINT* pt) {
  ModuleStateScope state;
  // The Snap event runs the container, which may release the control or end the edit.
  ControlKeepAlive keepAlive(*this);
  if (!pt) return;
  if (m_polarFlags & POLAR_BASE_DRAGGED) {
    m_polarBaseX = pt->x;
    m_polarBaseY = pt->y;
    ConvertAndSnap(m_polarBaseX, m_polarBaseY);
    if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
    return;
  }

  switch (m_step) {
    case 1:
      DrawRubberBand(*pt);
      break;
    case 3:
    case 5: {
      // Only a picked vertex is dragged; without one there is nothing to move.
      if (m_curVertex < 0 || m_curRing < 0 || m_curRing >= m_ringCount) break;
      // The Snap handler runs the container, which may free the ring storage or end the
      // edit: the point is worked out in locals and stored only if its vertex still exists.
      const uint32_t serial = m_editSerial;
      double x = pt->x;
      double y = pt->y;
      ConvertAndSnap(x, y);
      if (m_editSerial != serial || m_curVertex < 0 || m_curRing < 0 || m_curRing >= m_ringCount) break;
      Ring& ring = m_rings[m_curRing];
      ring.EnsureIndex(m_curVertex);
      double z = ring.z[m_curVertex];
      if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&x, &y, &z);
      ring.x[m_curVertex] = x;
      ring.y[m_curVertex] = y;
      ring.z[m_curVertex] = z;
      if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
      break;
    }
    case 9:
      MoveFigure(*pt);
      break;
    case 11:
      RotateFigure(*pt);
      break;
    case 12:
    case 15:
      SnappedPointerPoint(*pt, m_dragX, m_dragY, m_dragZ);
      if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
      break;
    case 14:
      ScaleFigure(*pt);
      break;
    default:
      break;
  }
}

void EditController::SnappedPointerPoint(const POINT& pt, double& x, double& y, double& z) {
  x = pt.x;
  y = pt.y;
  z = 0;
  ConvertAndSnap(x, y);
  if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&x, &y, &z);
}

void EditController::DrawRubberBand(POINT& pt) {
  if (m_mode != MODE_POLYLINE && m_mode != MODE_POLYGON) {
    SnapScreenPoint(pt);
    return;
  }
  if (!m_pPaintEngine) return;  // no view to draw on
  const int32_t last = m_ringCount - 1;
  const int32_t n = m_ringVertexCount[last];
  double ax = 0, ay = 0, az = 0;
  if (n > 0) {
    const Ring& ring = m_rings[last];
    ax = ring.x[n - 1];
    ay = ring.y[n - 1];
    az = ring.z[n - 1];
  } else if (m_polarFlags & POLAR_FROM_BASE) {
    ax = m_basePointX;
    ay = m_basePointY;
    az = m_basePointZ;
  } else {
    return;  // nothing to stretch from yet
  }
  int anchorX = 0, anchorY = 0;
  WorldToPixel(ax, ay, az, anchorX, anchorY);

  // Straight onto the view's window in XOR, so that no repaint is needed and drawing
  // the same band again takes it off.
  HWND hwnd = m_pPaintEngine->GetViewWindow();
  HDC hdc = GetDC(hwnd);
  const int oldRop = SetROP2(hdc, R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 1, kRubberGray);
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  if (m_rubberDrawn) {
    MoveToEx(hdc, anchorX, anchorY, nullptr);
    LineTo(hdc, m_lastPtrX, m_lastPtrY);
  }
  SnapScreenPoint(pt);
  MoveToEx(hdc, anchorX, anchorY, nullptr);
  LineTo(hdc, pt.x, pt.y);
  SetROP2(hdc, oldRop);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
  ReleaseDC(hwnd, hdc);
  m_lastPtrX = pt.x;
  m_lastPtrY = pt.y;
  m_rubberDrawn = true;
}

void EditController::MoveFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  const double dx = px - m_dragX, dy = py - m_dragY, dz = pz - m_dragZ;
  ForEachMovableVertex(*this, [&](Ring& ring, int32_t i) {
    ring.x[i] += dx;
    ring.y[i] += dy;
    if (m_is3D) ring.z[i] += dz;
  });
  m_dragX = px;
  m_dragY = py;
  m_dragZ = pz;
  if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
}

void EditController::RotateFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  double theta = 0;
  if (!m_is3D) {
    theta = AngleOfVector(m_dragX, m_dragY, px, py);
    const double turn = theta - m_rotateAngle;
    ForEachMovableVertex(
        *this, [&](Ring& ring, int32_t i) { RotateAboutPoint(&ring.x[i], &ring.y[i], m_dragX, m_dragY, turn); });
  } else {
    // Turned inside the work plane, which lays every turned vertex into it.
    HostView view(m_pCtrl->m_pQarnocx);
    double a[3] = {0, 0, 0}, o[3] = {0, 0, 0};
    view.GetWorkPlane(&a[0], &a[1], &a[2], &o[0], &o[1], &o[2]);
    double cx = m_dragX - o[0], cy = m_dragY - o[1], cz = m_dragZ - o[2];
    WorldToPlane(&cx, &cy, &cz, a);
    double qx = px - o[0], qy = py - o[1], qz = pz - o[2];
    WorldToPlane(&qx, &qy, &qz, a);
    theta = AngleOfVector(cx, cy, qx, qy);
    const double turn = theta - m_rotateAngle;
    ForEachMovableVertex(*this, [&](Ring& ring, int32_t i) {
      double x = ring.x[i] - o[0], y = ring.y[i] - o[1], z = ring.z[i] - o[2];
      WorldToPlane(&x, &y, &z, a);
      z = 0;
      RotateAboutPoint(&x, &y, cx, cy, turn);
      PlaneToWorld(&x, &y, &z, a);
      ring.x[i] = x + o[0];
      ring.y[i] = y + o[1];
      ring.z[i] = z + o[2];
    });
  }
  // Tiny turns still move the figure but are not worth a repaint.
  if (m_pPaintEngine && std::fabs(theta - m_rotateAngle) > kMinRotationForRepaint) m_pPaintEngine->RequestRepaint();
  m_rotateAngle = theta;
}

void EditController::ScaleFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  const double d = std::sqrt((px - m_dragX) * (px - m_dragX) + (py - m_dragY) * (py - m_dragY));
  if (d <= kMinScaleDistance) return;
  if (m_scaleFactor <= kMinScaleDistance) {
    // The drag began on the centre: there is no distance to compare with yet, so this
    // move only becomes the reference.
    m_scaleFactor = d;
    return;
  }
  const double f = d / m_scaleFactor;
  ForEachMovableVertex(*this, [&](Ring& ring, int32_t i) {
    if (m_is3D) {
      ScaleAboutPoint(&ring.x[i], &ring.y[i], m_dragX, m_dragY, f, &ring.z[i], &m_dragZ);
    } else {
      ScaleAboutPoint(&ring.x[i], &ring.y[i], m_dragX, m_dragY, f);
    }
  });
  m_scaleFactor = d;
  if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
}
