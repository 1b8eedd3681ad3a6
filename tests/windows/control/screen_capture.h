// What the user sees: the screen's pixels under a window, read back with BitBlt from
// the screen's device context, and kept as a picture that can be written as a BMP.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace capture {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // row by row from the top, RGB() values

  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  size_t Count(COLORREF colour) const;
  // Rows holding at least one pixel of the colour: first and last, or -1, -1.
  std::pair<int, int> RowSpan(COLORREF colour) const;
  bool SameAs(const Picture& other) const { return width == other.width && pixels == other.pixels; }
};

// The screen under the window's client area, as it is now.
Picture OfWindow(HWND hwnd);

// Writes a 24-bit BMP; false when the file cannot be written.
bool WriteBmp(const Picture& picture, const std::wstring& path);
// Writes the picture as NAME.bmp into the folder named by QARN_CAPTURE_DIR, when set.
void Keep(const Picture& picture, const char* name);

}  // namespace capture
