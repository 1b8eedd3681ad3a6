// Drawing cases with the pixels GDI lights for them, worked out by hand from GDI's
// rules. Plain data so the same table can be checked against the real GDI.
#pragma once

#include <set>
#include <vector>

#include "gdi_canvas.h"

namespace gditest {

struct LineCase {
  const char* name;
  POINT from;
  POINT to;
  std::set<Pixel> lit;  // the end point is never among them
};

// Cosmetic one-pixel lines: start pixel in, end pixel out, nearest pixel on the
// minor axis, half-way ties going up (x-major) or left (y-major).
inline const std::vector<LineCase>& LineCases() {
  static const std::vector<LineCase> cases = {
      {"east", {10, 10}, {15, 10}, {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}}},
      {"west", {10, 10}, {5, 10}, {{10, 10}, {9, 10}, {8, 10}, {7, 10}, {6, 10}}},
      {"south", {10, 10}, {10, 15}, {{10, 10}, {10, 11}, {10, 12}, {10, 13}, {10, 14}}},
      {"north", {10, 10}, {10, 5}, {{10, 10}, {10, 9}, {10, 8}, {10, 7}, {10, 6}}},
      {"south-east", {10, 10}, {15, 15}, {{10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}}},
      {"south-west", {10, 10}, {5, 15}, {{10, 10}, {9, 11}, {8, 12}, {7, 13}, {6, 14}}},
      {"north-west", {10, 10}, {5, 5}, {{10, 10}, {9, 9}, {8, 8}, {7, 7}, {6, 6}}},
      {"north-east", {10, 10}, {15, 5}, {{10, 10}, {11, 9}, {12, 8}, {13, 7}, {14, 6}}},
      {"slope 3/7", {0, 0}, {7, 3}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}}},
      {"slope 3/7 reversed", {7, 3}, {0, 0}, {{7, 3}, {6, 3}, {5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}}},
      {"slope -3/7", {0, 3}, {7, 0}, {{0, 3}, {1, 3}, {2, 2}, {3, 2}, {4, 1}, {5, 1}, {6, 0}}},
      {"steep 9/3", {2, 0}, {5, 9}, {{2, 0}, {2, 1}, {3, 2}, {3, 3}, {3, 4}, {4, 5}, {4, 6}, {4, 7}, {5, 8}}},
      {"steep 9/3 reversed", {5, 9}, {2, 0}, {{5, 9}, {5, 8}, {4, 7}, {4, 6}, {4, 5}, {3, 4}, {3, 3}, {3, 2}, {2, 1}}},
      // Half-way ties: x-major lines take the upper pixel, y-major lines the left one,
      // whichever way they run.
      {"tie x-major down", {0, 0}, {4, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {"tie x-major up", {4, 2}, {0, 0}, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},
      {"tie x-major rising", {0, 2}, {4, 0}, {{0, 2}, {1, 1}, {2, 1}, {3, 0}}},
      {"tie y-major", {0, 0}, {1, 2}, {{0, 0}, {0, 1}}},
      {"tie y-major reversed", {1, 2}, {0, 0}, {{1, 2}, {0, 1}}},
      {"one pixel long", {3, 3}, {4, 3}, {{3, 3}}},
      {"zero length", {3, 3}, {3, 3}, {}},
      {"leaves the canvas", {15, 2}, {25, 2}, {{15, 2}, {16, 2}, {17, 2}, {18, 2}, {19, 2}}},
  };
  return cases;
}

struct RopCase {
  const char* name;
  int rop2;
  COLORREF destination;
  COLORREF pen;
  COLORREF expected;
};

inline const std::vector<RopCase>& RopCases() {
  static const std::vector<RopCase> cases = {
      {"copy", R2_COPYPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0xF0, 0x0F, 0x33)},
      {"xor", R2_XORPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0xE2, 0x3B, 0x65)},
      {"not", R2_NOT, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0xED, 0xCB, 0xA9)},
      {"nop", R2_NOP, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0x12, 0x34, 0x56)},
      {"black", R2_BLACK, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0, 0, 0)},
      {"white", R2_WHITE, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0xFF, 0xFF, 0xFF)},
      {"merge", R2_MERGEPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0xF2, 0x3F, 0x77)},
      {"mask", R2_MASKPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0x10, 0x04, 0x12)},
      {"not copy", R2_NOTCOPYPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0x0F, 0xF0, 0xCC)},
      {"not xor", R2_NOTXORPEN, RGB(0x12, 0x34, 0x56), RGB(0xF0, 0x0F, 0x33), RGB(0x1D, 0xC4, 0x9A)},
  };
  return cases;
}

struct DotCase {
  const char* name;
  int bkMode;
  POINT from;
  POINT to;
};

// PS_DOT lines in both background modes and along both axes and the diagonal.
inline const std::vector<DotCase>& DotCases() {
  static const std::vector<DotCase> cases = {
      {"opaque east", OPAQUE, {0, 1}, {14, 1}},         {"transparent east", TRANSPARENT, {0, 1}, {14, 1}},
      {"opaque west", OPAQUE, {13, 1}, {0, 1}},         {"transparent south", TRANSPARENT, {1, 0}, {1, 10}},
      {"opaque diagonal", OPAQUE, {0, 0}, {8, 8}},
  };
  return cases;
}

struct RectCase {
  const char* name;
  RECT rect;
};

// FillRect boxes, among them one off the canvas, one empty and one inverted.
inline const std::vector<RectCase>& FillRectCases() {
  static const std::vector<RectCase> cases = {
      {"ordinary", {2, 3, 9, 7}},
      {"one pixel", {4, 4, 5, 5}},
      {"one column", {6, 1, 7, 10}},
      {"touches the corner", {0, 0, 3, 2}},
      {"runs off the canvas", {12, 12, 40, 40}},
      {"empty width", {5, 5, 5, 9}},
      {"inverted", {9, 9, 4, 4}},
  };
  return cases;
}

struct EllipseSize {
  int width;
  int height;
};

// Every square size from 1 to 40 and a spread of flat and tall boxes.
inline std::vector<EllipseSize> EllipseSizes() {
  std::vector<EllipseSize> sizes;
  for (int n = 1; n <= 40; ++n) sizes.push_back({n, n});
  for (EllipseSize s : std::vector<EllipseSize>{{2, 1}, {1, 7}, {3, 9}, {9, 3}, {20, 2}, {2, 20}, {40, 7},
                                                {7, 40}, {16, 11}, {11, 16}, {33, 21}, {4, 5}, {8, 11}, {2, 3}})
    sizes.push_back(s);
  return sizes;
}

// Ellipses drawn into a canvas three pixels bigger than the box on every side, box at
// (3,3): 'p' pen (solid, width 1), 'f' brush, '.' untouched.
struct EllipsePicture {
  const char* name;
  int width, height;
  bool nullPen;
  std::vector<const char*> rows;  // the box's rows only
};

// Tall thin figures whose outline stops short of the box's top and bottom rows, as the
// runtime's GDI draws them (same layout as EllipsePictures). The runtime also fills
// stray pixels outside the box in those rows, differently from run to run; nothing
// should be drawn there.
inline const std::vector<EllipsePicture>& ShortTallEllipsePictures() {
  static const std::vector<EllipsePicture> cases = {
      {"3x9", 3, 9, false, {"...", ".p.", "pfp", "pfp", "pfp", "pfp", "pfp", ".p.", "..."}},
      {"null pen 3x9", 3, 9, true, {"...", ".f.", "fff", "fff", "fff", "fff", "fff", ".f.", "..."}},
  };
  return cases;
}

struct TextAlignCase {
  const char* name;
  UINT align;
  int x;
};

inline const std::vector<TextAlignCase>& TextAlignCases() {
  static const std::vector<TextAlignCase> cases = {
      {"left", TA_LEFT | TA_TOP, 20},
      {"centre", TA_CENTER | TA_TOP, 100},
      {"right", TA_RIGHT | TA_TOP, 180},
  };
  return cases;
}

struct FontHeightCase {
  const char* name;
  LONG lfHeight;
};

inline const std::vector<FontHeightCase>& FontHeightCases() {
  static const std::vector<FontHeightCase> cases = {
      {"character height 8", -8},   {"character height 11", -11}, {"character height 16", -16},
      {"character height 32", -32}, {"cell height 13", 13},       {"cell height 20", 20},
      {"cell height 40", 40},
  };
  return cases;
}

}  // namespace gditest
