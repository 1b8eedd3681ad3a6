// The reference host's engine object and its registration with the engine library
// (QARNDLL32, whose ordinal 203 finds the engine behind a handle).
#include <map>
#include <mutex>

#include "platform/module_registry.h"
#include "refhost/engine_table.h"
#include "refhost/ref_engine.h"

namespace {

// Each argument is converted in place into its alternative: moving whole variants
// (an initializer list, or a push of a temporary) trips GCC's uninitialized-use
// analysis at -O2.
template <typename... T>
std::vector<CallArg> ArgList(T... args) {
  std::vector<CallArg> list;
  list.reserve(sizeof...(args));
  (list.emplace_back(std::move(args)), ...);
  return list;
}

// The hosts of this module, by the handle they were given.
std::map<LONG, ReferenceHost*>& Hosts() {
  static std::map<LONG, ReferenceHost*> hosts;
  return hosts;
}

// What the engine library does for a handle of ours: log the lookup on that host and
// hand out its engine unless the host refuses or has given up its handle.
HostEngine* QARN_EXPORT_CALL ResolveEngine(void* context, LONG handle) {
  auto* host = static_cast<ReferenceHost*>(context);
  host->Log("GetEngineFromHandle", ArgList(int64_t{handle}));
  if (host->refuseEngine) return nullptr;
  return host->GetEngine();
}

CallArg IntArg(const int* p) { return p ? CallArg(int64_t{*p}) : CallArg(std::monostate{}); }
CallArg DoubleArg(const double* p) { return p ? CallArg(*p) : CallArg(std::monostate{}); }
// The conversions with the log on, each a call of its own: they run once per vertex of a
// paint or pick, and with the log off they should need no frame for building argument
// lists.
[[gnu::noinline]] void LoggedWorldToScreen(ReferenceHost& host, double* x, double* y) {
  host.Log("WorldToScreen", ArgList(DoubleArg(x), DoubleArg(y)));
  if (x && y) host.WorldToScreen(*x, *y);
}
[[gnu::noinline]] void LoggedWorldToView3D(ReferenceHost& host, double* x, double* y, double* z) {
  host.Log("WorldToView3D", ArgList(DoubleArg(x), DoubleArg(y), DoubleArg(z)));
  if (x && y && z) host.World3DToPlane(*x, *y, *z);
}
// A registration is logged with the object's address, or null.
void LogPointer(ReferenceHost& host, const char* name, const void* p) {
  std::vector<CallArg> args(1);
  if (p) args[0] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(p));
  host.Log(name, std::move(args));
}

#if defined(_WIN32)
// The engine library is a real DLL beside this module; loading it from this module's
// folder (and keeping it loaded) lets the editor find it by name as it finds the real
// host's library, which the host control has always loaded before the editor asks.
struct EngineLibrary {
  QarnAddEngineHandleProc add = nullptr;
  QarnRemoveEngineHandleProc remove = nullptr;
};

const EngineLibrary& TheEngineLibrary() {
  static const EngineLibrary library = [] {
    EngineLibrary found;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Hosts), &self);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return found;
    std::string file(path, n);
    file = file.substr(0, file.find_last_of("\\/") + 1) + QARN_ENGINE_LIBRARY;
    HMODULE module = GetModuleHandleA(QARN_ENGINE_LIBRARY);
    if (!module) module = LoadLibraryA(file.c_str());
    if (!module) return found;
    found.add = reinterpret_cast<QarnAddEngineHandleProc>(
        reinterpret_cast<void*>(GetProcAddress(module, QARN_ADD_ENGINE_HANDLE)));
    found.remove = reinterpret_cast<QarnRemoveEngineHandleProc>(
        reinterpret_cast<void*>(GetProcAddress(module, QARN_REMOVE_ENGINE_HANDLE)));
    return found;
  }();
  return library;
}
#else
LONG g_nextHandle = 0x5100;

HostEngine* QARN_EXPORT_CALL GetEngineFromHandle(LONG handle) {
  ReferenceHost* host = ReferenceHost::FromHandle(handle);
  return host ? ResolveEngine(host, handle) : nullptr;
}

void RegisterEngineLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    QarnRegisterModule(QARN_ENGINE_LIBRARY,
                       {{nullptr, QARN_ENGINE_ORDINAL,
                         reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&GetEngineFromHandle))}});
  });
}
#endif

}  // namespace

LONG AddHostHandle(ReferenceHost* host) {
#if defined(_WIN32)
  // Without the engine library the host still gets a handle; the editor then finds
  // no engine behind it, as with a host whose library is missing.
  static LONG orphanHandle = 0x7F000000;
  const EngineLibrary& library = TheEngineLibrary();
  LONG handle = library.add ? library.add(&ResolveEngine, host) : orphanHandle++;
#else
  RegisterEngineLibrary();
  LONG handle = g_nextHandle++;
#endif
  Hosts()[handle] = host;
  return handle;
}

void RemoveHostHandle(LONG handle) {
#if defined(_WIN32)
  const EngineLibrary& library = TheEngineLibrary();
  if (library.remove) library.remove(handle);
#endif
  Hosts().erase(handle);
}

ReferenceHost* ReferenceHost::FromHandle(LONG handle) {
  auto it = Hosts().find(handle);
  return it == Hosts().end() ? nullptr : it->second;
}

void RefHostEngine::SetPointerHandler(PointerHandler* handler) {
  LogPointer(m_host, "SetPointerHandler", handler);
  m_host.RegisterHandler(handler);
}

void RefHostEngine::SetOverlayPainter(OverlayPainter* painter) {
  LogPointer(m_host, "SetOverlayPainter", painter);
  m_host.RegisterPainter(painter);
}

void RefHostEngine::Reserved2() { if (m_host.logCalls) m_host.Log("Reserved2"); }

void RefHostEngine::RequestRepaint() {
  if (m_host.logCalls) m_host.Log("RequestRepaint");
  ++m_host.repaintRequests;
  if (m_host.repaintListener) m_host.repaintListener();
}

HWND RefHostEngine::GetViewWindow() {
  if (m_host.logCalls) m_host.Log("GetViewWindow");
  return m_host.ViewWindow();
}

void RefHostEngine::WorldToScreen(double* x, double* y) {
  if (m_host.logCalls) return LoggedWorldToScreen(m_host, x, y);
  if (x && y) m_host.WorldToScreen(*x, *y);
}

void RefHostEngine::Reserved6() { if (m_host.logCalls) m_host.Log("Reserved6"); }

void RefHostEngine::Reserved7() { if (m_host.logCalls) m_host.Log("Reserved7"); }

void RefHostEngine::ScreenToWorld(double* x, double* y) {
  if (m_host.logCalls) m_host.Log("ScreenToWorld", ArgList(DoubleArg(x), DoubleArg(y)));
  if (x && y) m_host.ScreenToWorld(*x, *y);
}

void RefHostEngine::ViewToWorld3D(double* x, double* y, double* z) {
  if (m_host.logCalls) m_host.Log("ViewToWorld3D", ArgList(DoubleArg(x), DoubleArg(y), DoubleArg(z)));
  if (x && y && z) m_host.PlaneToWorld3D(*x, *y, *z);
}

void RefHostEngine::WorldToView3D(double* x, double* y, double* z) {
  if (m_host.logCalls) return LoggedWorldToView3D(m_host, x, y, z);
  if (x && y && z) m_host.World3DToPlane(*x, *y, *z);
}

void RefHostEngine::GetModePair(int* a, int* b) {
  if (m_host.logCalls) m_host.Log("GetModePair");
  if (a) *a = m_host.modePair[0];
  if (b) *b = m_host.modePair[1];
}

void RefHostEngine::SetModePair(int a, int b) {
  if (m_host.logCalls) m_host.Log("SetModePair", ArgList(int64_t{a}, int64_t{b}));
  m_host.modePair[0] = a;
  m_host.modePair[1] = b;
}

void RefHostEngine::GetInputState(int* a, int* b, int* c) {
  if (m_host.logCalls) m_host.Log("GetInputState");
  if (a) *a = m_host.inputState[0];
  if (b) *b = m_host.inputState[1];
  if (c) *c = m_host.inputState[2];
}

void RefHostEngine::SetInputState(int* a, int* b, int* c) {
  if (m_host.logCalls) m_host.Log("SetInputState", ArgList(IntArg(a), IntArg(b), IntArg(c)));
  if (a) m_host.inputState[0] = *a;
  if (b) m_host.inputState[1] = *b;
  if (c) m_host.inputState[2] = *c;
}

void RefHostEngine::SetReferencePoint(int* on, double* x, double* y, double* z) {
  if (m_host.logCalls) m_host.Log("SetReferencePoint", ArgList(IntArg(on), DoubleArg(x), DoubleArg(y), DoubleArg(z)));
  if (on) m_host.refOn = *on;
  if (x) m_host.refPoint[0] = *x;
  if (y) m_host.refPoint[1] = *y;
  if (z) m_host.refPoint[2] = *z;
}

void RefHostEngine::GetReferencePoint(int* on, double* x, double* y, double* z) {
  if (m_host.logCalls) m_host.Log("GetReferencePoint");
  if (m_host.refOn < 0) return;  // none: the caller's values stay as they were
  if (on) *on = m_host.refOn;
  if (x) *x = m_host.refPoint[0];
  if (y) *y = m_host.refPoint[1];
  if (z) *z = m_host.refPoint[2];
}
