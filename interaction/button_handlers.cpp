// Left-button presses and releases in the host view: each step's press starts its
// action or drag, and the release ends it and returns to the step's waiting state.
#include "editcore/module_state.h"
#include "editcore/edit_controller.h"
#include "platform/window.h"

void EditController::OnButtonDown(DWORD, POINT* pt) {
  ModuleStateScope state;
  // The Snap and CaptionChanged events run the container, which may release the control.
  ControlKeepAlive keepAlive(*this);
  if (!pt) return;
  if (GrabPolarBase(*pt)) return;
  switch (m_step) {
    case EditStep::Draw: DrawVertex(*pt); break;
    case EditStep::ChooseVertexToMove: PickVertexToMove(*pt); break;
    case EditStep::ChooseSegmentToSplit: InsertVertexAtGrip(*pt); break;
    case EditStep::ChooseVertexToDelete: PickVertexToDelete(*pt); break;
    case EditStep::ChooseMoveAnchor: AnchorMove(*pt); break;
    case EditStep::ChooseRotateHandle: StartRotate(*pt); break;
    case EditStep::ChooseScaleHandle: StartScale(*pt); break;
    default: break;  // drag steps and idle: the press belongs to a drag already running
  }
}

void EditController::OnButtonUp(DWORD, POINT* pt) {
  ModuleStateScope state;
  ControlKeepAlive keepAlive(*this);
  if (!pt) return;
  if (m_polarFlags & POLAR_BASE_DRAGGED) {
    DropPolarBase(*pt);
    return;
  }
  switch (m_step) {
    case EditStep::Draw: FinishDrawnVertex(); break;
    case EditStep::DragVertex: EndDrag(EditStep::ChooseVertexToMove); break;
    case EditStep::DragSplitVertex: EndSplitDrag(); break;
    case EditStep::ConfirmDelete: ConfirmDelete(*pt); break;
    case EditStep::DragFigure: EndDrag(EditStep::ChooseMoveAnchor); break;
    case EditStep::DragRotation: EndDrag(EditStep::ChooseRotateHandle); break;
    case EditStep::DragRotateCentre: DropCentre(EditStep::ChooseRotateHandle); break;
    case EditStep::DragScaling: EndDrag(EditStep::ChooseScaleHandle); break;
    case EditStep::DragScaleCentre: DropCentre(EditStep::ChooseScaleHandle); break;
    default: break;  // waiting steps: no drag to end
  }
}

// The view window takes the mouse so the drag keeps its pointer outside the view; the
// window that had it before gets it back at the drop.
void EditController::CaptureView() {
  if (!m_pEngine) return;
  if (HWND hView = m_pEngine->GetViewWindow()) m_hPrevCapture = SetCapture(hView);
}

void EditController::GiveCaptureBack() { SetCapture(m_hPrevCapture); }

void EditController::SetForcedTracking(int second) {
  if (!m_pEngine) return;
  int first = 0, third = 0;
  m_pEngine->GetInputState(&first, nullptr, &third);
  if (first == 1 && third == 1) m_pEngine->SetInputState(nullptr, &second, &third);
}

void EditController::TurnReferenceOn(Point3 p) {
  if (!m_pEngine) return;
  int on = 1;
  m_pEngine->SetReferencePoint(&on, &p.x, &p.y, m_is3D ? &p.z : nullptr);
}

void EditController::ReferenceOff() {
  if (!m_pEngine) return;
  int off = 0;
  m_pEngine->SetReferencePoint(&off, nullptr, nullptr, nullptr);
}

void EditController::DropReference() {
  if (!m_pEngine) return;
  ReferenceOff();
  int second = kTrackingAtRest;
  m_pEngine->SetInputState(nullptr, &second, nullptr);
}

void EditController::AskForRepaint() {
  if (m_pPaintEngine) m_pPaintEngine->RequestRepaint();
}
