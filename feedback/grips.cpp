// Grip and mark primitives of the overlay.
#include "feedback/grips.h"

#include <cmath>

#include "feedback/geometry.h"
#include "hostlink/host_interfaces.h"
#include "hostlink/host_view.h"

namespace {

constexpr COLORREF kMarkGray = RGB(192, 192, 192);
constexpr double kTenDegrees = 0.17453292519943295;
constexpr int kChordCount = 36;
constexpr double kHalfLineLength = 200.0;

// Selects a fresh gray pen for one mark and gives the old one back when it goes.
class GrayPen {
 public:
  GrayPen(HDC hdc, int style) : m_hdc(hdc), m_pen(CreatePen(style, 1, kMarkGray)) {
    m_old = SelectObject(m_hdc, m_pen);
  }
  ~GrayPen() {
    SelectObject(m_hdc, m_old);
    DeleteObject(m_pen);
  }
  GrayPen(const GrayPen&) = delete;
  GrayPen& operator=(const GrayPen&) = delete;

 private:
  HDC m_hdc;
  HPEN m_pen;
  HGDIOBJ m_old;
};

// The work-plane frame around one mark: the point is taken into the plane (its height
// dropped) on entry and back into the world on exit.
class PlaneFrame {
 public:
  PlaneFrame(HostView& view, HostEngine* engine, double* point, const double angles[3], const double origin[3])
      : m_view(view), m_engine(engine), m_point(point), m_angles(angles), m_origin(origin) {
    for (int i = 0; i < 3; ++i) m_point[i] -= m_origin[i];
    WorldToPlane(&m_point[0], &m_point[1], &m_point[2], m_angles);
    m_point[2] = 0;
  }
  ~PlaneFrame() {
    PlaneToWorld(&m_point[0], &m_point[1], &m_point[2], m_angles);
    for (int i = 0; i < 3; ++i) m_point[i] += m_origin[i];
  }
  PlaneFrame(const PlaneFrame&) = delete;
  PlaneFrame& operator=(const PlaneFrame&) = delete;

  // A plane point as the host's 2D view sees it.
  void ToView(double px, double py, double& vx, double& vy) const {
    double x = px, y = py, z = 0;
    PlaneToWorld(&x, &y, &z, m_angles);
    m_view.ProjectToView(x + m_origin[0], y + m_origin[1], z + m_origin[2], &vx, &vy);
  }
  // A plane point as a pixel position.
  POINT ToPixel(double px, double py) const {
    double vx = 0, vy = 0;
    ToView(px, py, vx, vy);
    m_engine->WorldToScreen(&vx, &vy);
    return POINT{PixelFromDouble(vx), PixelFromDouble(vy)};
  }

 private:
  HostView& m_view;
  HostEngine* m_engine;
  double* m_point;
  const double* m_angles;
  const double* m_origin;
};

}  // namespace

void DrawSquareGrip(HDC hdc, int x, int y) {
  MoveToEx(hdc, x - 3, y - 3, nullptr);
  LineTo(hdc, x + 3, y - 3);
  LineTo(hdc, x + 3, y + 3);
  LineTo(hdc, x - 3, y + 3);
  LineTo(hdc, x - 3, y - 3);
}

void DrawCircleGrip(HDC hdc, int x, int y) { Ellipse(hdc, x - 3, y - 3, x + 4, y + 4); }

void DrawCrossMark(HDC hdc, int x, int y) {
  // LineTo leaves out its end pixel, so the lower arms stop 3 pixels from the centre too.
  MoveToEx(hdc, x - 3, y - 3, nullptr);
  LineTo(hdc, x + 4, y + 4);
  MoveToEx(hdc, x + 3, y - 3, nullptr);
  LineTo(hdc, x - 4, y + 4);
}

void DrawBoxedCross(HDC hdc, int x, int y) {
  DrawSquareGrip(hdc, x, y);
  MoveToEx(hdc, x - 3, y - 3, nullptr);
  LineTo(hdc, x + 3, y + 3);
  MoveToEx(hdc, x + 3, y - 3, nullptr);
  LineTo(hdc, x - 3, y + 3);
}

void DrawGrayDottedLine(HDC hdc, int x1, int y1, int x2, int y2) {
  GrayPen pen(hdc, PS_DOT);
  MoveToEx(hdc, x1, y1, nullptr);
  LineTo(hdc, x2, y2);
}

void DrawGrayDottedEllipse(HDC hdc, int left, int top, int right, int bottom) {
  GrayPen pen(hdc, PS_DOT);
  // An arc that starts and ends at the same point goes all the way round.
  Arc(hdc, left, top, right, bottom, left, top, left, top);
}

void DrawGrayCrossPair(HDC hdc, int x1, int y1, int x2, int y2) {
  GrayPen pen(hdc, PS_SOLID);
  DrawCrossMark(hdc, x1, y1);
  DrawCrossMark(hdc, x2, y2);
}

void DrawPlaneCircle(HostView& view, HostEngine* engine, HDC hdc, double* point, double radius, const double angles[3],
                     const double origin[3]) {
  GrayPen pen(hdc, PS_DOT);
  PlaneFrame frame(view, engine, point, angles, origin);
  double t = 0;
  // Each chord starts where the previous one ended, so every point is converted once.
  POINT from = frame.ToPixel(point[0] + radius, point[1]);
  for (int i = 0; i < kChordCount; ++i) {
    // Clamped so that the last chord ends exactly where the first began.
    t += kTenDegrees;
    if (t < 0) t = 0;
    if (t > kTwoPi) t = kTwoPi;
    const POINT to = frame.ToPixel(point[0] + radius * std::cos(t), point[1] + radius * std::sin(t));
    MoveToEx(hdc, from.x, from.y, nullptr);
    LineTo(hdc, to.x, to.y);
    from = to;
  }
}

void DrawPlaneCrossPair(HostView& view, HostEngine* engine, HDC hdc, double* point, double angle, double length,
                        const double angles[3], const double origin[3]) {
  GrayPen pen(hdc, PS_SOLID);
  PlaneFrame frame(view, engine, point, angles, origin);
  const POINT first = frame.ToPixel(point[0] + length * std::cos(angle), point[1] + length * std::sin(angle));
  DrawCrossMark(hdc, first.x, first.y);
  const POINT second =
      frame.ToPixel(point[0] + length * std::cos(angle + kPi), point[1] + length * std::sin(angle + kPi));
  DrawCrossMark(hdc, second.x, second.y);
}

void DrawPlaneDirectionLine(HostView& view, HostEngine* engine, HDC hdc, double* point, double angle,
                            const double angles[3], const double origin[3]) {
  GrayPen pen(hdc, PS_DOT);
  PlaneFrame frame(view, engine, point, angles, origin);
  // The plane direction seen on the screen: from the point to one world unit along it.
  double px = 0, py = 0, qx = 0, qy = 0;
  frame.ToView(point[0], point[1], px, py);
  frame.ToView(point[0] + std::cos(angle), point[1] + std::sin(angle), qx, qy);
  const double theta = AngleOfVector(px, py, qx, qy);
  engine->WorldToScreen(&px, &py);
  // Screen Y grows downward, hence the Y components of opposite sign.
  MoveToEx(hdc, PixelFromDouble(px + kHalfLineLength * std::cos(theta)),
           PixelFromDouble(py + kHalfLineLength * std::sin(theta + kPi)), nullptr);
  LineTo(hdc, PixelFromDouble(px + kHalfLineLength * std::cos(theta + kPi)),
         PixelFromDouble(py + kHalfLineLength * std::sin(theta)));
}
