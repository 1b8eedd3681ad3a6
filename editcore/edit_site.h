// EditSite: what the editor needs from whoever hosts it (the control, or a test's fake).
// The editor keeps a non-owning pointer to it; the site outlives the editor.
#pragma once

#include "platform/cstring.h"
#include "platform/dispatch_driver.h"
#include "platform/menu.h"
#include "platform/win_types.h"

class EditSite {
 public:
  // The host view control's dispatch (not referenced by the site); null when none is set.
  virtual LPDISPATCH HostDispatch() const = 0;

  // Settings the container made, read when the editor needs them.
  virtual bool Is3D() const = 0;
  virtual short NoSnapKey() const = 0;
  virtual short NoPolarKey() const = 0;
  virtual short FillStyle() const = 0;
  virtual COLORREF OverlayColor() = 0;  // the pen colour, with system colours resolved
  virtual const CString& PolylineMeasureFormat() const = 0;
  virtual const CString& PolygonMeasureFormat() const = 0;
  virtual const CString& StringFile() const = 0;  // empty: the built-in texts

  // What the editor tells the container. Each may run container code that re-enters.
  virtual void SetCaption(const CString& caption) = 0;
  virtual void EditEnded(bool saved) = 0;
  // The container may move the snapped point.
  virtual void Snap(double& x, double& y) = 0;

  // Texts in the user's language.
  virtual CString LocalizedString(UINT id) = 0;
  virtual void LocalizeMenu(const CString& title, CMenu* pPopup) = 0;

  // Keeps the site alive while the editor runs code that can release it.
  virtual void HoldAlive() = 0;
  virtual void LetGo() = 0;

 protected:
  ~EditSite() = default;
};
