// The view's picture, pixel by pixel on the raster layer: grid spacing, even-odd fills
// with holes, fill patterns, figures, highlight marks and the overlay drawn last.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "hostlink/ntt_record.h"
#include "platform/afx_dc.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "refhost/record_maker.h"
#include "refhost/reference_host.h"
#include "refhost/view_painter.h"

namespace {

std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// A view of the host's size to paint into.
class ViewCanvas : public ::testing::Test {
 protected:
  ReferenceHost host{200, 100};
  HDC dc = nullptr;
  void SetUp() override {
    dc = GetDC(host.ViewWindow());
    ASSERT_NE(dc, nullptr);
  }
  void TearDown() override { ReleaseDC(host.ViewWindow(), dc); }
  std::string At(int x, int y) { return Hex(GetPixel(dc, x, y)); }
  void Clear() {
    RECT all{0, 0, host.Width(), host.Height()};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
};

const std::string kWhite = Hex(view_colors::kBackground);
const std::string kGrid = Hex(view_colors::kGrid);
const std::string kAxis = Hex(view_colors::kAxis);
const std::string kFigure = Hex(view_colors::kFigure);
const std::string kFill = Hex(view_colors::kFill);
const std::string kHatch = Hex(view_colors::kHatch);
const std::string kMark = Hex(view_colors::kHighlight);

std::vector<WorldPoint> Box(double l, double t, double r, double b) { return {{l, t}, {r, t}, {r, b}, {l, b}}; }

TEST(GridStep, SmallestOneTwoFiveStepAtLeastTheMinimumApart) {
  EXPECT_DOUBLE_EQ(GridStep(1, 16), 20);
  EXPECT_DOUBLE_EQ(GridStep(2, 16), 10);
  EXPECT_DOUBLE_EQ(GridStep(1.6, 16), 10);
  EXPECT_DOUBLE_EQ(GridStep(3, 16), 10);
  EXPECT_DOUBLE_EQ(GridStep(0.01, 16), 2000);
  EXPECT_DOUBLE_EQ(GridStep(400, 16), 0.05);
  EXPECT_EQ(GridStep(0, 16), 0);
  EXPECT_EQ(GridStep(-1, 16), 0);
}

TEST(FillPattern, EachStyleCoversItsPixels) {
  EXPECT_FALSE(FillCoversPixel(0, 3, 3));
  EXPECT_TRUE(FillCoversPixel(1, 3, 5));
  EXPECT_TRUE(FillCoversPixel(42, 3, 5));  // unknown styles fill solid
  EXPECT_TRUE(FillCoversPixel(2, 3, 16));
  EXPECT_FALSE(FillCoversPixel(2, 3, 17));
  EXPECT_TRUE(FillCoversPixel(3, -8, 1));
  EXPECT_FALSE(FillCoversPixel(3, -7, 1));
  EXPECT_TRUE(FillCoversPixel(4, 3, 5));   // x + y on the 8-pixel diagonal
  EXPECT_FALSE(FillCoversPixel(4, 3, 3));
  EXPECT_TRUE(FillCoversPixel(5, 11, 3));  // x - y
  EXPECT_TRUE(FillCoversPixel(6, 8, 1) && FillCoversPixel(6, 1, 8));
  EXPECT_TRUE(FillCoversPixel(7, 4, 4) && FillCoversPixel(7, 4, 12));
}

// A fill covers the pixels whose centres are inside, leaves holes open whichever way
// they turn and a hatch's gaps alone, and is clipped to the view.
TEST_F(ViewCanvas, FillsCoverTheirPixels) {
  const std::vector<WorldPoint> hole = Box(20, 20, 40, 40), reversed(hole.rbegin(), hole.rend());
  using Pixels = std::vector<std::tuple<int, int, std::string>>;
  const Pixels aroundTheHole = {{15, 15, kFill}, {30, 30, kWhite}, {45, 30, kFill}, {55, 30, kWhite}};
  const struct {
    const char* what;
    std::vector<std::vector<WorldPoint>> rings;
    int style;
    Pixels pixels;
  } cases[] = {
      {"centres inside",
       {Box(10, 10, 20, 15)},
       1,
       {{10, 10, kFill}, {19, 14, kFill}, {20, 12, kWhite}, {9, 12, kWhite}, {15, 15, kWhite}, {15, 9, kWhite}}},
      {"hole", {Box(10, 10, 50, 50), hole}, 1, aroundTheHole},
      {"hole turning the other way", {Box(10, 10, 50, 50), reversed}, 1, aroundTheHole},
      {"hatched", {Box(0, 0, 40, 40)}, 2, {{5, 8, kHatch}, {5, 9, kWhite}}},
      {"no fill", {Box(0, 0, 40, 40)}, 0, {{5, 8, kWhite}}},
      {"past the view", {Box(-1e7, -1e7, 1e7, 1e7)}, 1, {{0, 0, kFill}, {199, 99, kFill}}},
  };
  for (const auto& c : cases) {
    Clear();
    FillRings(dc, c.rings, c.style, host.Width(), host.Height());
    for (const auto& [x, y, colour] : c.pixels) EXPECT_EQ(At(x, y), colour) << c.what << " at " << x << "," << y;
  }
}

TEST_F(ViewCanvas, GridEveryStepAndAxesThroughTheWorldOrigin) {
  // Scale 1: lines every 20 pixels; world 0,0 at pixel (50, 60).
  host.SetView(1, -50, -40);
  PaintHostView(dc, host, 0);
  EXPECT_EQ(At(10, 13), kGrid);   // world X = -40
  EXPECT_EQ(At(11, 13), kWhite);
  EXPECT_EQ(At(13, 20), kGrid);   // world Y = 80: pixel 100 - 80
  EXPECT_EQ(At(50, 13), kAxis);
  EXPECT_EQ(At(13, 60), kAxis);
  // Zoomed in five times: a step of 5 world units, 25 pixels.
  host.SetView(5, 0, 0);
  PaintHostView(dc, host, 0);
  EXPECT_EQ(At(25, 13), kGrid);
  EXPECT_EQ(At(30, 13), kWhite);
}

TEST_F(ViewCanvas, RecordsAreDrawnWithTheirFillAndTheHighlightOnTop) {
  host.SetView(1, 0, 0);
  RecordMaker make;
  // World square 110..170 x 10..70, i.e. pixels 110..170 x 30..90.
  RecordMaker::Polygon square;
  square.xy = {110, 10, 170, 10, 170, 70, 110, 70};
  square.rings = {{0, 4, ntt::kPerimeter}};
  RECORDADDR polygon = make.PolygonRecord(square);
  RecordPut(polygon, ntt::kPgFillStyle, int16_t{1});
  RECORDADDR point = make.Point(50.0, 50.0);  // pixel (50, 50)

  host.entities = {polygon, point};
  PaintHostView(dc, host, polygon);
  EXPECT_EQ(At(140, 60), kFill);
  EXPECT_EQ(At(140, 90), kFigure);  // bottom edge (world Y 10)
  EXPECT_EQ(At(170, 60), kFigure);  // right edge
  EXPECT_EQ(At(145, 95), kWhite);
  EXPECT_EQ(At(53, 50), kFigure);   // the point's cross
  EXPECT_EQ(At(50, 47), kFigure);
  EXPECT_EQ(At(52, 52), kWhite);
  // The highlight marks each vertex with a square around it, over the figure.
  EXPECT_EQ(At(107, 90), kMark);
  EXPECT_EQ(At(113, 87), kMark);
  EXPECT_EQ(At(167, 30), kMark);
  // Without the highlight the marks are gone.
  PaintHostView(dc, host, 0);
  EXPECT_EQ(At(107, 90), kWhite);
}

// Records what the host hands it and draws over whatever is there.
class RecordingPainter final : public OverlayPainter {
 public:
  HDC seen = nullptr;
  int calls = 0;
  void QARN_HOST_CALL PaintOverlay(CDC* pDC) override {
    ++calls;
    seen = pDC ? pDC->m_hDC : nullptr;
    if (pDC) SetPixel(pDC->m_hDC, 10, 13, RGB(0, 200, 0));
  }
  void QARN_HOST_CALL OnPainterDetached() override {}
  void QARN_HOST_CALL OnOtherPaintEvent(DWORD) override {}
};

TEST_F(ViewCanvas, TheOverlayPainterDrawsLastOnTheSameDeviceContext) {
  RecordingPainter painter;
  host.SetView(1, -50, -40);
  host.RegisterPainter(&painter);
  PaintHostView(dc, host, 0);
  EXPECT_EQ(painter.calls, 1);
  EXPECT_EQ(painter.seen, dc);
  EXPECT_EQ(At(10, 13), Hex(RGB(0, 200, 0)));  // over a grid line
  host.RegisterPainter(nullptr);
}

}  // namespace
