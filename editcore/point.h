// World and plane positions as small values, passed by value.
#pragma once

struct Point2 {
  double x = 0;
  double y = 0;
};

struct Point3 {
  double x = 0;
  double y = 0;
  double z = 0;
};
