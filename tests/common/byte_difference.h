// Where two byte strings part, for test messages: the Linux and the Windows tests
// compare the same persisted streams.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace test_bytes {

inline std::string Hex(const std::vector<unsigned char>& b, size_t from, size_t count) {
  std::string out;
  char buf[4];
  for (size_t i = from; i < b.size() && i < from + count; ++i) {
    std::snprintf(buf, sizeof buf, "%02x ", b[i]);
    out += buf;
  }
  return out;
}

// "" when equal, else where and how the two differ.
inline std::string Difference(const std::vector<unsigned char>& expected, const std::vector<unsigned char>& got) {
  if (expected == got) return "";
  size_t i = 0;
  while (i < expected.size() && i < got.size() && expected[i] == got[i]) ++i;
  size_t from = i >= 8 ? i - 8 : 0;
  return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(got.size()) +
         ", first difference at byte " + std::to_string(i) + ": expected ... " + Hex(expected, from, 24) +
         "got ... " + Hex(got, from, 24);
}

}  // namespace test_bytes
