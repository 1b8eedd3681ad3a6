// Objects, selection, DC defaults, DIB layout and bad handles.
#include <cstdint>
#include <cstring>
#include <string>

#include "gdi_canvas.h"

namespace gditest {
namespace {

const COLORREF kWhite = RGB(255, 255, 255);

TEST(GdiDc, StartsWithWindowsDefaults) {
  Canvas canvas(4, 4);
  HDC dc = canvas.dc();
  // The other defaults are what SettersReturnThePreviousValue's first calls give back.
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN)) << "default pen";
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH)) << "default brush";
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), static_cast<HGDIOBJ>(pen)) << "previous pen";
  EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), static_cast<HGDIOBJ>(brush)) << "previous brush";
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST(GdiDc, SettersReturnThePreviousValue) {
  Canvas canvas(4, 4);
  HDC dc = canvas.dc();
  EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, R2_NOT), R2_XORPEN);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), kWhite);
  EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(7, 8, 9)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextAlign(dc, TA_CENTER | TA_BASELINE), static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_EQ(SetTextAlign(dc, TA_LEFT | TA_TOP), static_cast<UINT>(TA_CENTER | TA_BASELINE));
  POINT previous{-1, -1};
  MoveToEx(dc, 3, 4, NULL);
  MoveToEx(dc, 5, 6, &previous);
  EXPECT_EQ(previous.x, 3);
  EXPECT_EQ(previous.y, 4);
}

TEST(GdiDib, RowsRunTopDownOrBottomUpAsTheHeaderSays) {
  struct Case {
    const char* name;
    bool bottomUp;
    int rowInMemoryOfY0;  // where row 0 of the picture lives in the bits
  } cases[] = {{"top-down", false, 0}, {"bottom-up", true, 4}};
  for (const Case& c : cases) {
    Canvas canvas(3, 5, c.bottomUp);
    SetPixel(canvas.dc(), 1, 0, RGB(0x11, 0x22, 0x33));
    const auto* bytes = static_cast<const uint8_t*>(canvas.bits());
    const uint8_t* px = bytes + (c.rowInMemoryOfY0 * 3 + 1) * 4;
    EXPECT_EQ(px[0], 0x33) << c.name << ": blue byte";
    EXPECT_EQ(px[1], 0x22) << c.name << ": green byte";
    EXPECT_EQ(px[2], 0x11) << c.name << ": red byte";
    EXPECT_EQ(canvas.At(1, 0), RGB(0x11, 0x22, 0x33)) << c.name;
  }
}

TEST(GdiDib, BitsWrittenDirectlyAreSeenByGetPixel) {
  Canvas canvas(4, 2);
  auto* words = static_cast<uint32_t*>(canvas.bits());
  words[4 + 2] = 0x00AABBCC;  // x 2, y 1 in a top-down DIB
  EXPECT_EQ(canvas.At(2, 1), RGB(0xAA, 0xBB, 0xCC)) << "got " << Hex(canvas.At(2, 1));
}

TEST(GdiPixel, OutsideTheSurfaceIsInvalid) {
  Canvas canvas(4, 4);
  struct Case {
    int x, y;
  } cases[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 4}, {100000, 100000}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetPixel(canvas.dc(), c.x, c.y), CLR_INVALID) << c.x << "," << c.y;
    EXPECT_EQ(SetPixel(canvas.dc(), c.x, c.y, RGB(1, 2, 3)), static_cast<COLORREF>(-1)) << c.x << "," << c.y;
  }
}

TEST(GdiBitmap, CompatibleWithAFreshMemoryDcIsMonochrome) {
  // The classic trap: a new memory DC holds a 1x1 monochrome bitmap, so a bitmap
  // "compatible" with it is monochrome too.
  HDC mem = CreateCompatibleDC(NULL);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 8, 8);
  ASSERT_NE(bmp, static_cast<HBITMAP>(NULL));
  HGDIOBJ old = SelectObject(mem, bmp);
  SetPixel(mem, 1, 1, RGB(255, 0, 0));
  SetPixel(mem, 2, 2, RGB(250, 250, 200));
  COLORREF dark = GetPixel(mem, 1, 1), light = GetPixel(mem, 2, 2);
  EXPECT_TRUE(dark == RGB(0, 0, 0) || dark == kWhite) << "expected black or white, got " << Hex(dark);
  EXPECT_EQ(light, kWhite) << "got " << Hex(light);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

TEST(GdiBitmap, ABitmapSitsInOneDcAtATime) {
  Canvas canvas(4, 4);
  HDC first = CreateCompatibleDC(canvas.dc());
  HDC second = CreateCompatibleDC(canvas.dc());
  HBITMAP bmp = CreateCompatibleBitmap(canvas.dc(), 4, 4);
  ASSERT_NE(bmp, static_cast<HBITMAP>(NULL));
  HGDIOBJ old = SelectObject(first, bmp);
  EXPECT_NE(old, static_cast<HGDIOBJ>(NULL));
  EXPECT_EQ(SelectObject(second, bmp), static_cast<HGDIOBJ>(NULL)) << "selected into two DCs";
  EXPECT_FALSE(DeleteObject(bmp)) << "deleted while selected";
  SelectObject(first, old);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteDC(first);
  DeleteDC(second);
}

TEST(GdiObjects, StockObjectsAreStableAndDeletingThemIsHarmless) {
  int stocks[] = {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT};
  for (int s : stocks) {
    HGDIOBJ h = GetStockObject(s);
    EXPECT_NE(h, static_cast<HGDIOBJ>(NULL)) << "stock " << s;
    EXPECT_EQ(GetStockObject(s), h) << "stock " << s;
    DeleteObject(h);
    EXPECT_EQ(GetStockObject(s), h) << "stock " << s;
  }
  Canvas canvas(4, 4);
  EXPECT_NE(SelectObject(canvas.dc(), GetStockObject(WHITE_PEN)), static_cast<HGDIOBJ>(NULL));
}

TEST(GdiObjects, BadHandlesFailWithoutCrashing) {
  HDC badDc = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x5A5A50));
  HGDIOBJ badObj = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x5A5A60));
  HDC deadDc = CreateCompatibleDC(NULL);
  DeleteDC(deadDc);
  for (HDC dc : {static_cast<HDC>(NULL), badDc, deadDc}) {
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_FALSE(MoveToEx(dc, 1, 1, NULL));
    EXPECT_FALSE(Ellipse(dc, 0, 0, 4, 4));
    EXPECT_FALSE(Arc(dc, 0, 0, 4, 4, 0, 0, 0, 0));
    EXPECT_EQ(FillRect(dc, NULL, NULL), 0);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_FALSE(GetTextMetricsA(dc, NULL));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), static_cast<HGDIOBJ>(NULL));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), 0);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
    EXPECT_FALSE(DeleteDC(dc));
  }
  EXPECT_FALSE(DeleteObject(NULL));
  Canvas canvas(4, 4);
  EXPECT_EQ(SelectObject(canvas.dc(), badObj), static_cast<HGDIOBJ>(NULL));
  EXPECT_EQ(SelectObject(canvas.dc(), NULL), static_cast<HGDIOBJ>(NULL));
  RECT r{0, 0, 2, 2};
  EXPECT_EQ(FillRect(canvas.dc(), NULL, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  // (HBRUSH)(COLOR_x + 1) names a system colour, as containers paint their backgrounds.
  canvas.Clear(RGB(0, 0, 0));
  EXPECT_EQ(FillRect(canvas.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), 1);
  EXPECT_EQ(canvas.At(1, 1), RGB(255, 255, 255));
  TEXTMETRICA tm;
  EXPECT_FALSE(GetTextMetricsA(canvas.dc(), NULL));
  EXPECT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
  EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc(), "x", 1, NULL));
  EXPECT_EQ(CreateFontIndirectA(NULL), static_cast<HFONT>(NULL));
}

// Windows fails DeleteObject on any object selected into a DC; the object stays
// usable and can be deleted once released. (The runtime's GDI returns TRUE instead and
// deletes the pen or brush on release.)
TEST(GdiObjects, DeletingASelectedPenOrBrushFails) {
  Canvas canvas(8, 3);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 160, 0));
  HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
  EXPECT_FALSE(DeleteObject(pen)) << "pen deleted while selected";
  EXPECT_FALSE(DeleteObject(brush)) << "brush deleted while selected";
  MoveToEx(canvas.dc(), 0, 1, NULL);
  LineTo(canvas.dc(), 8, 1);
  EXPECT_EQ(canvas.At(3, 1), RGB(255, 0, 0)) << "pen after the failed delete: got " << Hex(canvas.At(3, 1));
  EXPECT_EQ(SelectObject(canvas.dc(), oldPen), static_cast<HGDIOBJ>(pen));
  EXPECT_EQ(SelectObject(canvas.dc(), oldBrush), static_cast<HGDIOBJ>(brush));
  EXPECT_TRUE(DeleteObject(pen)) << "pen once released";
  EXPECT_TRUE(DeleteObject(brush)) << "brush once released";
}

}  // namespace
}  // namespace gditest

#ifndef _WIN32
namespace gditest {
// The Linux layer makes only the pens the editor and the reference host draw with.
TEST(GdiPen, OnlyOnePixelSolidDottedAndNullPensAreMade) {
  for (int style : {PS_SOLID, PS_DOT, PS_NULL}) {
    for (int width : {0, 1}) {
      HPEN pen = CreatePen(style, width, RGB(1, 2, 3));
      EXPECT_NE(pen, nullptr) << "style " << style << ", width " << width;
      EXPECT_TRUE(DeleteObject(pen));
    }
  }
  EXPECT_EQ(CreatePen(PS_SOLID, 2, 0), nullptr) << "wide";
  EXPECT_EQ(CreatePen(PS_DOT, 3, 0), nullptr) << "wide dotted";
  for (int style : {1, 3, 4, 6}) EXPECT_EQ(CreatePen(style, 1, 0), nullptr) << "dash or inside-frame style " << style;
}
}  // namespace gditest
#endif
