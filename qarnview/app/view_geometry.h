// The host view's world-to-pixel transform as the container mirrors it, and picking
// the figure under a click in world coordinates.
#pragma once

#include "qarnview/drawing.h"

// World (X, Y) is at pixel x = (X - originX) * scale, y = height - (Y - originY) * scale:
// world Y up, pixel Y down, the origin at the view's bottom-left corner.
struct ViewTransform {
  double scale = 1.0;
  double originX = 0.0;
  double originY = 0.0;
  int width = 640;
  int height = 480;

  void WorldToPixel(double X, double Y, double& x, double& y) const;
  void PixelToWorld(double x, double y, double& X, double& Y) const;
};

// Distance from (X, Y) to the figure's outline: its vertices and the segments between
// them (polygon rings closed). Inside a polygon's area (holes excluded) it is 0.
double DistanceToFigure(const qarnview::Figure& figure, double X, double Y);

// Index of the figure nearest (X, Y) within `tolerance` world units, or -1. On equal
// distances the later figure wins, as it is drawn on top.
int NearestFigure(const qarnview::Drawing& drawing, double X, double Y, double tolerance);
