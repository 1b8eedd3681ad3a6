#include "editcore/edit_history.h"

#include <cstddef>
#include <utility>

HistoryEntry& EditHistory::Open(const StepMarks& before) {
  // The caller completes an open action first; should one remain, the state it left is
  // the state the new one starts from.
  if (m_open) Close(before, true);
  m_open.emplace();
  m_open->before = before;
  return *m_open;
}

void EditHistory::Close(const StepMarks& after, bool changed) {
  if (!m_open) return;
  if (!changed) {
    m_open.reset();
    return;
  }
  while (m_entries.size() > m_done) {
    m_bytes -= m_entries.back().accounted;
    m_entries.pop_back();
  }
  m_open->after = after;
  m_open->accounted = m_open->Bytes();
  m_bytes += m_open->accounted;
  m_entries.push_back(std::move(*m_open));
  m_open.reset();
  m_done = m_entries.size();
  Trim();
}

HistoryEntry& EditHistory::StepBack() { return m_entries[--m_done]; }

HistoryEntry& EditHistory::StepForward() { return m_entries[m_done++]; }

void EditHistory::Clear() {
  m_entries.clear();
  m_open.reset();
  m_first = 0;
  m_done = 0;
  m_bytes = 0;
}

void EditHistory::SetLimit(int64_t bytes) {
  m_limit = bytes;
  Trim();
}

// Drops from the oldest end; the newest entry stays even when it alone is over budget,
// since the action just completed is the one a user is most likely to take back.
void EditHistory::Trim() {
  while (m_bytes > m_limit && m_entries.size() - m_first > 1 && m_done > m_first) {
    m_bytes -= m_entries[m_first].accounted;
    m_entries[m_first] = HistoryEntry{};  // its kept arrays go now
    ++m_first;
  }
  if (m_first > 32 && 2 * m_first > m_entries.size()) {
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(m_first));
    m_done -= m_first;
    m_first = 0;
  }
}
