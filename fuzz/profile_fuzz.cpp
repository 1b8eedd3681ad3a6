// Fuzz target for the profile-file parser and editor. The input is split at its first
// two bytes into names and file text; the checks abort on any broken promise.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/mutator.h"
#include "platform/profile.h"
#include "platform/profile_index.h"

namespace qarn_fuzz {

inline void Require(bool ok) {
  if (!ok) std::abort();
}

// Byte edits plus the characters that shape a profile file.
inline const Mutations& ProfileMutations() {
  static const Mutations m{4, {}, {"[", "]", "=", "\r\n", "\n", "\"", ";", "'"}, {}, 0};
  return m;
}

// Letters and digits from the input, so the edited names are always valid names.
inline std::string SafeName(const uint8_t* data, size_t size, size_t from, size_t count) {
  std::string s;
  for (size_t i = from; i < size && s.size() < count; ++i) {
    char c = static_cast<char>('a' + data[i] % 26);
    s += c;
  }
  return s.empty() ? std::string("k") : s;
}

inline void ProfileOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::string section = SafeName(data, size, 0, 3);
  std::string key = SafeName(data, size, 3, 3);
  static const DWORD kSizes[] = {0, 1, 2, 3, 8, 64, 4096};
  char buf[4096 + 8];
  for (DWORD n : kSizes) {
    std::memset(buf, 0x7F, sizeof buf);
    DWORD got = QarnProfileStringFromText(text, size, section.c_str(), key.c_str(), "dflt ", buf, n);
    if (n == 0) {
      Require(got == 0 && buf[0] == 0x7F);
      continue;
    }
    Require(got <= n - 1 && buf[got] == '\0' && buf[n] == 0x7F);
    for (const char* sec : {static_cast<const char*>(nullptr), section.c_str()}) {
      std::memset(buf, 0x7F, sizeof buf);
      got = QarnProfileStringFromText(text, size, sec, nullptr, nullptr, buf, n);
      Require(buf[n] == 0x7F);
      if (n >= 2) Require(got <= n - 1);
      // Whole lists end "...\0\0" at got; cut ones put both NULs at got and got + 1.
      if (n >= 2)
        Require(buf[got] == '\0' && ((got > 0 && buf[got - 1] == '\0') || (got + 1 < n && buf[got + 1] == '\0')));
    }
  }
  // The string file's parsed-once table finds what a lookup in the text finds (an
  // absent value reads back as the default, which no value starting with "\x01" can be).
  {
    const QarnProfileIndex index(std::string_view(text, size));
    char whole[4096 + 8];
    const DWORD n = QarnProfileStringFromText(text, size, section.c_str(), key.c_str(), "\x01", whole, sizeof whole);
    const std::string* found = index.Find(section, key);
    const std::string fromText(whole, n);
    if (found) {
      Require(fromText == found->substr(0, sizeof whole - 1));
    } else {
      Require(fromText == "\x01");
    }
  }
  // Any file accepts a write of a plain key, and then reads it back.
  std::string edited(text, size);
  std::string value = "v" + key;
  QarnProfileEditText(edited, section.c_str(), key.c_str(), value.c_str());
  DWORD got = QarnProfileStringFromText(edited.data(), edited.size(), section.c_str(), key.c_str(), "", buf, sizeof buf);
  Require(std::string(buf, got) == value);
  QarnProfileEditText(edited, section.c_str(), key.c_str(), nullptr);
  got = QarnProfileStringFromText(edited.data(), edited.size(), section.c_str(), key.c_str(), "gone", buf, sizeof buf);
  Require(std::string(buf, got) != value);
  QarnProfileEditText(edited, section.c_str(), nullptr, nullptr);
}

}  // namespace qarn_fuzz

#ifndef QARN_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarn_fuzz::ProfileOneInput(data, size);
  return 0;
}
#endif
