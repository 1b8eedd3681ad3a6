// The shared geometry: directions as angles, turning and scaling about a centre, and
// the frame changes between world and work-plane coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "feedback/geometry.h"

namespace {

constexpr double kEps = 1e-12;
const double kSqrt3 = std::sqrt(3.0);

struct Vec3 {
  double x, y, z;
};

std::string Str(const Vec3& v) {
  return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) + ")";
}

void ExpectVec(const Vec3& expected, const Vec3& actual, const std::string& what, double eps = kEps) {
  EXPECT_TRUE(std::fabs(expected.x - actual.x) <= eps && std::fabs(expected.y - actual.y) <= eps &&
              std::fabs(expected.z - actual.z) <= eps)
      << what << ": expected " << Str(expected) << ", got " << Str(actual);
}

// ---------------------------------------------------------------------------------
// AngleOfVector

struct AngleCase {
  const char* name;
  double x1, y1, x2, y2;
  double expected;
};

TEST(GeometryAngleOfVector, GivesTheDirectionInEveryQuadrantAndOnEveryAxis) {
  const AngleCase cases[] = {
      {"zero vector", 3, 4, 3, 4, 0.0},
      {"straight down", 1, 1, 1, -2, kThreeHalfPi},
      {"fourth quadrant, 300 degrees, away from the origin", 10, 20, 11, 20 - kSqrt3, 5 * kPi / 3},
      // Both differences square to zero: the length test answers, not a division by 0.
      {"vector too short to measure", 0, 0, 1e-200, -1e-200, 0.0},
  };
  for (const AngleCase& c : cases) {
    const double got = AngleOfVector(c.x1, c.y1, c.x2, c.y2);
    EXPECT_NEAR(c.expected, got, kEps) << c.name << ": expected " << c.expected << ", got " << got;
  }
}

TEST(GeometryAngleOfVector, StaysWithinOneTurnAndAgreesWithTheDirectionItWasMadeFrom) {
  for (int i = 0; i < 3600; ++i) {
    const double t = i * (2 * std::numbers::pi / 3600);
    const double got = AngleOfVector(1.5, -2.5, 1.5 + 4 * std::cos(t), -2.5 + 4 * std::sin(t));
    ASSERT_GE(got, 0.0) << "direction " << t << " gave " << got;
    ASSERT_LT(got, kTwoPi) << "direction " << t << " gave " << got;
    // 0 and a full turn are the same direction: compare around the circle.
    const double diff = std::remainder(got - t, 2 * std::numbers::pi);
    ASSERT_NEAR(0.0, diff, 1e-9) << "direction " << t << " gave " << got;
  }
}

// ---------------------------------------------------------------------------------
// NormalizeAngle

struct NormalizeCase {
  const char* name;
  double angle;
  double expected;
};

TEST(GeometryNormalizeAngle, BringsAnyAngleIntoOneTurnFromZero) {
  const NormalizeCase cases[] = {
      {"zero stays", 0.0, 0.0},
      {"inside the turn stays", 1.0, 1.0},
      {"just below a turn stays", kTwoPi - 1e-9, kTwoPi - 1e-9},
      {"small negative", -0.5, kTwoPi - 0.5},
      {"a full turn is zero", 2 * std::numbers::pi, 0.0},
      {"the constant itself is zero", kTwoPi, 0.0},
      {"two turns and one", 4 * std::numbers::pi + 1, 1.0},
      {"minus two turns and one", -4 * std::numbers::pi - 1, 2 * std::numbers::pi - 1},
      {"three quarters backwards", -3 * std::numbers::pi / 2, std::numbers::pi / 2},
  };
  for (const NormalizeCase& c : cases) {
    double a = c.angle;
    NormalizeAngle(&a);
    EXPECT_NEAR(c.expected, a, 1e-9) << c.name << ": " << c.angle << " expected " << c.expected << ", got " << a;
    EXPECT_TRUE(a >= 0.0 && a < kTwoPi) << c.name << ": " << a << " is outside [0, 2pi)";
  }
}

TEST(GeometryNormalizeAngle, ReturnsForAnglesTheLoopsCouldNotFinishAndNeverGivesAFullTurn) {
  // -1e-17 + 2pi rounds to 2pi exactly; the result must still be below a turn.
  const double huge[] = {1e300, -1e300, 1e17, -1e-17, -4e-16, -2 * kTwoPi};
  for (double angle : huge) {
    double a = angle;
    NormalizeAngle(&a);
    EXPECT_TRUE(a >= 0.0 && a < kTwoPi) << angle << " normalised to " << a;
  }
  double inf = std::numeric_limits<double>::infinity();
  NormalizeAngle(&inf);
  EXPECT_TRUE(std::isinf(inf)) << "an infinite angle is left as it is, got " << inf;
  double nan = std::numeric_limits<double>::quiet_NaN();
  NormalizeAngle(&nan);
  EXPECT_TRUE(std::isnan(nan)) << "NaN is left as it is, got " << nan;
}

// ---------------------------------------------------------------------------------
// RotateAboutPoint

struct RotateCase {
  const char* name;
  double x, y, cx, cy, angle;
  double ex, ey;
};

TEST(GeometryRotateAboutPoint, TurnsCounterClockwiseAboutTheCentre) {
  const RotateCase cases[] = {
      {"centre itself stays", 4, -2, 4, -2, 1.234, 4, -2},
      {"quarter turn about the origin", 1, 0, 0, 0, std::numbers::pi / 2, 0, 1},
      {"half turn about an offset centre", 3, 2, 1, 1, std::numbers::pi, -1, 0},
      {"negative quarter turn is clockwise", 2, 1, 1, 1, -std::numbers::pi / 2, 1, 0},
      {"sixty degrees", 10, 0, 0, 0, std::numbers::pi / 3, 5, 5 * kSqrt3},
  };
  for (const RotateCase& c : cases) {
    double x = c.x, y = c.y;
    RotateAboutPoint(&x, &y, c.cx, c.cy, c.angle);
    ExpectVec({c.ex, c.ey, 0}, {x, y, 0}, c.name, 1e-9);
  }
}

TEST(GeometryRotateAboutPoint, KeepsTheRadiusOverManySmallTurns) {
  // A rotation drag applies one small turn per pointer move.
  double x = 5, y = 7;
  const double r0 = std::hypot(x - 1, y - 2);
  for (int i = 0; i < 10000; ++i) RotateAboutPoint(&x, &y, 1, 2, 0.0123);
  EXPECT_NEAR(r0, std::hypot(x - 1, y - 2), 1e-9) << "radius drifted to " << std::hypot(x - 1, y - 2);
  // 10000 turns of 0.0123 rad are 123 rad in all.
  double expectX = 5, expectY = 7;
  RotateAboutPoint(&expectX, &expectY, 1, 2, 123.0);
  ExpectVec({expectX, expectY, 0}, {x, y, 0}, "small turns add up to the whole", 1e-7);
}

// ---------------------------------------------------------------------------------
// ScaleAboutPoint

TEST(GeometryScaleAboutPoint, ScalesDistancesFromTheCentre) {
  struct Case {
    const char* name;
    double x, y, cx, cy, f;
    double ex, ey;
  };
  const Case cases[] = {
      {"double", 3, 4, 1, 1, 2, 5, 7},
      {"halve", 3, 5, 1, 1, 0.5, 2, 3},
      {"factor 1 leaves the point", 3.25, -4.5, 10, 20, 1, 3.25, -4.5},
      {"factor 0 collapses onto the centre", 3, 4, -1, 2, 0, -1, 2},
      {"negative factor mirrors through the centre", 3, 4, 1, 1, -1, -1, -2},
      {"centre stays", 1, 1, 1, 1, 7, 1, 1},
  };
  for (const Case& c : cases) {
    double x = c.x, y = c.y;
    ScaleAboutPoint(&x, &y, c.cx, c.cy, c.f);
    ExpectVec({c.ex, c.ey, 0}, {x, y, 0}, c.name);
  }
}

TEST(GeometryScaleAboutPoint, ScalesZOnlyWhenBothZPointersAreGiven) {
  struct Case {
    const char* name;
    bool giveZ, giveCz;
    double expectedZ;
  };
  // z = 3 about cz = 1 by 2 gives 5; without both pointers z stays 3.
  const Case cases[] = {
      {"both given", true, true, 5},
      {"only z given", true, false, 3},
      {"only the centre's z given", false, true, 3},
      {"neither given", false, false, 3},
  };
  for (const Case& c : cases) {
    double x = 3, y = 4, z = 3;
    const double cz = 1;
    ScaleAboutPoint(&x, &y, 1, 1, 2, c.giveZ ? &z : nullptr, c.giveCz ? &cz : nullptr);
    EXPECT_EQ(c.expectedZ, z) << c.name << ": expected z " << c.expectedZ << ", got " << z;
    ExpectVec({5, 7, 0}, {x, y, 0}, std::string(c.name) + ": x and y");
  }
}

// ---------------------------------------------------------------------------------
// Axis rotations and the work-plane frame

TEST(GeometryWorkPlane, PlaneToWorldTurnsAboutZThenYThenX) {
  const double q = std::numbers::pi / 2;
  struct Case {
    const char* name;
    double angles[3];
    Vec3 in, expected;
  };
  const Case cases[] = {
      {"no angles: same coordinates", {0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
      {"about Z only", {0, 0, q}, {1, 0, 0}, {0, 1, 0}},
      {"about X only: plane Y goes up", {q, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {"about Y only", {0, q, 0}, {1, 0, 0}, {0, 0, 1}},
      // Z first carries X to Y, then X carries Y to Z; the other order would leave +Y.
      {"Z before X", {q, 0, q}, {1, 0, 0}, {0, 0, 1}},
      // Z first carries X to Y which Y keeps; Y first would carry X to Z.
      {"Z before Y", {0, q, q}, {1, 0, 0}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    Vec3 v = c.in;
    PlaneToWorld(&v.x, &v.y, &v.z, c.angles);
    ExpectVec(c.expected, v, std::string("PlaneToWorld ") + c.name);
    // And WorldToPlane takes the world direction back to the plane's.
    Vec3 back = c.expected;
    WorldToPlane(&back.x, &back.y, &back.z, c.angles);
    ExpectVec(c.in, back, std::string("WorldToPlane ") + c.name);
  }
}

// Pixel positions truncate toward zero inside the limits; at and past them, and at the
// infinities, they clamp; NaN goes to 0.
TEST(GeometryPixelFromDouble, TruncatesInsideTheLimitsAndClampsOutside) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kLimit = kPixelLimit;
  struct Case {
    double in;
    int out;
  };
  const Case cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {0.99, 0},
      {-0.99, 0},
      {12.7, 12},
      {-12.7, -12},
      {kLimit - 0.5, kPixelLimit - 1},
      {-(kLimit - 0.5), -(kPixelLimit - 1)},
      {kLimit, kPixelLimit},
      {-kLimit, -kPixelLimit},
      {kLimit + 0.5, kPixelLimit},
      {-(kLimit + 0.5), -kPixelLimit},
      {1e308, kPixelLimit},
      {-1e308, -kPixelLimit},
      {kInf, kPixelLimit},
      {-kInf, -kPixelLimit},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {-std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PixelFromDouble(c.in), c.out) << c.in;
}

}  // namespace
