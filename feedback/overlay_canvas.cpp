#include "feedback/overlay_canvas.h"

#include <algorithm>
#include <cstdlib>

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

}  // namespace

OverlayCanvas::OverlayCanvas(HDC hdc) : m_hdc(hdc), m_skip(FastPaths::enabled) {
  if (!m_skip) return;
  if (GetClipBox(hdc, &m_clip) == ERROR) {
    m_skip = false;  // nothing known about the DC: draw everything
    return;
  }
  m_width = static_cast<int64_t>(m_clip.right) - m_clip.left;
  const int64_t height = static_cast<int64_t>(m_clip.bottom) - m_clip.top;
  if (m_width > 0 && height > 0 && m_width * height <= kMaxTrackedPixels && Idempotent(GetROP2(hdc))) {
    m_tracked = true;
    m_lit.assign(static_cast<size_t>((m_width * height + 63) / 64), 0);
    m_squareAt.assign(m_lit.size(), 0);
    m_segments.assign(kSegmentSlots, DrawnSegment{0, 0, 0, 0, false});
  }
}

OverlayCanvas::~OverlayCanvas() {
  if (m_used && (!m_drawnAny || m_actual.x != m_expected.x || m_actual.y != m_expected.y)) {
    MoveToEx(m_hdc, m_expected.x, m_expected.y, nullptr);
  }
}

bool OverlayCanvas::Covered(int x, int y) const {
  if (x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return true;
  if (!m_tracked) return false;
  const int64_t i = (static_cast<int64_t>(y) - m_clip.top) * m_width + (x - m_clip.left);
  return (m_lit[static_cast<size_t>(i >> 6)] >> (i & 63)) & 1u;
}

void OverlayCanvas::Mark(int x, int y) {
  if (!m_tracked || x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return;
  const int64_t i = (static_cast<int64_t>(y) - m_clip.top) * m_width + (x - m_clip.left);
  m_lit[static_cast<size_t>(i >> 6)] |= uint64_t{1} << (i & 63);
}

bool OverlayCanvas::AllCovered(const Pixel* pixels, int count) const {
  for (int i = 0; i < count; ++i)
    if (!Covered(pixels[i].x, pixels[i].y)) return false;
  return true;
}

void OverlayCanvas::MarkAll(const Pixel* pixels, int count) {
  for (int i = 0; i < count; ++i) Mark(pixels[i].x, pixels[i].y);
}

bool OverlayCanvas::BoxOutside(int left, int top, int right, int bottom) const {
  return right < m_clip.left || left >= m_clip.right || bottom < m_clip.top || top >= m_clip.bottom;
}

bool OverlayCanvas::BoxInside(int left, int top, int right, int bottom) const {
  return left >= m_clip.left && right < m_clip.right && top >= m_clip.top && bottom < m_clip.bottom;
}

void OverlayCanvas::MarkRun(int64_t first, int n) {  // n <= 64
  const size_t word = static_cast<size_t>(first >> 6);
  const int shift = static_cast<int>(first & 63);
  const uint64_t want = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
  m_lit[word] |= want << shift;
  if (shift + n > 64) m_lit[word + 1] |= want >> (64 - shift);
}

uint64_t OverlayCanvas::Window7(int64_t first) const {
  const size_t word = static_cast<size_t>(first >> 6);
  const int shift = static_cast<int>(first & 63);
  uint64_t bits = m_lit[word] >> shift;
  if (shift > 57) bits |= m_lit[word + 1] << (64 - shift);
  return bits;
}

bool OverlayCanvas::SquareCovered(int x, int y) const {
  // Seven bits a row from the square's left column: the top and bottom rows need all of
  // them, the rows between only the first and the last.
  constexpr uint64_t kFull = 0x7F, kSides = 0x41;
  int64_t row = BitIndex(x - 3, y - 3);
  if ((Window7(row) & kFull) != kFull) return false;
  for (int dy = -2; dy <= 2; ++dy) {
    row += m_width;
    if ((Window7(row) & kSides) != kSides) return false;
  }
  return (Window7(row + m_width) & kFull) == kFull;
}

void OverlayCanvas::MarkSquare(int x, int y) {
  MarkRun(BitIndex(x - 3, y - 3), 7);
  MarkRun(BitIndex(x - 3, y + 3), 7);
  for (int dy = -2; dy <= 2; ++dy) {
    MarkRun(BitIndex(x - 3, y + dy), 1);
    MarkRun(BitIndex(x + 3, y + dy), 1);
  }
}

bool OverlayCanvas::Repeated(MarkKind kind, int x, int y) {
  if (m_lastMarkValid[kind] && m_lastMark[kind].x == x && m_lastMark[kind].y == y) return true;
  m_lastMark[kind] = POINT{x, y};
  m_lastMarkValid[kind] = true;
  return false;
}

bool OverlayCanvas::RepeatedSegment(int x0, int y0, int x1, int y1) {
  // Every bit of the end points reaches the slot index: far pixels differ in high bits.
  uint64_t h = (uint64_t{static_cast<uint32_t>(x0)} << 32 | static_cast<uint32_t>(y0)) * 0x9E3779B97F4A7C15u;
  h ^= (uint64_t{static_cast<uint32_t>(x1)} << 32 | static_cast<uint32_t>(y1)) + (h >> 29);
  h *= 0xBF58476D1CE4E5B9u;
  h ^= h >> 31;
  DrawnSegment& slot = m_segments[static_cast<size_t>(h >> 56) % kSegmentSlots];
  if (slot.valid && slot.x0 == x0 && slot.y0 == y0 && slot.x1 == x1 && slot.y1 == y1) return true;
  slot = DrawnSegment{x0, y0, x1, y1, true};
  return false;
}

void OverlayCanvas::ForgetSegments() {
  for (DrawnSegment& slot : m_segments) slot.valid = false;
}

void OverlayCanvas::Segment(int x0, int y0, int x1, int y1) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x1, y1};
    // A line from a pixel to itself lights nothing.
    if (x0 == x1 && y0 == y1) return;
    if (BoxOutside(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1))) return;
    // One step lights only its start pixel.
    if (std::abs(x1 - x0) <= 1 && std::abs(y1 - y0) <= 1) {
      if (m_tracked && Covered(x0, y0)) return;
      Mark(x0, y0);
    } else if (m_tracked && RepeatedSegment(x0, y0, x1, y1)) {
      return;
    }
  }
  MoveToEx(m_hdc, x0, y0, nullptr);
  LineTo(m_hdc, x1, y1);
  Drawn(x1, y1);
}

void OverlayCanvas::StyledSegment(int x0, int y0, int x1, int y1) {
  m_used = true;
  // Its gaps may paint over earlier segments in the background colour.
  if (m_tracked) ForgetSegments();
  MoveToEx(m_hdc, x0, y0, nullptr);
  LineTo(m_hdc, x1, y1);
  Drawn(x1, y1);
}

void OverlayCanvas::SquareGrip(int x, int y) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 3, y - 3};
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && Repeated(kSquareMark, x, y)) return;
    if (m_tracked) {
      // Once a square at this centre is drawn or found covered, its pixels in the box stay
      // lit until a circle clears the record, so the same centre again is one bit.
      if (x >= m_clip.left && x < m_clip.right && y >= m_clip.top && y < m_clip.bottom) {
        const int64_t centre = BitIndex(x, y);
        uint64_t& seen = m_squareAt[static_cast<size_t>(centre >> 6)];
        const uint64_t bit = uint64_t{1} << (centre & 63);
        if (seen & bit) return;
        seen |= bit;
      }
      if (BoxInside(x - 3, y - 3, x + 3, y + 3)) {
        if (SquareCovered(x, y)) return;
        MarkSquare(x, y);
      } else {
        Pixel pixels[24];
        for (int i = 0; i < 24; ++i) pixels[i] = Pixel{x + kSquare[i].dx, y + kSquare[i].dy};
        if (AllCovered(pixels, 24)) return;
        MarkAll(pixels, 24);
      }
    }
  }
  DrawSquareGrip(m_hdc, x, y);
  Drawn(x - 3, y - 3);
}

void OverlayCanvas::BoxedCross(int x, int y) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 3, y + 3};
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && Repeated(kBoxedMark, x, y)) return;
    if (m_tracked) {
      Pixel pixels[24 + 9];
      for (int i = 0; i < 24; ++i) pixels[i] = Pixel{x + kSquare[i].dx, y + kSquare[i].dy};
      for (int i = 0; i < 9; ++i) pixels[24 + i] = Pixel{x + kBoxDiagonals[i].dx, y + kBoxDiagonals[i].dy};
      if (AllCovered(pixels, 33)) return;
      MarkAll(pixels, 33);
    }
  }
  DrawBoxedCross(m_hdc, x, y);
  Drawn(x - 3, y + 3);
}

void OverlayCanvas::CrossMark(int x, int y) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 4, y + 4};
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && Repeated(kCrossMark, x, y)) return;
    if (m_tracked) {
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
  // Always drawn: there are only ever a few, and Ellipse leaves the position alone.
  DrawCircleGrip(m_hdc, x, y);
  if (m_tracked) {
    std::fill(m_lit.begin(), m_lit.end(), 0);
    std::fill(m_squareAt.begin(), m_squareAt.end(), 0);
    for (bool& valid : m_lastMarkValid) valid = false;
    ForgetSegments();
  }
}
