// A type library as text, one line per library, type, member and implemented
// interface, in the library's own order. Only what a client sees by name and DISPID
// is listed (names, ids, kinds, flags, types, parameter names and flags); pointer-size
// layout (vtable offsets, instance sizes, syskind) goes to lines starting with '#',
// which comparisons between the 32-bit and 64-bit builds leave out.
#pragma once

#include <string>
#include <vector>

namespace typelib {

// path: a .tlb file or a module with a TYPELIB resource. False with *error set when the
// library cannot be loaded.
bool ListTypeLibrary(const std::wstring& path, std::vector<std::string>* lines, std::string* error);

// The lines that do not start with '#'.
std::vector<std::string> ComparableLines(const std::vector<std::string>& lines);

}  // namespace typelib
