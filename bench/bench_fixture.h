// The figure the editor benchmarks work on: a control on a reference host, editing a
// polygon of n vertices in r rings that it loaded from a record, as a container hands
// one over. Ring k is a circle about the view's centre, its radius stepping inwards with
// k, so that every ring is in view and no two coincide; rings after the first are holes.
// Building it is setup: no benchmark times it.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "feedback/geometry.h"
#include "hostlink/ntt_record.h"
#include "refhost/record_maker.h"
#include "refhost/reference_host.h"

namespace bench {

constexpr int kCx = 320, kCy = 240;  // the view's centre, in pixels and (scale 1) world units

// Vertex (r, i) of the bench figure.
inline void FigurePoint(int64_t r, int64_t rings, int64_t i, int64_t perRing, double& x, double& y) {
  const double radius = 40.0 + 190.0 * static_cast<double>(rings - r) / static_cast<double>(rings);
  const double t = 6.283185307179586 * static_cast<double>(i) / static_cast<double>(perRing);
  x = kCx + radius * std::cos(t);
  y = kCy + radius * std::sin(t);
}

// kHeights3D: a 3D figure, its vertices at heights on a work plane that shows them where
// the plain figure's are, so that its pictures are the plain figure's.
// kEveryThirdXFar: the same picture from finite values, each such x at the world position
// of the pixel column its non-finite twin is drawn at (0, or the pixel limit either side).
enum class Coordinates { kPlain, kEveryThirdXNonFinite, kEveryThirdXFar, kHeights3D };

struct BenchFigure {
  ReferenceHost host;
  CQarneditCtrl* ctl = nullptr;
  EditController* ec = nullptr;

  // The reference host's call log stays off, as in a real host, unless asked for.
  BenchFigure(int64_t vertices, int64_t rings, bool logCalls = false,
              Coordinates coordinates = Coordinates::kPlain) {
    host.logCalls = logCalls;
    QarneditModuleInit();
    ctl = new CQarneditCtrl();
    ctl->SetQarnocx(host.GetDispatch());
    ctl->setMaxNumberOfRings(static_cast<LONG>(rings + 2));
    ec = ctl->m_pEditController.get();
    loaded = Load(vertices, rings, coordinates);
  }
  ~BenchFigure() {
    ctl->abortEdit();
    ctl->Release();
  }
  BenchFigure(const BenchFigure&) = delete;
  BenchFigure& operator=(const BenchFigure&) = delete;

  // A pixel position of vertex (r, i) as the host shows it.
  POINT PixelOf(int32_t r, int32_t i) {
    const Point3 p = ec->GetFigure().At(r, i);
    return Pixel(p.x, p.y);
  }
  POINT Pixel(double x, double y) {
    host.WorldToScreen(x, y);
    return POINT{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
  }
  void Drag(POINT from, POINT to) {
    host.Press(from.x, from.y);
    host.Move(to.x, to.y);
    host.Release(to.x, to.y);
  }

  // Reaches a step the way the user does: its menu command, and for a drag step the
  // press that starts the drag (on a vertex of the last ring, on its first segment's
  // middle, away from the pivot or on it). False when the editor did not get there.
  bool EnterStep(int32_t step) {
    const int32_t r = ec->GetFigure().LastRing();
    switch (step) {
      case 1: ec->OnMenuContinue(); break;
      case 2: case 3: ec->OnMenuMoveVertex(); break;
      case 4: case 5: ec->OnMenuInsertVertex(); break;
      case 6: case 7: ec->OnMenuDeleteVertex(); break;
      case 8: case 9: ec->OnMenuMove(); break;
      case 10: case 11: case 12: ec->OnMenuRotate(); break;
      case 13: case 14: case 15: ec->OnMenuScale(); break;
      default: return false;
    }
    POINT at{};
    switch (step) {
      case 3: case 7: at = PixelOf(r, 0); break;
      case 5: {
        const Point3 a = ec->GetFigure().At(r, 0), b = ec->GetFigure().At(r, 1);
        at = Pixel((a.x + b.x) / 2, (a.y + b.y) / 2);
        break;
      }
      case 9: case 11: case 14: at = POINT{kCx + 100, kCy + 20}; break;
      case 12: case 15: at = Pixel(ec->DragPoint().x, ec->DragPoint().y); break;
      default: return StepNumber(ec->Step()) == step;
    }
    host.Press(at.x, at.y);
    return StepNumber(ec->Step()) == step;
  }

  bool loaded = false;

 private:
  bool Load(int64_t vertices, int64_t rings, Coordinates coordinates) {
    const int64_t perRing = vertices / rings;
    RecordMaker make;  // the editor keeps its own copy: the record goes with the maker
    RecordMaker::Polygon polygon;
    polygon.xy.resize(static_cast<size_t>(2 * perRing * rings));
    polygon.is3D = coordinates == Coordinates::kHeights3D;
    if (polygon.is3D) {
      host.SetWorkPlane(0, 0, 0, 0, 0, 0);
      ctl->Set3DMode(1);
      for (int64_t k = 0; k < perRing * rings; ++k) polygon.z.push_back(static_cast<double>(k % 5));
    }
    double special[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
    if (coordinates == Coordinates::kEveryThirdXFar) {
      const double columns[] = {0.0, kPixelLimit, -kPixelLimit};
      for (int k = 0; k < 3; ++k) {
        double y = 0;
        special[k] = columns[k];
        host.ScreenToWorld(special[k], y);
      }
    }
    const bool everyThird =
        coordinates == Coordinates::kEveryThirdXNonFinite || coordinates == Coordinates::kEveryThirdXFar;
    for (int64_t r = 0; r < rings; ++r) {
      polygon.rings.push_back({static_cast<uint32_t>(r * perRing), static_cast<uint32_t>(perRing),
                               r > 0 ? ntt::kHole : ntt::kPerimeter});
      for (int64_t i = 0; i < perRing; ++i) {
        double* p = &polygon.xy[static_cast<size_t>(2 * (r * perRing + i))];
        FigurePoint(r, rings, i, perRing, p[0], p[1]);
        if (everyThird && i % 3 == 0) p[0] = special[(i / 3) % 3];
      }
    }
    return ctl->editNTT(static_cast<LONG>(make.PolygonRecord(polygon))) != FALSE;
  }
};

}  // namespace bench
