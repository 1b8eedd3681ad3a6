// Grips and marks of the overlay: small outlines around pixel positions, and the gray
// marks of the polar input, flat on the screen or laid into the host's 3D work plane.
#pragma once

#include "editcore/point.h"
#include "editcore/work_plane.h"
#include "platform/gdi.h"
#include "platform/win_types.h"

class HostEngine;
class HostView;

// All of these draw with the pen the device context holds unless they say otherwise.
// Outline of the 7 x 7 square around (x, y).
void DrawSquareGrip(HDC hdc, int x, int y);
// 7 x 7 circle around (x, y), filled with the brush the device context holds.
void DrawCircleGrip(HDC hdc, int x, int y);
// Diagonal cross whose arms reach 3 pixels from (x, y).
void DrawCrossMark(HDC hdc, int x, int y);
// A square grip with both diagonals: the delete grip.
void DrawBoxedCross(HDC hdc, int x, int y);

// Gray marks with a pen of their own, which is deleted before they return.
void DrawGrayDottedLine(HDC hdc, int x1, int y1, int x2, int y2);
void DrawGrayDottedEllipse(HDC hdc, int left, int top, int right, int bottom);
void DrawGrayCrossPair(HDC hdc, int x1, int y1, int x2, int y2);

// The plane point (px, py), at height 0, as the host's 2D view sees it.
void PlaneToView(HostView& view, const WorkPlane& plane, double px, double py, double& vx, double& vy);

// Gray marks laid into the work plane around a world point (its height above the
// plane dropped).
void DrawPlaneCircle(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world, double radius);
void DrawPlaneCrossPair(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world, double angle,
                        double length);
// A line 400 pixels long through the point, along the screen direction of angle.
void DrawPlaneDirectionLine(HostView& view, HostEngine* engine, HDC hdc, const WorkPlane& plane, Point3 world,
                            double angle);
