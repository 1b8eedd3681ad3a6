#include "qarnview/app/bmp_file.h"

#include <vector>

#include "qarnview/drawing_file.h"

namespace {

void Put16(std::string& out, size_t at, uint32_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

}  // namespace

std::string EncodeBmp24(int width, int height, const uint32_t* pixels) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t imageSize = stride * static_cast<size_t>(height);
  std::string out(54 + imageSize, '\0');
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, 54);  // pixels follow the two headers directly
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(width));
  Put32(out, 22, static_cast<uint32_t>(height));  // positive: bottom-up
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, static_cast<uint32_t>(imageSize));
  Put32(out, 38, 3780);  // 96 dots per inch
  Put32(out, 42, 3780);
  for (int row = 0; row < height; ++row) {
    const uint32_t* source = pixels + static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width);
    size_t at = 54 + stride * static_cast<size_t>(row);
    for (int x = 0; x < width; ++x, at += 3) {
      out[at] = static_cast<char>(source[x] & 0xFF);
      out[at + 1] = static_cast<char>((source[x] >> 8) & 0xFF);
      out[at + 2] = static_cast<char>((source[x] >> 16) & 0xFF);
    }
  }
  return out;
}

std::string SaveDcPicture(HDC hdc, int width, int height, const std::filesystem::path& path) {
  if (width <= 0 || height <= 0) return "the picture is empty";
  HDC memory = CreateCompatibleDC(hdc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as EncodeBmp24 takes it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!memory || !bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    return "no memory for the picture";
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, hdc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  // A 32-bit DIB holds 0x00RRGGBB per pixel already.
  return qarnview::WriteDrawingFileAtomically(path, EncodeBmp24(width, height, pixels.data()));
}
