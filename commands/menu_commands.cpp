// The context menu's commands: switching the step, editing the current ring, ending
// the edit and switching polar input off. Each tells the host what it changed.
#include <utility>

#include "editcore/edit_controller.h"

void EditController::ReferenceToLastVertex() {
  const int32_t n = m_figure.VertexCount(m_figure.LastRing());
  if (!m_pEngine || n < 1) return;
  Ring& ring = m_figure.Vertices(m_figure.LastRing());
  ring.EnsureIndex(n - 1);
  int on = 1;
  m_pEngine->SetReferencePoint(&on, &ring.x[n - 1], &ring.y[n - 1], m_is3D ? &ring.z[n - 1] : nullptr);
}


void EditController::OnMenuContinue() {
  // The next vertex is measured from the last vertex again, not from a press.
  m_polarFlags &= ~static_cast<uint32_t>(POLAR_LAST_FROM_PRESS);
  ReferenceToLastVertex();
  SetForcedTracking(kTrackingAtRest);
  SetStep(EditStep::Draw);
  AskForRepaint();
}

void EditController::OnMenuMoveVertex() {
  ReferenceOff();
  SetStep(EditStep::ChooseVertexToMove);
  AskForRepaint();
}

void EditController::OnMenuInsertVertex() {
  ReferenceOff();
  SetStep(EditStep::ChooseSegmentToSplit);
  AskForRepaint();
}

void EditController::OnMenuDeleteVertex() {
  ReferenceOff();
  SetStep(EditStep::ChooseVertexToDelete);
  AskForRepaint();
}

void EditController::OnMenuMove() {
  ReferenceOff();
  SetStep(EditStep::ChooseMoveAnchor);
  AskForRepaint();
}

void EditController::EnterRotateOrScale(EditStep step) {
  m_polarFlags = 0;
  // Switching between rotate and scale keeps the pivot computed or dragged before.
  if (m_step != EditStep::ChooseRotateHandle && m_step != EditStep::ChooseScaleHandle) {
    ComputeCentre(m_drag, nullptr);
  }
  SetStep(step);
  if (m_pEngine) {
    int on = 1;
    m_pEngine->SetReferencePoint(&on, &m_drag.x, &m_drag.y, m_is3D ? &m_drag.z : nullptr);
  }
  AskForRepaint();
}

void EditController::OnMenuRotate() { EnterRotateOrScale(EditStep::ChooseRotateHandle); }

void EditController::OnMenuScale() { EnterRotateOrScale(EditStep::ChooseScaleHandle); }

void EditController::StartNewRing(BYTE isHole) {
  if (m_figure.RingCount() >= RingArrayLength()) return;  // the ring array is full
  BeginStep();
  RecordNewRing();
  m_figure.StartRing(isHole != 0);
  ReferenceOff();
  SetStep(EditStep::Draw);
  AskForRepaint();
  CommitStep();
}

void EditController::OnMenuNewPerimeter() { StartNewRing(0); }

void EditController::OnMenuNewHole() { StartNewRing(1); }

void EditController::OnMenuBack() {
  const int32_t last = m_figure.LastRing();
  const int32_t n = m_figure.VertexCount(last) - 1;
  if (n < 0) return;
  BeginStep();
  RecordVertexErase(last, n);
  m_figure.SetVertexCount(last, n);
  if (n > 0)
    ReferenceToLastVertex();
  else
    ReferenceOff();
  AskForRepaint();
  CommitStep();
}

void EditController::OnMenuInvert() {
  BeginStep();
  RecordReverse();
  const int32_t n = m_figure.VertexCount(m_figure.LastRing());
  Ring& ring = m_figure.Vertices(m_figure.LastRing());
  if (n > 0) ring.EnsureIndex(n - 1);
  // Part numbers belong to positions, not to the vertices that move.
  for (int32_t i = 0, j = n - 1; i < j; ++i, --j) {
    std::swap(ring.x[i], ring.x[j]);
    std::swap(ring.y[i], ring.y[j]);
    if (m_is3D) std::swap(ring.z[i], ring.z[j]);
  }
  ReferenceToLastVertex();
  SetForcedTracking(kTrackingAtRest);
  AskForRepaint();
  CommitStep();
}

void EditController::OnMenuAbort() {
  EndEdit(false);
  m_polarFlags = 0;
}

void EditController::OnMenuDone() {
  EndEdit(true);
  m_polarFlags = 0;
}

void EditController::OnMenuPolarOff() {
  if (m_pEngine) {
    if (m_polarFlags > 0) m_pEngine->SetModePair(m_savedModePair[0], m_savedModePair[1]);
    m_inputStateForced = false;
    m_pEngine->SetInputState(&m_dlgSavedInputState[0], &m_dlgSavedInputState[1], &m_dlgSavedInputState[2]);
  }
  m_polarFlags = 0;
  AskForRepaint();
}
