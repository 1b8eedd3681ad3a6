#include "feedback/coordinate_loops.h"

// Four elements an iteration: a one-element loop runs at the pace of instruction fetch,
// which depends on where the loop happens to lie in the code (a loop across a 64-byte
// line took twice as long), while four independent elements keep pace with memory.

void OffsetCoordinates(double* v, int32_t n, double d) {
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v[i] += d;
    v[i + 1] += d;
    v[i + 2] += d;
    v[i + 3] += d;
  }
  for (; i < n; ++i) v[i] += d;
}

void ScaleCoordinates(double* v, int32_t n, double c, double factor) {
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v[i] = (v[i] - c) * factor + c;
    v[i + 1] = (v[i + 1] - c) * factor + c;
    v[i + 2] = (v[i + 2] - c) * factor + c;
    v[i + 3] = (v[i + 3] - c) * factor + c;
  }
  for (; i < n; ++i) v[i] = (v[i] - c) * factor + c;
}
