// Identities of the reference host's COM server; they repeat those of qarnref.idl.
#pragma once

#include <windows.h>

// {7ae62344-3e01-446f-8615-5aa0c90df277}
inline constexpr CLSID kRefHostClsid = {0x7ae62344, 0x3e01, 0x446f, {0x86, 0x15, 0x5a, 0xa0, 0xc9, 0x0d, 0xf2, 0x77}};
// {81eba0de-8362-427c-bcb0-bce019714255}
inline constexpr GUID kQarnocxLibid = {0x81eba0de, 0x8362, 0x427c, {0xbc, 0xb0, 0xbc, 0xe0, 0x19, 0x71, 0x42, 0x55}};
#define QARNREF_CLSID_TEXT "{7ae62344-3e01-446f-8615-5aa0c90df277}"
#define QARNREF_LIBID_TEXT "{81eba0de-8362-427c-bcb0-bce019714255}"
#define QARNREF_PROGID "QARNREF.RefHost.1"
#define QARNREF_PROGID_INDEPENDENT "QARNREF.RefHost"
#define QARNREF_TLB_MAJOR 1
#define QARNREF_TLB_MINOR 0
