// Lines stepped one pixel after another light exactly the pixels the closed-form rule
// gives: every major-axis step from the start up to the end, the minor coordinate
// round(minor0 + i * dMinor / steps) with halves going to the smaller value, and a
// dotted pen on for three steps and off for three, counted on across a Polyline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "gdi_canvas.h"

namespace {

using gditest::Canvas;
using gditest::Pixel;

constexpr int kWidth = 64, kHeight = 48;
const COLORREF kWhite = RGB(255, 255, 255);
constexpr long long kLimit = 1LL << 27;

long long CeilDiv(long long a, long long b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

// The pixels one segment lights, from pattern position `pos` on; moves `pos` on by its steps.
void Expected(POINT from, POINT to, bool dotted, long& pos, std::set<Pixel>& out) {
  const long long x0 = std::clamp<long long>(from.x, -kLimit, kLimit), y0 = std::clamp<long long>(from.y, -kLimit, kLimit);
  const long long x1 = std::clamp<long long>(to.x, -kLimit, kLimit), y1 = std::clamp<long long>(to.y, -kLimit, kLimit);
  const long long dx = x1 - x0, dy = y1 - y0, adx = std::llabs(dx), ady = std::llabs(dy);
  const bool xMajor = adx >= ady;
  const long long steps = xMajor ? adx : ady;
  // Only the steps whose major coordinate can land on the canvas are worth looking at.
  const long long major0 = xMajor ? x0 : y0, sign = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const long long size = xMajor ? kWidth : kHeight;
  const long long from_i = std::max(0LL, sign > 0 ? -major0 : major0 - (size - 1));
  const long long to_i = std::min(steps - 1, sign > 0 ? size - 1 - major0 : major0);
  for (long long i = from_i; i <= to_i; ++i) {
    const long long p = (pos + i) % 6;
    if (dotted && p >= 3) continue;
    long long x, y;
    if (xMajor) {
      x = x0 + sign * i;
      y = CeilDiv(2 * (y0 * adx + i * dy) - adx, 2 * adx);
    } else {
      y = y0 + sign * i;
      x = CeilDiv(2 * (x0 * ady + i * dx) - ady, 2 * ady);
    }
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) out.insert({static_cast<int>(x), static_cast<int>(y)});
  }
  pos += static_cast<long>(steps);
}

struct Lcg {
  uint64_t state;
  int Next(int n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) % static_cast<uint64_t>(n));
  }
};

// Mostly near the canvas, sometimes far beyond it or past GDI's coordinate range.
LONG Coordinate(Lcg& rng, int size) {
  switch (rng.Next(8)) {
    case 0:
      return (rng.Next(2) ? 1 : -1) * (1000000 + rng.Next(1000));
    case 1:
      return (rng.Next(2) ? 1 : -1) * ((1 << 28) + rng.Next(1000));
    default:
      return rng.Next(size + 80) - 40;
  }
}

POINT RandomPoint(Lcg& rng) { return POINT{Coordinate(rng, kWidth), Coordinate(rng, kHeight)}; }

struct PenCase {
  const char* name;
  int style;
  int rop2;
  int bkMode;
};
// R2_NOT turns white to black, so each pixel a line lights shows whatever path draws it.
const PenCase kPens[] = {{"solid copy", PS_SOLID, R2_COPYPEN, OPAQUE},
                         {"solid not", PS_SOLID, R2_NOT, OPAQUE},
                         {"dotted transparent", PS_DOT, R2_COPYPEN, TRANSPARENT},
                         {"dotted opaque", PS_DOT, R2_COPYPEN, OPAQUE}};

TEST(LineStepping, LineToLightsThePixelsOfTheClosedFormRule) {
  Canvas canvas(kWidth, kHeight);
  for (const PenCase& pen : kPens) {
    HPEN h = CreatePen(pen.style, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(canvas.dc(), h);
    SetROP2(canvas.dc(), pen.rop2);
    SetBkMode(canvas.dc(), pen.bkMode);  // opaque gaps are white on white
    Lcg rng{static_cast<uint64_t>(pen.style * 31 + pen.rop2)};
    for (int n = 0; n < 400; ++n) {
      canvas.Clear(kWhite);
      const POINT a = RandomPoint(rng), b = RandomPoint(rng);
      MoveToEx(canvas.dc(), a.x, a.y, nullptr);
      LineTo(canvas.dc(), b.x, b.y);
      std::set<Pixel> expected;
      long pos = 0;
      Expected(a, b, pen.style == PS_DOT, pos, expected);
      const std::string what = std::string(pen.name) + " (" + std::to_string(a.x) + "," + std::to_string(a.y) +
                               ")-(" + std::to_string(b.x) + "," + std::to_string(b.y) + ")";
      gditest::ExpectInked(canvas, kWhite, expected, what);
      if (::testing::Test::HasFailure()) break;
    }
    SelectObject(canvas.dc(), old);
    DeleteObject(h);
  }
}

TEST(LineStepping, DottedPolylineCarriesItsPatternAcrossSegments) {
  Canvas canvas(kWidth, kHeight);
  HPEN h = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(canvas.dc(), h);
  SetBkMode(canvas.dc(), TRANSPARENT);
  Lcg rng{7};
  for (int n = 0; n < 100; ++n) {
    canvas.Clear(kWhite);
    std::vector<POINT> points;
    for (int i = 0; i < 2 + rng.Next(6); ++i) points.push_back(RandomPoint(rng));
    Polyline(canvas.dc(), points.data(), static_cast<int>(points.size()));
    std::set<Pixel> expected;
    long pos = 0;
    for (size_t i = 1; i < points.size(); ++i) Expected(points[i - 1], points[i], true, pos, expected);
    gditest::ExpectInked(canvas, kWhite, expected, "dotted polyline " + std::to_string(n));
    if (::testing::Test::HasFailure()) break;
  }
  SelectObject(canvas.dc(), old);
  DeleteObject(h);
}

}  // namespace
