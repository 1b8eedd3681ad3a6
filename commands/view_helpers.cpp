// Where the rotate and scale pivot and the polar base point start: the centre of the
// figure, kept visible in the host's view.
#include <algorithm>

#include "editcore/edit_controller.h"
#include "platform/window.h"

int EditController::ComputeCentre(double* x, double* y, double* z, int* pUsed) {
  if (pUsed) *pUsed = 0;
  if (m_figure.RingCount() < 1) return 0;
  // Every ring writes its centre in turn, so the last ring decides.
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    const int32_t n = m_figure.VertexCount(r);
    if (n <= 0) {
      *x = m_basePointX;
      *y = m_basePointY;
      *z = m_basePointZ;
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
    *x = (minX + maxX) * 0.5;
    *y = (minY + maxY) * 0.5;
    *z = (minZ + maxZ) * 0.5;
  }
  return 1;
}

void EditController::BringIntoView(double* x, double* y, BOOL force, BOOL keep) {
  RECT client{0, 0, 0, 0};
  double sx = *x, sy = *y;
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
  *x = cx;
  *y = cy;
}
