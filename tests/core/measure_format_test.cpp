#include <gtest/gtest.h>

#include <string>

#include "editcore/measure_format.h"

TEST(MeasureFormat, HonoursDoubleConversionsAndPercent) {
  struct Case {
    const char* format;
    int maxValues;
    double a, b;
    const char* expected;
  };
  const Case cases[] = {
      {"L=%.2f ", 1, 11.0, 0, "L=11.00 "},
      {"%g|", 1, 2.5, 0, "2.5|"},
      {"A=%.1f P=%.1f: ", 2, 12.0, 14.0, "A=12.0 P=14.0: "},
      {"100%% %e", 1, 1.0, 0, "100% 1.000000e+00"},
      {"%-8.3f|", 1, 3.14159, 0, "3.142   |"},
      {"%+010.2f", 1, 3.0, 0, "+000003.00"},
      {"%lf", 1, 1.5, 0, "1.500000"},
      {"%a", 1, 1.0, 0, "0x1p+0"},
      {"no conversion ", 1, 7.0, 0, "no conversion "},
      {"%f %f", 2, 1, 2, "1.000000 2.000000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatMeasures(c.format, c.maxValues, c.a, c.b), c.expected) << "format \"" << c.format << "\"";
}

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
