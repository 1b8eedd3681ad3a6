// Every access to the figure's storage that undo and redo make, in one place: reading
// and writing one vertex, inserting and erasing one, reversing a ring, keeping and
// swapping a ring's coordinate arrays, and a ring slot's count and flag.
#pragma once

#include <cstdint>

#include "editcore/history_entry.h"

class Figure;

namespace figure_undo {

struct RingSlot {
  int32_t count = 0;
  uint8_t isHole = 0;
};

VertexValue ReadVertex(const Figure& fig, int32_t ring, int32_t i);
void WriteVertex(Figure& fig, int32_t ring, int32_t i, const VertexValue& v);
void InsertVertex(Figure& fig, int32_t ring, int32_t i, const VertexValue& v);
void EraseVertex(Figure& fig, int32_t ring, int32_t i);
// Reverses the first n vertices' coordinates (x, y and, withZ, z); parts stay in place,
// as the Invert command leaves them.
void ReverseRing(Figure& fig, int32_t ring, int32_t n, bool withZ);

RingSlot ReadRingSlot(const Figure& fig, int32_t ring);
void WriteRingSlot(Figure& fig, int32_t ring, const RingSlot& slot);

KeptCoordinates KeepCoordinates(const Figure& fig, int32_t ring, bool withZ);
void SwapCoordinates(Figure& fig, KeptCoordinates& kept);
// Whether the ring's coordinates are still, bit for bit, the ones kept.
bool SameCoordinates(const Figure& fig, const KeptCoordinates& kept);

}  // namespace figure_undo
