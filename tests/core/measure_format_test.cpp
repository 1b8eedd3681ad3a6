#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "editcore/measure_format.h"

TEST(MeasureFormat, RefusesWhatCouldReadOrWriteOutsideTheArguments) {
  const char* refused[] = {"%s", "%n", "%d", "%*f", "%.*f", "%x", "%p", "%c", "%Lf", "%hf", "%", "abc %",
                           "%5", "%.2", "%f %s", "%99999f", "%.2000f", "%1$f", "%llf", "%-"};
  for (const char* format : refused) {
    EXPECT_EQ(CountDoubleConversions(format), -1) << "format \"" << format << "\"";
    EXPECT_EQ(FormatMeasures(format, 2, 1.0, 2.0), "") << "format \"" << format << "\"";
  }
}

TEST(MeasureFormat, AFormatIsCheckedOnlyUpToItsFirstNul) {
  using namespace std::string_literals;
  const std::pair<std::string, const char*> cases[] = {
      {"%5\0f"s, ""},              // printf would see the unfinished "%5"
      {"%-\0f"s, ""},
      {"%\0"s, ""},
      {"L=%.1f\0%s%n"s, "L=1.5"},  // what follows the NUL is never printed
  };
  for (const auto& [format, expected] : cases)
    EXPECT_EQ(FormatMeasures(format, 1, 1.5, 0), expected) << "format of " << format.size() << " bytes";
  EXPECT_EQ(CountDoubleConversions("%5\0f"s), -1);
}

TEST(MeasureFormat, LimitsTheNumberOfValuesPerMode) {
  EXPECT_EQ(FormatMeasures("%f %f", 1, 1, 2), "") << "a polyline format consumes one double";
  EXPECT_EQ(FormatMeasures("%f %f %f", 2, 1, 2), "") << "a polygon format consumes two doubles";
  EXPECT_EQ(CountDoubleConversions("%f %% %g"), 2);
}

TEST(MeasureFormat, CutsThePrefixAt1024Bytes) {
  std::string format(3000, 'x');
  EXPECT_EQ(FormatMeasures(format, 1, 0, 0).size(), kMaxMeasurePrefix);
  std::string wide = "%1024f%1024f";
  EXPECT_EQ(FormatMeasures(wide, 2, 1, 2).size(), kMaxMeasurePrefix);
}

// The format is copied to a buffer of kMaxMeasureFormat bytes and its NUL: the longest
// format honoured must print in full, and one byte more must be refused before any copy.
TEST(MeasureFormat, HonoursFormatsUpToTheLongestAllowed) {
  const struct {
    size_t size;
    size_t expectedSize;
  } cases[] = {
      {kMaxMeasureFormat - 1, kMaxMeasurePrefix},
      {kMaxMeasureFormat, kMaxMeasurePrefix},
      {kMaxMeasureFormat + 1, 0},
  };
  for (const auto& c : cases) {
    std::string format = "%.1f|";
    format.resize(c.size, 'x');
    const std::string printed = FormatMeasures(format, 1, 1.5, 0);
    EXPECT_EQ(printed.size(), c.expectedSize) << "format of " << c.size << " bytes";
    if (c.expectedSize) {
      EXPECT_EQ(printed.substr(0, 6), "1.5|xx") << "format of " << c.size << " bytes";
    }
  }
}

namespace {

// What the C library prints: the caption's text before the direct formatting.
std::string Printed(const std::string& format, double a, double b) {
  char buffer[kMaxMeasurePrefix + 1];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(buffer, sizeof(buffer), format.c_str(), a, b);
#pragma GCC diagnostic pop
  return buffer;
}

// Values whose digits are easy to get wrong: exact ties at the printed precision (a
// multiple of 1/8 or 1/16 at "%.2f", 1e15 + 0.5 at "%.0f"), near-ties that the double
// puts just below or above (2.675, 1.005), the smallest and largest doubles, signed
// zeros, and a deterministic spread of magnitudes and of raw bit patterns.
std::vector<double> HardValues() {
  std::vector<double> values = {0.0,      -0.0,     0.5,         1.5,     2.5,     0.125,   0.375,        2.675,
                                1.005,    0.05,     0.15,        0.25,    0.35,    999.995, 9.9999995,    5e-7,
                                1e15 + .5, 1e15 + 1.5, 4503599627370495.5, 9007199254740993.0, 1e22, 1e23, 123456.785,
                                5e-324,   DBL_MIN,  DBL_MAX,     -DBL_MAX, -2.675,  -0.125,  -1e-7,        1e-5,
                                0.1,      1.0 / 3,  2.0 / 3,     1e100,   1e-100,  65536.5, 4294967296.25,
                                9007199254740991.0, 9007199254740992.0, 1844674407370955.5, 1e-23, 3e-23};
  for (int k = -200; k <= 200; ++k) {
    values.push_back(k / 8.0);
    values.push_back(k / 16.0 + 1000);
    values.push_back(k / 1000.0);
  }
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 600; ++i) {
    double bits;
    const uint64_t pattern = random();
    std::memcpy(&bits, &pattern, sizeof(bits));
    if (std::isfinite(bits)) values.push_back(bits);
    const double scale = std::ldexp(1.0, static_cast<int>(random() % 120) - 40);
    values.push_back(static_cast<double>(random() % 1000000) / 1000 * scale);
    values.push_back(static_cast<double>(random() % 100000) + 0.005);
  }
  return values;
}

}  // namespace

// Every conversion the caption formats itself must print what the C library prints,
// digit for digit, on each platform the module is built for.
TEST(MeasureFormat, DirectDigitsAreThePrintedDigits) {
  const char* formats[] = {"Area %.2f Perimeter %.2f ", "%.0f|%.1f", "%f %lf", "%.3f %.10f", "%.17f %.30f",
                           "%.340f", "%F", "%e %E", "%.0e %.3e", "%.16e %.20E", "%g %G", "%.0g %.3g",
                           "%.17g %.25G", "%+f % .2f", "%08.2f|%-10.3f|", "%+012.3e|% 20.4g", "%-+9.1f|%+-9.1f",
                           "% 0+8.2f", "%1024.2f", "100%% %.2f%%", "%.18f %.19f", "%.20f|%.4f"};
  const std::vector<double> values = HardValues();
  int mismatches = 0;
  for (const char* format : formats) {
    for (size_t i = 0; i < values.size(); ++i) {
      const double a = values[i], b = values[(i * 7 + 3) % values.size()];
      std::string direct;
      if (!FormatMeasuresDirectly(format, 2, a, b, direct)) {
        ADD_FAILURE() << "\"" << format << "\" left to the C library for " << a;
        return;
      }
      const std::string printed = Printed(format, a, b);
      if (direct != printed && ++mismatches <= 10)
        ADD_FAILURE() << "\"" << format << "\" of " << a << ", " << b << ": \"" << direct << "\" instead of \""
                      << printed << "\"";
      if (FormatMeasures(format, 2, a, b) != printed && ++mismatches <= 10)
        ADD_FAILURE() << "the caption of \"" << format << "\" differs";
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// What the direct formatting cannot promise is left to the C library, which the
// caption then shows unchanged.
TEST(MeasureFormat, LeavesToTheLibraryWhatItCannotPrintAlike) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* format;
    double a, b;
  } cases[] = {
      {"%.2f", nan, 1},      {"%f %f", 1, -inf},  {"%e", inf, 0}, {"%#.0f", 3, 0},
      {"%#g", 2, 0},         {"%a", 1, 0},        {"%.2f %A", 1, 2},
  };
  for (const auto& c : cases) {
    std::string direct;
    EXPECT_FALSE(FormatMeasuresDirectly(c.format, 2, c.a, c.b, direct)) << c.format;
    EXPECT_EQ(FormatMeasures(c.format, 2, c.a, c.b), Printed(c.format, c.a, c.b)) << c.format;
  }
}

TEST(MeasureFormat, FollowsTheRoundingModeTheProcessSet) {
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    std::string direct;
    const bool left = !FormatMeasuresDirectly("%.1f", 1, 0.25, 0, direct);
    const std::string caption = FormatMeasures("%.1f %.2f", 2, 0.25, -2.675);
    const std::string printed = Printed("%.1f %.2f", 0.25, -2.675);
    std::fesetround(FE_TONEAREST);
    EXPECT_TRUE(left) << "rounding mode " << mode;
    EXPECT_EQ(caption, printed) << "rounding mode " << mode;
  }
}

TEST(MeasureFormat, FollowsTheDecimalPointOfTheLocale) {
  const char* names[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German", "de-DE"};
  const char* chosen = nullptr;
  for (const char* name : names)
    if ((chosen = std::setlocale(LC_NUMERIC, name))) break;
  if (!chosen) GTEST_SKIP() << "no locale with a decimal comma is installed";
  std::string direct;
  const bool left = !FormatMeasuresDirectly("%.2f", 1, 1.5, 0, direct);
  const std::string caption = FormatMeasures("%.2f", 1, 1.5, 0);
  const std::string printed = Printed("%.2f", 1.5, 0);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_TRUE(left) << chosen;
  EXPECT_EQ(caption, printed) << chosen;
}

// The caption keeps one formatter for every click: each call must still print its own
// format, including after one that was refused or left to the C library.
TEST(MeasureFormat, AKeptFormatterFollowsEachFormatItIsGiven) {
  using namespace std::string_literals;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    std::string format;
    int maxValues;
    double a, b;
  } calls[] = {
      {"A %.2f P %.2f ", 2, 12.5, 14.0}, {"A %.2f P %.2f ", 2, 0.125, 2.675}, {"A %.2f P %.2f ", 1, 1, 2},
      {"L %.1f ", 1, 3.25, 0},          {"%s", 1, 1, 0},                   {"L %.1f ", 1, 3.35, 0},
      {"%#.0f|%.1f", 2, 2, 3},           {"L %.1f\0%.3f"s, 1, 3.35, 0},     {"L %.1f\0%.2f"s, 1, 3.35, 0},
      {"%e %g", 2, nan, 1e-5},           {"%e %g", 2, 1e21, 1e-5},         {"%%%.3f%%", 1, -0.0005, 0},
  };
  MeasureFormatter kept;
  for (const auto& c : calls)
    EXPECT_EQ(kept.Format(c.format, c.maxValues, c.a, c.b), FormatMeasures(c.format, c.maxValues, c.a, c.b))
        << "format \"" << c.format << "\", " << c.maxValues << " values";
}
