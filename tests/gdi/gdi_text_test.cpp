// Text: placement by text alignment, colours, background, clipping and metrics.
#include <algorithm>
#include <string>

#include "gdi_cases.h"

namespace gditest {
namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool Empty() const { return right < left; }
};

Box InkBox(const Canvas& canvas, COLORREF background) {
  Box b;
  for (const Pixel& p : canvas.Inked(background)) {
    b.left = std::min(b.left, p.first);
    b.right = std::max(b.right, p.first);
    b.top = std::min(b.top, p.second);
    b.bottom = std::max(b.bottom, p.second);
  }
  return b;
}

class FontScope {
 public:
  FontScope(HDC dc, LONG height) : m_dc(dc) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    m_font = CreateFontIndirectA(&lf);
    m_old = SelectObject(dc, m_font);
  }
  ~FontScope() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_font);
  }
  HFONT font() const { return m_font; }

 private:
  HDC m_dc;
  HFONT m_font;
  HGDIOBJ m_old;
};

TEST(GdiText, HorizontalAlignmentPlacesTheInk) {
  const char* text = "Hello, Wide";
  for (const TextAlignCase& c : TextAlignCases()) {
    Canvas canvas(200, 40);
    FontScope font(canvas.dc(), -16);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextAlign(canvas.dc(), c.align);
    ASSERT_TRUE(ExtTextOutA(canvas.dc(), c.x, 10, 0, NULL, text, 11, NULL)) << c.name;
    SIZE extent{};
    GetTextExtentPoint32A(canvas.dc(), text, 11, &extent);
    Box ink = InkBox(canvas, kWhite);
    ASSERT_FALSE(ink.Empty()) << c.name << ": no ink";
    double inkCentre = (ink.left + ink.right + 1) / 2.0;
    double expectedCentre = (c.align & TA_CENTER) == TA_CENTER ? c.x
                            : (c.align & TA_RIGHT)           ? c.x - extent.cx / 2.0
                                                             : c.x + extent.cx / 2.0;
    EXPECT_NEAR(inkCentre, expectedCentre, 2.0)
        << c.name << ": expected ink centred near " << expectedCentre << ", got " << inkCentre << " (ink "
        << ink.left << ".." << ink.right << ")";
    if ((c.align & TA_CENTER) == TA_LEFT) {
      EXPECT_GE(ink.left, c.x) << c.name << ": ink starts left of x";
    }
    if ((c.align & TA_CENTER) == TA_RIGHT) {
      EXPECT_LT(ink.right, c.x) << c.name << ": ink reaches past x";
    }
    if (::testing::Test::HasFailure()) canvas.Save(std::string("text align ") + c.name);
  }
}

TEST(GdiText, VerticalAlignmentUsesAscentAndDescent) {
  struct Case {
    const char* name;
    UINT align;
  } cases[] = {{"top", TA_TOP}, {"baseline", TA_BASELINE}, {"bottom", TA_BOTTOM}};
  for (const Case& c : cases) {
    Canvas canvas(100, 80);
    FontScope font(canvas.dc(), -20);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextAlign(canvas.dc(), TA_LEFT | c.align);
    const int y = 40;
    TextOutA(canvas.dc(), 10, y, "HH", 2);  // flat-bottomed capitals sit on the baseline
    Box ink = InkBox(canvas, kWhite);
    int baseline = c.align == TA_TOP ? y + tm.tmAscent : c.align == TA_BOTTOM ? y - tm.tmDescent : y;
    EXPECT_EQ(ink.bottom, baseline - 1) << c.name << ": expected the capitals' last row just above baseline "
                                        << baseline << ", got " << ink.bottom;
    EXPECT_GE(ink.top, baseline - tm.tmAscent) << c.name << ": ink above the cell";
  }
}

TEST(GdiText, InkIsTheTextColourBlendedOverTheBackground) {
  Canvas canvas(120, 30);
  FontScope font(canvas.dc(), -18);
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetBkColor(canvas.dc(), kBlue);  // must not show: the mode is transparent
  SetTextColor(canvas.dc(), kRed);
  TextOutA(canvas.dc(), 4, 4, "Illinois", 8);
  int solid = 0, wrong = 0;
  std::string firstWrong;
  for (const Pixel& p : canvas.Inked(kWhite)) {
    COLORREF c = canvas.At(p.first, p.second);
    if (c == kRed) ++solid;
    // Between white and red: red stays full, green and blue fall together.
    if (GetRValue(c) != 255 || GetGValue(c) != GetBValue(c)) {
      if (!wrong++) firstWrong = Hex(c);
    }
  }
  EXPECT_GT(solid, 10) << "expected stems drawn in exactly the text colour, got " << solid << " such pixels";
  EXPECT_EQ(wrong, 0) << "expected only blends of white and red, got " << wrong << " others, first " << firstWrong;
}

TEST(GdiText, OpaqueModeFillsTheCellWithBackgroundColour) {
  Canvas canvas(120, 40);
  FontScope font(canvas.dc(), -16);
  TEXTMETRICA tm{};
  GetTextMetricsA(canvas.dc(), &tm);
  SetBkMode(canvas.dc(), OPAQUE);
  SetBkColor(canvas.dc(), kBlue);
  SetTextColor(canvas.dc(), kRed);
  const int x = 10, y = 5;
  TextOutA(canvas.dc(), x, y, "ab", 2);
  SIZE extent{};
  GetTextExtentPoint32A(canvas.dc(), "ab", 2, &extent);
  struct Probe {
    int x, y;
    COLORREF expected;
  } probes[] = {{x, y, kBlue},
                {x + extent.cx - 1, y + tm.tmHeight - 1, kBlue},
                {x + extent.cx, y, kWhite},
                {x, y + tm.tmHeight, kWhite},
                {x - 1, y, kWhite},
                {x, y - 1, kWhite}};
  for (const Probe& p : probes)
    EXPECT_EQ(canvas.At(p.x, p.y), p.expected)
        << "(" << p.x << "," << p.y << "): expected " << Hex(p.expected) << ", got " << Hex(canvas.At(p.x, p.y));
}

TEST(GdiText, ClippedOptionKeepsInkInsideTheRectangle) {
  Canvas canvas(160, 40);
  FontScope font(canvas.dc(), -24);
  SetBkMode(canvas.dc(), OPAQUE);
  SetBkColor(canvas.dc(), kBlue);
  RECT clip{20, 8, 60, 22};
  ExtTextOutA(canvas.dc(), 10, 2, ETO_CLIPPED, &clip, "WWWWWW", 6, NULL);
  std::set<Pixel> inked = canvas.Inked(kWhite);
  EXPECT_FALSE(inked.empty()) << "expected some text inside the clip rectangle";
  for (const Pixel& p : inked)
    if (p.first < clip.left || p.first >= clip.right || p.second < clip.top || p.second >= clip.bottom) {
      ADD_FAILURE() << "expected nothing outside " << clip.left << "," << clip.top << "-" << clip.right << ","
                    << clip.bottom << ", got a pixel at (" << p.first << "," << p.second << ")";
      canvas.Save("text clipped");
      break;
    }
  // Without ETO_CLIPPED the rectangle clips nothing.
  canvas.Clear(kWhite);
  ExtTextOutA(canvas.dc(), 10, 2, 0, &clip, "WWWWWW", 6, NULL);
  EXPECT_LT(canvas.Inked(kWhite).begin()->first, clip.left);
}

// A container's underlined or struck-out font draws a line across the text, even when
// a plain font of the same size was drawn with first.
TEST(GdiText, UnderlineAndStrikeOutDrawALineAcrossTheText) {
  for (bool strike : {false, true}) {
    Canvas plain(60, 30), styled(60, 30);
    FontScope font(plain.dc(), -20);
    ExtTextOutA(plain.dc(), 2, 2, 0, NULL, "ii", 2, NULL);
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = static_cast<BYTE>(!strike);
    lf.lfStrikeOut = static_cast<BYTE>(strike);
    lf.lfCharSet = ANSI_CHARSET;
    HFONT f = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(styled.dc(), f);
    ExtTextOutA(styled.dc(), 2, 2, 0, NULL, "ii", 2, NULL);
    SIZE extent{};
    GetTextExtentPoint32A(styled.dc(), "ii", 2, &extent);
    EXPECT_GE(styled.Inked(kWhite).size(), plain.Inked(kWhite).size() + extent.cx / 2) << "strike " << strike;
    SelectObject(styled.dc(), old);
    DeleteObject(f);
  }
}

TEST(GdiText, OpaqueOptionWithNoTextFillsTheRectangle) {
  Canvas canvas(20, 20);
  SetBkColor(canvas.dc(), kBlue);
  SetBkMode(canvas.dc(), TRANSPARENT);  // ETO_OPAQUE does not depend on the mode
  RECT r{3, 4, 9, 12};
  EXPECT_TRUE(ExtTextOutA(canvas.dc(), 0, 0, ETO_OPAQUE, &r, NULL, 0, NULL));
  std::set<Pixel> expected;
  for (int y = 4; y < 12; ++y)
    for (int x = 3; x < 9; ++x) expected.insert({x, y});
  ExpectInked(canvas, kWhite, expected, "eto opaque");
  EXPECT_EQ(canvas.At(3, 4), kBlue);
}

TEST(GdiText, SpacingArrayPlacesEachCharacter) {
  Canvas canvas(200, 30);
  FontScope font(canvas.dc(), -16);
  SetBkMode(canvas.dc(), TRANSPARENT);
  INT dx[] = {40, 40, 40};
  ExtTextOutA(canvas.dc(), 10, 5, 0, NULL, "lll", 3, dx);
  // Each 'l' is a narrow stem; there must be ink near 10, 50 and 90 and none far between.
  for (int cell = 0; cell < 3; ++cell) {
    bool ink = false;
    for (int x = 10 + cell * 40; x < 10 + cell * 40 + 8; ++x)
      for (int y = 0; y < 30; ++y) ink |= canvas.At(x, y) != kWhite;
    EXPECT_TRUE(ink) << "expected a character at x " << 10 + cell * 40;
    for (int x = 10 + cell * 40 + 12; x < 10 + cell * 40 + 36; ++x)
      for (int y = 0; y < 30; ++y)
        ASSERT_EQ(canvas.At(x, y), kWhite) << "expected a gap at x " << x;
  }
}

// The cases run from small to big within each sign: each font is taller and its text
// wider than the one before.
TEST(GdiTextMetrics, HeightsMapAsWindowsMapsThem) {
  LONG previousHeight[2] = {0, 0}, previousWidth[2] = {0, 0};
  for (const FontHeightCase& c : FontHeightCases()) {
    Canvas canvas(4, 4);
    FontScope font(canvas.dc(), c.lfHeight);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm)) << c.name;
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent) << c.name;
    if (c.lfHeight < 0)
      EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.lfHeight)
          << c.name << ": expected character height " << -c.lfHeight << ", got " << tm.tmHeight - tm.tmInternalLeading;
    else
      EXPECT_EQ(tm.tmHeight, c.lfHeight) << c.name << ": expected cell height " << c.lfHeight << ", got " << tm.tmHeight;
    EXPECT_GT(tm.tmAveCharWidth, 0) << c.name;
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth) << c.name;
    EXPECT_GE(tm.tmExternalLeading, 0) << c.name;
    SIZE one{}, two{};
    GetTextExtentPoint32A(canvas.dc(), "M", 1, &one);
    GetTextExtentPoint32A(canvas.dc(), "MM", 2, &two);
    EXPECT_EQ(one.cy, tm.tmHeight) << c.name << ": extent height";
    EXPECT_EQ(two.cx, 2 * one.cx) << c.name << ": expected two M twice as wide as one, got " << two.cx << " vs "
                                  << one.cx;
    SIZE sample{};
    GetTextExtentPoint32A(canvas.dc(), "Sample text", 11, &sample);
    const int sign = c.lfHeight < 0;
    EXPECT_GT(tm.tmHeight, previousHeight[sign]) << c.name;
    EXPECT_GT(sample.cx, previousWidth[sign]) << c.name;
    previousHeight[sign] = tm.tmHeight;
    previousWidth[sign] = sample.cx;
  }
}

}  // namespace
}  // namespace gditest
