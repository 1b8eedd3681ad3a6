// QARNDLL32.DLL, the reference host's engine library. Ordinal 203 finds the engine
// behind a view's engine handle; the hosts of the process add their handles here, so
// the table lives where the editor looks, whichever module the hosts came from.
#include <windows.h>

#include <map>

#include "refhost/engine_table.h"

namespace {

struct EngineEntry {
  QarnEngineResolver resolver;
  void* context;
};

// One lock for the table: hosts on different apartments may come and go at once.
struct EngineTable {
  CRITICAL_SECTION lock;
  std::map<LONG, EngineEntry> entries;
  LONG nextHandle = 0x5100;
  EngineTable() { InitializeCriticalSection(&lock); }
  ~EngineTable() { DeleteCriticalSection(&lock); }
};

EngineTable& Table() {
  static EngineTable table;
  return table;
}

class Locked {
 public:
  explicit Locked(EngineTable& table) : m_table(table) { EnterCriticalSection(&m_table.lock); }
  ~Locked() { LeaveCriticalSection(&m_table.lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  EngineTable& m_table;
};

}  // namespace

extern "C" {

HostEngine* QARN_EXPORT_CALL GetEngineFromHandle(LONG handle) {
  EngineEntry entry{};
  {
    Locked locked(Table());
    auto it = Table().entries.find(handle);
    if (it == Table().entries.end()) return nullptr;
    entry = it->second;
  }
  // Outside the lock: the resolver logs and may call back into its host.
  return entry.resolver ? entry.resolver(entry.context, handle) : nullptr;
}

LONG QARN_EXPORT_CALL QarnAddEngineHandle(QarnEngineResolver resolver, void* context) {
  EngineTable& table = Table();
  Locked locked(table);
  // 0 means "no engine" to the editor, so it is never handed out.
  while (table.nextHandle == 0 || table.entries.count(table.nextHandle)) ++table.nextHandle;
  LONG handle = table.nextHandle++;
  table.entries[handle] = {resolver, context};
  return handle;
}

void QARN_EXPORT_CALL QarnRemoveEngineHandle(LONG handle) {
  Locked locked(Table());
  Table().entries.erase(handle);
}

}  // extern "C"

// The exports must match the shapes the editor and the hosts call through.
static_assert(sizeof(&GetEngineFromHandle) == sizeof(GetEngineFromHandleProc));
[[maybe_unused]] static const GetEngineFromHandleProc kLookupShape = &GetEngineFromHandle;
[[maybe_unused]] static const QarnAddEngineHandleProc kAddShape = &QarnAddEngineHandle;
[[maybe_unused]] static const QarnRemoveEngineHandleProc kRemoveShape = &QarnRemoveEngineHandle;
