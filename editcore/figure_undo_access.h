// Every access to the figure's storage that undo and redo make, in one place: reading
// and writing one vertex, inserting and erasing one, reversing a ring, keeping and
// swapping a ring's coordinate arrays, a ring slot's count and flag, and the marks
// (rings in use, current ring and vertex, centre).
#pragma once

#include <cstdint>

#include "editcore/history_entry.h"

class EditController;

namespace figure_undo {

struct RingSlot {
  int32_t count = 0;
  uint8_t isHole = 0;
};

StepMarks CaptureMarks(const EditController& ec);
// Everything but the step, which the caller sets through SetStep for its caption.
void RestoreMarks(EditController& ec, const StepMarks& marks);

int32_t RingCount(const EditController& ec);
int32_t VertexCount(const EditController& ec, int32_t ring);
bool IsPointMode(const EditController& ec);
bool Is3D(const EditController& ec);

VertexValue ReadVertex(const EditController& ec, int32_t ring, int32_t i);
void WriteVertex(EditController& ec, int32_t ring, int32_t i, const VertexValue& v);
void InsertVertex(EditController& ec, int32_t ring, int32_t i, const VertexValue& v);
void EraseVertex(EditController& ec, int32_t ring, int32_t i);
// Reverses the first n vertices' coordinates (x, y and, withZ, z); parts stay in place,
// as the Invert command leaves them.
void ReverseRing(EditController& ec, int32_t ring, int32_t n, bool withZ);

RingSlot ReadRingSlot(const EditController& ec, int32_t ring);
void WriteRingSlot(EditController& ec, int32_t ring, const RingSlot& slot);

KeptCoordinates KeepCoordinates(const EditController& ec, int32_t ring, bool withZ);
void SwapCoordinates(EditController& ec, KeptCoordinates& kept);
// Whether the ring's coordinates are still, bit for bit, the ones kept.
bool SameCoordinates(const EditController& ec, const KeptCoordinates& kept);

}  // namespace figure_undo
