// The reference host's engine: logs each operation and applies it to the host.
#pragma once

#include "hostlink/host_interfaces.h"
#include "refhost/reference_host.h"

class RefHostEngine final : public HostEngine {
 public:
  explicit RefHostEngine(ReferenceHost& host) : m_host(host) {}
  ~RefHostEngine() = default;

  void QARN_HOST_CALL SetPointerHandler(PointerHandler* handler) override;
  void QARN_HOST_CALL SetOverlayPainter(OverlayPainter* painter) override;
  void QARN_HOST_CALL Reserved2() override;
  void QARN_HOST_CALL RequestRepaint() override;
  HWND QARN_HOST_CALL GetViewWindow() override;
  void QARN_HOST_CALL WorldToScreen(double* x, double* y) override;
  void QARN_HOST_CALL Reserved6() override;
  void QARN_HOST_CALL Reserved7() override;
  void QARN_HOST_CALL ScreenToWorld(double* x, double* y) override;
  void QARN_HOST_CALL ViewToWorld3D(double* x, double* y, double* z) override;
  void QARN_HOST_CALL WorldToView3D(double* x, double* y, double* z) override;
  void QARN_HOST_CALL GetModePair(int* a, int* b) override;
  void QARN_HOST_CALL SetModePair(int a, int b) override;
  void QARN_HOST_CALL GetInputState(int* a, int* b, int* c) override;
  void QARN_HOST_CALL SetInputState(int* a, int* b, int* c) override;
  void QARN_HOST_CALL SetReferencePoint(int* on, double* x, double* y, double* z) override;
  void QARN_HOST_CALL GetReferencePoint(int* on, double* x, double* y, double* z) override;

 private:
  ReferenceHost& m_host;
};
