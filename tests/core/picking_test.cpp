// Picking vertices under a press: the square tolerance, the order that decides between
// candidates, and the begin/end lock.
#include <cmath>
#include <limits>

#include "core_fixture.h"

namespace {

class PickingTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    StartDrawing(MODE_POLYGON);
    host.calls.clear();
  }
  int32_t PickAt(double X, double Y, int32_t* ring) {
    return Editor().PickVertex(static_cast<int32_t>(X), kViewHeight - static_cast<int32_t>(Y), ring);
  }
};

TEST_F(PickingTest, TheFirstCandidateWinsNotTheNearest) {
  AddVertex(0, 0, 0);
  AddVertex(0, 52, 50);  // 2 px off the press at (50, 50), before the exact vertex
  AddVertex(0, 50, 50);
  AddVertex(1, 300, 300);  // exact, but ring 0 reaches the press too
  AddVertex(0, 303, 303);
  AddVertex(1, 200, 200);
  struct Case {
    double X, Y;
    int32_t vertex, ring;
  };
  const Case cases[] = {{50, 50, 1, 0}, {300, 300, 3, 0}, {200, 200, 1, 1}};
  for (const Case& c : cases) {
    int32_t ring = -1;
    EXPECT_EQ(PickAt(c.X, c.Y, &ring), c.vertex) << "press at (" << c.X << ", " << c.Y << ")";
    EXPECT_EQ(ring, c.ring) << "press at (" << c.X << ", " << c.Y << ")";
  }
}

TEST_F(PickingTest, TheBeginEndLockKeepsTheEndsOfEveryRingOutOfReach) {
  for (int i = 0; i < 3; ++i) AddVertex(0, 10 + 20 * i, 10);   // perimeter
  for (int i = 0; i < 3; ++i) AddVertex(1, 10 + 20 * i, 100);  // hole
  AddVertices(2, {{200, 200}, {220, 200}});  // two vertices: nothing in between
  struct Case {
    int lock;
    double X, Y;
    int32_t vertex;
  };
  const Case cases[] = {{1, 10, 10, -1},   {1, 30, 10, 1},   {1, 50, 10, -1},    {1, 10, 100, -1},
                        {1, 30, 100, 1},   {1, 50, 100, -1}, {1, 200, 200, -1},  {1, 220, 200, -1},
                        {0, 220, 200, 1},  {0, 10, 100, 0}};
  // Unlocked first: only the next start takes the lock off again.
  for (int lock : {0, 1}) {
    if (lock) ctl->disableBeginEndPolylineEdit();
    for (const Case& c : cases) {
      if (c.lock != lock) continue;
      int32_t ring = -1;
      EXPECT_EQ(PickAt(c.X, c.Y, &ring), c.vertex) << "lock " << c.lock << " at (" << c.X << ", " << c.Y << ")";
    }
  }
}

TEST_F(PickingTest, EachCandidateGoesThroughTheHostUntilAHit) {
  AddVertex(0, 10, 10, 5);
  AddVertex(0, 20, 20, 5);
  int32_t ring = -1;
  EXPECT_EQ(PickAt(20, 20, &ring), 1);
  EXPECT_EQ(CallNames(), (std::vector<std::string>{"WorldToScreen", "WorldToScreen"}));
  EXPECT_EQ(host.calls[0].ToString(), "WorldToScreen(10, 10)");
  // In 3D the vertex shows where the work plane puts it: plane origin (100, 0, 5).
  ctl->abortEdit();
  ctl->Set3DMode(1);
  ctl->drawPolygon();
  AddVertex(0, 10, 10, 5);
  AddVertex(0, 20, 20, 5);
  host.calls.clear();
  host.SetWorkPlane(0, 0, 0, 100, 0, 5);
  EXPECT_EQ(PickAt(20, 20, &ring), -1) << "world X/Y is not where a 3D vertex shows";
  EXPECT_EQ(host.calls[0].ToString(), "WorldToView3D(10, 10, 5)");
  EXPECT_EQ(PickAt(-80, 20, &ring), 1);
}

}  // namespace

// A polar base point that converts to no pixel at all is under no press: the press
// draws its vertex instead of taking the base point along.
TEST_F(PickingTest, AnUnplaceablePolarBaseIsNeverGrabbed) {
  EditController& ec = Editor();
  // World Y 280 is pixel row 200, the row pressed: only the bad X could keep the press off.
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    // An empty figure takes the container's base point as polar base, wherever it is.
    ctl->drawPolyline();
    ec.OnMenuPolarOff();  // a base point known from before would be forced into view
    ctl->setBasePointQarnEdit(bad, 280, 0);
    PolarDialog("", "10");
    ASSERT_EQ(ec.PolarBase().y, 280);
    const int32_t before = ec.GetFigure().VertexCount(0);
    host.Press(200, 200);
    EXPECT_FALSE(ec.PolarFlags() & POLAR_BASE_DRAGGED) << bad;
    EXPECT_EQ(ec.GetFigure().VertexCount(0), before + 1) << bad << ": the press drew a vertex";
    host.Release(200, 200);
  }
}
