// NttRecord: the host's in-memory entity record, built by a save and read by a load.
// Little-endian, no gaps; blocks are separate allocations referenced by 32-bit address.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/abi.h"
#include "platform/record_access.h"

namespace ntt {

enum Type : uint32_t { kPoint = 1, kLine = 2, kPolyline = 5, kPolygon = 6 };

// Header
constexpr size_t kSize = 0;
constexpr size_t kType = 4;
constexpr size_t kHostField8 = 8;
constexpr size_t kHostField12 = 12;
constexpr size_t kHostField14 = 14;
constexpr size_t kHostField18 = 18;
constexpr size_t kHostField20 = 20;
constexpr size_t kHeaderSize = 24;

// Point
constexpr size_t kPointX = 24, kPointY = 32, kPointZ = 40;
constexpr uint32_t kPointSize2D = 40, kPointSize3D = 48;

// Line (read only)
constexpr size_t kLineX1 = 24, kLineY1 = 32, kLineX2 = 40, kLineY2 = 48, kLineZ1 = 56, kLineZ2 = 64;
constexpr uint32_t kLineSize2D = 56, kLineSize3D = 72;

// Polyline
constexpr size_t kPlClosed = 24, kPlCount = 25, kPlXY = 29, kPlZ = 33, kPlParts = 37, kPlPartCount = 41,
                 kPlPartFlags = 45;
constexpr uint32_t kPolylineSize2D = 33, kPolylineSize3D = 49;

// Polygon
constexpr size_t kPgFillStyle = 24, kPgZeroByte = 26, kPgUnwritten = 27, kPgZeros40 = 43, kPgTotal = 83,
                 kPgXY = 87, kPgRingCount = 91, kPgRings = 95, kPgZeros16 = 99, kPgZ = 115;
constexpr uint32_t kPolygonSize2D = 115, kPolygonSize3D = 119;
constexpr size_t kRingDescriptorSize = 10;
enum RingKind : int16_t { kPerimeter = 1, kHole = 2 };

}  // namespace ntt

