// The control module: installs its resources and registers its class factory, as
// loading the module does on Windows.
#include <mutex>

#include "control/qarnedit_ctrl.h"
#include "platform/object_factory.h"
#include "resources/resource_data.h"

namespace {
IUnknown* CreateQarneditCtrl() { return static_cast<IDispatch*>(new CQarneditCtrl()); }
}  // namespace

void QarneditModuleInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    QarnSetModuleResources(&QarneditModuleResources());
    QarnRegisterClass(CLSID_Qarnedit, QARNEDIT_PROGID, &CreateQarneditCtrl);
  });
}
