// The steps of an edit: what the user is doing now, so what a press, a release and a
// move mean. The numbers are the ones the caption table and saved test scripts use.
#pragma once

#include <cstdint>

enum class EditStep : int32_t {
  Idle = 0,
  Draw = 1,                  // each click adds a vertex
  ChooseVertexToMove = 2,    // waiting for a press on a vertex
  DragVertex = 3,            // the pressed vertex follows the pointer
  ChooseSegmentToSplit = 4,  // waiting for a press on a segment's middle grip
  DragSplitVertex = 5,       // the vertex inserted there follows the pointer
  ChooseVertexToDelete = 6,  // waiting for a press on a vertex
  ConfirmDelete = 7,         // the release on the same vertex deletes it
  ChooseMoveAnchor = 8,      // waiting for the press the figure is moved by
  DragFigure = 9,            // the whole figure follows the pointer
  ChooseRotateHandle = 10,   // waiting for a press to rotate about the centre
  DragRotation = 11,
  DragRotateCentre = 12,     // the centre of rotation follows the pointer
  ChooseScaleHandle = 13,    // waiting for a press to scale about the centre
  DragScaling = 14,
  DragScaleCentre = 15,      // the centre of scaling follows the pointer
};

constexpr int32_t StepNumber(EditStep step) { return static_cast<int32_t>(step); }

// The rotate and scale steps, the ones that show the centre.
constexpr bool AboutCentre(EditStep step) {
  return step >= EditStep::ChooseRotateHandle && step <= EditStep::DragScaleCentre;
}
