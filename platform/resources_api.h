// The module's resources as data: string table and menus, looked up by numeric id
// the way LoadString and LoadMenu find them in a module on Windows.
#pragma once

#include "platform/win_types.h"

// The module whose resources LoadString and LoadMenu read: the control's module on
// Windows (set when it loads), null (the running program) until then.
HINSTANCE QarnGetResourceInstance();
void QarnSetResourceInstance(HINSTANCE instance);

#if !defined(_WIN32)
struct ResourceString {
  UINT id;
  const char* text;
};

struct ResourceMenuItem {
  UINT id;  // 0 for a separator
  const char* text;
  UINT flags;  // MF_GRAYED and friends, as the template sets them
};

struct ResourcePopup {
  const char* title;
  const ResourceMenuItem* items;
  int count;
};

struct ResourceMenu {
  UINT id;
  const ResourcePopup* popups;
  int count;
};

struct ResourceDialogTable;  // resources/resource_dialogs.h

struct ModuleResources {
  const char* appName;  // title of the module's message boxes
  const ResourceString* strings;
  int stringCount;
  const ResourceMenu* menus;
  int menuCount;
  const ResourceDialogTable* dialogs;  // the templates DialogBoxParam would find in the module
};

// The resources of the module that is running; the control module installs its own.
void QarnSetModuleResources(const ModuleResources* resources);
const ModuleResources* QarnGetModuleResources();
const char* QarnFindStringResource(UINT id);
const ResourceMenu* QarnFindMenuResource(UINT id);
#endif  // !_WIN32
