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

namespace {
// The scan of one ring: the first vertex of [first, end) that the press hits, or -1.
// Written once per dimension, with the engine held in a local, so the loop carries no
// test that cannot change and reloads nothing the host's call could not have changed.
int32_t ScanRing2D(HostEngine* engine, const double* xs, const double* ys, int32_t first, int32_t end,
                   const PressPoint& at) {
  for (int32_t i = first; i < end; ++i) {
    double x = xs[i], y = ys[i];
    engine->WorldToScreen(&x, &y);
    if (WithinTolerance(x, y, at)) return i;
  }
  return -1;
}

int32_t ScanRing3D(HostEngine* engine, const double* xs, const double* ys, const double* zs, int32_t first,
                   int32_t end, const PressPoint& at) {
  for (int32_t i = first; i < end; ++i) {
    double x = xs[i], y = ys[i], z = zs[i];
    engine->WorldToView3D(&x, &y, &z);
    engine->WorldToScreen(&x, &y);
    if (WithinTolerance(x, y, at)) return i;
  }
  return -1;
}
}  // namespace

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
    const int32_t i = m_is3D ? ScanRing3D(engine, ring.x, ring.y, ring.z, first, end, at)
                             : ScanRing2D(engine, ring.x, ring.y, first, end, at);
    if (i >= 0) {
      *pRing = r;
      return i;
    }
  }
  return -1;
}
