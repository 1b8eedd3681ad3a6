// The shared geometry: directions as angles, turning and scaling about a centre, and
// the frame changes between world and work-plane coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "feedback/geometry.h"

namespace {

constexpr double kEps = 1e-12;
const double kSqrt3 = std::sqrt(3.0);
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTurn = 2 * std::numbers::pi;

struct Vec3 {
  double x, y, z;
};

void ExpectVec(const Vec3& expected, const Vec3& actual, const std::string& what, double eps = kEps) {
  EXPECT_TRUE(std::fabs(expected.x - actual.x) <= eps && std::fabs(expected.y - actual.y) <= eps &&
              std::fabs(expected.z - actual.z) <= eps)
      << what << ": expected (" << expected.x << ", " << expected.y << ", " << expected.z << "), got (" << actual.x
      << ", " << actual.y << ", " << actual.z << ")";
}

TEST(GeometryAngleOfVector, GivesTheDirectionInEveryQuadrantAndOnEveryAxis) {
  const struct {
    const char* name;
    double x1, y1, x2, y2, expected;
  } cases[] = {
      {"zero vector", 3, 4, 3, 4, 0.0},
      {"straight down", 1, 1, 1, -2, kThreeHalfPi},
      {"fourth quadrant, 300 degrees, away from the origin", 10, 20, 11, 20 - kSqrt3, 5 * kPi / 3},
      // Both differences square to zero: the length test answers, not a division by 0.
      {"vector too short to measure", 0, 0, 1e-200, -1e-200, 0.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.expected, AngleOfVector(c.x1, c.y1, c.x2, c.y2), kEps) << c.name;
}

TEST(GeometryAngleOfVector, StaysWithinOneTurnAndAgreesWithTheDirectionItWasMadeFrom) {
  for (int i = 0; i < 3600; ++i) {
    const double t = i * (kTurn / 3600);
    const double got = AngleOfVector(1.5, -2.5, 1.5 + 4 * std::cos(t), -2.5 + 4 * std::sin(t));
    ASSERT_TRUE(got >= 0.0 && got < kTwoPi) << "direction " << t << " gave " << got;
    // 0 and a full turn are the same direction: compare around the circle.
    ASSERT_NEAR(0.0, std::remainder(got - t, kTurn), 1e-9) << "direction " << t << " gave " << got;
  }
}

TEST(GeometryNormalizeAngle, BringsAnyAngleIntoOneTurnFromZero) {
  const struct {
    const char* name;
    double angle, expected;
  } cases[] = {
      {"zero stays", 0.0, 0.0},
      {"inside the turn stays", 1.0, 1.0},
      {"just below a turn stays", kTwoPi - 1e-9, kTwoPi - 1e-9},
      {"small negative", -0.5, kTwoPi - 0.5},
      {"a full turn is zero", kTurn, 0.0},
      {"the constant itself is zero", kTwoPi, 0.0},
      {"two turns and one", 2 * kTurn + 1, 1.0},
      {"minus two turns and one", -2 * kTurn - 1, kTurn - 1},
      {"three quarters backwards", -3 * std::numbers::pi / 2, std::numbers::pi / 2},
  };
  for (const auto& c : cases) {
    double a = c.angle;
    NormalizeAngle(&a);
    EXPECT_NEAR(c.expected, a, 1e-9) << c.name;
    EXPECT_TRUE(a >= 0.0 && a < kTwoPi) << c.name << ": " << a << " is outside [0, 2pi)";
  }
}

TEST(GeometryNormalizeAngle, ReturnsForAnglesTheLoopsCouldNotFinishAndNeverGivesAFullTurn) {
  // -1e-17 + 2pi rounds to 2pi exactly; the result must still be below a turn.
  for (double angle : {1e300, -1e300, 1e17, -1e-17, -4e-16, -2 * kTwoPi}) {
    double a = angle;
    NormalizeAngle(&a);
    EXPECT_TRUE(a >= 0.0 && a < kTwoPi) << angle << " normalised to " << a;
  }
  double inf = kInf, nan = kNaN;
  NormalizeAngle(&inf);
  NormalizeAngle(&nan);
  EXPECT_TRUE(std::isinf(inf)) << "an infinite angle is left as it is, got " << inf;
  EXPECT_TRUE(std::isnan(nan)) << "NaN is left as it is, got " << nan;
}

TEST(GeometryRotateAboutPoint, TurnsCounterClockwiseAboutTheCentre) {
  const struct {
    const char* name;
    double x, y, cx, cy, angle, ex, ey;
  } cases[] = {
      {"centre itself stays", 4, -2, 4, -2, 1.234, 4, -2},
      {"quarter turn about the origin", 1, 0, 0, 0, std::numbers::pi / 2, 0, 1},
      {"half turn about an offset centre", 3, 2, 1, 1, std::numbers::pi, -1, 0},
      {"negative quarter turn is clockwise", 2, 1, 1, 1, -std::numbers::pi / 2, 1, 0},
      {"sixty degrees", 10, 0, 0, 0, std::numbers::pi / 3, 5, 5 * kSqrt3},
  };
  for (const auto& c : cases) {
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
  EXPECT_NEAR(r0, std::hypot(x - 1, y - 2), 1e-9) << "the radius drifted";
  // 10000 turns of 0.0123 rad are 123 rad in all.
  double expectX = 5, expectY = 7;
  RotateAboutPoint(&expectX, &expectY, 1, 2, 123.0);
  ExpectVec({expectX, expectY, 0}, {x, y, 0}, "small turns add up to the whole", 1e-7);
}

TEST(GeometryScaleAboutPoint, ScalesDistancesFromTheCentre) {
  const struct {
    const char* name;
    double x, y, cx, cy, f, ex, ey;
  } cases[] = {
      {"double", 3, 4, 1, 1, 2, 5, 7},
      {"halve", 3, 5, 1, 1, 0.5, 2, 3},
      {"factor 1 leaves the point", 3.25, -4.5, 10, 20, 1, 3.25, -4.5},
      {"factor 0 collapses onto the centre", 3, 4, -1, 2, 0, -1, 2},
      {"negative factor mirrors through the centre", 3, 4, 1, 1, -1, -1, -2},
      {"centre stays", 1, 1, 1, 1, 7, 1, 1},
  };
  for (const auto& c : cases) {
    double x = c.x, y = c.y;
    ScaleAboutPoint(&x, &y, c.cx, c.cy, c.f);
    ExpectVec({c.ex, c.ey, 0}, {x, y, 0}, c.name);
  }
}

TEST(GeometryScaleAboutPoint, ScalesZOnlyWhenBothZPointersAreGiven) {
  // z = 3 about cz = 1 by 2 gives 5; without both pointers z stays 3.
  for (bool giveZ : {false, true}) {
    for (bool giveCz : {false, true}) {
      double x = 3, y = 4, z = 3;
      const double cz = 1;
      ScaleAboutPoint(&x, &y, 1, 1, 2, giveZ ? &z : nullptr, giveCz ? &cz : nullptr);
      EXPECT_EQ(z, giveZ && giveCz ? 5 : 3) << "z given " << giveZ << ", centre's z given " << giveCz;
      ExpectVec({5, 7, 0}, {x, y, 0}, "x and y");
    }
  }
}

TEST(GeometryWorkPlane, PlaneToWorldTurnsAboutZThenYThenX) {
  const double q = std::numbers::pi / 2;
  const struct {
    const char* name;
    double angles[3];
    Vec3 in, expected;
  } cases[] = {
      {"no angles: same coordinates", {0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
      {"about Z only", {0, 0, q}, {1, 0, 0}, {0, 1, 0}},
      {"about X only: plane Y goes up", {q, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {"about Y only", {0, q, 0}, {1, 0, 0}, {0, 0, 1}},
      // Z first carries X to Y, then X carries Y to Z; the other order would leave +Y.
      {"Z before X", {q, 0, q}, {1, 0, 0}, {0, 0, 1}},
      // Z first carries X to Y which Y keeps; Y first would carry X to Z.
      {"Z before Y", {0, q, q}, {1, 0, 0}, {0, 1, 0}},
  };
  for (const auto& c : cases) {
    Vec3 v = c.in, back = c.expected;
    PlaneToWorld(&v.x, &v.y, &v.z, c.angles);
    ExpectVec(c.expected, v, std::string("PlaneToWorld ") + c.name);
    WorldToPlane(&back.x, &back.y, &back.z, c.angles);
    ExpectVec(c.in, back, std::string("WorldToPlane ") + c.name);
  }
}

// Pixel positions truncate toward zero inside the limits; at and past them, and at the
// infinities, they clamp; NaN goes to 0.
TEST(GeometryPixelFromDouble, TruncatesInsideTheLimitsAndClampsOutside) {
  constexpr double kLimit = kPixelLimit;
  const struct {
    double in;
    int out;
  } cases[] = {
      {0.0, 0},   {0.99, 0},      {12.7, 12},   {kLimit - 0.5, kPixelLimit - 1}, {kLimit, kPixelLimit},
      {kLimit + 0.5, kPixelLimit}, {1e308, kPixelLimit}, {kInf, kPixelLimit},    {kNaN, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PixelFromDouble(c.in), c.out) << c.in;
    EXPECT_EQ(PixelFromDouble(-c.in), -c.out) << -c.in;
  }
}

}  // namespace
