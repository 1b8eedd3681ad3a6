// Undo and redo inside an edit: the hooks the actions call around a change, and taking
// back and replaying what they recorded. The figure's storage is reached only through
// figure_undo (editcore/figure_undo_access.cpp).
#include <algorithm>
#include <cstring>

#include "editcore/edit_controller.h"
#include "editcore/figure_undo_access.h"

namespace {

bool IsDragStep(EditStep step) {
  switch (step) {
    case EditStep::DragVertex:
    case EditStep::DragSplitVertex:
    case EditStep::ConfirmDelete:
    case EditStep::DragFigure:
    case EditStep::DragRotation:
    case EditStep::DragRotateCentre:
    case EditStep::DragScaling:
    case EditStep::DragScaleCentre:
      return true;
    default:
      return false;
  }
}

bool SameBits(const VertexValue& a, const VertexValue& b) {
  return std::memcmp(&a.x, &b.x, sizeof(double)) == 0 && std::memcmp(&a.y, &b.y, sizeof(double)) == 0 &&
         std::memcmp(&a.z, &b.z, sizeof(double)) == 0 && a.part == b.part;
}

void TakeBack(Figure& fig, EditHistory& history, HistoryEntry& e) {
  using namespace figure_undo;
  switch (e.change) {
    case StepChange::None: break;
    case StepChange::SetVertex: WriteVertex(fig, e.ring, e.index, e.old); break;
    case StepChange::InsertVertex: EraseVertex(fig, e.ring, e.index); break;
    case StepChange::EraseVertex: InsertVertex(fig, e.ring, e.index, e.old); break;
    case StepChange::NewRing: WriteRingSlot(fig, e.ring, RingSlot{e.slotCount, e.slotWasHole}); break;
    case StepChange::Reverse: ReverseRing(fig, e.ring, e.index, e.withZ); break;
    case StepChange::Coordinates:
      for (KeptCoordinates& k : history.Kept(e)) SwapCoordinates(fig, k);
      break;
  }
}

void Replay(Figure& fig, EditHistory& history, HistoryEntry& e) {
  using namespace figure_undo;
  switch (e.change) {
    case StepChange::None: break;
    case StepChange::SetVertex: WriteVertex(fig, e.ring, e.index, e.now); break;
    case StepChange::InsertVertex: InsertVertex(fig, e.ring, e.index, e.now); break;
    case StepChange::EraseVertex: EraseVertex(fig, e.ring, e.index); break;
    case StepChange::NewRing: WriteRingSlot(fig, e.ring, RingSlot{0, e.isHole}); break;
    case StepChange::Reverse: ReverseRing(fig, e.ring, e.index, e.withZ); break;
    case StepChange::Coordinates:
      for (KeptCoordinates& k : history.Kept(e)) SwapCoordinates(fig, k);
      break;
  }
}

}  // namespace

bool EditController::HistoryUsable() const {
  return m_mode != MODE_IDLE && !IsDragStep(m_step) && !m_history.Recording();
}

BOOL EditController::Undo() {
  if (!CanUndo()) return FALSE;
  ControlKeepAlive keepAlive(*this);
  HistoryEntry& entry = m_history.StepBack();
  TakeBack(m_figure, m_history, entry);
  RestoreMarks(entry.before);
  // The caption's handler may end the edit and with it the history: nothing of the
  // entry is used after it runs.
  SetStep(entry.before.step);
  AskForRepaint();
  return TRUE;
}

BOOL EditController::Redo() {
  if (!CanRedo()) return FALSE;
  ControlKeepAlive keepAlive(*this);
  HistoryEntry& entry = m_history.StepForward();
  Replay(m_figure, m_history, entry);
  RestoreMarks(entry.after);
  SetStep(entry.after.step);
  AskForRepaint();
  return TRUE;
}

bool EditController::CanUndo() const { return HistoryUsable() && m_history.CanUndo(); }
bool EditController::CanRedo() const { return HistoryUsable() && m_history.CanRedo(); }

void EditController::SetUndoMemoryLimit(int64_t bytes) {
  m_undoMemoryLimit = bytes < 0 ? 0 : bytes;
  m_history.SetLimit(m_undoMemoryLimit);
}

int64_t EditController::UndoMemoryLimit() const { return m_undoMemoryLimit; }

void EditController::ForgetHistory() { m_history.Clear(); }

StepMarks EditController::CaptureMarks() const {
  StepMarks m;
  m.step = m_step;
  m.ringCount = m_figure.RingCount();
  m.curRing = m_figure.CurrentRing();
  m.curVertex = m_curVertex;
  m.centre[0] = m_drag.x;
  m.centre[1] = m_drag.y;
  m.centre[2] = m_drag.z;
  return m;
}

// Everything but the step, which the caller sets through SetStep for its caption.
void EditController::RestoreMarks(const StepMarks& m) {
  m_figure.SetRingCount(std::clamp(m.ringCount, 1, RingArrayLength()));
  m_figure.SetCurrentRing(m.curRing);
  m_curVertex = m.curVertex;
  m_drag = {m.centre[0], m.centre[1], m.centre[2]};
}

void EditController::BeginStep() {
  if (m_mode == MODE_IDLE) return;
  // An action whose completion never came (a press without its release) is complete as
  // it stands.
  if (m_history.Recording()) CommitStep();
  m_history.Open(CaptureMarks());
}

void EditController::RecordVertexSet(int32_t ring, int32_t v) {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  e->change = StepChange::SetVertex;
  e->ring = ring;
  e->index = v;
  e->old = figure_undo::ReadVertex(m_figure, ring, v);
}

void EditController::RecordVertexInsert(int32_t ring, int32_t i) {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  e->change = StepChange::InsertVertex;
  e->ring = ring;
  e->index = i;
  e->slotCount = m_figure.VertexCount(ring);  // to tell whether it happened
}

void EditController::RecordVertexErase(int32_t ring, int32_t v) {
  HistoryEntry* e = m_history.Pending();
  if (!e || v < 0 || v >= m_figure.VertexCount(ring)) return;
  e->change = StepChange::EraseVertex;
  e->ring = ring;
  e->index = v;
  e->old = figure_undo::ReadVertex(m_figure, ring, v);
}

// A point's press replaces its one vertex; in the other modes it adds one at the end.
void EditController::RecordDrawnVertex() {
  const int32_t r = m_figure.RingCount() - 1;
  const int32_t n = m_figure.VertexCount(r);
  if ((m_mode == MODE_POINT) && n > 0)
    RecordVertexSet(r, n - 1);
  else
    RecordVertexInsert(r, n);
}

void EditController::RecordFigureCoordinates() {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  e->change = StepChange::Coordinates;
  const bool withZ = m_is3D;
  const int32_t rings = m_figure.RingCount();
  std::vector<KeptCoordinates>& kept = m_history.Kept(*e);
  kept.reserve(static_cast<size_t>(rings));
  for (int32_t r = 0; r < rings; ++r) {
    if (m_figure.VertexCount(r) > 0) kept.push_back(figure_undo::KeepCoordinates(m_figure, r, withZ));
  }
}

void EditController::RecordNewRing() {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  const int32_t r = m_figure.RingCount();
  const figure_undo::RingSlot slot = figure_undo::ReadRingSlot(m_figure, r);
  e->change = StepChange::NewRing;
  e->ring = r;
  e->slotCount = slot.count;
  e->slotWasHole = slot.isHole;
}

void EditController::RecordReverse() {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  const int32_t r = m_figure.RingCount() - 1;
  const int32_t n = m_figure.VertexCount(r);
  if (n < 2) return;  // nothing moves
  e->change = StepChange::Reverse;
  e->ring = r;
  e->index = n;
  e->withZ = m_is3D;
}

void EditController::CommitStep() {
  HistoryEntry* e = m_history.Pending();
  if (!e) return;
  const StepMarks after = CaptureMarks();
  const int32_t rings = after.ringCount;
  const bool ringValid = e->ring >= 0 && e->ring < rings;
  bool changed = false;
  switch (e->change) {
    case StepChange::None:
      changed = std::memcmp(e->before.centre, after.centre, sizeof after.centre) != 0;
      break;
    case StepChange::SetVertex:
      if (ringValid && e->index < m_figure.VertexCount(e->ring)) {
        e->now = figure_undo::ReadVertex(m_figure, e->ring, e->index);
        changed = !SameBits(e->old, e->now);
      }
      break;
    case StepChange::InsertVertex:
      // A press whose Snap handler voided it inserted nothing.
      if (ringValid && m_figure.VertexCount(e->ring) == e->slotCount + 1 &&
          e->index < m_figure.VertexCount(e->ring)) {
        e->now = figure_undo::ReadVertex(m_figure, e->ring, e->index);
        changed = true;
      }
      break;
    case StepChange::NewRing:
      if (ringValid) {
        e->isHole = figure_undo::ReadRingSlot(m_figure, e->ring).isHole;
        changed = true;
      }
      break;
    case StepChange::Coordinates:
      // A press and release without a move in between changed nothing.
      for (const KeptCoordinates& k : m_history.Kept(*e)) changed = changed || !figure_undo::SameCoordinates(m_figure, k);
      break;
    case StepChange::EraseVertex:
    case StepChange::Reverse:
      changed = true;
      break;
  }
  m_history.Close(after, changed);
}
