// The control module: installs its resources and registers its class factory, as
// loading the module does on Windows.
#include <mutex>

#include "control/qarnedit_ctrl.h"
#include "platform/object_factory.h"
#if !defined(_WIN32)
#include "resources/resource_data.h"
#endif

namespace {
IUnknown* CreateQarneditCtrl() { return static_cast<IDispatch*>(new CQarneditCtrl()); }
}  // namespace

void QarneditModuleInit() {
  static std::once_flag once;
  std::call_once(once, [] {
#if !defined(_WIN32)
    // On Windows the resources are the module's own, found through its instance handle.
    QarnSetModuleResources(&QarneditModuleResources());
#endif
    QarnRegisterClass(CLSID_Qarnedit, QARNEDIT_PROGID, &CreateQarneditCtrl);
  });
}
