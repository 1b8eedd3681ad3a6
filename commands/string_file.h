// The string file: an INI file that overrides the texts shown while editing and
// fills itself with the built-in defaults of every text looked up.
#pragma once

#include "platform/cstring.h"
#include "platform/menu.h"

// Every value is read into a buffer of this size, the terminating zero included.
constexpr DWORD kStringFileValueSize = 512;

// The string-table text of id, or the file's "STRINGS" override of it.
CString LoadLocalizedString(const CString& stringFile, UINT id);

// Rewrites the popup's item texts from the section "<title>_MENU_ITEMS"; a value
// beginning with '*' removes the item.
void LocalizeMenu(const CString& stringFile, const CString& title, CMenu* pPopup);

// "%lu" of a numeric id, the form of every numeric key in the file.
CString StringFileKey(UINT id);
