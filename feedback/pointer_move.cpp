// Pointer moves: rubber band and drag feedback.
#include <cmath>

#include "editcore/module_state.h"
#include "editcore/edit_controller.h"
#include "editcore/fast_paths.h"
#include "editcore/work_plane.h"
#include "feedback/coordinate_loops.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

constexpr COLORREF kRubberGray = RGB(192, 192, 192);
constexpr double kMinRotationForRepaint = 0.001;
constexpr double kMinScaleDistance = 1e-7;

// The window's device context with the gray XOR pen of the rubber band, given back when
// it goes, also when the Snap event in between fails.
class XorBand {
 public:
  explicit XorBand(HWND hwnd)
      : m_hwnd(hwnd), m_hdc(GetDC(hwnd)), m_oldRop(SetROP2(m_hdc, R2_XORPEN)),
        m_pen(CreatePen(PS_SOLID, 1, kRubberGray)), m_oldPen(SelectObject(m_hdc, m_pen)) {}
  ~XorBand() {
    SetROP2(m_hdc, m_oldRop);
    SelectObject(m_hdc, m_oldPen);
    DeleteObject(m_pen);
    ReleaseDC(m_hwnd, m_hdc);
  }
  XorBand(const XorBand&) = delete;
  XorBand& operator=(const XorBand&) = delete;
  void Draw(int x1, int y1, int x2, int y2) {
    MoveToEx(m_hdc, x1, y1, nullptr);
    LineTo(m_hdc, x2, y2);
  }

 private:
  HWND m_hwnd;
  HDC m_hdc;
  int m_oldRop;
  HPEN m_pen;
  HGDIOBJ m_oldPen;
};

// Calls visit(ring, index) for every vertex that move, rotate and scale may change: with
// the begin/end lock on, the first and last vertex of each ring stay where they are.
template <typename Visit>
void ForEachMovableVertex(Figure& figure, bool lockEnds, Visit visit) {
  const int32_t skip = lockEnds ? 1 : 0;
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    const int32_t n = figure.VertexCount(r);
    for (int32_t i = skip; i < n - skip; ++i) visit(figure.Vertices(r), i);
  }
}

// The same vertices as ForEachMovableVertex, as one range (first, count) per ring.
template <typename Visit>
void ForEachMovableRange(Figure& figure, bool lockEnds, Visit visit) {
  const int32_t skip = lockEnds ? 1 : 0;
  for (int32_t r = 0; r < figure.RingCount(); ++r) {
    const int32_t count = figure.VertexCount(r) - 2 * skip;
    if (count > 0) visit(figure.Vertices(r), skip, count);
  }
}

}  // namespace

void EditController::OnPointerMove(DWORD, POINT* pt) {
  ModuleStateScope state;
  // The Snap event runs the container, which may release the control or end the edit.
  ControlKeepAlive keepAlive(*this);
  if (!pt) return;
  // Nothing may unwind into the host's message handling: a failed move is just ignored.
  try {
    FollowPointer(*pt);
  } catch (...) {
  }
}

// What a pointer move does in each step.
void EditController::FollowPointer(POINT& pt) {
  if (m_polarFlags & POLAR_BASE_DRAGGED) {
    m_polarBase.x = pt.x;
    m_polarBase.y = pt.y;
    ConvertAndSnap(m_polarBase.x, m_polarBase.y);
    AskForRepaint();
    return;
  }

  switch (m_step) {
    case EditStep::Draw:
      DrawRubberBand(pt);
      break;
    case EditStep::DragVertex:
    case EditStep::DragSplitVertex: {
      // Only a picked vertex is dragged; without one there is nothing to move.
      auto picked = [this] {
        const int32_t r = m_figure.CurrentRing();
        return m_curVertex >= 0 && r >= 0 && r < m_figure.RingCount();
      };
      if (!picked()) break;
      // The Snap handler runs the container, which may free the ring storage or end the
      // edit: the point is worked out in locals and stored only if its vertex still exists.
      const uint32_t serial = EditSerial();
      double x = pt.x;
      double y = pt.y;
      ConvertAndSnap(x, y);
      if (EditSerial() != serial || !picked()) break;
      Ring& ring = m_figure.Vertices(m_figure.CurrentRing());
      ring.EnsureIndex(m_curVertex);
      double z = ring.z[m_curVertex];
      if (m_is3D && m_pEngine) m_pEngine->ViewToWorld3D(&x, &y, &z);
      ring.x[m_curVertex] = x;
      ring.y[m_curVertex] = y;
      ring.z[m_curVertex] = z;
      AskForRepaint();
      break;
    }
    case EditStep::DragFigure:
      MoveFigure(pt);
      break;
    case EditStep::DragRotation:
      RotateFigure(pt);
      break;
    case EditStep::DragRotateCentre:
    case EditStep::DragScaleCentre:
      SnappedPointerPoint(pt, m_drag.x, m_drag.y, m_drag.z);
      AskForRepaint();
      break;
    case EditStep::DragScaling:
      ScaleFigure(pt);
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
  const int32_t last = m_figure.LastRing();
  const int32_t n = m_figure.VertexCount(last);
  double ax = 0, ay = 0, az = 0;
  if (n > 0) {
    const Ring& ring = m_figure.Vertices(last);
    ax = ring.x[n - 1];
    ay = ring.y[n - 1];
    az = ring.z[n - 1];
  } else if (m_polarFlags & POLAR_FROM_BASE) {
    ax = m_basePoint.x;
    ay = m_basePoint.y;
    az = m_basePoint.z;
  } else {
    return;  // nothing to stretch from yet
  }
  int anchorX = 0, anchorY = 0;
  WorldToPixel(ax, ay, az, anchorX, anchorY);

  // Straight onto the view's window in XOR, so that no repaint is needed and drawing
  // the same band again takes it off.
  XorBand band(m_pPaintEngine->GetViewWindow());
  if (m_rubberDrawn) {
    band.Draw(anchorX, anchorY, m_lastPtrX, m_lastPtrY);
    m_rubberDrawn = false;
  }
  SnapScreenPoint(pt);
  band.Draw(anchorX, anchorY, pt.x, pt.y);
  m_lastPtrX = pt.x;
  m_lastPtrY = pt.y;
  m_rubberDrawn = true;
}

void EditController::MoveFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  const double dx = px - m_drag.x, dy = py - m_drag.y, dz = pz - m_drag.z;
  if (FastPaths::enabled) {
    ForEachMovableRange(m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t first, int32_t count) {
      OffsetCoordinates(ring.x + first, count, dx);
      OffsetCoordinates(ring.y + first, count, dy);
      if (m_is3D) OffsetCoordinates(ring.z + first, count, dz);
    });
  } else ForEachMovableVertex(m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t i) {
    ring.x[i] += dx;
    ring.y[i] += dy;
    if (m_is3D) ring.z[i] += dz;
  });
  m_drag = {px, py, pz};
  AskForRepaint();
}

void EditController::RotateFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  double theta = 0;
  if (!m_is3D) {
    theta = AngleOfVector(m_drag.x, m_drag.y, px, py);
    const double turn = theta - m_rotateAngle;
    ForEachMovableVertex(
        m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t i) { RotateAboutPoint(&ring.x[i], &ring.y[i], m_drag.x, m_drag.y, turn); });
  } else {
    // Turned inside the work plane, which lays every turned vertex into it.
    HostView view(m_pSite->HostDispatch());
    const WorkPlane plane = WorkPlane::Read(view);
    const Point3 c = plane.ToPlane(m_drag);
    const Point3 q = plane.ToPlane(Point3{px, py, pz});
    theta = AngleOfVector(c.x, c.y, q.x, q.y);
    const double turn = theta - m_rotateAngle;
    ForEachMovableVertex(m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t i) {
      Point3 v = plane.ToPlane(Point3{ring.x[i], ring.y[i], ring.z[i]});
      v.z = 0;
      RotateAboutPoint(&v.x, &v.y, c.x, c.y, turn);
      const Point3 w = plane.ToWorld(v);
      ring.x[i] = w.x;
      ring.y[i] = w.y;
      ring.z[i] = w.z;
    });
  }
  // Tiny turns still move the figure but are not worth a repaint.
  if (std::fabs(theta - m_rotateAngle) > kMinRotationForRepaint) AskForRepaint();
  m_rotateAngle = theta;
}

void EditController::ScaleFigure(const POINT& pt) {
  double px = 0, py = 0, pz = 0;
  SnappedPointerPoint(pt, px, py, pz);
  const double d = std::sqrt((px - m_drag.x) * (px - m_drag.x) + (py - m_drag.y) * (py - m_drag.y));
  if (d <= kMinScaleDistance) return;
  if (m_scaleFactor <= kMinScaleDistance) {
    // The drag began on the centre: there is no distance to compare with yet, so this
    // move only becomes the reference.
    m_scaleFactor = d;
    return;
  }
  const double f = d / m_scaleFactor;
  if (FastPaths::enabled) {
    ForEachMovableRange(m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t first, int32_t count) {
      ScaleCoordinates(ring.x + first, count, m_drag.x, f);
      ScaleCoordinates(ring.y + first, count, m_drag.y, f);
      if (m_is3D) ScaleCoordinates(ring.z + first, count, m_drag.z, f);
    });
  } else ForEachMovableVertex(m_figure, m_noBeginEndEdit != 0, [&](Ring& ring, int32_t i) {
    if (m_is3D) {
      ScaleAboutPoint(&ring.x[i], &ring.y[i], m_drag.x, m_drag.y, f, &ring.z[i], &m_drag.z);
    } else {
      ScaleAboutPoint(&ring.x[i], &ring.y[i], m_drag.x, m_drag.y, f);
    }
  });
  m_scaleFactor = d;
  AskForRepaint();
}
