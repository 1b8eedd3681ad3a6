// The tables of virtual operations shared with the host's engine.
//
// A host built with another compiler calls these tables directly, so their layout is
// part of the contract: one table pointer at the start of each object, operations in
// exactly this order, the host calling convention (thiscall on 32-bit Windows), and no
// virtual destructor (it would add entries the host does not expect).
#pragma once

#include "platform/abi.h"
#include "platform/win_types.h"

class CDC;

class PointerHandler {
 public:
  // flags: a value the host passes and the editor does not read; pt: view pixels.
  virtual void QARN_HOST_CALL OnPointerMove(DWORD flags, POINT* pt) = 0;
  virtual void QARN_HOST_CALL OnButtonDown(DWORD flags, POINT* pt) = 0;
  virtual void QARN_HOST_CALL OnButtonUp(DWORD flags, POINT* pt) = 0;
  virtual void QARN_HOST_CALL OnRightButton(DWORD flags, POINT* pt) = 0;
  virtual void QARN_HOST_CALL OnOtherPointerEvent(DWORD flags, POINT* pt) = 0;
  virtual void QARN_HOST_CALL OnHandlerDetached() = 0;

 protected:
  ~PointerHandler() = default;
};

class OverlayPainter {
 public:
  // The CDC is read with the framework's layout: table pointer, m_hDC, m_hAttribDC.
  virtual void QARN_HOST_CALL PaintOverlay(CDC* pDC) = 0;
  virtual void QARN_HOST_CALL OnPainterDetached() = 0;
  virtual void QARN_HOST_CALL OnOtherPaintEvent(DWORD value) = 0;

 protected:
  ~OverlayPainter() = default;
};

class HostEngine {
 public:
  virtual void QARN_HOST_CALL SetPointerHandler(PointerHandler* pHandler) = 0;
  virtual void QARN_HOST_CALL SetOverlayPainter(OverlayPainter* pPainter) = 0;
  virtual void QARN_HOST_CALL Reserved2() = 0;  // never called by the editor
  virtual void QARN_HOST_CALL RequestRepaint() = 0;
  virtual HWND QARN_HOST_CALL GetViewWindow() = 0;
  virtual void QARN_HOST_CALL WorldToScreen(double* x, double* y) = 0;
  virtual void QARN_HOST_CALL Reserved6() = 0;  // never called by the editor
  virtual void QARN_HOST_CALL Reserved7() = 0;  // never called by the editor
  virtual void QARN_HOST_CALL ScreenToWorld(double* x, double* y) = 0;
  virtual void QARN_HOST_CALL ViewToWorld3D(double* x, double* y, double* z) = 0;
  virtual void QARN_HOST_CALL WorldToView3D(double* x, double* y, double* z) = 0;
  virtual void QARN_HOST_CALL GetModePair(int* a, int* b) = 0;
  virtual void QARN_HOST_CALL SetModePair(int a, int b) = 0;
  virtual void QARN_HOST_CALL GetInputState(int* a, int* b, int* c) = 0;
  virtual void QARN_HOST_CALL SetInputState(int* a, int* b, int* c) = 0;
  virtual void QARN_HOST_CALL SetReferencePoint(int* on, double* x, double* y, double* z) = 0;
  virtual void QARN_HOST_CALL GetReferencePoint(int* on, double* x, double* y, double* z) = 0;

 protected:
  ~HostEngine() = default;
};

// QARNDLL32 ordinal 203: the engine behind a view's engine handle, or null.
typedef HostEngine* (QARN_EXPORT_CALL* GetEngineFromHandleProc)(LONG handle);
#define QARN_ENGINE_LIBRARY "QARNDLL32.DLL"
#define QARN_ENGINE_ORDINAL 203

// Looks the engine up through the host's support library; null when either is missing.
HostEngine* LookupHostEngine(LONG handle);
