// The conversion of pointer positions: host pixels to world, the polar constraint,
// the container's Snap event and the modifier keys that switch stages off.
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "feedback/geometry.h"

namespace {

constexpr double kPiD = std::numbers::pi;
constexpr int kShiftKey = 0x10;
constexpr int kControlKey = 0x11;
constexpr int kAltKey = 0x12;

struct Point2 {
  double x, y;
};

std::string Str(Point2 p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

class ConvertAndSnapTest : public ControlTest {
 protected:
  void Start(bool polygon = false) {
    StartDrawing(polygon ? MODE_POLYGON : MODE_POLYLINE);
    ASSERT_EQ(host.Handler(), static_cast<PointerHandler*>(&Editor())) << "the edit did not register with the host";
    ClearLogs();
  }

  // Polar input from the dialog: a fixed direction (degrees) and length where given,
  // measured from the last vertex or (fromBase) from the base point.
  void Polar(const char* angleDeg, const char* length, bool fromBase = false) {
    PolarDialog(angleDeg, length, "", fromBase ? 1 : 0);
  }
  void Polar(uint32_t flags, double angleDeg, double length = 0) {
    Polar(flags & POLAR_ANGLE_FIXED ? Text(angleDeg).c_str() : "", flags & POLAR_LENGTH_FIXED ? Text(length).c_str() : "",
          (flags & POLAR_FROM_BASE) != 0);
  }
  // The polyline's one vertex: the point polar input measures from.
  void Reference(double x, double y, double z = 0) {
    ClearRing(0);
    AddVertex(0, x, y, z);
  }
  static std::string Text(double v) {
    char text[40];
    std::snprintf(text, sizeof(text), "%.17g", v);
    return text;
  }

  // Converts the pixel position of a world point of the reference view, as a pointer
  // there would be converted; the log and events then hold only this conversion.
  Point2 ConvertWorld(double wx, double wy) {
    host.WorldToScreen(wx, wy);
    ClearLogs();
    Editor().ConvertAndSnap(wx, wy);
    return {wx, wy};
  }

  // The points handed to the Snap handlers, in order.
  std::vector<Point2> SnapArgs() const {
    std::vector<Point2> args;
    for (const std::string& e : sink.events) {
      Point2 p{};
      if (std::sscanf(e.c_str(), "Snap(%lf,%lf)", &p.x, &p.y) == 2) args.push_back(p);
    }
    return args;
  }
};

bool Near(Point2 a, Point2 b, double eps = 1e-6) { return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps; }

// ---------------------------------------------------------------------------------
// The polar constraint in 2D

struct PolarCase {
  const char* name;
  uint32_t flags;
  double angleDeg, length;
  Point2 reference, pointer, expected;
};

// The reference is the polyline's one vertex.
TEST_F(ConvertAndSnapTest, PolarInputConstrainsDirectionAndLengthFromTheReference) {
  const uint32_t kDir = POLAR_ANGLE_FIXED;
  const uint32_t kLen = POLAR_LENGTH_FIXED;
  const PolarCase cases[] = {
      {"direction 0: y of the reference, x kept", kDir, 0, 0, {10, 5}, {3, 9}, {3, 5}},
      {"direction 0 below and behind the reference", kDir, 0, 0, {10, 5}, {-20, -7}, {-20, 5}},
      {"direction 180 is the same horizontal line", kDir, 180, 0, {10, 5}, {3, 9}, {3, 5}},
      {"direction 90: x of the reference, y kept", kDir, 90, 0, {10, 5}, {3, 9}, {10, 9}},
      {"direction 270 is the same vertical line", kDir, 270, 0, {10, 5}, {3, -9}, {10, -9}},
      {"direction 45: foot of the perpendicular", kDir, 45, 0, {0, 0}, {2, 0}, {1, 1}},
      {"direction 45, foot behind the reference", kDir, 45, 0, {0, 0}, {-3, -1}, {-2, -2}},
      {"direction 135 through an offset reference", kDir, 135, 0, {1, 1}, {1, 3}, {0, 2}},
      {"direction 30: a point on the line stays", kDir, 30, 0, {2, 1}, {2 + std::sqrt(3.0), 2}, {2 + std::sqrt(3.0), 2}},
      {"length 10 along the pointer's direction", kLen, 0, 10, {0, 0}, {3, 4}, {6, 8}},
      {"length from an offset reference, straight down", kLen, 0, 4, {1, 1}, {1, -20}, {1, -3}},
      {"length pulls a far point in", kLen, 0, 5, {-2, 3}, {-2 - 30, 3 + 40}, {-5, 7}},
      {"pointer on the reference lands along +X", kLen, 0, 5, {2, 3}, {2, 3}, {7, 3}},
      {"length and direction 0: the side of the pointer", kDir | kLen, 0, 10, {0, 0}, {-3, 4}, {-10, 0}},
      {"length and direction 90 above", kDir | kLen, 90, 2.5, {4, 4}, {7, 9}, {4, 6.5}},
      {"length and direction 45", kDir | kLen, 45, std::sqrt(2.0), {1, 1}, {5, 3}, {2, 2}},
  };
  Start();
  for (const PolarCase& c : cases) {
    ClearRing(0);
    AddVertex(0, c.reference.x, c.reference.y);
    Polar(c.flags, c.angleDeg, c.length);
    const Point2 got = ConvertWorld(c.pointer.x, c.pointer.y);
    // In 2D the host is asked only for the world point of the pixels.
    EXPECT_EQ(CallNames(), (Names{"ScreenToWorld"})) << c.name;
    EXPECT_TRUE(Near(c.expected, got, 1e-6)) << c.name << ": expected " << Str(c.expected) << ", got " << Str(got);
    // The container sees the constrained point.
    const std::vector<Point2> snaps = SnapArgs();
    ASSERT_EQ(snaps.size(), 1u) << c.name;
    EXPECT_TRUE(Near(c.expected, snaps[0], 1e-5)) << c.name << ": Snap got " << Str(snaps[0]);
  }
}

TEST_F(ConvertAndSnapTest, NoConstraintWhilePolarInputIsOffOrTheBasePointIsDragged) {
  struct Case {
    const char* name;
    const char *angle, *length;
    bool fromBase, dragBase;
  };
  const Case cases[] = {
      {"polar input off", nullptr, nullptr, false, false},
      {"measured from the base point without angle or length", "", "", true, false},
      {"angle fixed while the base point is dragged", "0", "", true, true},
      {"length fixed while the base point is dragged", "", "3", true, true},
  };
  Start();
  AddVertex(0, 50, 60, 0);  // the base point settles on it: (50, 60)
  for (const Case& c : cases) {
    Editor().OnMenuPolarOff();
    if (c.angle) Polar(c.angle, c.length, c.fromBase);
    if (c.dragBase) {
      PressAt(50, 60);
      ASSERT_TRUE(Editor().PolarFlags() & POLAR_BASE_DRAGGED) << c.name;
    }
    const Point3 before = Editor().PolarReference();
    const Point2 got = ConvertWorld(13.5, -8.25);
    EXPECT_TRUE(Near({13.5, -8.25}, got)) << c.name << ": expected the pointer unchanged, got " << Str(got);
    EXPECT_EQ(SnapArgs().size(), 1u) << c.name << ": Snap fires whatever the polar state";
    EXPECT_EQ(Editor().PolarReference().x, before.x) << c.name << ": the reference must not be touched";
    EXPECT_EQ(Editor().PolarReference().y, before.y) << c.name;
    EXPECT_EQ(Editor().PolarReference().z, before.z) << c.name;
    if (c.dragBase) ReleaseAt(50, 60);
  }
}

// ---------------------------------------------------------------------------------
// Which point is the reference

TEST_F(ConvertAndSnapTest, ReferenceIsTheLastVertexUnlessAPressSetItOrTheBasePointRules) {
  struct Case {
    const char* name;
    uint32_t extraFlags;
    bool drawVertices;
    Point2 expectedReference;
  };
  // The last ring ends at (40, 7); a move's press left (5, 6); the polar base point is
  // the last ring's centre (30, 4), or the container's (3, 30) while that ring is empty.
  const Case cases[] = {
      {"no press: the last vertex of the last ring", 0, true, {40, 7}},
      {"a press set it: the press's point", POLAR_LAST_FROM_PRESS, true, {5, 6}},
      {"no press and nothing drawn: the previous value", 0, false, {5, 6}},
      {"base point over the last vertex", POLAR_FROM_BASE, true, {30, 4}},
      {"base point over a press", POLAR_FROM_BASE | POLAR_LAST_FROM_PRESS, true, {30, 4}},
      {"base point with nothing drawn", POLAR_FROM_BASE, false, {3, 30}},
  };
  for (const Case& c : cases) {
    // A fresh polygon each time; ring 1 is the ring being drawn, ring 0 must not count.
    Start(true);
    Editor().OnMenuPolarOff();
    AddVertex(0, 100, 100);
    ctl->setBasePointQarnEdit(3, 30, 0);
    // Direction 0 copies the reference's y. Without a last vertex the dialog offers
    // only the base point, so the last vertex is chosen while ring 0's is there.
    const bool fromBase = c.extraFlags & POLAR_FROM_BASE;
    if (!fromBase) Polar("0", "");
    if (c.drawVertices) {
      AddVertices(1, {{20, 1}, {40, 7}});
    } else {
      AddEmptyRing();
    }
    if (fromBase) Polar("0", "", true);
    // The press of a move makes its point the reference; Continue hands it back.
    Editor().OnMenuMove();
    PressAt(5, 6);
    ReleaseAt(5, 6);
    if (!(c.extraFlags & POLAR_LAST_FROM_PRESS)) Editor().OnMenuContinue();
    const Point2 horizontal = ConvertWorld(11, 12);
    EXPECT_EQ(horizontal.y, c.expectedReference.y) << c.name << ": constrained to " << Str(horizontal);
    EXPECT_EQ(Editor().PolarFlags() & POLAR_LAST_FROM_PRESS, c.extraFlags & POLAR_LAST_FROM_PRESS)
        << c.name << ": the conversion never sets or clears the press bit";
    EXPECT_TRUE(Near(c.expectedReference, {Editor().PolarReference().x, Editor().PolarReference().y}))
        << c.name << ": the reference point kept is " << Str({Editor().PolarReference().x, Editor().PolarReference().y});
    ctl->abortEdit();
  }
}

TEST_F(ConvertAndSnapTest, ReferenceTakesZFromTheLastVertexOrTheBasePoint) {
  ctl->Set3DMode(1);
  Start();
  AddVertex(0, 1, 2, 33);
  AddVertex(0, 3, 4, 99);  // the base point settles at the centre, z 66
  Polar("", "1");
  ConvertWorld(9, 9);
  EXPECT_EQ(Editor().PolarReference().z, 99) << "z of the last vertex";
  Polar("", "1", true);
  ConvertWorld(9, 9);
  EXPECT_EQ(Editor().PolarReference().z, 66) << "z of the polar base point";
}

// ---------------------------------------------------------------------------------
// Modifier keys

// The cases run one after another in one edit: keys are read at each conversion.
TEST_F(ConvertAndSnapTest, KeysHeldNowSwitchOffTheirStages) {
  struct Case {
    const char* name;
    short noPolarKey, noSnapKey;
    std::vector<int> held;
    bool constrained, snapFires;
  };
  const Case cases[] = {
      {"no key properties", 0, 0, {kShiftKey}, true, true},
      {"polar key property set but not held", kShiftKey, 0, {}, true, true},
      {"polar key held: constraint off, Snap still fires", kShiftKey, 0, {kShiftKey}, false, true},
      {"snap key held: constraint kept, no Snap", 0, kControlKey, {kControlKey}, true, false},
      {"both held", kShiftKey, kControlKey, {kShiftKey, kControlKey}, false, false},
      {"only the snap key of the two held", kShiftKey, kControlKey, {kControlKey}, true, false},
      {"another key held", kShiftKey, kControlKey, {kAltKey}, true, true},
      // Key 0 names no key, even if something would report it down.
      {"property 0 never suspends", 0, 0, {0}, true, true},
  };
  Start();
  for (const Case& c : cases) {
    ctl->m_noPolarKey = c.noPolarKey;
    ctl->m_noSnapKey = c.noSnapKey;
    QarnDesktop().keysDown = std::set<int>(c.held.begin(), c.held.end());
    Reference(0, 5);
    Polar(POLAR_ANGLE_FIXED, 0);
    sink.answerSnap = true;
    sink.snapX = 1000;
    sink.snapY = 2000;
    const Point2 got = ConvertWorld(7, 9);
    const Point2 unsnapped = c.constrained ? Point2{7, 5} : Point2{7, 9};
    const Point2 expected = c.snapFires ? Point2{1000, 2000} : unsnapped;
    EXPECT_TRUE(Near(expected, got)) << c.name << ": expected " << Str(expected) << ", got " << Str(got);
    const std::vector<Point2> snaps = SnapArgs();
    ASSERT_EQ(snaps.size(), c.snapFires ? 1u : 0u) << c.name;
    if (c.snapFires) {
      EXPECT_TRUE(Near(unsnapped, snaps[0])) << c.name << ": Snap got " << Str(snaps[0]);
    }
  }
}

// ---------------------------------------------------------------------------------
// What the host is asked, in order

TEST_F(ConvertAndSnapTest, ThreeDimensionalRulesEachGoThroughTheWorkPlane) {
  struct Case {
    const char* name;
    uint32_t flags;
    Names expected;
  };
  const Names round = {"GetWorkPlane", "ViewToWorld", "ProjectToView"};
  const Case cases[] = {
      {"polar off", 0, {"ScreenToWorld"}},
      {"direction then length",
       POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED,
       {"ScreenToWorld", "GetWorkPlane", "ViewToWorld", "ProjectToView", "GetWorkPlane", "ViewToWorld",
        "ProjectToView"}},
  };
  ctl->Set3DMode(1);
  Start();
  host.SetWorkPlane(0, 0, 0.5, 10, 20, 30);
  AddVertex(0, 11, 21, 30);
  for (const Case& c : cases) {
    Polar(c.flags, 17, 2);
    ClearLogs();
    double x = 17, y = 23;
    Editor().ConvertAndSnap(x, y);
    EXPECT_EQ(CallNames(), c.expected) << c.name;
  }
}

TEST_F(ConvertAndSnapTest, ThreeDimensionalDirectionHoldsInTheWorkPlane) {
  // The host's own answers are used as the yardstick: the point handed to ProjectToView
  // must lie in the plane, on the constraint through the reference.
  struct Case {
    const char* name;
    double plane[6];
    uint32_t flags;
    double angleDeg, length;
    Point2 referenceInPlane;
    double referenceHeight;  // world Z added: off the plane, its height is dropped
  };
  // The host turns its plane with the editor's convention (Z, then Y, then X), so planes
  // turned about several axes must hold too.
  const Case cases[] = {
      {"plane turned about three axes, direction 30", {0.4, -0.3, 0.8, 10, -5, 3}, POLAR_ANGLE_FIXED, 30, 0, {6, -2}, 0},
      {"plane turned about X and Z, length 12", {0.6, 0, 1.1, 0, 0, 0}, POLAR_LENGTH_FIXED, 0, 12, {1, 1}, 4},
      {"turned plane, direction 0", {0, 0, kPiD / 6, 100, 50, 7}, POLAR_ANGLE_FIXED, 0, 0, {10, 5}, 0},
      {"turned plane, direction 90", {0, 0, kPiD / 6, 100, 50, 7}, POLAR_ANGLE_FIXED, 90, 0, {10, 5}, 0},
      {"tilted plane, direction 45", {0.5, 0, 0, -20, 30, 15}, POLAR_ANGLE_FIXED, 45, 0, {-4, 2}, 0},
      {"tilted plane, length 25", {0.5, 0, 0, -20, 30, 15}, POLAR_LENGTH_FIXED, 0, 25, {-4, 2}, 0},
      {"reference off a turned plane", {0, 0, -1.0, 5, 5, 5}, POLAR_ANGLE_FIXED, 30, 0, {3, 8}, 12},
      {"reference off a tilted plane", {0.7, 0, 0, 5, 5, 5}, POLAR_LENGTH_FIXED, 0, 40, {3, 8}, -9},
  };
  ctl->Set3DMode(1);
  Start();
  const Point2 pixel{310, 160};  // x and y differ in the world as well, so a swap shows
  for (const Case& c : cases) {
    host.SetWorkPlane(c.plane[0], c.plane[1], c.plane[2], c.plane[3], c.plane[4], c.plane[5]);
    // The reference: a plane point lifted into the world, then raised off the plane.
    double rx = c.referenceInPlane.x, ry = c.referenceInPlane.y, rz = 0;
    host.PlaneToWorld3D(rx, ry, rz);
    Reference(rx, ry, rz + c.referenceHeight);
    double lx = rx, ly = ry, lz = rz + c.referenceHeight;
    host.World3DToPlane(lx, ly, lz);
    Polar(c.flags, c.angleDeg, c.length);

    ClearLogs();
    double x = pixel.x, y = pixel.y;
    Editor().ConvertAndSnap(x, y);
    ASSERT_EQ(CallNames(), (Names{"ScreenToWorld", "GetWorkPlane", "ViewToWorld", "ProjectToView"})) << c.name;

    // ViewToWorld gets what ScreenToWorld answered.
    double sx = pixel.x, sy = pixel.y;
    host.ScreenToWorld(sx, sy);
    const HostCall passed{"ViewToWorld", {sx, sy}};
    EXPECT_EQ(host.calls[2].ToString(), passed.ToString()) << c.name;

    // Where the pointer is in the plane, by the host's own reckoning.
    double px = sx, py = sy, pz = 0;
    host.PlaneToWorld3D(px, py, pz);
    host.World3DToPlane(px, py, pz);
    Point2 expected{px, py};
    const Point2 l{lx, ly};
    if (c.flags & POLAR_ANGLE_FIXED) {
      const double t = c.angleDeg * kPiD / 180;
      const double along = (px - l.x) * std::cos(t) + (py - l.y) * std::sin(t);
      expected = {l.x + along * std::cos(t), l.y + along * std::sin(t)};
    } else {
      const double d = std::hypot(px - l.x, py - l.y);
      expected = {l.x + (px - l.x) * c.length / d, l.y + (py - l.y) * c.length / d};
    }

    const HostCall& project = host.calls[3];
    ASSERT_EQ(project.args.size(), 3u) << c.name;
    double wx = std::get<double>(project.args[0]), wy = std::get<double>(project.args[1]),
           wz = std::get<double>(project.args[2]);
    host.World3DToPlane(wx, wy, wz);
    EXPECT_TRUE(Near(expected, {wx, wy}, 1e-9))
        << c.name << ": expected the plane point " << Str(expected) << ", got " << Str({wx, wy});
    EXPECT_NEAR(0.0, wz, 1e-9) << c.name << ": the constrained point must lie in the plane";

    // The result is the host's view point of that 3D point (this host's view is the
    // plane's), and the container sees it.
    EXPECT_TRUE(Near({wx, wy}, {x, y}, 1e-9)) << c.name << ": expected " << Str({wx, wy}) << ", got " << Str({x, y});
    ASSERT_EQ(SnapArgs().size(), 1u) << c.name;
    EXPECT_TRUE(Near({wx, wy}, SnapArgs()[0], 1e-5)) << c.name;
  }
}

// ---------------------------------------------------------------------------------
// SnapScreenPoint

// Which pixel each double gives is PixelFromDouble's (geometry_test.cpp); a fraction
// below zero and a point past the pixel range show the snapped pixels go through it.
TEST_F(ConvertAndSnapTest, SnapScreenPointTruncatesTheSnappedPixelsTowardZero) {
  struct Case {
    const char* name;
    Point2 snapToPixels;  // where the container's answer lies on the screen
    POINT expected;
  };
  const Case cases[] = {
      {"negative fractions go up to zero", {-3.7, -0.4}, {-3, 0}},
      {"beyond the pixel range: pinned", {1e12, -1e12}, {kPixelLimit, -kPixelLimit}},
  };
  Start();
  for (const Case& c : cases) {
    double wx = c.snapToPixels.x, wy = c.snapToPixels.y;
    host.ScreenToWorld(wx, wy);
    sink.answerSnap = true;
    sink.snapX = wx;
    sink.snapY = wy;
    POINT pt{37, 99};
    ClearLogs();
    Editor().SnapScreenPoint(pt);
    EXPECT_TRUE(pt.x == c.expected.x && pt.y == c.expected.y)
        << c.name << ": expected (" << c.expected.x << ", " << c.expected.y << "), got (" << pt.x << ", " << pt.y
        << ")";
    EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "WorldToScreen"})) << c.name;
  }
}

TEST_F(ConvertAndSnapTest, SnapScreenPointRunsThePipelineAndGoesBackToPixels) {
  Start();
  host.SetView(0.5, 10, 20);
  POINT pt{37, 99};
  // With a direction constraint, the pixel follows the constrained point.
  double rx = 0, ry = 150;  // the reference on pixel row 150
  host.ScreenToWorld(rx, ry);
  Reference(rx, ry);
  Polar(POLAR_ANGLE_FIXED, 0);
  pt = {37, 99};
  Editor().SnapScreenPoint(pt);
  EXPECT_TRUE(pt.x == 37 && pt.y == 150) << "expected (37, 150), got (" << pt.x << ", " << pt.y << ")";

  // The 3D constraint's view point goes through WorldToScreen after ProjectToView.
  ctl->abortEdit();
  ctl->Set3DMode(1);
  Start();
  Reference(rx, ry);
  Polar(POLAR_ANGLE_FIXED, 0);
  ClearLogs();
  pt = {37, 99};
  Editor().SnapScreenPoint(pt);
  EXPECT_EQ(CallNames(), (Names{"ScreenToWorld", "GetWorkPlane", "ViewToWorld", "ProjectToView", "WorldToScreen"}));
}

TEST_F(ConvertAndSnapTest, WithoutAnEngineOnlyTheSnapEventRuns) {
  // A Snap handler may end the edit; what follows must not reach for the engine.
  Start();
  ctl->abortEdit();
  ASSERT_FALSE(Editor().HoldsRegistration());
  ClearLogs();
  POINT pt{37, 99};
  Editor().SnapScreenPoint(pt);
  EXPECT_TRUE(pt.x == 37 && pt.y == 99) << "got (" << pt.x << ", " << pt.y << ")";
  EXPECT_EQ(CallNames(), Names{});
  EXPECT_EQ(SnapArgs().size(), 1u);
}

}  // namespace
