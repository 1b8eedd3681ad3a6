// typelib_dump FILE: prints a type library (a .tlb or a module's TYPELIB resource) as
// text, one entry per line, for comparison between builds.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>

#include "typelib_listing.h"

int main() {
  // The path may hold any characters: take it from the wide command line.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 2) {
    std::fprintf(stderr, "usage: typelib_dump FILE\n");
    return 2;
  }
  CoInitialize(nullptr);
  std::vector<std::string> lines;
  std::string error;
  bool ok = typelib::ListTypeLibrary(argv[1], &lines, &error);
  if (ok)
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
  else
    std::fprintf(stderr, "typelib_dump: %s\n", error.c_str());
  CoUninitialize();
  LocalFree(argv);
  return ok ? 0 : 1;
}
