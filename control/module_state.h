// The control module's state for the duration of a call that arrives from outside
// (the host's callbacks): its resources are the ones looked up by id.
#pragma once

#include "platform/resources_api.h"
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
