// The qarnedit module: the script host for the control and the reference host.
#include "control/qarnedit_ctrl.h"
#include "python/py_bindings.h"

PYBIND11_MODULE(qarnedit, m) {
  m.doc() = "Script host for the qarnedit control and its reference host";
  QarneditModuleInit();
  BindDispatch(m);
  BindHost(m);
  BindDesktopAndMemory(m);
  BindControlFunctions(m);
}
