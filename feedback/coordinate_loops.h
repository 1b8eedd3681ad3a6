// Whole-array forms of the per-vertex arithmetic of move and scale: one coordinate array
// at a time, so that the compiler can vectorise them. Each element gets exactly the
// operations the per-vertex form gives it, so the results are the same bit for bit.
#pragma once

#include <cstdint>

// v[i] += d for i in [0, n).
void OffsetCoordinates(double* v, int32_t n, double d);

// v[i] = (v[i] - c) * factor + c for i in [0, n), as ScaleAboutPoint does it.
void ScaleCoordinates(double* v, int32_t n, double c, double factor);
