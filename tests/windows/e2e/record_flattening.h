// A saved record as one run of bytes that two processes can compare: the record at the
// length the editor allocates for its type, then each block it points to, in field
// order. Addresses differ from process to process, so each pointer field is rewritten
// as the offset of its block in the flattened bytes; a null pointer stays 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads count bytes at an address of record memory; false when they cannot be read.
using RecordReader = std::function<bool(uint32_t address, uint32_t count, std::vector<uint8_t>& out)>;

bool FlattenRecord(uint32_t address, const RecordReader& read, std::vector<uint8_t>& out, std::string& problem);

// Lowercase hex, 16 bytes to a line, each line ended by "\n".
std::string HexLines(const std::vector<uint8_t>& bytes);
