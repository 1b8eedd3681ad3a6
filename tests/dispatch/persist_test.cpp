#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/prop_exchange.h"
#include "tests/dispatch/test_support.h"

namespace {

void SetNonDefaults(CTestCtrl* c) {
  c->m_shortProp = -300;
  c->m_longProp = 123456;
  c->m_flag = TRUE;
  c->m_scale = 0.125;
  c->m_caption = "Ünïcode ✓";
  c->m_highlight = 0x00123456;
  c->SetBackColor(0x000000FF);
  c->SetForeColor(0x80000012);
  QarnFontDesc f;
  f.name = "DejaVu Sans";
  f.cySize.int64 = 125000;
  f.sWeight = 700;
  f.sCharset = 2;
  f.fItalic = TRUE;
  f.fStrikethrough = TRUE;
  c->SetFontDesc(f);
  c->SetInitialSize(200, 100);
}

// Every persisted value of the control, for comparisons.
std::string StateOf(CTestCtrl* c) {
  char buf[512];
  const QarnFontDesc& f = c->GetFontDesc();
  std::snprintf(buf, sizeof buf, "short=%d long=%d flag=%d scale=%g caption=%s hl=%08X back=%08X fore=%08X "
                "font=%s/%lld/%d/%d/%d/%d/%d ext=%dx%d",
                c->m_shortProp, c->m_longProp, c->m_flag, c->m_scale, c->m_caption.c_str(), c->m_highlight,
                c->GetBackColor(), c->GetForeColor(), f.name.c_str(), static_cast<long long>(f.cySize.int64),
                f.sWeight, f.sCharset, f.fItalic, f.fUnderline, f.fStrikethrough, c->GetExtent().cx,
                c->GetExtent().cy);
  return buf;
}

TEST(PropertyStream, RoundTripRestoresEveryProperty) {
  CtrlPtr src, dst;
  SetNonDefaults(src.p);
  std::vector<BYTE> bytes;
  ASSERT_EQ(QarnSaveToStream(src.p, bytes), S_OK);
  EXPECT_FALSE(src->IsModified()) << "Save clears the dirty flag";
  ASSERT_EQ(QarnLoadFromStream(dst.p, bytes.data(), bytes.size()), S_OK);
  EXPECT_EQ(StateOf(dst.p), StateOf(src.p));
  EXPECT_FALSE(dst->IsModified());
  EXPECT_GE(dst->GetInvalidateCount(), 1u) << "a load repaints";
}

TEST(PropertyStream, OlderDataWithoutDerivedPropertiesTakesDefaults) {
  CtrlPtr old;
  old->m_withCustomProps = false;
  old->SetBackColor(0x00ABCDEF);
  std::vector<BYTE> bytes;
  QarnSaveToStream(old.p, bytes);
  CtrlPtr c;
  SetNonDefaults(c.p);
  ASSERT_EQ(QarnLoadFromStream(c.p, bytes.data(), bytes.size()), S_OK);
  EXPECT_EQ(c->GetBackColor(), 0x00ABCDEFu);
  struct Check {
    const char* name;
    bool ok;
  } checks[] = {{"ShortProp", c->m_shortProp == 7},      {"LongProp", c->m_longProp == 100},
                {"Flag", c->m_flag == FALSE},            {"Scale", c->m_scale == 1.0},
                {"Caption", c->m_caption == "Untitled"}, {"HighlightColor", c->m_highlight == 0x8000000D}};
  for (const Check& k : checks) EXPECT_TRUE(k.ok) << k.name << " must take its default";
  // A control that saved only a back colour: the stored mask, not today's, says what follows.
  const uint32_t backOnly = STOCKPROP_BACKCOLOR;
  std::memcpy(bytes.data() + 16, &backOnly, 4);
  bytes.resize(24);
  CtrlPtr narrow;
  ASSERT_EQ(QarnLoadFromStream(narrow.p, bytes.data(), bytes.size()), S_OK);
  EXPECT_EQ(narrow->GetBackColor(), 0x00ABCDEFu);
}

TEST(PropertyStream, EveryTruncationIsRefusedAndChangesNothing) {
  CtrlPtr src;
  SetNonDefaults(src.p);
  src->m_withCustomProps = true;
  std::vector<BYTE> bytes;
  QarnSaveToStream(src.p, bytes);
  // Boundaries after the stock part are legitimate older data; all others must fail.
  CtrlPtr probe;
  probe->m_withCustomProps = false;
  std::vector<BYTE> stockOnly;
  SetNonDefaults(probe.p);
  QarnSaveToStream(probe.p, stockOnly);
  const size_t stockEnd = stockOnly.size();
  std::vector<size_t> boundaries = {stockEnd, stockEnd + 2, stockEnd + 6, stockEnd + 7, stockEnd + 15};
  std::string caption = src->m_caption.str();
  boundaries.push_back(stockEnd + 15 + 4 + caption.size());
  int refused = 0;
  for (size_t n = 0; n < bytes.size(); ++n) {
    bool boundary = false;
    for (size_t b : boundaries) boundary = boundary || b == n;
    CtrlPtr dst;
    std::string before = StateOf(dst.p);
    HRESULT hr = QarnLoadFromStream(dst.p, bytes.data(), n);
    if (boundary) {
      EXPECT_EQ(hr, S_OK) << "prefix of " << n << " bytes ends at a property boundary";
      continue;
    }
    ++refused;
    EXPECT_EQ(hr, STG_E_READFAULT) << "prefix of " << n << " bytes: expected refusal, got " << std::hex << hr;
    EXPECT_EQ(StateOf(dst.p), before) << "prefix of " << n << " bytes changed the control";
    EXPECT_EQ(dst->GetInvalidateCount(), 0u);
  }
  EXPECT_GT(refused, 40);
}

TEST(PropertyStream, CorruptStreamsAreRefused) {
  CtrlPtr src;
  std::vector<BYTE> good;
  QarnSaveToStream(src.p, good);
  // The stream ends: ... bool(1) double(8) caption(4 + 8 "Untitled") colour(4).
  const size_t captionLen = good.size() - 4 - 12;
  const size_t boolAt = captionLen - 8 - 1;
  struct Case {
    const char* name;
    std::function<void(std::vector<BYTE>&)> mutate;
  } cases[] = {
      {"bad magic", [](auto& b) { b[0] = 'X'; }},
      {"unknown format version", [](auto& b) { b[3] = 2; }},
      {"trailing garbage", [](auto& b) { b.push_back(0); }},
      {"bool byte 2", [&](auto& b) { b[boolAt] = 2; }},
      {"string longer than the stream", [&](auto& b) { b[captionLen] = 200; }},
      {"font flags out of range", [&](auto& b) { b[28] = 8; }},
  };
  for (Case& c : cases) {
    std::vector<BYTE> b = good;
    c.mutate(b);
    CtrlPtr dst;
    dst->m_highlight = 0x7F000000;  // one a load would not keep; a refusal must
    const std::string before = StateOf(dst.p);
    EXPECT_EQ(QarnLoadFromStream(dst.p, b.data(), b.size()), STG_E_READFAULT) << c.name;
    EXPECT_EQ(StateOf(dst.p), before) << c.name;
  }
  {
    std::vector<BYTE> b = good;
    b[boolAt] = 1;
    CtrlPtr dst;
    EXPECT_EQ(QarnLoadFromStream(dst.p, b.data(), b.size()), S_OK) << "the mutation offsets are right";
    EXPECT_EQ(dst->m_flag, TRUE);
  }
  // A huge string length must be refused without allocating it.
  CtrlPtr old;
  old->m_withCustomProps = false;
  std::vector<BYTE> b;
  QarnSaveToStream(old.p, b);
  const BYTE tail[] = {1, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xFF, 0xFF, 0xFF, 0x7F, 'x'};
  b.insert(b.end(), tail, tail + sizeof tail);
  CtrlPtr dst;
  EXPECT_EQ(QarnLoadFromStream(dst.p, b.data(), b.size()), STG_E_READFAULT) << "2 GiB string length";
}

// A control whose saved layout follows a saved value: the dry run, which assigns nothing,
// can pass where the real pass then fails, and the control must come out as it went in.
TEST(PropertyStream, AFailedSecondPassPutsTheControlBack) {
  struct CBranchingCtrl : CTestCtrl {
    LONG extra = 0;
    void DoPropExchange(CPropExchange* pPX) override {
      CTestCtrl::DoPropExchange(pPX);
      if (m_flag) PX_Long(pPX, "Extra", extra, 0);
    }
  };
  CtrlPtr src;  // Flag FALSE: no Extra, yet four bytes follow
  std::vector<BYTE> bytes;
  QarnSaveToStream(src.p, bytes);
  bytes.insert(bytes.end(), 4, 0);
  auto* dst = new CBranchingCtrl();
  SetNonDefaults(dst);  // Flag TRUE: the dry run reads those bytes as Extra
  const std::string before = StateOf(dst);
  EXPECT_EQ(QarnLoadFromStream(dst, bytes.data(), bytes.size()), STG_E_READFAULT);
  EXPECT_EQ(StateOf(dst), before);
  dst->Release();
}

TEST(PropertyStream, AStringOverTheLimitIsSavedCutAtACharacterAndLoadsBack) {
  CtrlPtr src, dst;
  const size_t limit = size_t{1} << 20;
  std::string text(limit - 1, 'a');
  text += "\xC3\xBC tail";  // a two-byte character across the limit
  src->m_caption = CString(text.c_str());
  std::vector<BYTE> bytes;
  QarnSaveToStream(src.p, bytes);
  ASSERT_EQ(QarnLoadFromStream(dst.p, bytes.data(), bytes.size()), S_OK) << "the control's own stream loads";
  EXPECT_EQ(dst->m_caption.str(), std::string(limit - 1, 'a'));
  src->m_caption = CString(std::string(limit, 'b').c_str());
  QarnSaveToStream(src.p, bytes);
  ASSERT_EQ(QarnLoadFromStream(dst.p, bytes.data(), bytes.size()), S_OK) << "a string of just the limit loads";
  EXPECT_EQ(dst->m_caption.GetLength(), static_cast<int>(limit));
}

// Values no save of a well-behaved control holds: each takes its default, whichever
// path it comes by.
TEST(PropertyPersistence, OutOfRangeStockValuesTakeTheirDefaultsOnBothPaths) {
  struct Case {
    const char* what;
    std::function<void(CTestCtrl*)> spoil;
    std::function<bool(CTestCtrl*)> defaulted;
  } cases[] = {
      {"font size of 1.55e13 points", [](CTestCtrl* c) { QarnFontDesc f; f.cySize.int64 = 155000000000000000LL; c->SetFontDesc(f); },
       [](CTestCtrl* c) { return c->GetFontDesc().cySize.int64 == 80000; }},
      {"font size 0", [](CTestCtrl* c) { QarnFontDesc f; f.cySize.int64 = 0; c->SetFontDesc(f); },
       [](CTestCtrl* c) { return c->GetFontDesc().cySize.int64 == 80000; }},
      {"font weight 5000", [](CTestCtrl* c) { QarnFontDesc f; f.sWeight = 5000; c->SetFontDesc(f); },
       [](CTestCtrl* c) { return c->GetFontDesc().sWeight == 400; }},
      {"colour type byte 0x7F", [](CTestCtrl* c) { c->SetBackColor(0x7F000000); },
       [](CTestCtrl* c) { return c->GetBackColor() == 0x80000005u; }},
      {"system colour index 31", [](CTestCtrl* c) { c->SetForeColor(0x8000001F); },
       [](CTestCtrl* c) { return c->GetForeColor() == 0x80000008u; }},
      {"character set 256", [](CTestCtrl* c) { QarnFontDesc f; f.sCharset = 256; c->SetFontDesc(f); },
       [](CTestCtrl* c) { return c->GetFontDesc().sCharset == 0; }},
      // The edges of each range are kept.
      {"PALETTERGB colour kept", [](CTestCtrl* c) { c->SetForeColor(0x02123456); },
       [](CTestCtrl* c) { return c->GetForeColor() == 0x02123456u; }},
      {"weight 0 (any) kept", [](CTestCtrl* c) { QarnFontDesc f; f.sWeight = 0; c->SetFontDesc(f); },
       [](CTestCtrl* c) { return c->GetFontDesc().sWeight == 0; }},
      {"largest size and OEM character set kept",
       [](CTestCtrl* c) { QarnFontDesc f; f.cySize.int64 = kQarnMaxFontSize; f.sCharset = 255; c->SetFontDesc(f); },
       [](CTestCtrl* c) {
         return c->GetFontDesc().cySize.int64 == kQarnMaxFontSize && c->GetFontDesc().sCharset == 255;
       }},
  };
  for (Case& k : cases) {
    CtrlPtr src;
    k.spoil(src.p);
    std::vector<BYTE> bytes;
    QarnSaveToStream(src.p, bytes);
    CQarnPropertyBag bag;
    QarnSaveToBag(src.p, bag);
    CtrlPtr fromStream, fromBag;
    ASSERT_EQ(QarnLoadFromStream(fromStream.p, bytes.data(), bytes.size()), S_OK) << k.what;
    QarnLoadFromBag(fromBag.p, bag);
    EXPECT_TRUE(k.defaulted(fromStream.p)) << k.what << " from a stream";
    EXPECT_TRUE(k.defaulted(fromBag.p)) << k.what << " from a property bag";
  }
  CtrlPtr ok;
  ok->SetBackColor(0x8000001E);
  QarnFontDesc heaviest;
  heaviest.sWeight = 1000;
  ok->SetFontDesc(heaviest);
  std::vector<BYTE> bytes;
  QarnSaveToStream(ok.p, bytes);
  CtrlPtr dst;
  QarnLoadFromStream(dst.p, bytes.data(), bytes.size());
  EXPECT_EQ(dst->GetBackColor(), 0x8000001Eu) << "the last system colour is kept";
  EXPECT_EQ(dst->GetFontDesc().sWeight, 1000) << "the heaviest weight is kept";
}

TEST(PropertyBag, RoundTripAndUnknownNames) {
  CtrlPtr src;
  SetNonDefaults(src.p);
  CQarnPropertyBag bag;
  ASSERT_EQ(QarnSaveToBag(src.p, bag), S_OK);
  CQarnVariant extra = VStr("ignored");
  bag.Write("NoSuchProperty", &extra);
  CtrlPtr dst;
  ASSERT_EQ(QarnLoadFromBag(dst.p, bag), S_OK);
  EXPECT_EQ(StateOf(dst.p), StateOf(src.p));
  CQarnVariant back;
  ASSERT_EQ(bag.Read("backcolor", &back), S_OK) << "bag names ignore case";
  EXPECT_EQ(back.vt, VT_I4) << "colours are longs in a bag";
  CQarnVariant font;
  EXPECT_EQ(bag.Read("Font.Size", &font), S_OK);
  EXPECT_EQ(font.vt, VT_CY);
  CQarnVariant green = VI4(0xFF00);
  bag.Write("BACKCOLOR", &green);  // replaces BackColor: one name, whatever its case
  QarnLoadFromBag(dst.p, bag);
  EXPECT_EQ(dst->GetBackColor(), 0xFF00u);
}

TEST(PropertyBag, ValuesOfOtherTypesAreConvertedOrDefaulted) {
  CQarnPropertyBag bag;
  struct Entry {
    const char* name;
    CQarnVariant value;
  } entries[] = {
      {"ShortProp", VStr("12")},      // converted
      {"LongProp", VStr("lots")},     // unconvertible: default
      {"Flag", VI4(1)},               // nonzero: TRUE
      {"Scale", VStr("2.5")},         // converted
      {"HighlightColor", VR8(2147483666.0)},  // unsigned colour, above LONG
      {"Caption", VI4(77)},           // number to text
  };
  for (Entry& e : entries) bag.Write(e.name, &e.value);
  CtrlPtr c;
  SetNonDefaults(c.p);
  QarnLoadFromBag(c.p, bag);
  EXPECT_EQ(c->m_shortProp, 12);
  EXPECT_EQ(c->m_longProp, 100);
  EXPECT_EQ(c->m_flag, TRUE);
  EXPECT_DOUBLE_EQ(c->m_scale, 2.5);
  EXPECT_EQ(c->m_highlight, 0x80000012u);
  EXPECT_EQ(c->m_caption, "77");
  EXPECT_EQ(c->GetBackColor(), 0x80000005u) << "missing: default";
  EXPECT_EQ(c->GetFontDesc(), QarnFontDesc()) << "missing font: default";
}

TEST(ResetState, EveryPropertyReturnsToItsDefault) {
  CtrlPtr c, fresh;
  QarnInitNew(fresh.p);
  SetNonDefaults(c.p);
  ASSERT_EQ(QarnInitNew(c.p), S_OK);
  EXPECT_EQ(StateOf(c.p), StateOf(fresh.p));
}

}  // namespace
