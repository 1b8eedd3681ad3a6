// Drawing calls keep finding the right DC and window while handles come and go: a call
// on a deleted DC or a destroyed window's DC fails, even when a new DC or window has
// taken the old one's address.
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/raster_surface.h"
#include "platform/window.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

TEST(DcLookup, ADeletedDcStaysDeletedWhateverTakesItsAddress) {
  // Deleting and creating in turn lets the allocator hand the old address out again; the
  // old handle must then be the new DC (as on Windows, where handles are reused) and
  // never the deleted one's state.
  for (int i = 0; i < 64; ++i) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    SetROP2(dc, R2_NOT);
    EXPECT_TRUE(MoveToEx(dc, i, i, nullptr));
    ASSERT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(MoveToEx(dc, 1, 1, nullptr)) << "a call on the deleted DC " << i;
    EXPECT_EQ(GetROP2(dc), 0) << "the deleted DC's state is gone";
    EXPECT_FALSE(DeleteDC(dc)) << "deleted twice";
  }
  // A DC created now may sit where a deleted one was: it starts from the defaults.
  HDC fresh = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetROP2(fresh), R2_COPYPEN);
  POINT p{-1, -1};
  MoveToEx(fresh, 5, 5, &p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  DeleteDC(fresh);
}

TEST(DcLookup, AWindowDestroyedBetweenCallsIsNotDrawnInto) {
  for (int i = 0; i < 32; ++i) {
    HWND w = QarnCreateWindow(nullptr, 8, 8);
    HDC dc = GetDC(w);
    MoveToEx(dc, 0, 1, nullptr);
    ASSERT_TRUE(LineTo(dc, 6, 1)) << "the window is alive";
    EXPECT_EQ(GetPixel(dc, 2, 1), kBlack);
    DestroyWindow(w);
    EXPECT_FALSE(LineTo(dc, 0, 1)) << "the window behind the DC is gone";
    EXPECT_EQ(GetPixel(dc, 2, 1), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    // A new window, perhaps at the old one's address, is white and drawn into by its DC.
    HWND next = QarnCreateWindow(nullptr, 8, 8);
    HDC nextDc = GetDC(next);
    EXPECT_EQ(GetPixel(nextDc, 2, 1), kWhite);
    MoveToEx(nextDc, 0, 3, nullptr);
    EXPECT_TRUE(LineTo(nextDc, 6, 3));
    EXPECT_EQ(GetPixel(nextDc, 2, 3), kBlack);
    ReleaseDC(next, nextDc);
    DestroyWindow(next);
  }
}

}  // namespace
