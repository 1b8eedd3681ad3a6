// The clip box: here a DC draws on the whole of its surface, so the box is the surface.
#include "platform/gdi_internal.h"

using namespace qarn::gdi;

int GetClipBox(HDC hdc, LPRECT rect) {
  Dc* dc = LookupDc(hdc);
  if (!dc || !rect) return ERROR;
  RasterSurface* s = SurfaceOf(*dc);
  if (!s || s->Width() <= 0 || s->Height() <= 0) {
    *rect = RECT{0, 0, 0, 0};
    return s ? NULLREGION : ERROR;
  }
  *rect = RECT{0, 0, s->Width(), s->Height()};
  return SIMPLEREGION;
}
