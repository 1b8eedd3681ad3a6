// Pointer moves: rubber band and drag feedback.
#include "control/module_state.h"
#include "editcore/edit_controller.h"

void EditController::OnPointerMove(DWORD, POINT*) { ModuleStateScope state; }
