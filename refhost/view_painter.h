// The picture of the host's view as a visible view control shows it: a light grid with
// the axes, every entity record the host holds, the highlighted record's vertices, and
// then the registered overlay painter with a CDC over the same device context.
#pragma once

#include <functional>
#include <vector>

#include "platform/abi.h"
#include "platform/gdi.h"
#include "refhost/record_shape.h"

class ReferenceHost;

namespace view_colors {
inline constexpr COLORREF kBackground = RGB(255, 255, 255);
inline constexpr COLORREF kGrid = RGB(228, 228, 228);
inline constexpr COLORREF kAxis = RGB(160, 160, 160);
inline constexpr COLORREF kFigure = RGB(0, 0, 0);
inline constexpr COLORREF kFill = RGB(190, 215, 250);
inline constexpr COLORREF kHatch = RGB(60, 100, 190);
inline constexpr COLORREF kHighlight = RGB(220, 0, 0);
}  // namespace view_colors

// World units between grid lines: 1, 2 or 5 times a power of ten, the smallest that
// keeps the lines at least minPixels apart at this scale (0 for a scale of 0 or less).
double GridStep(double scale, double minPixels);

// A polygon's fill style as the view draws it: 0 hollow, 1 solid, 2 horizontal hatch,
// 3 vertical, 4 rising diagonal, 5 falling diagonal, 6 cross, 7 diagonal cross; any
// other value fills solid.
bool FillCoversPixel(int fillStyle, int x, int y);

// Fills the rings (view pixels) by the even-odd rule, so holes stay open whichever way
// they turn; a pixel is inside when its centre is. Clipped to width x height.
void FillRings(HDC hdc, const std::vector<std::vector<WorldPoint>>& pixelRings, int fillStyle, int width,
               int height);

void PaintGrid(HDC hdc, const ReferenceHost& host);
// Outlines and marks in `pen`; fills keep the view's own fill colour.
void PaintRecord(HDC hdc, const ReferenceHost& host, RECORDADDR record, COLORREF pen = view_colors::kFigure);
void PaintVertexMarks(HDC hdc, const ReferenceHost& host, RECORDADDR record);

// The pen a record is outlined in; the view's figure colour when none is given.
using RecordPen = std::function<COLORREF(RECORDADDR)>;

// The whole view, back to front; highlight 0 marks nothing.
void PaintHostView(HDC hdc, const ReferenceHost& host, RECORDADDR highlight, const RecordPen& penOf = {});
