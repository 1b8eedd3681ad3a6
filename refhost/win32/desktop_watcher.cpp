#include "refhost/win32/desktop_watcher.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "refhost/dialog_script.h"
#include "refhost/host_script.h"

namespace {

// Posted to the watcher's own window: a new window (wParam) to look at once its modal
// loop runs, or a dialog to cancel if its script left it open.
const UINT kLookAt = WM_APP + 0x51;
const UINT kCloseIfOpen = WM_APP + 0x52;
const char kPumpClass[] = "QarnRefDesktopWatcher";
const int kMessageBoxTextId = 0xFFFF;

struct Watcher {
  int installs = 0;
  HHOOK hook = nullptr;
  HWND pump = nullptr;
};
Watcher g_watcher;

HINSTANCE ThisModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &self);
  return self;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

std::string TextOf(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

bool IsIconStatic(HWND hwnd) { return ClassOf(hwnd) == "Static" && (GetWindowLongA(hwnd, GWL_STYLE) & SS_ICON); }

// ---- message boxes

// MessageBox's flags are not kept anywhere a watcher can read them, so they are read
// back from what the box shows: its buttons, its icon and its default button.
UINT FlagsOfBox(HWND box) {
  struct ButtonSet {
    UINT type;
    std::vector<int> ids;
  };
  const ButtonSet sets[] = {{MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
                            {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
                            {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
                            {MB_YESNO, {IDYES, IDNO}},
                            {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
                            {MB_OKCANCEL, {IDOK, IDCANCEL}},
                            {MB_OK, {IDOK}}};
  auto shown = [box](int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
  };
  UINT flags = MB_OK;
  const std::vector<int>* order = &sets[6].ids;
  for (const ButtonSet& set : sets) {
    bool all = true;
    for (int id : set.ids) all = all && shown(id);
    if (all) {
      flags = set.type;
      order = &set.ids;
      break;
    }
  }
  const struct {
    LPCSTR icon;
    UINT flag;
  } icons[] = {{IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION}, {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
               {IDI_ASTERISK, MB_ICONASTERISK}};
  for (HWND child : ChildrenOf(box)) {
    if (!IsIconStatic(child)) continue;
    HICON shownIcon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    for (const auto& icon : icons)
      if (shownIcon && shownIcon == LoadIconA(nullptr, icon.icon)) flags |= icon.flag;
  }
  LRESULT def = SendMessageA(box, DM_GETDEFID, 0, 0);
  if (HIWORD(def) == DC_HASDEFID)
    for (size_t i = 0; i < order->size() && i < 4; ++i)
      if ((*order)[i] == LOWORD(def)) flags |= static_cast<UINT>(i) * MB_DEFBUTTON2;
  return flags;
}

std::string TextOfBox(HWND box) {
  if (HWND text = GetDlgItem(box, kMessageBoxTextId)) return TextOf(text);
  for (HWND child : ChildrenOf(box))
    if (ClassOf(child) == "Static" && !IsIconStatic(child) && GetWindowTextLengthA(child) > 0) return TextOf(child);
  return std::string();
}

void AnswerBox(HWND box) {
  DesktopWatch& watch = TheDesktopWatch();
  watch.messageBoxLog.push_back(TextOf(box) + "|" + TextOfBox(box) + "|" + std::to_string(FlagsOfBox(box)));
  int id = static_cast<int>(watch.messageBoxAnswer);
  if (id == 0 || !GetDlgItem(box, id)) {
    // No answer, or one the box does not offer: its default button, as Enter would.
    LRESULT def = SendMessageA(box, DM_GETDEFID, 0, 0);
    id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDCANCEL;
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// ---- dialogs

void AnswerDialog(HWND dialog) {
  DesktopWatch& watch = TheDesktopWatch();
  std::string line = TextOf(dialog);
  for (HWND child : ChildrenOf(dialog))
    line.append(";").append(std::to_string(GetDlgCtrlID(child))).append("|").append(TextOf(child));
  watch.dialogLog.push_back(line);

  std::vector<DialogStep> steps;
  const std::string script = watch.dialogAnswer;
  if (!ParseDialogScript(script, steps)) steps.clear();
  for (const DialogStep& step : steps) {
    if (!IsWindow(dialog)) return;
    HWND control = GetDlgItem(dialog, step.id);
    switch (step.kind) {
      case DialogStep::kSetText:
        // The control tells its dialog of the change itself (EN_CHANGE), as typing would.
        SetDlgItemTextA(dialog, step.id, step.text.c_str());
        break;
      case DialogStep::kClick:
        if (control) SendMessageA(control, BM_CLICK, 0, 0);
        break;
      case DialogStep::kSelect:
        if (control) {
          SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(step.index), 0);
          // A program's CB_SETCURSEL sends no notification; a user's choice does.
          SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
        }
        break;
      case DialogStep::kOk:
      case DialogStep::kCancel: {
        const int id = step.kind == DialogStep::kOk ? IDOK : IDCANCEL;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        PostMessageA(g_watcher.pump, kCloseIfOpen, reinterpret_cast<WPARAM>(dialog), 0);
        return;
      }
    }
  }
  // A script that does not close its dialog (or cannot be read) must not leave the
  // scenario waiting on it.
  PostMessageA(g_watcher.pump, kCloseIfOpen, reinterpret_cast<WPARAM>(dialog), 0);
}

// ---- popup menus

void AnswerMenu(HWND menuWindow) {
  DesktopWatch& watch = TheDesktopWatch();
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  if (!menu) return;
  std::string line = TextOf(menuWindow);
  const int count = GetMenuItemCount(menu);
  int downPresses = 0, target = -1;
  bool targetUsable = false;
  for (int i = 0; i < count; ++i) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (state & MF_SEPARATOR) continue;  // the keyboard skips them too
    ++downPresses;
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
    const UINT rawId = GetMenuItemID(menu, i);
    const long id = rawId == static_cast<UINT>(-1) ? 0 : static_cast<long>(rawId);
    const bool grayed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
    line.append(";").append(std::to_string(id)).append("|").append(text).append(grayed ? "|1" : "|0");
    if (target < 0 && watch.menuAnswer != 0 && id == watch.menuAnswer) {
      target = downPresses;
      targetUsable = !grayed;
    }
  }
  watch.menuLog.push_back(line);
  if (target < 0 || !targetUsable) {
    // 0, an id the menu does not have, or a grayed one: a user could only dismiss it.
    EndMenu();
    return;
  }
  // Chosen the way a user does with the keyboard, so the menu returns or sends the
  // command exactly as it would for a user.
  for (int i = 0; i < target; ++i) PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

// How a dialog window was created: by user32 itself, from another module's own
// template, or with no module named.
enum DialogOrigin : LPARAM { kNoModule = 0, kUser32 = 1, kOtherModule = 2 };

bool IsMessageBox(HWND hwnd, LPARAM origin) {
  // A module's own dialog may hold statics with the message text's id (IDC_STATIC
  // is that id too), so only a dialog of no module is judged by that control.
  if (origin == kOtherModule) return false;
  return origin == kUser32 || GetDlgItem(hwnd, kMessageBoxTextId) != nullptr;
}

LRESULT CALLBACK PumpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND target = reinterpret_cast<HWND>(wParam);
  if (msg == kLookAt && IsWindow(target)) {
    const std::string cls = ClassOf(target);
    if (cls == "#32768")
      AnswerMenu(target);
    else if (cls == "#32770" && IsMessageBox(target, lParam))
      AnswerBox(target);
    else if (cls == "#32770")
      AnswerDialog(target);
    return 0;
  }
  if (msg == kCloseIfOpen) {
    if (IsWindow(target) && IsWindowEnabled(target))
      SendMessageA(target, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Windows are only noted at creation; they are looked at from the modal loop that
// shows them, once their controls exist and their dialog procedure has set them up.
LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_watcher.pump) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    const std::string cls = ClassOf(hwnd);
    if (cls == "#32770" || cls == "#32768") {
      const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
      const HINSTANCE instance = create && create->lpcs ? create->lpcs->hInstance : nullptr;
      LPARAM origin = kNoModule;
      if (instance) origin = instance == GetModuleHandleA("user32.dll") ? kUser32 : kOtherModule;
      PostMessageA(g_watcher.pump, kLookAt, wParam, origin);
    }
  }
  return CallNextHookEx(g_watcher.hook, code, wParam, lParam);
}

}  // namespace

void InstallDesktopWatcher() {
  if (g_watcher.installs++ > 0) return;
  HINSTANCE module = ThisModule();
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(module, kPumpClass, &wc)) {
    wc.lpfnWndProc = PumpProc;
    wc.hInstance = module;
    wc.lpszClassName = kPumpClass;
    RegisterClassExA(&wc);
  }
  g_watcher.pump = CreateWindowExA(0, kPumpClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  g_watcher.hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  TheDesktopWatch().active = g_watcher.pump && g_watcher.hook;
}

void RemoveDesktopWatcher() {
  if (g_watcher.installs <= 0 || --g_watcher.installs > 0) return;
  if (g_watcher.hook) UnhookWindowsHookEx(g_watcher.hook);
  if (g_watcher.pump) DestroyWindow(g_watcher.pump);
  g_watcher = Watcher{};
  TheDesktopWatch().active = false;
}
