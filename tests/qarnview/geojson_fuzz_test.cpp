// Replays the GeoJSON fuzz target over the stored corpus and seeded mutations of it, so
// every test run opens hostile drawings even without a fuzzing build.
#define QARN_FUZZ_NO_ENTRY
#include "fuzz/geojson_fuzz.cpp"

#include <gtest/gtest.h>

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

std::string Mutate(const std::string& s, std::mt19937& rng) {
  std::vector<uint8_t> bytes(s.begin(), s.end());
  qarn_fuzz::Mutate(bytes, rng, qarn_fuzz::GeoJsonMutations());
  return std::string(bytes.begin(), bytes.end());
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
