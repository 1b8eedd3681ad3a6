// Loaded figures of many close rings and of rings with vertices at NaN or infinity paint
// the same surface bytes, current position and host calls with the fast paths on and
// off, in every waiting step. Close rings are what a figure of many holes looks like:
// marks land on centres and borders lit before.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "entity_records.h"
#include "editcore/fast_paths.h"
#include "feedback/overlay_canvas.h"
#include "hostlink/ntt_record.h"
#include "platform/afx_dc.h"
#include "platform/gdi.h"
#include "platform/raster_surface.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

enum class Rings { Close, NonFinite };

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
    const uint32_t record = make.PolygonRecord(p);
    // Its vertices marked as well, before the edit (unregistering the handler of a
    // running edit would end it): crosses over the rings' squares and boxed crosses.
    ctl->hiliteNttVertexes(static_cast<LONG>(record));
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(record)));
    ASSERT_EQ(Editor().GetFigure().RingCount(), rings);
    ASSERT_GT(Editor().MarkCount(), 0);
  }

  struct Picture {
    std::vector<uint32_t> pixels;
    POINT position;
    std::vector<std::string> calls;
  };

  // The overlay painted into a fresh (white) window with the ROP given, from a current
  // position the canvas must leave right.
  Picture Paint(int rop2, bool fast) {
    FastPaths::enabled = fast;
    HWND hwnd = QarnCreateWindow(nullptr, kWidth, kHeight);
    HDC hdc = GetDC(hwnd);
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
    ReleaseDC(hwnd, hdc);
    DestroyWindow(hwnd);
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
        const Picture fast = Paint(rop2, true), plain = Paint(rop2, false);
        const std::string where = what + " step " + std::to_string(static_cast<int>(step)) + " rop " + std::to_string(rop2);
        EXPECT_TRUE(fast.pixels == plain.pixels) << where;
        EXPECT_EQ(fast.position.x, plain.position.x) << where;
        EXPECT_EQ(fast.position.y, plain.position.y) << where;
        EXPECT_EQ(fast.calls, plain.calls) << where;
      }
    }
  }
};

TEST_F(FastPathsRingsTest, ManyCloseRingsPaintTheSameWithAndWithoutFastPaths) {
  Load(Rings::Close, 120, 160);
  ExpectSamePictures("close rings");
  // The rings show: the fast paths did not leave everything out.
  const Picture fast = Paint(R2_COPYPEN, true);
  int inked = 0;
  for (uint32_t px : fast.pixels) inked += RasterSurface::ToColorRef(px) != RGB(255, 255, 255);
  EXPECT_GT(inked, 1000);
}

TEST_F(FastPathsRingsTest, RingsWithNonFiniteVerticesPaintTheSame) {
  Load(Rings::NonFinite, 40, 300);
  ExpectSamePictures("non-finite rings");
}

}  // namespace

namespace {

// The canvas alone, fed random marks and short segments that pile up in a small box, so
// that every way a mark can be partly lit before it comes up: each sequence drawn with
// the fast paths on and off gives the same bytes and current position.
struct CanvasRun {
  std::vector<uint32_t> pixels;
  POINT position{0, 0};
};

CanvasRun DrawRandomMarks(uint32_t seed, int rop2, bool fast) {
  FastPaths::enabled = fast;
  HWND hwnd = QarnCreateWindow(nullptr, 40, 40);
  HDC hdc = GetDC(hwnd);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 30, 60));
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  SetROP2(hdc, rop2);
  {
    OverlayCanvas canvas(hdc);
    uint32_t h = seed;
    auto next = [&h](uint32_t n) {
      h = h * 1664525u + 1013904223u;
      return (h >> 8) % n;
    };
    for (int i = 0; i < 70; ++i) {  // few enough that the picture never fills up
      // Centres from just outside the surface to just inside its far edge.
      const int x = static_cast<int>(next(46)) - 3, y = static_cast<int>(next(46)) - 3;
      switch (next(9)) {
        case 0:
        case 1:
          canvas.SquareGrip(x, y);
          break;
        case 2:
        case 3:
          canvas.BoxedCross(x, y);
          break;
        case 4:
        case 5:
          canvas.CrossMark(x, y);
          break;
        case 6:
        case 7:
          canvas.Segment(x, y, x + static_cast<int>(next(9)) - 4, y + static_cast<int>(next(9)) - 4);
          break;
        default:
          if (next(50) == 0) canvas.CircleGrip(x, y);
          break;
      }
    }
  }
  CanvasRun run;
  const RasterSurface* s = QarnSurfaceOf(hdc);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) run.pixels.push_back(s->Get(x, y));
  GetCurrentPositionEx(hdc, &run.position);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
  ReleaseDC(hwnd, hdc);
  DestroyWindow(hwnd);
  FastPaths::enabled = true;
  return run;
}

TEST(OverlayCanvasMarks, PartlyLitMarksDrawTheSameWithAndWithoutFastPaths) {
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    for (int rop2 : {R2_COPYPEN, R2_XORPEN}) {
      const CanvasRun fast = DrawRandomMarks(seed, rop2, true), plain = DrawRandomMarks(seed, rop2, false);
      EXPECT_TRUE(fast.pixels == plain.pixels) << "seed " << seed << " rop " << rop2;
      EXPECT_EQ(fast.position.x, plain.position.x) << "seed " << seed << " rop " << rop2;
      EXPECT_EQ(fast.position.y, plain.position.y) << "seed " << seed << " rop " << rop2;
    }
  }
}

}  // namespace
