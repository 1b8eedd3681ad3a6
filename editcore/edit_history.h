// EditHistory: the steps of one edit that can be taken back and replayed. Entries
// [first, done) are undoable, [done, size) redoable; the ones before first were dropped
// for the budget and are erased in batches, so that a drop costs O(1) amortized. The
// entry being recorded (between the press that starts an action and the release that
// completes it) is built in place after them all, and no count includes it until it is
// completed, so the history is never seen half-made; completing it moves nothing when
// there is no redo side, as for every click that draws. Beyond the memory budget the
// oldest entries go.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "editcore/history_entry.h"

class EditHistory {
 public:
  explicit EditHistory(int64_t limit) : m_limit(limit) {}

  bool CanUndo() const { return !m_open && m_done > m_first; }
  bool CanRedo() const { return !m_open && m_done < m_entries.size(); }
  // Whether an action is between its start and its completion.
  bool Recording() const { return m_open; }

  // Starts recording an action from the marks it begins with. An action still open is
  // completed first, as it stands.
  HistoryEntry& Open(const StepMarks& before);
  HistoryEntry* Pending() { return m_open ? &m_entries.back() : nullptr; }
  // Completes the open action: it becomes the newest undoable entry and the redo side
  // goes. An action that changed nothing is dropped.
  void Close(const StepMarks& after, bool changed);
  void Discard() {
    if (m_open) {
      Release(m_entries.back());
      m_entries.pop_back();
    }
    m_open = false;
  }
  // The arrays a Coordinates entry keeps, made empty on first use.
  std::vector<KeptCoordinates>& Kept(HistoryEntry& e);

  // The entry to take back (or replay); the index moves before the caller applies it, so
  // that a caller re-entered while it applies sees the history as it will be.
  HistoryEntry& StepBack();
  HistoryEntry& StepForward();

  void Clear();
  void SetLimit(int64_t bytes);
  int64_t Limit() const { return m_limit; }
  int64_t Bytes() const { return m_bytes; }
  // How many entries hold kept arrays: what the budget drops must not stay held.
  size_t KeptCount() const { return m_kept.size(); }
  size_t UndoCount() const { return m_done - m_first; }
  size_t RedoCount() const { return Completed() - m_done; }

 private:
  void Trim();
  int64_t EntryBytes(const HistoryEntry& e) const;
  void Release(HistoryEntry& e) {
    if (e.keptKey != 0) m_kept.erase(e.keptKey);
    e.keptKey = 0;
  }
  // The entries that are history: all but the one being recorded.
  size_t Completed() const { return m_entries.size() - (m_open ? 1 : 0); }

  // A vector rather than a deque: an entry is a few hundred bytes, and a deque would
  // allocate a block for every other one, which a click per vertex would pay for.
  std::vector<HistoryEntry> m_entries;
  size_t m_first = 0;
  size_t m_done = 0;
  bool m_open = false;  // the last entry is being recorded
  std::unordered_map<uint64_t, std::vector<KeptCoordinates>> m_kept;  // by HistoryEntry::keptKey
  uint64_t m_nextKey = 1;
  int64_t m_bytes = 0;
  int64_t m_limit;
};
