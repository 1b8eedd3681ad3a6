// Starting and ending an edit: registration with the host's engine and the host
// settings an edit forces and gives back.
#include <algorithm>
#include <cstdlib>

#include "editcore/edit_controller.h"
#include "hostlink/host_view.h"

namespace {
const char kUtilsVariable[] = "UTILS";
}

void EditController::ForgetOtherEngines(HostEngine* pEngine) {
  RefuseStarts refuse(*this);
  // Each call may run a detach callback, which ends the edit and clears the field; hence
  // the fields are read afresh.
  if (m_pEngine && m_pEngine != pEngine) {
    HostEngine* old = m_pEngine;
    if (m_handlerRegistered) {
      m_handlerRegistered = false;
      old->SetPointerHandler(nullptr);
    }
    if (m_pEngine == old) m_pEngine = nullptr;
  }
  if (m_pPaintEngine && m_pPaintEngine != pEngine) {
    HostEngine* old = m_pPaintEngine;
    if (m_painterRegistered) {
      m_painterRegistered = false;
      old->SetOverlayPainter(nullptr);
    }
    if (m_pPaintEngine == old) m_pPaintEngine = nullptr;
  }
}

void EditController::Attach(HostEngine* pEngine, bool paintOnly) {
  ForgetOtherEngines(pEngine);
  RefuseStarts refuse(*this);
  if (!paintOnly) pEngine->SetPointerHandler(this);
  pEngine->SetOverlayPainter(this);
  // The detach callbacks of those calls may have run container code that registered
  // this editor with another engine (a highlight on another host); that registration
  // would be orphaned by the fields below, so it is withdrawn first.
  ForgetOtherEngines(pEngine);
  // Set only after the calls return: the host may call a detach callback from inside.
  m_painterRegistered = true;
  if (!paintOnly) m_handlerRegistered = true;
  if (!paintOnly) m_pEngine = pEngine;
  m_pPaintEngine = pEngine;
}

void EditController::StartDrawing(HostEngine* pEngine, int32_t mode) {
  // Every event of a start may let the container release the control.
  ControlKeepAlive keepAlive(*this);
  StartScope scope(*this);
  if (scope.Refused()) return;
  ForgetHistory();
  HostManagesUtils();
  Attach(pEngine, false);
  m_noBeginEndEdit = 0;
  m_is3D = m_pSite->Is3D();
  m_figure.Clear();
  m_mode = mode;
  const uint32_t serial = ++m_editSerial;
  SetStep(EditStep::Draw);
  // A CaptionChanged handler that ended or replaced this edit leaves nothing to prepare.
  if (m_editSerial != serial) return;
  PrepareHost();
}

void EditController::PrepareHost() {
  // The host is asked as always, but what was saved and not yet given back is kept: the
  // host's values now are the ones an edit forced (a restart during a running edit, or
  // an edit whose engine detached it before it could give them back), and keeping
  // those would leave the host forced.
  if (m_hostManagesUtils && m_pSite->HostDispatch()) {
    HostView view(m_pSite->HostDispatch());
    CString current = view.GetVariable(kUtilsVariable);
    const bool on = std::atoi(current) == 1;
    if (!m_utilsSaved) {
      m_savedUtils = on ? CString() : current;  // already on: nothing to give back
      m_utilsSaved = true;
    }
    if (!on) view.SetVariable(kUtilsVariable, "1");
  }
  if (m_pEngine) {
    m_inputStateForced = false;
    int state[3] = {0, 0, 0};
    m_pEngine->GetInputState(&state[0], &state[1], &state[2]);
    int32_t refValid = -1;
    double ref[3] = {0, 0, 0};
    m_pEngine->GetReferencePoint(&refValid, &ref[0], &ref[1], &ref[2]);
    if (!m_inputSaved) {
      std::copy(state, state + 3, m_savedInputState);
      m_savedRefValid = refValid;
      m_savedRef.x = ref[0];
      m_savedRef.y = ref[1];
      m_savedRef.z = ref[2];
      m_inputSaved = true;
    }
    int first = 1;
    int second = -2;
    m_pEngine->SetInputState(&first, &second, nullptr);
  }
}

void EditController::EndBeforeHostSwitch() {
  RefuseStarts refuse(*this);
  EndEdit(false);
}

void EditController::EndEdit(bool save) {
  ControlKeepAlive keepAlive(*this);
  StartScope depth(*this);
  ForgetHistory();
  if (m_mode != MODE_IDLE) {
    if (HostEngine* pEngine = m_pEngine) {
      if (static_cast<int32_t>(m_polarFlags) > 0) pEngine->SetModePair(m_savedModePair[0], m_savedModePair[1]);
      // Only values really saved are given back: an edit ended before the host was
      // prepared (from the first CaptionChanged of its start) has none of its own.
      if (m_inputSaved) {
        if (m_savedRefValid >= 0)
          pEngine->SetReferencePoint(&m_savedRefValid, &m_savedRef.x, &m_savedRef.y, &m_savedRef.z);
        int current[3] = {0, 0, 0};
        pEngine->GetInputState(&current[0], &current[1], &current[2]);
        pEngine->SetInputState(&m_savedInputState[0], &m_savedInputState[1], &current[2]);
        m_inputSaved = false;
      }
      m_inputStateForced = false;
    }
    // Without a host pointer (the container cleared qarnocx) there is nothing to
    // write through; the saved text is dropped either way.
    if (!m_savedUtils.IsEmpty() && m_pSite->HostDispatch()) {
      HostView view(m_pSite->HostDispatch());
      view.SetVariable(kUtilsVariable, m_savedUtils);
    }
    m_savedUtils.Empty();
    m_utilsSaved = false;
    if (save)
      CommitGeometry();
    else
      ReleaseDrawnNtt();
    m_mode = MODE_IDLE;
    const uint32_t serial = ++m_editSerial;
    SetStep(EditStep::Idle);
    m_pSite->EditEnded(save);
    // A handler that started a new edit made it the owner of the registrations and of
    // the figure; unregistering now would leave that edit running without input.
    if (m_editSerial != serial) return;
  }
  // The host answers an unregistration with the detach callback, which clears the
  // pointer and re-enters here; the mode is already idle by then, so it fires nothing.
  // A detach callback run by the unregistering may end in container code; the edits it
  // would start are refused while the calls run.
  {
    RefuseStarts refuse(*this);
    m_handlerRegistered = false;
    if (m_pEngine) m_pEngine->SetPointerHandler(nullptr);
    m_painterRegistered = false;
    if (m_pPaintEngine) m_pPaintEngine->SetOverlayPainter(nullptr);
  }
  // A host that does not answer with a detach callback may free its engine later;
  // the registrations are gone either way, so the pointers are not kept.
  m_pEngine = nullptr;
  m_pPaintEngine = nullptr;
  m_figure.Clear();
  m_basePoint.x = m_basePoint.y = m_basePoint.z = 0;
}
