// gdi_dump DIR: draws every shared drawing case and writes one text picture per case.
#include <cstdio>

#include "gdi_case_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gdi_dump OUTPUT_DIR\n");
    return 2;
  }
  std::vector<gditest::DumpedCase> cases = gditest::DrawAllCases();
  if (!gditest::WriteDumps(argv[1], cases)) {
    std::fprintf(stderr, "gdi_dump: cannot write to %s\n", argv[1]);
    return 1;
  }
  std::printf("gdi_dump: %zu cases written to %s\n", cases.size(), argv[1]);
  return 0;
}
