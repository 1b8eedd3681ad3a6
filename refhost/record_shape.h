// The figure of an entity record as the view draws it: paths of world points (open or
// closed), polygon rings with their fill style, and lone points. Records come from
// containers and files, so every read is checked: a broken record gives less, never
// a crash.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/abi.h"

struct WorldPoint {
  double x = 0, y = 0;
};

struct RecordShape {
  uint32_t type = 0;  // 0: not a record the view knows
  std::vector<std::vector<WorldPoint>> paths;
  std::vector<bool> closed;              // one per path
  std::vector<std::vector<WorldPoint>> rings;  // polygon rings, perimeters and holes alike
  int fillStyle = 0;
  std::vector<WorldPoint> points;
  // Every vertex in record order, as the view marks a highlighted record.
  std::vector<WorldPoint> Vertices() const;
};

// False when the record cannot be read at all or is of a type the view does not draw.
bool ReadRecordShape(RECORDADDR record, RecordShape& shape);

// A copy the view owns: the record and every block it points to, so the figure stays
// drawable after its maker frees the original. 0 when the record cannot be read whole.
RECORDADDR CopyRecord(RECORDADDR record);
// Frees a copy made by CopyRecord, blocks first.
void FreeRecordCopy(RECORDADDR copy);
