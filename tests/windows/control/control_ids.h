// What a client of the control knows from outside: ProgIDs, the library's identifier,
// and the DISPIDs the type library publishes.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace qarn {

inline constexpr wchar_t kControlProgId[] = L"QARNEDIT.QarneditCtrl.1";
inline constexpr wchar_t kHostProgId[] = L"QARNREF.RefHost.1";

// {1d24f4d9-6cb4-4cfb-9453-16f29a6de58d}
inline constexpr GUID kLibId = {0x1d24f4d9, 0x6cb4, 0x4cfb, {0x94, 0x53, 0x16, 0xf2, 0x9a, 0x6d, 0xe5, 0x8d}};

enum : DISPID {
  kPenColor = 1,
  kQarnocx = 2,
  kStringFile = 3,
  kDrawPolyline = 4,
  kAbortEdit = 5,
  kGetDrawnNtt = 6,
  kEditNtt = 7,
  kDrawPolygon = 8,
  kCanSaveNow = 9,
  kSaveEdit = 10,
  kIsEditing = 11,
  kDrawPoint = 12,
  kHiliteNttVertexes = 13,
  kDisableBeginEnd = 14,
  kNoSnapKey = 15,
  kFillStyle = 16,
  kFormatPolyline = 17,
  kFormatPolygon = 18,
  kNoPolarKey = 19,
  kSet3DMode = 20,
  kSetMaxRings = 21,
  kSetBasePoint = 22,
  kUndo = 23,
  kRedo = 24,
  kCanUndo = 25,
  kCanRedo = 26,
  kUndoMemoryLimit = 27,
};

enum : DISPID { kEditDone = 1, kEditAborted = 2, kSnap = 3, kCaptionChanged = 4 };

}  // namespace qarn
