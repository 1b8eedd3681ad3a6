// What a client of the control knows from outside: ProgIDs and the library's
// identifier. Members are bound by name, as scripts bind them; their DISPIDs are
// written out once, in typelib_test.cpp.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace qarn {

inline constexpr wchar_t kControlProgId[] = L"QARNEDIT.QarneditCtrl.1";
inline constexpr wchar_t kHostProgId[] = L"QARNREF.RefHost.1";

// {1d24f4d9-6cb4-4cfb-9453-16f29a6de58d}
inline constexpr GUID kLibId = {0x1d24f4d9, 0x6cb4, 0x4cfb, {0x94, 0x53, 0x16, 0xf2, 0x9a, 0x6d, 0xe5, 0x8d}};

}  // namespace qarn
