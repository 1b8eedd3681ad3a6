// The listing must show what a client binds to (names, DISPIDs, parameter names and
// flags), and must read a 32-bit module's embedded library as it reads the .tlb.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "typelib_listing.h"

namespace {

std::wstring NextToProgram(const wchar_t* file) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring path(buf, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

class TypelibListing : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
  std::vector<std::string> List(const wchar_t* file) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(typelib::ListTypeLibrary(NextToProgram(file), &lines, &error)) << error;
    return lines;
  }
};

// The first listed line starting with `prefix`, or "" when there is none.
std::string Find(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0) return l;
  return "";
}

TEST_F(TypelibListing, ShowsMembersWithIdsKindsAndParameterNames) {
  std::vector<std::string> lines = List(L"typelib_sample.tlb");
  struct Case {
    const char* prefix;
    const char* expected;
  } cases[] = {
      {"library ", "library QarnSampleLib {6B1F0A10-3C2D-4E5F-8A9B-0C1D2E3F4A50} version=1.0 lcid=0 flags=0xa "
                   "help=\"qarn typelib sample\""},
      {"type _DSample ", "type _DSample dispinterface {6B1F0A11-3C2D-4E5F-8A9B-0C1D2E3F4A50} flags=0x1000 funcs=5 "
                         "vars=3 impls=1 version=0.0 help=\"Dispatch interface of the sample\""},
      {"  func drawPolygon ", "  func drawPolygon memid=0x8 method funckind=4 flags=0x0 returns=void optional=0 ()"},
      {"  func saveEdit ", "  func saveEdit memid=0xa method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()"},
      {"  func setBasePoint ", "  func setBasePoint memid=0x16 method funckind=4 flags=0x0 returns=void optional=0 "
                               "(double BaseX pflags=0x0, double BaseY pflags=0x0, double BaseZ pflags=0x0)"},
      {"  func rings memid=0x15 propget", "  func rings memid=0x15 propget funckind=4 flags=0x0 returns=long optional=0 ()"},
      {"  func rings memid=0x15 propput", "  func rings memid=0x15 propput funckind=4 flags=0x0 returns=void optional=0 "
                                          "(long <unnamed> pflags=0x1)"},
      {"  var penColor ", "  var penColor memid=0x1 varkind=3 flags=0x0 type=OLE_COLOR"},
      {"  var NoSnapKey ", "  var NoSnapKey memid=0xf varkind=3 flags=0x0 type=short"},
      {"  var FormatPolylineParams ", "  var FormatPolylineParams memid=0x11 varkind=3 flags=0x0 type=BSTR"},
      {"  func Snap ", "  func Snap memid=0x3 method funckind=4 flags=0x0 returns=void optional=0 "
                       "(double* x pflags=0x0, double* y pflags=0x0)"},
      {"  implements _DSampleEvents ", "  implements _DSampleEvents implflags=0x3"},
      {"  implements _DSample ", "  implements _DSample implflags=0x1"},
  };
  for (const Case& c : cases) {
    std::string got = Find(lines, c.prefix);
    EXPECT_EQ(got, c.expected) << "expected \"" << c.expected << "\", got \"" << got << "\"";
  }
}

TEST_F(TypelibListing, PointerSizeDetailsAreKeptApartFromTheComparableLines) {
  std::vector<std::string> lines = List(L"typelib_sample.tlb");
  EXPECT_EQ(Find(lines, "# syskind="), "# syskind=win64");
  std::vector<std::string> comparable = typelib::ComparableLines(lines);
  EXPECT_LT(comparable.size(), lines.size());
  for (const std::string& l : comparable) EXPECT_EQ(l.find("oVft"), std::string::npos) << l;
}

TEST_F(TypelibListing, ReportsAFileWithoutALibrary) {
  std::vector<std::string> lines;
  std::string error;
  EXPECT_FALSE(typelib::ListTypeLibrary(NextToProgram(L"no_such_library.tlb"), &lines, &error));
  EXPECT_NE(error.find("LoadTypeLibEx failed"), std::string::npos) << error;
  EXPECT_TRUE(lines.empty());
}

// The 32-bit module check relies on this: the 64-bit runtime reads the TYPELIB
// resource of a 32-bit module file.
TEST_F(TypelibListing, ReadsTheLibraryEmbeddedInA32BitModule) {
  if (GetFileAttributesW(NextToProgram(L"typelib_sample32.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "typelib_sample32.dll not built (no i686 MinGW tools)";
  std::vector<std::string> fromTlb = List(L"typelib_sample.tlb");
  std::vector<std::string> fromModule = List(L"typelib_sample32.dll");
  EXPECT_EQ(typelib::ComparableLines(fromModule), typelib::ComparableLines(fromTlb));
}

}  // namespace
