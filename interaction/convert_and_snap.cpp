// The conversion every pointer position goes through before it becomes geometry:
// host pixels to world, the polar constraint, then the container's Snap event.
#include <cmath>

#include "editcore/edit_controller.h"
#include "editcore/work_plane.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"
#include "platform/desktop.h"

namespace {

// A direction component below this counts as zero: the constraint line is then taken
// as exactly horizontal or vertical instead of dividing by a near-zero slope.
constexpr double kZeroComponent = 1e-5;

// The keys are read now, not from the mouse message, so pressing or releasing one in
// the middle of a drag takes effect at the next move. A key property of 0 names no key.
bool KeyHeld(short vkey) { return vkey != 0 && (GetAsyncKeyState(vkey) & 0x8000) != 0; }

// Foot of the perpendicular from (x, y) onto the line through (lx, ly) with direction
// angle; the point may end up on either side of the reference.
void ApplyDirectionRule(double angle, double lx, double ly, double& x, double& y) {
  const double ex = std::cos(angle) + lx;
  const double dy = (std::sin(angle) + ly) - ly;
  if (std::fabs(dy) < kZeroComponent) {
    y = ly;
    return;
  }
  const double dx = ex - lx;
  if (std::fabs(dx) < kZeroComponent) {
    x = lx;
    return;
  }
  const double m = dy / dx;
  const double b = ly - m * lx;
  const double k = -1.0 / m;
  const double c = y - k * x;
  const double footX = (b - c) / (k - m);
  x = footX;
  y = m * footX + b;
}

// Puts (x, y) at length from (lx, ly), keeping its direction; a point on the reference
// has direction 0 and lands along +X.
void ApplyLengthRule(double length, double lx, double ly, double& x, double& y) {
  const double a = AngleOfVector(lx, ly, x, y);
  x = lx + length * std::cos(a);
  y = ly + length * std::sin(a);
}


}  // namespace

void EditController::UpdatePolarReference() {
  // Until a press has set the reference, the vertex drawn last serves as one.
  if (!(m_polarFlags & POLAR_LAST_FROM_PRESS) && m_figure.RingCount() > 0) {
    const int32_t r = m_figure.LastRing();
    const int32_t n = m_figure.VertexCount(r);
    if (n > 0) {
      m_figure.Grow(r, n - 1);
      m_last = m_figure.At(r, n - 1);
    }
  }
  if (m_polarFlags & POLAR_FROM_BASE) {
    m_last = m_polarBase;
  }
}

void EditController::ConvertAndSnap(double& x, double& y) {
  // A Snap handler may end the edit, which unregisters from the engine; a conversion
  // that follows in the same callback then has no engine to ask.
  if (m_pEngine) m_pEngine->ScreenToWorld(&x, &y);

  const bool polarOn = (m_polarFlags & (POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED)) != 0;
  if (polarOn && !(m_polarFlags & POLAR_BASE_DRAGGED) && !KeyHeld(m_pSite->NoPolarKey())) {
    UpdatePolarReference();

    // Each rule is its own round trip through the host in 3D: the second one starts
    // from the view point the first one wrote back.
    auto constrain = [&](auto&& rule) {
      if (!m_is3D) {
        rule(m_last.x, m_last.y, x, y);
        return;
      }
      HostView view(m_pSite->HostDispatch());
      const WorkPlane plane = WorkPlane::Read(view);
      Point3 world;
      view.ViewToWorld(x, y, &world.x, &world.y, &world.z);
      Point3 p = plane.ToPlane(world);
      const Point3 last = plane.ToPlane(m_last);
      // The rule works in the plane; heights above it are dropped.
      rule(last.x, last.y, p.x, p.y);
      p.z = 0;
      world = plane.ToWorld(p);
      view.ProjectToView(world.x, world.y, world.z, &x, &y);
    };
    if (m_polarFlags & POLAR_ANGLE_FIXED) {
      constrain([this](double lx, double ly, double& px, double& py) {
        ApplyDirectionRule(m_polarAngle, lx, ly, px, py);
      });
    }
    if (m_polarFlags & POLAR_LENGTH_FIXED) {
      constrain([this](double lx, double ly, double& px, double& py) {
        ApplyLengthRule(m_polarLength, lx, ly, px, py);
      });
    }
  }

  // The container gets the last word: whatever its handler leaves is the point.
  if (!KeyHeld(m_pSite->NoSnapKey())) m_pSite->Snap(x, y);
}

void EditController::SnapScreenPoint(POINT& pt) {
  double x = pt.x;
  double y = pt.y;
  ConvertAndSnap(x, y);
  if (m_pEngine) m_pEngine->WorldToScreen(&x, &y);
  // A Snap answer or a host transform may put the point anywhere, NaN included.
  pt.x = PixelFromDouble(x);
  pt.y = PixelFromDouble(y);
}
