#include "platform/module_registry.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

struct Module {
  std::string displayName;
  std::map<std::string, FARPROC> byName;
  std::map<WORD, FARPROC> byOrdinal;
  long loadCount = 0;
  bool registered = true;
};

struct Registry {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<Module>> modules;  // keyed by normalized name
  // Unregistered modules stay allocated so that a stale handle is never reused.
  std::vector<std::unique_ptr<Module>> retired;
  Module program;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// "C:\\dir\\QarnOcx.DLL", "qarnocx.dll" and "QARNOCX" all name the same module.
std::string Normalize(const char* name) {
  std::string s(name);
  size_t slash = s.find_last_of("/\\");
  if (slash != std::string::npos) s.erase(0, slash + 1);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (s.size() > 4 && s.compare(s.size() - 4, 4, ".dll") == 0) s.resize(s.size() - 4);
  return s;
}

Module* FromHandle(Registry& r, HMODULE h) {
  if (!h) return nullptr;
  if (reinterpret_cast<Module*>(h) == &r.program) return &r.program;
  for (auto& [key, mod] : r.modules)
    if (reinterpret_cast<Module*>(h) == mod.get()) return mod.get();
  return nullptr;
}

template <typename Range>
void Register(const char* name, const Range& exports) {
  if (!name || !*name) return;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::unique_ptr<Module>& slot = r.modules[Normalize(name)];
  if (!slot) slot = std::make_unique<Module>();
  slot->displayName = name;
  slot->byName.clear();
  slot->byOrdinal.clear();
  for (const QarnModuleExport& e : exports) {
    if (e.name) slot->byName[e.name] = e.proc;
    if (e.ordinal) slot->byOrdinal[e.ordinal] = e.proc;
  }
}

}  // namespace

void QarnRegisterModule(const char* name, std::initializer_list<QarnModuleExport> exports) {
  Register(name, exports);
}

void QarnRegisterModule(const char* name, const std::vector<QarnModuleExport>& exports) {
  Register(name, exports);
}

bool QarnUnregisterModule(const char* name) {
  if (!name) return false;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.modules.find(Normalize(name));
  if (it == r.modules.end()) return false;
  it->second->registered = false;
  it->second->loadCount = 0;
  r.retired.push_back(std::move(it->second));
  r.modules.erase(it);
  return true;
}

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.modules.find(Normalize(name));
  if (it == r.modules.end()) return nullptr;
  ++it->second->loadCount;
  return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!name) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  Module* m = FromHandle(r, module);
  if (!m || (m != &r.program && m->loadCount <= 0)) return nullptr;
  if (IS_INTRESOURCE(name)) {
    auto it = m->byOrdinal.find(static_cast<WORD>(reinterpret_cast<UINT_PTR>(name)));
    return it == m->byOrdinal.end() ? nullptr : it->second;
  }
  auto it = m->byName.find(name);
  return it == m->byName.end() ? nullptr : it->second;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!name) return reinterpret_cast<HMODULE>(&r.program);
  auto it = r.modules.find(Normalize(name));
  if (it == r.modules.end() || it->second->loadCount <= 0) return nullptr;
  return reinterpret_cast<HMODULE>(it->second.get());
}
