// The host version probe decides whether "UTILS" is managed.
#include "core_fixture.h"
#include "editcore/file_version_info.h"

TEST(HostVersionProbe, MajorVersionThreeOrLaterManagesUtils) {
  struct Case {
    std::optional<std::string> version;
    bool expected;
  };
  const Case cases[] = {{"2.9.0.0", false}, {"3.0.0.0", true},   {"10.2.0.0", true},
                        {"0.0.0.0", false}, {"65535.1.0.0", true}, {std::nullopt, false}};
  for (const Case& c : cases) {
    ReferenceHost::SetFileVersion(c.version);
    EXPECT_EQ(ProbeHostManagesUtils(), c.expected) << (c.version ? *c.version : "no file");
  }
  ReferenceHost::SetFileVersion(std::nullopt);
}

TEST(HostVersionProbe, VersionTextIsMajorDotMinor) {
  ReferenceHost::SetFileVersion(std::string("3.1.7.9"));
  FileVersionInfo info;
  ASSERT_TRUE(info.Load(QARN_HOST_CONTROL_FILE));
  EXPECT_EQ(info.GetFileVersionText(), CString("3.1"));
  EXPECT_EQ(info.GetTranslation() & 0xFFFF, 0x0409u);
  info.Reset();
  EXPECT_EQ(info.GetFileVersionText(), CString(""));
  ReferenceHost::SetFileVersion(std::nullopt);
  EXPECT_FALSE(info.Load(QARN_HOST_CONTROL_FILE));
}
