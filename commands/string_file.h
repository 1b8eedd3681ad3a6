// The string file: an INI file that overrides the texts shown while editing and
// fills itself with the built-in defaults of every text looked up.
//
// The file is read only when it is a regular file of at most kMaxStringFileSize bytes
// holding narrow INI text; it is parsed once and kept until its size or time stamp
// changes or a default is written back, so a lookup costs the same for any file.
// Anything else (a pipe, a folder, a device, a larger file, UTF-16 or binary data, a
// read error) counts as unreadable: the built-in texts are used and the file is never
// written. A missing file reads as empty and is created by the first write-back.
// Lookups run on the user-interface thread only; the parsed files are not locked.
#pragma once

#include "platform/cstring.h"
#include "platform/menu.h"

// Every value is read into a buffer of this size, the terminating zero included.
constexpr DWORD kStringFileValueSize = 512;
constexpr size_t kMaxStringFileSize = size_t{1} << 20;

// The string-table text of id, or the file's "STRINGS" override of it.
CString LoadLocalizedString(const CString& stringFile, UINT id);

// Rewrites the popup's item texts from the section "<title>_MENU_ITEMS"; a value
// beginning with '*' removes the item.
void LocalizeMenu(const CString& stringFile, const CString& title, CMenu* pPopup);

// "%lu" of a numeric id, the form of every numeric key in the file.
CString StringFileKey(UINT id);

// The value under section and key, cut to kStringFileValueSize - 1 bytes; empty when
// the key is missing or empty, or the file is unreadable.
CString ReadStringFileValue(const CString& stringFile, LPCSTR section, const CString& key);

// Writes text under section and key unless the file is unreadable; failures are silent.
void WriteStringFileDefault(const CString& stringFile, LPCSTR section, const CString& key, const CString& text);

// Reads the value under section and key into text and returns true; when it is missing
// or empty, text is fallback, which is then written there so that the file lists what
// can be translated, and the result is false.
bool ReadOrSeedStringFileText(const CString& stringFile, LPCSTR section, const CString& key, const CString& fallback,
                              CString& text);

// The value under section and key, or fallback seeded as above.
CString LookUpStringFileText(const CString& stringFile, LPCSTR section, const CString& key, const CString& fallback);

