#include "platform/resources_api.h"

namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE QarnGetResourceInstance() { return g_instance; }

void QarnSetResourceInstance(HINSTANCE instance) { g_instance = instance; }

#if !defined(_WIN32)
namespace {
const ModuleResources* g_resources = nullptr;
}

void QarnSetModuleResources(const ModuleResources* resources) { g_resources = resources; }

const ModuleResources* QarnGetModuleResources() { return g_resources; }

const char* QarnFindStringResource(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->stringCount; ++i)
    if (g_resources->strings[i].id == id) return g_resources->strings[i].text;
  return nullptr;
}

const ResourceMenu* QarnFindMenuResource(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->menuCount; ++i)
    if (g_resources->menus[i].id == id) return &g_resources->menus[i];
  return nullptr;
}
#endif  // !_WIN32
