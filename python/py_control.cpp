// The container's side of the control: creation by ProgID, persistence, drawing.
#include <pybind11/stl.h>

#include "control/qarnedit_ctrl.h"
#include "platform/afx_dc.h"
#include "platform/gdi.h"
#include "platform/object_factory.h"
#include "platform/oleauto.h"
#include "python/py_bindings.h"

namespace {

COleControl* ControlOf(const py::handle& object, const char* what) {
  IDispatch* p = UnwrapDispatch(object);
  COleControl* control = p ? dynamic_cast<COleControl*>(p) : nullptr;
  if (!control) throw py::type_error(std::string(what) + ": not a control");
  return control;
}

py::object ValueOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_BOOL: return py::bool_(v.boolVal != 0);
    case VT_I2: return py::int_(v.iVal);
    case VT_I4: return py::int_(v.lVal);
    case VT_UI4: return py::int_(v.ulVal);
    case VT_R4: return py::float_(v.fltVal);
    case VT_R8: return py::float_(v.dblVal);
    case VT_CY: return py::float_(static_cast<double>(v.llVal) / 10000.0);
    case VT_BSTR: return py::str(QarnUtf8FromBstr(v.bstrVal));
    case VT_DISPATCH: return WrapDispatch(v.pdispVal);
    default: return py::none();
  }
}

}  // namespace

void BindControlFunctions(py::module_& m) {
  m.def("CreateObject", [](const std::string& progId) {
    QarneditModuleInit();
    IDispatch* p = nullptr;
    HRESULT hr = QarnCreateObjectByProgID(progId.c_str(), &p);
    if (FAILED(hr) || !p) throw py::value_error("CreateObject: no class is registered as " + progId);
    py::object wrapped = WrapDispatch(p);
    p->Release();  // the wrapper holds its own reference
    return wrapped;
  });

  m.def("SaveStream", [](py::object ctl) {
    std::vector<BYTE> data;
    if (FAILED(QarnSaveToStream(ControlOf(ctl, "SaveStream"), data)))
      throw py::value_error("SaveStream: the control could not be saved");
    return py::bytes(reinterpret_cast<const char*>(data.data()), data.size());
  });

  m.def("LoadStream", [](py::object ctl, const py::bytes& data) {
    std::string bytes = data;
    HRESULT hr =
        QarnLoadFromStream(ControlOf(ctl, "LoadStream"), reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
    if (FAILED(hr)) throw py::value_error("LoadStream: malformed property stream; nothing was changed");
  });

  m.def("SaveBag", [](py::object ctl) {
    CQarnPropertyBag bag;
    if (FAILED(QarnSaveToBag(ControlOf(ctl, "SaveBag"), bag)))
      throw py::value_error("SaveBag: the control could not be saved");
    py::dict out;
    for (size_t i = 0; i < bag.GetCount(); ++i) out[py::str(bag.GetName(i).str())] = ValueOf(bag.GetValue(i));
    return out;
  });

  m.def("LoadBag", [](py::object ctl, py::dict values) {
    CQarnPropertyBag bag;
    for (auto [key, value] : values) {
      VARIANT v;
      VariantInit(&v);
      if (py::isinstance<py::bool_>(value)) {
        v.vt = VT_BOOL;
        v.boolVal = value.cast<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
      } else if (py::isinstance<py::int_>(value)) {
        long long n = value.cast<long long>();
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(static_cast<uint32_t>(n));
        if (n < INT32_MIN || n > static_cast<long long>(UINT32_MAX)) {
          v.vt = VT_R8;
          v.dblVal = static_cast<double>(n);
        }
      } else if (py::isinstance<py::float_>(value)) {
        v.vt = VT_R8;
        v.dblVal = value.cast<double>();
      } else if (py::isinstance<py::str>(value)) {
        v.vt = VT_BSTR;
        v.bstrVal = QarnBstrFromUtf8(value.cast<std::string>());
      } else if (IDispatch* p = UnwrapDispatch(value)) {
        v.vt = VT_DISPATCH;
        v.pdispVal = p;
        p->AddRef();
      }
      bag.Write(py::str(key).cast<std::string>().c_str(), &v);
      VariantClear(&v);
    }
    if (FAILED(QarnLoadFromBag(ControlOf(ctl, "LoadBag"), bag)))
      throw py::value_error("LoadBag: the bag could not be loaded");
  });

  m.def("DrawControl", [](py::object ctl, int width, int height, const std::string& path) {
    COleControl* control = ControlOf(ctl, "DrawControl");
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192)
      throw py::value_error("DrawControl: the size must be 1 to 8192 pixels each way");
    HDC hdc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(hdc, bitmap);
    bool ok = false;
    {
      CDC dc;
      dc.Attach(hdc);
      CRect bounds(0, 0, width, height);
      control->OnDraw(&dc, bounds, bounds);
      dc.Detach();
      ok = QarnSaveDCAsPng(hdc, path.c_str()) != FALSE;
    }
    SelectObject(hdc, old);
    DeleteObject(bitmap);
    DeleteDC(hdc);
    if (!ok) throw py::value_error("DrawControl: cannot write " + path);
  });
}
