// Runs the shared drawing tests against the runtime's GDI.
//
// Left out unless a filter is given explicitly:
// - GdiObjects.BadHandlesFailWithoutCrashing hands NULL to calls whose pointer arguments
//   Windows requires; on Windows that faults by design.
// - GdiPixel.OutsideTheSurfaceIsInvalid, GdiBitmap.ABitmapSitsInOneDcAtATime and
//   GdiObjects.DeletingASelectedPenOrBrushFails: the runtime departs from Windows'
//   documented results (SetPixel outside the surface returns -1; DeleteObject of an
//   object selected into a DC fails), which our layer keeps.
// - GdiEllipse.TallThinFiguresStopShortInsideTheirBox: the runtime fills stray pixels
//   outside the bounding box in the rows a tall thin figure's outline never reaches,
//   differently from run to run; Windows draws an ellipse inside its bounding box.
#include <gtest/gtest.h>

#include <cstring>

namespace {
const char kDepartures[] =
    "-GdiObjects.BadHandlesFailWithoutCrashing"
    ":GdiPixel.OutsideTheSurfaceIsInvalid"
    ":GdiBitmap.ABitmapSitsInOneDcAtATime"
    ":GdiObjects.DeletingASelectedPenOrBrushFails"
    ":GdiEllipse.TallThinFiguresStopShortInsideTheirBox";
}

int main(int argc, char** argv) {
  bool filtered = false;
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--gtest_filter", 14) == 0) filtered = true;
  ::testing::InitGoogleTest(&argc, argv);
  if (!filtered) GTEST_FLAG_SET(filter, kDepartures);
  return RUN_ALL_TESTS();
}
