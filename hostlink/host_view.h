// HostView: late-bound calls to the host view control through its IDispatch.
#pragma once

#include "platform/cstring.h"
#include "platform/dispatch_driver.h"

enum HostDispid : DISPID {
  HOSTDISPID_GETENGINEHANDLE = 164,
  HOSTDISPID_SETVARIABLE = 178,
  HOSTDISPID_GETWORKPLANE = 196,
  HOSTDISPID_VIEWTOWORLD = 197,
  HOSTDISPID_PROJECTTOVIEW = 234,
  HOSTDISPID_GETVARIABLE = 269,
};

class HostView : public COleDispatchDriver {
 public:
  // The editor never owns the host: no reference is taken and none released.
  explicit HostView(IDispatch* pHost) : COleDispatchDriver(pHost, FALSE) {}
  ~HostView() { DetachDispatch(); }
  HostView(const HostView&) = delete;
  HostView& operator=(const HostView&) = delete;

  LONG GetEngineHandle();
  void SetVariable(LPCSTR name, LPCSTR value);
  CString GetVariable(LPCSTR name);
  void GetWorkPlane(double* ax, double* ay, double* az, double* ox, double* oy, double* oz);
  LONG ViewToWorld(double x, double y, double* X, double* Y, double* Z);
  void ProjectToView(double X, double Y, double Z, double* x, double* y);
};
