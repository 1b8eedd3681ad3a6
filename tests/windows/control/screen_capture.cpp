#include "screen_capture.h"

#include <cstdio>

namespace capture {

size_t Picture::Count(COLORREF colour) const {
  size_t n = 0;
  for (COLORREF p : pixels) n += p == colour;
  return n;
}

std::pair<int, int> Picture::RowSpan(COLORREF colour) const {
  int first = -1, last = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (At(x, y) != colour) continue;
      if (first < 0) first = y;
      last = y;
      break;
    }
  }
  return {first, last};
}

Picture OfWindow(HWND hwnd) {
  Picture out;
  RECT client;
  if (!hwnd || !GetClientRect(hwnd, &client)) return out;
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  out.width = client.right;
  out.height = client.bottom;
  if (out.width <= 0 || out.height <= 0) return out;

  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, out.width, out.height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  const auto* p = static_cast<const BYTE*>(bits);
  for (size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return out;
}

bool WriteBmp(const Picture& picture, const std::wstring& path) {
  const int stride = (picture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  ih.biSize = sizeof ih;
  ih.biWidth = picture.width;
  ih.biHeight = picture.height;  // bottom-up, as BMP readers expect by default
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biCompression = BI_RGB;
  ih.biSizeImage = static_cast<DWORD>(stride) * picture.height;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&ih, sizeof ih, 1, f) == 1;
  std::vector<BYTE> row(stride, 0);
  for (int y = picture.height - 1; ok && y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      COLORREF c = picture.At(x, y);
      row[3 * x] = GetBValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetRValue(c);
    }
    ok = fwrite(row.data(), row.size(), 1, f) == 1;
  }
  return fclose(f) == 0 && ok;
}

void Keep(const Picture& picture, const char* name) {
  wchar_t dir[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"QARN_CAPTURE_DIR", dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || picture.pixels.empty()) return;
  std::wstring path(dir, n);
  CreateDirectoryW(path.c_str(), nullptr);
  if (path.back() != L'\\') path += L'\\';
  for (const char* c = name; *c; ++c) path += static_cast<wchar_t>(*c);
  path += L".bmp";
  WriteBmp(picture, path);
}

}  // namespace capture
