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

// The same text written without the C library's printf, into `text`; false (and `text`
// untouched) when the format is refused or has a conversion whose digits only the C
// library can promise: the alternate form, %a, a value that is not finite, or a process
// that has changed the rounding mode or the decimal point.
bool FormatMeasuresDirectly(std::string_view format, int maxValues, double first, double second, std::string& text);

// FormatMeasures for a caption that applies the same format at every click: the format
// is checked and taken apart once, and again only when it (or maxValues) changes.
class MeasureFormatter {
 public:
  std::string Format(std::string_view format, int maxValues, double first, double second);
  // The same text in the formatter's own buffer, followed by a NUL: valid until the next
  // call, so that the caption can be built without a string of its own.
  std::string_view Write(std::string_view format, int maxValues, double first, double second);
  // As FormatMeasuresDirectly.
  bool FormatDirectly(std::string_view format, int maxValues, double first, double second, std::string& text);

  // One conversion of a format, from its '%' to its letter.
  struct Conversion {
    bool left = false, plus = false, space = false, zero = false, alternate = false;
    size_t width = 0;
    int precision = -1;  // none given
    char letter = 0;
  };

 private:
  void Prepare(std::string_view format, int maxValues);
  // Writes the text into m_text; false when it is left to the C library.
  bool WriteDirectly(double first, double second, size_t& size);

  std::string m_format;  // as given, embedded NULs and all: the key of what follows
  int m_maxValues = -1;
  bool m_refused = true;
  // Whether every conversion is one the direct writing covers (for finite values).
  bool m_direct = false;
  int m_conversions = 0;
  // The text around the conversions, "%%" already written as '%'.
  std::string m_literals[3];
  Conversion m_specs[2];
  std::string m_printf;  // the checked format, for the C library
  char m_text[kMaxMeasurePrefix + 1];
};
