// Runs the fuzz targets' checks over seeds and seeded random mutations of them, so every
// test run exercises the parsers with hostile input even without a fuzzing build.
#define QARN_FUZZ_NO_ENTRY
#include "fuzz/profile_fuzz.cpp"
#include "fuzz/version_fuzz.cpp"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "refhost/pe_image_writer.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(FuzzCorpus, ProfileParserSurvivesMutations) {
  const std::vector<std::vector<uint8_t>> seeds = {
      Bytes(""),
      Bytes("[abc]\r\ndef=value\r\n"),
      Bytes("[s]\nk = \"quoted\" \n[t]\rj='x'\r\n; c\nnoeq\n"),
      Bytes(std::string("[a]\0\nk=\0v\n", 11)),
      Bytes("=\n[\n]\n[[]]\n==\n\"\n"),
  };
  std::mt19937 rng(20240611);
  for (const auto& seed : seeds) {
    qarn_fuzz::ProfileOneInput(seed.data(), seed.size());
    std::vector<uint8_t> current = seed;
    for (int i = 0; i < 600; ++i) {
      current = qarn_fuzz::Mutated(i % 50 == 0 ? seed : current, rng, qarn_fuzz::ProfileMutations());
      if (current.size() > 4096) current.resize(4096);
      qarn_fuzz::ProfileOneInput(current.data(), current.size());
    }
  }
  for (int i = 0; i < 300; ++i) {  // plain random bytes too
    std::vector<uint8_t> junk(rng() % 512);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    qarn_fuzz::ProfileOneInput(junk.data(), junk.size());
  }
}

TEST(FuzzCorpus, VersionParserSurvivesMutations) {
  VersionInfoSpec spec;
  spec.fileVersion[0] = 3;
  spec.fileVersion[3] = 37;
  spec.strings = {{"CompanyName", "Qarn"}, {"FileVersion", "3.0.0.37"}, {"ProductName", "Qärn"}};
  PeImageSpec plus;
  plus.pe32Plus = true;
  plus.versionResource = BuildVersionInfoBlock(spec);
  const std::vector<std::vector<uint8_t>> seeds = {BuildVersionedPeImage(spec), BuildPeImage(plus),
                                                   BuildVersionInfoBlock(spec)};
  // The seeds themselves must parse, or the mutations would test little.
  size_t offset = 0, length = 0;
  ASSERT_TRUE(QarnFindVersionResource(seeds[0].data(), seeds[0].size(), &offset, &length));
  ASSERT_TRUE(QarnFindVersionResource(seeds[1].data(), seeds[1].size(), &offset, &length));
  ASSERT_NE(QarnVersionInfoBufferSize(seeds[2].data(), seeds[2].size()), 0u);

  std::mt19937 rng(7);
  int stillParsing = 0;
  for (const auto& seed : seeds) {
    qarn_fuzz::VersionOneInput(seed.data(), seed.size());
    for (int i = 0; i < 1500; ++i) {
      std::vector<uint8_t> m = qarn_fuzz::Mutated(seed, rng, qarn_fuzz::VersionMutations());
      qarn_fuzz::VersionOneInput(m.data(), m.size());
      if (QarnFindVersionResource(m.data(), m.size(), &offset, &length)) ++stillParsing;
    }
  }
  // Most single mutations leave the headers intact; none parsing means the walk is broken.
  EXPECT_GT(stillParsing, 100) << "expected many mutated images to still parse, got " << stillParsing;
}

}  // namespace
