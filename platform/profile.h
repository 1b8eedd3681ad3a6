// Private profile (.ini) files: WritePrivateProfileStringA on real files, and
// GetPrivateProfileStringA's reading rules applied to text held in memory, following
// Windows' rules for names, blanks, quotes and buffers.
//
// Where this build differs from Windows, on purpose:
// - An empty or NULL file name makes every write fail; Windows would fall back to win.ini.
// - A relative name, with or without a folder, is taken relative to the current folder;
//   Windows looks for a bare name in the Windows folder, which does not exist here.
// - Only 8-bit files are read; a UTF-16 file is treated as bytes.
#pragma once

#include <string>

#include "platform/win_types.h"

#if defined(_WIN32)
// kernel32's profile functions.
#else

// value NULL deletes the key, key NULL deletes the whole section. A changed key keeps
// its place; a new key goes after the last non-blank line of its section, a new section
// at the end of the file. New lines end in CR LF; untouched lines keep their bytes.
// FALSE when the file cannot be written (read-only, missing folder, empty name).
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);

// The rules of GetPrivateProfileStringA applied to file contents held in memory.
// section NULL: the names of all sections; key NULL: the keys of `section`. Both come
// back as a list of NUL-terminated strings ended by one more NUL; when the list does
// not fit, it is cut, ended by two NULs, and the result is size - 2.
// Otherwise the value of the key (blanks and one pair of matching quotes removed), or
// `deflt` (NULL meaning "") with its trailing blanks removed, cut to size - 1 chars.
// Returns the number of chars copied, not counting the final NUL.
DWORD QarnProfileStringFromText(const char* text, size_t length, LPCSTR section, LPCSTR key,
                                LPCSTR deflt, LPSTR buf, DWORD size);

// The Write rules applied to file contents held in memory; true when `text` changed.
bool QarnProfileEditText(std::string& text, LPCSTR section, LPCSTR key, LPCSTR value);
#endif  // _WIN32
