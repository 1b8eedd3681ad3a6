// The fast paths change nothing anyone can see: every scene painted in every step with
// them on and off gives the same surface bytes, the same current position and the same
// host calls; the canvas alone draws the same marks; scripted edits give the same record
// bytes.
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
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

// Where the DC's pen stands now; reading it through MoveToEx leaves it there.
POINT CurrentPosition(HDC hdc) {
  POINT p{0, 0};
  MoveToEx(hdc, 0, 0, &p);
  MoveToEx(hdc, p.x, p.y, nullptr);
  return p;
}

constexpr int kWidth = 160, kHeight = 120;

// A 32-bit top-down memory surface, filled with a pattern so that XOR shows on it.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint8_t* bits = nullptr;
  Surface() {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint8_t*>(p);
    old = SelectObject(dc, bitmap);
    for (int i = 0; i < kWidth * kHeight * 4; ++i) bits[i] = static_cast<uint8_t>((i * 37) >> 3);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::vector<uint8_t> Bytes() const { return std::vector<uint8_t>(bits, bits + kWidth * kHeight * 4); }
};

// Pseudo-random but fixed, so that a failure can be repeated.
struct Lcg {
  uint64_t state;
  double Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  }
};

enum class Scene { Spread, Overlapping, Dense, FarOutside, NonFinite, NonFiniteRepeating, Concentric };

// World (x, y) shows at pixel (x, 480 - y): the surface sees world x in [0, 160) and
// y in (360, 480].
void Vertex(Scene scene, Lcg& rng, int ring, int i, double& x, double& y) {
  switch (scene) {
    case Scene::Concentric: {  // circles a quarter pixel apart: sides and marks over pixels lit before
      const double radius = 8 + 0.25 * ring, t = (i + 0.2 * rng.Next()) * 0.5236;
      x = 80 + radius * std::cos(t);
      y = 420 + radius * std::sin(t);
      return;
    }
    case Scene::Spread:  // in and around the surface, some clipped at each side
      x = -40 + 240 * rng.Next();
      y = 320 + 200 * rng.Next();
      return;
    case Scene::Overlapping:  // a few pixels, hit again and again with sub-pixel jitter
      x = 40 + (i % 5) * 11 + 0.9 * rng.Next();
      y = 400 + (i % 3) * 9 + 0.9 * rng.Next();
      return;
    case Scene::Dense:  // a curve traced to and fro in steps of about a pixel
      x = 30 + 90 * std::fabs(std::sin(i * 0.015)) + 0.3 * rng.Next();
      y = 420 + 40 * std::sin(i * 0.011);
      return;
    case Scene::FarOutside:  // past +-2^31 pixels and back, with some vertices inside
      if (i % 4 == 0) {
        x = 20 + 120 * rng.Next();
        y = 380 + 80 * rng.Next();
      } else {
        x = (rng.Next() - 0.5) * 1e10;
        y = (rng.Next() - 0.5) * 1e10;
      }
      return;
    case Scene::NonFinite: {
      const double special[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(), 1e308};
      x = 20 + 120 * rng.Next();
      y = 380 + 80 * rng.Next();
      if (i % 3 == 0) x = special[(i / 3) % 4];
      if (i % 7 == 0) y = special[(i / 7) % 4];
      return;
    }
    case Scene::NonFiniteRepeating: {  // many vertices a pixel, every third far away or at NaN
      const double special[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(), 1e12, -1e12};
      x = 30 + 100 * std::fabs(std::sin(i * 0.002)) + 0.2 * rng.Next();
      y = 420 + 30 * std::sin(i * 0.0013);
      if (i % 3 == 0) x = special[(i / 3) % 5];
      if (i % 11 == 0) y = special[(i / 11) % 5];
      return;
    }
  }
}

class FastPathsTest : public ControlTest {
 protected:
  RecordMaker make;
  void TearDown() override {
    FastPaths::enabled = true;
    ControlTest::TearDown();
  }

  // rings x perRing vertices of the scene, plus the same number highlighted (or none).
  // The marks are highlighted before the edit starts: unregistering the pointer handler
  // during an edit makes this host detach it, which would end the edit.
  // In 3D the vertices get heights and a tilted work plane, and a polyline is in three
  // parts, whose joins have no side.
  void Build(int32_t mode, Scene scene, int rings, int perRing, bool withMarks = true, bool is3D = false) {
    if (is3D) host.SetWorkPlane(0.01, -0.02, 0.015, 0, 0, 0);  // slightly tilted: the scene stays in view
    Connect();
    ctl->setMaxNumberOfRings(rings + 1);
    Lcg rng{static_cast<uint64_t>(scene) * 977 + static_cast<uint64_t>(rings)};
    std::vector<std::vector<double>> vertices(static_cast<size_t>(rings), std::vector<double>(2 * static_cast<size_t>(perRing)));
    for (size_t r = 0; r < vertices.size(); ++r)
      for (int i = 0; i < perRing; ++i)
        Vertex(scene, rng, static_cast<int>(r), i, vertices[r][2 * i], vertices[r][2 * i + 1]);
    std::vector<double> marks;
    if (withMarks) {
      marks.resize(2 * static_cast<size_t>(perRing));
      for (int i = 0; i < perRing; ++i) Vertex(scene, rng, 0, i, marks[2 * i], marks[2 * i + 1]);
    }
    ctl->hiliteNttVertexes(static_cast<LONG>(make.PolylineRecord({marks})));
    // The figure comes as a record, as a container hands one over.
    uint32_t rec = 0;
    const auto height = [](int i) { return 0.5 * (i % 7) - 1.25; };
    if (mode == MODE_POLYLINE) {
      RecordMaker::Polyline p(vertices[0], false, is3D);
      if (is3D) {
        for (int i = 0; i < perRing; ++i) {
          p.z.push_back(height(i));
          p.parts.push_back(1 + 3 * i / perRing);
        }
        p.partCount = 3;
        p.flags = {0, 0, 0};
      }
      rec = make.PolylineRecord(p);
    } else {
      // Rings after the first are holes: a figure of many holes is one of many close rings.
      RecordMaker::Polygon g;
      g.is3D = is3D;
      for (const auto& ring : vertices) {
        g.rings.push_back({static_cast<uint32_t>(g.xy.size() / 2), static_cast<uint32_t>(perRing),
                           static_cast<int16_t>(g.rings.empty() ? ntt::kPerimeter : ntt::kHole)});
        g.xy.insert(g.xy.end(), ring.begin(), ring.end());
        if (is3D)
          for (int i = 0; i < perRing; ++i) g.z.push_back(height(i));
      }
      rec = make.PolygonRecord(g);
    }
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(rec)));
    ASSERT_EQ(Editor().Mode(), mode);
    ASSERT_EQ(Editor().MarkCount(), withMarks ? perRing : 0);
    // Rotate puts the pivot the rotation and scaling steps paint at the figure's centre.
    Editor().OnMenuRotate();
  }

  // Runs the edit with the fast paths on and then off, in 2D and in 3D, and saves it:
  // the saved records must be byte for byte the same. Gives the 2D and 3D bytes.
  std::vector<std::string> SameRecordBytesFastAndPlain(const std::function<void(bool is3D)>& edit) {
    std::vector<std::string> saved;
    for (bool is3D : {false, true}) {
      std::string bytes[2];
      for (bool fast : {true, false}) {
        FastPaths::enabled = fast;
        ctl->abortEdit();
        edit(is3D);
        EXPECT_TRUE(ctl->saveEdit()) << (is3D ? "3D" : "2D");
        bytes[fast] = Flatten(static_cast<uint32_t>(ctl->getDrawnNTT()));
        FastPaths::enabled = true;
      }
      EXPECT_TRUE(bytes[true] == bytes[false]) << (is3D ? "3D" : "2D");
      saved.push_back(bytes[true]);
    }
    return saved;
  }

  struct Picture {
    std::vector<uint8_t> bytes;
    POINT position;
    std::vector<std::string> calls;
  };

  Picture Paint(int rop2, bool fast) {
    FastPaths::enabled = fast;
    Surface surface;
    SetROP2(surface.dc, rop2);
    MoveToEx(surface.dc, 7, 9, nullptr);
    CDC dc;
    dc.Attach(surface.dc);
    host.calls.clear();
    Editor().PaintOverlay(&dc);
    dc.Detach();
    Picture p{surface.Bytes(), POINT{0, 0}, {}};
    p.position = CurrentPosition(surface.dc);
    for (const HostCall& call : host.calls) p.calls.push_back(call.ToString());
    FastPaths::enabled = true;
    return p;
  }

  // The paint as it stands, with a copying and an XOR pen, fast against plain.
  void ExpectSamePicture(const std::string& what) {
    for (int rop2 : {R2_COPYPEN, R2_XORPEN}) {
      const Picture fast = Paint(rop2, true);
      const Picture plain = Paint(rop2, false);
      const std::string where = what + " rop " + std::to_string(rop2);
      EXPECT_TRUE(fast.bytes == plain.bytes) << where;
      EXPECT_EQ(fast.position.x, plain.position.x) << where;
      EXPECT_EQ(fast.position.y, plain.position.y) << where;
      EXPECT_EQ(fast.calls, plain.calls) << where;
    }
  }

  // Every step, fast against plain.
  void ExpectSamePictures(const std::string& what) {
    for (int32_t step = 1; step <= 15; ++step) {
      Editor().SetStep(static_cast<EditStep>(step));
      ExpectSamePicture(what + " step " + std::to_string(step));
    }
  }

  // Splitting a segment in the middle of a ring: the paint of step 5 around the vertex
  // being split, fast against plain.
  void ExpectSameSplitPictures(const std::string& what) {
    Editor().SetStep(EditStep::ChooseSegmentToSplit);
    const Figure& figure = Editor().GetFigure();
    const int32_t r = figure.CurrentRing(), n = figure.VertexCount(r);
    const Point3 a = figure.At(r, n / 2 - 1), b = figure.At(r, n / 2);
    double x = (a.x + b.x) / 2, y = (a.y + b.y) / 2;
    host.WorldToScreen(x, y);
    host.Press(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    ASSERT_EQ(Editor().Step(), EditStep::DragSplitVertex) << what;
    ASSERT_GT(Editor().PickedVertex(), 1) << what;
    ASSERT_LT(Editor().PickedVertex(), figure.VertexCount(r) - 2) << what;
    ExpectSamePicture(what + " split");
  }
};

// One test per scene, so that each stays well inside the per-test time limit under the
// sanitizers. rings == 0: the scene as a polygon of three rings and as a polyline.
struct SceneCase {
  Scene scene;
  const char* name;
  int rings;
  bool is3D = false;
};

class FastPathsSceneTest : public FastPathsTest, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(FastPathsSceneTest, EveryStepPaintsTheSamePixelsWithAndWithoutFastPaths) {
  const SceneCase& s = GetParam();
  if (s.rings > 0) {
    // A thousand small rings: grips and outlines of one ring land on another's pixels.
    Build(MODE_POLYGON, s.scene, s.rings, 12);
    ExpectSamePictures(s.name);
    // Rings far apart, so that the press splits a segment of the ring it aims at.
    if (s.scene == Scene::Concentric) ExpectSameSplitPictures(s.name);
    return;
  }
  for (int32_t mode : {MODE_POLYGON, MODE_POLYLINE}) {
    SCOPED_TRACE(std::string(s.name) + (mode == MODE_POLYGON ? " polygon" : " polyline"));
    ctl->abortEdit();
    const bool repeating = s.scene == Scene::NonFiniteRepeating;
    Build(mode, s.scene, mode == MODE_POLYGON ? 3 : 1, repeating ? 1500 : mode == MODE_POLYGON ? 100 : 300, true,
          s.is3D);
    if (s.is3D) {
      // The tilted plane still shows the scene: a comparison of blank pictures proves nothing.
      Editor().SetStep(EditStep::ChooseVertexToMove);
      const std::vector<uint8_t> painted = Paint(R2_COPYPEN, true).bytes, blank = Surface().Bytes();
      size_t changed = 0;
      for (size_t i = 0; i < painted.size(); ++i) changed += painted[i] != blank[i];
      EXPECT_GT(changed, 1000u);
    }
    ExpectSamePictures(s.name);
    if (!s.is3D && (s.scene == Scene::Spread || s.scene == Scene::Overlapping || s.scene == Scene::Dense)) {
      ExpectSameSplitPictures(s.name);
      ctl->abortEdit();
      Build(mode, s.scene, mode == MODE_POLYGON ? 3 : 1, mode == MODE_POLYGON ? 100 : 300, true, s.is3D);
    }
    // The begin/end lock leaves some grips out: the skipping must follow it.
    ctl->disableBeginEndPolylineEdit();  // until the next Build starts a new edit
    ExpectSamePictures(std::string(s.name) + " locked");
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, FastPathsSceneTest,
                         ::testing::Values(SceneCase{Scene::Spread, "spread", 0},
                                           SceneCase{Scene::Overlapping, "overlapping", 0},
                                           SceneCase{Scene::Dense, "dense", 0},
                                           SceneCase{Scene::FarOutside, "far_outside", 0},
                                           SceneCase{Scene::NonFinite, "non_finite", 0},
                                           SceneCase{Scene::NonFiniteRepeating, "non_finite_repeating", 0},
                                           SceneCase{Scene::Dense, "dense_3d", 0, true},
                                           SceneCase{Scene::Overlapping, "overlapping_3d", 0, true},
                                           SceneCase{Scene::Dense, "rings_1000", 1000},
                                           SceneCase{Scene::Concentric, "concentric_rings", 150},
                                           SceneCase{Scene::NonFiniteRepeating, "rings_1000_non_finite", 1000}),
                         [](const ::testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

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
  run.position = CurrentPosition(hdc);
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

// A polygon of many rings loaded from a record, so that its rings share one block: moves
// and scales with their undo and redo, a vertex inserted into a ring with no room left
// and one dragged, then a new ring clicked past the size where growth turns geometric.
// The empty ring has no room asked for.
TEST_F(FastPathsTest, EditedRingsSaveTheSameRecordBytes) {
  const auto saved = SameRecordBytesFastAndPlain([this](bool is3D) {
    Connect();
    ctl->setMaxNumberOfRings(60);
    RecordMaker::Polygon g;
    g.is3D = is3D;
    for (int r = 0; r < 40; ++r) {
      const int n = r == 7 ? 0 : r % 5 == 1 ? 3 : r % 3 == 0 ? 20 : 11 + 3 * r;
      g.rings.push_back({static_cast<uint32_t>(g.xy.size() / 2), static_cast<uint32_t>(n),
                         static_cast<int16_t>(r == 0 ? ntt::kPerimeter : ntt::kHole)});
      for (int i = 0; i < n; ++i) {
        const double t = 6.283185307179586 * i / n, radius = 200 - 4 * r;
        g.xy.push_back(320 + radius * std::cos(t));
        g.xy.push_back(240 + radius * std::sin(t));
        g.z.push_back(r + 0.25 * i);
      }
    }
    EXPECT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(g))));
    EditController& ec = Editor();
    ec.OnMenuMove();
    DragPixels({{300, 200}, {317, 191}});
    ec.OnMenuScale();
    DragPixels({{400, 100}, {420, 90}, {350, 130}});
    EXPECT_TRUE(ec.Undo());
    EXPECT_TRUE(ec.Undo());
    EXPECT_TRUE(ec.Redo());
    EXPECT_TRUE(ec.Redo());  // the scaling stays, its heights included
    // Ring 3 has 20 vertices, all the room it was given: the insertion grows it.
    ec.OnMenuInsertVertex();
    const Point3 a = ec.GetFigure().At(3, 0), b = ec.GetFigure().At(3, 1);
    double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    host.WorldToScreen(mx, my);
    const POINT grip{static_cast<LONG>(std::lround(mx)), static_cast<LONG>(std::lround(my))};
    DragPixels({grip, {grip.x + 6, grip.y - 4}});
    EXPECT_EQ(ec.GetFigure().VertexCount(3), 21) << "the vertex was not inserted";
    ec.OnMenuMove();
    DragPixels({{100, 100}, {90, 120}});
    EXPECT_TRUE(ec.Undo());
    ec.OnMenuNewPerimeter();
    for (int i = 0; i < 1300; ++i) {
      const int x = 100 + static_cast<int>(200 * std::cos(i * 0.37)), y = 200 + static_cast<int>(150 * std::sin(i * 0.53));
      host.Press(x, y);
      host.Release(x, y);
    }
    ASSERT_EQ(ec.GetFigure().VertexCount(40), 1300);
    ec.OnMenuScale();
    DragPixels({{400, 100}, {420, 90}, {350, 130}});
  });
  for (const std::string& bytes : saved) EXPECT_GT(bytes.size(), 2 * 1300u * 16) << "the vertices as hex";
}

}  // namespace
