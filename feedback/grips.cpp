// Grip and mark primitives of the overlay.
#include "feedback/grips.h"

#include <cmath>

#include "feedback/geometry.h"
#include "hostlink/host_interfaces.h"
#include "hostlink/host_view.h"
#include "platform/scoped_pen.h"

namespace {

constexpr COLORREF kMarkGray = RGB(192, 192, 192);
constexpr double kTenDegrees = 0.17453292519943295;
constexpr int kChordCount = 36;
constexpr double kHalfLineLength = 200.0;

// The plane point (px, py) as a pixel position: into the world, the host's 2D view,
// then the screen.
POINT PlanePixel(HostView& view, HostEngine* engine, const WorkPlane& plane, double px, double py) {
  double vx = 0, vy = 0;
  PlaneToView(view, plane, px, py, vx, vy);
  engine->WorldToScreen(&vx, &vy);
  return POINT{PixelFromDouble(vx), PixelFromDouble(vy)};
}

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
  ScopedPen pen(hdc, PS_DOT, kMarkGray);
  MoveToEx(hdc, x1, y1, nullptr);
  LineTo(hdc, x2, y2);
}

void DrawGrayDottedEllipse(HDC hdc, int left, int top, int right, int bottom) {
  ScopedPen pen(hdc, PS_DOT, kMarkGray);
  // An arc that starts and ends at the same point goes all the way round.
  Arc(hdc, left, top, right, bottom, left, top, left, top);
}

void DrawGrayCrossPair(HDC hdc, int x1, int y1, int x2, int y2) {
  ScopedPen pen(hdc, PS_SOLID, kMarkGray);
  DrawCrossMark(hdc, x1, y1);
  DrawCrossMark(hdc, x2, y2);
}

void PlaneToView(HostView& view, const WorkPlane& plane, double px, double py, double& vx, double& vy) {
  const Point3 world = plane.ToWorld(Point3{px, py, 0});
  view.ProjectToView(world.x, world.y, world.z, &vx, &vy);
}

void DrawPlaneCircle(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world, double radius) {
  ScopedPen pen(hdc, PS_DOT, kMarkGray);
  const Point3 centre = plane.ToPlane(world);
  double t = 0;
  // Each chord starts where the previous one ended, so every point is converted once.
  POINT from = PlanePixel(view, engine, plane, centre.x + radius, centre.y);
  for (int i = 0; i < kChordCount; ++i) {
    // Clamped so that the last chord ends exactly where the first began.
    t += kTenDegrees;
    if (t < 0) t = 0;
    if (t > kTwoPi) t = kTwoPi;
    const POINT to = PlanePixel(view, engine, plane, centre.x + radius * std::cos(t), centre.y + radius * std::sin(t));
    MoveToEx(hdc, from.x, from.y, nullptr);
    LineTo(hdc, to.x, to.y);
    from = to;
  }
}

void DrawPlaneCrossPair(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world, double angle,
                        double length) {
  ScopedPen pen(hdc, PS_SOLID, kMarkGray);
  const Point3 p = plane.ToPlane(world);
  const POINT first = PlanePixel(view, engine, plane, p.x + length * std::cos(angle), p.y + length * std::sin(angle));
  DrawCrossMark(hdc, first.x, first.y);
  const POINT second =
      PlanePixel(view, engine, plane, p.x + length * std::cos(angle + kPi), p.y + length * std::sin(angle + kPi));
  DrawCrossMark(hdc, second.x, second.y);
}

void DrawPlaneDirectionLine(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world,
                            double angle) {
  ScopedPen pen(hdc, PS_DOT, kMarkGray);
  const Point3 p = plane.ToPlane(world);
  // The plane direction seen on the screen: from the point to one world unit along it.
  double px = 0, py = 0, qx = 0, qy = 0;
  PlaneToView(view, plane, p.x, p.y, px, py);
  PlaneToView(view, plane, p.x + std::cos(angle), p.y + std::sin(angle), qx, qy);
  const double theta = AngleOfVector(px, py, qx, qy);
  engine->WorldToScreen(&px, &py);
  // Screen Y grows downward, hence the Y components of opposite sign.
  MoveToEx(hdc, PixelFromDouble(px + kHalfLineLength * std::cos(theta)),
           PixelFromDouble(py + kHalfLineLength * std::sin(theta + kPi)), nullptr);
  LineTo(hdc, PixelFromDouble(px + kHalfLineLength * std::cos(theta + kPi)),
         PixelFromDouble(py + kHalfLineLength * std::sin(theta)));
}
