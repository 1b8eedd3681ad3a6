// The overlay painted over the host view on every repaint.
#include "control/module_state.h"
#include "editcore/edit_controller.h"

void EditController::PaintOverlay(CDC*) { ModuleStateScope state; }
