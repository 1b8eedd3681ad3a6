// The overlay's marks and outline segments, drawn through GDI but without the calls that
// could not change a pixel: a mark or segment wholly outside the clip box, a segment that
// starts and ends on one pixel, and, while the raster operation gives the same pixel
// however often it is applied (not XOR), a mark or one-pixel segment whose pixels this
// pass has already painted with the same pen, and such a segment drawn again with the
// same end points. The picture is the one every call would
// have made; the current position is left where every call would have left it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi.h"

class OverlayCanvas {
 public:
  explicit OverlayCanvas(HDC hdc);
  ~OverlayCanvas();
  OverlayCanvas(const OverlayCanvas&) = delete;
  OverlayCanvas& operator=(const OverlayCanvas&) = delete;

  // MoveTo (x0, y0), LineTo (x1, y1) with the selected pen.
  inline void Segment(int x0, int y0, int x1, int y1);
  // The same for a side of an outline walked vertex by vertex. While the raster operation
  // is idempotent and nothing but the selected pen draws until FlushOutline, the sides are
  // gathered into one Polyline: it lights the pixels of the LineTo calls, and with the
  // pen's pixels the order of drawing does not show.
  inline void OutlineSegment(int x0, int y0, int x1, int y1);
  // Draws the gathered sides; before anything else draws, or the pen changes.
  void FlushOutline() {
    if (m_outlineCount > 1) Polyline(m_hdc, m_outline.data(), m_outlineCount);
    m_outlineCount = 0;
  }
  // The same, always drawn: for styled pens, whose pixels are not tracked.
  void StyledSegment(int x0, int y0, int x1, int y1);
  inline void SquareGrip(int x, int y);
  inline void BoxedCross(int x, int y);
  void CrossMark(int x, int y);
  // Fills with the brush, so no pixel painted before it may be taken as painted any more.
  void CircleGrip(int x, int y);

 private:
  struct Pixel {
    int x, y;
  };
  // Segment beyond the cases settled inline.
  void DrawSegment(int x0, int y0, int x1, int y1);
  // SquareGrip (kBoxed false) and BoxedCross beyond the cases settled inline.
  template <bool kBoxed>
  void DrawGrip(int x, int y);
  bool Covered(int x, int y) const;
  void Mark(int x, int y);
  bool AllCovered(const Pixel* pixels, int count) const;
  void MarkAll(const Pixel* pixels, int count);
  bool BoxOutside(int left, int top, int right, int bottom) const;  // inclusive box
  bool BoxInside(int left, int top, int right, int bottom) const;   // inclusive box
  // The square's 24 border pixels, for a square wholly inside the clip box: its rows as
  // runs of bits, its sides a bit a row.
  // The lines of a square (and with `diagonals` of a boxed cross) wholly inside the clip
  // box that light a pixel not lit yet (0: the mark is covered), and drawing just those.
  // The sides come in drawing order, so that one side can follow on from the last.
  enum { kTopSide = 1, kRightSide = 2, kBottomSide = 4, kLeftSide = 8, kFallingDiagonal = 16, kRisingDiagonal = 32 };
  int UnlitLines(int x, int y, bool diagonals) const;
  void DrawLines(int x, int y, int lines);
  // Bits first.. of m_lit, at least the low 7 valid.
  uint64_t Window7(int64_t first) const {
    const size_t word = static_cast<size_t>(first >> 6);
    const int shift = static_cast<int>(first & 63);
    uint64_t bits = m_lit[word] >> shift;
    if (shift > 57) bits |= m_lit[word + 1] << (64 - shift);
    return bits;
  }
  // Records a mark wholly inside the clip box, given as rows of 7 bits from its left column.
  // Inline, so that each mark's rows are constants in unrolled code.
  void MarkRows(int x, int y, const uint8_t (&rows)[7]) {
    int64_t index = BitIndex(x - 3, y - 3);
#pragma GCC unroll 7
    for (const uint8_t row : rows) {
      MarkRow7(index, row);
      index += m_width;
    }
  }
  // Sets the bits of `bits` (within the low 7) at first.. of m_lit.
  void MarkRow7(int64_t first, uint64_t bits) {
    const size_t word = static_cast<size_t>(first >> 6);
    const int shift = static_cast<int>(first & 63);
    m_lit[word] |= bits << shift;
    if (shift > 57) m_lit[word + 1] |= bits >> (64 - shift);
  }
  int64_t BitIndex(int x, int y) const { return (static_cast<int64_t>(y) - m_clip.top) * m_width + (x - m_clip.left); }
  void Drawn(int x, int y) {
    m_actual = POINT{x, y};
    m_expected = m_actual;
    m_drawnAny = true;
  }

  HDC m_hdc;
  bool m_skip;
  bool m_tracked = false;  // pixels are tracked (an idempotent raster operation)
  RECT m_clip{0, 0, 0, 0};
  int64_t m_width = 0;
  std::vector<uint64_t> m_lit;  // one bit per pixel of the clip box
  // Per pixel of the clip box: a mark of the kind centred there was drawn or found
  // covered, so its pixels stay lit until a circle clears the record and the same mark
  // again is one bit. SettledBefore answers for a centre and records it.
  std::vector<uint64_t> m_squareAt, m_boxedAt, m_crossAt;
  bool SettledBefore(std::vector<uint64_t>& settled, int x, int y);
  // The centre each kind of mark was last drawn or left out at: neighbouring vertices
  // mostly land on one pixel, and the same mark there again is settled by one compare.
  enum MarkKind { kSquareMark, kBoxedMark, kCrossMark, kMarkKinds };
  bool Repeated(MarkKind kind, int x, int y);
  POINT m_lastMark[kMarkKinds];
  bool m_lastMarkValid[kMarkKinds] = {false, false, false};
  // Longer segments drawn in this pass, by their end points. The same call again lights
  // the same pixels with the same pen, so while the raster operation is idempotent it is
  // left out whatever the line rule is. Vertices off to infinity or at NaN all share a
  // few far pixels, and their long lines across the view repeat for every vertex that
  // lands on the same pixel as its neighbour.
  struct DrawnSegment {
    int x0, y0, x1, y1;
    bool valid;
  };
  static constexpr int kSegmentSlots = 256;
  DrawnSegment& SlotOf(int x0, int y0, int x1, int y1);
  // A horizontal or vertical segment's pixels in the clip box: whether all are lit
  // (test), or lights them all (returning true).
  bool RunLit(int x0, int y0, int x1, int y1, bool test);
  void ForgetSegments();
  std::vector<DrawnSegment> m_segments;  // direct-mapped by a hash of the end points
  // Sides gathered for one Polyline, all near the clip box, where Polyline and LineTo
  // agree on every system.
  static constexpr int kOutlinePoints = 4096;
  bool Near(int x, int y) const {
    return x >= m_nearBox.left && x <= m_nearBox.right && y >= m_nearBox.top && y <= m_nearBox.bottom;
  }
  RECT m_nearBox{0, 0, -1, -1};
  std::vector<POINT> m_outline;
  int m_outlineCount = 0;
  bool m_used = false;      // a call that moves the current position came
  bool m_drawnAny = false;  // one of them reached GDI
  POINT m_expected{0, 0};
  POINT m_actual{0, 0};
};

// The per-mark and per-segment checks, inline: they run for every vertex of a repaint.
inline bool OverlayCanvas::Covered(int x, int y) const {
  if (x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return true;
  if (!m_tracked) return false;
  const int64_t i = (static_cast<int64_t>(y) - m_clip.top) * m_width + (x - m_clip.left);
  return (m_lit[static_cast<size_t>(i >> 6)] >> (i & 63)) & 1u;
}

inline void OverlayCanvas::Mark(int x, int y) {
  if (!m_tracked || x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return;
  const int64_t i = (static_cast<int64_t>(y) - m_clip.top) * m_width + (x - m_clip.left);
  m_lit[static_cast<size_t>(i >> 6)] |= uint64_t{1} << (i & 63);
}

inline bool OverlayCanvas::BoxOutside(int left, int top, int right, int bottom) const {
  return right < m_clip.left || left >= m_clip.right || bottom < m_clip.top || top >= m_clip.bottom;
}

inline bool OverlayCanvas::BoxInside(int left, int top, int right, int bottom) const {
  return left >= m_clip.left && right < m_clip.right && top >= m_clip.top && bottom < m_clip.bottom;
}

inline bool OverlayCanvas::SettledBefore(std::vector<uint64_t>& settled, int x, int y) {
  if (x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return false;
  const int64_t centre = BitIndex(x, y);
  uint64_t& word = settled[static_cast<size_t>(centre >> 6)];
  const uint64_t bit = uint64_t{1} << (centre & 63);
  if (word & bit) return true;
  word |= bit;
  return false;
}

inline bool OverlayCanvas::Repeated(MarkKind kind, int x, int y) {
  if (m_lastMarkValid[kind] && m_lastMark[kind].x == x && m_lastMark[kind].y == y) return true;
  m_lastMark[kind] = POINT{x, y};
  m_lastMarkValid[kind] = true;
  return false;
}

inline OverlayCanvas::DrawnSegment& OverlayCanvas::SlotOf(int x0, int y0, int x1, int y1) {
  // Every bit of the end points reaches the slot index: far pixels differ in high bits.
  uint64_t h = (uint64_t{static_cast<uint32_t>(x0)} << 32 | static_cast<uint32_t>(y0)) * 0x9E3779B97F4A7C15u;
  h ^= (uint64_t{static_cast<uint32_t>(x1)} << 32 | static_cast<uint32_t>(y1)) + (h >> 29);
  h *= 0xBF58476D1CE4E5B9u;
  h ^= h >> 31;
  return m_segments[static_cast<size_t>(h >> 56) % kSegmentSlots];
}

inline void OverlayCanvas::Segment(int x0, int y0, int x1, int y1) {
  // Inline, the segments most vertices of a dense figure give: one within a pixel, which
  // lights nothing, and one step, which lights only a start pixel lit before.
  // Longer segments leave at the first compare.
  if (m_skip && static_cast<uint64_t>(int64_t{x1} - x0 + 1) <= 2u && static_cast<uint64_t>(int64_t{y1} - y0 + 1) <= 2u &&
      ((x0 == x1 && y0 == y1) || (m_tracked && Covered(x0, y0)))) {
    m_used = true;
    m_expected = POINT{x1, y1};
    return;
  }
  DrawSegment(x0, y0, x1, y1);
}

inline void OverlayCanvas::OutlineSegment(int x0, int y0, int x1, int y1) {
  // A side within a pixel lights nothing.
  if (m_skip && x0 == x1 && y0 == y1) {
    m_used = true;
    m_expected = POINT{x1, y1};
    return;
  }
  if (m_tracked && Near(x1, y1)) {
    // Mostly the side follows on from the last one gathered, whose end was near.
    const bool follows =
        m_outlineCount > 0 && m_outline[m_outlineCount - 1].x == x0 && m_outline[m_outlineCount - 1].y == y0;
    if (follows || Near(x0, y0)) {
      m_used = true;
      m_expected = POINT{x1, y1};
      if (!follows) {
        FlushOutline();
        m_outline[m_outlineCount++] = POINT{x0, y0};
      }
      m_outline[m_outlineCount++] = POINT{x1, y1};
      if (m_outlineCount == kOutlinePoints) FlushOutline();
      return;
    }
  }
  FlushOutline();
  Segment(x0, y0, x1, y1);
}

inline void OverlayCanvas::SquareGrip(int x, int y) {
  // Inline, what settles most grips of a dense figure: a square outside the box, or at
  // the centre of the last one. Once a square at a centre is drawn or found covered, its
  // pixels in the box stay lit until a circle clears the record, so the same centre again
  // is one bit.
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 3, y - 3};
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && (Repeated(kSquareMark, x, y) || SettledBefore(m_squareAt, x, y))) return;
  }
  DrawGrip<false>(x, y);
}

inline void OverlayCanvas::BoxedCross(int x, int y) {
  // Inline for the same reasons as SquareGrip.
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 3, y + 3};
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && (Repeated(kBoxedMark, x, y) || SettledBefore(m_boxedAt, x, y))) return;
  }
  DrawGrip<true>(x, y);
}
