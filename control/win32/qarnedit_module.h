// The module's own state on Windows: its instance handle and server locks, and the
// registration of its classes.
#pragma once

#include <windows.h>

// The module's instance handle (resources, LoadString, the module's path).
HINSTANCE QarneditModuleInstance();
// Full path of the module file; empty when it cannot be found.
bool QarneditModulePath(wchar_t* path, DWORD cch);

// Class registration under root (HKEY_CLASSES_ROOT for the real thing): the keys of
// the control and of both property pages, in order; at the first key that cannot be
// written it stops and returns that failure, leaving the keys written before it.
HRESULT QarneditRegisterClasses(HKEY root, const wchar_t* modulePath);
// Removes exactly the keys QarneditRegisterClasses writes. S_OK when all were present,
// S_FALSE when some were already missing.
HRESULT QarneditUnregisterClasses(HKEY root);
