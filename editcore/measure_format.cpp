#include "editcore/measure_format.h"

#include <cstdio>
#include <cstring>
#include <vector>

int CountDoubleConversions(std::string_view format) {
  int count = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    while (i < format.size() && std::strchr("-+ #0", format[i])) ++i;
    size_t width = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      width = width * 10 + static_cast<size_t>(format[i] - '0');
      if (width > kMaxMeasurePrefix) return -1;
      ++i;
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      size_t precision = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        precision = precision * 10 + static_cast<size_t>(format[i] - '0');
        if (precision > kMaxMeasurePrefix) return -1;
        ++i;
      }
    }
    if (i < format.size() && format[i] == 'l') ++i;  // %lf is a double as well
    if (i >= format.size() || !std::strchr("fFeEgGaA", format[i])) return -1;
    ++count;
  }
  return count;
}

std::string FormatMeasures(std::string_view format, int maxValues, double first, double second) {
  const int conversions = CountDoubleConversions(format);
  if (conversions < 0 || conversions > maxValues) return {};
  // The format may hold an embedded NUL from a BSTR; printf would stop there too.
  std::string fmt(format.substr(0, format.find('\0')));
  std::vector<char> buffer(kMaxMeasurePrefix + 1);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
  int written = std::snprintf(buffer.data(), buffer.size(), fmt.c_str(), first, second);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  if (written < 0) return {};
  return std::string(buffer.data());
}
