// qarnedit.desktop and qarnedit.memory: the scripted desktop and the record memory.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include "platform/desktop.h"
#include "platform/menu.h"
#include "platform/record_memory.h"
#include "python/py_bindings.h"

namespace {

struct DesktopView {};
struct MemoryView {};

// What on_menu receives: the popup as the user sees it.
struct PopupForScript {
  std::string title;
  std::vector<std::tuple<UINT, std::string, bool>> items;
};

// What on_dialog receives: the running dialog, usable only during the call.
struct DialogForScript {
  DialogView* view;
  DialogView& Live() const {
    if (!view) throw py::value_error("the dialog is no longer shown");
    return *view;
  }
};

py::object g_onMenu;
py::object g_onDialog;

}  // namespace

void BindDesktopAndMemory(py::module_& m) {
  py::class_<PopupForScript>(m, "Popup")
      .def_readonly("title", &PopupForScript::title)
      .def_readonly("items", &PopupForScript::items);

  py::class_<DialogForScript>(m, "Dialog")
      .def_property_readonly("title", [](const DialogForScript& d) { return d.Live().Title().str(); })
      .def_property_readonly("controls",
                             [](const DialogForScript& d) {
                               py::list out;
                               for (const DialogView::Control& c : d.Live().Controls())
                                 out.append(py::make_tuple(c.id, c.className.str(), c.text.str()));
                               return out;
                             })
      .def("text", [](const DialogForScript& d, int id) { return d.Live().Text(id).str(); })
      .def("set_text", [](const DialogForScript& d, int id, const std::string& text) {
        d.Live().SetText(id, CString(text));
      })
      .def("checked", [](const DialogForScript& d, int id) { return d.Live().Checked(id); })
      .def("click", [](const DialogForScript& d, int id) { d.Live().Click(id); })
      .def("combo_items",
           [](const DialogForScript& d, int id) {
             std::vector<std::string> items;
             for (const CString& item : d.Live().ComboItems(id)) items.push_back(item.str());
             return items;
           })
      .def("select", [](const DialogForScript& d, int id, int index) { d.Live().Select(id, index); })
      .def("ok", [](const DialogForScript& d) { d.Live().Ok(); })
      .def("cancel", [](const DialogForScript& d) { d.Live().Cancel(); });

  py::class_<DesktopView>(m, "Desktop")
      .def_property(
          "on_menu", [](DesktopView&) { return g_onMenu ? g_onMenu : py::none(); },
          [](DesktopView&, py::object fn) {
            g_onMenu = fn;
            if (fn.is_none()) {
              QarnDesktop().onMenu = nullptr;
              return;
            }
            QarnDesktop().onMenu = [](HMENU popup, int, int) -> UINT {
              PopupView view = QarnDescribePopup(popup);
              PopupForScript script{view.title.str(), {}};
              for (const MenuItemView& item : view.items) script.items.emplace_back(item.id, item.text.str(), item.grayed);
              // A failing script is reported and dismisses the menu: the error must not
              // unwind through the editor, which is in the middle of a host callback.
              try {
                py::object answer = g_onMenu(script);
                return answer.is_none() ? 0u : answer.cast<UINT>();
              } catch (py::error_already_set& err) {
                err.discard_as_unraisable("qarnedit.desktop.on_menu");
              } catch (const std::exception& err) {
                PyErr_WarnEx(PyExc_RuntimeWarning, err.what(), 1);
              }
              return 0u;
            };
          })
      .def_property(
          "on_dialog", [](DesktopView&) { return g_onDialog ? g_onDialog : py::none(); },
          [](DesktopView&, py::object fn) {
            g_onDialog = fn;
            if (fn.is_none()) {
              QarnDesktop().onDialog = nullptr;
              return;
            }
            QarnDesktop().onDialog = [](DialogView& view) {
              py::object script = py::cast(DialogForScript{&view});
              struct Expire {
                py::object& script;
                ~Expire() { script.cast<DialogForScript&>().view = nullptr; }
              } expire{script};
              // A failing script is reported; the dialog it leaves open is cancelled.
              try {
                g_onDialog(script);
              } catch (py::error_already_set& err) {
                err.discard_as_unraisable("qarnedit.desktop.on_dialog");
              }
            };
          })
      .def_property_readonly("message_boxes",
                             [](DesktopView&) {
                               py::list out;
                               for (const MessageBoxRecord& box : QarnDesktop().messageBoxes)
                                 out.append(py::make_tuple(box.text.str(), box.caption.str(), box.flags));
                               return out;
                             })
      .def("clear_message_boxes", [](DesktopView&) { QarnDesktop().messageBoxes.clear(); })
      .def_property(
          "keys_down", [](DesktopView&) { return QarnDesktop().keysDown; },
          [](DesktopView&, std::set<int> keys) { QarnDesktop().keysDown = std::move(keys); })
      .def("reset", [](DesktopView&) {
        g_onMenu = py::object();
        g_onDialog = py::object();
        QarnDesktop().Reset();
      });
  m.attr("desktop") = py::cast(DesktopView{});

  py::class_<MemoryView>(m, "RecordMemory")
      .def("read",
           [](MemoryView&, uint32_t addr, size_t n) {
             std::string bytes(n, '\0');
             if (!QarnRecordMemory().Read(addr, bytes.data(), n))
               throw py::value_error("record memory: " + std::to_string(n) + " bytes at " + std::to_string(addr) +
                                     " are not readable");
             return py::bytes(bytes);
           })
      .def("alloc",
           [](MemoryView&, const py::bytes& data) {
             std::string bytes = data;
             uint32_t addr = QarnRecordMemory().Alloc(bytes.size());
             if (!addr) throw py::value_error("record memory: cannot allocate");
             QarnRecordMemory().Write(addr, bytes.data(), bytes.size());
             return addr;
           })
      .def("free", [](MemoryView&, uint32_t addr) { return QarnRecordMemory().Free(addr); })
      .def("is_live", [](MemoryView&, uint32_t addr) { return QarnRecordMemory().IsLive(addr); })
      .def_property_readonly("live_blocks", [](MemoryView&) { return QarnRecordMemory().LiveBlockCount(); });
  m.attr("memory") = py::cast(MemoryView{});

  // Dropping the script's callbacks before the interpreter goes away.
  auto atexit = py::module_::import("atexit");
  atexit.attr("register")(py::cpp_function([] {
    g_onMenu = py::object();
    QarnDesktop().onMenu = nullptr;
    g_onDialog = py::object();
    QarnDesktop().onDialog = nullptr;
  }));
}
