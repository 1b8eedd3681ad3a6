// The editor on its own, with a fake site in place of the control: what it tells the
// site and the host, and what the site's answers change. No COM control is involved.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "editcore/edit_controller.h"
#include "editcore/edit_site.h"
#include "editcore/work_plane.h"
#include "hostlink/host_view.h"
#include "platform/desktop.h"
#include "refhost/reference_host.h"
#include "resources/resource.h"

namespace {

using Names = std::vector<std::string>;

class FakeSite final : public EditSite {
 public:
  explicit FakeSite(IDispatch* host) : m_host(host) {}

  LPDISPATCH HostDispatch() const override { return m_host; }
  bool Is3D() const override { return false; }
  short NoSnapKey() const override { return 0; }
  short NoPolarKey() const override { return 0; }
  short FillStyle() const override { return 0; }
  COLORREF OverlayColor() override { return RGB(255, 0, 0); }
  const CString& PolylineMeasureFormat() const override { return m_empty; }
  const CString& PolygonMeasureFormat() const override { return m_empty; }
  const CString& StringFile() const override { return m_empty; }
  void SetCaption(const CString& caption) override { log.push_back("Caption(" + std::string(caption.c_str()) + ")"); }
  void EditEnded(bool saved) override { log.push_back(saved ? "EditEnded(saved)" : "EditEnded(aborted)"); }
  void Snap(double& x, double& y) override {
    log.push_back("Snap(" + Number(x) + ", " + Number(y) + ")");
    heldDuringSnap = held;
  }
  CString LocalizedString(UINT id) override { return CString(("text " + std::to_string(id)).c_str()); }
  void LocalizeMenu(const CString&, CMenu*) override {}
  void HoldAlive() override { ++held; }
  void LetGo() override { --held; }

  static std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", v);
    return text;
  }

  Names log;
  int held = 0;
  int heldDuringSnap = -1;

 private:
  IDispatch* m_host;
  CString m_empty;
};

class EditSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarnDesktop().Reset();
    ReferenceHost::SetFileVersion(std::nullopt);
  }
  // World (x, y) as the press position in the reference host's default view.
  void Click(double x, double y) {
    const int px = static_cast<int>(x), py = host.Height() - static_cast<int>(y);
    host.Press(px, py);
    host.Release(px, py);
  }

  ReferenceHost host;
  FakeSite site{host.GetDispatch()};
};

TEST_F(EditSiteTest, TheSiteIsHeldAliveWhileAPressRunsItsEventsAndLetGoAfter) {
  EditController editor(&site);
  editor.StartDrawing(host.GetEngine(), MODE_POLYLINE);
  Click(20, 20);
  EXPECT_EQ(site.heldDuringSnap, 1) << "the press holds the site while the Snap event runs";
  EXPECT_EQ(site.held, 0) << "every hold is let go";
  editor.EndEdit(false);
  EXPECT_EQ(site.held, 0);
}

TEST_F(EditSiteTest, AnEditorGoingAwayWithAnEditRunningFiresNothing) {
  {
    EditController editor(&site);
    editor.StartDrawing(host.GetEngine(), MODE_POLYLINE);
    site.log.clear();
  }
  EXPECT_EQ(site.log, Names{}) << "no caption and no end event from a dying editor";
  EXPECT_EQ(host.Handler(), nullptr) << "the host holds no handler of a dead editor";
  EXPECT_EQ(host.Painter(), nullptr);
}

// A press hits a point within 3 view pixels on each axis, both ends included.
TEST(PickTolerance, HitsWithinThreePixelsPerAxisAndNeverNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x, y;
    bool hit;
  } cases[] = {
      {100, 50, true},    {103, 53, true},     {97, 47, true},     {103.0001, 50, false},
      {100, 46.99, false}, {nan, 50, false},   {100, nan, false},  {inf, 50, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditController::WithinPickTolerance(c.x, c.y, POINT{100, 50}), c.hit)
        << "point (" << c.x << ", " << c.y << ") against a press at (100, 50)";
  }
}

// The editor's work plane agrees with the host's own: the same plane read through
// GetWorkPlane takes points into and out of it as the host does.
TEST(WorkPlaneFrame, AgreesWithTheHostsPlaneBothWays) {
  QarnDesktop().Reset();
  ReferenceHost host;
  struct Plane {
    double ax, ay, az, ox, oy, oz;
  } planes[] = {
      {0, 0, 0, 0, 0, 0},
      {0, 0, 1.5707963267948966, 10, 20, 30},
      {0.4, -1.1, 2.5, -3, 7, 100},
  };
  const Point3 points[] = {{0, 0, 0}, {1, 0, 0}, {12.5, -4, 3}, {-1000, 250, -0.5}};
  for (const Plane& p : planes) {
    host.SetWorkPlane(p.ax, p.ay, p.az, p.ox, p.oy, p.oz);
    HostView view(host.GetDispatch());
    const WorkPlane plane = WorkPlane::Read(view);
    for (const Point3& w : points) {
      Point3 expected = w;
      host.World3DToPlane(expected.x, expected.y, expected.z);
      const Point3 got = plane.ToPlane(w);
      EXPECT_NEAR(got.x, expected.x, 1e-9) << "plane " << p.ax << "," << p.ay << "," << p.az;
      EXPECT_NEAR(got.y, expected.y, 1e-9);
      EXPECT_NEAR(got.z, expected.z, 1e-9) << "the height above the plane";
      // And back: a point of the plane at height 0 lands where the host puts it.
      Point3 onPlane{got.x, got.y, 0};
      host.PlaneToWorld3D(onPlane.x, onPlane.y, onPlane.z);
      const Point3 back = plane.ToWorld(Point3{got.x, got.y, 0});
      EXPECT_NEAR(back.x, onPlane.x, 1e-9);
      EXPECT_NEAR(back.y, onPlane.y, 1e-9);
      EXPECT_NEAR(back.z, onPlane.z, 1e-9);
    }
  }
}

}  // namespace
