// The Linux dialog manager: a modal dialog is a live object built from the module's
// template, whose controls keep their text, check state and combo items, and which
// notifies its CDialog the way the controls of a real dialog do.
#include "platform/afx_dialog.h"

#if !defined(_WIN32)  // the real dialog manager runs the dialogs on Windows

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <strings.h>

#include "platform/resources_api.h"
// Only the template types: the templates themselves come from the module's resources.
#include "resources/resource_dialogs.h"

namespace {

constexpr DWORD kDisabled = 0x08000000L;    // WS_DISABLED
constexpr DWORD kButtonType = 0x0000000FL;  // the BS_ type bits of a button
constexpr DWORD kAutoCheckBox = 3;          // BS_AUTOCHECKBOX
constexpr DWORD kAuto3State = 6;            // BS_AUTO3STATE
constexpr DWORD kSortedCombo = 0x0100L;     // CBS_SORT

class DialogWindow;

struct DialogControl {
  int id;
  CString className;
  CString text;
  DWORD style;
  UINT check = BST_UNCHECKED;
  std::vector<std::pair<CString, DWORD_PTR>> items;
  int selection = CB_ERR;
  DialogWindow* owner;

  HWND Handle() { return reinterpret_cast<HWND>(this); }
  bool Is(const char* cls) const { return QarnEqualNoCase(className.str(), cls); }
};

std::map<HWND, DialogWindow*>& Dialogs() {
  static auto* dialogs = new std::map<HWND, DialogWindow*>();
  return *dialogs;
}

std::map<HWND, DialogControl*>& ControlHandles() {
  static auto* controls = new std::map<HWND, DialogControl*>();
  return *controls;
}

DialogControl* FindControl(HWND hwnd) {
  auto it = ControlHandles().find(hwnd);
  return it == ControlHandles().end() ? nullptr : it->second;
}

DialogWindow* FindDialog(HWND hwnd) {
  auto it = Dialogs().find(hwnd);
  return it == Dialogs().end() ? nullptr : it->second;
}

const ResourceDialog* FindTemplate(UINT id) {
  const ModuleResources* resources = QarnGetModuleResources();
  if (!resources || !resources->dialogs) return nullptr;
  for (int i = 0; i < resources->dialogs->count; ++i)
    if (resources->dialogs->dialogs[i].id == id) return &resources->dialogs->dialogs[i];
  return nullptr;
}

class DialogWindow final : public DialogView {
 public:
  DialogWindow(CDialog* dialog, const ResourceDialog& tmpl) : m_dialog(dialog), m_title(tmpl.caption) {
    Dialogs()[Handle()] = this;
    for (int i = 0; i < tmpl.controlCount; ++i) {
      const ResourceDialogControl& c = tmpl.controls[i];
      auto control = std::make_unique<DialogControl>(
          DialogControl{c.id, CString(c.className), CString(c.text), c.style, BST_UNCHECKED, {}, CB_ERR, this});
      // An icon's text names its resource; the window shows no text.
      if (control->Is("Static") && c.text[0] == '#') control->text.Empty();
      ControlHandles()[control->Handle()] = control.get();
      m_controls.push_back(std::move(control));
    }
  }
  ~DialogWindow() {
    for (const auto& control : m_controls) ControlHandles().erase(control->Handle());
    Dialogs().erase(Handle());
  }
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  HWND Handle() { return reinterpret_cast<HWND>(this); }
  DialogControl* Find(int id) const {
    for (const auto& control : m_controls)
      if (control->id == id) return control.get();
    return nullptr;
  }
  void End(INT_PTR result) {
    m_ended = true;
    m_result = result;
  }
  INT_PTR Result() const { return m_result; }
  void SetTitle(const CString& title) { m_title = title; }
  void Notify(const DialogControl& control, UINT code) {
    if (!m_ended) m_dialog->OnCommand(static_cast<UINT>(control.id), code);
  }

  // DialogView
  CString Title() const override { return m_title; }
  std::vector<Control> Controls() const override {
    std::vector<Control> views;
    for (const auto& control : m_controls) views.push_back({control->id, control->className, TextOf(*control)});
    return views;
  }
  CString Text(int id) const override { return TextOf(Require(id)); }
  static CString TextOf(const DialogControl& control) {
    if (control.Is("ComboBox")) {
      return control.selection >= 0 ? control.items[static_cast<size_t>(control.selection)].first : CString();
    }
    return control.text;
  }
  bool Checked(int id) const override { return Require(id).check == BST_CHECKED; }
  std::vector<CString> ComboItems(int id) const override {
    const DialogControl& control = RequireCombo(id);
    std::vector<CString> texts;
    for (const auto& item : control.items) texts.push_back(item.first);
    return texts;
  }
  int ComboSelection(int id) const override { return RequireCombo(id).selection; }

  void SetText(int id, const CString& text) override {
    DialogControl& control = RequireLive(id);
    SetWindowTextA(control.Handle(), text);
  }
  void Click(int id) override {
    DialogControl& control = RequireLive(id);
    if (!control.Is("Button")) return;  // statics without SS_NOTIFY tell nobody
    DWORD type = control.style & kButtonType;
    if (type == kAutoCheckBox) control.check = control.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (type == kAuto3State) control.check = (control.check + 1) % 3;
    Notify(control, BN_CLICKED);
  }
  void Select(int id, int index) override {
    DialogControl& control = RequireLive(id);
    if (!control.Is("ComboBox")) throw std::invalid_argument("control " + std::to_string(id) + " is no combo box");
    if (index < 0 || index >= static_cast<int>(control.items.size()))
      throw std::invalid_argument("combo box " + std::to_string(id) + " has no item " + std::to_string(index));
    control.selection = index;
    Notify(control, CBN_SELCHANGE);
  }
  void Ok() override {
    RequireOpen();
    m_dialog->OnCommand(IDOK, BN_CLICKED);
  }
  void Cancel() override {
    RequireOpen();
    m_dialog->OnCommand(IDCANCEL, BN_CLICKED);
  }
  bool Ended() const override { return m_ended; }

 private:
  void RequireOpen() const {
    if (m_ended) throw std::invalid_argument("the dialog \"" + m_title.str() + "\" has ended");
  }
  DialogControl& Require(int id) const {
    DialogControl* control = Find(id);
    if (!control) throw std::invalid_argument("the dialog \"" + m_title.str() + "\" has no control " + std::to_string(id));
    return *control;
  }
  DialogControl& RequireCombo(int id) const {
    DialogControl& control = Require(id);
    if (!control.Is("ComboBox")) throw std::invalid_argument("control " + std::to_string(id) + " is no combo box");
    return control;
  }
  DialogControl& RequireLive(int id) const {
    RequireOpen();
    DialogControl& control = Require(id);
    if (control.style & kDisabled) throw std::invalid_argument("control " + std::to_string(id) + " is disabled");
    return control;
  }

  CDialog* m_dialog;
  CString m_title;
  std::vector<std::unique_ptr<DialogControl>> m_controls;
  bool m_ended = false;
  INT_PTR m_result = IDCANCEL;
};

int CopyText(const CString& text, LPSTR buffer, int max) {
  if (!buffer || max <= 0) return 0;
  int n = std::min(text.GetLength(), max - 1);
  std::memcpy(buffer, text.c_str(), static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

CString WindowText(HWND hwnd, bool* found) {
  *found = true;
  if (DialogWindow* dialog = FindDialog(hwnd)) return dialog->Title();
  if (DialogControl* control = FindControl(hwnd)) return DialogWindow::TextOf(*control);
  *found = false;
  return CString();
}

LRESULT ComboMessage(DialogControl& c, UINT message, WPARAM wParam, LPARAM lParam) {
  auto index = static_cast<int>(static_cast<INT_PTR>(wParam));
  bool valid = index >= 0 && index < static_cast<int>(c.items.size());
  switch (message) {
    case CB_ADDSTRING: {
      CString text(reinterpret_cast<LPCSTR>(lParam));
      auto at = c.items.end();
      if (c.style & kSortedCombo) {
        at = std::find_if(c.items.begin(), c.items.end(), [&](const auto& item) {
          return strcasecmp(text.c_str(), item.first.c_str()) < 0;
        });
      }
      at = c.items.insert(at, {text, 0});
      return at - c.items.begin();
    }
    case CB_GETCOUNT: return static_cast<LRESULT>(c.items.size());
    case CB_GETCURSEL: return c.selection;
    case CB_SETCURSEL:
      c.selection = valid ? index : CB_ERR;
      return c.selection;
    case CB_GETLBTEXTLEN: return valid ? c.items[static_cast<size_t>(index)].first.GetLength() : CB_ERR;
    case CB_GETLBTEXT: {
      if (!valid) return CB_ERR;
      const CString& text = c.items[static_cast<size_t>(index)].first;
      std::memcpy(reinterpret_cast<LPSTR>(lParam), text.c_str(), static_cast<size_t>(text.GetLength()) + 1);
      return text.GetLength();
    }
    case CB_GETITEMDATA: return valid ? static_cast<LRESULT>(c.items[static_cast<size_t>(index)].second) : CB_ERR;
    case CB_SETITEMDATA:
      if (!valid) return CB_ERR;
      c.items[static_cast<size_t>(index)].second = static_cast<DWORD_PTR>(lParam);
      return 0;
    case CB_RESETCONTENT:
      c.items.clear();
      c.selection = CB_ERR;
      return 0;
    default: return 0;
  }
}

}  // namespace

HWND GetDlgItem(HWND dialog, int id) {
  DialogWindow* window = FindDialog(dialog);
  DialogControl* control = window ? window->Find(id) : nullptr;
  return control ? control->Handle() : nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  DialogControl* control = FindControl(hwnd);
  return control ? control->id : 0;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (DialogWindow* dialog = FindDialog(hwnd)) {
    dialog->SetTitle(CString(text));
    return TRUE;
  }
  DialogControl* control = FindControl(hwnd);
  if (!control) return FALSE;
  control->text = CString(text);
  // An edit control tells its dialog about every change of its text, set by code or typed.
  if (control->Is("Edit")) control->owner->Notify(*control, EN_CHANGE);
  return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int max) {
  bool found = false;
  CString current = WindowText(hwnd, &found);
  return found ? CopyText(current, text, max) : CopyText(CString(), text, max);
}

int GetWindowTextLengthA(HWND hwnd) {
  bool found = false;
  return WindowText(hwnd, &found).GetLength();
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogControl* control = FindControl(hwnd);
  if (!control) return 0;
  if (control->Is("Button")) {
    if (message == BM_GETCHECK) return control->check;
    if (message == BM_SETCHECK) control->check = static_cast<UINT>(wParam);
    return 0;
  }
  if (control->Is("ComboBox")) return ComboMessage(*control, message, wParam, lParam);
  return 0;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogWindow* window = FindDialog(dialog);
  if (!window) return FALSE;
  window->End(result);
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  const ResourceDialog* tmpl = FindTemplate(m_nIDTemplate);
  if (!tmpl) return -1;
  DialogWindow window(this, *tmpl);
  m_hWnd = window.Handle();
  // The window goes when DoModal leaves, also when the desktop's script throws.
  struct Detach {
    CDialog* dialog;
    ~Detach() {
      dialog->m_hWnd = nullptr;
      dialog->m_items.clear();
    }
  } detach{this};
  OnInitDialog();
  if (!window.Ended()) QarnDesktop().RunDialog(window);
  // A dialog its user leaves open is closed as the close box does: by Cancel.
  if (!window.Ended()) OnCancel();
  if (!window.Ended()) window.End(IDCANCEL);
  return window.Result();
}

#endif  // !_WIN32
