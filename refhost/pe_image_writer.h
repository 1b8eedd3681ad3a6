// Writes small, real PE images (a DLL or program with no code) whose .rsrc section holds
// one RT_VERSION resource; used by the reference host and by tests of the version reader.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/win_types.h"

struct VersionInfoSpec {
  WORD fileVersion[4] = {0, 0, 0, 0};     // major, minor, build, revision
  WORD productVersion[4] = {0, 0, 0, 0};
  DWORD fileType = 2;                      // VFT_DLL; VFT_APP is 1
  DWORD fileFlags = 0;
  WORD language = 0x0409;
  WORD codePage = 1200;                    // 1200 gives "040904b0", 1252 gives "040904e4"
  std::vector<std::pair<std::string, std::string>> strings;  // name, UTF-8 value
  bool withStringFileInfo = true;
  bool withVarFileInfo = true;             // false leaves out \VarFileInfo\Translation
};

// The VS_VERSIONINFO block, laid out as a resource compiler lays it out.
std::vector<uint8_t> BuildVersionInfoBlock(const VersionInfoSpec& spec);

struct PeImageSpec {
  bool dll = true;
  bool pe32Plus = false;               // x64 image with a PE32+ optional header
  std::vector<uint8_t> versionResource;  // stored as RT_VERSION #1, language 0x0409; none if empty
};

std::vector<uint8_t> BuildPeImage(const PeImageSpec& spec);
// The image of a DLL (or program, by spec.fileType) carrying BuildVersionInfoBlock(spec).
std::vector<uint8_t> BuildVersionedPeImage(const VersionInfoSpec& spec);
bool WriteBytesToFile(const char* path, const std::vector<uint8_t>& bytes);
