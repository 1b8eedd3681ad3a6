// Left-button presses and releases in the host view.
#include "control/module_state.h"
#include "editcore/edit_controller.h"

void EditController::OnButtonDown(DWORD, POINT*) { ModuleStateScope state; }

void EditController::OnButtonUp(DWORD, POINT*) { ModuleStateScope state; }
