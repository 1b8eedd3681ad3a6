#include "record_flattening.h"

#include <cstring>
#include <utility>

namespace {

uint32_t U32(const std::vector<uint8_t>& data, size_t offset) {
  uint32_t v = 0;
  std::memcpy(&v, data.data() + offset, 4);
  return v;
}

}  // namespace

bool FlattenRecord(uint32_t address, const RecordReader& read, std::vector<uint8_t>& out, std::string& problem) {
  out.clear();
  std::vector<uint8_t> header;
  if (!read(address, 8, header)) {
    problem = "the record's header cannot be read";
    return false;
  }
  const uint32_t type = U32(header, 4);
  // The editor allocates every record at its 3D length, whatever the figure.
  const uint32_t allocated = type == 1 ? 48 : type == 5 ? 49 : type == 6 ? 119 : 0;
  if (allocated == 0) {
    problem = "record type " + std::to_string(type) + " is not one the editor writes";
    return false;
  }
  std::vector<uint8_t> record;
  if (!read(address, allocated, record)) {
    problem = "the record's " + std::to_string(allocated) + " bytes cannot be read";
    return false;
  }
  std::vector<std::pair<size_t, uint32_t>> blocks;  // pointer field, block length
  if (type == 5) {
    const uint32_t n = U32(record, 25);
    blocks = {{29, 16 * n}, {33, 8 * n}, {37, 4 * n}, {45, 4 * U32(record, 41)}};
  } else if (type == 6) {
    const uint32_t total = U32(record, 83), rings = U32(record, 91);
    blocks = {{87, 16 * total}, {95, 10 * rings}, {115, 8 * total}};
  }
  out = record;
  for (const auto& [field, length] : blocks) {
    const uint32_t pointer = U32(record, field);
    if (pointer == 0) continue;
    std::vector<uint8_t> block;
    if (!read(pointer, length, block)) {
      problem = "the block at record offset " + std::to_string(field) + " cannot be read";
      return false;
    }
    const uint32_t offset = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + field, &offset, 4);
    out.insert(out.end(), block.begin(), block.end());
  }
  return true;
}

std::string HexLines(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
    if (i % 16 == 15 || i + 1 == bytes.size()) text += '\n';
  }
  return text;
}
