// One switch for the editor's fast paths: the short cuts that leave out work whose result
// is already known (marks on pixels painted before, outlines outside the clip box, the
// per-vertex calls of move and scale). The results are the same either way; the tests
// turn it off to compare the two byte for byte.
#pragma once

struct FastPaths {
  static inline bool enabled = true;
};
