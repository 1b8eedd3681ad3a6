// Class registry and creation: the part of COM's class store an in-process server
// needs (ProgID and CLSID lookup, CoCreateInstance, live-object counts).
#pragma once

#include "platform/oleauto.h"

#if !defined(_WIN32)
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17

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
HRESULT QarnCreateObjectByProgID(const char* progId, IDispatch** ppDisp);

// Live framework objects, which DllCanUnloadNow counts.
void QarnObjectCreated();
void QarnObjectDestroyed();
LONG QarnGetObjectCount();
