// Picking: which vertex or world point lies under a press in the host view.
#include <cmath>

#include "editcore/edit_controller.h"

namespace {
// Half the side of the square hit area, in view pixels, tested per axis inclusively.
constexpr double kPickTolerance = 3.0;

// The press as doubles, converted once per pick rather than once per vertex.
struct PressPoint {
  double x, y;
  explicit PressPoint(const POINT& pt) : x(pt.x), y(pt.y) {}
};

bool WithinTolerance(double x, double y, const PressPoint& at) {
  // Written as the hit rather than the miss, so that a point at NaN is never hit.
  return std::fabs(x - at.x) <= kPickTolerance && std::fabs(y - at.y) <= kPickTolerance;
}

// Small enough to be written into the pick's loop, where a large figure spends the whole
// press: what is left per vertex is the host's conversion and the comparison.
bool HitsOnScreen(HostEngine* engine, bool is3D, double x, double y, double z, const PressPoint& at) {
  if (!engine) return false;
  if (is3D) engine->WorldToView3D(&x, &y, &z);
  engine->WorldToScreen(&x, &y);
  return WithinTolerance(x, y, at);
}
}  // namespace

bool EditController::HitsWorldPoint(double x, double y, double z, const POINT& pt) {
  return HitsOnScreen(m_pEngine, m_is3D, x, y, z, PressPoint(pt));
}

bool EditController::WithinPickTolerance(double x, double y, const POINT& pt) {
  return WithinTolerance(x, y, PressPoint(pt));
}

int32_t EditController::PickVertex(int32_t x, int32_t y, int32_t* pRing) {
  const PressPoint at(POINT{x, y});
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    Ring& ring = m_figure.Vertices(r);
    const int32_t count = m_figure.VertexCount(r);
    // The begin/end lock keeps the ends of every ring out of reach.
    const int32_t first = m_noBeginEndEdit ? 1 : 0;
    const int32_t end = m_noBeginEndEdit ? count - 1 : count;
    if (end > 0) ring.EnsureIndex(end - 1);
    for (int32_t i = first; i < end; ++i) {
      if (HitsOnScreen(m_pEngine, m_is3D, ring.x[i], ring.y[i], m_is3D ? ring.z[i] : 0.0, at)) {
        *pRing = r;
        return i;
      }
    }
  }
  return -1;
}
