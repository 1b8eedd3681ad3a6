#include "hostlink/host_view.h"

LONG HostView::GetEngineHandle() {
  LONG handle = 0;
  InvokeHelper(HOSTDISPID_GETENGINEHANDLE, DISPATCH_METHOD, VT_I4, &handle, VTS_NONE);
  return handle;
}

void HostView::SetVariable(LPCSTR name, LPCSTR value) {
  static const BYTE params[] = VTS_BSTR VTS_BSTR;
  InvokeHelper(HOSTDISPID_SETVARIABLE, DISPATCH_METHOD, VT_EMPTY, nullptr, params, name, value);
}

CString HostView::GetVariable(LPCSTR name) {
  static const BYTE params[] = VTS_BSTR;
  CString result;
  InvokeHelper(HOSTDISPID_GETVARIABLE, DISPATCH_METHOD, VT_BSTR, &result, params, name);
  return result;
}

void HostView::GetWorkPlane(double* ax, double* ay, double* az, double* ox, double* oy, double* oz) {
  static const BYTE params[] = VTS_PR8 VTS_PR8 VTS_PR8 VTS_PR8 VTS_PR8 VTS_PR8;
  InvokeHelper(HOSTDISPID_GETWORKPLANE, DISPATCH_METHOD, VT_EMPTY, nullptr, params, ax, ay, az, ox, oy, oz);
}

LONG HostView::ViewToWorld(double x, double y, double* X, double* Y, double* Z) {
  static const BYTE params[] = VTS_R8 VTS_R8 VTS_PR8 VTS_PR8 VTS_PR8;
  LONG result = 0;
  InvokeHelper(HOSTDISPID_VIEWTOWORLD, DISPATCH_METHOD, VT_I4, &result, params, x, y, X, Y, Z);
  return result;
}

void HostView::ProjectToView(double X, double Y, double Z, double* x, double* y) {
  static const BYTE params[] = VTS_R8 VTS_R8 VTS_R8 VTS_PR8 VTS_PR8;
  InvokeHelper(HOSTDISPID_PROJECTTOVIEW, DISPATCH_METHOD, VT_EMPTY, nullptr, params, X, Y, Z, x, y);
}
