// Every event of an edit on figures of 10^3..10^6 vertices, each beside the floor it is
// judged against, measured in the same run. Names are "event/layout/vertices" and
// "floor:kind/layout/vertices"; each event names its floor in its label, which is how
// tools/bench_table.py pairs them. Layout 1 is one ring, layout 1000 is 1,000 rings.
// The reference host's call log is off throughout, as it is in a real host.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_fixture.h"
#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "platform/afx_dc.h"
#include "platform/desktop.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "refhost/reference_host.h"

namespace {

using bench::FigurePoint;
using bench::kCx;
using bench::kCy;

int64_t Vertices(const benchmark::State& s) { return s.range(0); }
int64_t Rings(const benchmark::State& s) { return s.range(1); }

// The bench figure, with a DC on the host's view for painting.
struct FigureEdit : bench::BenchFigure {
  HDC hdc = nullptr;
  CDC dc;

  FigureEdit(int64_t vertices, int64_t rings, bench::Coordinates coordinates = bench::Coordinates::kPlain)
      : BenchFigure(vertices, rings, false, coordinates) {
    hdc = GetDC(host.ViewWindow());
    dc.Attach(hdc);
  }
  ~FigureEdit() {
    dc.Detach();
    ReleaseDC(host.ViewWindow(), hdc);
  }
  void Paint() { ec->PaintOverlay(&dc); }
};

void Finish(benchmark::State& state, const char* floor) {
  state.SetItemsProcessed(state.iterations() * Vertices(state));
  state.SetLabel(floor);
}

// ---- floors ----------------------------------------------------------------------------

struct Coordinates {
  std::vector<double> x, y;
  explicit Coordinates(int64_t n) : x(n), y(n) {
    for (int64_t i = 0; i < n; ++i) FigurePoint(0, 1, i, n, x[i], y[i]);
  }
};

// Moving every vertex by a delta: the least any move or scale can do.
void Floor_ReadModifyWrite(benchmark::State& state) {
  Coordinates c(Vertices(state));
  double d = 0.5;
  for (auto _ : state) {
    for (size_t i = 0; i < c.x.size(); ++i) {
      c.x[i] += d;
      c.y[i] -= d;
    }
    d = -d;
    benchmark::ClobberMemory();
  }
  Finish(state, "");
}

// The libm calls a polar-form turn needs per vertex: sqrt, acos, cos and sin.
void Floor_Libm(benchmark::State& state) {
  Coordinates c(Vertices(state));
  for (auto _ : state) {
    for (size_t i = 0; i < c.x.size(); ++i) {
      const double dx = c.x[i] - kCx, dy = c.y[i] - kCy;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double t = std::acos(std::fabs(dx) / r) + 0.01;
      c.x[i] = kCx + r * std::cos(t);
      c.y[i] = kCy + r * std::sin(t);
    }
    benchmark::ClobberMemory();
  }
  Finish(state, "");
}

// A pick's scan written inline: every vertex to pixels, compared with the press.
void Floor_InlineScan(benchmark::State& state) {
  Coordinates c(Vertices(state));
  volatile double scale = 1.0, originX = 0.0, originY = 0.0, height = 480.0;
  for (auto _ : state) {
    const double s = scale, ox = originX, oy = originY, h = height;
    int64_t hit = -1;
    for (size_t i = 0; i < c.x.size(); ++i) {
      const double px = (c.x[i] - ox) * s, py = h - (c.y[i] - oy) * s;
      if (std::fabs(px - 5.0) <= 3.0 && std::fabs(py - 5.0) <= 3.0) {
        hit = static_cast<int64_t>(i);
        break;
      }
    }
    benchmark::DoNotOptimize(hit);
  }
  Finish(state, "");
}

// The host's own share of a pick or a paint: its conversion of every vertex to pixels,
// called through the engine as the editor must call it (a 3D figure is first projected
// onto the work plane, a second call). Nothing is compared or drawn: what an event costs
// beyond this is the editor's.
template <bool k3D>
void HostConversions(benchmark::State& state) {
  FigureEdit edit(Vertices(state), Rings(state),
                  k3D ? bench::Coordinates::kHeights3D : bench::Coordinates::kPlain);
  HostEngine* const engine = edit.host.GetEngine();
  const Figure& figure = edit.ec->GetFigure();
  for (auto _ : state) {
    for (int32_t r = 0; r < figure.RingCount(); ++r) {
      const double *const xs = figure.Vertices(r).x, *const ys = figure.Vertices(r).y, *const zs = figure.Vertices(r).z;
      const int32_t n = figure.VertexCount(r);
      for (int32_t i = 0; i < n; ++i) {
        double x = xs[i], y = ys[i], z = k3D ? zs[i] : 0.0;
        if (k3D) engine->WorldToView3D(&x, &y, &z);
        engine->WorldToScreen(&x, &y);
        // Kept without a sum, whose chain of additions would outlast the calls.
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
      }
    }
  }
  Finish(state, "");
}
void Floor_HostConversions(benchmark::State& s) { HostConversions<false>(s); }
void Floor_HostConversions3D(benchmark::State& s) { HostConversions<true>(s); }

// One LineTo per vertex on the view window, and one Polyline per ring.
void Floor_LineTo(benchmark::State& state) {
  FigureEdit edit(Vertices(state), Rings(state));
  std::vector<POINT> pts;
  for (int32_t r = 0; r < edit.ec->GetFigure().RingCount(); ++r)
    for (int32_t i = 0; i < edit.ec->GetFigure().VertexCount(r); ++i) pts.push_back(edit.PixelOf(r, i));
  for (auto _ : state) {
    MoveToEx(edit.hdc, pts[0].x, pts[0].y, nullptr);
    for (const POINT& p : pts) LineTo(edit.hdc, p.x, p.y);
  }
  Finish(state, "");
}

void Floor_Polyline(benchmark::State& state) {
  FigureEdit edit(Vertices(state), Rings(state));
  std::vector<std::vector<POINT>> rings(edit.ec->GetFigure().RingCount());
  for (int32_t r = 0; r < edit.ec->GetFigure().RingCount(); ++r)
    for (int32_t i = 0; i < edit.ec->GetFigure().VertexCount(r); ++i) rings[r].push_back(edit.PixelOf(r, i));
  for (auto _ : state)
    for (const auto& ring : rings) Polyline(edit.hdc, ring.data(), static_cast<int>(ring.size()));
  Finish(state, "");
}

// The record's coordinate bytes copied into memory fresh from the allocator.
void Floor_FreshCopy(benchmark::State& state) {
  Coordinates c(Vertices(state));
  const size_t bytes = 16 * c.x.size();
  std::vector<double> xy(2 * c.x.size());
  for (auto _ : state) {
    std::unique_ptr<char[]> fresh(new char[bytes]);
    std::memcpy(fresh.get(), xy.data(), bytes);
    benchmark::DoNotOptimize(fresh.get());
  }
  Finish(state, "");
}

// A click delivered by the host to a handler that only appends the point to a vector:
// what drawing n vertices needs at least (the host's pointer work included).
class AppendingHandler final : public PointerHandler {
 public:
  std::vector<double> x, y;
  void QARN_HOST_CALL OnPointerMove(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnButtonDown(DWORD, POINT* pt) override {
    x.push_back(pt->x);
    y.push_back(pt->y);
  }
  void QARN_HOST_CALL OnButtonUp(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnRightButton(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnOtherPointerEvent(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnHandlerDetached() override {}
};

void Floor_Append(benchmark::State& state) {
  const int64_t n = Vertices(state);
  ReferenceHost host;
  host.logCalls = false;
  AppendingHandler handler;
  host.RegisterHandler(&handler);
  for (auto _ : state) {
    handler.x = {};
    handler.y = {};
    for (int64_t i = 0; i < n; ++i) {
      const int x = 20 + static_cast<int>(i % 600), y = 20 + static_cast<int>((i / 600) % 440);
      host.Press(x, y);
      host.Release(x, y);
    }
    benchmark::DoNotOptimize(handler.x.data());
  }
  host.DropPointerHandler();
  Finish(state, "");
}

// ---- events ----------------------------------------------------------------------------

// The record the bench figure saves to, for the load and highlight events. The editor
// that saved it keeps owning it (until its next commit, abort or end): the events load
// it into another control, whose own aborts would release it otherwise.
RECORDADDR SavedFigure(FigureEdit& owner) {
  owner.ec->CommitGeometry();
  return owner.ec->GetDrawnNtt();
}

void Event_Load(benchmark::State& state) {
  FigureEdit owner(Vertices(state), Rings(state));
  const RECORDADDR rec = SavedFigure(owner);
  FigureEdit edit(Vertices(state), Rings(state));
  edit.ctl->abortEdit();
  for (auto _ : state) {
    benchmark::DoNotOptimize(edit.ctl->editNTT(static_cast<LONG>(rec)));
    state.PauseTiming();
    edit.ctl->abortEdit();
    state.ResumeTiming();
  }
  Finish(state, "floor:fresh-copy");
}

void Event_Save(benchmark::State& state) {
  FigureEdit edit(Vertices(state), Rings(state));
  for (auto _ : state) edit.ec->CommitGeometry();  // each commit releases the previous record
  Finish(state, "floor:fresh-copy");
}

// A press in step 2 that hits the last ring's middle vertex (found after scanning the
// rest), or one that misses them all.
void Press(benchmark::State& state, bool hit) {
  FigureEdit edit(Vertices(state), Rings(state));
  edit.EnterStep(2);
  const int32_t r = edit.ec->GetFigure().LastRing();
  const POINT at = hit ? edit.PixelOf(r, edit.ec->GetFigure().VertexCount(r) / 2) : POINT{5, 5};
  // The release is timed too: pausing the clock costs more than a small figure's press.
  for (auto _ : state) {
    edit.host.Press(at.x, at.y);
    edit.host.Release(at.x, at.y);
  }
  Finish(state, "floor:inline-scan");
}
void Event_PressHit(benchmark::State& state) { Press(state, true); }
void Event_PressMiss(benchmark::State& state) { Press(state, false); }

// Pointer moves alternating between two positions, each followed by the repaint it asks
// for (paint=true) or alone (the vertex work only).
void Drag(benchmark::State& state, int32_t menuStep, bool paint, const char* floor) {
  FigureEdit edit(Vertices(state), Rings(state));
  POINT from{kCx + 100, kCy + 20}, to{kCx + 60, kCy + 90};
  edit.EnterStep(menuStep);
  if (menuStep == 2) {
    from = edit.PixelOf(0, 0);
    to = POINT{from.x - 7, from.y + 5};
  }
  edit.host.Press(from.x, from.y);
  bool there = false;
  for (auto _ : state) {
    const POINT p = there ? from : to;
    there = !there;
    edit.host.Move(p.x, p.y);
    if (paint) edit.Paint();
  }
  edit.host.Release(from.x, from.y);
  Finish(state, floor);
}
void Event_DragVertex(benchmark::State& s) { Drag(s, 2, true, "floor:lineto"); }
void Event_MoveVertexWork(benchmark::State& s) { Drag(s, 8, false, "floor:rmw"); }
void Event_Move(benchmark::State& s) { Drag(s, 8, true, "floor:polyline"); }
void Event_RotateVertexWork(benchmark::State& s) { Drag(s, 10, false, "floor:libm"); }
void Event_Rotate(benchmark::State& s) { Drag(s, 10, true, "floor:libm"); }
void Event_ScaleVertexWork(benchmark::State& s) { Drag(s, 13, false, "floor:rmw"); }
void Event_Scale(benchmark::State& s) { Drag(s, 13, true, "floor:polyline"); }

// A repaint of the overlay in one step.
void RepaintFigure(benchmark::State& state, bench::Coordinates coordinates) {
  FigureEdit edit(Vertices(state), Rings(state), coordinates);
  const int32_t step = static_cast<int32_t>(state.range(2));
  // Each step as the user reaches it; the pivot is the figure's centre, (kCx, kCy).
  if (!edit.EnterStep(step)) state.SkipWithError("the step was not reached");
  for (auto _ : state) edit.Paint();
  Finish(state, step == 2 || step == 3 || step == 6 || step == 7 ? "floor:lineto" : "floor:polyline");
}
void Repaint(benchmark::State& s) { RepaintFigure(s, bench::Coordinates::kPlain); }
// The same with a 3D figure: each vertex is also projected onto the work plane.
void Repaint3D(benchmark::State& s) { RepaintFigure(s, bench::Coordinates::kHeights3D); }

// The saved figure's vertices highlighted, and the overlay painted with the marks.
void Event_Highlight(benchmark::State& state) {
  FigureEdit owner(Vertices(state), Rings(state));
  const RECORDADDR rec = SavedFigure(owner);
  FigureEdit edit(Vertices(state), Rings(state));
  edit.ctl->abortEdit();
  for (auto _ : state) {
    edit.ctl->hiliteNttVertexes(static_cast<LONG>(rec));
    edit.Paint();
  }
  Finish(state, "floor:lineto");
}

// The caption of a step change, with and without the measures in front of it.
void Caption(benchmark::State& state, bool measures) {
  FigureEdit edit(Vertices(state), Rings(state));
  if (measures) edit.ctl->m_formatPolygonParams = "Area %.2f Perimeter %.2f ";
  int32_t step = 2;
  for (auto _ : state) {
    edit.ec->SetStep(static_cast<EditStep>(step));
    step = step == 2 ? 4 : 2;
  }
  Finish(state, "floor:rmw");
}
void Event_Caption(benchmark::State& s) { Caption(s, false); }
void Event_CaptionMeasures(benchmark::State& s) { Caption(s, true); }

// n clicks (press and release) drawing a new polygon, from no vertex at all; the start
// and end of the edit are timed with them (at 0 clicks they are all there is).
void Clicks(benchmark::State& state, bool measures) {
  const int64_t n = Vertices(state);
  ReferenceHost host;
  host.logCalls = false;
  QarneditModuleInit();
  CQarneditCtrl* ctl = new CQarneditCtrl();
  ctl->SetQarnocx(host.GetDispatch());
  if (measures) ctl->m_formatPolygonParams = "Area %.2f Perimeter %.2f ";
  for (auto _ : state) {
    ctl->drawPolygon();
    for (int64_t i = 0; i < n; ++i) {
      const int x = 20 + static_cast<int>(i % 600), y = 20 + static_cast<int>((i / 600) % 440);
      host.Press(x, y);
      host.Release(x, y);
    }
    ctl->abortEdit();
  }
  ctl->Release();
  Finish(state, "floor:append");
}
void Event_Clicks(benchmark::State& s) { Clicks(s, false); }
void Event_ClicksMeasures(benchmark::State& s) { Clicks(s, true); }

// ---- bad input -------------------------------------------------------------------------

// A repaint in step 2 with the view zoomed so far that pixel positions pass +-2^31, or
// with every third vertex at NaN or an infinity, or at the far positions they are drawn
// at; judged against the plain repaint.
void RepaintBadView(benchmark::State& state, bench::Coordinates coordinates) {
  FigureEdit edit(Vertices(state), Rings(state), coordinates);
  edit.EnterStep(2);
  // The plain figure is the zoomed one: the view centre stays put.
  if (coordinates == bench::Coordinates::kPlain) edit.host.SetView(1e7, kCx, kCy - 240.0 / 1e7);
  for (auto _ : state) edit.Paint();
  state.SetItemsProcessed(state.iterations() * Vertices(state));
  state.SetLabel("repaint-step/" + std::to_string(Vertices(state)) + "/" + std::to_string(Rings(state)) + "/2");
}
void Event_RepaintZoomed(benchmark::State& s) { RepaintBadView(s, bench::Coordinates::kPlain); }
void Event_RepaintNonFinite(benchmark::State& s) { RepaintBadView(s, bench::Coordinates::kEveryThirdXNonFinite); }
// The non-finite figure's picture drawn from finite values: what its long lines cost in
// any figure, beside which the non-finite values themselves should cost nothing.
void Event_RepaintFar(benchmark::State& s) { RepaintBadView(s, bench::Coordinates::kEveryThirdXFar); }

// The loading cap: a figure of 10^7 vertices saved, loaded, painted in step 2 and saved
// again, with the process's peak memory beside it. The saving control keeps its record
// while a second one, started with a single triangle, loads, paints and saves it; the
// peak therefore holds the figure twice, once in each control.
void Event_HugeFigure(benchmark::State& state) {
  FigureEdit owner(Vertices(state), Rings(state));
  FigureEdit edit(3, 1);
  for (auto _ : state) {
    const RECORDADDR rec = SavedFigure(owner);
    edit.ctl->abortEdit();
    if (!edit.ctl->editNTT(static_cast<LONG>(rec))) state.SkipWithError("the figure did not load");
    edit.EnterStep(2);
    edit.Paint();
    edit.ec->CommitGeometry();  // released with the control, or with the next commit
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  Finish(state, "");
}

// ---- registration ----------------------------------------------------------------------

void Figures(benchmark::internal::Benchmark* b) {
  for (int64_t n : {1000, 10000, 100000, 1000000}) {
    b->Args({n, 1});
    if (n >= 10000) b->Args({n, 1000});
  }
}
void PaintSteps(benchmark::internal::Benchmark* b) {
  for (int64_t n : {1000, 10000, 100000, 1000000})
    for (int64_t rings : {1, 1000})
      for (int64_t step = 1; step <= 15; ++step)
        if (rings == 1 || n >= 10000) b->Args({n, rings, step});
}
// 3D at the largest size only: what it adds is per vertex.
void PaintSteps3D(benchmark::internal::Benchmark* b) {
  for (int64_t rings : {1, 1000})
    for (int64_t step = 1; step <= 15; ++step) b->Args({1000000, rings, step});
}
void ClickCounts(benchmark::internal::Benchmark* b) {
  for (int64_t n : {0, 1000, 10000, 100000}) b->Args({n, 1});
}

#define QARN_FIGURE_BENCH(fn, name, args) \
  BENCHMARK(fn)->Name(name)->Apply(args)->Unit(benchmark::kMillisecond)->UseRealTime()

QARN_FIGURE_BENCH(Floor_ReadModifyWrite, "floor:rmw", Figures);
QARN_FIGURE_BENCH(Floor_Libm, "floor:libm", Figures);
QARN_FIGURE_BENCH(Floor_InlineScan, "floor:inline-scan", Figures);
QARN_FIGURE_BENCH(Floor_HostConversions, "floor:host-conversions", Figures);
BENCHMARK(Floor_HostConversions3D)->Name("floor:host-conversions-3d")->Args({1000000, 1})->Args({1000000, 1000})->Unit(benchmark::kMillisecond)->UseRealTime();
QARN_FIGURE_BENCH(Floor_LineTo, "floor:lineto", Figures);
QARN_FIGURE_BENCH(Floor_Polyline, "floor:polyline", Figures);
QARN_FIGURE_BENCH(Floor_FreshCopy, "floor:fresh-copy", Figures);
QARN_FIGURE_BENCH(Floor_Append, "floor:append", ClickCounts);

QARN_FIGURE_BENCH(Event_Load, "load", Figures);
QARN_FIGURE_BENCH(Event_Save, "save", Figures);
QARN_FIGURE_BENCH(Event_PressHit, "press-hit", Figures);
QARN_FIGURE_BENCH(Event_PressMiss, "press-miss", Figures);
QARN_FIGURE_BENCH(Event_DragVertex, "drag-vertex+repaint", Figures);
QARN_FIGURE_BENCH(Event_MoveVertexWork, "move-vertex-work", Figures);
QARN_FIGURE_BENCH(Event_Move, "move+repaint", Figures);
QARN_FIGURE_BENCH(Event_RotateVertexWork, "rotate-vertex-work", Figures);
QARN_FIGURE_BENCH(Event_Rotate, "rotate+repaint", Figures);
QARN_FIGURE_BENCH(Event_ScaleVertexWork, "scale-vertex-work", Figures);
QARN_FIGURE_BENCH(Event_Scale, "scale+repaint", Figures);
QARN_FIGURE_BENCH(Repaint, "repaint-step", PaintSteps);
QARN_FIGURE_BENCH(Repaint3D, "repaint-step-3d", PaintSteps3D);
QARN_FIGURE_BENCH(Event_Highlight, "highlight+repaint", Figures);
QARN_FIGURE_BENCH(Event_Caption, "caption", Figures);
QARN_FIGURE_BENCH(Event_CaptionMeasures, "caption-measures", Figures);
QARN_FIGURE_BENCH(Event_Clicks, "clicks", ClickCounts);
BENCHMARK(Event_RepaintZoomed)->Name("repaint-zoomed-2^31")->Args({1000000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Event_RepaintNonFinite)->Name("repaint-nonfinite")->Args({1000000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Event_RepaintFar)->Name("repaint-far")->Args({1000000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Event_HugeFigure)->Name("huge-save+load+paint+save")->Args({10000000, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
QARN_FIGURE_BENCH(Event_ClicksMeasures, "clicks-measures", ClickCounts);

}  // namespace
