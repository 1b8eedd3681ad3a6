#include "platform/profile_index.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

QarnProfileIndex::QarnProfileIndex(std::string_view text) {
  Keys* current = nullptr;  // null before the first header and under a repeated one
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t stop = pos;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    std::string_view line = text.substr(pos, stop - pos);
    pos = stop + 1;
    // A NUL ends the text a narrow-string reader would see.
    line = Trim(line.substr(0, line.find('\0')));
    if (!line.empty() && line.front() == '[') {
      std::string_view inner = line.substr(1);
      inner = inner.substr(0, inner.find(']'));
      auto [it, added] = m_sections.try_emplace(Folded(Trim(inner)));
      // Windows reads only the first of two equal sections.
      current = added ? &it->second : nullptr;
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    current->try_emplace(Folded(Trim(line.substr(0, eq))), Unquote(Trim(line.substr(eq + 1))));
  }
}

const std::string* QarnProfileIndex::Find(std::string_view section, std::string_view key) const {
  auto s = m_sections.find(Folded(Trim(section)));
  if (s == m_sections.end()) return nullptr;
  auto k = s->second.find(Folded(Trim(key)));
  return k == s->second.end() ? nullptr : &k->second;
}

bool QarnIsIniText(std::string_view bytes) {
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) return false;
  }
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A) continue;
    return false;
  }
  return true;
}
