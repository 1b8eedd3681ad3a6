// The reference host: a stand-in for the host view control and its engine library.
// It records every call the editor makes on it, in order, so that tests can check
// what the editor told the host.
//
// View transform: a world point (X, Y) is at pixel x = (X - originX) * scale,
// y = height - (Y - originY) * scale: world Y up, pixel Y down, the origin at the
// bottom-left corner of the view. The work plane turns 2D world points of the plane
// into 3D points: P = O + R (x, y, 0), where R turns about Z by az, then about Y by ay,
// then about X by ax. ViewToWorld and ProjectToView take and give the view plane's 2D
// world coordinates, as ScreenToWorld and WorldToScreen convert them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "hostlink/host_interfaces.h"
#include "platform/com_types.h"

using CallArg = std::variant<std::monostate, int64_t, double, std::string>;

struct HostCall {
  std::string name;
  std::vector<CallArg> args;
  std::string ToString() const;  // "Name(arg, arg, ...)"
};

class RefHostDispatch;
class RefHostEngine;

class ReferenceHost {
 public:
  ReferenceHost(int width = 640, int height = 480);
  ~ReferenceHost();
  ReferenceHost(const ReferenceHost&) = delete;
  ReferenceHost& operator=(const ReferenceHost&) = delete;

  // The host control's IDispatch, as a container hands it to the editor.
  IDispatch* GetDispatch();
  HostEngine* GetEngine();

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  HWND ViewWindow() const { return m_hWnd; }
#if defined(_WIN32)
  // A view control sized by its container: the view's pixel size (what the conversions
  // and the picture use) becomes width x height, at least 1 x 1. The transform and the
  // window are the caller's to adjust; the last picture is blank afterwards.
  void Resize(int width, int height);
#endif

  // View and work plane
  void SetView(double scale, double originX, double originY);
  // Inline: the engine's conversion runs it once per vertex of every paint and pick.
  void WorldToScreen(double& x, double& y) const {
    x = (x - originX) * scale;
    y = m_height - (y - originY) * scale;
  }
  void ScreenToWorld(double& x, double& y) const;
  // Angles about X, Y and Z, then the origin. The rotation is worked out here, once: a 3D
  // paint converts every vertex through it, as a real host's view matrix.
  void SetWorkPlane(double ax, double ay, double az, double ox, double oy, double oz);
  const double (&Plane() const)[6] { return m_plane; }
  void PlaneToWorld3D(double& x, double& y, double& z) const;
  // Inline, as WorldToScreen: a 3D paint runs it once per vertex.
  void World3DToPlane(double& x, double& y, double& z) const {
    const double* const m = m_matrix;
    const double dx = x - m_plane[3], dy = y - m_plane[4], dz = z - m_plane[5];
    // The transpose undoes a rotation; the third component is the height above the plane.
    x = m[0] * dx + m[3] * dy + m[6] * dz;
    y = m[1] * dx + m[4] * dy + m[7] * dz;
    z = m[2] * dx + m[5] * dy + m[8] * dz;
  }
  double scale = 1.0, originX = 0.0, originY = 0.0;

  // Host state the editor reads and forces
  std::map<std::string, std::string> variables;
  int inputState[3] = {0, 0, 0};
  int modePair[2] = {0, 0};
  int refOn = -1;  // -1: no reference point, GetReferencePoint writes nothing
  double refPoint[3] = {0, 0, 0};

  // Engine handle: 0 gives no engine; refuseEngine makes the lookup fail for a
  // nonzero handle.
  LONG engineHandle;
  bool refuseEngine = false;
  // The host answers every new registration by detaching the old one first, also when
  // the same object registers again.
  bool detachOnReplace = false;
  // The host answers an unregistration (a null registration) with the detach callback.
  bool detachOnUnregister = true;

  // The version of the host control's file that the version probe finds; empty: no file.
  // The file lives in one folder per process, on the search path.
  static void SetFileVersion(const std::optional<std::string>& version);
  static std::optional<std::string> GetFileVersion();

  // Every call the editor made, in order, while logCalls is on (off for benchmarks).
  bool logCalls = true;
  std::vector<HostCall> calls;
  void Log(std::string name, std::vector<CallArg> args = {});

  // Registrations
  PointerHandler* Handler() const { return m_pHandler; }
  OverlayPainter* Painter() const { return m_pPainter; }
  void DropPointerHandler();
  void DropOverlayPainter();
  void RegisterHandler(PointerHandler* handler);
  void RegisterPainter(OverlayPainter* painter);

  // Pointer input in view pixels, delivered to the registered handler.
  void Press(int x, int y);
  void Move(int x, int y);
  void Release(int x, int y);
  void RightPress(int x, int y);

  // Entity records the view draws under the overlay (addresses in record memory).
  std::vector<uint32_t> entities;
  int repaintRequests = 0;
  // Told of every repaint request, so a view on screen can invalidate its window.
  std::function<void()> repaintListener;
  // Paints the view and the overlay now; SavePicture writes the last picture: a PNG on
  // Linux, a 24-bit BMP on Windows, the format each platform's viewers expect.
  void Repaint();
  bool SavePicture(const char* path) const;
#if !defined(_WIN32)
  bool SavePng(const char* path) const { return SavePicture(path); }
#endif

  static ReferenceHost* FromHandle(LONG handle);

 private:
  void PaintView(HDC hdc);
  void MovePointer(int x, int y);
  double m_plane[6] = {0, 0, 0, 0, 0, 0};
  double m_matrix[9];  // worked out from m_plane whenever it is set
#if defined(_WIN32)
  static LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HDC m_memDC = nullptr;  // the last picture, a bottom-up 24-bit DIB of the view size
  HBITMAP m_picture = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  void* m_bits = nullptr;
#endif

  int m_width;
  int m_height;
  LONG m_handle;  // the handle the engine library knows, whatever engineHandle says now
  HWND m_hWnd = nullptr;
  PointerHandler* m_pHandler = nullptr;
  OverlayPainter* m_pPainter = nullptr;
  std::unique_ptr<RefHostEngine> m_engine;
  RefHostDispatch* m_pDispatch;  // reference counted; the host holds one reference
};

#if defined(_WIN32)
// Writes a bottom-up 24-bit DIB of the given size as a BMP file; false when it cannot.
bool WriteBmp24(const char* path, int width, int height, const void* bits);
#endif
