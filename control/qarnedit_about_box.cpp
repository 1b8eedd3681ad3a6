// The AboutBox method: the module's About dialog, modal and without a parent.
#include "editcore/module_state.h"
#include "control/qarnedit_ctrl.h"
#include "platform/afx_dialog.h"
#include "resources/resource.h"

void CQarneditCtrl::AboutBox() {
  ModuleStateScope state;  // the template is looked up in this module's resources
  CDialog dialog(IDD_ABOUTBOX_QARNEDIT);
  dialog.DoModal();
}
