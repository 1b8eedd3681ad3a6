// The desktop backend of the Linux build: what a user would answer to message boxes
// and popup menus, and which keys are held. Tests and the script host script it.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "platform/cstring.h"
#include "platform/win_types.h"

#if !defined(_WIN32)
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_ICONHAND 0x00000010L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

struct MessageBoxRecord {
  CString text;
  CString caption;
  UINT flags;
};

class Desktop {
 public:
  // Answer to every message box; 0 means the default button of the box's type.
  std::function<int(const MessageBoxRecord&)> onMessageBox;
  // Chooses a command of a popup menu, or 0 to dismiss it.
  std::function<UINT(HMENU popup, int x, int y)> onMenu;

  std::vector<MessageBoxRecord> messageBoxes;
  std::set<int> keysDown;
  std::vector<std::pair<HWND, UINT>> postedCommands;

  int ShowMessageBox(LPCSTR text, LPCSTR caption, UINT type);
  UINT TrackMenu(HMENU popup, int x, int y);
  void PostCommand(HWND owner, UINT id) { postedCommands.emplace_back(owner, id); }
  // Forgets every answer, record and key: a fresh desktop for the next test.
  void Reset();
};

Desktop& QarnDesktop();

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
SHORT GetAsyncKeyState(int vkey);
#endif  // !_WIN32

// The framework's message box by string id, titled with the module's name.
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
