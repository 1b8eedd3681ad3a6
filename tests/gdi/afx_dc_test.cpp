// The framework wrappers: CDC drawing through the API and the GDI objects it selects.
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/afx_dc.h"
#include "gdi_canvas.h"

namespace {

TEST(AfxDc, HandlesComeFirstAfterTheVtable) {
  // Code compiled against MFC reaches m_hDC and m_hAttribDC by offset.
  CDC dc;
  auto base = reinterpret_cast<const char*>(&dc);
  EXPECT_EQ(reinterpret_cast<const char*>(&dc.m_hDC) - base, static_cast<std::ptrdiff_t>(sizeof(void*)));
  EXPECT_EQ(reinterpret_cast<const char*>(&dc.m_hAttribDC) - base, static_cast<std::ptrdiff_t>(2 * sizeof(void*)));
}

TEST(AfxDc, DrawsThroughTheApiAndReturnsPreviousObjects) {
  gditest::Canvas canvas(40, 20);
  CDC dc;
  dc.Attach(canvas.dc());
  dc.FillSolidRect(0, 0, 40, 20, RGB(255, 255, 255));
  EXPECT_EQ(dc.GetBkColor(), RGB(255, 255, 255)) << "FillSolidRect leaves the background colour set";

  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen* oldPen = dc.SelectObject(&red);
  ASSERT_NE(oldPen, nullptr);
  EXPECT_EQ(oldPen->m_hObject, GetStockObject(BLACK_PEN));
  CPoint before = dc.MoveTo(2, 2);
  EXPECT_EQ(before.x, 0);
  EXPECT_EQ(before.y, 0);
  dc.LineTo(10, 2);
  EXPECT_EQ(dc.GetPixel(9, 2), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(10, 2), RGB(255, 255, 255)) << "end pixel left out";

  CBrush green(RGB(0, 200, 0));
  CBrush* oldBrush = dc.SelectObject(&green);
  dc.Ellipse(CRect(12, 2, 30, 18));
  EXPECT_EQ(dc.GetPixel(21, 10), RGB(0, 200, 0));
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);

  EXPECT_EQ(dc.SetROP2(R2_XORPEN), R2_COPYPEN);
  EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
  EXPECT_EQ(dc.SetTextAlign(TA_CENTER), static_cast<UINT>(TA_LEFT));
  dc.SetROP2(R2_COPYPEN);
  TEXTMETRIC tm{};
  EXPECT_TRUE(dc.GetTextMetrics(&tm));
  CString text("ab");
  EXPECT_TRUE(dc.ExtTextOut(20, 0, 0, nullptr, text, nullptr));
  EXPECT_GT(dc.GetTextExtent(text).cx, 0);

  dc.Detach();  // the canvas deletes its own DC
}

TEST(AfxDc, DestructorDeletesTheDcUnlessDetached) {
  HDC kept;
  {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    kept = dc.Detach();
  }
  EXPECT_EQ(GetROP2(kept), R2_COPYPEN) << "a detached DC survives its wrapper";
  HDC owned;
  {
    CDC dc;
    dc.Attach(kept);
    owned = dc.GetSafeHdc();
  }
  EXPECT_EQ(GetROP2(owned), 0) << "expected the wrapper to delete its DC";
}

TEST(AfxGdiObject, DeletesItsHandleOnDestruction) {
  int before = QarnLiveGdiObjectCount();
  {
    CPen pen(PS_DOT, 1, RGB(1, 2, 3));
    CBrush brush(RGB(4, 5, 6));
    CFont font;
    LOGFONT lf{};
    lf.lfHeight = -12;
    EXPECT_TRUE(font.CreateFontIndirect(&lf));
    EXPECT_EQ(QarnLiveGdiObjectCount(), before + 3);
  }
  EXPECT_EQ(QarnLiveGdiObjectCount(), before);
}

}  // namespace
