// A memory DC over a 32-bit DIB section, built only from Windows calls so the same
// tests run against the real GDI on Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
// <windows.h> still defines the 16-bit pointer qualifiers as empty macros; tests name
// variables `near`.
#undef near
#undef far
#else
#include "platform/gdi.h"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace gditest {

using Pixel = std::pair<int, int>;

inline std::string Hex(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
  return std::string("0x") + buf;
}

class Canvas {
 public:
  Canvas(int width, int height, bool bottomUp = false) : m_width(width), m_height(height) {
    m_dc = CreateCompatibleDC(NULL);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = bottomUp ? height : -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, NULL, 0);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    Clear(RGB(255, 255, 255));
  }
  ~Canvas() {
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return m_dc; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  void* bits() const { return m_bits; }

  void Clear(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, m_width, m_height};
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
  }
  COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }

  // Every pixel that is not `background`.
  std::set<Pixel> Inked(COLORREF background) const {
    std::set<Pixel> out;
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x)
        if (At(x, y) != background) out.insert({x, y});
    return out;
  }

  // The picture as text: '.' for background, '#' for anything else.
  std::string Ascii(COLORREF background) const {
    std::string s;
    for (int y = 0; y < m_height; ++y) {
      for (int x = 0; x < m_width; ++x) s += At(x, y) == background ? '.' : '#';
      s += '\n';
    }
    return s;
  }

  // Keeps the picture of a failed check for a look by eye (Linux builds only).
  void Save(const std::string& name) const {
#if !defined(_WIN32) && defined(QARN_TEST_OUTPUT_DIR)
    std::string dir = QARN_TEST_OUTPUT_DIR;
    std::string cmd = "mkdir -p '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) return;
    std::string file = dir + "/" + name + ".png";
    for (char& c : file)
      if (c == ' ' || c == '(' || c == ')' || c == ',') c = '_';
    QarnSaveDCAsPng(m_dc, file.c_str());
#else
    (void)name;
#endif
  }

 private:
  int m_width, m_height;
  HDC m_dc = NULL;
  HBITMAP m_bitmap = NULL;
  HGDIOBJ m_oldBitmap = NULL;
  void* m_bits = nullptr;
};

inline std::string Describe(const std::set<Pixel>& pixels) {
  std::string s;
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "(" + std::string.
  for (const Pixel& p : pixels) {
    s += '(';
    s += std::to_string(p.first);
    s += ',';
    s += std::to_string(p.second);
    s += ')';
  }
  return s.empty() ? "none" : s;
}

// Compares the inked pixels with the expected set; on a mismatch reports both
// and saves the picture.
inline void ExpectInked(const Canvas& canvas, COLORREF background, const std::set<Pixel>& expected,
                        const std::string& name) {
  std::set<Pixel> got = canvas.Inked(background);
  if (got == expected) return;
  std::set<Pixel> missing, extra;
  for (const Pixel& p : expected)
    if (!got.count(p)) missing.insert(p);
  for (const Pixel& p : got)
    if (!expected.count(p)) extra.insert(p);
  ADD_FAILURE() << name << ": expected pixels " << Describe(expected) << ", got " << Describe(got)
                << "\n  missing " << Describe(missing) << "\n  extra " << Describe(extra) << "\n"
                << canvas.Ascii(background);
  canvas.Save(name);
}

}  // namespace gditest
