// A plain 32-bit pixel surface: the memory behind bitmaps, DIB sections and window
// client areas. Pixels are stored as Windows lays out a 32-bit BI_RGB DIB:
// bytes B, G, R, X, i.e. the value 0x00RRGGBB in a little-endian uint32.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

class RasterSurface {
 public:
  // Owns zeroed (black) memory.
  RasterSurface(int width, int height);
  // Views memory owned by someone else (a DIB section's bits). `bottomUp` means the
  // first row in memory is the bottom row of the picture, as with a positive biHeight.
  RasterSurface(int width, int height, void* bits, bool bottomUp);

  RasterSurface(const RasterSurface&) = delete;
  RasterSurface& operator=(const RasterSurface&) = delete;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

  uint32_t* Row(int y) { return reinterpret_cast<uint32_t*>(m_top + static_cast<std::ptrdiff_t>(y) * m_stride); }
  const uint32_t* Row(int y) const {
    return reinterpret_cast<const uint32_t*>(m_top + static_cast<std::ptrdiff_t>(y) * m_stride);
  }
  uint32_t Get(int x, int y) const { return Contains(x, y) ? Row(y)[x] : 0; }
  void Set(int x, int y, uint32_t pixel) {
    if (Contains(x, y)) Row(y)[x] = Quantize(pixel);
  }
  void Fill(uint32_t pixel);
  void FillRect(int left, int top, int right, int bottom, uint32_t pixel);

  // A monochrome surface keeps only black and white, as a 1-bit bitmap would.
  bool IsMonochrome() const { return m_monochrome; }
  void SetMonochrome(bool mono) { m_monochrome = mono; }
  uint32_t Quantize(uint32_t pixel) const {
    if (!m_monochrome) return pixel;
    // Nearest of black and white, as GDI matches a colour to a two-entry palette.
    unsigned sum = ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
    return sum * 2 > 765 ? 0x00FFFFFFu : 0u;
  }

  bool SavePng(const char* path) const;

  static uint32_t FromColorRef(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
  }
  static COLORREF ToColorRef(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

 private:
  int m_width;
  int m_height;
  std::vector<uint32_t> m_own;
  uint8_t* m_top = nullptr;  // start of the top row
  std::ptrdiff_t m_stride = 0;  // bytes from one row to the row below it
  bool m_monochrome = false;
};
