// Loaded figures of many close rings, and rings with vertices at NaN, infinity or far
// beyond the view, paint the same surface bytes, current position and host calls with
// the fast paths on and off, in every waiting step, through a window DC or a memory DC.
// The rings are what a figure of many holes looks like: concentric circles a fraction of
// a pixel apart, so marks land on centres and borders that other rings lit before.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "entity_records.h"
#include "editcore/fast_paths.h"
#include "editcore/ntt_record.h"
#include "platform/afx_dc.h"
#include "platform/gdi.h"
#include "platform/raster_surface.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

enum class Rings { Close, NonFinite, Far };

// Vertex i of ring r: world (x, y) shows at pixel (x, 480 - y), so the circles sit about
// pixel (80, 60).
void RingVertex(Rings kind, int r, int rings, int i, int perRing, double& x, double& y) {
  const double radius = 6.0 + 50.0 * static_cast<double>(rings - r) / static_cast<double>(rings);
  const double t = 6.283185307179586 * static_cast<double>(i) / static_cast<double>(perRing);
  x = 80 + radius * std::cos(t);
  y = 420 + radius * std::sin(t);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  if (kind == Rings::NonFinite && i % 3 == 0) {
    const double special[] = {nan, inf, -inf, 1e308};
    x = special[(i / 3 + r) % 4];
  }
  if (kind == Rings::NonFinite && i % 7 == 0) y = (i / 7) % 2 ? nan : -inf;
  if (kind == Rings::Far && i % 4 != 0) {
    // Past +-2^31 pixels, in every direction round the view.
    x = 80 + 3e9 * std::cos(t * 7);
    y = 420 + 3e9 * std::sin(t * 5);
  }
}

class FastPathsRingsTest : public ControlTest {
 protected:
  RecordMaker make;
  void TearDown() override {
    FastPaths::enabled = true;
    ControlTest::TearDown();
  }

  void Load(Rings kind, int rings, int perRing) {
    Connect();
    ctl->setMaxNumberOfRings(rings + 1);
    RecordMaker::Polygon p;
    for (int r = 0; r < rings; ++r) {
      p.rings.push_back({static_cast<uint32_t>(r * perRing), static_cast<uint32_t>(perRing),
                         static_cast<int16_t>(r == 0 ? ntt::kPerimeter : ntt::kHole)});
      for (int i = 0; i < perRing; ++i) {
        double x = 0, y = 0;
        RingVertex(kind, r, rings, i, perRing, x, y);
        p.xy.push_back(x);
        p.xy.push_back(y);
      }
    }
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(p))));
    ASSERT_EQ(Editor().GetFigure().RingCount(), rings);
  }

  struct Picture {
    std::vector<uint32_t> pixels;
    POINT position;
    std::vector<std::string> calls;
  };

  // The overlay painted into a fresh window (white) or a patterned memory bitmap, with
  // the ROP given, starting from a current position the canvas must leave right.
  Picture Paint(int rop2, bool fast, bool window) {
    FastPaths::enabled = fast;
    HWND hwnd = nullptr;
    HDC hdc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    if (window) {
      hwnd = QarnCreateWindow(nullptr, kWidth, kHeight);
      hdc = GetDC(hwnd);
    } else {
      hdc = CreateCompatibleDC(nullptr);
      bitmap = CreateCompatibleBitmap(hdc, kWidth, kHeight);
      oldBitmap = SelectObject(hdc, bitmap);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) SetPixel(hdc, x, y, RGB((x * 37) & 255, (y * 11) & 255, (x ^ y) & 255));
    }
    SetROP2(hdc, rop2);
    MoveToEx(hdc, 7, 9, nullptr);
    CDC dc;
    dc.Attach(hdc);
    host.calls.clear();
    Editor().PaintOverlay(&dc);
    dc.Detach();
    Picture p{{}, POINT{0, 0}, {}};
    const RasterSurface* s = QarnSurfaceOf(hdc);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) p.pixels.push_back(s->Get(x, y));
    GetCurrentPositionEx(hdc, &p.position);
    for (const HostCall& call : host.calls) p.calls.push_back(call.ToString());
    if (window) {
      ReleaseDC(hwnd, hdc);
      DestroyWindow(hwnd);
    } else {
      SelectObject(hdc, oldBitmap);
      DeleteObject(bitmap);
      DeleteDC(hdc);
    }
    FastPaths::enabled = true;
    return p;
  }

  void ExpectSamePictures(const std::string& what) {
    const EditStep steps[] = {EditStep::Draw,
                              EditStep::ChooseVertexToMove,
                              EditStep::ChooseSegmentToSplit,
                              EditStep::ChooseVertexToDelete,
                              EditStep::ChooseMoveAnchor,
                              EditStep::ChooseRotateHandle,
                              EditStep::ChooseScaleHandle};
    for (EditStep step : steps) {
      Editor().SetStep(step);
      for (int rop2 : {R2_COPYPEN, R2_XORPEN}) {
        for (bool window : {true, false}) {
          const Picture fast = Paint(rop2, true, window);
          const Picture plain = Paint(rop2, false, window);
          const std::string where = what + " step " + std::to_string(static_cast<int>(step)) + " rop " +
                                    std::to_string(rop2) + (window ? " window" : " memory");
          EXPECT_TRUE(fast.pixels == plain.pixels) << where;
          EXPECT_EQ(fast.position.x, plain.position.x) << where;
          EXPECT_EQ(fast.position.y, plain.position.y) << where;
          EXPECT_EQ(fast.calls, plain.calls) << where;
        }
      }
    }
  }
};

TEST_F(FastPathsRingsTest, ManyCloseRingsPaintTheSameWithAndWithoutFastPaths) {
  Load(Rings::Close, 120, 160);
  ExpectSamePictures("close rings");
  // The rings show: the fast paths did not leave everything out.
  const Picture fast = Paint(R2_COPYPEN, true, true);
  int inked = 0;
  for (uint32_t px : fast.pixels) inked += RasterSurface::ToColorRef(px) != RGB(255, 255, 255);
  EXPECT_GT(inked, 1000);
}

TEST_F(FastPathsRingsTest, RingsWithNonFiniteVerticesPaintTheSame) {
  Load(Rings::NonFinite, 40, 300);
  ExpectSamePictures("non-finite rings");
}

TEST_F(FastPathsRingsTest, RingsReachingPastTheCoordinateRangePaintTheSame) {
  Load(Rings::Far, 30, 200);
  ExpectSamePictures("far rings");
}

}  // namespace
