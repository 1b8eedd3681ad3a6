#include "editcore/measure_format.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#if defined(_WIN32)
#include <clocale>
#else
#include <langinfo.h>
#endif

namespace {

using Conversion = MeasureFormatter::Conversion;

// printf reads the format only up to its first NUL; the check reads exactly that.
std::string_view AsPrintfSeesIt(std::string_view format) { return format.substr(0, format.find('\0')); }

// strchr would also match the terminating NUL of the set.
bool OneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// Reads the conversion whose '%' is just before format[i] and leaves i on its letter;
// false for anything that is not one double conversion within the bounds.
bool ParseConversion(std::string_view format, size_t& i, Conversion& c) {
  for (; i < format.size() && OneOf(format[i], "-+ #0"); ++i) {
    switch (format[i]) {
      case '-': c.left = true; break;
      case '+': c.plus = true; break;
      case ' ': c.space = true; break;
      case '#': c.alternate = true; break;
      default: c.zero = true; break;
    }
  }
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    c.width = c.width * 10 + static_cast<size_t>(format[i] - '0');
    if (c.width > kMaxMeasurePrefix) return false;
    ++i;
  }
  if (i < format.size() && format[i] == '.') {
    ++i;
    size_t precision = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      precision = precision * 10 + static_cast<size_t>(format[i] - '0');
      if (precision > kMaxMeasurePrefix) return false;
      ++i;
    }
    c.precision = static_cast<int>(precision);
  }
  if (i < format.size() && format[i] == 'l') ++i;  // %lf is a double as well
  if (i >= format.size() || !OneOf(format[i], "fFeEgGaA")) return false;
  c.letter = format[i];
  return true;
}

// The prefix as it is written, cut where snprintf into a buffer of kMaxMeasurePrefix + 1
// bytes cuts it.
class Prefix {
 public:
  explicit Prefix(char* text) : m_text(text) {}
  size_t Size() const { return m_size; }
  void Append(const char* text, size_t n) {
    n = std::min(n, kMaxMeasurePrefix - m_size);
    std::memcpy(m_text + m_size, text, n);
    m_size += n;
  }
  void Append(const std::string& text) { Append(text.data(), text.size()); }
  void Repeat(char c, size_t n) {
    n = std::min(n, kMaxMeasurePrefix - m_size);
    std::memset(m_text + m_size, c, n);
    m_size += n;
  }

 private:
  char* m_text;  // room for kMaxMeasurePrefix bytes
  size_t m_size = 0;
};

// Whether the C library would write the decimal point as '.' and round to nearest,
// ties to even, as the direct writing always does: a container may have changed either.
bool LibraryPrintsAsWeDo() {
  if (std::fegetround() != FE_TONEAREST) return false;
#if defined(_WIN32)
  const char* point = std::localeconv()->decimal_point;
#else
  const char* point = nl_langinfo(RADIXCHAR);
#endif
  return point && point[0] == '.' && point[1] == '\0';
}

#if defined(__SIZEOF_INT128__)
// "%.Nf" of a value below 2^53 in exact integers, ending at `end`: the value is
// m * 2^-shift, so its digits are m * 10^N / 2^shift rounded to nearest, ties to even,
// as printf rounds the exact binary value. About a third of what std::to_chars costs for
// the few places a caption shows. Null when the value or the precision is too large.
char* FixedDigits(double value, int precision, char* end) {
  static constexpr uint64_t kPowers[20] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};
  if (precision >= 20) return nullptr;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((1ULL << 52) - 1);
  int shift = 1074;  // subnormal
  if (biased != 0) {
    mantissa |= 1ULL << 52;
    shift = 1075 - biased;
  }
  if (shift < 0) return nullptr;
  using U128 = unsigned __int128;
  const U128 scaled = static_cast<U128>(mantissa) * kPowers[precision];  // below 2^117
  U128 digits = 0;
  if (shift == 0) {
    digits = scaled;
  } else if (shift < 128) {
    digits = scaled >> shift;
    const U128 rest = scaled - (digits << shift), half = static_cast<U128>(1) << (shift - 1);
    if (rest > half || (rest == half && (digits & 1))) ++digits;
  }  // else below 2^-75: less than half a unit of the last place at any precision here
  if (digits >> 64) return nullptr;
  uint64_t n = static_cast<uint64_t>(digits);
  char* p = end;
  for (int i = 0; i < precision; ++i, n /= 10) *--p = static_cast<char>('0' + n % 10);
  if (precision > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n);
  if (bits >> 63) *--p = '-';
  return p;
}
#endif

// One finite value as the conversion prints it, with its sign, flags and width.
void AppendValue(const Conversion& c, double value, Prefix& out) {
  const int precision = c.precision < 0 ? 6 : c.precision;
  // The widest: DBL_MAX in full (309 digits), a point, the precision and a sign.
  char digits[kMaxMeasurePrefix + 320];
  char* const end = digits + sizeof(digits);
  char* first = nullptr;
  const bool fixed = c.letter == 'f' || c.letter == 'F';
#if defined(__SIZEOF_INT128__)
  if (fixed) first = FixedDigits(value, precision, end);
#endif
  char* last = end;
  if (!first) {
    std::chars_format style = std::chars_format::general;
    if (fixed)
      style = std::chars_format::fixed;
    else if (c.letter == 'e' || c.letter == 'E')
      style = std::chars_format::scientific;
    first = digits + 1;  // room for a sign in front
    last = std::to_chars(first, end, value, style, precision).ptr;  // the buffer is wide enough
    if (c.letter == 'E' || c.letter == 'G')
      for (char* p = first; p != last; ++p)
        if (*p == 'e') *p = 'E';
  }
  if (*first != '-' && (c.plus || c.space)) *--first = c.plus ? '+' : ' ';
  const size_t size = static_cast<size_t>(last - first);
  const size_t pad = c.width > size ? c.width - size : 0;
  if (c.left) {
    out.Append(first, size);
    out.Repeat(' ', pad);
  } else if (c.zero) {
    const size_t sign = *first == '-' || *first == '+' || *first == ' ' ? 1 : 0;
    out.Append(first, sign);
    out.Repeat('0', pad);
    out.Append(first + sign, size - sign);
  } else {
    out.Repeat(' ', pad);
    out.Append(first, size);
  }
}

}  // namespace

int CountDoubleConversions(std::string_view format) {
  format = AsPrintfSeesIt(format);
  if (format.size() > kMaxMeasureFormat) return -1;
  int count = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    Conversion c;
    if (!ParseConversion(format, i, c)) return -1;
    ++count;
  }
  return count;
}

void MeasureFormatter::Prepare(std::string_view format, int maxValues) {
  if (maxValues == m_maxValues && format == m_format) return;
  m_format.assign(format);
  m_maxValues = maxValues;
  // Only two doubles are ever passed.
  m_conversions = CountDoubleConversions(format);
  m_refused = m_conversions < 0 || m_conversions > std::min(maxValues, 2);
  m_direct = !m_refused;
  for (std::string& literal : m_literals) literal.clear();
  m_printf.clear();
  if (m_refused) return;
  // A BSTR may hold an embedded NUL: the checked text is the text printed.
  const std::string_view checked = AsPrintfSeesIt(format);
  m_printf.assign(checked);
  int next = 0;
  for (size_t i = 0; i < checked.size(); ++i) {
    if (checked[i] != '%') {
      m_literals[next] += checked[i];
      continue;
    }
    ++i;
    if (checked[i] == '%') {  // the count above has seen no '%' at the end
      m_literals[next] += '%';
      continue;
    }
    Conversion& c = m_specs[next++];
    c = Conversion{};
    ParseConversion(checked, i, c);
    if (c.alternate || c.letter == 'a' || c.letter == 'A') m_direct = false;
  }
}

bool MeasureFormatter::WriteDirectly(double first, double second, size_t& size) {
  if (!m_direct || !LibraryPrintsAsWeDo()) return false;
  const double values[2] = {first, second};
  for (int k = 0; k < m_conversions; ++k)
    if (!std::isfinite(values[k])) return false;
  Prefix out(m_text);
  out.Append(m_literals[0]);
  for (int k = 0; k < m_conversions; ++k) {
    AppendValue(m_specs[k], values[k], out);
    out.Append(m_literals[k + 1]);
  }
  size = out.Size();
  return true;
}

bool MeasureFormatter::FormatDirectly(std::string_view format, int maxValues, double first, double second,
                                      std::string& text) {
  Prepare(format, maxValues);
  size_t size = 0;
  if (m_refused || !WriteDirectly(first, second, size)) return false;
  text.assign(m_text, size);
  return true;
}

std::string_view MeasureFormatter::Write(std::string_view format, int maxValues, double first, double second) {
  Prepare(format, maxValues);
  size_t size = 0;
  if (!m_refused && !WriteDirectly(first, second, size)) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int written = std::snprintf(m_text, sizeof(m_text), m_printf.c_str(), first, second);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    size = written < 0 ? 0 : std::strlen(m_text);
  }
  m_text[size] = '\0';
  return {m_text, size};
}

std::string MeasureFormatter::Format(std::string_view format, int maxValues, double first, double second) {
  return std::string(Write(format, maxValues, first, second));
}

std::string FormatMeasures(std::string_view format, int maxValues, double first, double second) {
  return MeasureFormatter().Format(format, maxValues, first, second);
}

bool FormatMeasuresDirectly(std::string_view format, int maxValues, double first, double second, std::string& text) {
  return MeasureFormatter().FormatDirectly(format, maxValues, first, second, text);
}

std::string FormatG(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}
