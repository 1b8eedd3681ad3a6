#include "control/win32/qarnedit_proppages.h"

#include "resources/resource.h"

CQarneditPropPage::CQarneditPropPage() : COlePropertyPage(IDD_PROPPAGE_QARNEDIT, IDS_QARNEDIT_PPG_CAPTION) {}

CQarneditPropPage2::CQarneditPropPage2() : COlePropertyPage(IDD_PROPPAGE_QARNEDIT2, IDS_QARNEDIT_PPG2_CAPTION) {}
