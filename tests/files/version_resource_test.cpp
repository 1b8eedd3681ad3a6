#include "platform/version_resource.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "refhost/pe_image_writer.h"
#include "tests/files/test_support.h"

using qarn_test::ScratchFolder;

namespace {

VersionInfoSpec QarnSpec() {
  VersionInfoSpec spec;
  spec.fileVersion[0] = 3;
  spec.fileVersion[3] = 37;
  spec.productVersion[0] = 3;
  spec.productVersion[3] = 37;
  spec.fileType = VFT_DLL;
  spec.strings = {{"CompanyName", "Qarn"},
                  {"FileDescription", "Geometry editing control"},
                  {"FileVersion", "3.0.0.37"},
                  {"ProductName", "Qärn™ edit 😀"},
                  {"Comments", ""},
                  {"Zone", "\U0010FFFD"}};  // a Z to fold, the last high surrogate
  return spec;
}

// The buffer GetFileVersionInfoA fills for a file, sized as GetFileVersionInfoSizeA says.
std::vector<uint8_t> LoadInfo(const std::string& path) {
  DWORD handle = 99;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u) << "expected the handle set to 0, got " << handle;
  if (size == 0) return {};
  std::vector<uint8_t> data(size);
  EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  return data;
}

std::string WriteImage(const std::string& dir, const char* name, const std::vector<uint8_t>& image) {
  std::string path = dir + "/" + name;
  EXPECT_TRUE(WriteBytesToFile(path.c_str(), image));
  return path;
}

TEST(VersionInfo, RoundTripThroughAWrittenDll) {
  std::string path = WriteImage(ScratchFolder(), "qarnocx.dll", BuildVersionedPeImage(QarnSpec()));
  std::vector<uint8_t> info = LoadInfo(path);
  ASSERT_FALSE(info.empty()) << "expected version info in the written DLL";
  size_t raw = BuildVersionInfoBlock(QarnSpec()).size();
  EXPECT_GT(info.size(), raw) << "expected room beyond the raw " << raw << " bytes, got " << info.size();

  void* value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &len));
  ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  struct Field {
    const char* name;
    DWORD expected, got;
  };
  const Field fields[] = {{"dwSignature", 0xFEEF04BDu, fixed.dwSignature},
                          {"dwStrucVersion", 0x00010000u, fixed.dwStrucVersion},
                          {"dwFileVersionMS", 0x00030000u, fixed.dwFileVersionMS},
                          {"dwFileVersionLS", 0x00000025u, fixed.dwFileVersionLS},
                          {"dwProductVersionMS", 0x00030000u, fixed.dwProductVersionMS},
                          {"dwProductVersionLS", 0x00000025u, fixed.dwProductVersionLS},
                          {"dwFileOS", 0x00040004u, fixed.dwFileOS},
                          {"dwFileType", 2u, fixed.dwFileType}};
  for (const Field& f : fields)
    EXPECT_EQ(f.got, f.expected) << f.name << ": expected 0x" << std::hex << f.expected << ", got 0x" << f.got;

  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &len));
  ASSERT_EQ(len, 4u);
  const uint8_t* t = static_cast<const uint8_t*>(value);
  EXPECT_EQ(t[0] | (t[1] << 8), 0x0409);
  EXPECT_EQ(t[2] | (t[3] << 8), 1200);
}

struct QueryCase {
  const char* path;
  bool found;
  const char* text;  // expected UTF-8 text for string values
};

TEST(VersionInfo, StringQueries) {
  const std::vector<QueryCase> cases = {
      {"\\StringFileInfo\\040904b0\\CompanyName", true, "Qarn"},
      {"\\StringFileInfo\\040904b0\\FileVersion", true, "3.0.0.37"},
      {"\\StringFileInfo\\040904b0\\FileDescription", true, "Geometry editing control"},
      {"\\StringFileInfo\\040904b0\\ProductName", true, "Qärn™ edit 😀"},
      {"\\StringFileInfo\\040904B0\\companyname", true, "Qarn"},
      {"StringFileInfo\\040904b0\\CompanyName", true, "Qarn"},
      {"\\\\StringFileInfo\\\\040904b0\\\\CompanyName\\", true, "Qarn"},
      {"\\StringFileInfo\\040904b0\\Comments", true, ""},
      {"\\StringFileInfo\\040904b0\\zone", true, "\U0010FFFD"},
      {"\\StringFileInfo\\040904e4\\CompanyName", false, nullptr},
      {"\\StringFileInfo\\040904b0\\Missing", false, nullptr},
      {"\\StringFileInfo\\040904b0\\CompanyNam", false, nullptr},
      {"\\NoSuchBlock", false, nullptr},
  };
  std::vector<uint8_t> info = LoadInfo(WriteImage(ScratchFolder(), "q.dll", BuildVersionedPeImage(QarnSpec())));
  ASSERT_FALSE(info.empty());
  for (int round = 0; round < 2; ++round) {  // asking twice must give the same answer
    for (const QueryCase& c : cases) {
      void* value = nullptr;
      UINT len = 0;
      BOOL ok = VerQueryValueA(info.data(), c.path, &value, &len);
      EXPECT_EQ(ok != FALSE, c.found) << c.path << ": expected found=" << c.found << ", got " << ok;
      if (!ok || !c.text) continue;
      std::string text(static_cast<const char*>(value));
      EXPECT_EQ(text, c.text) << c.path << ": expected \"" << c.text << "\", got \"" << text << "\"";
      UINT expectedLen = static_cast<UINT>(text.size() + 1);  // bytes with the NUL
      EXPECT_EQ(len, expectedLen) << c.path << ": expected len " << expectedLen << ", got " << len;
      const uint8_t* v = static_cast<const uint8_t*>(value);
      EXPECT_TRUE(v >= info.data() && v + text.size() < info.data() + info.size()) << c.path << ": outside the buffer";
    }
  }
}

TEST(VersionInfo, LayoutsAndVariants) {
  struct Case {
    const char* what;
    std::function<void(VersionInfoSpec&)> change;
    bool pe32Plus;
    const char* path;
    bool found;
  };
  const std::vector<Case> cases = {
      {"no VarFileInfo: no translation", [](auto& s) { s.withVarFileInfo = false; }, false,
       "\\VarFileInfo\\Translation", false},
      {"no VarFileInfo: strings still there", [](auto& s) { s.withVarFileInfo = false; }, false,
       "\\StringFileInfo\\040904b0\\CompanyName", true},
      {"no StringFileInfo: no strings", [](auto& s) { s.withStringFileInfo = false; }, false,
       "\\StringFileInfo\\040904b0\\CompanyName", false},
      {"code page 1252 table", [](auto& s) { s.codePage = 1252; }, false,
       "\\StringFileInfo\\040904e4\\FileVersion", true},
      {"PE32+ image", [](auto&) {}, true, "\\StringFileInfo\\040904b0\\FileVersion", true},
  };
  std::string dir = ScratchFolder();
  for (const Case& c : cases) {
    VersionInfoSpec spec = QarnSpec();
    c.change(spec);
    PeImageSpec pe;
    pe.pe32Plus = c.pe32Plus;
    pe.versionResource = BuildVersionInfoBlock(spec);
    const std::vector<uint8_t> image = c.pe32Plus ? BuildPeImage(pe) : BuildVersionedPeImage(spec);
    std::vector<uint8_t> info = LoadInfo(WriteImage(dir, "v.dll", image));
    ASSERT_FALSE(info.empty()) << c.what << ": expected version info";
    void* value = nullptr;
    UINT len = 0;
    BOOL ok = VerQueryValueA(info.data(), c.path, &value, &len);
    EXPECT_EQ(ok != FALSE, c.found) << c.what << ": expected found=" << c.found << ", got " << ok;
  }
}

// Offsets inside the image BuildPeImage writes, for the mutation cases.
constexpr size_t kLfanew = 0x3C, kNt = 0x40, kOpt = kNt + 24, kDirs = kOpt + 96, kSection = kOpt + 224;
constexpr size_t kRsrc = 0x200, kData = kRsrc + 88;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

TEST(VersionInfo, DamagedImagesGiveNothing) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool stillReadable;
  };
  const std::vector<Case> cases = {
      {"untouched", [](auto&) {}, true},
      {"empty file", [](auto& b) { b.clear(); }, false},
      {"cut inside the DOS header", [](auto& b) { b.resize(40); }, false},
      {"cut before the section table", [](auto& b) { b.resize(kSection - 4); }, false},
      {"cut inside the resource directory", [](auto& b) { b.resize(kRsrc + 30); }, false},
      {"cut inside the version data", [](auto& b) { b.resize(kData + 100); }, false},
      {"no MZ", [](auto& b) { b[0] = 'X'; }, false},
      {"M without Z", [](auto& b) { b[1] = 'X'; }, false},
      {"no PE signature", [](auto& b) { b[kNt + 1] = 'X'; }, false},
      {"NT headers past the end", [](auto& b) { Put32(b, kLfanew, 0xFFFFFFF0u); }, false},
      {"NT headers at the very end", [](auto& b) { Put32(b, kLfanew, static_cast<uint32_t>(b.size() - 2)); }, false},
      {"unknown optional header magic", [](auto& b) { Put16(b, kOpt, 0x107); }, false},
      {"optional header larger than the file", [](auto& b) { Put16(b, kNt + 20, 0xFFFF); }, false},
      {"too few data directories", [](auto& b) { Put32(b, kOpt + 92, 2); }, false},
      {"no resource directory", [](auto& b) { Put32(b, kDirs + 16, 0); }, false},
      {"resource RVA in no section", [](auto& b) { Put32(b, kDirs + 16, 0x50000); }, false},
      {"huge section count", [](auto& b) { Put16(b, kNt + 6, 0xFFFF); }, false},
      {"section data past the end", [](auto& b) { Put32(b, kSection + 20, 0x7FFFFFF0u); }, false},
      {"section without file data", [](auto& b) { Put32(b, kSection + 16, 0); }, false},
      {"huge entry count", [](auto& b) { Put16(b, kRsrc + 14, 0xFFFF); }, false},
      {"no RT_VERSION entry", [](auto& b) { Put32(b, kRsrc + 16, 14); }, false},
      {"type entry is not a directory", [](auto& b) { Put32(b, kRsrc + 20, 24); }, false},
      {"name entry loops to the top", [](auto& b) { Put32(b, kRsrc + 24 + 20, 0x80000000u); }, false},
      {"language entry loops to itself", [](auto& b) { Put32(b, kRsrc + 48 + 20, 0x80000000u | 48); }, false},
      {"data entry outside the section", [](auto& b) { Put32(b, kRsrc + 48 + 20, 0x7FFFFFF0u); }, false},
      {"data size past the section", [](auto& b) { Put32(b, kRsrc + 72 + 4, 0x100000); }, false},
      {"data RVA in no section", [](auto& b) { Put32(b, kRsrc + 72, 0x90000); }, false},
      {"data size zero", [](auto& b) { Put32(b, kRsrc + 72 + 4, 0); }, false},
      {"data up to the section's very end",
       [](auto& b) { Put32(b, kRsrc + 76, static_cast<uint32_t>(b.size() - kData)); }, true},
      {"an uninitialized section ends where .rsrc starts",
       [](auto& b) {
         std::copy_n(b.begin() + kSection, 40, b.begin() + kSection + 40);
         Put16(b, kNt + 6, 2);
         Put32(b, kSection + 8, 0x800);  // 0x800..0x1000, no file data
         Put32(b, kSection + 12, 0x800);
         Put32(b, kSection + 16, 0);
       },
       true},
      {"a named type (TYPELIB) before RT_VERSION",
       [](auto& b) {
         Put16(b, kRsrc + 12, 1);  // the id entry lands on the name directory's unused first 8 bytes
         Put32(b, kRsrc + 16, 0x80000000u);
         Put32(b, kRsrc + 24, 16);
         Put32(b, kRsrc + 28, 0x80000000u | 24);
       },
       true},
      {"root length below a header", [](auto& b) { Put16(b, kData, 4); }, false},
      {"root key not VS_VERSION_INFO", [](auto& b) { b[kData + 6] = 'W'; }, false},
      {"root key without its NUL", [](auto& b) { Put16(b, kData, 20); }, false},
      {"root longer than its data is cut, still readable", [](auto& b) { Put16(b, kData, 0xFFF0); }, true},
  };
  std::string dir = ScratchFolder();
  std::vector<uint8_t> good = BuildVersionedPeImage(QarnSpec());
  for (const Case& c : cases) {
    std::vector<uint8_t> image = good;
    c.damage(image);
    std::string path = WriteImage(dir, "d.dll", image);
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    EXPECT_EQ(size != 0, c.stillReadable) << c.what << ": expected readable=" << c.stillReadable << ", got size "
                                          << size;
    if (size == 0) {
      std::vector<uint8_t> data(64);
      EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, 64, data.data())) << c.what << ": expected FALSE";
      continue;
    }
    std::vector<uint8_t> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data())) << c.what;
    void* value = nullptr;
    UINT len = 0;
    EXPECT_TRUE(VerQueryValueA(data.data(), "\\", &value, &len)) << c.what << ": expected the fixed info";
  }
}

TEST(VersionInfo, ShortBuffersAreCutSafely) {
  std::string path = WriteImage(ScratchFolder(), "s.dll", BuildVersionedPeImage(QarnSpec()));
  DWORD full = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  ASSERT_GT(full, 0u);
  size_t raw = BuildVersionInfoBlock(QarnSpec()).size();
  struct Case {
    const char* what;
    DWORD len;
    bool fixedInfo, companyName;
  };
  const Case cases[] = {
      {"full size", full, true, true},
      {"raw resource only", static_cast<DWORD>(raw), true, false},
      {"just past the fixed info", 100, true, false},
      {"inside the fixed info", 60, false, false},
      {"tiny", 7, false, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data(c.len);  // exact size, so a read past it is caught by the sanitizers
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, c.len, data.data())) << c.what;
    void* value = nullptr;
    UINT len = 0;
    BOOL fixed = VerQueryValueA(data.data(), "\\", &value, &len);
    EXPECT_EQ(fixed != FALSE, c.fixedInfo) << c.what << ": expected fixed info=" << c.fixedInfo << ", got " << fixed;
    BOOL company = VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\CompanyName", &value, &len);
    EXPECT_EQ(company != FALSE, c.companyName) << c.what << ": expected string=" << c.companyName << ", got "
                                               << company;
  }
  // Every length between: a string is given only when it fits, NUL and all.
  for (DWORD n = static_cast<DWORD>(raw); n <= full; ++n) {
    std::vector<uint8_t> data(n);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, n, data.data()));
    void* value = nullptr;
    UINT len = 0;
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\CompanyName", &value, &len)) {
      EXPECT_LE(static_cast<uint8_t*>(value) + len, data.data() + n) << "buffer of " << n << " bytes";
    }
  }
  EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, 0, nullptr)) << "expected FALSE without a buffer";
}

TEST(VersionInfo, FileSearchFollowsLoadLibraryOrder) {
  std::string dir = ScratchFolder();
  std::filesystem::create_directories(dir + "/onpath");
  std::filesystem::create_directories(dir + "/elsewhere");
  std::vector<uint8_t> image = BuildVersionedPeImage(QarnSpec());
  WriteImage(dir, "MixedCase.DLL", image);
  WriteImage(dir + "/onpath", "PathOnly.dll", image);

  const char* oldPath = std::getenv("PATH");
  std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", ("/nonexistent::" + dir + "/onpath").c_str(), 1);
  struct Case {
    const char* what;
    std::string name;
    std::string cwd;
    bool found;
  };
  const std::vector<Case> cases = {
      {"current folder, same case", "MixedCase.DLL", dir, true},
      {"current folder, other case", "mixedcase.dll", dir, true},
      {"not in the current folder", "mixedcase.dll", dir + "/elsewhere", false},
      {"on PATH, other case", "PATHONLY.DLL", dir + "/elsewhere", true},
      {"folder given, exact", dir + "/MixedCase.DLL", dir + "/elsewhere", true},
      {"folder given, case differs", dir + "/mixedcase.dll", dir + "/elsewhere", false},
      {"relative folder given", "./MixedCase.DLL", dir, true},
      {"no such file", "nothere.dll", dir, false},
      {"empty name", "", dir, false},
  };
  for (const Case& c : cases) {
    qarn_test::InFolder here(c.cwd);
    DWORD size = GetFileVersionInfoSizeA(c.name.c_str(), nullptr);
    EXPECT_EQ(size != 0, c.found) << c.what << ": expected found=" << c.found << ", got size " << size;
  }
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
}

// Case-blind searches remember a folder's names while it stays unchanged: what is
// written or removed later is seen at once, a settled folder as well as a fresh one.
TEST(VersionInfo, FileSearchSeesFolderChanges) {
  const std::string dir = ScratchFolder() + "/search";
  std::filesystem::create_directories(dir);
  const std::vector<uint8_t> image = BuildVersionedPeImage(QarnSpec());
  WriteImage(dir, "First.dll", image);
  // A folder changed within the last second is read afresh on every search.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", dir.c_str(), 1);
  EXPECT_NE(GetFileVersionInfoSizeA("FIRST.DLL", nullptr), 0u);
  EXPECT_NE(GetFileVersionInfoSizeA("first.DLL", nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA("SECOND.DLL", nullptr), 0u);
  WriteImage(dir, "Second.dll", image);
  EXPECT_NE(GetFileVersionInfoSizeA("SECOND.DLL", nullptr), 0u);
  std::filesystem::remove(dir + "/First.dll");
  EXPECT_EQ(GetFileVersionInfoSizeA("FIRST.DLL", nullptr), 0u);
  setenv("PATH", savedPath.c_str(), 1);
}

TEST(VersionInfo, QueryArgumentsChecked) {
  std::vector<uint8_t> info = LoadInfo(WriteImage(ScratchFolder(), "a.dll", BuildVersionedPeImage(QarnSpec())));
  ASSERT_FALSE(info.empty());
  void* value = nullptr;
  UINT len = 0;
  EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &len));
  EXPECT_FALSE(VerQueryValueA(info.data(), nullptr, &value, &len));
  EXPECT_FALSE(VerQueryValueA(info.data(), "\\", nullptr, &len));
  EXPECT_TRUE(VerQueryValueA(info.data(), "\\", &value, nullptr)) << "len is optional";
}

TEST(VersionInfoBlock, LayoutMatchesResourceCompilerRules) {
  std::vector<uint8_t> block = BuildVersionInfoBlock(QarnSpec());
  ASSERT_GE(block.size(), 92u);
  auto u16 = [&](size_t at) { return static_cast<unsigned>(block[at] | (block[at + 1] << 8)); };
  struct Check {
    const char* what;
    unsigned expected, got;
  };
  const Check checks[] = {
      {"root wLength is the block size", static_cast<unsigned>(block.size()), u16(0)},
      {"root wValueLength", 52, u16(2)},
      {"root wType binary", 0, u16(4)},
      {"key starts with V", 'V', u16(6)},
      {"key NUL at 6 + 2*15", 0, u16(6 + 30)},
      {"fixed info starts 4-aligned at 40 (signature low)", 0x04BD, u16(40)},
      {"signature high", 0xFEEF, u16(42)},
  };
  for (const Check& c : checks)
    EXPECT_EQ(c.got, c.expected) << c.what << ": expected " << c.expected << ", got " << c.got;
  EXPECT_EQ(block.size() % 2, 0u);
}

}  // namespace
