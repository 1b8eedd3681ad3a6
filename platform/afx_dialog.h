// Modal dialogs made from the module's dialog templates, with the framework's data
// exchange and notification routing. On Windows a CDialog runs the real dialog
// manager; on Linux the dialog is a live object built from the template data that
// the desktop backend drives through the same notifications a user would cause.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "platform/cstring.h"
#include "platform/desktop.h"
#include "platform/win_types.h"

#if !defined(_WIN32)
// The USER32 subset the dialogs use, for dialog windows and their controls.
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define EN_CHANGE 0x0300
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
typedef uintptr_t DWORD_PTR;

HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR text, int max);
int GetWindowTextLengthA(HWND hwnd);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
#endif  // !_WIN32

// The framework's thin wrapper of a window handle, as GetDlgItem hands it out.
class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
  virtual ~CWnd() = default;

  operator HWND() const { return m_hWnd; }
  void SetWindowText(LPCSTR text) { ::SetWindowTextA(m_hWnd, text); }
  void GetWindowText(CString& text) const;
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

  HWND m_hWnd = nullptr;
};

class CComboBox : public CWnd {
 public:
  int AddString(LPCSTR text);
  int SetItemData(int index, DWORD_PTR data);
  DWORD_PTR GetItemData(int index) const;
  int SetCurSel(int index);
  int GetCurSel() const;
  int GetCount() const;
  void GetLBText(int index, CString& text) const;
  void ResetContent();
};

class CDialog;

// One direction of data exchange between a dialog's controls and its members.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  HWND ControlHandle(int id) const;

  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // TRUE: controls to members
};

void DDX_Text(CDataExchange* pDX, int id, CString& value);
void DDX_Check(CDataExchange* pDX, int id, BOOL& value);
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// A notification handler of a dialog: the control id, the notification code and
// the member the dialog runs for it.
struct DialogCommandEntry {
  UINT id;
  UINT code;
  void (CDialog::*handler)();
};

// An entry of a derived dialog's command table.
#define ON_DIALOG_COMMAND(id, code, cls, member) \
  DialogCommandEntry { (id), (code), static_cast<void (CDialog::*)()>(&cls::member) }

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog until it is ended: IDOK or IDCANCEL (or the EndDialog value);
  // -1 when the template cannot be found.
  virtual INT_PTR DoModal();
  void EndDialog(int result);

  // Transfers the data: TRUE reads the controls into the members, FALSE writes them.
  // Control notifications raised while it runs are not routed to the handlers.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  CWnd* GetDlgItem(int id);

  // Routes a control notification: the command table first, then OK and Cancel.
  // Returns TRUE when something handled it.
  BOOL OnCommand(UINT id, UINT code);

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 protected:
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual std::span<const DialogCommandEntry> GetCommandMap() const { return {}; }

 private:
  friend class CDialogHost;
  bool m_inUpdateData = false;
  std::vector<std::unique_ptr<CWnd>> m_items;  // the wrappers GetDlgItem hands out, kept for the dialog's life
};
