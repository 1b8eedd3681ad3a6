#include "platform/desktop.h"

#include "platform/resources_api.h"

#if !defined(_WIN32)  // user32 shows the real boxes on Windows
Desktop& QarnDesktop() {
  static Desktop desktop;
  return desktop;
}

int Desktop::ShowMessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxRecord record{CString(text), CString(caption ? caption : "Error"), type};
  messageBoxes.push_back(record);
  int answer = onMessageBox ? onMessageBox(record) : 0;
  if (answer != 0) return answer;
  // Nobody answered: the default button of the box.
  switch (type & 0xF) {
    case MB_YESNO: return IDYES;
    default: return IDOK;
  }
}

UINT Desktop::TrackMenu(HMENU popup, int x, int y) { return onMenu ? onMenu(popup, x, y) : 0; }

void Desktop::RunDialog(DialogView& dialog) {
  dialogTitles.push_back(dialog.Title());
  if (onDialog) onDialog(dialog);
}

void Desktop::Reset() {
  onMessageBox = nullptr;
  onMenu = nullptr;
  onDialog = nullptr;
  dialogTitles.clear();
  messageBoxes.clear();
  keysDown.clear();
  postedCommands.clear();
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  return QarnDesktop().ShowMessageBox(text ? text : "", caption, type);
}

SHORT GetAsyncKeyState(int vkey) {
  return QarnDesktop().keysDown.count(vkey) ? static_cast<SHORT>(0x8000) : 0;
}

#endif  // !_WIN32

// The framework titles its boxes with the application name: the module's name.
static const char* AppName() {
#if defined(_WIN32)
  return "QARNEDIT";
#else
  const ModuleResources* resources = QarnGetModuleResources();
  return resources && resources->appName ? resources->appName : "";
#endif
}

int AfxMessageBox(UINT idPrompt, UINT type, UINT) {
  CString text;
  text.LoadString(idPrompt);
  return MessageBoxA(nullptr, text, AppName(), type);
}

int AfxMessageBox(LPCSTR text, UINT type, UINT) { return MessageBoxA(nullptr, text, AppName(), type); }
