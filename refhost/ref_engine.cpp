// The reference host's engine object and its support library (QARNDLL32 ordinal 203).
#include <map>
#include <mutex>

#include "platform/module_registry.h"
#include "refhost/ref_engine.h"

namespace {

std::map<LONG, ReferenceHost*>& Hosts() {
  static std::map<LONG, ReferenceHost*> hosts;
  return hosts;
}

HostEngine* QARN_EXPORT_CALL GetEngineFromHandle(LONG handle) {
  ReferenceHost* host = ReferenceHost::FromHandle(handle);
  if (!host) return nullptr;
  host->Log("GetEngineFromHandle", {int64_t{handle}});
  if (host->refuseEngine) return nullptr;
  return host->GetEngine();
}

CallArg IntArg(const int* p) { return p ? CallArg(int64_t{*p}) : CallArg(std::monostate{}); }
CallArg DoubleArg(const double* p) { return p ? CallArg(*p) : CallArg(std::monostate{}); }
// A registration is logged with the object's address, or null.
void LogPointer(ReferenceHost& host, const char* name, const void* p) {
  std::vector<CallArg> args(1);
  if (p) args[0] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(p));
  host.Log(name, std::move(args));
}

}  // namespace

void RegisterHostHandle(LONG handle, ReferenceHost* host) { Hosts()[handle] = host; }

void UnregisterHostHandle(LONG handle) { Hosts().erase(handle); }

ReferenceHost* ReferenceHost::FromHandle(LONG handle) {
  auto it = Hosts().find(handle);
  return it == Hosts().end() ? nullptr : it->second;
}

void RegisterEngineLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    QarnRegisterModule("QARNDLL32.DLL",
                       {{nullptr, 203, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&GetEngineFromHandle))}});
  });
}

void RefHostEngine::SetPointerHandler(PointerHandler* handler) {
  LogPointer(m_host, "SetPointerHandler", handler);
  m_host.RegisterHandler(handler);
}

void RefHostEngine::SetOverlayPainter(OverlayPainter* painter) {
  LogPointer(m_host, "SetOverlayPainter", painter);
  m_host.RegisterPainter(painter);
}

void RefHostEngine::Reserved2() { m_host.Log("Reserved2"); }

void RefHostEngine::RequestRepaint() {
  m_host.Log("RequestRepaint");
  ++m_host.repaintRequests;
}

HWND RefHostEngine::GetViewWindow() {
  m_host.Log("GetViewWindow");
  return m_host.ViewWindow();
}

void RefHostEngine::WorldToScreen(double* x, double* y) {
  m_host.Log("WorldToScreen", {DoubleArg(x), DoubleArg(y)});
  if (x && y) m_host.WorldToScreen(*x, *y);
}

void RefHostEngine::Reserved6() { m_host.Log("Reserved6"); }

void RefHostEngine::Reserved7() { m_host.Log("Reserved7"); }

void RefHostEngine::ScreenToWorld(double* x, double* y) {
  m_host.Log("ScreenToWorld", {DoubleArg(x), DoubleArg(y)});
  if (x && y) m_host.ScreenToWorld(*x, *y);
}

void RefHostEngine::ViewToWorld3D(double* x, double* y, double* z) {
  m_host.Log("ViewToWorld3D", {DoubleArg(x), DoubleArg(y), DoubleArg(z)});
  if (x && y && z) m_host.PlaneToWorld3D(*x, *y, *z);
}

void RefHostEngine::WorldToView3D(double* x, double* y, double* z) {
  m_host.Log("WorldToView3D", {DoubleArg(x), DoubleArg(y), DoubleArg(z)});
  if (x && y && z) m_host.World3DToPlane(*x, *y, *z);
}

void RefHostEngine::GetModePair(int* a, int* b) {
  m_host.Log("GetModePair");
  if (a) *a = m_host.modePair[0];
  if (b) *b = m_host.modePair[1];
}

void RefHostEngine::SetModePair(int a, int b) {
  m_host.Log("SetModePair", {int64_t{a}, int64_t{b}});
  m_host.modePair[0] = a;
  m_host.modePair[1] = b;
}

void RefHostEngine::GetInputState(int* a, int* b, int* c) {
  m_host.Log("GetInputState");
  if (a) *a = m_host.inputState[0];
  if (b) *b = m_host.inputState[1];
  if (c) *c = m_host.inputState[2];
}

void RefHostEngine::SetInputState(int* a, int* b, int* c) {
  m_host.Log("SetInputState", {IntArg(a), IntArg(b), IntArg(c)});
  if (a) m_host.inputState[0] = *a;
  if (b) m_host.inputState[1] = *b;
  if (c) m_host.inputState[2] = *c;
}

void RefHostEngine::SetReferencePoint(int* on, double* x, double* y, double* z) {
  m_host.Log("SetReferencePoint", {IntArg(on), DoubleArg(x), DoubleArg(y), DoubleArg(z)});
  if (on) m_host.refOn = *on;
  if (x) m_host.refPoint[0] = *x;
  if (y) m_host.refPoint[1] = *y;
  if (z) m_host.refPoint[2] = *z;
}

void RefHostEngine::GetReferencePoint(int* on, double* x, double* y, double* z) {
  m_host.Log("GetReferencePoint");
  if (m_host.refOn < 0) return;  // none: the caller's values stay as they were
  if (on) *on = m_host.refOn;
  if (x) *x = m_host.refPoint[0];
  if (y) *y = m_host.refPoint[1];
  if (z) *z = m_host.refPoint[2];
}
