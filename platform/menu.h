// Menus: popup menus built from the module's menu resources, with the USER32
// functions the editor calls and the framework's CMenu over them.
#pragma once

#include <memory>
#include <vector>

#include "platform/cstring.h"
#include "platform/win_types.h"

#if !defined(_WIN32)
#define MF_BYCOMMAND 0x0000
#define MF_BYPOSITION 0x0400
#define MF_ENABLED 0x0000
#define MF_GRAYED 0x0001
#define MF_DISABLED 0x0002
#define MF_STRING 0x0000
#define MF_CHECKED 0x0008
#define MF_SEPARATOR 0x0800
#define TPM_LEFTALIGN 0x0000
#define TPM_RIGHTBUTTON 0x0002
#define TPM_RETURNCMD 0x0100
#define TPM_NONOTIFY 0x0080

HMENU CreatePopupMenu();
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
BOOL DestroyMenu(HMENU menu);
HMENU GetSubMenu(HMENU menu, int pos);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int pos);
int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int max, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newId, LPCSTR text);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

// What a popup holds now, for the desktop backend that answers TrackPopupMenu.
struct MenuItemView {
  UINT id;  // 0 for a separator
  CString text;
  bool grayed;
};
struct PopupView {
  CString title;  // the popup's title in its parent menu, when it came from a resource
  std::vector<MenuItemView> items;
};
PopupView QarnDescribePopup(HMENU menu);

#endif  // !_WIN32

class CMenu {
 public:
  CMenu() = default;
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  BOOL LoadMenu(UINT id);
  BOOL CreatePopupMenu();
  BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();
  operator HMENU() const { return m_hMenu; }

  CMenu* GetSubMenu(int pos);
  int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
  UINT GetMenuItemID(int pos) const { return ::GetMenuItemID(m_hMenu, pos); }
  int GetMenuString(UINT item, LPSTR text, int max, UINT flags) const {
    return ::GetMenuStringA(m_hMenu, item, text, max, flags);
  }
  int GetMenuString(UINT item, CString& text, UINT flags) const;
  UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR newId = 0, LPCSTR text = nullptr) {
    return ::ModifyMenuA(m_hMenu, position, flags, newId, text);
  }
  UINT EnableMenuItem(UINT item, UINT enable) { return static_cast<UINT>(::EnableMenuItem(m_hMenu, item, enable)); }
  BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
  BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, LPCRECT rect = nullptr) {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, rect);
  }

  HMENU m_hMenu = nullptr;

 private:
  std::vector<std::unique_ptr<CMenu>> m_subMenus;  // wrappers handed out by GetSubMenu
  bool m_owned = false;
};
