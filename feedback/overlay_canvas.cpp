#include "feedback/overlay_canvas.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>

#include "editcore/fast_paths.h"
#include "feedback/grips.h"

namespace {

// Above this many pixels in the clip box the bit per pixel costs more to clear than it
// saves; marks are then only left out when they are outside the box.
constexpr int64_t kMaxTrackedPixels = int64_t{1} << 24;

struct Offset {
  int dx, dy;
};

// The pixels each mark lights with a one-pixel pen, as the line rules of grips.cpp's
// calls give them (LineTo leaves its end pixel out): the square's 24 border pixels ...
constexpr Offset kSquare[] = {
    {-3, -3}, {-2, -3}, {-1, -3}, {0, -3}, {1, -3}, {2, -3}, {3, -3}, {3, -2}, {3, -1}, {3, 0}, {3, 1}, {3, 2},
    {3, 3},   {2, 3},   {1, 3},   {0, 3},  {-1, 3}, {-2, 3}, {-3, 3}, {-3, 2}, {-3, 1}, {-3, 0}, {-3, -1}, {-3, -2}};
// ... the cross's two diagonals of 7 ...
constexpr Offset kCross[] = {{-3, -3}, {-2, -2}, {-1, -1}, {0, 0}, {1, 1},  {2, 2},  {3, 3},
                             {3, -3},  {2, -2},  {1, -1},  {-1, 1}, {-2, 2}, {-3, 3}};
// ... and the boxed cross's diagonals inside the square.
constexpr Offset kBoxDiagonals[] = {{-2, -2}, {-1, -1}, {0, 0}, {1, 1}, {2, 2}, {2, -2}, {1, -1}, {-1, 1}, {-2, 2}};

// Raster operations whose result does not depend on how often the pen is applied.
bool Idempotent(int rop2) {
  switch (rop2) {
    case R2_BLACK:
    case R2_WHITE:
    case R2_NOP:
    case R2_COPYPEN:
    case R2_NOTCOPYPEN:
    case R2_MERGEPEN:
    case R2_MASKPEN:
      return true;
    default:
      return false;
  }
}

// The first bit at or after `from` that is `value`, or `limit`.
size_t NextBit(const uint64_t* bits, size_t limit, size_t from, bool value) {
  while (from < limit) {
    const size_t w = from >> 6;
    const uint64_t word = (value ? bits[w] : ~bits[w]) & (~uint64_t{0} << (from & 63));
    if (word) return std::min(limit, (w << 6) + static_cast<size_t>(std::countr_zero(word)));
    from = (w + 1) << 6;
  }
  return limit;
}

}  // namespace

OverlayCanvas::OverlayCanvas(HDC hdc) : m_hdc(hdc), m_skip(FastPaths::enabled) {
  if (!m_skip) return;
  if (GetClipBox(hdc, &m_clip) == ERROR) {
    m_skip = false;  // nothing known about the DC: draw everything
    return;
  }
  const int64_t width = static_cast<int64_t>(m_clip.right) - m_clip.left;
  const int64_t height = static_cast<int64_t>(m_clip.bottom) - m_clip.top;
  // Rows start on a word, so that a mark's rows share a shift and Flush reads a row at a
  // time; the limit counts the bits with that padding, which a tall narrow box would
  // otherwise multiply.
  const int64_t rowBits = (width + 63) / 64 * 64;
  if (width > 0 && height > 0 && rowBits * height <= kMaxTrackedPixels && Idempotent(GetROP2(hdc))) {
    m_tracked = true;
    m_width = rowBits;
    m_clipLeft = m_clip.left;
    m_clipTop = m_clip.top;
    m_columns = static_cast<uint64_t>(width);
    m_rows = static_cast<uint64_t>(height);
    m_markLeft = m_clipLeft + 3;
    m_markTop = m_clipTop + 3;
    m_markColumns = static_cast<uint64_t>(std::max<int64_t>(width - 6, 0));
    m_markRows = static_cast<uint64_t>(std::max<int64_t>(height - 6, 0));
    ForgetLastMarks();
    m_lit.assign(static_cast<size_t>(m_width * height / 64), 0);
    m_drawn.assign(m_lit.size(), 0);
    m_rowScratch.assign(static_cast<size_t>(m_width / 64), 0);
    m_squareAt.assign(m_lit.size(), 0);
    m_boxedAt.assign(m_lit.size(), 0);
    m_crossAt.assign(m_lit.size(), 0);
    m_segments.assign(kSegmentSlots, DrawnSegment{0, 0});
  }
}

OverlayCanvas::~OverlayCanvas() {
  Flush();
  if (m_used && (!m_drawnAny || m_actual.x != m_expected.x || m_actual.y != m_expected.y)) {
    MoveToEx(m_hdc, m_expected.x, m_expected.y, nullptr);
  }
}

void OverlayCanvas::FlushGathered() {
  // A horizontal run lights the same pixels under every line rule: from its start up to
  // its end, which it leaves out. Polyline leaves the current position alone.
  const size_t words = static_cast<size_t>(m_width / 64), limit = words * 64;
  uint64_t* const bits = m_rowScratch.data();
  for (size_t row = 0; row < m_rows; ++row) {
    uint64_t* const lit = &m_lit[row * words];
    uint64_t* const drawn = &m_drawn[row * words];
    uint64_t any = 0;
    for (size_t w = 0; w < words; ++w) {
      bits[w] = lit[w] & ~drawn[w];
      any |= bits[w];
    }
    if (!any) continue;
    const int y = m_clip.top + static_cast<int>(row);
    for (size_t start = NextBit(bits, limit, 0, true); start < limit;) {
      const size_t end = NextBit(bits, limit, start, false);
      const POINT run[2] = {{m_clip.left + static_cast<int>(start), y}, {m_clip.left + static_cast<int>(end), y}};
      Polyline(m_hdc, run, 2);
      start = NextBit(bits, limit, end, true);
    }
    std::copy(lit, lit + words, drawn);
  }
  m_gathered = false;
}

void OverlayCanvas::ForgetLastMarks() {
  // A centre four pixels left of the box, or right of it where that would overflow.
  const int away = m_clip.left >= std::numeric_limits<int>::min() + 4 ? m_clip.left - 4 : m_clip.right + 4;
  for (uint64_t& key : m_lastMark) key = CentreKey(away, m_clip.top);
}

bool OverlayCanvas::AllCovered(const Pixel* pixels, int count) const {
  for (int i = 0; i < count; ++i)
    if (!Covered(pixels[i].x, pixels[i].y)) return false;
  return true;
}

void OverlayCanvas::MarkAll(const Pixel* pixels, int count) {
  for (int i = 0; i < count; ++i) Mark(pixels[i].x, pixels[i].y);
}

void OverlayCanvas::ForgetSegments() {
  std::fill(m_segments.begin(), m_segments.end(), DrawnSegment{0, 0});
}

void OverlayCanvas::DrawSegment(int x0, int y0, int x1, int y1) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x1, y1};
    // A line from a pixel to itself, which lights nothing, was settled inline, and so was
    // a one-step line while pixels are tracked.
    const bool oneStep = std::abs(int64_t{x1} - x0) <= 1 && std::abs(int64_t{y1} - y0) <= 1;
    // A longer segment drawn before in this pass was settled inline, while pixels are
    // tracked.
    if (BoxOutside(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1))) return;
    if (!oneStep && m_tracked) {
      SlotOf(x0, y0, x1, y1) = DrawnSegment{CentreKey(x0, y0), CentreKey(x1, y1)};
      // A horizontal or vertical run lights the same pixels under every line rule: from
      // the start up to the end, which it leaves out. Vertices at NaN or an infinity
      // send such runs across the view from pixel after pixel.
      if (x0 == x1 || y0 == y1) {
        if (RunLit(x0, y0, x1, y1, true)) return;
        RunLit(x0, y0, x1, y1, false);
      }
    }
    // An outline's segments mostly follow on from the one drawn last, which left the
    // position at their start.
    if (!m_drawnAny || m_actual.x != x0 || m_actual.y != y0) MoveToEx(m_hdc, x0, y0, nullptr);
  } else {
    MoveToEx(m_hdc, x0, y0, nullptr);
  }
  LineTo(m_hdc, x1, y1);
  Drawn(x1, y1);
}

bool OverlayCanvas::RunLit(int x0, int y0, int x1, int y1, bool test) {
  // The run's pixels inside the clip box (the caller made sure some are).
  if (y0 == y1) {
    const int64_t a = x1 > x0 ? x0 : static_cast<int64_t>(x1) + 1, b = x1 > x0 ? static_cast<int64_t>(x1) - 1 : x0;
    const int64_t left = std::max<int64_t>(a, m_clip.left), right = std::min<int64_t>(b, m_clip.right - 1);
    if (left > right) return true;
    int64_t i = BitIndex(static_cast<int>(left), y0);
    for (int64_t n = right - left + 1; n > 0;) {
      const int take = static_cast<int>(std::min<int64_t>(n, 64 - (i & 63)));
      const uint64_t want = (take == 64 ? ~uint64_t{0} : (uint64_t{1} << take) - 1) << (i & 63);
      uint64_t& word = m_lit[static_cast<size_t>(i >> 6)];
      if (test && (word & want) != want) return false;
      if (!test) {
        word |= want;
        m_drawn[static_cast<size_t>(i >> 6)] |= want;
      }
      i += take;
      n -= take;
    }
    return true;
  }
  const int64_t a = y1 > y0 ? y0 : static_cast<int64_t>(y1) + 1, b = y1 > y0 ? static_cast<int64_t>(y1) - 1 : y0;
  const int64_t top = std::max<int64_t>(a, m_clip.top), bottom = std::min<int64_t>(b, m_clip.bottom - 1);
  for (int64_t y = top; y <= bottom; ++y) {
    const int64_t i = BitIndex(x0, static_cast<int>(y));
    uint64_t& word = m_lit[static_cast<size_t>(i >> 6)];
    const uint64_t bit = uint64_t{1} << (i & 63);
    if (test && !(word & bit)) return false;
    if (!test) {
      word |= bit;
      m_drawn[static_cast<size_t>(i >> 6)] |= bit;
    }
  }
  return true;
}

void OverlayCanvas::StyledSegment(int x0, int y0, int x1, int y1) {
  m_used = true;
  // Its gaps may paint over earlier segments in the background colour.
  if (m_tracked) ForgetSegments();
  MoveToEx(m_hdc, x0, y0, nullptr);
  LineTo(m_hdc, x1, y1);
  Drawn(x1, y1);
}

template <bool kBoxed>
void OverlayCanvas::DrawGrip(int x, int y) {
  if (m_skip && m_tracked) {
    // Partly in the box (the inline part gathers marks wholly in it): the square's
    // pixels, and a boxed cross's diagonals after them.
    Pixel pixels[24 + 9];
    int count = 0;
    for (const Offset& d : kSquare) pixels[count++] = Pixel{x + d.dx, y + d.dy};
    if (kBoxed)
      for (const Offset& d : kBoxDiagonals) pixels[count++] = Pixel{x + d.dx, y + d.dy};
    if (AllCovered(pixels, count)) return;
    MarkAll(pixels, count);
  }
  if (kBoxed) {
    DrawBoxedCross(m_hdc, x, y);
    Drawn(x - 3, y + 3);
  } else {
    DrawSquareGrip(m_hdc, x, y);
    Drawn(x - 3, y - 3);
  }
}

template void OverlayCanvas::DrawGrip<false>(int x, int y);
template void OverlayCanvas::DrawGrip<true>(int x, int y);

void OverlayCanvas::DrawCross(int x, int y) {
  if (m_skip) {
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked) {
      if (SettledBefore(m_crossAt, x, y)) return;
      // Partly in the box: its pixels one by one.
      Pixel pixels[13];
      for (int i = 0; i < 13; ++i) pixels[i] = Pixel{x + kCross[i].dx, y + kCross[i].dy};
      if (AllCovered(pixels, 13)) return;
      MarkAll(pixels, 13);
    }
  }
  DrawCrossMark(m_hdc, x, y);
  Drawn(x - 4, y + 4);
}

void OverlayCanvas::CircleGrip(int x, int y) {
  // Always drawn: there are only ever a few, and Ellipse leaves the position alone. Its
  // brush covers what was drawn before it, so that goes first.
  Flush();
  DrawCircleGrip(m_hdc, x, y);
  if (m_tracked) {
    std::fill(m_lit.begin(), m_lit.end(), 0);
    std::fill(m_drawn.begin(), m_drawn.end(), 0);
    std::fill(m_squareAt.begin(), m_squareAt.end(), 0);
    std::fill(m_boxedAt.begin(), m_boxedAt.end(), 0);
    std::fill(m_crossAt.begin(), m_crossAt.end(), 0);
    ForgetLastMarks();
    ForgetSegments();
  }
}
