#include "editcore/measure_format.h"

#include <cstdio>
#include <cstring>

namespace {

// printf reads the format only up to its first NUL; the check reads exactly that.
std::string_view AsPrintfSeesIt(std::string_view format) { return format.substr(0, format.find('\0')); }

// strchr would also match the terminating NUL of the set.
bool OneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

}  // namespace

int CountDoubleConversions(std::string_view format) {
  format = AsPrintfSeesIt(format);
  if (format.size() > kMaxMeasureFormat) return -1;
  int count = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    while (i < format.size() && OneOf(format[i], "-+ #0")) ++i;
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
    if (i >= format.size() || !OneOf(format[i], "fFeEgGaA")) return -1;
    ++count;
  }
  return count;
}

std::string FormatMeasures(std::string_view format, int maxValues, double first, double second) {
  const int conversions = CountDoubleConversions(format);
  if (conversions < 0 || conversions > maxValues) return {};
  // A BSTR may hold an embedded NUL: the checked text is the text printed. It runs at
  // every click while measures are shown, so both buffers are on the stack; the check
  // above has bounded the format's length.
  const std::string_view checked = AsPrintfSeesIt(format);
  char fmt[kMaxMeasureFormat + 1];
  std::memcpy(fmt, checked.data(), checked.size());
  fmt[checked.size()] = '\0';
  char buffer[kMaxMeasurePrefix + 1];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
  int written = std::snprintf(buffer, sizeof(buffer), fmt, first, second);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  if (written < 0) return {};
  return std::string(buffer);
}

std::string FormatG(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}
