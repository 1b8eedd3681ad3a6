// Windows on Linux: handles, client surfaces, invalidation, capture and coordinates.
#include <gtest/gtest.h>

#include "platform/raster_surface.h"
#include "platform/window.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

TEST(Window, HasItsClientSizeAndIsWhite) {
  HWND w = QarnCreateWindow(NULL, 64, 48);
  ASSERT_TRUE(IsWindow(w));
  RECT r{-1, -1, -1, -1};
  ASSERT_TRUE(GetClientRect(w, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 48);
  HDC dc = GetDC(w);
  EXPECT_EQ(GetPixel(dc, 10, 10), kWhite);
  EXPECT_EQ(GetPixel(dc, 64, 10), CLR_INVALID);
  EXPECT_EQ(ReleaseDC(w, dc), 1);
  EXPECT_TRUE(DestroyWindow(w));
  EXPECT_FALSE(IsWindow(w));
}

TEST(Window, GetDcDrawsIntoTheClientSurfaceWithFreshDefaults) {
  HWND w = QarnCreateWindow(NULL, 20, 20);
  HDC dc = GetDC(w);
  SetROP2(dc, R2_NOT);
  MoveToEx(dc, 0, 5, NULL);
  LineTo(dc, 10, 5);
  ReleaseDC(w, dc);
  RasterSurface* s = QarnWindowSurface(w);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(RasterSurface::ToColorRef(s->Get(4, 5)), RGB(0, 0, 0)) << "expected the line drawn through the window DC";
  EXPECT_EQ(RasterSurface::ToColorRef(s->Get(4, 6)), RGB(255, 255, 255)) << "expected the row below untouched";
  HDC again = GetDC(w);
  EXPECT_EQ(GetROP2(again), R2_COPYPEN) << "a new DC starts from the defaults";
  ReleaseDC(w, again);
  DestroyWindow(w);
}

TEST(Window, InvalidateCountsAndUpdateRepaintsOnce) {
  HWND w = QarnCreateWindow(NULL, 30, 30);
  struct Painted {
    int calls = 0;
    RECT area{};
  } painted;
  QarnSetPaintProc(
      w,
      [](HWND, HDC hdc, const RECT* invalid, void* context) {
        auto* p = static_cast<Painted*>(context);
        ++p->calls;
        p->area = *invalid;
        SetPixel(hdc, 1, 1, RGB(1, 2, 3));
      },
      &painted);
  EXPECT_EQ(QarnInvalidateCount(w), 0);
  RECT a{2, 2, 5, 5}, b{10, 12, 20, 14};
  EXPECT_TRUE(InvalidateRect(w, &a, TRUE));
  EXPECT_TRUE(InvalidateRect(w, &b, FALSE));
  EXPECT_EQ(QarnInvalidateCount(w), 2);
  EXPECT_TRUE(UpdateWindow(w));
  EXPECT_TRUE(UpdateWindow(w));
  EXPECT_EQ(painted.calls, 1) << "expected one repaint, got " << painted.calls;
  // The two invalid rectangles are repainted as the one that holds both.
  EXPECT_EQ(painted.area.left, 2);
  EXPECT_EQ(painted.area.top, 2);
  EXPECT_EQ(painted.area.right, 20);
  EXPECT_EQ(painted.area.bottom, 14);
  EXPECT_EQ(RasterSurface::ToColorRef(QarnWindowSurface(w)->Get(1, 1)), RGB(1, 2, 3));
  EXPECT_TRUE(InvalidateRect(w, NULL, TRUE));
  EXPECT_EQ(QarnInvalidateCount(w), 3);
  DestroyWindow(w);
}

TEST(Window, CaptureIsProcessWideAndDropsWithTheWindow) {
  HWND a = QarnCreateWindow(NULL, 5, 5), b = QarnCreateWindow(NULL, 5, 5);
  ReleaseCapture();
  EXPECT_EQ(SetCapture(a), static_cast<HWND>(NULL));
  EXPECT_EQ(GetCapture(), a);
  EXPECT_EQ(SetCapture(b), a);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), static_cast<HWND>(NULL));
  SetCapture(b);
  DestroyWindow(b);
  EXPECT_EQ(GetCapture(), static_cast<HWND>(NULL));
  DestroyWindow(a);
}

TEST(Window, ScreenAndClientCoordinatesFollowTheOrigin) {
  HWND w = QarnCreateWindow(NULL, 100, 100);
  struct Case {
    POINT origin, client, screen;
  } cases[] = {{{0, 0}, {5, 6}, {5, 6}}, {{100, 200}, {5, 6}, {105, 206}}, {{-30, 40}, {0, 0}, {-30, 40}}};
  for (const Case& c : cases) {
    QarnSetWindowOrigin(w, c.origin.x, c.origin.y);
    POINT p = c.client;
    ASSERT_TRUE(ClientToScreen(w, &p));
    EXPECT_EQ(p.x, c.screen.x);
    EXPECT_EQ(p.y, c.screen.y);
    ASSERT_TRUE(ScreenToClient(w, &p));
    EXPECT_EQ(p.x, c.client.x);
    EXPECT_EQ(p.y, c.client.y);
  }
  SetCursorPos(321, 123);
  POINT cursor{};
  EXPECT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(cursor.x, 321);
  EXPECT_EQ(cursor.y, 123);
  DestroyWindow(w);
}

TEST(Window, ChildrenGoWithTheirParent) {
  HWND parent = QarnCreateWindow(NULL, 50, 50);
  HWND child = QarnCreateWindow(parent, 10, 10);
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(child));
}

TEST(Window, BadHandlesFail) {
  HWND bad = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xBAD0));
  RECT r;
  POINT p{};
  EXPECT_FALSE(IsWindow(bad));
  EXPECT_FALSE(IsWindow(NULL));
  EXPECT_FALSE(DestroyWindow(bad));
  EXPECT_FALSE(GetClientRect(bad, &r));
  EXPECT_EQ(GetDC(bad), static_cast<HDC>(NULL));
  EXPECT_FALSE(InvalidateRect(bad, NULL, TRUE));
  EXPECT_FALSE(UpdateWindow(bad));
  EXPECT_FALSE(ClientToScreen(bad, &p));
  EXPECT_FALSE(ScreenToClient(bad, &p));
  EXPECT_EQ(SetCapture(bad), static_cast<HWND>(NULL));
  EXPECT_EQ(QarnInvalidateCount(bad), -1);
  EXPECT_EQ(QarnCreateWindow(bad, 4, 4), static_cast<HWND>(NULL));
  HWND w = QarnCreateWindow(NULL, 4, 4);
  EXPECT_FALSE(GetClientRect(w, NULL));
  EXPECT_FALSE(GetCursorPos(NULL));
  EXPECT_EQ(ReleaseDC(w, NULL), 0);
  DestroyWindow(w);
}

TEST(Window, ScreenDcMeasuresText) {
  HDC screen = GetDC(NULL);
  ASSERT_NE(screen, static_cast<HDC>(NULL));
  TEXTMETRICA tm{};
  EXPECT_TRUE(GetTextMetricsA(screen, &tm));
  EXPECT_GT(tm.tmHeight, 0);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(ReleaseDC(NULL, screen), 1);
}

}  // namespace
