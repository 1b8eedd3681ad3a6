#include "platform/profile.h"
#include "platform/profile_index.h"

#include <sys/stat.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/files/test_support.h"

using qarn_test::ReadText;
using qarn_test::ScratchFolder;
using qarn_test::Visible;
using qarn_test::WriteText;

namespace {

// Reads a key as GetPrivateProfileStringA would from the file as it is now.
DWORD GetFromFile(LPCSTR section, LPCSTR key, LPCSTR deflt, LPSTR buf, DWORD size, const std::string& path) {
  const std::string text = ReadText(path);
  return QarnProfileStringFromText(text.data(), text.size(), section, key, deflt, buf, size);
}

struct GetCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  const char* deflt;
  DWORD size;
  std::string expected;
};

TEST(ProfileGet, ValuesFollowWindowsRules) {
  const std::vector<GetCase> cases = {
      {"plain value", "[Sec]\r\nkey=value\r\n", "Sec", "key", "d", 64, "value"},
      {"section and key ignore case", "[SeC]\nKEY=v\n", "sec", "kEy", "d", 64, "v"},
      {"A and Z fold too", "[ZA]\nAZ=v\n", "za", "az", "d", 64, "v"},
      {"blanks around names and value", "  [ Sec ]\n  key \t=   spaced value \t \n", "Sec", "key", "d", 64, "spaced value"},
      {"blanks around asked names", "[Sec]\nkey=v\n", " Sec ", " key ", "d", 64, "v"},
      {"double quotes removed", "[s]\nk=\"quoted\"\n", "s", "k", "d", 64, "quoted"},
      {"single quotes removed", "[s]\nk='q x'\n", "s", "k", "d", 64, "q x"},
      {"only one pair removed", "[s]\nk=\"\"q\"\"\n", "s", "k", "d", 64, "\"q\""},
      {"blanks inside quotes kept", "[s]\nk=\"  a  \"\n", "s", "k", "d", 64, "  a  "},
      {"mismatched quotes kept", "[s]\nk=\"q'\n", "s", "k", "d", 64, "\"q'"},
      {"lone quote kept", "[s]\nk=\"\n", "s", "k", "d", 64, "\""},
      {"quote only at start kept", "[s]\nk=\"abc\n", "s", "k", "d", 64, "\"abc"},
      {"value cut to size - 1", "[s]\nk=abcdef\n", "s", "k", "d", 4, "abc"},
      {"size 1 gives empty", "[s]\nk=abcdef\n", "s", "k", "d", 1, ""},
      {"missing key gives default", "[s]\nk=v\n", "s", "other", "dflt", 64, "dflt"},
      {"default loses trailing blanks", "[s]\n", "s", "k", "dd \t ", 64, "dd"},
      {"default keeps leading blanks", "[s]\n", "s", "k", "  dd", 64, "  dd"},
      {"default cut too", "[s]\n", "s", "k", "defaultvalue", 4, "def"},
      {"null default is empty", "[s]\n", "s", "k", nullptr, 64, ""},
      {"missing section gives default", "[s]\nk=v\n", "t", "k", "d", 64, "d"},
      {"CR line ends", "[s]\rk=v\rj=w\r", "s", "j", "d", 64, "w"},
      {"LF line ends", "[s]\nk=v\nj=w\n", "s", "j", "d", 64, "w"},
      {"mixed line ends", "[a]\r\nk=1\r[s]\nj=w", "s", "j", "d", 64, "w"},
      {"line without = ignored", "[s]\nnoequals\nk=v\n", "s", "k", "d", 64, "v"},
      {"line without = is no key", "[s]\nnoequals\n", "s", "noequals", "d", 64, "d"},
      {"last line without line end", "[s]\nk=v", "s", "k", "d", 64, "v"},
      {"key of another section not seen", "[a]\nk=1\n[b]\nj=2\n", "b", "k", "d", 64, "d"},
      {"key of a later section not seen", "[a]\nk=1\n[b]\nj=2\n", "a", "j", "d", 64, "d"},
      {"first of two equal keys", "[s]\nk=1\nK=2\n", "s", "k", "d", 64, "1"},
      {"first of two equal sections", "[s]\nk=1\n[S]\nk=2\n", "s", "k", "d", 64, "1"},
      {"second of equal sections unread", "[s]\nk=1\n[S]\nj=2\n", "s", "j", "d", 64, "d"},
      {"value may hold =", "[s]\nk=a=b\n", "s", "k", "d", 64, "a=b"},
      {"empty value is not missing", "[s]\nk=\n", "s", "k", "d", 64, ""},
      {"NUL ends a line's text", std::string("[s]\nk=ab\0cd\nj=2\n", 16), "s", "k", "d", 64, "ab"},
      {"NUL line does not hide the next", std::string("[s]\n\0\0\0\nj=2\n", 12), "s", "j", "d", 64, "2"},
      {"header without ] still names a section", "[s\nk=v\n", "s", "k", "d", 64, "v"},
      {"text after ] ignored", "[s] trailing\nk=v\n", "s", "k", "d", 64, "v"},
      {"keys before any section unseen", "k=v\n[s]\n", "s", "k", "d", 64, "d"},
      {"empty key name", "[s]\n=v\n", "s", "", "d", 64, "v"},
      {"size 0 writes nothing", "[s]\nk=v\n", "s", "k", "d", 0, ""},
      {"very long lines read whole",
       "[s]\r\npad=" + std::string(70000, 'p') + "\r\nk=" + std::string(100000, 'x') + "\r\n", "s", "k", "", 100001,
       std::string(100000, 'x')},
  };
  std::string dir = ScratchFolder();
  std::string path = dir + "/get.ini";
  for (const GetCase& c : cases) {
    WriteText(path, c.file);
    std::vector<char> buf(c.size + 4, '#');
    DWORD got = GetFromFile(c.section, c.key, c.deflt, buf.data(), c.size, path.c_str());
    std::string value(buf.data(), strnlen(buf.data(), c.size));
    EXPECT_EQ(value, c.expected) << c.what << ": expected \"" << Visible(c.expected) << "\", got \"" << Visible(value)
                                 << "\"";
    EXPECT_EQ(got, c.expected.size()) << c.what << ": expected return " << c.expected.size() << ", got " << got;
    EXPECT_EQ(buf[c.size], '#') << c.what << ": wrote past the buffer";
    // The parsed table answers as the function does: absent exactly when the default comes back.
    char probe[512];
    GetFromFile(c.section, c.key, "\x01", probe, sizeof probe, path.c_str());
    const QarnProfileIndex index(c.file);
    const std::string* found = index.Find(c.section, c.key);
    std::string indexed = found ? found->substr(0, sizeof probe - 1) : "\x01";
    EXPECT_EQ(indexed, probe) << c.what << ": table gave \"" << Visible(indexed) << "\"";
  }
}

struct ListCase {
  const char* what;
  std::string file;
  const char* section;  // nullptr lists sections
  DWORD size;
  std::string expected;  // including every NUL written
  DWORD expectedReturn;
};

TEST(ProfileGet, ListsAreDoubleNulTerminated) {
  using namespace std::string_literals;
  const std::vector<ListCase> cases = {
      {"section names", "[a]\nx=1\n[b]\n", nullptr, 64, "a\0b\0\0"s, 4},
      {"section names once each", "[a]\n[b]\n[A]\n", nullptr, 64, "a\0b\0\0"s, 4},
      {"no sections", "k=v\n", nullptr, 64, "\0\0"s, 0},
      {"key names", "[s]\nk1=1\nk2=2\nK1=3\nnoeq\n", "s", 64, "k1\0k2\0\0"s, 6},
      {"keys of a missing section", "[s]\nk=1\n", "t", 64, "\0\0"s, 0},
      {"list fits exactly", "[s]\nk1=1\nk2=2\n", "s", 7, "k1\0k2\0\0"s, 6},
      {"list cut", "[s]\nk1=1\nk2=2\n", "s", 6, "k1\0k\0\0"s, 4},
      {"list cut at a boundary", "[s]\nk1=1\nk2=2\n", "s", 5, "k1\0\0\0"s, 3},
      {"size 2 gives empty list", "[s]\nk1=1\n", "s", 2, "\0\0"s, 0},
  };
  std::string path = ScratchFolder() + "/list.ini";
  for (const ListCase& c : cases) {
    WriteText(path, c.file);
    std::vector<char> buf(c.size + 4, '#');
    DWORD got = GetFromFile(c.section, nullptr, "ignored", buf.data(), c.size, path.c_str());
    std::string written(buf.data(), c.expected.size());
    EXPECT_EQ(written, c.expected) << c.what << ": expected \"" << Visible(c.expected) << "\", got \""
                                   << Visible(written) << "\"";
    EXPECT_EQ(got, c.expectedReturn) << c.what << ": expected return " << c.expectedReturn << ", got " << got;
    EXPECT_EQ(buf[c.size], '#') << c.what << ": wrote past the buffer";
  }
}

TEST(ProfileText, NarrowIniTextIsToldFromOtherData) {
  using namespace std::string_literals;
  const std::pair<std::string, bool> cases[] = {
      {"[s]\r\nk=v\r\n", true},
      {"", true},
      {"\xEF\xBB\xBF[s]\nk=\xE4\xF6\xFC\t\f\x1A", true},
      {"\xFF\xFE"s + "[\0s\0]\0"s, false},
      {"\xFE\xFF"s + "\0[\0s\0]"s, false},
      {"\xFF\xFE", false},
      {"\xFE\xFF", false},
      {"[\0s\0]\0"s, false},
      {"[s]\nk=v\x01\n", false},
      {"[s]\nk=\x7F\x80\n", true},
  };
  for (const auto& [bytes, expected] : cases)
    EXPECT_EQ(QarnIsIniText(bytes), expected) << "\"" << Visible(bytes) << "\"";
}

struct WriteCase {
  const char* what;
  std::optional<std::string> before;  // none: no file
  const char* section;
  const char* key;
  const char* value;
  std::optional<std::string> after;  // none: still no file
};

TEST(ProfileWrite, EditsKeepWindowsLayout) {
  const std::string big(80000, 'y');
  const std::vector<WriteCase> cases = {
      {"first write creates the file", std::nullopt, "S", "k", "v", "[S]\r\nk=v\r\n"},
      {"value replaced in place", "[S]\r\na=1\r\nk=old\r\nb=2\r\n", "S", "k", "new", "[S]\r\na=1\r\nk=new\r\nb=2\r\n"},
      {"file's key spelling kept", "[s]\r\nKey = old\r\n", "S", "KEY", "x", "[s]\r\nKey=x\r\n"},
      {"new key after the section's last line", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "a", "z", "3",
       "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
      {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
      {"new section at the end", "[a]\r\nx=1\r\n", "b", "y", "2", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
      {"new section after a blank last line", "[a]\r\nx=1\r\n\r\n", "b", "y", "2", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
      {"new section in an empty file", "", "b", "y", "2", "[b]\r\ny=2\r\n"},
      {"last line without line end", "[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
      {"same value again succeeds", "[a]\r\nx=1\r\n", "a", "x", "1", "[a]\r\nx=1\r\n"},
      {"LF lines kept as they are", "[a]\nx=1\n", "a", "x", "2", "[a]\nx=2\n"},
      {"value written as given", "[a]\r\n", "a", "k", "  \"v\"  ", "[a]\r\nk=  \"v\"  \r\n"},
      {"null value deletes the key", "[a]\r\nx=1\r\ny=2\r\n", "a", "x", nullptr, "[a]\r\ny=2\r\n"},
      {"null key deletes the section", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", "A", nullptr, nullptr, "[b]\r\ny=2\r\n"},
      {"deleting a missing key changes nothing", "[a]\r\nx=1\r\n", "a", "q", nullptr, "[a]\r\nx=1\r\n"},
      {"deleting a missing section changes nothing", "[a]\r\nx=1\r\n", "b", nullptr, nullptr, "[a]\r\nx=1\r\n"},
      {"deleting from no file creates none", std::nullopt, "a", "q", nullptr, std::nullopt},
      {"deleting a section from no file creates none", std::nullopt, "a", nullptr, "ignored", std::nullopt},
      {"other lines kept byte for byte", "; note\r\n[a]\r\nodd line\r\nx=1\r\n", "a", "x", "2",
       "; note\r\n[a]\r\nodd line\r\nx=2\r\n"},
      {"long lines survive an edit", "[s]\nbig=" + big + "\nk=1\n", "s", "k", "2", "[s]\nbig=" + big + "\nk=2\n"},
  };
  std::string path = ScratchFolder() + "/write.ini";
  for (const WriteCase& c : cases) {
    std::filesystem::remove(path);
    if (c.before) WriteText(path, *c.before);
    BOOL ok = WritePrivateProfileStringA(c.section, c.key, c.value, path.c_str());
    EXPECT_TRUE(ok) << c.what << ": expected TRUE, got FALSE";
    bool exists = std::filesystem::exists(path);
    if (!c.after) {
      EXPECT_FALSE(exists) << c.what << ": expected no file, got one";
      continue;
    }
    std::string content = ReadText(path);
    EXPECT_EQ(content, *c.after) << c.what << ": expected \"" << Visible(*c.after) << "\", got \"" << Visible(content)
                                << "\"";
  }
}

TEST(ProfileWrite, ImpossibleWritesFailQuietly) {
  std::string dir = ScratchFolder();
  std::string readOnly = dir + "/ro.ini";
  WriteText(readOnly, "[a]\r\nx=1\r\n");
  chmod(readOnly.c_str(), 0444);
  std::string noFolder = dir + "/missing/dir/x.ini";
  std::string fresh = dir + "/n.ini";
  // Refused at once: reading it first must not wait for a writer.
  std::string pipe = dir + "/pipe.ini";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  struct Case {
    const char* what;
    const char* file;
    const char* section;
  };
  const Case cases[] = {{"read-only file", readOnly.c_str(), "a"},
                        {"missing folder", noFolder.c_str(), "a"},
                        {"empty name", "", "a"},
                        {"null name", nullptr, "a"},
                        {"a folder", dir.c_str(), "a"},
                        {"a pipe without a reader or writer", pipe.c_str(), "a"},
                        {"null section", fresh.c_str(), nullptr}};
  for (const Case& c : cases) {
    BOOL ok = WritePrivateProfileStringA(c.section, "x", "2", c.file);
    EXPECT_FALSE(ok) << c.what << ": expected FALSE, got TRUE";
  }
  EXPECT_EQ(ReadText(readOnly), "[a]\r\nx=1\r\n") << "the read-only file changed";
  EXPECT_FALSE(std::filesystem::exists(noFolder));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  chmod(readOnly.c_str(), 0644);
}

TEST(ProfileWrite, RelativeNameUsesCurrentFolder) {
  std::string dir = ScratchFolder();
  qarn_test::InFolder here(dir);
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "relative.ini"));
  EXPECT_EQ(ReadText(dir + "/relative.ini"), "[s]\r\nk=v\r\n");
}

}  // namespace
