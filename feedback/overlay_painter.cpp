// The overlay painted over the host view on every repaint.
#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "editcore/module_state.h"
#include "editcore/edit_controller.h"
#include "editcore/fast_paths.h"
#include "editcore/work_plane.h"
#include "feedback/geometry.h"
#include "feedback/grips.h"
#include "feedback/overlay_canvas.h"
#include "hostlink/host_view.h"
#include "platform/afx_dc.h"
#include "platform/scoped_pen.h"

namespace {

constexpr double kHalfLineLength = 200.0;

inline int Truncate(double v) { return PixelFromDouble(v); }

// A world point to the pixel the host shows it at. Inline, so that the paint's loops,
// which run it for every vertex, make no call of their own around the host's.
inline void ToPixel(HostEngine* engine, bool is3D, double x, double y, double z, int& px, int& py) {
  if (is3D) engine->WorldToView3D(&x, &y, &z);
  engine->WorldToScreen(&x, &y);
  px = Truncate(x);
  py = Truncate(y);
}

// The mark each vertex of a run gets, one kind per step: a grip on the vertex, a
// delete mark on it, a grip at the middle of the segment that ends at it, or none.
enum class RunMark { kNone, kVertexGrip, kDeleteMark, kSegmentGrip };

// Between the ends of a ring every vertex is alike: unlocked, neither closing nor the one
// being drawn or split. Each is a conversion, its mark and, joined to the one before (in
// 3D, of the same part), a segment; the run stops before `end`, the next vertex the
// general case must paint (the ring's last, or the one being split). Out of line, one per
// dimension and mark, so that each loop tests nothing but what its vertices decide and
// gets the registers to itself.
template <bool k3D, RunMark kMark>
[[gnu::noinline]] void PaintRun(OverlayCanvas& canvas, HostEngine* engine, const Ring& ring, int32_t& index,
                                int32_t end, int& lastX, int& lastY, int32_t& lastPart) {
  int32_t i = index;
  int prevX = lastX, prevY = lastY;
  int32_t prevPart = lastPart;
  // In locals, the arrays need not be read again after every call to the host.
  const double *const xs = ring.x, *const ys = ring.y, *const zs = ring.z;
  const int32_t* const parts = ring.part;
  const auto paint = [&](int x, int y) {
    const bool joined = !k3D || parts[i] == prevPart;
    if constexpr (kMark == RunMark::kVertexGrip) canvas.SquareGrip(x, y);
    if constexpr (kMark == RunMark::kDeleteMark) canvas.BoxedCross(x, y);
    if constexpr (kMark == RunMark::kSegmentGrip)
      if (joined) canvas.SquareGrip((prevX + x) / 2, (prevY + y) / 2);
    if (joined) canvas.Segment(prevX, prevY, x, y);
    if constexpr (k3D) prevPart = parts[i];
    prevX = x;
    prevY = y;
  };
  if constexpr (k3D) {
    // In 3D a chunk's conversions (two host calls each) come first, in the same order,
    // then its marks and segments: the calls then pipeline with nothing between them,
    // and a mark's mispredicted branch throws no conversion away. A sparse figure, whose
    // neighbouring vertices land on a pixel or the next as a coin falls, paints 10-20%
    // faster; in 2D the one call per vertex gains less than the chunk costs.
    constexpr int32_t kChunk = 128;
    struct Pixel {
      int x, y;
    } chunk[kChunk];
    while (i < end) {
      const int32_t count = std::min(kChunk, end - i);
      for (int32_t k = 0; k < count; ++k)
        ToPixel(engine, true, xs[i + k], ys[i + k], zs[i + k], chunk[k].x, chunk[k].y);
      for (int32_t k = 0; k < count; ++k, ++i) paint(chunk[k].x, chunk[k].y);
    }
  } else {
    for (; i < end; ++i) {
      int x, y;
      ToPixel(engine, false, xs[i], ys[i], 0.0, x, y);
      paint(x, y);
    }
  }
  index = i;
  lastX = prevX;
  lastY = prevY;
  lastPart = prevPart;
}

template <bool k3D>
void PaintRunOf(RunMark mark, OverlayCanvas& canvas, HostEngine* engine, const Ring& ring, int32_t& index,
                int32_t end, int& lastX, int& lastY, int32_t& lastPart) {
  switch (mark) {
    case RunMark::kNone:
      return PaintRun<k3D, RunMark::kNone>(canvas, engine, ring, index, end, lastX, lastY, lastPart);
    case RunMark::kVertexGrip:
      return PaintRun<k3D, RunMark::kVertexGrip>(canvas, engine, ring, index, end, lastX, lastY, lastPart);
    case RunMark::kDeleteMark:
      return PaintRun<k3D, RunMark::kDeleteMark>(canvas, engine, ring, index, end, lastX, lastY, lastPart);
    case RunMark::kSegmentGrip:
      return PaintRun<k3D, RunMark::kSegmentGrip>(canvas, engine, ring, index, end, lastX, lastY, lastPart);
  }
}

}  // namespace

void EditController::WorldToPixel(double x, double y, double z, int& px, int& py) const {
  ToPixel(m_pPaintEngine, m_is3D, x, y, z, px, py);
}

void EditController::PaintOverlay(CDC* pDC) {
  ModuleStateScope state;
  // The host's repaint has wiped any rubber band, so the next move must not erase one.
  m_rubberDrawn = false;
  if (!m_pPaintEngine || !pDC) return;
  HDC hdc = pDC->GetSafeHdc();
  // Nothing may unwind into the host's paint: a paint that fails just draws no more.
  try {
    const COLORREF color = m_pSite->OverlayColor();
    HPEN overlayPen = CreatePen(PS_SOLID, 1, color);
    ScopedPen selected(hdc, overlayPen);
    // Dotted lines leave their gaps alone instead of filling them with the background.
    const int oldBkMode = SetBkMode(hdc, TRANSPARENT);
    struct BkModeBack {
      HDC hdc;
      int mode;
      ~BkModeBack() { SetBkMode(hdc, mode); }
    } bkModeBack{hdc, oldBkMode};

    if (m_hiliteCount > 0) {
      OverlayCanvas canvas(hdc);
      HostEngine* const engine = m_pPaintEngine;
      const bool is3D = m_is3D;
      for (int32_t i = 0; i < m_hiliteCount; ++i) {
        int x = 0, y = 0;
        ToPixel(engine, is3D, m_hiliteRing.x[i], m_hiliteRing.y[i], m_hiliteRing.z[i], x, y);
        if (i == 0) canvas.CircleGrip(x, y);
        canvas.CrossMark(x, y);
        if (i == m_hiliteCount - 1) canvas.CircleGrip(x, y);
      }
    }

    PaintRings(*pDC, overlayPen, color);

    if (AboutCentre(m_step)) {
      int x = 0, y = 0;
      WorldToPixel(m_drag.x, m_drag.y, m_drag.z, x, y);
      DrawCircleGrip(hdc, x, y);
    }

    if (m_polarFlags & (POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED)) PaintPolarMarks(hdc);
  } catch (...) {
  }
}

void EditController::OnPainterDetached() {
  ControlKeepAlive keepAlive(*this);
  m_painterRegistered = false;
  m_pPaintEngine = nullptr;
  try {
    EndEdit(false);
  } catch (...) {
    // The host is letting go of the painter; whatever the edit's end failed at, it must
    // not travel back into the host.
  }
}

void EditController::OnOtherPaintEvent(DWORD) {}

void EditController::PaintRings(CDC& dc, HPEN, COLORREF color) {
  HDC hdc = dc.GetSafeHdc();
  // What decides the marks is read once: only the host's conversions run in the loop.
  const bool vertexGrips = m_step == EditStep::ChooseVertexToMove || m_step == EditStep::DragVertex;
  const bool deleteMarks = m_step == EditStep::ChooseVertexToDelete || m_step == EditStep::ConfirmDelete;
  const bool splitGrip = m_step == EditStep::DragSplitVertex;
  const bool segmentGrips = m_step == EditStep::ChooseSegmentToSplit || splitGrip;
  const bool drawing = m_step == EditStep::Draw;
  const bool polygon = m_mode == MODE_POLYGON;
  const bool lockEnds = m_noBeginEndEdit != 0;
  const bool is3D = m_is3D;
  HostEngine* const engine = m_pPaintEngine;
  // Off with the fast paths, so that the general loop can be compared against it.
  const bool runs = FastPaths::enabled;
  const RunMark mark = vertexGrips    ? RunMark::kVertexGrip
                       : deleteMarks  ? RunMark::kDeleteMark
                       : segmentGrips ? RunMark::kSegmentGrip
                                      : RunMark::kNone;
  OverlayCanvas canvas(hdc);
  for (int32_t r = 0; r < m_figure.RingCount(); ++r) {
    const Ring& ring = std::as_const(m_figure).Vertices(r);
    const int32_t n = m_figure.VertexCount(r);
    const bool lastRing = r == m_figure.LastRing();
    const int32_t splitVertex = splitGrip && r == m_figure.CurrentRing() ? m_curVertex : -1;
    int prevX = 0, prevY = 0;
    int32_t prevPart = 1;
    for (int32_t i = 0; i < n; ++i) {
      if (runs && i > 0 && i != splitVertex) {
        const int32_t end = splitVertex > i && splitVertex < n - 1 ? splitVertex : n - 1;
        if (is3D)
          PaintRunOf<true>(mark, canvas, engine, ring, i, end, prevX, prevY, prevPart);
        else
          PaintRunOf<false>(mark, canvas, engine, ring, i, end, prevX, prevY, prevPart);
      }
      const int32_t part = is3D ? ring.part[i] : 1;
      int x = 0, y = 0;
      ToPixel(engine, is3D, ring.x[i], ring.y[i], ring.z[i], x, y);
      const bool unlocked = (i != 0 && i != n - 1) || !lockEnds;

      if ((unlocked && vertexGrips) || i == splitVertex) canvas.SquareGrip(x, y);
      if (unlocked && deleteMarks) canvas.BoxedCross(x, y);

      // A polygon closes each ring from its last vertex back to its first.
      const bool closing = i == 0 && polygon;
      int endX = 0, endY = 0;
      if (closing) ToPixel(engine, is3D, ring.x[n - 1], ring.y[n - 1], ring.z[n - 1], endX, endY);
      const bool joined = i > 0 && part == prevPart;

      if (segmentGrips) {
        // Halving an int sum in doubles and truncating is the int division: the sum is
        // exact in a double and within 2^27, so nothing is clamped either.
        if (closing) canvas.SquareGrip((endX + x) / 2, (endY + y) / 2);
        if (joined) canvas.SquareGrip((prevX + x) / 2, (prevY + y) / 2);
      }
      if (drawing && i == n - 1 && lastRing) canvas.CircleGrip(x, y);

      if (closing) {
        if (lastRing) {
          // The ring still being drawn shows its closing side dotted.
          canvas.Flush();
          ScopedPen dotted(hdc, PS_DOT, color);
          canvas.StyledSegment(endX, endY, x, y);
        } else {
          canvas.Segment(endX, endY, x, y);
        }
      } else if (joined) {
        canvas.Segment(prevX, prevY, x, y);
      }
      prevX = x;
      prevY = y;
      prevPart = part;
    }
  }
}

void EditController::PaintPolarMarks(HDC hdc) {
  UpdatePolarReference();

  const double a = m_polarAngle, length = m_polarLength;
  const bool angleFixed = (m_polarFlags & POLAR_ANGLE_FIXED) != 0;
  const bool lengthFixed = (m_polarFlags & POLAR_LENGTH_FIXED) != 0;
  if (m_is3D) {
    HostView view(m_pSite->HostDispatch());
    const WorkPlane plane = WorkPlane::Read(view);
    const Point3 point = m_last;
    if (angleFixed && lengthFixed) {
      DrawPlaneCrossPair(view, m_pPaintEngine, hdc, plane, point, a, length);
    } else if (angleFixed) {
      DrawPlaneDirectionLine(view, m_pPaintEngine, hdc, plane, point, a);
    } else {
      DrawPlaneCircle(view, m_pPaintEngine, hdc, plane, point, length);
    }
  } else if (angleFixed && lengthFixed) {
    double x1 = m_last.x + length * std::cos(a), y1 = m_last.y + length * std::sin(a);
    double x2 = m_last.x + length * std::cos(a + kPi), y2 = m_last.y + length * std::sin(a + kPi);
    m_pPaintEngine->WorldToScreen(&x1, &y1);
    m_pPaintEngine->WorldToScreen(&x2, &y2);
    DrawGrayCrossPair(hdc, Truncate(x1), Truncate(y1), Truncate(x2), Truncate(y2));
  } else if (angleFixed) {
    // Fixed on the screen, not in the world: the line is as long at every zoom.
    double x0 = m_last.x, y0 = m_last.y;
    m_pPaintEngine->WorldToScreen(&x0, &y0);
    DrawGrayDottedLine(
        hdc, Truncate(x0 + kHalfLineLength * std::cos(a)), Truncate(y0 + kHalfLineLength * std::sin(a + kPi)),
        Truncate(x0 + kHalfLineLength * std::cos(a + kPi)), Truncate(y0 + kHalfLineLength * std::sin(a)));
  } else {
    double left = m_last.x - length, bottom = m_last.y - length;
    double right = m_last.x + length, top = m_last.y + length;
    m_pPaintEngine->WorldToScreen(&left, &bottom);
    m_pPaintEngine->WorldToScreen(&right, &top);
    DrawGrayDottedEllipse(hdc, Truncate(left), Truncate(bottom), Truncate(right), Truncate(top));
  }

  if (m_polarFlags & POLAR_FROM_BASE) {
    int x = 0, y = 0;
    WorldToPixel(m_last.x, m_last.y, m_last.z, x, y);
    DrawCircleGrip(hdc, x, y);
  }
}
