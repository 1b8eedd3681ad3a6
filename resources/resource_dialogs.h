// The control module's dialog templates as data, for builds that have no dialog
// manager reading the templates from the module (the Windows build uses the real ones).
// Sizes and positions are in dialog units, as the templates give them.
#pragma once

#include "platform/win_types.h"

struct ResourceDialogControl {
  int id;  // -1 for controls without an id (labels, frames)
  const char* className;  // "Button", "Edit", "Static", "ComboBox"
  const char* text;       // for an icon, "#" and the icon's resource id
  short x, y, cx, cy;
  DWORD style;  // WS_CHILD | WS_VISIBLE and the control's own bits, as the resource compiler sets them
};

struct ResourceDialog {
  UINT id;
  const char* caption;  // "" without a caption
  const char* fontName;
  int fontSize;  // points
  short x, y, cx, cy;
  DWORD style;
  const ResourceDialogControl* controls;  // in tab order
  int controlCount;
};

struct ResourceDialogTable {
  const ResourceDialog* dialogs;
  int count;
};

const ResourceDialogTable& QarneditDialogResources();
// Null when the module has no template with that id.
const ResourceDialog* QarneditFindDialog(UINT id);
