// qarnedit.Dispatch: late-bound calls on any IDispatch, by name or by DISPID, and the
// event sinks that forward a control's events to a Python object.
#include <pybind11/stl.h>

#include <climits>
#include <string>
#include <vector>

#include "control/qarnedit_guids.h"
#include "platform/afx_control.h"
#include "platform/connection_point.h"
#include "platform/oleauto.h"
#include "python/py_bindings.h"

namespace {

class PyDispatch {
 public:
  explicit PyDispatch(IDispatch* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  ~PyDispatch() {
    if (m_p) m_p->Release();
  }
  PyDispatch(const PyDispatch&) = delete;
  PyDispatch& operator=(const PyDispatch&) = delete;
  IDispatch* Get() const { return m_p; }
  // Python objects a property put handed to the object, kept alive with this wrapper:
  // the control stores the host without a reference of its own.
  std::vector<py::object> keep;

 private:
  IDispatch* m_p;
};

QarnWideString Wide(const std::string& s) { return QarnWideFromUtf8(s); }

void ToVariant(const py::handle& value, VARIANT& out) {
  VariantInit(&out);
  if (value.is_none()) return;
  if (py::isinstance<py::bool_>(value)) {
    out.vt = VT_BOOL;
    out.boolVal = value.cast<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (py::isinstance<py::int_>(value)) {
    long long v = 0;
    try {
      v = value.cast<long long>();
    } catch (const py::cast_error&) {
      throw py::type_error("integer out of range");
    }
    if (v >= INT32_MIN && v <= INT32_MAX) {
      out.vt = VT_I4;
      out.lVal = static_cast<LONG>(v);
    } else if (v > INT32_MAX && v <= static_cast<long long>(UINT32_MAX)) {
      // Colours such as 0x80000005 travel as the long with the same bits.
      out.vt = VT_I4;
      out.lVal = static_cast<LONG>(static_cast<uint32_t>(v));
    } else {
      out.vt = VT_R8;
      out.dblVal = static_cast<double>(v);
    }
  } else if (py::isinstance<py::float_>(value)) {
    out.vt = VT_R8;
    out.dblVal = value.cast<double>();
  } else if (py::isinstance<py::str>(value)) {
    out.vt = VT_BSTR;
    out.bstrVal = QarnBstrFromUtf8(value.cast<std::string>());
  } else if (IDispatch* p = UnwrapDispatch(value)) {
    out.vt = VT_DISPATCH;
    out.pdispVal = p;
    p->AddRef();
  } else {
    throw py::type_error("cannot pass a " + std::string(py::str(value.get_type().attr("__name__"))) +
                         " to an automation object");
  }
}

py::object FromVariant(const VARIANT& v) {
  VARTYPE vt = v.vt;
  const VARIANT* src = &v;
  VARIANT deref;
  if (vt & VT_BYREF) {
    VariantInit(&deref);
    if (FAILED(VariantCopyInd(&deref, &v))) return py::none();
    src = &deref;
    vt = deref.vt;
  }
  py::object result = py::none();
  switch (vt) {
    case VT_BOOL: result = py::bool_(src->boolVal != 0); break;
    case VT_I1: result = py::int_(static_cast<int>(src->cVal)); break;
    case VT_UI1: result = py::int_(src->bVal); break;
    case VT_I2: result = py::int_(src->iVal); break;
    case VT_UI2: result = py::int_(src->uiVal); break;
    case VT_I4: result = py::int_(src->lVal); break;
    case VT_UI4: result = py::int_(src->ulVal); break;
    case VT_INT: result = py::int_(src->intVal); break;
    case VT_UINT: result = py::int_(src->uintVal); break;
    case VT_I8: result = py::int_(src->llVal); break;
    case VT_R4: result = py::float_(src->fltVal); break;
    case VT_R8: result = py::float_(src->dblVal); break;
    case VT_CY: result = py::float_(static_cast<double>(src->llVal) / 10000.0); break;
    case VT_BSTR: result = py::str(QarnUtf8FromBstr(src->bstrVal)); break;
    case VT_DISPATCH: result = src->pdispVal ? WrapDispatch(src->pdispVal) : py::none(); break;
    default: break;
  }
  if (src == &deref) VariantClear(&deref);
  return result;
}

[[noreturn]] void RaiseFor(HRESULT hr, const std::string& name, UINT argErr, UINT argCount) {
  std::string where = name;
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      throw py::attribute_error(where + ": no such member");
    case DISP_E_BADPARAMCOUNT:
      throw py::type_error(where + ": wrong number of arguments");
    case DISP_E_TYPEMISMATCH:
    case DISP_E_OVERFLOW:
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_NONAMEDARGS:
    case DISP_E_BADVARTYPE: {
      std::string which = argErr < argCount ? " (argument " + std::to_string(argCount - argErr) + ")" : "";
      throw py::type_error(where + ": argument of the wrong type or out of range" + which);
    }
    default: {
      char code[16];
      std::snprintf(code, sizeof(code), "%08X", static_cast<unsigned>(hr));
      throw std::runtime_error(where + ": call failed with 0x" + code);
    }
  }
}

DISPID LookUp(IDispatch* p, const std::string& name) {
  QarnWideString wide = Wide(name);
  LPOLESTR names[1] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw py::attribute_error(name);
  return id;
}

py::object Call(IDispatch* p, DISPID id, WORD flags, const py::args& args, const std::string& name) {
  std::vector<VARIANT> vars(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    try {
      ToVariant(args[i], vars[args.size() - 1 - i]);  // reversed, as COM passes them
    } catch (const py::type_error& err) {
      for (VARIANT& v : vars) VariantClear(&v);
      throw py::type_error(name + ": " + err.what());
    }
  }
  DISPPARAMS params{vars.data(), nullptr, static_cast<UINT>(vars.size()), 0};
  VARIANT result;
  VariantInit(&result);
  UINT argErr = UINT_MAX;
  HRESULT hr = p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, &argErr);
  for (VARIANT& v : vars) VariantClear(&v);
  if (FAILED(hr)) RaiseFor(hr, name, argErr, static_cast<UINT>(vars.size()));
  py::object out = FromVariant(result);
  VariantClear(&result);
  return out;
}

// Whether the object describes the member as a property without put.
bool IsReadOnlyProperty(IDispatch* p, DISPID id) {
  IQarnMemberInfo* info = nullptr;
  if (FAILED(p->QueryInterface(IID_IQarnMemberInfo, reinterpret_cast<void**>(&info))) || !info) return false;
  QARN_MEMBERINFO member{};
  bool readOnly = false;
  if (SUCCEEDED(info->GetMemberInfoOfDispID(id, &member))) {
    readOnly = member.kind == QARN_MEMBER_PROPERTY && member.bReadOnly;
    SysFreeString(member.bstrName);
  }
  info->Release();
  return readOnly;
}

void Put(IDispatch* p, DISPID id, const py::handle& value, const std::string& name) {
  VARIANT arg;
  try {
    ToVariant(value, arg);
  } catch (const py::type_error& err) {
    throw py::type_error(name + ": " + err.what());
  }
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  WORD flags = arg.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  UINT argErr = UINT_MAX;
  EXCEPINFO error{};
  HRESULT hr = p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, &error, &argErr);
  if (hr == DISP_E_MEMBERNOTFOUND && flags == DISPATCH_PROPERTYPUTREF)
    hr = p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &error, &argErr);
  VariantClear(&arg);
  if (hr == DISP_E_EXCEPTION) {
    // The member refused the value itself; its own words say why.
    std::string why = error.bstrDescription ? QarnUtf8FromBstr(error.bstrDescription) : std::string();
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrHelpFile);
    throw py::value_error(name + ": " + (why.empty() ? std::string("value refused") : why));
  }
  if (hr == DISP_E_MEMBERNOTFOUND && IsReadOnlyProperty(p, id))
    throw py::attribute_error(name + ": read-only property");
  if (FAILED(hr)) RaiseFor(hr, name, argErr, 1);
}

// Whether a member is a property, as far as the object tells (methods otherwise).
bool IsProperty(IDispatch* p, DISPID id) {
  IQarnMemberInfo* info = nullptr;
  if (FAILED(p->QueryInterface(IID_IQarnMemberInfo, reinterpret_cast<void**>(&info))) || !info) return false;
  QARN_MEMBERINFO member{};
  bool property = false;
  if (SUCCEEDED(info->GetMemberInfoOfDispID(id, &member))) {
    property = member.kind == QARN_MEMBER_PROPERTY;
    SysFreeString(member.bstrName);
  }
  info->Release();
  return property;
}

// Forwards a control's events to the methods of the same name of a Python object.
class PySink final : public IDispatch {
 public:
  PySink(py::object target, IDispatch* control) : m_target(std::move(target)) {
    IQarnMemberInfo* info = nullptr;
    if (SUCCEEDED(control->QueryInterface(IID_IQarnMemberInfo, reinterpret_cast<void**>(&info))) && info) {
      UINT count = 0;
      info->GetEventCount(&count);
      for (UINT i = 0; i < count; ++i) {
        QARN_MEMBERINFO member{};
        if (FAILED(info->GetEventInfo(i, &member))) continue;
        m_events.push_back({member.dispid, QarnUtf8FromBstr(member.bstrName)});
        SysFreeString(member.bstrName);
      }
      info->Release();
    }
  }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_DQarneditEvents) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG refs = --m_refs;
    if (refs == 0) {
      py::gil_scoped_acquire gil;
      delete this;
    }
    return refs;
  }
  HRESULT GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    py::gil_scoped_acquire gil;
    const std::string* name = nullptr;
    for (const auto& event : m_events)
      if (event.first == id) name = &event.second;
    if (!name || !params) return DISP_E_MEMBERNOTFOUND;
    if (!py::hasattr(m_target, name->c_str())) return S_OK;  // the sink does not handle this event
    py::tuple args(params->cArgs);
    for (UINT i = 0; i < params->cArgs; ++i) args[i] = FromVariant(params->rgvarg[params->cArgs - 1 - i]);
    try {
      py::object answer = m_target.attr(name->c_str())(*args);
      // A handler may give new values for the by-reference arguments (Snap: x, y).
      if (py::isinstance<py::tuple>(answer) || py::isinstance<py::list>(answer)) {
        py::sequence values = answer;
        for (UINT i = 0; i < params->cArgs && i < values.size(); ++i) {
          VARIANT& arg = params->rgvarg[params->cArgs - 1 - i];
          if (arg.vt == (VT_BYREF | VT_R8) && arg.pdblVal) *arg.pdblVal = values[i].cast<double>();
        }
      }
    } catch (py::error_already_set& err) {
      err.discard_as_unraisable(name->c_str());
      return DISP_E_EXCEPTION;
    } catch (const py::cast_error&) {
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  }

 private:
  ~PySink() = default;
  py::object m_target;
  std::vector<std::pair<DISPID, std::string>> m_events;
  ULONG m_refs = 1;
};

IConnectionPoint* EventPoint(IDispatch* control) {
  IConnectionPointContainer* container = nullptr;
  if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
      !container)
    throw py::type_error("the object fires no events");
  IConnectionPoint* point = nullptr;
  HRESULT hr = container->FindConnectionPoint(IID_DQarneditEvents, &point);
  container->Release();
  if (FAILED(hr) || !point) throw py::type_error("the object fires no events");
  return point;
}

}  // namespace

py::object WrapDispatch(IDispatch* pDispatch) {
  if (!pDispatch) return py::none();
  return py::cast(std::make_unique<PyDispatch>(pDispatch));
}

IDispatch* UnwrapDispatch(const py::handle& object) {
  if (!py::isinstance<PyDispatch>(object)) return nullptr;
  return object.cast<PyDispatch&>().Get();
}

void BindDispatch(py::module_& m) {
  py::class_<PyDispatch>(m, "Dispatch")
      .def("__getattr__",
           [](PyDispatch& self, const std::string& name) -> py::object {
             if (name.rfind("__", 0) == 0) throw py::attribute_error(name);
             IDispatch* p = self.Get();
             DISPID id = LookUp(p, name);
             if (IsProperty(p, id)) return Call(p, id, DISPATCH_PROPERTYGET, py::args(), name);
             py::object owner = py::cast(&self, py::return_value_policy::reference);
             return py::cpp_function([owner, p, id, name](py::args args) {
               (void)owner;  // keeps the wrapper (and its reference) alive with the method
               return Call(p, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, name);
             });
           })
      .def("__setattr__",
           [](py::object selfObject, const std::string& name, py::object value) {
             PyDispatch& self = selfObject.cast<PyDispatch&>();
             DISPID id = LookUp(self.Get(), name);
             Put(self.Get(), id, value, name);
             if (UnwrapDispatch(value)) self.keep.push_back(value);
           })
      .def("dispid", [](PyDispatch& self, const std::string& name) { return LookUp(self.Get(), name); })
      .def("invoke",
           [](PyDispatch& self, DISPID id, py::args args) {
             return Call(self.Get(), id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, "DISPID " + std::to_string(id));
           })
      .def("__eq__",
           [](PyDispatch& self, py::object other) {
             IDispatch* o = UnwrapDispatch(other);
             if (!o) return false;
             IUnknown *a = nullptr, *b = nullptr;
             self.Get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
             o->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
             bool same = a && a == b;
             if (a) a->Release();
             if (b) b->Release();
             return same;
           })
      .def("__hash__", [](PyDispatch& self) {
        IUnknown* a = nullptr;
        self.Get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
        if (a) a->Release();
        return reinterpret_cast<uintptr_t>(a);
      });

  m.def("Advise", [](py::object control, py::object sink) {
    IDispatch* p = UnwrapDispatch(control);
    if (!p) throw py::type_error("Advise: not an automation object");
    IConnectionPoint* point = EventPoint(p);
    PySink* forwarder = new PySink(sink, p);
    DWORD cookie = 0;
    HRESULT hr = point->Advise(static_cast<IDispatch*>(forwarder), &cookie);
    forwarder->Release();
    point->Release();
    if (FAILED(hr)) throw py::value_error("Advise: the control refused the sink");
    return cookie;
  });
  m.def("Unadvise", [](py::object control, DWORD cookie) {
    IDispatch* p = UnwrapDispatch(control);
    if (!p) throw py::type_error("Unadvise: not an automation object");
    IConnectionPoint* point = EventPoint(p);
    HRESULT hr = point->Unadvise(cookie);
    point->Release();
    if (FAILED(hr)) throw py::value_error("Unadvise: no such connection");
  });
}
