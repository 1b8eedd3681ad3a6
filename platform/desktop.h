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

// A modal dialog as the backend sees it while it runs: what a user reads on it and
// what a user does to it. Every action reaches the dialog through the notification
// its control sends (EN_CHANGE, BN_CLICKED, CBN_SELCHANGE); OK and Cancel end it.
// An unknown control id, or acting on a dialog that has ended, throws
// std::invalid_argument.
class DialogView {
 public:
  virtual CString Title() const = 0;
  struct Control {
    int id;  // -1 for labels and frames
    CString className;
    CString text;
  };
  // Its controls in tab order, as a user reads them.
  virtual std::vector<Control> Controls() const = 0;
  // The window text; for a combo box, the text of its selected item.
  virtual CString Text(int id) const = 0;
  virtual bool Checked(int id) const = 0;
  virtual std::vector<CString> ComboItems(int id) const = 0;
  virtual int ComboSelection(int id) const = 0;

  virtual void SetText(int id, const CString& text) = 0;
  virtual void Click(int id) = 0;
  virtual void Select(int id, int index) = 0;
  virtual void Ok() = 0;
  virtual void Cancel() = 0;
  virtual bool Ended() const = 0;

 protected:
  ~DialogView() = default;
};

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
  // Works a modal dialog the way a user would; a dialog it leaves open is cancelled,
  // and without it every dialog is cancelled.
  std::function<void(DialogView&)> onDialog;

  std::vector<MessageBoxRecord> messageBoxes;
  std::set<int> keysDown;
  std::vector<std::pair<HWND, UINT>> postedCommands;
  std::vector<CString> dialogTitles;  // every modal dialog shown, in order

  int ShowMessageBox(LPCSTR text, LPCSTR caption, UINT type);
  UINT TrackMenu(HMENU popup, int x, int y);
  void RunDialog(DialogView& dialog);
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
