#include "hostlink/host_interfaces.h"
#include "platform/module_registry.h"

HostEngine* LookupHostEngine(LONG handle) {
  // The support library is the host's; it stays loaded for as long as the process
  // runs, so it is looked up (and loaded when needed) but never freed here.
  HMODULE module = GetModuleHandleA(QARN_ENGINE_LIBRARY);
  if (!module) module = LoadLibraryA(QARN_ENGINE_LIBRARY);
  if (!module) return nullptr;
  auto lookup = reinterpret_cast<GetEngineFromHandleProc>(
      reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(QARN_ENGINE_ORDINAL))));
  if (!lookup) return nullptr;
  return lookup(handle);
}
