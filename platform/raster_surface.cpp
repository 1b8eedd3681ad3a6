#include "platform/raster_surface.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

RasterSurface::RasterSurface(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
  m_own.assign(static_cast<size_t>(m_width) * m_height + 1, 0u);
  m_top = reinterpret_cast<uint8_t*>(m_own.data());
  m_stride = static_cast<std::ptrdiff_t>(m_width) * 4;
}

RasterSurface::RasterSurface(int width, int height, void* bits, bool bottomUp)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
  uint8_t* first = static_cast<uint8_t*>(bits);
  // 32-bit rows are always DWORD aligned, so the stride is just width * 4.
  std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(m_width) * 4;
  if (bottomUp && m_height > 0) {
    m_top = first + rowBytes * (m_height - 1);
    m_stride = -rowBytes;
  } else {
    m_top = first;
    m_stride = rowBytes;
  }
}

void RasterSurface::Fill(uint32_t pixel) { FillRect(0, 0, m_width, m_height, pixel); }

void RasterSurface::FillRect(int left, int top, int right, int bottom, uint32_t pixel) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, m_width);
  bottom = std::min(bottom, m_height);
  if (left >= right || top >= bottom) return;
  pixel = Quantize(pixel);
  for (int y = top; y < bottom; ++y) std::fill(Row(y) + left, Row(y) + right, pixel);
}

bool RasterSurface::SavePng(const char* path) const {
  if (!path || m_width <= 0 || m_height <= 0) return false;
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  std::vector<png_byte> line(static_cast<size_t>(m_width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, m_width, m_height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < m_height; ++y) {
    const uint32_t* row = Row(y);
    for (int x = 0; x < m_width; ++x) {
      line[x * 3 + 0] = static_cast<png_byte>((row[x] >> 16) & 0xFF);
      line[x * 3 + 1] = static_cast<png_byte>((row[x] >> 8) & 0xFF);
      line[x * 3 + 2] = static_cast<png_byte>(row[x] & 0xFF);
    }
    png_write_row(png, line.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}
