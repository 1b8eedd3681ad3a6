#include "platform/module_registry.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

INT_PTR ReturnsOne() { return 1; }
INT_PTR ReturnsTwo() { return 2; }
INT_PTR ReturnsThree() { return 3; }

class ModuleRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    QarnRegisterModule("TestMod.dll", {{"DllGetClassObject", 1, &ReturnsOne},
                                       {"DllCanUnloadNow", 0, &ReturnsTwo},
                                       {nullptr, 7, &ReturnsThree}});
  }
  void TearDown() override { QarnUnregisterModule("testmod"); }
};

TEST_F(ModuleRegistry, NamesMatchLikeWindows) {
  struct Case {
    const char* name;
    bool found;
  };
  const Case cases[] = {{"TestMod.dll", true},      {"TESTMOD.DLL", true},  {"testmod", true},
                        {"C:\\bin\\TestMod.dll", true}, {"/opt/x/testmod.dll", true},
                        {"testmod.exe", false},     {"testmo", false},      {"testmod.dll.dll", false},
                        {"", false},                {nullptr, false}};
  for (const Case& c : cases) {
    HMODULE h = LoadLibraryA(c.name);
    EXPECT_EQ(h != nullptr, c.found) << (c.name ? c.name : "(null)") << ": expected found=" << c.found;
  }
}

TEST_F(ModuleRegistry, ExportsByNameAndOrdinal) {
  HMODULE h = LoadLibraryA("testmod");
  ASSERT_NE(h, nullptr);
  struct Case {
    const char* what;
    LPCSTR name;
    INT_PTR expected;  // 0: not found
  };
  const Case cases[] = {
      {"by name", "DllGetClassObject", 1},
      {"second name", "DllCanUnloadNow", 2},
      {"names are case-sensitive", "dllgetclassobject", 0},
      {"unknown name", "DllRegisterServer", 0},
      {"by ordinal 1", MAKEINTRESOURCEA(1), 1},
      {"ordinal-only export", MAKEINTRESOURCEA(7), 3},
      {"unknown ordinal", MAKEINTRESOURCEA(2), 0},
      {"ordinal 0 is nothing", MAKEINTRESOURCEA(0), 0},
  };
  for (const Case& c : cases) {
    FARPROC p = GetProcAddress(h, c.name);
    INT_PTR got = p ? p() : 0;
    EXPECT_EQ(got, c.expected) << c.what << ": expected " << c.expected << ", got " << got;
  }
  EXPECT_EQ(GetProcAddress(nullptr, "DllGetClassObject"), nullptr);
  EXPECT_EQ(GetProcAddress(h, nullptr), nullptr);
}

TEST_F(ModuleRegistry, LoadingGivesOneHandlePerModule) {
  EXPECT_EQ(GetModuleHandleA("testmod"), nullptr) << "registered but never loaded";
  HMODULE a = LoadLibraryA("testmod.dll");
  HMODULE b = LoadLibraryA("TESTMOD");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b) << "one module, one handle";
  EXPECT_EQ(GetModuleHandleA("TestMod.DLL"), a);
  EXPECT_NE(GetProcAddress(a, "DllCanUnloadNow"), nullptr);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&a), "DllCanUnloadNow"), nullptr) << "not a module handle";
}

TEST_F(ModuleRegistry, ReRegistrationReplacesExports) {
  HMODULE h = LoadLibraryA("testmod");
  QarnRegisterModule("TESTMOD", {{"Other", 0, &ReturnsThree}});
  EXPECT_EQ(LoadLibraryA("testmod"), h) << "same handle after re-registration";
  EXPECT_EQ(GetProcAddress(h, "DllGetClassObject"), nullptr) << "old exports gone";
  FARPROC p = GetProcAddress(h, "Other");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p(), 3);
}

TEST_F(ModuleRegistry, UnregisteredModuleIsGone) {
  HMODULE h = LoadLibraryA("testmod");
  ASSERT_TRUE(QarnUnregisterModule("TestMod"));
  EXPECT_EQ(LoadLibraryA("testmod"), nullptr);
  EXPECT_EQ(GetProcAddress(h, "DllGetClassObject"), nullptr);
  EXPECT_FALSE(QarnUnregisterModule("TestMod"));
}

TEST(ModuleRegistryProgram, NullNameIsTheProgram) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), self);
  EXPECT_EQ(GetProcAddress(self, "anything"), nullptr);
  EXPECT_EQ(GetModuleHandleA("never-registered"), nullptr);
}

}  // namespace
