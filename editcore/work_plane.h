// The host's work plane as a value: its rotations about X, Y and Z and its origin, as
// GetWorkPlane returns them. Points go into the plane's frame (origin first, then the
// rotations) and back; the arithmetic is the same every caller always did, so the
// results match to the bit.
#pragma once

#include "editcore/point.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"

class WorkPlane {
 public:
  WorkPlane() = default;
  WorkPlane(Point3 angles, Point3 origin) : m_angles{angles.x, angles.y, angles.z}, m_origin(origin) {}

  // One GetWorkPlane call on the host.
  static WorkPlane Read(HostView& view) {
    Point3 a, o;
    view.GetWorkPlane(&a.x, &a.y, &a.z, &o.x, &o.y, &o.z);
    return WorkPlane(a, o);
  }

  // A world point in the plane's frame; z is its height above the plane.
  Point3 ToPlane(Point3 world) const {
    Point3 p{world.x - m_origin.x, world.y - m_origin.y, world.z - m_origin.z};
    WorldToPlane(&p.x, &p.y, &p.z, m_angles);
    return p;
  }
  // A point of the plane's frame in the world.
  Point3 ToWorld(Point3 plane) const {
    PlaneToWorld(&plane.x, &plane.y, &plane.z, m_angles);
    return Point3{plane.x + m_origin.x, plane.y + m_origin.y, plane.z + m_origin.z};
  }

 private:
  double m_angles[3] = {0, 0, 0};
  Point3 m_origin;
};
