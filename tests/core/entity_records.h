// Helpers of the load and highlight tests over the records that refhost/record_maker.h
// makes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hostlink/ntt_record.h"
#include "platform/record_memory.h"
#include "refhost/record_maker.h"

// A record with every block it points to laid out in place of the pointers, so that
// two records of the same figure compare equal wherever their blocks live.
inline std::string Flatten(uint32_t rec) {
  RecordMemory& m = QarnRecordMemory();
  const size_t size = m.BlockSize(rec);
  std::vector<uint8_t> bytes(size);
  if (!m.Read(rec, bytes.data(), size)) return "unreadable record";
  uint32_t type = 0;
  std::memcpy(&type, bytes.data() + ntt::kType, 4);
  std::vector<size_t> pointers;
  if (type == ntt::kPolyline) pointers = {ntt::kPlXY, ntt::kPlZ, ntt::kPlParts, ntt::kPlPartFlags};
  if (type == ntt::kPolygon) pointers = {ntt::kPgXY, ntt::kPgRings, ntt::kPgZ};
  std::string out;
  size_t at = 0;
  auto hex = [&out](const uint8_t* p, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < n; ++i) {
      out += kDigits[p[i] >> 4];
      out += kDigits[p[i] & 15];
    }
  };
  for (size_t offset : pointers) {
    hex(bytes.data() + at, offset - at);
    uint32_t block = 0;
    std::memcpy(&block, bytes.data() + offset, 4);
    std::vector<uint8_t> contents(block ? m.BlockSize(block) : 0);
    if (block) m.Read(block, contents.data(), contents.size());
    out += block ? " [" : " [null";
    hex(contents.data(), contents.size());
    out += "] ";
    at = offset + 4;
  }
  hex(bytes.data() + at, size - at);
  return out;
}
