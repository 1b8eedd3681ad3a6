// The control's entity methods: editing an existing host entity and highlighting the
// vertices of one. Both connect to the host first; without a connection nothing runs.
#include "control/qarnedit_ctrl.h"

BOOL CQarneditCtrl::editNTT(LONG MemNTT) {
  HostEngine* pEngine = ConnectToHost();
  if (!pEngine) return FALSE;
  return m_pEditController->LoadEntity(pEngine, static_cast<RECORDADDR>(MemNTT));
}

void CQarneditCtrl::hiliteNttVertexes(LONG MemNTT) {
  if (HostEngine* pEngine = ConnectToHost()) m_pEditController->HiliteVertexes(pEngine, static_cast<RECORDADDR>(MemNTT));
}
