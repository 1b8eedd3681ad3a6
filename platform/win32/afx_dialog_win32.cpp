// CDialog over the real dialog manager: the template comes from the module's
// resources and the dialog procedure hands its messages to the CDialog object.
#include <windows.h>

#include "platform/afx_dialog.h"
#include "platform/resources_api.h"

class CDialogHost {
 public:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      auto* dialog = reinterpret_cast<CDialog*>(lParam);
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      dialog->m_hWnd = hwnd;
      return dialog->OnInitDialog();
    }
    // Messages that arrive before WM_INITDIALOG have no object yet.
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog) return FALSE;
    if (message == WM_COMMAND) return dialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
    return FALSE;
  }

  static void Detach(CDialog* dialog) {
    dialog->m_hWnd = nullptr;
    dialog->m_items.clear();
  }
};

INT_PTR CDialog::DoModal() {
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  INT_PTR result = DialogBoxParamA(QarnGetResourceInstance(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                                   &CDialogHost::Proc, reinterpret_cast<LPARAM>(this));
  CDialogHost::Detach(this);
  return result;
}
