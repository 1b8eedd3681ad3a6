// Figures to and from the editor's entity records, so that a figure opened from a file
// can be handed to editNTT and a record the editor saved becomes a figure again.
#pragma once

#include <string>

#include "platform/abi.h"
#include "qarnview/drawing.h"

namespace qarnview {

// Most rings a polygon record may bring; far beyond what a user draws, and it bounds
// the work a hostile record can cause.
constexpr uint32_t kMaxRecordRings = 1'000'000;

// Builds the record the editor would save for this figure, byte for byte: the same
// allocation sizes, header values, blocks and zeroed fields. A 3D polyline's part k
// (from 1) gets part number k. On success `record` is the new record, owned by the
// caller until ReleaseRecord; on failure it is 0 and the reason is returned. A 2D
// polyline of several parts has no record form (2D records keep no part numbers).
std::string FigureToRecord(const Figure& figure, RECORDADDR& record);

// Reads a record as the editor's editNTT does (every field and block checked first;
// a bad address is refused, never followed) and turns what the editor would then hold
// into a figure: a line becomes a two-vertex polyline, a closed polyline gets its first
// vertex repeated at the end, a 3D polyline is split into parts by its part numbers,
// and polygon rings of fewer than 3 vertices are left out, as the editor's save leaves
// them out. The figure's pen colour is `penColor`; a polygon's fill style comes from
// the record. On failure `figure` is unchanged and the reason is returned.
std::string FigureFromRecord(RECORDADDR record, Figure& figure, uint32_t penColor = 255);

// Frees a record made by FigureToRecord (or by the editor's save) with its blocks.
void ReleaseRecord(RECORDADDR record);

}  // namespace qarnview
