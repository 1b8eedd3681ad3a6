// FileVersionInfo: reads the version resource of a file.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cstring.h"
#include "platform/version_resource.h"

class FileVersionInfo {
 public:
  FileVersionInfo() = default;
  FileVersionInfo(const FileVersionInfo&) = delete;
  FileVersionInfo& operator=(const FileVersionInfo&) = delete;

  BOOL Load(LPCSTR fileName);
  void Reset();
  bool IsLoaded() const { return !m_data.empty(); }
  // "major.minor" of the file version, empty when nothing is loaded.
  CString GetFileVersionText() const;
  DWORD GetTranslation() const { return m_translation; }
  const VS_FIXEDFILEINFO& GetFixedInfo() const { return m_fixedInfo; }
  const CString& GetFileName() const { return m_fileName; }

 private:
  CString m_fileName;
  std::vector<BYTE> m_data;
  DWORD m_translation = 0;
  VS_FIXEDFILEINFO m_fixedInfo = {};
};

// The host control's file, found by the version functions' search rules.
#define QARN_HOST_CONTROL_FILE "qarnocx32.ocx"

// Whether the host control's file is of major version 3 or later.
bool ProbeHostManagesUtils();
