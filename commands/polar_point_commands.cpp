// "Enable polar point": the polar dialog preset from the current polar state, and on OK
// the new angle, length and base point, with the host's own snapping switched off.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "commands/polar_point_dlg.h"
#include "editcore/edit_controller.h"
#include "editcore/measure_format.h"
#include "editcore/work_plane.h"
#include "feedback/geometry.h"
#include "hostlink/host_view.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Clears the angle, length, press-reference and from-base bits and everything above
// the low byte; the known base point (0x08) and its drag (0x20) survive.
constexpr uint32_t kKeptOnOk = 0xE8;

double DegreesToRadians(const CString& text) { return std::atof(text) * kPi * (1.0 / 180); }

}  // namespace

double EditController::LastSegmentAngleDegrees() {
  const int32_t n = m_figure.VertexCount(m_figure.LastRing());
  if (n < 2) return 0;
  Ring& ring = m_figure.Vertices(m_figure.LastRing());
  ring.EnsureIndex(n - 1);
  if (!m_is3D) return AngleOfVector(ring.x[n - 2], ring.y[n - 2], ring.x[n - 1], ring.y[n - 1]) * kDegreesPerRadian;
  // In 3D the segment's direction is the one seen in the work plane.
  WorkPlane plane;  // without a host, the world's own frame
  if (m_pSite->HostDispatch()) {
    HostView view(m_pSite->HostDispatch());
    plane = WorkPlane::Read(view);
  }
  const Point3 p1 = plane.ToPlane(Point3{ring.x[n - 2], ring.y[n - 2], ring.z[n - 2]});
  const Point3 p2 = plane.ToPlane(Point3{ring.x[n - 1], ring.y[n - 1], ring.z[n - 1]});
  return AngleOfVector(p1.x, p1.y, p2.x, p2.y) * kDegreesPerRadian;
}

// The base point starts at the figure's centre the first time and is then brought
// into the view (a base point already known is forced to the view's middle).
void EditController::SettlePolarBase() {
  int r = 0, used = 0;
  if (!(m_polarFlags & POLAR_BASE_KNOWN)) {
    r = ComputeCentre(m_polarBase, &used);
    m_polarFlags |= POLAR_BASE_KNOWN;
  }
  BringIntoView(m_polarBase, r == 0, used);
}

// Polar input replaces the host's own mode pair and, while constrained, its third
// input value.
void EditController::ForcePolarInput(bool constrained) {
  if (!m_pEngine) return;
  if (m_polarFlags > 0) {
    m_pEngine->GetModePair(&m_savedModePair[0], &m_savedModePair[1]);
    m_pEngine->SetModePair(0, 0);
  }
  m_inputStateForced = true;
  int b = kTrackingAtRest;
  int c = constrained ? 0 : m_dlgSavedInputState[2];
  m_pEngine->SetInputState(nullptr, &b, &c);
}

namespace {

// Both dialogs carry the angle and distance boxes under the same names.
template <typename Dialog>
void PresetAngleAndDistance(Dialog& dlg, uint32_t flags, double angle, double length) {
  dlg.m_angleOn = FALSE;
  dlg.m_distanceOn = FALSE;
  if (flags & POLAR_ANGLE_FIXED) {
    dlg.m_angleOn = TRUE;
    dlg.m_angleText = CString(FormatG(angle * kDegreesPerRadian));
  }
  if (flags & POLAR_LENGTH_FIXED) {
    dlg.m_distanceOn = TRUE;
    dlg.m_distanceText = CString(FormatG(length));
  }
}

template <typename Dialog>
void ReadAngleAndDistance(const Dialog& dlg, uint32_t& flags, double& angle, double& length) {
  if (dlg.m_angleOn) {
    flags |= POLAR_ANGLE_FIXED;
    angle = DegreesToRadians(dlg.m_angleText);
  }
  if (dlg.m_distanceOn) {
    flags |= POLAR_LENGTH_FIXED;
    length = std::atof(dlg.m_distanceText);
  }
}

}  // namespace

bool EditController::RunPolarDialog(CDialog& dlg) {
  if (m_pEngine)
    m_pEngine->GetInputState(&m_dlgSavedInputState[0], &m_dlgSavedInputState[1], &m_dlgSavedInputState[2]);
  if (dlg.DoModal() == IDOK) return true;
  if (m_pEngine)
    m_pEngine->SetInputState(&m_dlgSavedInputState[0], &m_dlgSavedInputState[1], &m_dlgSavedInputState[2]);
  return false;
}

void EditController::OnMenuPolarOn() {
  auto dlg = std::make_unique<CPolarPointExDlg>();
  dlg->m_pSite = m_pSite;
  PresetAngleAndDistance(*dlg, m_polarFlags, m_polarAngle, m_polarLength);
  dlg->m_useBase = (m_polarFlags & POLAR_FROM_BASE) ? 1 : 0;
  if (m_angleToAdd != 0) {
    dlg->m_addOn = TRUE;
    dlg->m_addText = CString(FormatG(m_angleToAdd * kDegreesPerRadian));
  }
  dlg->m_lastPointUnavailable = m_figure.VertexCount(m_figure.LastRing()) < 1;
  dlg->m_lastSegmentAngle = LastSegmentAngleDegrees();

  if (RunPolarDialog(*dlg)) {
    // The added angle follows the Angle box: without a fixed angle there is nothing to add to.
    m_angleToAdd = dlg->m_angleOn ? DegreesToRadians(dlg->m_addText) : 0;
    m_polarFlags &= kKeptOnOk;
    ReadAngleAndDistance(*dlg, m_polarFlags, m_polarAngle, m_polarLength);
    if (dlg->m_useBase == 1) {
      m_polarFlags |= POLAR_FROM_BASE;
      SettlePolarBase();
    }
    ForcePolarInput(dlg->m_angleOn || dlg->m_distanceOn);
  }
  dlg.reset();
  AskForRepaint();
}

void EditController::OnMenuPointPolarOn() {
  auto dlg = std::make_unique<CPolarPointDlg>();
  dlg->m_pSite = m_pSite;
  PresetAngleAndDistance(*dlg, m_polarFlags, m_polarAngle, m_polarLength);

  if (RunPolarDialog(*dlg)) {
    m_angleToAdd = 0;
    m_polarFlags &= kKeptOnOk;
    ReadAngleAndDistance(*dlg, m_polarFlags, m_polarAngle, m_polarLength);
    // A point has no last vertex to measure from: always the base point.
    m_polarFlags |= POLAR_FROM_BASE;
    SettlePolarBase();
    ForcePolarInput(dlg->m_angleOn || dlg->m_distanceOn);
  }
  dlg.reset();
  AskForRepaint();
}
