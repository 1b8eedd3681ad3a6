// Replays the GeoJSON fuzz target over the stored corpus and seeded mutations of it, so
// every test run opens hostile drawings even without a fuzzing build.
#define QARN_FUZZ_NO_ENTRY
#include "fuzz/geojson_fuzz.cpp"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

std::vector<std::string> Corpus() {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(QARN_GEOJSON_CORPUS_DIR)) {
    std::ifstream in(e.path(), std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

bool Opens(const std::string& s) { return qarn_fuzz::GeoJsonOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

// Mostly number swaps, which keep the JSON well-formed so mutants reach the GeoJSON
// checks; now and then a structural change or a stray byte.
std::string Mutate(std::string s, std::mt19937& rng) {
  static const char* const kNumbers[] = {"0", "-0.0", "1e15", "-1e15", "1.0000000000000002e15", "1e999", "2.5",
                                         "5e-324", "-7", "65535", "4294967296", "32768", "0.1"};
  static const char* const kTokens[] = {"null", "true", "\"x\"", "[]", "{}", "[0,0]", ",", "]", "[[0,0]]",
                                        "\"Point\"", "\"Polygon\"", "\"MultiPoint\"", "NaN", "[0,0,0]"};
  const int steps = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < steps && !s.empty(); ++i) {
    size_t at = rng() % s.size();
    const unsigned choice = rng() % 10;
    if (choice < 7) {  // the next number becomes another
      while (at < s.size() && !std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
      if (at == s.size()) continue;
      size_t from = at;
      while (from > 0 && (std::isdigit(static_cast<unsigned char>(s[from - 1])) || s[from - 1] == '-' || s[from - 1] == '.')) --from;
      size_t end = at;
      while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '.' || s[end] == '-')) ++end;
      s.replace(from, end - from, kNumbers[rng() % std::size(kNumbers)]);
    } else if (choice == 7) {
      s.insert(at, kTokens[rng() % std::size(kTokens)]);
    } else if (choice == 8) {
      s.erase(at, 1 + rng() % 8);
    } else {
      s[at] = static_cast<char>(rng());
    }
  }
  return s;
}

TEST(GeoJsonFuzzCorpus, SeedsOpenAsExpectedAndMutantsKeepEveryPromise) {
  const std::vector<std::string> corpus = Corpus();
  ASSERT_GE(corpus.size(), 5u);
  int opened = 0;
  for (const std::string& seed : corpus) opened += Opens(seed) ? 1 : 0;
  EXPECT_EQ(opened, static_cast<int>(corpus.size()) - 1) << "all seeds but the GeometryCollection open";

  std::mt19937 rng(1946);
  int mutantsOpened = 0;
  for (const std::string& seed : corpus) {
    std::string current = seed;
    for (int i = 0; i < 400; ++i) {
      current = Mutate(i % 5 == 0 ? seed : current, rng);
      mutantsOpened += Opens(current) ? 1 : 0;
    }
  }
  // Some mutants must still open, or the checks after opening would go untested.
  EXPECT_GT(mutantsOpened, 50);
}

}  // namespace
