// Geometry on plain doubles shared by the pointer handlers, the painter and the
// context menu. Angles are radians, counter-clockwise from +X with +Y up. Nothing
// here talks to the host: pixel conversions are the host engine's.
#pragma once

#include <cmath>

// The editor has always used these decimal values; they are kept as written so that
// angles compare the same way they always have.
constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 6.28318530717958;
constexpr double kHalfPi = 1.570796326794895;
constexpr double kThreeHalfPi = 4.712388980384685;

// Direction of the vector from (x1, y1) to (x2, y2), in [0, 2π); 0 when the points
// coincide.
double AngleOfVector(double x1, double y1, double x2, double y2);

// Turns (*x, *y) about (cx, cy) by angle. The radius is kept exactly; a point on the
// centre stays put.
void RotateAboutPoint(double* x, double* y, double cx, double cy, double angle);

// Scales (*x, *y) about (cx, cy) by factor; *z about *cz as well when both are given.
void ScaleAboutPoint(double* x, double* y, double cx, double cy, double factor, double* z = nullptr,
                     const double* cz = nullptr);

// Brings *angle into [0, 2π).
void NormalizeAngle(double* angle);

// Rotations of a point about one axis of the world frame.
void RotateX(double* x, double* y, double* z, double angle);  // y-z plane
void RotateY(double* x, double* y, double* z, double angle);  // x-z plane
void RotateZ(double* x, double* y, double* z, double angle);  // x-y plane

// Work-plane frame changes for directions (vectors): angles are the plane's rotations
// about X, Y and Z as the host's GetWorkPlane returns them. The plane's origin is not
// involved; callers subtract it before WorldToPlane and add it after PlaneToWorld.
void PlaneToWorld(double* x, double* y, double* z, const double angles[3]);
void WorldToPlane(double* x, double* y, double* z, const double angles[3]);

// Pixel positions handed to GDI are truncated through this one function. A world point
// can land anywhere once the host has converted it (NaN, infinities, 1e308 from a Snap
// answer or a record, a zoom of 1e7), and a double outside the int range has no defined
// conversion. Values are clamped to +-kPixelLimit first, NaN to 0: far outside any view,
// yet so far from INT_MAX that a grip's offsets, the sum of two positions for a midpoint
// and the box of a circle still fit in an int.
constexpr int kPixelLimit = 1 << 26;
// Inline: the overlay converts every vertex's two coordinates on every repaint.
inline int PixelFromDouble(double v) {
  // One compare settles every position inside the limits; NaN fails it too.
  if (std::fabs(v) < kPixelLimit) return static_cast<int>(v);
  if (std::isnan(v)) return 0;
  if (v >= kPixelLimit) return kPixelLimit;
  if (v <= -kPixelLimit) return -kPixelLimit;
  return static_cast<int>(v);
}
