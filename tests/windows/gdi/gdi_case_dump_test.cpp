// The pictures that get compared across implementations must be faithful: each case
// has its own file, the text form reads back unchanged, and a dumped line shows
// exactly the pixels the shared table expects.
#include <map>
#include <set>

#include "gdi_case_dump.h"
#include "gdi_cases.h"

namespace gditest {
namespace {

TEST(GdiCaseDump, EveryCaseHasItsOwnFileName) {
  std::map<std::string, std::string> seen;
  for (const DumpedCase& c : DrawAllCases()) {
    std::string file = DumpFileName(c.name);
    auto [it, fresh] = seen.emplace(file, c.name);
    EXPECT_TRUE(fresh) << "cases '" << it->second << "' and '" << c.name << "' both write " << file;
  }
}

TEST(GdiCaseDump, FileNamesKeepOnlyPortableCharacters) {
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {{"line slope 3/7", "line_slope_3-7"},
               {"arc quarter top-left", "arc_quarter_top-left"},
               {"ellipse 3x9", "ellipse_3x9"},
               {"a:b*c?", "abc"}};
  for (const Case& c : cases)
    EXPECT_EQ(DumpFileName(c.name), c.expected) << c.name << ": expected " << c.expected << ", got " << DumpFileName(c.name);
}

TEST(GdiCaseDump, TextFormReadsBackUnchanged) {
  DumpedCase c;
  c.name = "rop xor";
  c.width = 3;
  c.height = 2;
  c.picture = {"p.f", "#kb"};
  c.notes = {"pixel 2 0 0xE23B65"};
  DumpedCase back;
  ASSERT_TRUE(ParseDump(FormatDump(c), &back)) << FormatDump(c);
  EXPECT_EQ(back.name, c.name);
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.picture, c.picture);
  EXPECT_EQ(back.notes, c.notes);
}

TEST(GdiCaseDump, RejectsPicturesThatDoNotMatchTheirSize) {
  const char* bad[] = {
      "case a\nsize 3 2\nrow ...\n",          // one row short
      "case a\nsize 3 1\nrow ....\n",         // row too long
      "size 1 1\nrow .\n",                    // no name
      "case a\nsize x 1\nrow .\n",            // size unreadable
  };
  for (const char* text : bad) {
    DumpedCase out;
    EXPECT_FALSE(ParseDump(text, &out)) << "expected a rejection of:\n" << text;
  }
}

TEST(GdiCaseDump, LinePicturesShowTheTablesPixels) {
  std::map<std::string, const LineCase*> byName;
  for (const LineCase& c : LineCases()) byName[std::string("line ") + c.name] = &c;
  int checked = 0;
  for (const DumpedCase& d : DrawAllCases()) {
    auto it = byName.find(d.name);
    if (it == byName.end()) continue;
    std::set<Pixel> got;
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x)
        if (d.picture[y][x] != '.') got.insert({x, y});
    EXPECT_EQ(got, it->second->lit) << d.name << ": expected " << Describe(it->second->lit) << ", got " << Describe(got);
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(LineCases().size())) << "expected a picture for every line case";
}

TEST(GdiCaseDump, RopNotesCarryTheExactColour) {
  std::map<std::string, COLORREF> expected;
  for (const RopCase& c : RopCases()) expected[std::string("rop ") + c.name] = c.expected;
  for (const DumpedCase& d : DrawAllCases()) {
    auto it = expected.find(d.name);
    if (it == expected.end()) continue;
    ASSERT_EQ(d.notes.size(), 1u) << d.name;
    EXPECT_EQ(d.notes[0], "pixel 2 0 " + Hex(it->second)) << d.name;
  }
}

}  // namespace
}  // namespace gditest
