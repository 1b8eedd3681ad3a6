#include "editcore/file_version_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editcore/edit_controller.h"

void FileVersionInfo::Reset() {
  m_data.clear();
  m_translation = 0;
  std::memset(&m_fixedInfo, 0, sizeof(m_fixedInfo));
}

BOOL FileVersionInfo::Load(LPCSTR fileName) {
  Reset();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(fileName, &handle);
  if (size == 0) return FALSE;
  m_data.resize(size);
  if (!GetFileVersionInfoA(fileName, handle, size, m_data.data())) {
    m_data.clear();
    return FALSE;
  }
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(m_data.data(), "\\", &value, &length) || !value) {
    m_data.clear();
    return FALSE;
  }
  std::memcpy(&m_fixedInfo, value, length < sizeof(m_fixedInfo) ? length : sizeof(m_fixedInfo));
  value = nullptr;
  length = 0;
  if (!VerQueryValueA(m_data.data(), "\\VarFileInfo\\Translation", &value, &length) || !value ||
      length < sizeof(DWORD)) {
    Reset();
    return FALSE;
  }
  std::memcpy(&m_translation, value, sizeof(DWORD));
  m_fileName = fileName;
  return TRUE;
}

CString FileVersionInfo::GetFileVersionText() const {
  if (m_data.empty()) return CString();
  char text[32];
  std::snprintf(text, sizeof(text), "%u.%u", static_cast<unsigned>(HIWORD(m_fixedInfo.dwFileVersionMS)),
                static_cast<unsigned>(LOWORD(m_fixedInfo.dwFileVersionMS)));
  return CString(text);
}

bool ProbeHostManagesUtils() {
  FileVersionInfo info;
  info.Load(QARN_HOST_CONTROL_FILE);
  if (!info.IsLoaded()) return false;
  CString version = info.GetFileVersionText();
  int dot = version.Find('.');
  CString major = dot >= 0 ? version.Left(dot) : version;
  return std::atoi(major) >= 3;
}

void EditController::HostManagesUtils() {
  m_hostManagesUtils = false;
  m_hostManagesUtils = ProbeHostManagesUtils();
}
