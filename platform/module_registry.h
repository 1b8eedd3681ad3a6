// In-process modules standing in for DLLs on Linux: code registers a module by name with
// its exports, and LoadLibraryA / GetProcAddress / GetModuleHandleA find them the way
// Windows finds a loaded DLL's exports.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/win_types.h"

#if defined(_WIN32)
// Real modules: LoadLibraryA, GetProcAddress, GetModuleHandleA.
#else

struct QarnModuleExport {
  const char* name;  // nullptr for an export reachable only by ordinal
  WORD ordinal;      // 0 for an export reachable only by name
  FARPROC proc;
};

// Registers (or replaces the exports of) a module. Names match without regard to case,
// with or without a ".dll" extension and ignoring any folder part. A registered module is
// not loaded until LoadLibraryA; replacing exports keeps its handle and load count.
void QarnRegisterModule(const char* name, std::initializer_list<QarnModuleExport> exports);
void QarnRegisterModule(const char* name, const std::vector<QarnModuleExport>& exports);
// Forgets a module; its handle stays invalid afterwards. For tests.
bool QarnUnregisterModule(const char* name);

// Each call adds one to the module's load count; NULL for an unknown name.
HMODULE LoadLibraryA(LPCSTR name);
// IS_INTRESOURCE(name) means an ordinal; names are matched exactly (case matters, as on
// Windows). NULL for an unknown export or a module that is not loaded.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// The handle of a loaded module without changing its count; NULL when it is not loaded.
// NULL names the program itself: a handle with no exports that is always loaded.
HMODULE GetModuleHandleA(LPCSTR name);
#endif  // _WIN32
