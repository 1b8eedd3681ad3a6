// The listing keeps pointer-size details apart and must read a 32-bit module's embedded
// library as it reads the .tlb. What it shows of a client's bindings is checked on the
// control's own library (control/typelib_test.cpp).
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
