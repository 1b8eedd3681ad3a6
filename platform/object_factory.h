// Class registry and creation: the part of COM's class store an in-process server
// needs (ProgID and CLSID lookup, CoCreateInstance, class factories, unload counts).
#pragma once

#include "platform/oleauto.h"

#if !defined(_WIN32)
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17

struct IClassFactory : IUnknown {
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  STDMETHOD(LockServer)(BOOL fLock) = 0;
};
extern const IID IID_IClassFactory;

#endif  // !_WIN32

typedef IUnknown* (*QARN_CREATEPROC)();  // returns a new object holding one reference

// Registers a creatable class; a later registration of the same CLSID replaces it.
HRESULT QarnRegisterClass(const CLSID& clsid, const char* progId, QARN_CREATEPROC create);
HRESULT QarnUnregisterClass(const CLSID& clsid);

#if !defined(_WIN32)
// ProgIDs compare case-insensitively. Unknown: CO_E_CLASSSTRING.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
// GUID -> "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// Aggregation is not supported (CLASS_E_NOAGGREGATION); unknown classes give REGDB_E_CLASSNOTREG.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
#endif  // !_WIN32
// A class factory (IClassFactory) for a registered class: what DllGetClassObject hands out.
HRESULT QarnGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
HRESULT QarnCreateObjectByProgID(const char* progId, IDispatch** ppDisp);

// DllCanUnloadNow: live objects and server locks.
void QarnObjectCreated();
void QarnObjectDestroyed();
LONG QarnGetObjectCount();
LONG QarnGetLockCount();
HRESULT QarnCanUnloadNow();  // S_OK when nothing is alive or locked, else S_FALSE
