// What a left-button release does in each step: end the drag that the press started,
// give the mouse capture back and return to the command's waiting step, or complete a
// deletion or the polar angle's advance after a drawn vertex.
#include "editcore/edit_controller.h"
#include "feedback/geometry.h"

void EditController::DropPolarBase(const POINT& pt) {
  m_polarBase.x = pt.x;
  m_polarBase.y = pt.y;
  // The drag flag is still set, so the conversion leaves out the polar constraint.
  ConvertAndSnap(m_polarBase.x, m_polarBase.y);
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
  m_pEngine->SetReferencePoint(nullptr, &m_drag.x, &m_drag.y, m_is3D ? &m_drag.z : nullptr);
  int second = kTrackingAtRest;
  m_pEngine->SetInputState(nullptr, &second, nullptr);
  AskForRepaint();
}

void EditController::ConfirmDelete(const POINT& pt) {
  int32_t r = -1;
  const int32_t v = PickVertex(pt.x, pt.y, &r);
  // Only a release on the vertex that was pressed deletes it.
  if (v >= 0 && v == m_curVertex && r == m_figure.CurrentRing()) {
    RecordVertexErase(r, v);
    DeleteVertex(r, v);
    AskForRepaint();
  }
  GiveCaptureBack();
  SetStep(EditStep::ChooseVertexToDelete);
  CommitStep();
}

void EditController::DeleteVertex(int32_t r, int32_t v) {
  m_figure.Erase(r, v);
}
