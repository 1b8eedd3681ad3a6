// Picking: which vertex or world point lies under a press in the host view.
#include <cmath>

#include "editcore/edit_controller.h"

namespace {
// Half the side of the square hit area, in view pixels, tested per axis inclusively.
constexpr double kPickTolerance = 3.0;
}  // namespace

bool EditController::HitsWorldPoint(double x, double y, double z, const POINT& pt) {
  if (!m_pEngine) return false;
  if (m_is3D) m_pEngine->WorldToView3D(&x, &y, &z);
  m_pEngine->WorldToScreen(&x, &y);
  return WithinPickTolerance(x, y, pt);
}

bool EditController::WithinPickTolerance(double x, double y, const POINT& pt) {
  // Written as the hit rather than the miss, so that a point at NaN is never hit.
  return std::fabs(x - pt.x) <= kPickTolerance && std::fabs(y - pt.y) <= kPickTolerance;
}

int32_t EditController::PickVertex(int32_t x, int32_t y, int32_t* pRing) {
  const POINT pt{x, y};
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    Ring& ring = m_figure.Vertices(r);
    const int32_t count = m_figure.VertexCount(r);
    // The begin/end lock keeps the ends of every ring out of reach.
    const int32_t first = m_noBeginEndEdit ? 1 : 0;
    const int32_t end = m_noBeginEndEdit ? count - 1 : count;
    if (end > 0) ring.EnsureIndex(end - 1);
    for (int32_t i = first; i < end; ++i) {
      if (HitsWorldPoint(ring.x[i], ring.y[i], m_is3D ? ring.z[i] : 0.0, pt)) {
        *pRing = r;
        return i;
      }
    }
  }
  return -1;
}
