#include "platform/menu.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/resources_api.h"

#if !defined(_WIN32)
#include "platform/desktop.h"
#endif

#if !defined(_WIN32)  // user32 has the menus on Windows
namespace {

struct MenuItem {
  UINT id = 0;
  CString text;
  UINT state = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED
  bool separator = false;
  HMENU popup = nullptr;
};

struct MenuData {
  std::vector<MenuItem> items;
  CString title;
};

struct MenuTable {
  std::map<uintptr_t, MenuData> menus;
  uintptr_t next = 0x1000;
};

MenuTable& Table() {
  static MenuTable table;
  return table;
}

MenuData* Find(HMENU menu) {
  auto it = Table().menus.find(reinterpret_cast<uintptr_t>(menu));
  return it == Table().menus.end() ? nullptr : &it->second;
}

HMENU NewMenu() {
  uintptr_t handle = Table().next;
  Table().next += 4;
  Table().menus[handle];
  return reinterpret_cast<HMENU>(handle);
}

// Index of the item that position and flags name, or -1.
int Locate(MenuData& data, UINT item, UINT flags) {
  if (flags & MF_BYPOSITION) return item < data.items.size() ? static_cast<int>(item) : -1;
  for (size_t i = 0; i < data.items.size(); ++i)
    if (!data.items[i].separator && !data.items[i].popup && data.items[i].id == item) return static_cast<int>(i);
  return -1;
}

}  // namespace

HMENU CreatePopupMenu() { return NewMenu(); }

HMENU LoadMenuA(HINSTANCE, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  const ResourceMenu* resource = QarnFindMenuResource(static_cast<UINT>(reinterpret_cast<uintptr_t>(name)));
  if (!resource) return nullptr;
  HMENU bar = NewMenu();
  for (int p = 0; p < resource->count; ++p) {
    const ResourcePopup& source = resource->popups[p];
    HMENU popup = NewMenu();
    MenuData* popupData = Find(popup);
    popupData->title = source.title;
    for (int i = 0; i < source.count; ++i) {
      MenuItem item;
      item.id = source.items[i].id;
      item.separator = item.id == 0;
      item.text = source.items[i].text;
      item.state = source.items[i].flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
      popupData->items.push_back(item);
    }
    MenuItem entry;
    entry.text = source.title;
    entry.popup = popup;
    entry.id = static_cast<UINT>(-1);
    Find(bar)->items.push_back(entry);
  }
  return bar;
}

BOOL DestroyMenu(HMENU menu) {
  MenuData* data = Find(menu);
  if (!data) return FALSE;
  std::vector<HMENU> children;
  for (const MenuItem& item : data->items)
    if (item.popup) children.push_back(item.popup);
  Table().menus.erase(reinterpret_cast<uintptr_t>(menu));
  for (HMENU child : children) DestroyMenu(child);
  return TRUE;
}


HMENU GetSubMenu(HMENU menu, int pos) {
  MenuData* data = Find(menu);
  if (!data || pos < 0 || static_cast<size_t>(pos) >= data->items.size()) return nullptr;
  return data->items[static_cast<size_t>(pos)].popup;
}

int GetMenuItemCount(HMENU menu) {
  MenuData* data = Find(menu);
  return data ? static_cast<int>(data->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  MenuData* data = Find(menu);
  if (!data || pos < 0 || static_cast<size_t>(pos) >= data->items.size()) return static_cast<UINT>(-1);
  const MenuItem& item = data->items[static_cast<size_t>(pos)];
  if (item.popup) return static_cast<UINT>(-1);
  return item.separator ? 0 : item.id;
}

int GetMenuStringA(HMENU menu, UINT itemId, LPSTR text, int max, UINT flags) {
  MenuData* data = Find(menu);
  if (!data) return 0;
  int index = Locate(*data, itemId, flags);
  if (index < 0) return 0;
  const CString& source = data->items[static_cast<size_t>(index)].text;
  if (!text || max <= 0) return source.GetLength();
  int copied = std::min(source.GetLength(), max - 1);
  std::memcpy(text, source.c_str(), static_cast<size_t>(copied));
  text[copied] = '\0';
  return copied;
}

UINT GetMenuState(HMENU menu, UINT itemId, UINT flags) {
  MenuData* data = Find(menu);
  if (!data) return static_cast<UINT>(-1);
  int index = Locate(*data, itemId, flags);
  if (index < 0) return static_cast<UINT>(-1);
  const MenuItem& item = data->items[static_cast<size_t>(index)];
  return item.state | (item.separator ? MF_SEPARATOR : 0);
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newId, LPCSTR text) {
  MenuData* data = Find(menu);
  if (!data) return FALSE;
  int index = Locate(*data, position, flags);
  if (index < 0) return FALSE;
  MenuItem& item = data->items[static_cast<size_t>(index)];
  // The new flags replace the item's state: a modified item is enabled unless told otherwise.
  item.separator = (flags & MF_SEPARATOR) != 0;
  item.id = item.separator ? 0 : static_cast<UINT>(newId);
  item.text = item.separator ? "" : text;
  item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT itemId, UINT enable) {
  MenuData* data = Find(menu);
  if (!data) return -1;
  int index = Locate(*data, itemId, enable);
  if (index < 0) return -1;
  MenuItem& item = data->items[static_cast<size_t>(index)];
  UINT previous = item.state & (MF_GRAYED | MF_DISABLED);
  item.state = (item.state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  MenuData* data = Find(menu);
  if (!data) return FALSE;
  int index = Locate(*data, position, flags);
  if (index < 0) return FALSE;
  data->items.erase(data->items.begin() + index);
  return TRUE;
}

PopupView QarnDescribePopup(HMENU menu) {
  PopupView view;
  MenuData* data = Find(menu);
  if (!data) return view;
  view.title = data->title;
  for (const MenuItem& item : data->items)
    view.items.push_back({item.separator ? 0u : item.id, item.text, (item.state & MF_GRAYED) != 0});
  return view;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!Find(menu)) return FALSE;
  UINT chosen = QarnDesktop().TrackMenu(menu, x, y);
  // A grayed, disabled or unknown choice is no choice, as with a real menu.
  if (chosen) {
    UINT state = GetMenuState(menu, chosen, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) chosen = 0;
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && !(flags & TPM_NONOTIFY)) QarnDesktop().PostCommand(owner, chosen);
  return chosen ? TRUE : FALSE;
}

#endif  // !_WIN32

CMenu::~CMenu() {
  if (m_owned) DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT id) {
  if (m_hMenu) return FALSE;
  m_hMenu = ::LoadMenuA(QarnGetResourceInstance(), MAKEINTRESOURCEA(id));
  m_owned = m_hMenu != nullptr;
  return m_hMenu != nullptr;
}

BOOL CMenu::CreatePopupMenu() {
  if (m_hMenu) return FALSE;
  m_hMenu = ::CreatePopupMenu();
  m_owned = true;
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  BOOL ok = ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
  m_owned = false;
  m_subMenus.clear();
  return ok;
}

BOOL CMenu::Attach(HMENU menu) {
  if (m_hMenu || !menu) return FALSE;
  m_hMenu = menu;
  m_owned = true;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  m_owned = false;
  return menu;
}

CMenu* CMenu::GetSubMenu(int pos) {
  HMENU sub = ::GetSubMenu(m_hMenu, pos);
  if (!sub) return nullptr;
  for (auto& wrapper : m_subMenus)
    if (wrapper->m_hMenu == sub) return wrapper.get();
  auto wrapper = std::make_unique<CMenu>();
  wrapper->m_hMenu = sub;  // owned by this menu, not by the wrapper
  m_subMenus.push_back(std::move(wrapper));
  return m_subMenus.back().get();
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
  int length = ::GetMenuStringA(m_hMenu, item, nullptr, 0, flags);
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  int copied = ::GetMenuStringA(m_hMenu, item, buffer.data(), length + 1, flags);
  text = CString(buffer.data(), copied);
  return copied;
}
