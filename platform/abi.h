// What differs between the builds, in one place: the calling convention of the
// tables shared with a host, pointer width, and how records are addressed.
#pragma once

#include <cstdint>

// Host tables are called by a host built with another compiler: on 32-bit Windows
// member functions use thiscall (MinGW's default for members matches it); elsewhere
// there is one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define QARN_HOST_CALL __thiscall
#define QARN_EXPORT_CALL __stdcall
#else
#define QARN_HOST_CALL
#define QARN_EXPORT_CALL
#endif

// Entity records hold 32-bit addresses. On 32-bit Windows they are plain pointers;
// on Linux and 64-bit Windows they are addresses in the record memory.
#if defined(_WIN32) && !defined(_WIN64)
#define QARN_RECORDS_ARE_POINTERS 1
#else
#define QARN_RECORDS_ARE_POINTERS 0
#endif
typedef uint32_t RECORDADDR;

static_assert(sizeof(RECORDADDR) == 4, "records hold 32-bit addresses");
