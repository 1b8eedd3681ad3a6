// The right-button context menu: the popup of the edit's mode, grayed where a command
// cannot apply, localised from the string file, and the chosen command's handler.
#include <vector>

#include "editcore/module_state.h"
#include "editcore/edit_controller.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

using MenuHandler = void (EditController::*)();

constexpr UINT kFirstCommand = ID_POLYLINE_CONTINUE;
constexpr UINT kLastCommand = ID_POINT_POLAR_OFF;

// Indexed by command id - kFirstCommand: the ids of the three popups run without gaps,
// and a command that appears in several popups shares one handler.
constexpr MenuHandler kHandlers[kLastCommand - kFirstCommand + 1] = {
    &EditController::OnMenuContinue,      // 32768 polyline Continue drawing
    &EditController::OnMenuMoveVertex,    // 32769
    &EditController::OnMenuInsertVertex,  // 32770
    &EditController::OnMenuDeleteVertex,  // 32771
    &EditController::OnMenuAbort,         // 32772
    &EditController::OnMenuDone,          // 32773
    &EditController::OnMenuContinue,      // 32774 polygon Continue drawing
    &EditController::OnMenuMoveVertex,    // 32775
    &EditController::OnMenuInsertVertex,  // 32776
    &EditController::OnMenuDeleteVertex,  // 32777
    &EditController::OnMenuAbort,         // 32778
    &EditController::OnMenuDone,          // 32779
    &EditController::OnMenuNewPerimeter,  // 32780
    &EditController::OnMenuNewHole,       // 32781
    &EditController::OnMenuMove,          // 32782
    &EditController::OnMenuMove,          // 32783
    &EditController::OnMenuRotate,        // 32784
    &EditController::OnMenuRotate,        // 32785
    &EditController::OnMenuScale,         // 32786
    &EditController::OnMenuScale,         // 32787
    &EditController::OnMenuContinue,      // 32788 point Set
    &EditController::OnMenuAbort,         // 32789
    &EditController::OnMenuDone,          // 32790
    &EditController::OnMenuBack,          // 32791
    &EditController::OnMenuBack,          // 32792
    &EditController::OnMenuInvert,        // 32793
    &EditController::OnMenuInvert,        // 32794
    &EditController::OnMenuPolarOn,       // 32795
    &EditController::OnMenuPolarOff,      // 32796
    &EditController::OnMenuPolarOn,       // 32797
    &EditController::OnMenuPolarOff,      // 32798
    &EditController::OnMenuPointPolarOn,  // 32799
    &EditController::OnMenuPolarOff,      // 32800
};

void Gray(CMenu* popup, UINT id) { popup->EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED); }

}  // namespace

void EditController::OnRightButton(DWORD, POINT*) {
  ModuleStateScope state;
  // Done and Abort fire events whose handlers may release the control.
  ControlKeepAlive keepAlive(*this);
  ShowContextMenu();
}

void EditController::ShowContextMenu() {
  HWND owner = m_pEngine ? m_pEngine->GetViewWindow() : nullptr;
  POINT cursor{0, 0};
  GetCursorPos(&cursor);

  // A fresh copy each time: localising and graying change the loaded menu.
  CMenu menu;
  if (!menu.LoadMenu(IDR_CONTEXT_MENU)) return;
  if (m_mode < MODE_POLYLINE || m_mode > MODE_POINT) {
    menu.DestroyMenu();
    return;
  }
  const int position = m_mode - 1;
  CString title;
  const int length = menu.GetMenuString(static_cast<UINT>(position), nullptr, 0, MF_BYPOSITION);
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) * 2 + 2);
    menu.GetMenuString(static_cast<UINT>(position), buffer.data(), static_cast<int>(buffer.size()), MF_BYPOSITION);
    title = buffer.data();
  }
  CMenu* popup = menu.GetSubMenu(position);
  if (!popup) {
    menu.DestroyMenu();
    return;
  }

  const int32_t n = m_figure.VertexCount(m_figure.LastRing());
  switch (m_mode) {
    case MODE_POLYLINE:
      if (!CanSave()) Gray(popup, ID_POLYLINE_DONE);
      if (n < 1 || m_step != EditStep::Draw) Gray(popup, ID_POLYLINE_BACK);
      if (m_noBeginEndEdit) Gray(popup, ID_POLYLINE_CONTINUE);
      if (m_polarFlags == 0) Gray(popup, ID_POLYLINE_POLAR_OFF);
      break;
    case MODE_POLYGON:
      if (!CanSave()) Gray(popup, ID_POLYGON_DONE);
      if (n < 1 || m_step != EditStep::Draw) Gray(popup, ID_POLYGON_BACK);
      if (n < 3) {
        Gray(popup, ID_POLYGON_NEW_PERIMETER);
        Gray(popup, ID_POLYGON_NEW_HOLE);
      }
      if (m_polarFlags == 0) Gray(popup, ID_POLYGON_POLAR_OFF);
      break;
    default:
      if (!CanSave()) Gray(popup, ID_POINT_DONE);
      break;
  }

  m_pSite->LocalizeMenu(title, popup);

  const UINT chosen = static_cast<UINT>(
      popup->TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, cursor.x, cursor.y, owner));
  if (chosen >= kFirstCommand && chosen <= kLastCommand) (this->*kHandlers[chosen - kFirstCommand])();
  menu.DestroyMenu();
}
