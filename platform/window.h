// Windows as the editor sees them: a handle, a client surface to draw into,
// invalidation, mouse capture and screen coordinates. There is no message loop here:
// whoever hosts the window drives painting and input.
#pragma once

#include "platform/gdi.h"
#include "platform/win_types.h"

#if defined(_WIN32)
// Real windows.
#else

// ---- Windows API subset ----------------------------------------------------
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HWND SetCapture(HWND hwnd);
HWND GetCapture();
BOOL ReleaseCapture();
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);

// ---- Linux-only helpers ----------------------------------------------------
// A window with its own width x height client surface (white), origin (0,0) on screen.
HWND QarnCreateWindow(HWND parent, int width, int height);
// Where the client area's top-left corner is on the screen.
BOOL QarnSetWindowOrigin(HWND hwnd, int x, int y);
// How many times InvalidateRect has marked the window invalid; -1 for a bad handle.
int QarnInvalidateCount(HWND hwnd);
// Called by UpdateWindow while the window has something to repaint; hdc draws into
// the client surface and is released after the call.
typedef void (*QarnPaintProc)(HWND hwnd, HDC hdc, const RECT* invalid, void* context);
BOOL QarnSetPaintProc(HWND hwnd, QarnPaintProc proc, void* context);
// The client surface itself, for hosts that show or save it.
RasterSurface* QarnWindowSurface(HWND hwnd);
#endif  // _WIN32
