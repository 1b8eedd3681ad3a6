#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

#include "commands/string_file.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "resources/resource_data.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class StringFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarnSetModuleResources(&QarneditModuleResources());
    folder = std::filesystem::path(QARN_TEST_OUTPUT_DIR) / "string_file" /
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    path = (folder / "strings.ini").string();
  }

  std::string Read(const char* section, const char* key) {
    char value[512] = {};
    const std::string text = Slurp(path);
    QarnProfileStringFromText(text.data(), text.size(), section, key, "<missing>", value, sizeof(value));
    return value;
  }

  std::filesystem::path folder;
  std::string path;
};

}  // namespace

TEST_F(StringFileTest, WithoutAFileTheStringTableTextIsUsedAndNothingIsWritten) {
  EXPECT_EQ(LoadLocalizedString("", IDS_STEP_DRAW), CString("Click to draw"));
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
  LocalizeMenu("", "POLYLINE", menu.GetSubMenu(0));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// A missing or empty value is filled in with the built-in text; an override replaces
// its own string alone, cut at 511 bytes; a file that cannot be written still gives the
// built-in texts.
TEST_F(StringFileTest, LookupsFillMissingValuesAndTakeOverrides) {
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Click to draw"));
  EXPECT_EQ(Read("STRINGS", "203"), "Click to draw");
  WritePrivateProfileStringA("STRINGS", "204", "", path.c_str());
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAG_VERTEX), CString("Drag a vertex to move it"));
  EXPECT_EQ(Read("STRINGS", "204"), "Drag a vertex to move it");
  WritePrivateProfileStringA("STRINGS", "203", "Klicken zum Zeichnen", path.c_str());
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Klicken zum Zeichnen"));
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAG_VERTEX), CString("Drag a vertex to move it"));
  WritePrivateProfileStringA("STRINGS", "203", std::string(2000, 'a').c_str(), path.c_str());
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW).GetLength(), 511);
  const std::string unwritable = (folder / "no-such-folder" / "strings.ini").string();
  EXPECT_EQ(LoadLocalizedString(unwritable.c_str(), IDS_STEP_DRAW), CString("Click to draw"));
  EXPECT_FALSE(std::filesystem::exists(unwritable));
}

TEST_F(StringFileTest, TheFirstMenuLookupListsEveryItemOfThePopup) {
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
  CMenu* popup = menu.GetSubMenu(0);
  LocalizeMenu(path.c_str(), "POLYLINE", popup);
  const std::pair<const char*, const char*> expected[] = {
      {"32768", "&Continue drawing"}, {"32793", "Inver&t"},       {"32791", "Bac&k"},
      {"32795", "&Enable polar point"}, {"32796", "D&isable polar point"}, {"32769", "&Move vertex"},
      {"32770", "&Insert vertex"},   {"32771", "&Delete vertex"}, {"32782", "Mo&ve"},
      {"32784", "&Rotate"},           {"32786", "&Scale"},        {"32772", "&Abort"},
      {"32773", "Do&ne"}};
  // Keys are written in the popup's order, separators add nothing.
  const std::string file = Slurp(path);
  size_t last = 0;
  for (auto& [key, text] : expected) {
    EXPECT_EQ(Read("POLYLINE_MENU_ITEMS", key), text) << "key " << key;
    size_t at = file.find(std::string(key) + "=");
    ASSERT_NE(at, std::string::npos) << key;
    EXPECT_GT(at, last) << "key " << key << " out of order";
    last = at;
  }
  EXPECT_EQ(popup->GetMenuItemCount(), 17) << "nothing removed";
}

TEST_F(StringFileTest, AnAsteriskRemovesTheItemAndTheRestKeepTextAndGrayState) {
  WritePrivateProfileStringA("POLYLINE_MENU_ITEMS", "32793", "*gone", path.c_str());
  WritePrivateProfileStringA("POLYLINE_MENU_ITEMS", "32791", "Zu&rueck", path.c_str());
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
  CMenu* popup = menu.GetSubMenu(0);
  popup->EnableMenuItem(32791, MF_BYCOMMAND | MF_GRAYED);
  LocalizeMenu(path.c_str(), "POLYLINE", popup);
  EXPECT_EQ(popup->GetMenuItemCount(), 16);
  EXPECT_EQ(popup->GetMenuItemID(0), 32768u);
  EXPECT_EQ(popup->GetMenuItemID(1), 32791u) << "the item after the removed one moved up and was visited";
  CString text;
  popup->GetMenuString(32791, text, MF_BYCOMMAND);
  EXPECT_EQ(text, CString("Zu&rueck"));
  EXPECT_EQ(popup->GetMenuState(32791, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED))
      << "a replaced item that was grayed stays grayed";
  EXPECT_EQ(popup->GetMenuState(32768, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Lets a reader that blocked opening the pipe go on after two seconds, so that a fault
// shows as a slow lookup instead of a hung test.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string path) : m_path(std::move(path)), m_thread([this] { Run(); }) {}
  ~PipeWatchdog() {
    m_stop = true;
    m_thread.join();
  }

 private:
  void Run() {
    auto start = Clock::now();
    while (!m_stop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (SecondsSince(start) < 2.0) continue;
      int fd = open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) close(fd);
    }
  }
  std::string m_path;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace

TEST_F(StringFileTest, FilesThatAreNotSmallIniTextGiveTheBuiltInTextsAndStayUntouched) {
  using namespace std::string_literals;
  std::string override = "[STRINGS]\r\n203=Hallo\r\n[POLYLINE_MENU_ITEMS]\r\n32773=Fertig\r\n";
  std::string big = override;
  while (big.size() <= kMaxStringFileSize) big += "; padding to push the file over the limit\r\n";
  // Which bytes are INI text is the profile layer's rule (tests/files/profile_test.cpp,
  // NarrowIniTextIsToldFromOtherData); one text it refuses shows the rule is applied.
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"INI text with a NUL", override + "\0"s},
      {"larger than the limit", big},
  };
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
    EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Click to draw")) << c.what;
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    LocalizeMenu(path.c_str(), "POLYLINE", menu.GetSubMenu(0));
    CString done;
    menu.GetSubMenu(0)->GetMenuString(32773, done, MF_BYCOMMAND);
    EXPECT_EQ(done, CString("Do&ne")) << c.what;
    EXPECT_TRUE(Slurp(path) == c.bytes) << c.what << ": the file was written";
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << big.substr(0, kMaxStringFileSize);
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Hallo")) << "a file at the limit is read";
  // Neither a pipe (opening it would wait for a writer) nor a folder is read or written.
  std::string pipe = (folder / "pipe.ini").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  for (const std::string& special : {pipe, folder.string()}) {
    PipeWatchdog watchdog(pipe);
    auto start = Clock::now();
    EXPECT_EQ(LoadLocalizedString(special.c_str(), IDS_STEP_DRAW), CString("Click to draw")) << special;
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    LocalizeMenu(special.c_str(), "POLYLINE", menu.GetSubMenu(0));
    EXPECT_LT(SecondsSince(start), 1.5) << special << " was waited on";
  }
}

TEST_F(StringFileTest, TheFileIsParsedOnceAndReadAgainWhenItChanges) {
  std::string text = "[STRINGS]\r\n203=Eins\r\n";
  while (text.size() < kMaxStringFileSize - 100) text += "k" + std::to_string(text.size()) + "=filler value\r\n";
  std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  auto start = Clock::now();
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Eins"));
  EXPECT_LT(SecondsSince(start), 1.0) << "1000 lookups in a file of 1 MiB";

  std::ofstream(path, std::ios::binary | std::ios::trunc) << "[strings]\r\n203 = \"Zweiundzwanzig\"\r\n";
  EXPECT_EQ(LoadLocalizedString(path.c_str(), IDS_STEP_DRAW), CString("Zweiundzwanzig")) << "an edit of the file is seen";
  LoadLocalizedString(path.c_str(), IDS_STEP_DRAG_VERTEX);
  EXPECT_EQ(Read("STRINGS", "204"), "Drag a vertex to move it") << "the parsed file is still written back";
}
// The built-in text of the last id looked up is kept; whatever installs another table
// (another array, the same array cut shorter, or none) must be seen at the next lookup,
// with and without a file.
TEST_F(StringFileTest, TheBuiltInTextFollowsTheInstalledResources) {
  static const ResourceString kGerman[] = {{IDS_STEP_DRAW, "Klicken zum Zeichnen"}, {IDS_STEP_MOVE, "Verschieben"}};
  static const ResourceString kFrench[] = {{IDS_STEP_DRAW, "Cliquer pour dessiner"},
                                           {IDS_STEP_DRAG_VERTEX, "Tirer un sommet"}};
  const ModuleResources& own = QarneditModuleResources();
  ModuleResources german = own;
  german.strings = kGerman;
  german.stringCount = 2;
  ModuleResources table = own;  // one object whose table is replaced in place
  auto use = [&table](const ResourceString* strings, int count) {
    return [&table, strings, count] {
      table.strings = strings;
      table.stringCount = count;
    };
  };

  struct Case {
    const char* what;
    const ModuleResources* install;
    std::function<void()> change;
    UINT id;
    const char* expected;
  } cases[] = {
      {"the module's own", &own, nullptr, IDS_STEP_DRAW, "Click to draw"},
      {"another table", &german, nullptr, IDS_STEP_DRAW, "Klicken zum Zeichnen"},
      {"another id in it", &german, nullptr, IDS_STEP_DRAG_VERTEX, ""},
      {"the same id again", &german, nullptr, IDS_STEP_DRAW, "Klicken zum Zeichnen"},
      {"none", nullptr, nullptr, IDS_STEP_DRAW, ""},
      {"an array as long", &table, use(kFrench, 2), IDS_STEP_DRAW, "Cliquer pour dessiner"},
      {"its array replaced in place", &table, use(kGerman, 2), IDS_STEP_DRAW, "Klicken zum Zeichnen"},
      {"and back", &table, use(kFrench, 2), IDS_STEP_DRAG_VERTEX, "Tirer un sommet"},
      {"the same array cut shorter", &table, use(kFrench, 1), IDS_STEP_DRAG_VERTEX, ""},
      {"back to the module's own", &own, nullptr, IDS_STEP_DRAW, "Click to draw"},
  };
  for (const Case& c : cases) {
    QarnSetModuleResources(c.install);
    if (c.change) c.change();
    EXPECT_EQ(LoadLocalizedString("", c.id), CString(c.expected)) << c.what;
    EXPECT_EQ(LoadLocalizedString(path.c_str(), c.id), CString(c.expected)) << c.what << ", with a file";
    std::filesystem::remove(path);  // so that the next case seeds its own default
  }
  QarnSetModuleResources(&own);
}
#endif
