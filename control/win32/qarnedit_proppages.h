// The control's two property pages: placeholders with a caption and no controls.
#pragma once

#include "platform/win32/ole_property_page_win32.h"

class CQarneditPropPage : public COlePropertyPage {
 public:
  CQarneditPropPage();
};

class CQarneditPropPage2 : public COlePropertyPage {
 public:
  CQarneditPropPage2();
};
