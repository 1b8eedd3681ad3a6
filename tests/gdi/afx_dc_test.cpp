// The framework wrappers: CRect arithmetic and CDC drawing through the API.
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/afx_dc.h"
#include "gdi_canvas.h"

namespace {

TEST(AfxRect, GeometryTable) {
  struct Case {
    const char* name;
    CRect rect;
    int width, height;
    CPoint centre;
    bool empty;
  } cases[] = {
      {"ordinary", CRect(2, 3, 12, 9), 10, 6, CPoint(7, 6), false},
      {"odd size", CRect(0, 0, 5, 3), 5, 3, CPoint(2, 1), false},
      {"empty", CRect(4, 4, 4, 9), 0, 5, CPoint(4, 6), true},
      {"inverted", CRect(9, 9, 1, 1), -8, -8, CPoint(5, 5), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.rect.Width(), c.width) << c.name;
    EXPECT_EQ(c.rect.Height(), c.height) << c.name;
    EXPECT_EQ(c.rect.CenterPoint(), c.centre) << c.name;
    EXPECT_EQ(c.rect.IsRectEmpty(), c.empty) << c.name;
  }
}

TEST(AfxRect, EditsAndSetOperations) {
  CRect r(10, 10, 20, 20);
  r.InflateRect(2, 3);
  EXPECT_EQ(r, CRect(8, 7, 22, 23));
  r.OffsetRect(-8, -7);
  EXPECT_EQ(r, CRect(0, 0, 14, 16));
  EXPECT_EQ(r.TopLeft(), CPoint(0, 0));
  EXPECT_EQ(r.BottomRight(), CPoint(14, 16));
  EXPECT_TRUE(r.PtInRect(CPoint(13, 15)));
  EXPECT_FALSE(r.PtInRect(CPoint(14, 15))) << "the right edge is outside";
  CRect i;
  EXPECT_TRUE(i.IntersectRect(CRect(0, 0, 10, 10), CRect(5, 5, 15, 15)));
  EXPECT_EQ(i, CRect(5, 5, 10, 10));
  EXPECT_FALSE(i.IntersectRect(CRect(0, 0, 5, 5), CRect(5, 5, 9, 9)));
  EXPECT_TRUE(i.IsRectNull());
  CRect u;
  EXPECT_TRUE(u.UnionRect(CRect(0, 0, 2, 2), CRect(5, 6, 7, 8)));
  EXPECT_EQ(u, CRect(0, 0, 7, 8));
  CRect n(9, 8, 1, 2);
  n.NormalizeRect();
  EXPECT_EQ(n, CRect(1, 2, 9, 8));
  EXPECT_EQ(CPoint(5, 5) - CPoint(2, 1), CSize(3, 4));
}

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
  EXPECT_EQ(before, CPoint(0, 0));
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
