// Identifiers of the control's type library, interfaces and classes.
#pragma once

#include "platform/win_types.h"

extern const GUID LIBID_QARNEDITLib;
extern const IID IID_DQarnedit;
extern const IID IID_DQarneditEvents;
extern const CLSID CLSID_Qarnedit;
extern const CLSID CLSID_QarneditPropPage;
extern const CLSID CLSID_QarneditPropPage2;

#define QARNEDIT_PROGID "QARNEDIT.QarneditCtrl.1"
#define QARNEDIT_PPG_PROGID "QARNEDIT.QarneditPropPage.1"
#define QARNEDIT_PPG2_PROGID "qarnedit.CQarneditPropPage2"
