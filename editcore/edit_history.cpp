// Undo and redo inside an edit. Not recorded yet: every call reports that there is
// nothing to take back, which is what a container sees outside an edit too.
#include "editcore/edit_controller.h"

BOOL EditController::Undo() { return FALSE; }
BOOL EditController::Redo() { return FALSE; }
bool EditController::CanUndo() const { return false; }
bool EditController::CanRedo() const { return false; }
void EditController::SetUndoMemoryLimit(int64_t bytes) { m_undoMemoryLimit = bytes; }
int64_t EditController::UndoMemoryLimit() const { return m_undoMemoryLimit; }
