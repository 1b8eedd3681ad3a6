// Replays the entity record fuzz target over seed records of every type and seeded
// random mutations of them, so every test run feeds the loader hostile records.
#define QARN_FUZZ_NO_ENTRY
#include "fuzz/entity_record_fuzz.cpp"

#include <gtest/gtest.h>

#include <random>

namespace {

class Input {
 public:
  Input& Segment(const std::vector<uint8_t>& bytes) {
    m_bytes.push_back(static_cast<uint8_t>(bytes.size()));
    m_bytes.push_back(static_cast<uint8_t>(bytes.size() >> 8));
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  template <typename T>
  Input& Array(const std::vector<T>& values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return Segment(bytes);
  }
  std::vector<uint8_t> bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

template <typename T>
void Put(std::vector<uint8_t>& r, size_t offset, T v) {
  std::memcpy(r.data() + offset, &v, sizeof(T));
}

std::vector<uint8_t> Header(size_t allocated, uint32_t size, uint32_t type) {
  std::vector<uint8_t> r(allocated, 0);
  Put<uint32_t>(r, 0, size);
  Put<uint32_t>(r, 4, type);
  return r;
}

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  auto point = Header(48, 48, ntt::kPoint);
  Put<double>(point, 24, 1.5);
  Put<double>(point, 40, -2);
  seeds.push_back(Input().Segment(point).bytes());
  auto line = Header(72, 56, ntt::kLine);
  Put<double>(line, 48, 9);
  seeds.push_back(Input().Segment(line).bytes());

  auto polyline = Header(49, 49, ntt::kPolyline);
  Put<uint8_t>(polyline, ntt::kPlClosed, 1);
  Put<uint32_t>(polyline, ntt::kPlCount, 4);
  Put<uint32_t>(polyline, ntt::kPlXY, 1);
  Put<uint32_t>(polyline, ntt::kPlZ, 2);
  Put<uint32_t>(polyline, ntt::kPlParts, 3);
  Put<uint32_t>(polyline, ntt::kPlPartCount, 2);
  Put<uint32_t>(polyline, ntt::kPlPartFlags, 4);
  seeds.push_back(Input()
                      .Segment(polyline)
                      .Array<double>({0, 0, 1, 0, 1, 1, 0, 1})
                      .Array<double>({5, 6, 7, 8})
                      .Array<int32_t>({1, 2, 1, 2})
                      .Array<int32_t>({1, 0})
                      .bytes());
  auto flat = Header(49, 33, ntt::kPolyline);
  Put<uint32_t>(flat, ntt::kPlCount, 3);
  Put<uint32_t>(flat, ntt::kPlXY, 1);
  seeds.push_back(Input().Segment(flat).Array<double>({0, 0, 3, 4, 6, 0}).bytes());

  auto polygon = Header(119, 119, ntt::kPolygon);
  Put<uint32_t>(polygon, ntt::kPgTotal, 7);
  Put<uint32_t>(polygon, ntt::kPgXY, 1);
  Put<uint32_t>(polygon, ntt::kPgRingCount, 2);
  Put<uint32_t>(polygon, ntt::kPgRings, 2);
  Put<uint32_t>(polygon, ntt::kPgZ, 3);
  std::vector<uint8_t> rings(20, 0);
  Put<uint32_t>(rings, 4, 4);
  Put<int16_t>(rings, 8, 1);
  Put<uint32_t>(rings, 10, 4);
  Put<uint32_t>(rings, 14, 3);
  Put<int16_t>(rings, 18, 2);
  seeds.push_back(Input()
                      .Segment(polygon)
                      .Array<double>({0, 0, 10, 0, 10, 10, 0, 10, 2, 2, 4, 2, 3, 4})
                      .Segment(rings)
                      .Array<double>({1, 2, 3, 4, 5, 6, 7})
                      .bytes());
  return seeds;
}

TEST(EntityFuzzReplay, TheSeedsLoad) {
  // Each seed must be a record the loader accepts, or the mutations would test little.
  qarn_fuzz::EntityFuzzer fuzzer;
  int index = 0;
  for (const auto& seed : Seeds()) EXPECT_TRUE(fuzzer.Run(seed.data(), seed.size())) << "seed " << index++;
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
