// Version resources of real PE files (PE32 and PE32+): GetFileVersionInfoSizeA,
// GetFileVersionInfoA and VerQueryValueA.
//
// Layout of the buffer GetFileVersionInfoA fills (its size is what
// GetFileVersionInfoSizeA returns for the same file):
//   [0, W)          the VS_VERSIONINFO resource as stored in the file, W = its wLength
//   [A, A + 8)      A = W rounded up to 4: the marker "QVA8" and the byte count C of
//                   the area that follows (both little-endian DWORDs)
//   [A + 8, +C)     where VerQueryValueA puts the UTF-8 form of string values. The value
//                   whose UTF-16 text starts at byte o of the resource goes to byte
//                   3 * (o / 2) of the area: each UTF-16 unit needs at most 3 UTF-8
//                   bytes, so values never overlap and asking twice gives the same place.
// C = 3 * (W / 2) + 4. When the caller's buffer is shorter than the full size, the copy
// is cut: wLength in the copy is lowered to what was copied, and string queries fail
// when their converted text does not fit the area that remains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

#if defined(_WIN32)
#include <winver.h>
#else

#ifndef QARN_PUINT_DEFINED
#define QARN_PUINT_DEFINED
typedef UINT* PUINT;
#endif
typedef DWORD* LPDWORD;

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // VS_FFI_SIGNATURE
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "VS_FIXEDFILEINFO is 52 bytes on Windows");

#define VS_FFI_SIGNATURE 0xFEEF04BDL
#define VS_FFI_STRUCVERSION 0x00010000L
#define VS_FFI_FILEFLAGSMASK 0x0000003FL
#define VOS_NT_WINDOWS32 0x00040004L
#define VFT_UNKNOWN 0x00000000L
#define VFT_APP 0x00000001L
#define VFT_DLL 0x00000002L
#define RT_VERSION_ID 16

// The size of the buffer GetFileVersionInfoA needs, 0 when the file has no readable
// version resource. *handle (if given) is set to 0. A name without a folder is looked
// for in the program's folder, the current folder, then each folder of PATH, matching
// the name without regard to case; a name with a folder is used as given.
DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);
// Copies min(len, size) bytes of the layout above into data.
BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD len, LPVOID data);
// subBlock: "\" gives the VS_FIXEDFILEINFO, "\VarFileInfo\Translation" the translation
// array, "\StringFileInfo\040904b0\Name" a string value as UTF-8 (len: its bytes and
// the NUL). Names match without regard to case. block must come from GetFileVersionInfoA.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT len);

// Parsing steps, callable on bytes held in memory (tests and fuzz targets):
// finds the RT_VERSION resource of a PE image; false when there is none or the image is
// malformed. On success [*offset, *offset + *length) lies inside the image.
bool QarnFindVersionResource(const uint8_t* image, size_t size, size_t* offset, size_t* length);
// The size GetFileVersionInfoA's layout needs for this resource, 0 when it is not a
// valid VS_VERSIONINFO.
DWORD QarnVersionInfoBufferSize(const uint8_t* resource, size_t length);
// Lays the resource out in data as GetFileVersionInfoA does; false when it is invalid.
bool QarnFillVersionInfoBuffer(const uint8_t* resource, size_t length, DWORD len, void* data);
// The file a version query would read, after the search described above; "" if none.
std::string QarnResolveVersionFile(const char* name);
#endif  // _WIN32
