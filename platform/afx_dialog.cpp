#include "platform/afx_dialog.h"

#include <vector>

void CWnd::GetWindowText(CString& text) const {
  int length = ::GetWindowTextLengthA(m_hWnd);
  std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  text = buffer.data();
}

int CComboBox::AddString(LPCSTR text) {
  return static_cast<int>(::SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
  return static_cast<int>(::SendMessageA(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
}

DWORD_PTR CComboBox::GetItemData(int index) const {
  return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int CComboBox::SetCurSel(int index) {
  return static_cast<int>(::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CComboBox::GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }

int CComboBox::GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }

void CComboBox::GetLBText(int index, CString& text) const {
  LRESULT length = ::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) {
    text.Empty();
    return;
  }
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  ::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  text = buffer.data();
}

void CComboBox::ResetContent() { ::SendMessageA(m_hWnd, CB_RESETCONTENT, 0, 0); }

HWND CDataExchange::ControlHandle(int id) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, id); }

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  CWnd control(pDX->ControlHandle(id));
  if (pDX->m_bSaveAndValidate) {
    control.GetWindowText(value);
    return;
  }
  // Only a different text is written, so an unchanged edit sends no EN_CHANGE.
  CString current;
  control.GetWindowText(current);
  if (!(current == value)) control.SetWindowText(value);
}

void DDX_Check(CDataExchange* pDX, int id, BOOL& value) {
  HWND control = pDX->ControlHandle(id);
  if (pDX->m_bSaveAndValidate)
    value = static_cast<BOOL>(::SendMessageA(control, BM_GETCHECK, 0, 0));
  else
    ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  // Attached on every exchange: the handle belongs to the dialog run that is live now.
  control.m_hWnd = pDX->ControlHandle(id);
}

CDialog::~CDialog() = default;

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (!m_hWnd) return FALSE;
  bool outer = m_inUpdateData;
  m_inUpdateData = true;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  m_inUpdateData = outer;
  return TRUE;
}

CWnd* CDialog::GetDlgItem(int id) {
  HWND control = ::GetDlgItem(m_hWnd, id);
  if (!control) return nullptr;
  for (const auto& item : m_items)
    if (item->m_hWnd == control) return item.get();
  m_items.push_back(std::make_unique<CWnd>(control));
  return m_items.back().get();
}

BOOL CDialog::OnCommand(UINT id, UINT code) {
  // The controls notify while the data exchange writes them; those echoes of our own
  // writes are not user actions, so they are swallowed instead of re-entering handlers.
  if (m_inUpdateData) return TRUE;
  for (const DialogCommandEntry& entry : GetCommandMap()) {
    if (entry.id == id && entry.code == code) {
      (this->*entry.handler)();
      return TRUE;
    }
  }
  if (code == BN_CLICKED && id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}
