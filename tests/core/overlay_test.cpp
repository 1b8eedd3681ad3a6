// The overlay as the user sees it: grips of each step, segments, the highlight, the
// centre marker and the polar marks, read back as pixels of the reference host's view.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core_fixture.h"
#include "feedback/grips.h"
#include "refhost/record_maker.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGray = RGB(192, 192, 192);

using Rows = std::vector<std::string>;

class OverlayTest : public ControlTest {
 protected:
  void StartWith(int32_t mode, std::initializer_list<std::pair<double, double>> vertices, int32_t step) {
    StartDrawing(mode);
    if (vertices.size() > 0) AddVertices(0, vertices);
    Editor().SetStep(EditStep(step));
  }
  COLORREF Pixel(int x, int y) const { return ViewPixel(x, y); }
  // The block of w x h pixels centred on (cx, cy): '#' pen colour, '.' white, 'g' light
  // gray, '?' anything else.
  Rows Block(int cx, int cy, int w = 9, int h = 9) const {
    const COLORREF pen = ctl->TranslateColor(ctl->m_penColor);
    Rows rows;
    for (int y = cy - h / 2; y <= cy + h / 2; ++y) {
      std::string row;
      for (int x = cx - w / 2; x <= cx + w / 2; ++x) {
        COLORREF c = Pixel(x, y);
        row += c == pen ? '#' : c == kWhite ? '.' : c == kGray ? 'g' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }
  void SaveOnFailure(const std::string& name) { SavePictureOnFailure("overlay", name); }
};

const Rows kLine = {".........", ".........", ".........", ".........", "#########",
                    ".........", ".........", ".........", "........."};
const Rows kSquareOnLine = {".........", ".#######.", ".#.....#.", ".#.....#.", "#########",
                            ".#.....#.", ".#.....#.", ".#######.", "........."};
const Rows kBoxedCrossOnLine = {".........", ".#######.", ".##...##.", ".#.#.#.#.", "#########",
                                ".#.#.#.#.", ".##...##.", ".#######.", "........."};

}  // namespace

// Polyline (100,100)-(200,100)-(300,100): its middle vertex at pixel (200,380), the
// midpoint of its first segment at (150,380).
TEST_F(OverlayTest, EachStepOffersItsGrips) {
  // Step 5 is reached by a split: of (100)-(300) at 200, which gives vertex 1, or of
  // (100)-(200)-(400) at 300, which gives vertex 2.
  struct Case {
    int32_t step;
    int32_t curVertex;
    Rows atVertex, atMidpoint;
  } cases[] = {
      {1, -1, kLine, kLine},
      {2, -1, kSquareOnLine, kLine},
      {3, 1, kSquareOnLine, kLine},
      {4, -1, kLine, kSquareOnLine},
      {5, 1, kSquareOnLine, kSquareOnLine},
      {5, 2, kLine, kSquareOnLine},
      {6, -1, kBoxedCrossOnLine, kLine},
      {7, 1, kBoxedCrossOnLine, kLine},
      {8, -1, kLine, kLine},
      {9, -1, kLine, kLine},
  };
  for (const Case& c : cases) {
    ctl->abortEdit();
    if (c.step != 5) {
      StartWith(MODE_POLYLINE, {{100, 100}, {200, 100}, {300, 100}}, c.step);
    } else {
      if (c.curVertex == 1) {
        StartWith(MODE_POLYLINE, {{100, 100}, {300, 100}}, 4);
      } else {
        StartWith(MODE_POLYLINE, {{100, 100}, {200, 100}, {400, 100}}, 4);
      }
      host.Press(c.curVertex == 1 ? 200 : 300, 380);
      ASSERT_EQ(StepNumber(Editor().Step()), 5);
      ASSERT_EQ(Editor().PickedVertex(), c.curVertex);
    }
    host.Repaint();
    EXPECT_EQ(Block(200, 380), c.atVertex) << "vertex grip in step " << c.step << ", dragged vertex " << c.curVertex;
    EXPECT_EQ(Block(150, 380), c.atMidpoint) << "midpoint grip in step " << c.step;
    SaveOnFailure("step" + std::to_string(c.step));
  }
}

// The first grip of a paint may sit anywhere in the view, its top-left corner included.
TEST_F(OverlayTest, AGripFourPixelsFromTheTopLeftCornerIsDrawn) {
  StartWith(MODE_POLYLINE, {{4, 480}, {100, 480}}, 2);
  host.Repaint();
  EXPECT_EQ(Block(4, 3, 9, 1), Rows{".#######."}) << "the grip's bottom side";
}

TEST_F(OverlayTest, LockedEndsLoseTheirVertexGripsButKeepMidpoints) {
  StartWith(MODE_POLYGON, {{100, 100}, {200, 100}, {200, 200}}, 2);
  ctl->disableBeginEndPolylineEdit();
  struct Case {
    int32_t step;
    int x, y;
    bool gripped;
    const char* what;
  } cases[] = {
      {2, 100, 380, false, "first vertex, move step"},
      {2, 200, 280, false, "last vertex, move step"},
      {2, 200, 380, true, "middle vertex, move step"},
      {6, 100, 380, false, "first vertex, delete step"},
      {6, 200, 380, true, "middle vertex, delete step"},
      {4, 150, 330, true, "closing midpoint"},
      {4, 150, 380, true, "midpoint after the first vertex"},
  };
  for (const Case& c : cases) {
    Editor().SetStep(EditStep(c.step));
    host.Repaint();
    // The top-left corner of a grip is off every segment of this figure.
    EXPECT_EQ(Pixel(c.x - 3, c.y - 3) != kWhite, c.gripped) << c.what;
  }
  SaveOnFailure("locked_ends");
}

TEST_F(OverlayTest, PolygonRingsCloseAndOnlyTheLastClosingSideIsDotted) {
  // Two squares; each closing side runs down the left edge, from the last vertex up to the first.
  StartWith(MODE_POLYGON, {{100, 100}, {200, 100}, {200, 200}, {100, 200}}, 1);
  AddVertices(1, {{300, 100}, {400, 100}, {400, 200}, {300, 200}});
  host.Repaint();
  auto column = [&](int x) {
    std::string s;
    for (int y = 290; y < 370; ++y) s += Pixel(x, y) == kWhite ? '.' : '#';
    return s;
  };
  EXPECT_EQ(column(100), std::string(80, '#')) << "ring 0 closes with a solid side";
  const std::string dotted = column(300);
  EXPECT_NE(dotted.find('#'), std::string::npos) << "the last ring closes: " << dotted;
  EXPECT_NE(dotted.find('.'), std::string::npos) << "with a dotted side: " << dotted;
  EXPECT_EQ(column(200), std::string(80, '#')) << "ordinary sides are solid";
  EXPECT_EQ(Block(300, 280)[1], "...###...") << "the last ring ends in the drawing's circle";
  EXPECT_EQ(Block(100, 280)[1], ".........") << "an earlier ring does not";
  SaveOnFailure("closing_polygon");

  ctl->drawPolyline();
  AddVertices(0, {{100, 100}, {200, 100}, {200, 200}});
  host.Repaint();
  EXPECT_EQ(Pixel(150, 330), kWhite) << "a polyline does not close";
  EXPECT_EQ(Pixel(150, 380), RGB(255, 0, 0));
  SaveOnFailure("closing_polyline");
}

TEST_F(OverlayTest, PenColourComesFromThePenColorProperty) {
  const struct {
    OLE_COLOR property;
    COLORREF drawn;
  } cases[] = {{0x0000FF, RGB(255, 0, 0)}, {RGB(0, 128, 64), RGB(0, 128, 64)}, {0x80000008, RGB(0, 0, 0)}};
  StartWith(MODE_POLYLINE, {{100, 100}, {200, 100}}, 2);
  for (const auto& c : cases) {
    ctl->m_penColor = c.property;
    host.Repaint();
    EXPECT_EQ(Pixel(150, 380), c.drawn) << "segment, penColor " << std::hex << c.property;
    EXPECT_EQ(Pixel(97, 377), c.drawn) << "grip corner, penColor " << std::hex << c.property;
  }
}

TEST_F(OverlayTest, InThreeDOnlyVerticesOfOnePartAreJoined) {
  ctl->Set3DMode(1);
  StartWith(MODE_POLYLINE, {}, 4);
  AddVertex(0, 100, 100, 0, 1);
  AddVertex(0, 200, 100, 0, 1);
  AddVertex(0, 300, 100, 0, 2);
  host.Repaint();
  EXPECT_EQ(Block(150, 380), kSquareOnLine) << "same part: joined, with a midpoint grip";
  EXPECT_EQ(Pixel(250, 380), kWhite) << "new part: no segment";
  EXPECT_EQ(Pixel(247, 377), kWhite) << "new part: no midpoint grip";
  SaveOnFailure("parts");
}

TEST_F(OverlayTest, HighlightMarksEndsWithCirclesAndEveryVertexWithACross) {
  // Highlighted first: the start keeps the marks, and the edit runs as they are painted.
  const double xs[] = {100, 200, 300};
  RecordMaker make;
  Connect();
  ctl->hiliteNttVertexes(static_cast<LONG>(make.PolylineRecord({{xs[0], 100, xs[1], 100, xs[2], 100}})));
  StartWith(MODE_POLYLINE, {}, 1);
  ASSERT_TRUE(ctl->isEditing());
  ASSERT_EQ(Editor().MarkCount(), 3);
  host.Repaint();
  for (int i = 0; i < 3; ++i) {
    const int x = static_cast<int>(xs[i]);
    EXPECT_EQ(Pixel(x + 3, 380) != kWhite, i != 1) << "circle edge at vertex " << i;
    // The last circle comes after its cross and is filled with the host's brush (white
    // here), so only the first cross shows through its circle.
    EXPECT_EQ(Pixel(x, 380) != kWhite, i != 2) << "cross centre at vertex " << i;
    EXPECT_NE(Pixel(x - 3, 377), kWhite) << "cross arm beyond the circle at vertex " << i;
  }
  const Rows cross = {".........", ".#.....#.", "..#...#..", "...#.#...", "....#....",
                      "...#.#...", "..#...#..", ".#.....#.", "........."};
  EXPECT_EQ(Block(200, 380), cross) << "a middle vertex has its cross only";
  EXPECT_EQ(Pixel(150, 380), kWhite) << "highlighted vertices are not joined";
  SaveOnFailure("highlight");
}

TEST_F(OverlayTest, RotateAndScaleStepsMarkTheCentre) {
  StartWith(MODE_POLYGON, {}, 8);
  // Without a vertex the centre is the container's base point.
  ctl->setBasePointQarnEdit(320, 240, 0);
  Editor().OnMenuRotate();
  for (int32_t step = 8; step <= 15; ++step) {
    Editor().SetStep(EditStep(step));
    host.Repaint();
    EXPECT_EQ(Pixel(323, 240) != kWhite, step >= 10 && step <= 15) << "centre marker in step " << step;
  }
}

// Last vertex at world (200, 200), pixel (200, 280).
TEST_F(OverlayTest, PolarMarksShowTheConstraint) {
  StartWith(MODE_POLYLINE, {{100, 100}, {200, 200}}, 1);
  struct Case {
    uint32_t flags;
    int x, y;
    bool dotted;  // a dotted mark may leave a pixel out: a neighbour along x will do
    COLORREF expected;
    const char* what;
    const char* angle = "0";
  } cases[] = {
      {POLAR_LENGTH_FIXED | POLAR_FROM_BASE, 150, 327, false, RGB(255, 0, 0), "grip on the base point (150, 150)"},
      {POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED, 250, 280, false, kGray, "cross centre at +length"},
      // sin(pi) is a hair above 0 with the editor's pi: the point lands a hair above row
      // 280, which truncates to 279.
      {POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED, 150, 279, false, kGray, "cross centre at -length"},
      {POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED, 225, 280, false, kWhite, "no line between the crosses"},
      {POLAR_ANGLE_FIXED, 399, 280, true, kGray, "direction line reaches 200 pixels right"},
      {POLAR_ANGLE_FIXED, 2, 280, true, kGray, "and 200 pixels left"},
      {POLAR_ANGLE_FIXED, 401, 280, false, kWhite, "and ends there"},
      {POLAR_ANGLE_FIXED, 200, 80, false, kGray, "at 90 degrees it reaches 200 pixels up", "90"},
      {POLAR_LENGTH_FIXED, 200, 230, true, kGray, "circle of the length, top"},
      {POLAR_LENGTH_FIXED, 225, 280, false, kWhite, "circle is hollow"},
      {0, 250, 280, false, kWhite, "polar input off"},
  };
  for (const Case& c : cases) {
    // Angle 0 and length 50, each fixed when its flag is.
    Editor().OnMenuPolarOff();
    if (c.flags)
      PolarDialog(c.flags & POLAR_ANGLE_FIXED ? c.angle : "", c.flags & POLAR_LENGTH_FIXED ? "50" : "", "",
                  c.flags & POLAR_FROM_BASE ? 1 : 0);
    host.Repaint();
    bool found = Pixel(c.x, c.y) == c.expected;
    if (c.dotted) found = found || Pixel(c.x - 1, c.y) == c.expected || Pixel(c.x + 1, c.y) == c.expected;
    EXPECT_TRUE(found) << c.what;
    SaveOnFailure("polar" + std::to_string(c.flags));
  }
  EXPECT_EQ(Editor().PolarReference().x, 200);
  EXPECT_EQ(Editor().PolarReference().y, 200) << "the painter refreshes the last point";
}

TEST_F(OverlayTest, EveryPenMadeForAPaintIsDeleted) {
  for (uint32_t flags : {1u, 2u, 3u, 0x13u}) {
    for (bool is3D : {false, true}) {
      ctl->abortEdit();
      ctl->Set3DMode(is3D ? 1 : 0);
      StartWith(MODE_POLYGON, {{100, 100}, {200, 100}, {200, 200}}, 4);
      PolarDialog(flags & POLAR_ANGLE_FIXED ? "0" : "", flags & POLAR_LENGTH_FIXED ? "50" : "", "",
                  flags & POLAR_FROM_BASE ? 1 : 0);
      host.Press(150, 380);  // splits the first side: its new vertex is dragged
      ASSERT_EQ(StepNumber(Editor().Step()), 5);
      const int before = QarnLiveGdiObjectCount();
      host.Repaint();
      EXPECT_EQ(QarnLiveGdiObjectCount(), before) << "polar flags " << flags << (is3D ? " in 3D" : " in 2D");
    }
  }
}

// In 3D the marks are laid into the work plane: the plane is read on each paint and its
// points go through the host's projection before they become pixels.
TEST_F(OverlayTest, ThreeDPolarMarksAskTheHostForThePlaneAndTheProjection) {
  ctl->Set3DMode(1);
  StartWith(MODE_POLYLINE, {{100, 100}, {200, 200}}, 8);
  struct Case {
    uint32_t flags;
    long projections;
    int grayX, grayY;  // a gray pixel of the mark, give or take one (dotted marks)
    const char* what;
    const char* angle = "0";
  } cases[] = {
      {POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED, 2, 150, 280, "two crosses"},
      {POLAR_ANGLE_FIXED, 2, 399, 280, "direction from two projected points"},
      {POLAR_ANGLE_FIXED, 2, 200, 81, "direction at 90 degrees", "90"},
      {POLAR_LENGTH_FIXED, 37, 200, 230, "circle of 36 chords"},
  };
  for (const Case& c : cases) {
    PolarDialog(c.flags & POLAR_ANGLE_FIXED ? c.angle : "", c.flags & POLAR_LENGTH_FIXED ? "50" : "", "", 0);
    host.calls.clear();
    host.Repaint();
    const Names names = CallNames();
    const auto plane = std::find(names.begin(), names.end(), "GetWorkPlane");
    ASSERT_NE(plane, names.end()) << c.what;
    EXPECT_EQ(std::count(plane, names.end(), "ProjectToView"), c.projections) << c.what;
    EXPECT_EQ(std::count(names.begin(), plane, "ProjectToView"), 0) << c.what << ": the plane is read first";
    bool gray = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) gray = gray || Pixel(c.grayX + dx, c.grayY + dy) == kGray;
    EXPECT_TRUE(gray) << c.what << " near (" << c.grayX << ", " << c.grayY << ")";
    SaveOnFailure("polar3d_" + std::to_string(c.flags));
  }
}

// World points that the host turns into pixels far outside the view, or into no number
// at all, still paint: what reaches the view is drawn, the rest is left out, and the paint
// returns.
TEST_F(OverlayTest, PointsBeyondThePixelRangePaintTheirVisibleParts) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double far;
    int edgeX;  // where the segment towards the far vertex leaves the view, or -1
  } cases[] = {{1e308, 639}, {inf, 639}, {3e9, 639}, {-1e308, 0}, {-inf, 0}, {-3e9, 0}, {std::nan(""), 5}};
  // In a polyline step 1 puts a circle grip on the far vertex. In a polygon whose last
  // ring is empty, the container's base point, put as far, is the centre step 10 marks
  // and the polar base point, which gets its grip and a circle around it.
  for (const Case& c : cases) {
   for (int32_t mode : {MODE_POLYLINE, MODE_POLYGON}) {
    SCOPED_TRACE(c.far);
    ctl->abortEdit();
    StartWith(mode, {{100, 100}, {200, 100}, {c.far, 100}}, 1);
    if (mode == MODE_POLYGON) {
      AddEmptyRing();
      ctl->setBasePointQarnEdit(c.far, 100, 0);
      Editor().OnMenuRotate();
      Editor().OnMenuPolarOff();
      PolarDialog("", "50", "", 1);
      ASSERT_TRUE(Editor().PolarFlags() & POLAR_FROM_BASE);
    }
    for (int32_t step : {1, 10}) {
      if (mode == MODE_POLYLINE && step == 10) continue;
      Editor().SetStep(EditStep(step));
      host.Repaint();
      EXPECT_EQ(Block(150, 380), kLine) << "step " << step;
      EXPECT_EQ(Block(c.edgeX, 380, 1, 1), Rows{"#"}) << "the segment runs to the edge, step " << step;
    }
   }
  }
}

// Lengths whose circle converts to no pixel box, or to one far past the pixel range,
// about a vertex a million pixels below the view: the paint returns and its outline is
// nowhere in the view. How a huge circle crosses the view is the drawing layer's
// (tests/gdi/gdi_draw_test.cpp, AHugeCircleShowsItsTopRow).
TEST_F(OverlayTest, PolarCirclesBeyondThePixelRangeLeaveTheViewAlone) {
  StartWith(MODE_POLYLINE, {{320, 200 - 1e6}}, 8);
  for (const char* length : {"nan", "inf", "1e10", "1e308"}) {
    PolarDialog("", length, "", 0);
    ASSERT_EQ(Editor().PolarLength() == Editor().PolarLength(), length[0] != 'n') << length;
    host.Repaint();
    EXPECT_EQ(Block(320, 380, 9, 1), Rows{"........."}) << length;
  }
}
