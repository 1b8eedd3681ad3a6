// Identities of the reference host's COM server; they repeat those of qarnref.idl.
#pragma once

#include <windows.h>
#include <ole2.h>

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

// The view control ("QARNREF.RefView.1"), a visible control over the same host.
// {c07ade9b-33f4-4ff9-a6c1-61010d373b66}
inline constexpr CLSID kRefViewClsid = {0xc07ade9b, 0x33f4, 0x4ff9, {0xa6, 0xc1, 0x61, 0x01, 0x0d, 0x37, 0x3b, 0x66}};
#define QARNREF_VIEW_CLSID_TEXT "{c07ade9b-33f4-4ff9-a6c1-61010d373b66}"
#define QARNREF_VIEW_PROGID "QARNREF.RefView.1"
#define QARNREF_VIEW_PROGID_INDEPENDENT "QARNREF.RefView"
// Activated when visible, inside-out, client site before loading, no links inside:
// what a plain control container looks for before it sites a control in place.
inline constexpr DWORD kRefViewMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                            OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
