// Replays the entity record fuzz target over seed records of every type and seeded
// random mutations of them, so every test run feeds the loader hostile records.
#define QARN_FUZZ_NO_ENTRY
#include "fuzz/entity_record_fuzz.cpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// The stored seeds of the fuzz target: a point, a line, a 3D polyline of two parts, a 2D
// polyline and a polygon with a hole, each a record segment followed by its blocks.
std::vector<std::vector<uint8_t>> Seeds() {
  const std::filesystem::path dir =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus" / "entity_record";
  std::vector<std::vector<uint8_t>> seeds;
  for (int i = 0; i < 5; ++i) {
    std::ifstream in(dir / ("seed_" + std::to_string(i)), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

TEST(EntityFuzzReplay, TheSeedsLoad) {
  // Each seed must be a record the loader accepts, or the mutations would test little.
  qarn_fuzz::EntityFuzzer fuzzer;
  int index = 0;
  for (const auto& seed : Seeds()) {
    ASSERT_FALSE(seed.empty()) << "seed " << index << " is missing";
    EXPECT_TRUE(fuzzer.Run(seed.data(), seed.size())) << "seed " << index++;
  }
}

TEST(EntityFuzzReplay, MutatedRecordsNeverCrashTheLoaderOrTheHighlight) {
  qarn_fuzz::EntityFuzzer fuzzer;
  std::mt19937 rng(1207);
  const size_t blocksBefore = QarnRecordMemory().LiveBlockCount();
  int runs = 0, loaded = 0;
  for (const auto& seed : Seeds()) {
    std::vector<uint8_t> current = seed;
    for (int i = 0; i < 800; ++i) {
      current = qarn_fuzz::Mutated(i % 3 == 0 ? seed : current, rng, qarn_fuzz::EntityMutations());
      loaded += fuzzer.Run(current.data(), current.size());
      ++runs;
    }
  }
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> junk(rng() % 300);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    fuzzer.Run(junk.data(), junk.size());
    ++runs;
  }
  EXPECT_EQ(runs, 5 * 800 + 300);
  // Both outcomes must be common, or the mutations miss the loader or the checks.
  EXPECT_GT(loaded, runs / 10) << loaded << " of " << runs << " loaded";
  EXPECT_LT(loaded, runs * 9 / 10) << loaded << " of " << runs << " loaded";
  EXPECT_EQ(QarnRecordMemory().LiveBlockCount(), blocksBefore) << "every record and saved block is freed";
}

}  // namespace
