// The "Get Polar Point" dialogs: they collect the angle and distance of the next
// vertex as text and check-box states. The caller presets the members before
// DoModal and reads them after IDOK; nothing is validated here.
#pragma once

#include <span>

#include "platform/afx_dialog.h"
#include "platform/cstring.h"

class EditSite;

// For points: angle and distance from the last vertex.
class CPolarPointDlg : public CDialog {
 public:
  CPolarPointDlg();

  EditSite* m_pSite;      // its string file localises the texts; null keeps the template's
  CString m_angleText;     // degrees
  CString m_distanceText;  // world units
  BOOL m_angleOn;
  BOOL m_distanceOn;

  INT_PTR DoModal() override;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  std::span<const DialogCommandEntry> GetCommandMap() const override;

 private:
  void OnChangeAngle();
  void OnChangeDistance();
  void OnAnglePlus90();
  void OnAngleMinus90();
};

// For polylines and polygons: also the base the angle is measured from and an angle
// added after every vertex.
class CPolarPointExDlg : public CDialog {
 public:
  CPolarPointExDlg();

  EditSite* m_pSite;
  int m_lastPointUnavailable;  // the ring has no vertex: only "From user point" is offered
  double m_lastSegmentAngle;   // degrees, for "Get last segment angle"
  CComboBox m_baseCombo;
  CString m_angleText;
  CString m_distanceText;
  BOOL m_angleOn;
  BOOL m_distanceOn;
  int m_useBase;  // 0 from the last point, 1 from a user point; -1 until chosen
  BOOL m_addOn;
  CString m_addText;  // degrees added after each vertex

  INT_PTR DoModal() override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;
  std::span<const DialogCommandEntry> GetCommandMap() const override;

 private:
  void OnChangeAngle();
  void OnChangeDistance();
  void OnChangeAdd();
  void OnAnglePlus90();
  void OnAngleMinus90();
  void OnAddPlus90();
  void OnAddMinus90();
  void OnLastSegmentAngle();
  void OnAngleOnClicked();
  void OnBaseSelChange();
};
