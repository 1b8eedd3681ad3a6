// CString: the framework's narrow string, a value type over std::string.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text ? text : "") {}
  CString(const char* text, int length) : m_text(text ? std::string(text, length > 0 ? length : 0) : "") {}
  CString(std::string text) : m_text(std::move(text)) {}
  CString(std::string_view text) : m_text(text) {}

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  operator LPCTSTR() const { return m_text.c_str(); }
  const char* c_str() const { return m_text.c_str(); }
  const std::string& str() const { return m_text; }

  int Find(char ch, int start = 0) const;
  CString Left(int count) const;

  // Loads the text of a string-table entry of the module; FALSE (and empty) when there is none.
  BOOL LoadString(UINT id);

  CString& operator=(const char* text) {
    m_text = text ? text : "";
    return *this;
  }
  CString& operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
  }
  CString& operator+=(const char* text) {
    if (text) m_text += text;
    return *this;
  }
  CString& operator+=(char ch) {
    m_text += ch;
    return *this;
  }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
  friend CString operator+(const CString& a, const char* b) { return CString(a.m_text + (b ? b : "")); }
  friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_text); }
  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
  friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

 private:
  std::string m_text;
};

// Names compared as Windows compares automation names, ProgIDs and profile keys: ASCII
// letters without regard to case, every other byte exactly.
inline bool QarnEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}
