// Drawing checks the picture comparison against the runtime does not make: a null pen's
// line, a null brush, the ellipses the runtime draws stray pixels around and coordinates
// far beyond any surface; and the arc rule for two-pixel-wide boxes, so that the Linux
// tests alone catch its return. Every other drawing case is held pixel for pixel to the
// runtime by tests/windows/compare_gdi_dumps.py.
#include <chrono>
#include <climits>
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

TEST(GdiPen, NullPenDrawsNothingButMoves) {
  Canvas canvas(10, 10);
  HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  MoveToEx(canvas.dc(), 0, 0, NULL);
  EXPECT_TRUE(LineTo(canvas.dc(), 9, 9));
  POINT cp{};
  MoveToEx(canvas.dc(), 0, 0, &cp);
  EXPECT_EQ(cp.x, 9);
  EXPECT_EQ(canvas.Inked(kWhite).size(), 0u) << "null pen drew " << Describe(canvas.Inked(kWhite));
  SelectObject(canvas.dc(), old);
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

// 'p' pen, 'f' brush, '.' untouched, '?' anything else; one line per row.
std::string Picture(const Canvas& canvas) {
  std::string s;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      COLORREF c = canvas.At(x, y);
      s += c == kRed ? 'p' : c == kGreen ? 'f' : c == kWhite ? '.' : '?';
    }
    s += '\n';
  }
  return s;
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
  std::string expected;
  for (int y = 0; y < canvas.height(); ++y) {
    std::string row(static_cast<size_t>(canvas.width()), '.');
    if (y >= 3 && y < 3 + c.height) row.replace(3, static_cast<size_t>(c.width), c.rows[static_cast<size_t>(y - 3)]);
    expected += row + '\n';
  }
  EXPECT_EQ(expected, Picture(canvas)) << "ellipse " << c.name << ": expected the first picture, got the second";
}

// The outline of a tall thin figure stops short of the box's ends, and the rows it
// never reaches stay untouched, inside the box and out.
TEST(GdiEllipse, TallThinFiguresStopShortInsideTheirBox) {
  for (const EllipsePicture& c : ShortTallEllipsePictures()) ExpectEllipsePicture(c);
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
