// Formatting the measures with a container's printf format, safely: only "%%" and
// conversions that consume one double are honoured, so a hostile format can neither
// read what was not passed nor write through %n.
#pragma once

#include <string>
#include <string_view>

// Largest prefix the caption carries, in bytes.
constexpr size_t kMaxMeasurePrefix = 1024;
// Longest format honoured, in bytes; a control loading a longer one keeps no format.
constexpr size_t kMaxMeasureFormat = 4096;

// Number of double conversions in the format (read up to its first NUL, as printf
// reads it), or -1 when the format has anything
// else (a format longer than kMaxMeasureFormat, %s, %n, *, a length modifier other than l, an unfinished conversion, a
// width or precision above kMaxMeasurePrefix).
int CountDoubleConversions(std::string_view format);

// A number as "%g" writes it, as the polar dialogs show angles and distances.
std::string FormatG(double value);

// The text of the format applied to the values, cut at kMaxMeasurePrefix bytes; empty
// when the format is refused or consumes more than maxValues doubles.
std::string FormatMeasures(std::string_view format, int maxValues, double first, double second);
