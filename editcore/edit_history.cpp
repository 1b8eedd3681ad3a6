#include "editcore/edit_history.h"

#include <cstddef>
#include <utility>

HistoryEntry& EditHistory::Open(const StepMarks& before) {
  // The caller completes an open action first; should one remain, the state it left is
  // the state the new one starts from.
  if (m_open) Close(before, true);
  // Copied from a blank entry: value-initialising one in place fills it with a string
  // instruction, whose start-up cost is a good part of a click's.
  static constexpr HistoryEntry kBlank{};
  HistoryEntry& e = m_entries.emplace_back(kBlank);
  e.before = before;
  m_open = true;
  return e;
}

void EditHistory::Close(const StepMarks& after, bool changed) {
  if (!m_open) return;
  m_open = false;
  if (!changed) {
    Release(m_entries.back());
    m_entries.pop_back();
    return;
  }
  // The redo side goes; the new entry takes the place of its first one.
  const size_t last = m_entries.size() - 1;
  if (last > m_done) {
    for (size_t i = m_done; i < last; ++i) {
      m_bytes -= m_entries[i].accounted;
      Release(m_entries[i]);
    }
    m_entries[m_done] = std::move(m_entries[last]);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(m_done + 1), m_entries.end());
  }
  HistoryEntry& e = m_entries.back();
  e.after = after;
  e.accounted = EntryBytes(e);
  m_bytes += e.accounted;
  m_done = m_entries.size();
  // Within budget with nothing dropped, as for almost every click, Trim has nothing to do.
  if (m_bytes > m_limit || m_first > 0) Trim();
}

HistoryEntry& EditHistory::StepBack() { return m_entries[--m_done]; }

HistoryEntry& EditHistory::StepForward() { return m_entries[m_done++]; }

std::vector<KeptCoordinates>& EditHistory::Kept(HistoryEntry& e) {
  if (e.keptKey == 0) e.keptKey = m_nextKey++;
  return m_kept[e.keptKey];
}

int64_t EditHistory::EntryBytes(const HistoryEntry& e) const {
  int64_t bytes = static_cast<int64_t>(sizeof(HistoryEntry));
  if (e.keptKey != 0) {
    const auto it = m_kept.find(e.keptKey);
    if (it != m_kept.end())
      for (const KeptCoordinates& k : it->second) bytes += static_cast<int64_t>(sizeof(KeptCoordinates)) + k.Bytes();
  }
  return bytes;
}

void EditHistory::Clear() {
  m_entries.clear();
  m_kept.clear();
  m_open = false;
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
  while (m_bytes > m_limit && Completed() - m_first > 1 && m_done > m_first) {
    m_bytes -= m_entries[m_first].accounted;
    Release(m_entries[m_first]);  // its kept arrays go now
    m_entries[m_first] = HistoryEntry{};
    ++m_first;
  }
  if (m_first > 32 && 2 * m_first > Completed()) {
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(m_first));
    m_done -= m_first;
    m_first = 0;
  }
}
