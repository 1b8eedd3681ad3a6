// version_probe FILE: prints the file and product versions of a PE module as read by
// the project's own version-resource reader, e.g. "file 3.0.0.37 product 3.0.0.37".
#include <cstdio>
#include <vector>

#include "platform/version_resource.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: version_probe FILE\n");
    return 2;
  }
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(argv[1], &handle);
  if (size == 0) {
    std::fprintf(stderr, "version_probe: %s has no readable version resource\n", argv[1]);
    return 1;
  }
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!GetFileVersionInfoA(argv[1], handle, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &len) || len < sizeof(VS_FIXEDFILEINFO) ||
      info->dwSignature != VS_FFI_SIGNATURE) {
    std::fprintf(stderr, "version_probe: %s: the root value is missing or malformed\n", argv[1]);
    return 1;
  }
  std::printf("file %lu.%lu.%lu.%lu product %lu.%lu.%lu.%lu\n", (unsigned long)(info->dwFileVersionMS >> 16),
              (unsigned long)(info->dwFileVersionMS & 0xFFFF), (unsigned long)(info->dwFileVersionLS >> 16),
              (unsigned long)(info->dwFileVersionLS & 0xFFFF), (unsigned long)(info->dwProductVersionMS >> 16),
              (unsigned long)(info->dwProductVersionMS & 0xFFFF), (unsigned long)(info->dwProductVersionLS >> 16),
              (unsigned long)(info->dwProductVersionLS & 0xFFFF));
  return 0;
}
