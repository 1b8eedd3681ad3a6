// qarnedit.ReferenceHost: the reference host as scripts drive it.
#include <pybind11/stl.h>

#include "python/py_bindings.h"
#include "refhost/reference_host.h"

namespace {

py::object ArgToPython(const CallArg& arg) {
  if (std::holds_alternative<std::monostate>(arg)) return py::none();
  if (auto* i = std::get_if<int64_t>(&arg)) return py::int_(*i);
  if (auto* d = std::get_if<double>(&arg)) return py::float_(*d);
  return py::str(std::get<std::string>(arg));
}

// host.variables: a live, dict-like view of the host's variables.
struct HostVariables {
  ReferenceHost* host;
};

}  // namespace

void BindHost(py::module_& m) {
  py::class_<HostVariables>(m, "HostVariables")
      .def("__getitem__",
           [](HostVariables& v, const std::string& key) {
             auto it = v.host->variables.find(key);
             if (it == v.host->variables.end()) throw py::key_error(key);
             return it->second;
           })
      .def("__setitem__", [](HostVariables& v, const std::string& key,
                             const std::string& value) { v.host->variables[key] = value; })
      .def("__delitem__",
           [](HostVariables& v, const std::string& key) {
             if (!v.host->variables.erase(key)) throw py::key_error(key);
           })
      .def("__contains__", [](HostVariables& v, const std::string& key) { return v.host->variables.count(key) > 0; })
      .def("__len__", [](HostVariables& v) { return v.host->variables.size(); })
      .def("get",
           [](HostVariables& v, const std::string& key, py::object fallback) -> py::object {
             auto it = v.host->variables.find(key);
             return it == v.host->variables.end() ? fallback : py::str(it->second);
           },
           py::arg("key"), py::arg("default") = py::none())
      .def("items", [](HostVariables& v) { return v.host->variables; })
      .def("__repr__", [](HostVariables& v) { return py::repr(py::cast(v.host->variables)); });

  py::class_<ReferenceHost>(m, "ReferenceHost")
      .def(py::init<int, int>(), py::arg("width") = 640, py::arg("height") = 480)
      .def_property_readonly("dispatch", [](ReferenceHost& h) { return WrapDispatch(h.GetDispatch()); })
      .def_property_readonly("width", &ReferenceHost::Width)
      .def_property_readonly("height", &ReferenceHost::Height)
      .def("press", &ReferenceHost::Press, py::arg("x"), py::arg("y"))
      .def("move", &ReferenceHost::Move, py::arg("x"), py::arg("y"))
      .def("release", &ReferenceHost::Release, py::arg("x"), py::arg("y"))
      .def("right_press", &ReferenceHost::RightPress, py::arg("x"), py::arg("y"))
      .def("set_view", &ReferenceHost::SetView, py::arg("scale"), py::arg("origin_x"), py::arg("origin_y"))
      .def("world_to_screen",
           [](ReferenceHost& h, double x, double y) {
             h.WorldToScreen(x, y);
             return py::make_tuple(x, y);
           })
      .def("screen_to_world",
           [](ReferenceHost& h, double x, double y) {
             h.ScreenToWorld(x, y);
             return py::make_tuple(x, y);
           })
      .def("set_work_plane", &ReferenceHost::SetWorkPlane, py::arg("ax"), py::arg("ay"), py::arg("az"),
           py::arg("ox"), py::arg("oy"), py::arg("oz"))
      .def_property_readonly("variables", [](ReferenceHost& h) { return HostVariables{&h}; },
                             py::keep_alive<0, 1>())
      .def_property(
          "input_state",
          [](ReferenceHost& h) { return py::make_tuple(h.inputState[0], h.inputState[1], h.inputState[2]); },
          [](ReferenceHost& h, std::tuple<int, int, int> v) {
            h.inputState[0] = std::get<0>(v);
            h.inputState[1] = std::get<1>(v);
            h.inputState[2] = std::get<2>(v);
          })
      .def_property(
          "mode_pair", [](ReferenceHost& h) { return py::make_tuple(h.modePair[0], h.modePair[1]); },
          [](ReferenceHost& h, std::tuple<int, int> v) {
            h.modePair[0] = std::get<0>(v);
            h.modePair[1] = std::get<1>(v);
          })
      .def_property(
          "reference_point",
          [](ReferenceHost& h) { return py::make_tuple(h.refOn, h.refPoint[0], h.refPoint[1], h.refPoint[2]); },
          [](ReferenceHost& h, std::tuple<int, double, double, double> v) {
            h.refOn = std::get<0>(v);
            h.refPoint[0] = std::get<1>(v);
            h.refPoint[1] = std::get<2>(v);
            h.refPoint[2] = std::get<3>(v);
          })
      .def_readwrite("engine_handle", &ReferenceHost::engineHandle)
      .def_readwrite("refuse_engine", &ReferenceHost::refuseEngine)
      .def_readwrite("detach_on_replace", &ReferenceHost::detachOnReplace)
      .def_readwrite("detach_on_unregister", &ReferenceHost::detachOnUnregister)
      .def_readwrite("log_calls", &ReferenceHost::logCalls)
      .def_property(
          "file_version", [](ReferenceHost&) { return ReferenceHost::GetFileVersion(); },
          [](ReferenceHost&, std::optional<std::string> v) { ReferenceHost::SetFileVersion(v); })
      .def("drop_pointer_handler", &ReferenceHost::DropPointerHandler)
      .def("drop_overlay_painter", &ReferenceHost::DropOverlayPainter)
      .def_property_readonly("has_pointer_handler", [](ReferenceHost& h) { return h.Handler() != nullptr; })
      .def_property_readonly("has_overlay_painter", [](ReferenceHost& h) { return h.Painter() != nullptr; })
      .def_property_readonly("calls",
                             [](ReferenceHost& h) {
                               py::list out;
                               for (const HostCall& call : h.calls) {
                                 py::tuple args(call.args.size());
                                 for (size_t i = 0; i < call.args.size(); ++i) args[i] = ArgToPython(call.args[i]);
                                 out.append(py::make_tuple(call.name, args));
                               }
                               return out;
                             })
      .def_property_readonly("call_log",
                             [](ReferenceHost& h) {
                               std::vector<std::string> lines;
                               for (const HostCall& call : h.calls) lines.push_back(call.ToString());
                               return lines;
                             })
      .def("clear_calls", [](ReferenceHost& h) { h.calls.clear(); })
      .def_readwrite("entities", &ReferenceHost::entities)
      .def_readonly("repaint_requests", &ReferenceHost::repaintRequests)
      .def("repaint", &ReferenceHost::Repaint)
      .def("save_png", [](ReferenceHost& h, const std::string& path) {
        if (!h.SavePng(path.c_str())) throw py::value_error("cannot write " + path);
      });
}
