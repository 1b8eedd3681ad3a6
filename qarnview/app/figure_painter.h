// Paints a drawing's figures with GDI in view pixels: polylines and polygon rings in
// each figure's pen colour, points as small crosses.
#pragma once

#include <windows.h>

#include "qarnview/app/view_geometry.h"
#include "qarnview/drawing.h"

void PaintFigures(HDC hdc, const qarnview::Drawing& drawing, const ViewTransform& view, int selected = -1);
