// The chunked element walk of entity_reader.h.
#pragma once

#include <algorithm>
#include <cstring>

#include "platform/record_access.h"

namespace entity {

template <typename T, typename Fn>
bool ForEachElement(RECORDADDR block, size_t first, size_t count, Fn&& fn) {
  // A few kilobytes per read: big arrays cost few checked reads and no large buffer.
  constexpr size_t kChunk = 4096 / sizeof(T);
  T buffer[kChunk];
  bool all = true;
  for (size_t done = 0; done < count;) {
    const size_t k = std::min(kChunk, count - done);
    if (!RecordRead(block, (first + done) * sizeof(T), buffer, k * sizeof(T))) {
      std::memset(static_cast<void*>(buffer), 0, sizeof(buffer));
      all = false;
    }
    for (size_t j = 0; j < k; ++j) fn(done + j, buffer[j]);
    done += k;
  }
  return all;
}

}  // namespace entity
