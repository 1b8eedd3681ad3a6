// What a left-button release does in each step: end the drag that the press started,
// give the mouse capture back and return to the command's waiting step, or complete a
// deletion or the polar angle's advance after a drawn vertex.
#include "editcore/edit_controller.h"
#include "feedback/geometry.h"

void EditController::DropPolarBase(const POINT& pt) {
  m_polarBaseX = pt.x;
  m_polarBaseY = pt.y;
  // The drag flag is still set, so the conversion leaves out the polar constraint.
  ConvertAndSnap(m_polarBaseX, m_polarBaseY);
  AskForRepaint();
  m_polarFlags &= ~static_cast<uint32_t>(POLAR_BASE_DRAGGED);
}

void EditController::FinishDrawnVertex() {
  // Sent again so that the measures in the caption follow the drawing.
  SetStep(EditStep::Draw);
  CommitStep();
  if (!PolarInputOn()) return;
  AdvancePolarAngle();
  AskForRepaint();
}

void EditController::AdvancePolarAngle() {
  if (m_angleToAdd == 0.0) return;
  m_polarAngle += m_angleToAdd;
  if (m_polarAngle > kTwoPi) m_polarAngle -= kTwoPi;
  if (m_polarAngle < -kTwoPi) m_polarAngle += kTwoPi;
}

void EditController::EndDrag(EditStep waitingStep) {
  GiveCaptureBack();
  SetStep(waitingStep);
  CommitStep();
  if (!m_pEngine) return;
  DropReference();
  AskForRepaint();
}

void EditController::EndSplitDrag() {
  GiveCaptureBack();
  SetStep(EditStep::ChooseSegmentToSplit);
  CommitStep();
  AskForRepaint();
  if (!m_pEngine) return;
  DropReference();
  AskForRepaint();
}

// The reference point stays on, moved to the new centre, for the rotation or scaling
// that follows.
void EditController::DropCentre(EditStep waitingStep) {
  GiveCaptureBack();
  SetStep(waitingStep);
  CommitStep();
  if (!m_pEngine) return;
  m_pEngine->SetReferencePoint(nullptr, &m_dragX, &m_dragY, m_is3D ? &m_dragZ : nullptr);
  int second = kTrackingAtRest;
  m_pEngine->SetInputState(nullptr, &second, nullptr);
  AskForRepaint();
}

void EditController::ConfirmDelete(const POINT& pt) {
  int32_t r = -1;
  const int32_t v = PickVertex(pt.x, pt.y, &r);
  // Only a release on the vertex that was pressed deletes it.
  if (v >= 0 && v == m_curVertex && r == m_curRing) {
    RecordVertexErase(r, v);
    DeleteVertex(r, v);
    AskForRepaint();
  }
  GiveCaptureBack();
  SetStep(EditStep::ChooseVertexToDelete);
  CommitStep();
}

void EditController::DeleteVertex(int32_t r, int32_t v) {
  Ring& ring = m_rings[r];
  const int32_t count = m_ringVertexCount[r];
  if (v >= count) return;
  ring.EnsureIndex(count - 1);
  for (int32_t j = v; j < count - 1; ++j) {
    ring.x[j] = ring.x[j + 1];
    ring.y[j] = ring.y[j + 1];
    ring.z[j] = ring.z[j + 1];
    ring.part[j] = ring.part[j + 1];
  }
  m_ringVertexCount[r] = count - 1;
}
