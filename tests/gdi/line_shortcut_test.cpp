// DrawPenLine takes a shortcut for segments lying wholly on the surface. Every short
// segment, in every direction, from start points on, beside and just off each edge,
// must light exactly what the fully clipped stepping lights, with every pen and raster
// operation, and leave the dotted pattern at the same position.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gdi_canvas.h"
#include "platform/gdi_internal.h"

namespace {

using qarn::gdi::Dc;
using qarn::gdi::DrawPenLine;
using qarn::gdi::DrawPenLineGeneral;
using qarn::gdi::Pen;

constexpr int kWidth = 9, kHeight = 7;

// A background no raster operation leaves alone, so a pixel lit by one path and not by
// the other always shows.
uint32_t Background(int i) { return 0x00102030u + static_cast<uint32_t>(i) * 0x0B0713u; }

void Paint(RasterSurface& s) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.Row(y)[x] = Background(y * s.Width() + x);
}

// A surface over memory with a guard row above and below it: a pixel written off the
// surface lands where the comparison still sees it.
struct Guarded {
  std::vector<uint32_t> memory;
  RasterSurface surface;
  Guarded() : memory((kHeight + 2) * kWidth), surface(kWidth, kHeight, memory.data() + kWidth, false) {
    for (size_t i = 0; i < memory.size(); ++i) memory[i] = Background(static_cast<int>(i));
  }
};

struct PenState {
  int style;
  int rop2;
  int bkMode;
  bool monochrome;
  long startPos;  // the dotted pattern's position when the segment starts
};

const PenState kPenStates[] = {
    {PS_SOLID, R2_COPYPEN, OPAQUE, false, 0},      {PS_SOLID, R2_XORPEN, OPAQUE, false, 0},
    {PS_SOLID, R2_NOT, TRANSPARENT, false, 0},     {PS_SOLID, R2_MERGEPEN, OPAQUE, false, 0},
    {PS_SOLID, R2_COPYPEN, OPAQUE, true, 0},       {PS_DOT, R2_COPYPEN, OPAQUE, false, 0},
    {PS_DOT, R2_COPYPEN, TRANSPARENT, false, 2},   {PS_DOT, R2_XORPEN, OPAQUE, false, 4},
    {PS_DOT, R2_MASKPENNOT, TRANSPARENT, false, 5}, {PS_DOT, R2_COPYPEN, OPAQUE, true, 1},
    {PS_DOT, R2_NOTCOPYPEN, OPAQUE, false, -7},
};

std::string Describe(const PenState& u, POINT from, POINT to) {
  return "style " + std::to_string(u.style) + " rop2 " + std::to_string(u.rop2) + " bk " + std::to_string(u.bkMode) +
         (u.monochrome ? " mono" : "") + " pos " + std::to_string(u.startPos) + " (" + std::to_string(from.x) + "," +
         std::to_string(from.y) + ")->(" + std::to_string(to.x) + "," + std::to_string(to.y) + ")";
}

// The pen and DC of a case, with the colours the public-API walk selects as well.
void SetUpDc(const PenState& u, Pen& pen, Dc& dc) {
  pen.style = u.style;
  pen.color = RGB(200, 40, 90);
  dc.pen = &pen;
  dc.rop2 = u.rop2;
  dc.bkMode = u.bkMode;
  dc.bkColor = RGB(10, 220, 140);
}

// Draws one segment both ways; returns the first difference, or an empty string.
std::string Compare(const PenState& u, POINT from, POINT to) {
  Pen pen;
  Dc dc;
  SetUpDc(u, pen, dc);
  Guarded fast, general;
  fast.surface.SetMonochrome(u.monochrome);
  general.surface.SetMonochrome(u.monochrome);
  long fastPos = u.startPos, generalPos = u.startPos;
  DrawPenLine(dc, fast.surface, from, to, fastPos);
  DrawPenLineGeneral(dc, general.surface, from, to, generalPos);
  if (fastPos != generalPos) return Describe(u, from, to) + ": pattern position " + std::to_string(fastPos) + " vs " +
                                    std::to_string(generalPos);
  for (size_t i = 0; i < fast.memory.size(); ++i)
    if (fast.memory[i] != general.memory[i])
      return Describe(u, from, to) + ": pixel (" + std::to_string(i % kWidth) + "," +
             std::to_string(static_cast<int>(i / kWidth) - 1) + ")";
  return {};
}

TEST(LineShortcut, ShortSegmentsMatchTheClippedStepping) {
  std::vector<std::string> failures;
  for (const PenState& u : kPenStates)
    for (int y0 = -2; y0 <= kHeight + 1; ++y0)
      for (int x0 = -2; x0 <= kWidth + 1; ++x0)
        for (int dy = -3; dy <= 3; ++dy)
          for (int dx = -3; dx <= 3; ++dx) {
            const POINT from{x0, y0}, to{x0 + dx, y0 + dy};
            std::string f = Compare(u, from, to);
            if (!f.empty() && failures.size() < 10) failures.push_back(f);
          }
  for (const std::string& f : failures) ADD_FAILURE() << f;
}

TEST(LineShortcut, LongAndFarSegmentsMatchTheClippedStepping) {
  // Corner to corner, edge to edge, and segments that only pass over the surface or
  // reach far off it, where the clamp and the clip decide.
  const POINT ends[][2] = {
      {{0, 0}, {kWidth - 1, kHeight - 1}},     {{kWidth - 1, 0}, {0, kHeight - 1}},
      {{0, 3}, {kWidth - 1, 2}},               {{4, 0}, {3, kHeight - 1}},
      {{-5, -4}, {kWidth + 6, kHeight + 2}},   {{kWidth + 3, 1}, {-9, 5}},
      {{2, -1000}, {5, 1000}},                 {{-(1 << 30), 3}, {1 << 30, 4}},
      {{0, 0}, {kWidth, kHeight}},             {{kWidth - 1, kHeight - 1}, {-1, -1}},
  };
  for (const PenState& u : kPenStates)
    for (const auto& e : ends) {
      EXPECT_EQ(Compare(u, e[0], e[1]), "");
      EXPECT_EQ(Compare(u, e[1], e[0]), "");
    }
}

TEST(LineShortcut, NullPenAndEmptySegmentsLightNothing) {
  Pen pen;
  pen.style = PS_NULL;
  Dc dc;
  dc.pen = &pen;
  RasterSurface s(kWidth, kHeight), untouched(kWidth, kHeight);
  Paint(s);
  Paint(untouched);
  long pos = 3;
  DrawPenLine(dc, s, POINT{0, 0}, POINT{kWidth - 1, 2}, pos);
  pen.style = PS_DOT;
  DrawPenLine(dc, s, POINT{4, 4}, POINT{4, 4}, pos);
  EXPECT_EQ(pos, 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(s.Get(x, y), untouched.Get(x, y)) << x << "," << y;
}

// Polyline keeps what its shortcut needs for the whole call. Walks of short random
// steps over the surface and off its edges, with runs of repeated points, must light
// what the clipped stepping lights segment by segment, the dotted pattern running on.
TEST(LineShortcut, PolylinesMatchTheClippedStepping) {
  uint64_t seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((seed >> 33) % static_cast<uint64_t>(n));
  };
  for (const PenState& u : kPenStates) {
    if (u.monochrome) continue;  // a DIB section keeps colour
    for (int walk = 0; walk < 40; ++walk) {
      std::vector<POINT> points{POINT{next(kWidth + 4) - 2, next(kHeight + 4) - 2}};
      for (int i = 0; i < 60; ++i) {
        const POINT last = points.back();
        const int stay = next(4) == 0;  // repeated points: segments of no length
        points.push_back(POINT{stay ? last.x : std::clamp(last.x + next(7) - 3, -3, kWidth + 2),
                               stay ? last.y : std::clamp(last.y + next(7) - 3, -3, kHeight + 2)});
      }
      gditest::Canvas canvas(kWidth, kHeight);
      auto* bits = static_cast<uint32_t*>(canvas.bits());
      for (int i = 0; i < kWidth * kHeight; ++i) bits[i] = Background(i);
      std::vector<uint32_t> expected(bits, bits + kWidth * kHeight);

      HPEN pen = CreatePen(u.style, 0, RGB(200, 40, 90));
      HGDIOBJ old = SelectObject(canvas.dc(), pen);
      SetROP2(canvas.dc(), u.rop2);
      SetBkMode(canvas.dc(), u.bkMode);
      SetBkColor(canvas.dc(), RGB(10, 220, 140));
      ASSERT_TRUE(Polyline(canvas.dc(), points.data(), static_cast<int>(points.size())));
      SelectObject(canvas.dc(), old);
      DeleteObject(pen);

      Pen general;
      Dc dc;
      SetUpDc(u, general, dc);
      RasterSurface surface(kWidth, kHeight, expected.data(), false);
      long pos = 0;
      for (size_t i = 1; i < points.size(); ++i) DrawPenLineGeneral(dc, surface, points[i - 1], points[i], pos);
      for (int i = 0; i < kWidth * kHeight; ++i)
        ASSERT_EQ(bits[i], expected[i]) << Describe(u, points.front(), points.back()) << " walk " << walk
                                        << ": pixel (" << i % kWidth << "," << i / kWidth << ")";
    }
  }
}

}  // namespace
