// The reference host control's IDispatch: the late-bound methods the editor calls.
#include <cctype>
#include "platform/cstring.h"
#include <cstring>
#include <string>

#include "hostlink/host_view.h"
#include "platform/oleauto.h"
#include "refhost/host_script.h"
#include "refhost/ref_dispatch.h"

namespace {

struct HostMember {
  const char* name;
  DISPID dispid;
};

const HostMember kMembers[] = {
    {"GetEngineHandle", HOSTDISPID_GETENGINEHANDLE}, {"SetVariable", HOSTDISPID_SETVARIABLE},
    {"GetVariable", HOSTDISPID_GETVARIABLE},         {"GetWorkPlane", HOSTDISPID_GETWORKPLANE},
    {"ViewToWorld", HOSTDISPID_VIEWTOWORLD},         {"ProjectToView", HOSTDISPID_PROJECTTOVIEW},
};

class OutDouble {
 public:
  OutDouble() = default;
  explicit OutDouble(double* value) : m_value(value) {}
  explicit OutDouble(VARIANT* variant) : m_variant(variant) {}
  void operator=(double x) const {
    if (m_value) *m_value = x;
    if (m_variant) {
      VariantClear(m_variant);
      m_variant->vt = VT_R8;
      m_variant->dblVal = x;
    }
  }

 private:
  double* m_value = nullptr;
  VARIANT* m_variant = nullptr;
};

// Arguments arrive in reverse order; index is the parameter's position.
class Args {
 public:
  Args(DISPPARAMS* params, UINT* argErr) : m_params(params), m_argErr(argErr) {}

  HRESULT Count(UINT expected) const {
    if (!m_params || m_params->cNamedArgs) return m_params ? DISP_E_NONAMEDARGS : DISP_E_BADPARAMCOUNT;
    return m_params->cArgs == expected ? S_OK : DISP_E_BADPARAMCOUNT;
  }
  HRESULT Double(UINT index, double& out) const {
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, Arg(index), 0, VT_R8);
    if (FAILED(hr)) return Fail(index);
    out = converted.dblVal;
    return S_OK;
  }
  HRESULT Text(UINT index, std::string& out) const {
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, Arg(index), 0, VT_BSTR);
    if (FAILED(hr)) return Fail(index);
    out = QarnUtf8FromBstr(converted.bstrVal);
    VariantClear(&converted);
    return S_OK;
  }
  // An out parameter: the editor passes VT_BYREF | VT_R8; a script passes its variable
  // as VT_BYREF | VT_VARIANT, which then holds a double afterwards.
  HRESULT DoubleRef(UINT index, OutDouble& out) const {
    VARIANT* v = &m_params->rgvarg[m_params->cArgs - 1 - index];
    if (v->vt == (VT_BYREF | VT_R8) && v->pdblVal) {
      out = OutDouble(v->pdblVal);
      return S_OK;
    }
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal && !(v->pvarVal->vt & VT_BYREF)) {
      out = OutDouble(v->pvarVal);
      return S_OK;
    }
    return Fail(index);
  }

 private:
  const VARIANT* Arg(UINT index) const { return &m_params->rgvarg[m_params->cArgs - 1 - index]; }
  HRESULT Fail(UINT index) const {
    if (m_argErr) *m_argErr = m_params->cArgs - 1 - index;
    return DISP_E_TYPEMISMATCH;
  }
  DISPPARAMS* m_params;
  UINT* m_argErr;
};

#define QARN_TRY(expr)            \
  do {                            \
    HRESULT hr_ = (expr);         \
    if (FAILED(hr_)) return hr_;  \
  } while (0)

}  // namespace

HRESULT STDMETHODCALLTYPE RefHostDispatch::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RefHostDispatch::AddRef() { return ++m_refs; }

ULONG STDMETHODCALLTYPE RefHostDispatch::Release() {
  ULONG refs = --m_refs;
  if (refs == 0) delete this;
  return refs;
}

HRESULT STDMETHODCALLTYPE RefHostDispatch::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RefHostDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE RefHostDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  std::string name = names[0] ? QarnUtf8FromWide(names[0], QarnWideLength(names[0])) : std::string();
  ids[0] = ScriptMemberId(name);
  for (const HostMember& member : kMembers)
    if (QarnEqualNoCase(name, member.name)) ids[0] = member.dispid;
  HRESULT result = ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT STDMETHODCALLTYPE RefHostDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO*, UINT* argErr) {
  if (!m_host) return E_UNEXPECTED;
  ReferenceHost& host = *m_host;
  bool hostMember = false;
  for (const HostMember& member : kMembers) hostMember = hostMember || member.dispid == id;
  if (!hostMember) return InvokeScriptMember(host, id, flags, params, result, argErr);
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  Args args(params, argErr);
  if (result) VariantInit(result);
  switch (id) {
    case HOSTDISPID_GETENGINEHANDLE: {
      QARN_TRY(args.Count(0));
      host.Log("GetEngineHandle");
      if (result) {
        result->vt = VT_I4;
        result->lVal = host.engineHandle;
      }
      return S_OK;
    }
    case HOSTDISPID_SETVARIABLE: {
      QARN_TRY(args.Count(2));
      std::string name, value;
      QARN_TRY(args.Text(0, name));
      QARN_TRY(args.Text(1, value));
      host.Log("SetVariable", {name, value});
      host.variables[name] = value;
      return S_OK;
    }
    case HOSTDISPID_GETVARIABLE: {
      QARN_TRY(args.Count(1));
      std::string name;
      QARN_TRY(args.Text(0, name));
      host.Log("GetVariable", {name});
      auto it = host.variables.find(name);
      if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = QarnBstrFromUtf8(it == host.variables.end() ? std::string() : it->second);
      }
      return S_OK;
    }
    case HOSTDISPID_GETWORKPLANE: {
      QARN_TRY(args.Count(6));
      OutDouble out[6];
      for (UINT i = 0; i < 6; ++i) QARN_TRY(args.DoubleRef(i, out[i]));
      host.Log("GetWorkPlane");
      for (int i = 0; i < 6; ++i) out[i] = host.Plane()[i];
      return S_OK;
    }
    case HOSTDISPID_VIEWTOWORLD: {
      QARN_TRY(args.Count(5));
      double x = 0, y = 0;
      OutDouble X, Y, Z;
      QARN_TRY(args.Double(0, x));
      QARN_TRY(args.Double(1, y));
      QARN_TRY(args.DoubleRef(2, X));
      QARN_TRY(args.DoubleRef(3, Y));
      QARN_TRY(args.DoubleRef(4, Z));
      host.Log("ViewToWorld", {x, y});
      // The 2D side is the view plane's world coordinates (what ScreenToWorld gives).
      double z = 0;
      host.PlaneToWorld3D(x, y, z);
      X = x;
      Y = y;
      Z = z;
      if (result) {
        result->vt = VT_I4;
        result->lVal = 1;
      }
      return S_OK;
    }
    case HOSTDISPID_PROJECTTOVIEW: {
      QARN_TRY(args.Count(5));
      double X = 0, Y = 0, Z = 0;
      OutDouble x, y;
      QARN_TRY(args.Double(0, X));
      QARN_TRY(args.Double(1, Y));
      QARN_TRY(args.Double(2, Z));
      QARN_TRY(args.DoubleRef(3, x));
      QARN_TRY(args.DoubleRef(4, y));
      host.Log("ProjectToView", {X, Y, Z});
      host.World3DToPlane(X, Y, Z);  // back to the view plane's world coordinates
      x = X;
      y = Y;
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}
