#include "commands/string_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/profile.h"
#include "platform/profile_index.h"
#include "platform/resources_api.h"

namespace {

namespace fs = std::filesystem;

// What identifies one version of a file on disk.
struct FileStamp {
  bool exists = false;
  bool regular = false;
  uintmax_t size = 0;
  fs::file_time_type time{};
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct ParsedFile {
  FileStamp stamp;
  bool readable = false;
  QarnProfileIndex index;
};

// Keyed by the absolute path. Few controls use more than one file; the cap only keeps
// a container that keeps renaming its files from growing the table.
std::map<std::string, ParsedFile>& Cache() {
  static auto* cache = new std::map<std::string, ParsedFile>();
  return *cache;
}
constexpr size_t kMaxCachedFiles = 16;

// The name as a narrow-string reader sees it, up to its first NUL.
bool NoFile(const CString& stringFile) { return stringFile.c_str()[0] == '\0'; }

std::string CacheKey(const CString& stringFile) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(stringFile.c_str()), ec);
  return ec ? std::string(stringFile.c_str()) : absolute.string();
}

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return stamp;
  stamp.exists = true;
  stamp.regular = fs::is_regular_file(status);
  if (!stamp.regular) return stamp;
  stamp.size = fs::file_size(path, ec);
  if (ec) stamp.regular = false;
  stamp.time = fs::last_write_time(path, ec);
  if (ec) stamp.regular = false;
  return stamp;
}

// Never opens what is not a regular file: opening a pipe would wait for a writer.
void Parse(const std::string& path, ParsedFile& file) {
  file.readable = false;
  file.index = QarnProfileIndex();
  if (!file.stamp.exists) {
    file.readable = true;  // a missing file reads as empty
    return;
  }
  if (!file.stamp.regular || file.stamp.size > kMaxStringFileSize) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::string text(static_cast<size_t>(file.stamp.size) + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return;
  text.resize(static_cast<size_t>(in.gcount()));
  // Grown since it was measured: judged at its next stamp.
  if (text.size() > file.stamp.size) return;
  if (!QarnIsIniText(text)) return;
  file.index = QarnProfileIndex(text);
  file.readable = true;
}

const ParsedFile& Current(const std::string& path) {
  auto& cache = Cache();
  FileStamp stamp = StampOf(path);
  auto it = cache.find(path);
  if (it != cache.end() && it->second.stamp == stamp) return it->second;
  if (it == cache.end()) {
    if (cache.size() >= kMaxCachedFiles) cache.clear();
    it = cache.emplace(path, ParsedFile()).first;
  }
  it->second.stamp = stamp;
  Parse(path, it->second);
  return it->second;
}

}  // namespace

CString StringFileKey(UINT id) {
  char key[16];
  std::snprintf(key, sizeof(key), "%lu", static_cast<unsigned long>(id));
  return CString(key);
}

CString ReadStringFileValue(const CString& stringFile, LPCSTR section, const CString& key) {
  if (NoFile(stringFile)) return CString();
  const ParsedFile& file = Current(CacheKey(stringFile));
  const std::string* value = file.readable ? file.index.Find(section, key.str()) : nullptr;
  if (!value) return CString();
  return CString(value->substr(0, kStringFileValueSize - 1));
}

void WriteStringFileDefault(const CString& stringFile, LPCSTR section, const CString& key, const CString& text) {
  if (NoFile(stringFile)) return;
  const std::string path = CacheKey(stringFile);
  if (!Current(path).readable) return;
  WritePrivateProfileStringA(section, key, text, stringFile);
  // The time stamp may not tell this write from the read before it.
  Cache().erase(path);
}

bool ReadOrSeedStringFileText(const CString& stringFile, LPCSTR section, const CString& key, const CString& fallback,
                              CString& text) {
  text = ReadStringFileValue(stringFile, section, key);
  if (!text.IsEmpty()) return true;
  WriteStringFileDefault(stringFile, section, key, fallback);
  text = fallback;
  return false;
}

CString LookUpStringFileText(const CString& stringFile, LPCSTR section, const CString& key, const CString& fallback) {
  CString text;
  ReadOrSeedStringFileText(stringFile, section, key, fallback, text);
  return text;
}

namespace {

// The string-table text of id. A caption asks for the same id click after click; the
// emulated table is constant data, so the text last found stands for as long as the
// same table (its array and length) is installed. On Windows LoadStringA chooses the
// language per call, so every lookup goes to it.
CString BuiltInText(UINT id) {
#if defined(_WIN32)
  CString text;
  text.LoadString(id);
  return text;
#else
  struct Kept {
    const ResourceString* strings = nullptr;
    int stringCount = 0;
    UINT id = 0;
    CString text;
  };
  // Per thread, as the rest of the emulated layer keeps its caches: controls on two
  // threads must not share it.
  thread_local Kept kept;
  const ModuleResources* resources = QarnGetModuleResources();
  if (!resources) return CString();
  if (resources->strings != kept.strings || resources->stringCount != kept.stringCount || id != kept.id) {
    kept.text.LoadString(id);
    kept.strings = resources->strings;
    kept.stringCount = resources->stringCount;
    kept.id = id;
  }
  return kept.text;
#endif
}

}  // namespace

CString LoadLocalizedString(const CString& stringFile, UINT id) {
  if (NoFile(stringFile)) return BuiltInText(id);
  return LookUpStringFileText(stringFile, "STRINGS", StringFileKey(id), BuiltInText(id));
}

void LocalizeMenu(const CString& stringFile, const CString& title, CMenu* pPopup) {
  if (NoFile(stringFile) || !pPopup) return;
  CString section = title + "_MENU_ITEMS";
  for (int i = 0; i < pPopup->GetMenuItemCount(); ++i) {
    UINT id = pPopup->GetMenuItemID(i);
    if (id == 0) continue;  // separator
    CString current;
    int length = pPopup->GetMenuString(id, nullptr, 0, MF_BYCOMMAND);
    if (length > 0) {
      std::vector<char> buffer(static_cast<size_t>(length) * 2 + 2);
      pPopup->GetMenuString(id, buffer.data(), static_cast<int>(buffer.size()), MF_BYCOMMAND);
      current = buffer.data();
    }
    CString value;
    if (!ReadOrSeedStringFileText(stringFile, section, StringFileKey(id), current, value)) continue;
    UINT state = pPopup->EnableMenuItem(id, MF_BYCOMMAND | MF_ENABLED);
    if (state == static_cast<UINT>(-1)) state = MF_ENABLED;
    pPopup->ModifyMenu(id, MF_BYCOMMAND | MF_STRING, id, value);
    pPopup->EnableMenuItem(id, MF_BYCOMMAND | state);
    if (value.c_str()[0] == '*') {
      pPopup->RemoveMenu(id, MF_BYCOMMAND);
      --i;  // the next item has moved into this position
    }
  }
}
