#include "feedback/geometry.h"

#include <cmath>

namespace {
constexpr double kLongLoopTurns = 1.0e6;
}  // namespace

double AngleOfVector(double x1, double y1, double x2, double y2) {
  // Axis-aligned vectors are answered exactly, without going through arccos.
  if (x1 == x2) {
    if (y1 == y2) return 0.0;
    return y2 > y1 ? kHalfPi : kThreeHalfPi;
  }
  if (y2 == y1) return x2 > x1 ? 0.0 : kPi;

  const double dx = x2 - x1;
  const double dy = y2 - y1;
  const double len = std::sqrt(dy * dy + dx * dx);
  if (len == 0.0) return 0.0;  // both differences underflowed
  double c = std::fabs(dx) / len;
  if (c > 1.0) c = 1.0;  // rounding may push it just past 1, outside acos' domain
  const double alpha = std::acos(c);

  if (x2 > x1) return y2 > y1 ? alpha : kTwoPi - alpha;
  return y2 < y1 ? alpha + kPi : kPi - alpha;
}

void RotateAboutPoint(double* x, double* y, double cx, double cy, double angle) {
  *x -= cx;
  *y -= cy;
  const double r = std::sqrt(*y * *y + *x * *x);
  if (r > 0.0) {
    // Polar form keeps the radius exactly, so repeated small turns during a drag do
    // not make the figure creep in or out.
    double t = AngleOfVector(0.0, 0.0, *x, *y) + angle;
    NormalizeAngle(&t);
    *x = r * std::cos(t);
    *y = r * std::sin(t);
  }
  *x += cx;
  *y += cy;
}

void ScaleAboutPoint(double* x, double* y, double cx, double cy, double factor, double* z, const double* cz) {
  *x = (*x - cx) * factor + cx;
  *y = (*y - cy) * factor + cy;
  if (z != nullptr && cz != nullptr) *z = (*z - *cz) * factor + *cz;
}

void NormalizeAngle(double* angle) {
  // A non-finite angle would never leave the loops below; a pointer handler must not
  // hang on one, so it is left as it is.
  if (!std::isfinite(*angle)) return;
  // Far outside a few turns the loops would run for ages (or forever, once 2π is below
  // the value's resolution); fmod brings the angle within one turn first.
  if (std::fabs(*angle) > kLongLoopTurns * kTwoPi) *angle = std::fmod(*angle, kTwoPi);
  while (*angle < 0.0) *angle += kTwoPi;
  // Adding 2π to a tiny negative angle can round up to exactly 2π itself.
  while (*angle >= kTwoPi) *angle -= kTwoPi;
}

void RotateX(double* x, double* y, double* z, double angle) {
  (void)x;
  const double c = std::cos(angle), s = std::sin(angle);
  const double y0 = *y, z0 = *z;
  *y = y0 * c - z0 * s;
  *z = y0 * s + z0 * c;
}

void RotateY(double* x, double* y, double* z, double angle) {
  (void)y;
  const double c = std::cos(angle), s = std::sin(angle);
  const double x0 = *x, z0 = *z;
  *x = x0 * c - z0 * s;
  *z = x0 * s + z0 * c;
}

void RotateZ(double* x, double* y, double* z, double angle) {
  (void)z;
  const double c = std::cos(angle), s = std::sin(angle);
  const double x0 = *x, y0 = *y;
  *x = x0 * c - y0 * s;
  *y = x0 * s + y0 * c;
}

void PlaneToWorld(double* x, double* y, double* z, const double angles[3]) {
  RotateZ(x, y, z, angles[2]);
  RotateY(x, y, z, angles[1]);
  RotateX(x, y, z, angles[0]);
}

void WorldToPlane(double* x, double* y, double* z, const double angles[3]) {
  // Undoes PlaneToWorld: the inverse rotations in the reverse order.
  RotateX(x, y, z, -angles[0]);
  RotateY(x, y, z, -angles[1]);
  RotateZ(x, y, z, -angles[2]);
}

