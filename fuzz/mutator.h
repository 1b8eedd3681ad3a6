// The one mutator of the fuzz targets: libFuzzer's custom mutator for the targets whose
// inputs have a structure its byte edits rarely keep (records of counts and addresses,
// GeoJSON numbers), and the seeded mutations the tests replay without a fuzzing build.
// Each target describes what is worth writing into its inputs; the edits are the same.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace qarn_fuzz {

struct Mutations {
  int maxSteps = 4;                  // edits per mutation: 1 to maxSteps
  std::vector<uint32_t> words;       // values written over 32-bit fields (counts, sizes, addresses)
  std::vector<std::string> tokens;   // text inserted whole
  std::vector<std::string> numbers;  // numbers that replace a number of a text input
  unsigned numberShare = 0;          // percent of edits that replace a number
};

namespace detail {

inline void PutWord(std::vector<uint8_t>& in, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) in[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

inline bool IsNumberChar(uint8_t c) { return std::isalnum(c) || c == '.' || c == '-' || c == '+'; }

// The number at or after a random place becomes one of the given ones. False when the
// rest of the input holds no digit.
inline bool ReplaceNumber(std::vector<uint8_t>& in, std::mt19937& rng, const std::vector<std::string>& numbers) {
  size_t at = rng() % in.size();
  while (at < in.size() && !std::isdigit(in[at])) ++at;
  if (at == in.size()) return false;
  size_t from = at;
  while (from > 0 && (std::isdigit(in[from - 1]) || in[from - 1] == '-' || in[from - 1] == '.')) --from;
  size_t end = at;
  while (end < in.size() && IsNumberChar(in[end])) ++end;
  const std::string& number = numbers[rng() % numbers.size()];
  in.erase(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(end));
  in.insert(in.begin() + static_cast<long>(from), number.begin(), number.end());
  return true;
}

}  // namespace detail

inline void Mutate(std::vector<uint8_t>& in, std::mt19937& rng, const Mutations& m) {
  static const uint8_t kEdgeBytes[] = {0, 1, 0x7F, 0x80, 0xFF, '[', ']', '=', '\r', '\n', '"', ',', '{', '}'};
  const int steps = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::max(1, m.maxSteps)));
  for (int s = 0; s < steps; ++s) {
    const size_t n = in.size();
    if (!m.numbers.empty() && n && rng() % 100 < m.numberShare && detail::ReplaceNumber(in, rng, m.numbers)) continue;
    switch (rng() % 9) {
      case 0:  // flip a bit
        if (n) in[rng() % n] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 1:  // a byte becomes an edge value or a random one
        if (n) in[rng() % n] = (rng() % 2) ? kEdgeBytes[rng() % sizeof kEdgeBytes] : static_cast<uint8_t>(rng());
        break;
      case 2:  // cut the end
        if (n) in.resize(rng() % n);
        break;
      case 3:  // insert random bytes
        for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k)
          in.insert(in.begin() + static_cast<long>(rng() % (in.size() + 1)), static_cast<uint8_t>(rng()));
        break;
      case 4:  // a 32-bit field becomes a value worth trying, a small count or anything
        if (n >= 4) {
          uint32_t v = 0;
          switch (rng() % 3) {
            case 0: v = m.words.empty() ? 0xFFFFFFFFu : m.words[rng() % m.words.size()]; break;
            case 1: v = rng() % 12; break;
            default: v = static_cast<uint32_t>(rng()); break;
          }
          detail::PutWord(in, rng() % (n - 3), v);
        }
        break;
      case 5:  // duplicate a slice
        if (n >= 2) {
          const size_t from = rng() % n, len = 1 + rng() % std::min<size_t>(n - from, 64);
          const std::vector<uint8_t> slice(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(from + len));
          in.insert(in.begin() + static_cast<long>(rng() % (in.size() + 1)), slice.begin(), slice.end());
        }
        break;
      case 6:  // erase a slice
        if (n >= 2) {
          const size_t from = rng() % n, len = 1 + rng() % std::min<size_t>(n - from, 16);
          in.erase(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(from + len));
        }
        break;
      case 7:  // insert a token
        if (!m.tokens.empty()) {
          const std::string& t = m.tokens[rng() % m.tokens.size()];
          in.insert(in.begin() + static_cast<long>(rng() % (in.size() + 1)), t.begin(), t.end());
        } else if (n) {
          in[rng() % n] = static_cast<uint8_t>(rng());
        }
        break;
      default:  // a 16-bit field (lengths, counts of the version tree) becomes an edge
        if (n >= 2) {
          static const uint16_t kEdges[] = {0, 1, 2, 5, 6, 0x7FFF, 0x8000, 0xFFFF};
          const uint16_t v = kEdges[rng() % (sizeof kEdges / sizeof kEdges[0])];
          const size_t at = rng() % (n - 1);
          in[at] = static_cast<uint8_t>(v);
          in[at + 1] = static_cast<uint8_t>(v >> 8);
        }
        break;
    }
  }
}

inline std::vector<uint8_t> Mutated(std::vector<uint8_t> in, std::mt19937& rng, const Mutations& m) {
  Mutate(in, rng, m);
  return in;
}

}  // namespace qarn_fuzz

// libFuzzer's hook: half of the mutations are its own, half the target's edits above.
#if defined(QARN_LIBFUZZER) && !defined(QARN_FUZZ_NO_ENTRY)
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);
#define QARN_FUZZ_CUSTOM_MUTATOR(mutations)                                                             \
  extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed) { \
    std::mt19937 rng(seed);                                                                             \
    if (rng() % 2) return LLVMFuzzerMutate(data, size, maxSize);                                        \
    std::vector<uint8_t> in(data, data + size);                                                         \
    qarn_fuzz::Mutate(in, rng, mutations);                                                              \
    if (in.size() > maxSize) in.resize(maxSize);                                                        \
    if (!in.empty()) std::memcpy(data, in.data(), in.size());                                           \
    return in.size();                                                                                   \
  }
#else
#define QARN_FUZZ_CUSTOM_MUTATOR(mutations)
#endif
