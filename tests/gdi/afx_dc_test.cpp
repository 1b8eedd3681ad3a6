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

TEST(AfxDc, DrawsThroughTheApiAndReturnsPreviousValues) {
  gditest::Canvas canvas(40, 20);
  CDC dc;
  dc.Attach(canvas.dc());

  CBrush green(RGB(0, 200, 0));
  dc.FillRect(CRect(2, 2, 10, 10), &green);
  EXPECT_EQ(canvas.At(2, 2), RGB(0, 200, 0));
  EXPECT_EQ(canvas.At(9, 9), RGB(0, 200, 0));
  EXPECT_EQ(canvas.At(10, 10), RGB(255, 255, 255)) << "right and bottom edges left out";

  EXPECT_EQ(dc.SetBkColor(RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(dc.SetBkColor(RGB(255, 255, 255)), RGB(1, 2, 3));
  EXPECT_EQ(dc.SetTextColor(RGB(200, 0, 0)), RGB(0, 0, 0));
  EXPECT_EQ(dc.SetTextAlign(TA_CENTER), static_cast<UINT>(TA_LEFT));
  EXPECT_EQ(dc.SetTextAlign(TA_LEFT | TA_TOP), static_cast<UINT>(TA_CENTER));

  CFont font;
  LOGFONT lf{};
  lf.lfHeight = -14;
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  CFont* oldFont = dc.SelectObject(&font);
  ASSERT_NE(oldFont, nullptr);
  EXPECT_NE(oldFont->m_hObject, font.m_hObject);

  // The options and the rectangle reach the API: ink lands inside the rectangle only.
  const CRect clip(20, 0, 26, 20);
  EXPECT_TRUE(dc.ExtTextOut(20, 0, ETO_CLIPPED, clip, CString("WW"), nullptr));
  int inside = 0;
  for (const gditest::Pixel& p : canvas.Inked(RGB(255, 255, 255))) {
    if (p.first < 12) continue;  // the filled square
    EXPECT_TRUE(p.first >= clip.left && p.first < clip.right) << p.first << "," << p.second;
    ++inside;
  }
  EXPECT_GT(inside, 0) << "no text drawn";

  CFont* back = dc.SelectObject(oldFont);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_hObject, font.m_hObject) << "selecting the old font hands back ours";
  EXPECT_EQ(dc.SelectObject(&font), oldFont) << "one wrapper per foreign handle";
  dc.SelectObject(oldFont);

  dc.Detach();  // the canvas deletes its own DC
}

TEST(AfxDc, AttributeSettersReachBothDcsAndAnswerFromTheAttributeDc) {
  gditest::Canvas output(4, 4), attributes(4, 4);
  SetTextColor(output.dc(), RGB(1, 1, 1));
  SetTextColor(attributes.dc(), RGB(2, 2, 2));
  CDC dc;
  dc.Attach(output.dc());
  dc.m_hAttribDC = attributes.dc();
  EXPECT_EQ(dc.SetTextColor(RGB(3, 3, 3)), RGB(2, 2, 2));
  EXPECT_EQ(SetTextColor(output.dc(), 0), RGB(3, 3, 3));
  EXPECT_EQ(SetTextColor(attributes.dc(), 0), RGB(3, 3, 3));
  dc.Detach();
}

TEST(AfxDc, DestructorDeletesTheDcUnlessDetached) {
  HDC hdc = CreateCompatibleDC(nullptr);
  {
    CDC dc;
    dc.Attach(hdc);
    EXPECT_EQ(dc.GetSafeHdc(), hdc);
    EXPECT_EQ(dc.Detach(), hdc);
  }
  EXPECT_EQ(GetROP2(hdc), R2_COPYPEN) << "a detached DC survives its wrapper";
  {
    CDC dc;
    dc.Attach(hdc);
  }
  EXPECT_EQ(GetROP2(hdc), 0) << "expected the wrapper to delete its DC";
}

TEST(AfxGdiObject, DeletesItsHandleOnDestruction) {
  int before = QarnLiveGdiObjectCount();
  {
    CBrush brush(RGB(4, 5, 6));
    CFont font;
    LOGFONT lf{};
    lf.lfHeight = -12;
    EXPECT_TRUE(font.CreateFontIndirect(&lf));
    EXPECT_EQ(QarnLiveGdiObjectCount(), before + 2);
  }
  EXPECT_EQ(QarnLiveGdiObjectCount(), before);
}

}  // namespace
