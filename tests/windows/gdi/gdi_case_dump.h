// Draws every case of the shared drawing table and turns each result into a text
// picture, so that two GDI implementations can be compared pixel by pixel.
#pragma once

#include <string>
#include <vector>

namespace gditest {

// One drawn case. `picture` rows use: '.' white, 'p' pen red, 'f' brush green,
// 'b' background blue, 'k' black, 'x' changed (xor check), '#' any other colour.
struct DumpedCase {
  std::string name;       // as the case table names it, with its family in front
  int width = 0;
  int height = 0;
  std::vector<std::string> picture;
  std::vector<std::string> notes;  // exact colours where the case is about colour
};

std::vector<DumpedCase> DrawAllCases();

// "line slope 3/7" -> "line_slope_3-7": safe as a file name on both systems.
std::string DumpFileName(const std::string& caseName);

// The text form written to a file (compare_gdi_dumps.py reads it).
std::string FormatDump(const DumpedCase& c);

// Writes <dir>/<DumpFileName>.txt per case and <dir>/index.txt; false on any write error.
bool WriteDumps(const std::string& dir, const std::vector<DumpedCase>& cases);

}  // namespace gditest
