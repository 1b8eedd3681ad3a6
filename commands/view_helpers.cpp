// Where the rotate and scale pivot and the polar base point start: the centre of the
// figure, kept visible in the host's view.
#include <algorithm>

#include "editcore/edit_controller.h"
#include "platform/window.h"

int EditController::ComputeCentre(Point3& centre, int* pUsed) {
  if (pUsed) *pUsed = 0;
  if (m_figure.RingCount() < 1) return 0;
  // Every ring writes its centre in turn, so the last ring decides.
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    const int32_t n = m_figure.VertexCount(r);
    if (n <= 0) {
      centre = m_basePoint;
      if (pUsed) *pUsed = 1;
      continue;
    }
    Ring& ring = m_figure.Vertices(r);
    ring.EnsureIndex(n - 1);
    double minX = ring.x[0], maxX = ring.x[0], minY = ring.y[0], maxY = ring.y[0];
    double minZ = m_is3D ? ring.z[0] : 0.0, maxZ = minZ;
    for (int32_t i = 1; i < n; ++i) {
      minX = std::min(minX, ring.x[i]);
      maxX = std::max(maxX, ring.x[i]);
      minY = std::min(minY, ring.y[i]);
      maxY = std::max(maxY, ring.y[i]);
      if (m_is3D) {
        minZ = std::min(minZ, ring.z[i]);
        maxZ = std::max(maxZ, ring.z[i]);
      }
    }
    centre = {(minX + maxX) * 0.5, (minY + maxY) * 0.5, (minZ + maxZ) * 0.5};
  }
  return 1;
}

void EditController::BringIntoView(Point3& p, BOOL force, BOOL keep) {
  RECT client{0, 0, 0, 0};
  double sx = p.x, sy = p.y;
  if (m_pPaintEngine) {
    GetClientRect(m_pPaintEngine->GetViewWindow(), &client);
    m_pPaintEngine->WorldToScreen(&sx, &sy);
  }
  if (keep) return;
  if (!force && client.left <= sx && sx <= client.right && client.top <= sy && sy <= client.bottom) return;
  double cx = (static_cast<double>(client.left) + client.right) * 0.5;
  double cy = (static_cast<double>(client.top) + client.bottom) * 0.5;
  // Without an engine there is no world point for the view's middle: leave the point.
  if (!m_pEngine) return;
  m_pEngine->ScreenToWorld(&cx, &cy);
  p.x = cx;
  p.y = cy;
}
