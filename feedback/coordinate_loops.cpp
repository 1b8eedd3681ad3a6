#include "feedback/coordinate_loops.h"

void OffsetCoordinates(double* v, int32_t n, double d) {
  for (int32_t i = 0; i < n; ++i) v[i] += d;
}

void ScaleCoordinates(double* v, int32_t n, double c, double factor) {
  for (int32_t i = 0; i < n; ++i) v[i] = (v[i] - c) * factor + c;
}
