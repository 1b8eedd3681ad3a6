// The engine library's table of engine handles. QARNDLL32 keeps it for every host in
// the process: a host adds itself with a resolver, ordinal 203 looks a handle up and
// asks that host's resolver for the engine.
#pragma once

#include "hostlink/host_interfaces.h"

// Called by the lookup with the context the host added; returns the engine or null.
typedef HostEngine*(QARN_EXPORT_CALL* QarnEngineResolver)(void* context, LONG handle);

// Named exports of the engine library beside ordinal 203.
#define QARN_ADD_ENGINE_HANDLE "QarnAddEngineHandle"
#define QARN_REMOVE_ENGINE_HANDLE "QarnRemoveEngineHandle"
// Returns a handle no other host in the process holds (never 0).
typedef LONG(QARN_EXPORT_CALL* QarnAddEngineHandleProc)(QarnEngineResolver resolver, void* context);
typedef void(QARN_EXPORT_CALL* QarnRemoveEngineHandleProc)(LONG handle);

// The host side: a handle for a new host, and its removal when the host goes away.
class ReferenceHost;
LONG AddHostHandle(ReferenceHost* host);
void RemoveHostHandle(LONG handle);
