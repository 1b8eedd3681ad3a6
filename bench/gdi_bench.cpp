// Costs of the raster GDI paths the editor leans on while dragging.
#include <benchmark/benchmark.h>

#include "platform/gdi.h"

namespace {

struct Surface {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  explicit Surface(int size) {
    dc = CreateCompatibleDC(NULL);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

void BM_LineTo100Lines(benchmark::State& state) {
  Surface s(512);
  SetROP2(s.dc, R2_XORPEN);
  for (auto _ : state) {
    MoveToEx(s.dc, 0, 0, NULL);
    for (int i = 0; i < 100; ++i) LineTo(s.dc, (i * 37) % 512, (i * 91) % 512);
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_LineTo100Lines);

void BM_Ellipse40(benchmark::State& state) {
  Surface s(64);
  HBRUSH brush = CreateSolidBrush(RGB(0, 128, 255));
  HGDIOBJ old = SelectObject(s.dc, brush);
  for (auto _ : state) Ellipse(s.dc, 10, 10, 50, 50);
  SelectObject(s.dc, old);
  DeleteObject(brush);
}
BENCHMARK(BM_Ellipse40);

void BM_TextOut(benchmark::State& state) {
  Surface s(256);
  SetBkMode(s.dc, TRANSPARENT);
  for (auto _ : state) TextOutA(s.dc, 4, 4, "Point 12 (104.5, 33.25)", 23);
}
BENCHMARK(BM_TextOut);

}  // namespace
