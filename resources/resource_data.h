// The control module's resources (string table, context menu) as data.
#pragma once

#include "platform/resources_api.h"

const ModuleResources& QarneditModuleResources();
