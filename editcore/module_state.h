// The control module's state for the duration of a call that arrives from outside
// (the host's callbacks): its resources are the ones looked up by id.
#pragma once

#include "platform/resources_api.h"

#if defined(_WIN32)
// The module's instance handle is set once when the module loads; nothing to switch.
class ModuleStateScope {
 public:
  ModuleStateScope() {}
  ~ModuleStateScope() {}
  ModuleStateScope(const ModuleStateScope&) = delete;
  ModuleStateScope& operator=(const ModuleStateScope&) = delete;
};
#else
#include "resources/resource_data.h"

class ModuleStateScope {
 public:
  ModuleStateScope() : m_previous(QarnGetModuleResources()) { QarnSetModuleResources(&QarneditModuleResources()); }
  ~ModuleStateScope() { QarnSetModuleResources(m_previous); }
  ModuleStateScope(const ModuleStateScope&) = delete;
  ModuleStateScope& operator=(const ModuleStateScope&) = delete;

 private:
  const ModuleResources* m_previous;
};
#endif
