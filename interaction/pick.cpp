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

// Written into the pick's loop, where a large figure spends the whole press: what is left
// per vertex is the host's conversion and the comparison. The engine is not null.
[[gnu::always_inline]] inline bool HitsOnScreen(HostEngine* engine, bool is3D, double x, double y, double z,
                                                const PressPoint& at) {
  if (is3D) engine->WorldToView3D(&x, &y, &z);
  engine->WorldToScreen(&x, &y);
  return WithinTolerance(x, y, at);
}

// The scan of one ring: the first vertex of [first, end) that the press hits, or -1. One
// form per dimension, with the engine held in a local, so the loop carries no test that
// cannot change and reloads nothing the host's call could not have changed.
template <bool k3D>
int32_t ScanRing(HostEngine* engine, const Ring& ring, int32_t first, int32_t end, const PressPoint& at) {
  const double *const xs = ring.x, *const ys = ring.y, *const zs = ring.z;
  for (int32_t i = first; i < end; ++i)
    if (HitsOnScreen(engine, k3D, xs[i], ys[i], k3D ? zs[i] : 0.0, at)) return i;
  return -1;
}
}  // namespace

bool EditController::HitsWorldPoint(double x, double y, double z, const POINT& pt) {
  return m_pEngine && HitsOnScreen(m_pEngine, m_is3D, x, y, z, PressPoint(pt));
}

bool EditController::WithinPickTolerance(double x, double y, const POINT& pt) {
  return WithinTolerance(x, y, PressPoint(pt));
}

int32_t EditController::PickVertex(int32_t x, int32_t y, int32_t* pRing) {
  HostEngine* const engine = m_pEngine;
  if (!engine) return -1;
  const PressPoint at(POINT{x, y});
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    Ring& ring = m_figure.Vertices(r);
    const int32_t count = m_figure.VertexCount(r);
    // The begin/end lock keeps the ends of every ring out of reach.
    const int32_t first = m_noBeginEndEdit ? 1 : 0;
    const int32_t end = m_noBeginEndEdit ? count - 1 : count;
    if (end <= first) continue;
    ring.EnsureIndex(end - 1);
    const int32_t i =
        m_is3D ? ScanRing<true>(engine, ring, first, end, at) : ScanRing<false>(engine, ring, first, end, at);
    if (i >= 0) {
      *pRing = r;
      return i;
    }
  }
  return -1;
}
