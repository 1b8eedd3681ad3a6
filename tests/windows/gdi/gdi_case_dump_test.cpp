// The pictures that get compared across implementations must be faithful: each case
// has its own file, and a dumped line or raster operation shows exactly what the shared
// table worked out by hand from GDI's rules.
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
