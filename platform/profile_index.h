// A profile file's text parsed once into a table. Lookups follow the rules of
// GetPrivateProfileStringA (names without regard to ASCII case, blanks trimmed, one
// pair of matching quotes removed, the first of equal sections and keys winning) and
// cost the same whatever the size of the file.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

class QarnProfileIndex {
 public:
  QarnProfileIndex() = default;
  explicit QarnProfileIndex(std::string_view text);

  // The value of key in section, or nullptr when either is absent. Not cut to any buffer.
  const std::string* Find(std::string_view section, std::string_view key) const;

 private:
  using Keys = std::unordered_map<std::string, std::string>;
  std::unordered_map<std::string, Keys> m_sections;
};

// True when bytes are narrow INI text: no NUL (UTF-16 and UTF-32 have them), no
// UTF-16 byte-order mark, no control characters other than line ends, tabs, form feeds
// and the end-of-file mark.
bool QarnIsIniText(std::string_view bytes);
