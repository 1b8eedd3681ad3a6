// The members a script reaches by name on the reference host's dispatch, beside the
// host's own methods: pointer input, view set-up, forced host state, the call log,
// record memory, pictures and (where a watcher runs) the answers to boxes, menus and
// dialogs. Lists come back as one string, lines joined by "\r\n".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com_types.h"
#include "refhost/reference_host.h"

// What the desktop watcher answers and what it saw; the watcher sets active when it runs.
struct DesktopWatch {
  bool active = false;
  LONG messageBoxAnswer = 0;  // 0: the box's default button
  std::vector<std::string> messageBoxLog;
  LONG menuAnswer = 0;  // 0: dismiss
  std::vector<std::string> menuLog;
  std::string dialogAnswer;  // empty: cancel
  std::vector<std::string> dialogLog;
};
DesktopWatch& TheDesktopWatch();

// DISPID_UNKNOWN for a name that is not a script member (case does not matter).
DISPID ScriptMemberId(const std::string& name);
// DISP_E_MEMBERNOTFOUND for an id that is not a script member.
HRESULT InvokeScriptMember(ReferenceHost& host, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           UINT* argErr);

// Lowercase hex of count bytes of record memory at address; "" when any is unreadable.
std::string ReadMemoryHex(uint32_t address, long count);
// Lines joined by "\r\n", no line break after the last.
std::string JoinLines(const std::vector<std::string>& lines);
