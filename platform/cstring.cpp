#include "platform/cstring.h"

#include <algorithm>

#include "platform/resources_api.h"

int CString::Find(char ch, int start) const {
  if (start < 0 || start > GetLength()) return -1;
  size_t pos = m_text.find(ch, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_text.substr(0, static_cast<size_t>(count)));
}

BOOL CString::LoadString(UINT id) {
#if defined(_WIN32)
  char buffer[4096];
  int length = ::LoadStringA(QarnGetResourceInstance(), id, buffer, sizeof(buffer));
  m_text.assign(buffer, length > 0 ? static_cast<size_t>(length) : 0);
  return length > 0;
#else
  const char* text = QarnFindStringResource(id);
  m_text = text ? text : "";
  return text != nullptr;
#endif
}
