// The vertex blocks of a saved polygon, written straight from the rings into the fresh
// block instead of through a vector of the whole figure: one pass over the vertices, no
// second copy and no zeroing of bytes that are written anyway.
#pragma once

#include <cstdint>

#include "editcore/figure.h"
#include "platform/record_access.h"

// A fresh block of the (x, y) pairs of every ring with at least minCount vertices, in
// ring order; total is their number of vertices. 0 when total is 0 or nothing is left.
RECORDADDR WriteRingPairs(Figure& figure, int32_t minCount, uint32_t total);

// The same for the z values.
RECORDADDR WriteRingHeights(Figure& figure, int32_t minCount, uint32_t total);
