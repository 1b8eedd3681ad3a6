#include "control/win32/qarnedit_about.h"

#include <windows.h>

#include "platform/resources_api.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(hWnd, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void QarnShowAboutBox() {
  DialogBoxParamW(QarnGetResourceInstance(), MAKEINTRESOURCEW(IDD_ABOUTBOX_QARNEDIT), nullptr, &AboutProc, 0);
}
