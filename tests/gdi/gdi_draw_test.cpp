// Lines, raster operations, dotted pens, rectangles, ellipses and arcs, pixel by pixel.
#include <algorithm>
#include <chrono>
#include <climits>
#include <deque>
#include <functional>
#include <string>

#include "gdi_cases.h"

namespace gditest {
namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 160, 0);

class PenScope {
 public:
  PenScope(HDC dc, int style, int width, COLORREF color) : m_dc(dc), m_pen(CreatePen(style, width, color)) {
    m_old = SelectObject(dc, m_pen);
  }
  ~PenScope() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_pen);
  }

 private:
  HDC m_dc;
  HPEN m_pen;
  HGDIOBJ m_old;
};

TEST(GdiLine, LightsStartButNotEndPixelInEveryDirection) {
  for (const LineCase& c : LineCases()) {
    SCOPED_TRACE(c.name);
    Canvas canvas(20, 20);
    MoveToEx(canvas.dc(), c.from.x, c.from.y, NULL);
    EXPECT_TRUE(LineTo(canvas.dc(), c.to.x, c.to.y));
    ExpectInked(canvas, kWhite, c.lit, std::string("line ") + c.name);
    POINT cp{-1, -1};
    GetCurrentPositionEx(canvas.dc(), &cp);
    EXPECT_EQ(cp.x, c.to.x) << c.name << ": expected current x " << c.to.x << ", got " << cp.x;
    EXPECT_EQ(cp.y, c.to.y) << c.name << ": expected current y " << c.to.y << ", got " << cp.y;
  }
}

TEST(GdiLine, UsesPenColour) {
  Canvas canvas(10, 3);
  PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
  MoveToEx(canvas.dc(), 0, 1, NULL);
  LineTo(canvas.dc(), 10, 1);
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(canvas.At(x, 1), kRed) << "pixel " << x << ": expected " << Hex(kRed) << ", got " << Hex(canvas.At(x, 1));
}

TEST(GdiLine, ClosedPathOfLineToTouchesEachCornerOnce) {
  // With XOR, a corner drawn by two segments would cancel out.
  Canvas canvas(12, 12);
  SetROP2(canvas.dc(), R2_XORPEN);
  PenScope pen(canvas.dc(), PS_SOLID, 1, kWhite);
  MoveToEx(canvas.dc(), 2, 2, NULL);
  LineTo(canvas.dc(), 9, 2);
  LineTo(canvas.dc(), 9, 8);
  LineTo(canvas.dc(), 2, 8);
  LineTo(canvas.dc(), 2, 2);
  std::set<Pixel> outline;
  for (int x = 2; x <= 9; ++x) outline.insert({x, 2}), outline.insert({x, 8});
  for (int y = 2; y <= 8; ++y) outline.insert({2, y}), outline.insert({9, y});
  ExpectInked(canvas, kWhite, outline, "xor closed path");
  for (const Pixel& p : outline)
    EXPECT_EQ(canvas.At(p.first, p.second), RGB(0, 0, 0))
        << "(" << p.first << "," << p.second << "): expected black, got " << Hex(canvas.At(p.first, p.second));
}

TEST(GdiRop2, CombinesPenWithDestination) {
  for (const RopCase& c : RopCases()) {
    Canvas canvas(4, 1);
    canvas.Clear(c.destination);
    SetROP2(canvas.dc(), c.rop2);
    PenScope pen(canvas.dc(), PS_SOLID, 1, c.pen);
    MoveToEx(canvas.dc(), 0, 0, NULL);
    LineTo(canvas.dc(), 4, 0);
    EXPECT_EQ(canvas.At(2, 0), c.expected)
        << c.name << ": expected " << Hex(c.expected) << ", got " << Hex(canvas.At(2, 0));
  }
}

TEST(GdiRop2, XorTwiceRestoresThePicture) {
  Canvas canvas(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) SetPixel(canvas.dc(), x, y, RGB(x * 8, y * 8, (x ^ y) * 8));
  std::vector<COLORREF> before;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) before.push_back(canvas.At(x, y));
  SetROP2(canvas.dc(), R2_XORPEN);
  PenScope pen(canvas.dc(), PS_SOLID, 1, RGB(0x5A, 0xA5, 0xFF));
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
  for (int pass = 0; pass < 2; ++pass) {
    MoveToEx(canvas.dc(), 1, 1, NULL);
    LineTo(canvas.dc(), 30, 17);
    LineTo(canvas.dc(), 3, 29);
    LineTo(canvas.dc(), 1, 1);
    Ellipse(canvas.dc(), 4, 4, 27, 19);
  }
  SelectObject(canvas.dc(), oldBrush);
  int changed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (canvas.At(x, y) != before[y * 32 + x]) ++changed;
  EXPECT_EQ(changed, 0) << "expected the picture restored, got " << changed << " changed pixels";
  if (changed) canvas.Save("xor twice");
}

TEST(GdiRop2, NopLeavesEverythingAndNotInverts) {
  Canvas canvas(8, 2);
  SetROP2(canvas.dc(), R2_NOP);
  MoveToEx(canvas.dc(), 0, 0, NULL);
  LineTo(canvas.dc(), 8, 0);
  EXPECT_EQ(canvas.Inked(kWhite).size(), 0u) << "R2_NOP drew " << Describe(canvas.Inked(kWhite));
  SetROP2(canvas.dc(), R2_NOT);
  MoveToEx(canvas.dc(), 0, 1, NULL);
  LineTo(canvas.dc(), 8, 1);
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(canvas.At(x, 1), RGB(0, 0, 0)) << "x " << x << ": expected black, got " << Hex(canvas.At(x, 1));
}

void CheckPattern(const Canvas& canvas, const DotCase& c, const std::string& name) {
  int n = static_cast<int>(std::string(c.pattern).size());
  int sx = c.to.x > c.from.x ? 1 : c.to.x < c.from.x ? -1 : 0;
  int sy = c.to.y > c.from.y ? 1 : c.to.y < c.from.y ? -1 : 0;
  std::string got;
  for (int i = 0; i < n; ++i) {
    COLORREF px = canvas.At(c.from.x + i * sx, c.from.y + i * sy);
    got += px == kRed ? 'p' : px == kBlue ? 'b' : px == kWhite ? '.' : '?';
  }
  COLORREF end = canvas.At(c.to.x, c.to.y);
  EXPECT_EQ(got, c.pattern) << name << ": expected pattern " << c.pattern << ", got " << got;
  EXPECT_TRUE(end == kWhite || end == CLR_INVALID) << name << ": end pixel drawn " << Hex(end);
  if (got != c.pattern) canvas.Save(name);
}

TEST(GdiDotPen, ThreeOnThreeOffWithGapsByBackgroundMode) {
  for (const DotCase& c : DotCases()) {
    Canvas canvas(16, 12);
    SetBkMode(canvas.dc(), c.bkMode);
    SetBkColor(canvas.dc(), kBlue);
    PenScope pen(canvas.dc(), PS_DOT, 1, kRed);
    MoveToEx(canvas.dc(), c.from.x, c.from.y, NULL);
    LineTo(canvas.dc(), c.to.x, c.to.y);
    CheckPattern(canvas, c, std::string("dot ") + c.name);
  }
}

TEST(GdiDotPen, PatternRestartsWithEachLineToButRunsOnThroughPolyline) {
  struct Case {
    const char* name;
    bool polyline;
    const char* row;  // x = 0..11
  } cases[] = {
      {"two LineTo calls", false, "pppbpppbbbpp"},
      {"one Polyline", true, "pppbbbpppbbb"},
  };
  for (const Case& c : cases) {
    Canvas canvas(14, 3);
    SetBkColor(canvas.dc(), kBlue);
    PenScope pen(canvas.dc(), PS_DOT, 1, kRed);
    POINT points[] = {{0, 1}, {4, 1}, {12, 1}};
    if (c.polyline) {
      Polyline(canvas.dc(), points, 3);
    } else {
      MoveToEx(canvas.dc(), 0, 1, NULL);
      LineTo(canvas.dc(), 4, 1);
      LineTo(canvas.dc(), 12, 1);
    }
    std::string got;
    for (int x = 0; x < 12; ++x) got += canvas.At(x, 1) == kRed ? 'p' : canvas.At(x, 1) == kBlue ? 'b' : '.';
    EXPECT_EQ(got, c.row) << c.name << ": expected " << c.row << ", got " << got;
  }
}

TEST(GdiPen, NullPenDrawsNothingButMoves) {
  Canvas canvas(10, 10);
  HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  MoveToEx(canvas.dc(), 0, 0, NULL);
  EXPECT_TRUE(LineTo(canvas.dc(), 9, 9));
  POINT cp{};
  GetCurrentPositionEx(canvas.dc(), &cp);
  EXPECT_EQ(cp.x, 9);
  EXPECT_EQ(canvas.Inked(kWhite).size(), 0u) << "null pen drew " << Describe(canvas.Inked(kWhite));
  SelectObject(canvas.dc(), old);
}

TEST(GdiFillRect, FillsWithoutRightColumnAndBottomRow) {
  for (const RectCase& c : FillRectCases()) {
    Canvas canvas(16, 16);
    HBRUSH brush = CreateSolidBrush(kGreen);
    SetROP2(canvas.dc(), R2_XORPEN);  // FillRect copies its brush whatever the mix mode
    EXPECT_NE(FillRect(canvas.dc(), &c.rect, brush), 0) << c.name;
    DeleteObject(brush);
    RECT part = FilledPart(c.rect);
    std::set<Pixel> expected;
    for (int y = std::max<int>(part.top, 0); y < std::min<int>(part.bottom, 16); ++y)
      for (int x = std::max<int>(part.left, 0); x < std::min<int>(part.right, 16); ++x) expected.insert({x, y});
    ExpectInked(canvas, kWhite, expected, std::string("fillrect ") + c.name);
    for (const Pixel& p : expected)
      if (canvas.At(p.first, p.second) != kGreen) {
        ADD_FAILURE() << c.name << ": expected brush colour at (" << p.first << "," << p.second << "), got "
                      << Hex(canvas.At(p.first, p.second));
        break;
      }
  }
}

TEST(GdiRectangle, OutlineWithPenAndInteriorWithBrush) {
  Canvas canvas(12, 12);
  PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
  HBRUSH brush = CreateSolidBrush(kGreen);
  HGDIOBJ old = SelectObject(canvas.dc(), brush);
  Rectangle(canvas.dc(), 2, 3, 9, 10);
  struct Probe {
    int x, y;
    COLORREF expected;
  } probes[] = {{2, 3, kRed},   {8, 3, kRed},   {2, 9, kRed},     {8, 9, kRed},     {5, 6, kGreen},
                {3, 4, kGreen}, {7, 8, kGreen}, {9, 5, kWhite},   {5, 10, kWhite},  {1, 3, kWhite}};
  for (const Probe& p : probes)
    EXPECT_EQ(canvas.At(p.x, p.y), p.expected)
        << "(" << p.x << "," << p.y << "): expected " << Hex(p.expected) << ", got " << Hex(canvas.At(p.x, p.y));
  SelectObject(canvas.dc(), old);
  DeleteObject(brush);
}

// ---- Ellipses ---------------------------------------------------------------

struct Figure {
  std::vector<std::string> rows;  // 'p' pen, 'f' fill, '.' untouched
  char At(int x, int y) const {
    if (y < 0 || y >= static_cast<int>(rows.size()) || x < 0 || x >= static_cast<int>(rows[0].size())) return '.';
    return rows[y][x];
  }
};

Figure Capture(const Canvas& canvas) {
  Figure f;
  for (int y = 0; y < canvas.height(); ++y) {
    std::string row;
    for (int x = 0; x < canvas.width(); ++x) {
      COLORREF c = canvas.At(x, y);
      row += c == kRed ? 'p' : c == kGreen ? 'f' : c == kWhite ? '.' : '?';
    }
    f.rows.push_back(row);
  }
  return f;
}

std::string Picture(const Figure& f) {
  std::string s;
  for (const std::string& r : f.rows) s += r + "\n";
  return s;
}

// Pixels reachable from the canvas border through untouched pixels (4-connected).
std::set<Pixel> Outside(const Figure& f) {
  int h = static_cast<int>(f.rows.size()), w = static_cast<int>(f.rows[0].size());
  std::set<Pixel> seen;
  std::deque<Pixel> queue;
  for (int x = 0; x < w; ++x) queue.push_back({x, 0}), queue.push_back({x, h - 1});
  for (int y = 0; y < h; ++y) queue.push_back({0, y}), queue.push_back({w - 1, y});
  while (!queue.empty()) {
    Pixel p = queue.front();
    queue.pop_front();
    if (p.first < 0 || p.second < 0 || p.first >= w || p.second >= h) continue;
    if (f.At(p.first, p.second) == 'p' || seen.count(p)) continue;
    seen.insert(p);
    queue.push_back({p.first + 1, p.second});
    queue.push_back({p.first - 1, p.second});
    queue.push_back({p.first, p.second + 1});
    queue.push_back({p.first, p.second - 1});
  }
  return seen;
}

TEST(GdiEllipse, SymmetricClosedAndInsideItsBox) {
  const int margin = 3;
  for (EllipseSize size : EllipseSizes()) {
    if (StopsShortOfItsEnds(size)) continue;  // GdiEllipse.TallThinFiguresStopShortInsideTheirBox
    std::string name = "ellipse " + std::to_string(size.width) + "x" + std::to_string(size.height);
    Canvas canvas(size.width + 2 * margin, size.height + 2 * margin);
    PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kGreen);
    HGDIOBJ old = SelectObject(canvas.dc(), brush);
    int l = margin, t = margin, r = margin + size.width, b = margin + size.height;
    Ellipse(canvas.dc(), l, t, r, b);
    SelectObject(canvas.dc(), old);
    DeleteObject(brush);
    Figure f = Capture(canvas);
    std::string problems;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        char c = f.At(x, y);
        bool inBox = x >= l && x < r && y >= t && y < b;
        if (c != '.' && !inBox) problems += " drawn outside box at (" + std::to_string(x) + "," + std::to_string(y) + ");";
        if (c == '?') problems += " stray colour;";
        if (inBox && (c != f.At(l + r - 1 - x, y) || c != f.At(x, t + b - 1 - y))) {
          problems += " asymmetric at (" + std::to_string(x) + "," + std::to_string(y) + ");";
        }
      }
    // A 1x1 box draws nothing. Otherwise the outline reaches the left and right
    // columns (never beyond r-1), and the top and bottom rows unless the box is taller
    // than wide: the runtime's tall thin figures stop short of their ends.
    bool left = false, right = false, topRow = false, bottomRow = false;
    for (int y = t; y < b; ++y) left |= f.At(l, y) == 'p', right |= f.At(r - 1, y) == 'p';
    for (int x = l; x < r; ++x) topRow |= f.At(x, t) == 'p', bottomRow |= f.At(x, b - 1) == 'p';
    bool dot = size.width == 1 && size.height == 1;
    if (dot && (left || right)) problems += " a 1x1 box drew something;";
    if (!dot && !left) problems += " nothing in the left column;";
    if (!dot && !right) problems += " nothing in the right column (r-1);";
    if (!dot && size.height <= size.width && !(topRow && bottomRow)) problems += " top or bottom row empty;";
    // Closed: the brush never touches the outside, and bigger figures have an inside.
    std::set<Pixel> outside = Outside(f);
    int filled = 0;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x)
        if (f.At(x, y) == 'f') {
          ++filled;
          if (outside.count({x, y})) problems += " fill leaks out at (" + std::to_string(x) + "," + std::to_string(y) + ");";
        } else if (f.At(x, y) == '.' && x >= l && x < r && y >= t && y < b && !outside.count({x, y})) {
          problems += " unfilled hole at (" + std::to_string(x) + "," + std::to_string(y) + ");";
        }
    if (size.width >= 3 && size.height >= 3 && filled == 0) problems += " no interior filled;";
    EXPECT_TRUE(problems.empty()) << name << ": expected a closed symmetric figure, got" << problems.substr(0, 400)
                                  << "\n" << Picture(f);
    if (!problems.empty()) canvas.Save(name);
  }
}

TEST(GdiEllipse, NullBrushLeavesInsideUntouched) {
  Canvas canvas(30, 30);
  PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
  canvas.Clear(kBlue);
  HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
  Ellipse(canvas.dc(), 2, 2, 28, 24);
  SelectObject(canvas.dc(), old);
  EXPECT_EQ(canvas.At(15, 13), kBlue) << "centre: expected untouched, got " << Hex(canvas.At(15, 13));
  EXPECT_EQ(canvas.At(2, 12), kRed) << "left extreme: expected pen, got " << Hex(canvas.At(2, 12));
}

void ExpectEllipsePicture(const EllipsePicture& c) {
  Canvas canvas(c.width + 6, c.height + 6);
  HBRUSH brush = CreateSolidBrush(kGreen);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
  HGDIOBJ oldPen = SelectObject(canvas.dc(), c.nullPen ? GetStockObject(NULL_PEN) : static_cast<HGDIOBJ>(pen));
  Ellipse(canvas.dc(), 3, 3, 3 + c.width, 3 + c.height);
  SelectObject(canvas.dc(), oldPen);
  SelectObject(canvas.dc(), oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  Figure got = Capture(canvas);
  Figure expected;
  for (int y = 0; y < canvas.height(); ++y) {
    std::string row(static_cast<size_t>(canvas.width()), '.');
    if (y >= 3 && y < 3 + c.height) row.replace(3, static_cast<size_t>(c.width), c.rows[static_cast<size_t>(y - 3)]);
    expected.rows.push_back(row);
  }
  EXPECT_EQ(Picture(expected), Picture(got)) << "ellipse " << c.name << ": expected the first picture, got the second";
}

// Pixel for pixel as the runtime's GDI draws them (table in gdi_cases.h).
TEST(GdiEllipse, MatchesTheRuntimesPictures) {
  for (const EllipsePicture& c : EllipsePictures()) ExpectEllipsePicture(c);
}

// The outline of a tall thin figure stops short of the box's ends, and the rows it
// never reaches stay untouched, inside the box and out.
TEST(GdiEllipse, TallThinFiguresStopShortInsideTheirBox) {
  for (const EllipsePicture& c : ShortTallEllipsePictures()) ExpectEllipsePicture(c);
}

// Without a pen the brush fills exactly the figure the pen would outline; boxes of two
// pixels or less lose their right column and bottom row instead.
TEST(GdiEllipse, NullPenFillsTheFigureThePenOutlines) {
  const int margin = 3;
  for (EllipseSize size : EllipseSizes()) {
    std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
    int l = margin, t = margin, r = margin + size.width, b = margin + size.height;
    Canvas withPen(size.width + 2 * margin, size.height + 2 * margin);
    Canvas withoutPen(size.width + 2 * margin, size.height + 2 * margin);
    HBRUSH brush = CreateSolidBrush(kGreen);
    {
      PenScope pen(withPen.dc(), PS_SOLID, 1, kRed);
      HGDIOBJ old = SelectObject(withPen.dc(), brush);
      Ellipse(withPen.dc(), l, t, r, b);
      SelectObject(withPen.dc(), old);
    }
    HGDIOBJ oldBrush = SelectObject(withoutPen.dc(), brush);
    HGDIOBJ oldPen = SelectObject(withoutPen.dc(), GetStockObject(NULL_PEN));
    Ellipse(withoutPen.dc(), l, t, r, b);
    SelectObject(withoutPen.dc(), oldPen);
    SelectObject(withoutPen.dc(), oldBrush);
    DeleteObject(brush);
    std::set<Pixel> expected;
    if (size.width <= 2 || size.height <= 2) {
      for (int y = t; y < b - 1; ++y)
        for (int x = l; x < r - 1; ++x) expected.insert({x, y});
    } else {
      expected = withPen.Inked(kWhite);
    }
    ExpectInked(withoutPen, kWhite, expected, "null pen " + name);
  }
}

// Equal start and end points draw the whole outline but (at most) the one pixel where
// the arc starts and ends, as the runtime's GDI does. Boxes of two pixels or less are left
// out: our layer does not follow the runtime's arcs there yet.
TEST(GdiArc, EqualStartAndEndLeaveOutOnePixel) {
  for (EllipseSize size : EllipseSizes()) {
    if (size.width <= 2 || size.height <= 2) continue;
    std::string name = "arc " + std::to_string(size.width) + "x" + std::to_string(size.height);
    Canvas viaEllipse(size.width + 4, size.height + 4), viaArc(size.width + 4, size.height + 4);
    int l = 2, t = 2, r = 2 + size.width, b = 2 + size.height;
    {
      PenScope pen(viaEllipse.dc(), PS_SOLID, 1, kRed);
      HGDIOBJ old = SelectObject(viaEllipse.dc(), GetStockObject(NULL_BRUSH));
      Ellipse(viaEllipse.dc(), l, t, r, b);
      SelectObject(viaEllipse.dc(), old);
    }
    {
      PenScope pen(viaArc.dc(), PS_SOLID, 1, kRed);
      Arc(viaArc.dc(), l, t, r, b, r + 5, t + 1, r + 5, t + 1);
    }
    std::set<Pixel> outline = viaEllipse.Inked(kWhite), arc = viaArc.Inked(kWhite), missing, extra;
    for (const Pixel& p : outline)
      if (!arc.count(p)) missing.insert(p);
    for (const Pixel& p : arc)
      if (!outline.count(p)) extra.insert(p);
    EXPECT_TRUE(extra.empty()) << name << ": expected no pixel off the outline, got " << Describe(extra);
    // When the start ray meets the outline exactly at the middle of the right side
    // (boxes three pixels high, and long flat ones) the runtime leaves nothing out.
    size_t want = size.width == size.height && size.width >= 4 ? 1u : missing.size();
    ASSERT_LE(missing.size(), 1u) << name << ": expected at most one pixel left out, got " << Describe(missing);
    ASSERT_EQ(missing.size(), want) << name << ": expected one outline pixel left out, got " << Describe(missing);
    if (missing.empty()) continue;
    // The start point lies right of the box and a little up: the gap is in the upper right.
    Pixel gap = *missing.begin();
    EXPECT_TRUE(2 * gap.first >= l + r - 1 && 2 * gap.second <= t + b - 1)
        << name << ": expected the gap in the upper right quarter, got " << Describe(missing);
  }
}

// Boxes two pixels wide, start and end right of the box and a little up. The arc runs
// its points once round from the upper right and leaves out the last: in a 2x1 box that
// point repeats the first, so the whole ellipse shows, as Arc promises for equal start
// and end; a 2x20 box's outline stops short at its middle four pixels and loses the lower
// right one.
TEST(GdiArc, TwoPixelWideBoxesLeaveOutOnlyTheLastPoint) {
  struct Case {
    int height;
    std::set<Pixel> lit;
  } cases[] = {{1, {{3, 3}, {4, 3}}}, {20, {{3, 12}, {4, 12}, {3, 13}}}};
  for (const Case& c : cases) {
    Canvas canvas(8, c.height + 6);
    PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
    Arc(canvas.dc(), 3, 3, 5, 3 + c.height, 10, 4, 10, 4);
    ExpectInked(canvas, kWhite, c.lit, "arc 2x" + std::to_string(c.height));
  }
}

TEST(GdiArc, RunsCounterClockwiseFromStartToEnd) {
  struct Case {
    const char* name;
    POINT start, end;
    std::vector<Pixel> on, off;
  } cases[] = {
      // Box 0..20 each way: centre (10,10), top (10,0), bottom (10,20), left (0,10), right (20,10).
      {"right to left over the top", {30, 10}, {-10, 10}, {{10, 0}, {3, 3}, {17, 3}}, {{10, 20}, {3, 17}}},
      {"left to right under the bottom", {-10, 10}, {30, 10}, {{10, 20}, {3, 17}}, {{10, 0}, {3, 3}}},
      {"quarter top-left", {10, -5}, {-5, 10}, {{3, 3}}, {{17, 3}, {3, 17}, {17, 17}}},
  };
  for (const Case& c : cases) {
    Canvas canvas(24, 24);
    PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
    Arc(canvas.dc(), 0, 0, 21, 21, c.start.x, c.start.y, c.end.x, c.end.y);
    std::set<Pixel> inked = canvas.Inked(kWhite);
    // Probes name points on the circle approximately; look in a 3x3 neighbourhood.
    auto near = [&](Pixel p) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (inked.count({p.first + dx, p.second + dy})) return true;
      return false;
    };
    for (Pixel p : c.on)
      EXPECT_TRUE(near(p)) << c.name << ": expected arc near (" << p.first << "," << p.second << "), got none\n"
                           << canvas.Ascii(kWhite);
    for (Pixel p : c.off)
      EXPECT_FALSE(near(p)) << c.name << ": expected no arc near (" << p.first << "," << p.second << "), got some\n"
                            << canvas.Ascii(kWhite);
    if (::testing::Test::HasFailure()) canvas.Save(std::string("arc ") + c.name);
  }
}

}  // namespace

#ifndef _WIN32
// Far beyond any surface. The runtime's own GDI has limits of its own there, so these
// hold for this implementation only: nothing overflows, nothing is traced or kept for
// the parts that do not show, and what shows is right.
double SecondsFor(const std::function<void()>& draw) {
  const auto start = std::chrono::steady_clock::now();
  draw();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(GdiFarCoordinates, FiguresAroundTheSurfaceCoverItWithTheirBrush) {
  const int boxes[][4] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30},
                          {INT_MAX, INT_MAX, INT_MIN, INT_MIN}};
  for (const auto& b : boxes) {
    Canvas canvas(40, 30);
    PenScope pen(canvas.dc(), PS_DOT, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kGreen);
    HGDIOBJ old = SelectObject(canvas.dc(), brush);
    EXPECT_LT(SecondsFor([&] { EXPECT_TRUE(Ellipse(canvas.dc(), b[0], b[1], b[2], b[3])); }), 1.0);
    EXPECT_EQ(canvas.At(0, 0), kGreen);
    EXPECT_EQ(canvas.At(39, 29), kGreen);
    canvas.Clear(kWhite);
    EXPECT_LT(SecondsFor([&] { EXPECT_TRUE(Arc(canvas.dc(), b[0], b[1], b[2], b[3], b[0], b[1], b[0], b[1])); }), 1.0);
    EXPECT_EQ(canvas.At(20, 15), kWhite) << "the outline is far away";
    SelectObject(canvas.dc(), old);
    DeleteObject(brush);
  }
}

// A circle a million pixels across whose top passes through the surface: its top row is
// outline, the rows below it inside the figure.
TEST(GdiFarCoordinates, AHugeCircleShowsItsTopRow) {
  const int r = 1000000;
  for (bool arc : {false, true}) {
    Canvas canvas(60, 20);
    PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kGreen);
    HGDIOBJ old = SelectObject(canvas.dc(), brush);
    // Centre (30, 10 + r): the top of the circle is row 10.
    const double seconds = SecondsFor([&] {
      if (arc)
        Arc(canvas.dc(), 30 - r, 10, 30 + r + 1, 10 + 2 * r + 1, 0, 0, 0, 0);
      else
        Ellipse(canvas.dc(), 30 - r, 10, 30 + r + 1, 10 + 2 * r + 1);
    });
    EXPECT_LT(seconds, 0.5) << (arc ? "arc" : "ellipse");
    for (int x = 0; x < 60; ++x) {
      EXPECT_EQ(canvas.At(x, 9), kWhite) << x;
      EXPECT_EQ(canvas.At(x, 10), kRed) << x;
      EXPECT_EQ(canvas.At(x, 11), arc ? kWhite : kGreen) << x;
    }
    SelectObject(canvas.dc(), old);
    DeleteObject(brush);
  }
}

TEST(GdiFarCoordinates, LinesToTheEndsOfTheIntRangeCrossTheSurface) {
  Canvas canvas(20, 20);
  PenScope pen(canvas.dc(), PS_SOLID, 1, kRed);
  MoveToEx(canvas.dc(), INT_MIN, 10, NULL);
  EXPECT_TRUE(LineTo(canvas.dc(), INT_MAX, 10));
  for (int x = 0; x < 20; ++x) EXPECT_EQ(canvas.At(x, 10), kRed) << "x " << x;
  EXPECT_EQ(canvas.At(10, 0), kWhite);
}
#endif

}  // namespace gditest
