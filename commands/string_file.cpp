#include "commands/string_file.h"

#include <cstdio>
#include <vector>

#include "platform/profile.h"

CString StringFileKey(UINT id) {
  char key[16];
  std::snprintf(key, sizeof(key), "%lu", static_cast<unsigned long>(id));
  return CString(key);
}

CString LoadLocalizedString(const CString& stringFile, UINT id) {
  CString text;
  text.LoadString(id);
  if (stringFile.Compare("") == 0) return text;
  CString key = StringFileKey(id);
  char value[kStringFileValueSize] = {};
  GetPrivateProfileStringA("STRINGS", key, "", value, kStringFileValueSize, stringFile);
  if (value[0] == '\0') {
    WritePrivateProfileStringA("STRINGS", key, text, stringFile);
    return text;
  }
  return CString(value);
}

void LocalizeMenu(const CString& stringFile, const CString& title, CMenu* pPopup) {
  if (stringFile.Compare("") == 0 || !pPopup) return;
  CString section = title + "_MENU_ITEMS";
  for (int i = 0; i < pPopup->GetMenuItemCount(); ++i) {
    UINT id = pPopup->GetMenuItemID(i);
    if (id == 0) continue;  // separator
    CString current;
    int length = pPopup->GetMenuString(id, nullptr, 0, MF_BYCOMMAND);
    if (length > 0) {
      std::vector<char> buffer(static_cast<size_t>(length) * 2 + 2);
      pPopup->GetMenuString(id, buffer.data(), static_cast<int>(buffer.size()), MF_BYCOMMAND);
      current = buffer.data();
    }
    CString key = StringFileKey(id);
    char value[kStringFileValueSize] = {};
    GetPrivateProfileStringA(section, key, "", value, kStringFileValueSize, stringFile);
    if (value[0] == '\0') {
      WritePrivateProfileStringA(section, key, current, stringFile);
      continue;
    }
    UINT state = pPopup->EnableMenuItem(id, MF_BYCOMMAND | MF_ENABLED);
    if (state == static_cast<UINT>(-1)) state = MF_ENABLED;
    pPopup->ModifyMenu(id, MF_BYCOMMAND | MF_STRING, id, value);
    pPopup->EnableMenuItem(id, MF_BYCOMMAND | state);
    if (value[0] == '*') {
      pPopup->RemoveMenu(id, MF_BYCOMMAND);
      --i;  // the next item has moved into this position
    }
  }
}
