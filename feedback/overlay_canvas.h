// The overlay's marks and outline segments, drawn through GDI but without the calls that
// could not change a pixel: a mark or segment wholly outside the clip box, a segment that
// starts and ends on one pixel, and, while the raster operation gives the same pixel
// however often it is applied (not XOR), a mark whose pixels this pass has already
// painted with the same pen, and a segment drawn again with the same end points. While
// the raster operation is idempotent, marks and one-step segments are gathered and drawn
// together at Flush, as runs. The picture is the one every call would have made; the
// current position is left where every call would have left it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

class OverlayCanvas {
 public:
  explicit OverlayCanvas(HDC hdc);
  ~OverlayCanvas();
  OverlayCanvas(const OverlayCanvas&) = delete;
  OverlayCanvas& operator=(const OverlayCanvas&) = delete;

  // MoveTo (x0, y0), LineTo (x1, y1) with the selected pen. While the raster operation is
  // idempotent, everything drawn with the selected pen lights the union of its pixels,
  // whatever the order: one-step segments and the marks wholly in the clip box go into a
  // mask of lit pixels, drawn as runs by Flush.
  [[gnu::always_inline]] inline void Segment(int x0, int y0, int x1, int y1);
  // Draws what was gathered. Before anything but the selected pen draws, and before the
  // pen changes.
  void Flush() {
    if (m_gathered) FlushGathered();
  }
  // The same, always drawn: for styled pens, whose pixels are not tracked. The caller
  // flushes before it selects the styled pen.
  void StyledSegment(int x0, int y0, int x1, int y1);
  [[gnu::always_inline]] inline void SquareGrip(int x, int y);
  [[gnu::always_inline]] inline void BoxedCross(int x, int y);
  [[gnu::always_inline]] inline void CrossMark(int x, int y);
  // Fills with the brush, so no pixel painted before it may be taken as painted any more.
  void CircleGrip(int x, int y);

 private:
  struct Pixel {
    int x, y;
  };
  // The pixels of each mark (the offsets in overlay_canvas.cpp) as rows of seven bits from
  // its left column, top row first.
  static constexpr uint8_t kSquareRows[7] = {0x7F, 0x41, 0x41, 0x41, 0x41, 0x41, 0x7F};
  static constexpr uint8_t kBoxedCrossRows[7] = {0x7F, 0x63, 0x55, 0x49, 0x55, 0x63, 0x7F};
  static constexpr uint8_t kCrossRows[7] = {0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41};
  // Segment beyond the cases settled inline.
  void DrawSegment(int x0, int y0, int x1, int y1);
  // SquareGrip (kBoxed false) and BoxedCross beyond the cases settled inline.
  template <bool kBoxed>
  void DrawGrip(int x, int y);
  // CrossMark beyond the cases settled inline.
  void DrawCross(int x, int y);
  bool Covered(int x, int y) const;
  void Mark(int x, int y);
  bool AllCovered(const Pixel* pixels, int count) const;
  void MarkAll(const Pixel* pixels, int count);
  bool BoxOutside(int left, int top, int right, int bottom) const;  // inclusive box
  // Whether a mark of seven by seven pixels centred at (x, y) is wholly in the clip box.
  bool MarkInside(int x, int y) const {
    return static_cast<uint64_t>(x - m_markLeft) < m_markColumns && static_cast<uint64_t>(y - m_markTop) < m_markRows;
  }
  // Gathers a mark wholly inside the clip box, given as rows of 7 bits from its left
  // column: its pixels are lit, to be drawn by Flush. Inline, so that each mark's rows
  // are constants in unrolled code.
  void AddRows(int x, int y, const uint8_t (&rows)[7]) {
    // Rows start on a word, so the seven rows share a word index and shift.
    const int64_t first = BitIndex(x - 3, y - 3);
    const int shift = static_cast<int>(first & 63);
    const size_t stride = static_cast<size_t>(m_width >> 6);
    size_t word = static_cast<size_t>(first >> 6);
    if (shift <= 57) {
#pragma GCC unroll 7
      for (const uint8_t row : rows) {
        m_lit[word] |= uint64_t{row} << shift;
        word += stride;
      }
    } else {
      for (const uint8_t row : rows) {
        m_lit[word] |= uint64_t{row} << shift;
        m_lit[word + 1] |= uint64_t{row} >> (64 - shift);
        word += stride;
      }
    }
    m_gathered = true;
  }
  // Draws the pixels lit and not drawn yet as horizontal runs.
  void FlushGathered();
  int64_t BitIndex(int x, int y) const { return (y - m_clipTop) * m_width + (x - m_clipLeft); }
  void Drawn(int x, int y) {
    m_actual = POINT{x, y};
    m_expected = m_actual;
    m_drawnAny = true;
  }

  HDC m_hdc;
  bool m_skip;
  bool m_tracked = false;  // pixels are tracked (an idempotent raster operation)
  RECT m_clip{0, 0, 0, 0};
  // The clip box again for the tests that run per vertex, in 64 bits so that they need
  // no overflow checks: a pixel is in the box when its offsets from the top left are
  // below the column and row counts as unsigned numbers, and a mark of seven pixels when
  // its centre's offsets from three pixels in are below the counts less six.
  int64_t m_clipLeft = 0, m_clipTop = 0;
  uint64_t m_columns = 0, m_rows = 0;
  int64_t m_markLeft = 0, m_markTop = 0;
  uint64_t m_markColumns = 0, m_markRows = 0;
  int64_t m_width = 0;           // bits a row of the masks: the clip box's width, in whole words
  std::vector<uint64_t> m_lit;  // one bit per pixel of the clip box: lit by this pass
  // Of those, the pixels drawn already: by a GDI call or by Flush. The others were
  // gathered, and Flush draws them.
  std::vector<uint64_t> m_drawn;
  std::vector<uint64_t> m_rowScratch;  // one row of pixels to draw, for Flush
  bool m_gathered = false;             // pixels were gathered since the last Flush
  // Per pixel of the clip box: a mark of the kind centred there was drawn or found
  // covered, so its pixels stay lit until a circle clears the record and the same mark
  // again is one bit. SettledBefore answers for a centre and records it.
  std::vector<uint64_t> m_squareAt, m_boxedAt, m_crossAt;
  bool SettledBefore(std::vector<uint64_t>& settled, int x, int y);
  // The same for a centre known to be in the box, by its bit index.
  static bool SettledAt(std::vector<uint64_t>& settled, int64_t centre) {
    uint64_t& word = settled[static_cast<size_t>(centre >> 6)];
    const uint64_t bit = uint64_t{1} << (centre & 63);
    if (word & bit) return true;
    word |= bit;
    return false;
  }
  // The centre each kind of mark was last drawn or left out at: neighbouring vertices
  // mostly land on one pixel, and the same mark there again is settled by one compare.
  // Before the first, a centre whose mark is wholly outside the clip box, which would be
  // left out anyway.
  enum MarkKind { kSquareMark, kBoxedMark, kCrossMark, kMarkKinds };
  static uint64_t CentreKey(int x, int y) {
    return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
  }
  void ForgetLastMarks();
  bool Repeated(MarkKind kind, int x, int y);
  // The inline part of SquareGrip, BoxedCross and CrossMark, for a mark of seven rows:
  // true when it is settled.
  template <MarkKind kKind>
  [[gnu::always_inline]] inline bool GatheredInline(int x, int y);
  uint64_t m_lastMark[kMarkKinds] = {0, 0, 0};
  // Longer segments drawn in this pass, by the keys of their end points (CentreKey). The
  // same call again lights the same pixels with the same pen, so while the raster
  // operation is idempotent it is left out whatever the line rule is. Vertices off to
  // infinity or at NaN all share a few far pixels, and their long lines across the view
  // repeat for every vertex that lands on the same pixel as its neighbour. Only segments
  // longer than a step are kept, so an empty slot is one whose ends are the same pixel.
  struct DrawnSegment {
    uint64_t from, to;
  };
  static constexpr int kSegmentSlots = 256;
  DrawnSegment& SlotOf(int x0, int y0, int x1, int y1);
  // A horizontal or vertical segment's pixels in the clip box: whether all are lit
  // (test), or lights them all (returning true).
  bool RunLit(int x0, int y0, int x1, int y1, bool test);
  void ForgetSegments();
  std::vector<DrawnSegment> m_segments;  // direct-mapped by a hash of the end points
  bool m_used = false;      // a call that moves the current position came
  bool m_drawnAny = false;  // one of them reached GDI
  POINT m_expected{0, 0};
  POINT m_actual{0, 0};
};

// The per-mark and per-segment checks, inline: they run for every vertex of a repaint.
inline bool OverlayCanvas::Covered(int x, int y) const {
  if (x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return true;
  if (!m_tracked) return false;
  const int64_t i = BitIndex(x, y);
  return (m_lit[static_cast<size_t>(i >> 6)] >> (i & 63)) & 1u;
}

inline void OverlayCanvas::Mark(int x, int y) {
  if (!m_tracked || x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom) return;
  const int64_t i = BitIndex(x, y);
  const uint64_t bit = uint64_t{1} << (i & 63);
  m_lit[static_cast<size_t>(i >> 6)] |= bit;
  m_drawn[static_cast<size_t>(i >> 6)] |= bit;
}

inline bool OverlayCanvas::BoxOutside(int left, int top, int right, int bottom) const {
  return right < m_clip.left || left >= m_clip.right || bottom < m_clip.top || top >= m_clip.bottom;
}

inline bool OverlayCanvas::SettledBefore(std::vector<uint64_t>& settled, int x, int y) {
  if (static_cast<uint64_t>(x - m_clipLeft) >= m_columns || static_cast<uint64_t>(y - m_clipTop) >= m_rows) return false;
  return SettledAt(settled, BitIndex(x, y));
}

inline bool OverlayCanvas::Repeated(MarkKind kind, int x, int y) {
  const uint64_t key = CentreKey(x, y);
  if (m_lastMark[kind] == key) return true;
  m_lastMark[kind] = key;
  return false;
}

inline OverlayCanvas::DrawnSegment& OverlayCanvas::SlotOf(int x0, int y0, int x1, int y1) {
  // The top bits of a product depend on every bit of its factors, so every bit of the
  // end points reaches the slot index: far pixels differ in high bits.
  const uint64_t h = CentreKey(x0, y0) * 0x9E3779B97F4A7C15u + CentreKey(x1, y1) * 0xBF58476D1CE4E5B9u;
  static_assert(kSegmentSlots == 256);
  return m_segments[static_cast<size_t>(h >> 56)];
}

inline void OverlayCanvas::Segment(int x0, int y0, int x1, int y1) {
  // Inline, the segments most vertices of a dense figure give: one within a pixel, which
  // lights nothing, and one step, which lights only its start pixel, gathered while
  // pixels are tracked. Longer segments leave at the first compare.
  if (m_skip && static_cast<uint64_t>(int64_t{x1} - x0 + 1) <= 2u && static_cast<uint64_t>(int64_t{y1} - y0 + 1) <= 2u) {
    if (x0 == x1 && y0 == y1) {
      m_used = true;
      m_expected = POINT{x1, y1};
      return;
    }
    if (m_tracked) {
      m_used = true;
      m_expected = POINT{x1, y1};
      const uint64_t column = static_cast<uint64_t>(x0 - m_clipLeft), row = static_cast<uint64_t>(y0 - m_clipTop);
      if (column < m_columns && row < m_rows) {
        const int64_t i = static_cast<int64_t>(row) * m_width + static_cast<int64_t>(column);
        m_lit[static_cast<size_t>(i >> 6)] |= uint64_t{1} << (i & 63);
        m_gathered = true;
      }
      return;
    }
  }
  if (m_tracked) {
    // A longer segment drawn before in this pass is settled here: vertices far off or at
    // NaN give the same few long segments again and again.
    const DrawnSegment& slot = SlotOf(x0, y0, x1, y1);
    if (slot.from == CentreKey(x0, y0) && slot.to == CentreKey(x1, y1)) {
      m_used = true;
      m_expected = POINT{x1, y1};
      return;
    }
  }
  DrawSegment(x0, y0, x1, y1);
}

template <OverlayCanvas::MarkKind kKind>
inline bool OverlayCanvas::GatheredInline(int x, int y) {
  // What settles most marks of a dense figure: a mark at the centre of the last one of its
  // kind, and a mark wholly in the box, gathered once per centre (its pixels stay lit until
  // a circle clears the record, so the same centre again is one bit).
  if (!m_tracked) return false;
  if (Repeated(kKind, x, y)) return true;
  if (!MarkInside(x, y)) return false;
  std::vector<uint64_t>& settled = kKind == kSquareMark ? m_squareAt : kKind == kBoxedMark ? m_boxedAt : m_crossAt;
  if (!SettledAt(settled, BitIndex(x, y)))
    AddRows(x, y, kKind == kSquareMark ? kSquareRows : kKind == kBoxedMark ? kBoxedCrossRows : kCrossRows);
  return true;
}

inline void OverlayCanvas::SquareGrip(int x, int y) {
  m_used = true;
  // Where the position ends up, drawn or not (drawing sets it again).
  m_expected = POINT{x - 3, y - 3};
  if (GatheredInline<kSquareMark>(x, y)) return;
  if (m_skip) {
    // Inline too: out of line, these two cost the paint loops 3% more instructions.
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && SettledBefore(m_squareAt, x, y)) return;
  }
  DrawGrip<false>(x, y);
}

inline void OverlayCanvas::BoxedCross(int x, int y) {
  m_used = true;
  // Where the position ends up, drawn or not (drawing sets it again).
  m_expected = POINT{x - 3, y + 3};
  if (GatheredInline<kBoxedMark>(x, y)) return;
  if (m_skip) {
    if (BoxOutside(x - 3, y - 3, x + 3, y + 3)) return;
    if (m_tracked && SettledBefore(m_boxedAt, x, y)) return;
  }
  DrawGrip<true>(x, y);
}

inline void OverlayCanvas::CrossMark(int x, int y) {
  m_used = true;
  if (m_skip) {
    m_expected = POINT{x - 4, y + 4};
    // Two 45-degree lines of seven pixels, whose pixels every line rule agrees on.
    if (GatheredInline<kCrossMark>(x, y)) return;
  }
  DrawCross(x, y);
}
