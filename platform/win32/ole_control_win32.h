// The OLE interfaces a control needs to live in a Windows container: persistence
// (stream and property bag), embedding (IOleObject, IOleControl, in-place), drawing
// (IViewObject2), class information and property pages. They are kept beside each
// control, created on first QueryInterface and freed with the control.
#pragma once

#include <windows.h>
#include <ole2.h>

class COleControl;

// The interface for riid served beside pCtrl, or null; not AddRef'd (the caller,
// the control's QueryInterface, adds the reference to the control itself).
void* QarnWin32ControlInterface(COleControl* pCtrl, REFIID riid);
// A change of the control's picture: its window repaints (lpRect, bErase as for
// InvalidateRect); a control the container draws itself tells the container's view sink.
void QarnWin32InvalidateControl(COleControl* pCtrl, const RECT* lpRect, BOOL bErase);
// Releases what the control's side objects hold (client site, advise sinks).
void QarnWin32ControlDestroyed(COleControl* pCtrl);

// The type library describing a control class, for IProvideClassInfo2: the
// registered one is preferred, else the one embedded in module.
void QarnWin32RegisterControlTypeLib(REFCLSID clsid, REFGUID libid, WORD wMajor, WORD wMinor, HINSTANCE module);
