// One completed user action as the history keeps it: what the editor looked like around
// it (step, rings in use, current ring and vertex, the rotate/scale centre) and the one
// change it made to the figure, in the smallest form that gives it back exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "editcore/edit_step.h"
#include "editcore/ring.h"

struct StepMarks {
  EditStep step = EditStep::Idle;
  int32_t ringCount = 1;
  int32_t curRing = 0;
  int32_t curVertex = -1;
  double centre[3] = {0, 0, 0};
};

struct VertexValue {
  double x = 0, y = 0, z = 0;
  int32_t part = 0;
};

// A ring's coordinate arrays as they were before a whole-figure drag. Undo and redo swap
// them with the ring's own arrays, so each costs a pointer swap per ring, not a copy.
// The arrays hold `capacity` slots, the ring's capacity when they were last swapped;
// z is kept only when the drag could change it (3D edits).
struct KeptCoordinates {
  int32_t ring = 0;
  int32_t count = 0;
  int32_t capacity = 0;
  // Ring storage, as they take the place of a ring's own arrays.
  using Array = std::unique_ptr<double[], ring_storage::Releaser>;
  Array x, y, z;

  int64_t Bytes() const {
    return int64_t{capacity} * static_cast<int64_t>(sizeof(double)) * (z ? 3 : 2);
  }
};

enum class StepChange : uint8_t {
  None,         // only the marks changed (a centre moved)
  SetVertex,    // vertex (ring, index) went from before to after
  InsertVertex, // vertex (ring, index) was inserted with value after
  EraseVertex,  // vertex (ring, index), of value before, was removed
  NewRing,      // ring `ring` was opened empty; `isHole` its flag, before holds nothing
  Reverse,      // ring `ring`'s first `index` vertices were reversed (x, y and, if z, z)
  Coordinates,  // the kept arrays are swapped with the rings'
};

struct HistoryEntry {
  StepChange change = StepChange::None;
  StepMarks before, after;
  int32_t ring = 0;
  int32_t index = 0;
  bool withZ = false;            // Reverse: whether z was reversed too
  uint8_t isHole = 0;            // NewRing: the new ring's flag
  uint8_t slotWasHole = 0;       // NewRing: the slot's flag and count before it was opened
  int32_t slotCount = 0;         // InsertVertex: the ring's count before it
  VertexValue old, now;
  // Coordinates: the key under which the history holds the kept arrays (0: none). Held
  // apart, the entry needs no destructor: dropping a long history of clicks touches none
  // of them.
  uint64_t keptKey = 0;
  int64_t accounted = 0;  // what the budget counted for it when it was recorded
};
static_assert(std::is_trivially_destructible_v<HistoryEntry>);
