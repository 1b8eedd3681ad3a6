#include "commands/polar_point_dlg.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "commands/string_file.h"
#include "editcore/edit_site.h"
#include "editcore/measure_format.h"
#include "resources/resource.h"

namespace {

constexpr const char* kSection = "POLAR_POINT_DLG";
constexpr const char* kFromLastPoint = "From last point";
constexpr const char* kFromUserPoint = "From user point";
constexpr DWORD_PTR kBaseLastPoint = 0;
constexpr DWORD_PTR kBaseUserPoint = 1;

// The text under key in the dialogs' section; a missing or empty value gives the
// default, which is written there so that the file shows what can be translated.
CString LookUpText(const CString& stringFile, const CString& key, const CString& fallback) {
  return LookUpStringFileText(stringFile, kSection, key, fallback);
}

void LocalizeWindow(const CString& stringFile, const CString& key, CWnd* window) {
  if (!window) return;
  CString current;
  window->GetWindowText(current);
  window->SetWindowText(LookUpText(stringFile, key, current));
}

// The caption and the given controls of a polar dialog; no string file leaves the template's texts.
void LocalizeDialog(const EditSite* site, CDialog& dialog, std::span<const int> ids) {
  const CString& stringFile = site->StringFile();
  if (stringFile.IsEmpty()) return;
  LocalizeWindow(stringFile, "TITLE", &dialog);
  for (int id : ids) LocalizeWindow(stringFile, StringFileKey(static_cast<UINT>(id)), dialog.GetDlgItem(id));
}

CString ComboText(const EditSite* site, const char* prefix, const char* fallback) {
  CString key = CString(prefix) + StringFileKey(IDC_POLAR_BASE);
  if (site->StringFile().IsEmpty()) return CString(fallback);
  return LookUpText(site->StringFile(), key, CString(fallback));
}

// "+90" and "-90": the text as a number (0 when it is none) turned by step, unwrapped.
void StepAngle(CString& text, BOOL& on, double step) {
  text = CString(FormatG(std::atof(text) + step));
  on = !text.IsEmpty();
}

}  // namespace

// ---- CPolarPointDlg ----

CPolarPointDlg::CPolarPointDlg()
    : CDialog(IDD_POLAR_POINT), m_pSite(nullptr), m_angleOn(FALSE), m_distanceOn(FALSE) {}

INT_PTR CPolarPointDlg::DoModal() { return CDialog::DoModal(); }

void CPolarPointDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_POLAR_ANGLE, m_angleText);
  DDX_Text(pDX, IDC_POLAR_DISTANCE, m_distanceText);
  DDX_Check(pDX, IDC_POLAR_ANGLE_ON, m_angleOn);
  DDX_Check(pDX, IDC_POLAR_DISTANCE_ON, m_distanceOn);
}

std::span<const DialogCommandEntry> CPolarPointDlg::GetCommandMap() const {
  using D = CPolarPointDlg;
  static const std::array map = {
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE, EN_CHANGE, D, OnChangeAngle),
      ON_DIALOG_COMMAND(IDC_POLAR_DISTANCE, EN_CHANGE, D, OnChangeDistance),
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_PLUS90, BN_CLICKED, D, OnAnglePlus90),
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_MINUS90, BN_CLICKED, D, OnAngleMinus90),
  };
  return map;
}

BOOL CPolarPointDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_pSite) return TRUE;
  static const int kIds[] = {IDC_POLAR_ANGLE_ON, IDC_POLAR_DISTANCE_ON, IDOK, IDCANCEL};
  LocalizeDialog(m_pSite, *this, kIds);
  return TRUE;
}

void CPolarPointDlg::OnChangeAngle() {
  UpdateData(TRUE);
  m_angleOn = !m_angleText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointDlg::OnChangeDistance() {
  UpdateData(TRUE);
  m_distanceOn = !m_distanceText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointDlg::OnAnglePlus90() {
  UpdateData(TRUE);
  StepAngle(m_angleText, m_angleOn, 90.0);
  UpdateData(FALSE);
}

void CPolarPointDlg::OnAngleMinus90() {
  UpdateData(TRUE);
  StepAngle(m_angleText, m_angleOn, -90.0);
  UpdateData(FALSE);
}

// ---- CPolarPointExDlg ----

CPolarPointExDlg::CPolarPointExDlg()
    : CDialog(IDD_POLAR_POINT_EX),
      m_pSite(nullptr),
      m_lastPointUnavailable(0),
      m_lastSegmentAngle(0.0),
      m_angleOn(FALSE),
      m_distanceOn(FALSE),
      m_useBase(-1),
      m_addOn(FALSE) {}

INT_PTR CPolarPointExDlg::DoModal() { return CDialog::DoModal(); }

void CPolarPointExDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_POLAR_BASE, m_baseCombo);
  DDX_Text(pDX, IDC_POLAR_ANGLE, m_angleText);
  DDX_Text(pDX, IDC_POLAR_DISTANCE, m_distanceText);
  DDX_Check(pDX, IDC_POLAR_ANGLE_ON, m_angleOn);
  DDX_Check(pDX, IDC_POLAR_DISTANCE_ON, m_distanceOn);
  DDX_Check(pDX, IDC_POLAR_ADD_ON, m_addOn);
  DDX_Text(pDX, IDC_POLAR_ADD, m_addText);
}

std::span<const DialogCommandEntry> CPolarPointExDlg::GetCommandMap() const {
  using D = CPolarPointExDlg;
  static const std::array map = {
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE, EN_CHANGE, D, OnChangeAngle),
      ON_DIALOG_COMMAND(IDC_POLAR_DISTANCE, EN_CHANGE, D, OnChangeDistance),
      ON_DIALOG_COMMAND(IDC_POLAR_ADD, EN_CHANGE, D, OnChangeAdd),
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_PLUS90, BN_CLICKED, D, OnAnglePlus90),
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_MINUS90, BN_CLICKED, D, OnAngleMinus90),
      ON_DIALOG_COMMAND(IDC_POLAR_ADD_PLUS90, BN_CLICKED, D, OnAddPlus90),
      ON_DIALOG_COMMAND(IDC_POLAR_ADD_MINUS90, BN_CLICKED, D, OnAddMinus90),
      ON_DIALOG_COMMAND(IDC_POLAR_LAST_ANGLE, BN_CLICKED, D, OnLastSegmentAngle),
      ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_ON, BN_CLICKED, D, OnAngleOnClicked),
      ON_DIALOG_COMMAND(IDC_POLAR_BASE, CBN_SELCHANGE, D, OnBaseSelChange),
  };
  return map;
}

BOOL CPolarPointExDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_pSite) return TRUE;
  static const int kIds[] = {IDC_POLAR_ANGLE_ON, IDC_POLAR_DISTANCE_ON, IDC_POLAR_ADD_ON,
                             IDOK,               IDCANCEL,              IDC_POLAR_LAST_ANGLE};
  LocalizeDialog(m_pSite, *this, kIds);

  m_baseCombo.ResetContent();
  if (m_lastPointUnavailable) {
    m_useBase = 1;
    int index = m_baseCombo.AddString(ComboText(m_pSite, "BASEP", kFromUserPoint));
    m_baseCombo.SetItemData(index, kBaseUserPoint);
    m_baseCombo.SetCurSel(0);
  } else {
    // Unsorted, so an item's index is its data.
    int index = m_baseCombo.AddString(ComboText(m_pSite, "LASTP", kFromLastPoint));
    m_baseCombo.SetItemData(index, kBaseLastPoint);
    index = m_baseCombo.AddString(ComboText(m_pSite, "BASEP", kFromUserPoint));
    m_baseCombo.SetItemData(index, kBaseUserPoint);
    m_baseCombo.SetCurSel(m_useBase);
  }
  return TRUE;
}

void CPolarPointExDlg::OnOK() {
  int selection = m_baseCombo.GetCurSel();
  if (selection >= 0) m_useBase = static_cast<int>(m_baseCombo.GetItemData(selection));
  CDialog::OnOK();
}

void CPolarPointExDlg::OnChangeAngle() {
  UpdateData(TRUE);
  m_angleOn = !m_angleText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnChangeDistance() {
  UpdateData(TRUE);
  m_distanceOn = !m_distanceText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnChangeAdd() {
  UpdateData(TRUE);
  m_addOn = !m_addText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnAnglePlus90() {
  UpdateData(TRUE);
  StepAngle(m_angleText, m_angleOn, 90.0);
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnAngleMinus90() {
  UpdateData(TRUE);
  StepAngle(m_angleText, m_angleOn, -90.0);
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnAddPlus90() {
  UpdateData(TRUE);
  StepAngle(m_addText, m_addOn, 90.0);
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnAddMinus90() {
  UpdateData(TRUE);
  StepAngle(m_addText, m_addOn, -90.0);
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnLastSegmentAngle() {
  // The members are not read back first: what the controls show now is overwritten
  // by the members as they were last exchanged.
  m_angleText = CString(FormatG(m_lastSegmentAngle));
  m_angleOn = !m_angleText.IsEmpty();
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnAngleOnClicked() {
  UpdateData(TRUE);
  // An added angle only makes sense with a fixed angle.
  if (!m_angleOn) m_addOn = FALSE;
  UpdateData(FALSE);
}

void CPolarPointExDlg::OnBaseSelChange() {
  int selection = m_baseCombo.GetCurSel();
  if (selection >= 0) m_useBase = static_cast<int>(m_baseCombo.GetItemData(selection));
}
