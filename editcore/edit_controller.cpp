#include "editcore/edit_controller.h"

#include <algorithm>

#include "editcore/module_state.h"

namespace {
// A container hands the ring count in as a long; beyond this the storage would be
// larger than any figure a user can draw, so larger requests are capped.
constexpr int32_t kMaxRingArrayLength = 100000;
}  // namespace

EditController::EditController(EditSite* pSite) : m_pSite(pSite) {}

EditController::~EditController() {
  // Idle first: a host that answers the unregistering with a detach callback must not
  // make a dying editor restore the host or fire an event.
  m_mode = MODE_IDLE;
  m_destroying = true;
  ReleaseDrawnNtt();
  if (m_pEngine && m_handlerRegistered) m_pEngine->SetPointerHandler(nullptr);
  if (m_pPaintEngine && m_painterRegistered) m_pPaintEngine->SetOverlayPainter(nullptr);
  m_pEngine = nullptr;
  m_pPaintEngine = nullptr;
}

void EditController::SetMaxRings(int32_t n) {
  // At least one ring must exist (ring 0 is the figure of every mode).
  n = std::clamp(n, 1, kMaxRingArrayLength);
  ForgetHistory();
  m_figure.SetRingArrayLength(n);
}

void EditController::DisableBeginEndEdit() {
  m_noBeginEndEdit = 1;
  AskForRepaint();
}

void EditController::OnOtherPointerEvent(DWORD, POINT*) { ModuleStateScope state; }

EditController::ControlKeepAlive::ControlKeepAlive(EditController& editor)
    : m_pSite(editor.m_destroying ? nullptr : editor.m_pSite) {
  if (m_pSite) m_pSite->HoldAlive();
}

// Runs last in the caller: the release may destroy the control and this editor with it.
EditController::ControlKeepAlive::~ControlKeepAlive() {
  if (m_pSite) m_pSite->LetGo();
}

void EditController::OnHandlerDetached() {
  ControlKeepAlive keepAlive(*this);
  m_handlerRegistered = false;
  m_pEngine = nullptr;
  EndEdit(false);
}
