// Undo followed by redo of one step on figures of 10^3..10^6 vertices: a vertex drag
// (kept as one vertex) and a whole-figure move (kept as the old coordinate arrays),
// beside figure_bench's "floor:fresh-copy", a fresh copy of the coordinates. Neither
// paints: the repaint they ask for is the host's, the same as after the action itself.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "refhost/reference_host.h"

namespace {

constexpr int kCx = 320, kCy = 240;

// The bench polygon (rings of circles about the view centre), waiting in `menu`'s step.
struct UndoFigure {
  ReferenceHost host;
  CQarneditCtrl* ctl = nullptr;
  EditController* ec = nullptr;

  UndoFigure(int64_t vertices, int64_t rings) {
    host.logCalls = false;
    QarneditModuleInit();
    ctl = new CQarneditCtrl();
    ctl->SetQarnocx(host.GetDispatch());
    ctl->setMaxNumberOfRings(static_cast<LONG>(rings + 2));
    ctl->drawPolygon();
    ec = ctl->m_pEditController.get();
    const int64_t perRing = vertices / rings;
    ec->m_figure.SetRingCount(static_cast<int32_t>(rings));
    for (int64_t r = 0; r < rings; ++r) {
      Ring& ring = ec->m_figure.Vertices(static_cast<int32_t>(r));
      ring.EnsureIndex(static_cast<int32_t>(perRing - 1));
      const double radius = 40.0 + 190.0 * static_cast<double>(rings - r) / static_cast<double>(rings);
      for (int64_t i = 0; i < perRing; ++i) {
        const double t = 6.283185307179586 * static_cast<double>(i) / static_cast<double>(perRing);
        ring.x[i] = kCx + radius * std::cos(t);
        ring.y[i] = kCy + radius * std::sin(t);
        ring.z[i] = 0;
        ring.part[i] = 1;
      }
      ec->m_figure.SetVertexCount(static_cast<int32_t>(r), static_cast<int32_t>(perRing));
      ec->m_figure.SetHole(static_cast<int32_t>(r), r > 0);
    }
  }
  ~UndoFigure() {
    ctl->abortEdit();
    ctl->Release();
  }
  void Drag(POINT from, POINT to) {
    host.Press(from.x, from.y);
    host.Move(to.x, to.y);
    host.Release(to.x, to.y);
  }
};

void Finish(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetLabel("floor:fresh-copy");
}

// The last ring's first vertex dragged once, then taken back and replayed.
void Event_UndoRedoVertex(benchmark::State& state) {
  UndoFigure f(state.range(0), state.range(1));
  f.ec->OnMenuMoveVertex();
  const int32_t r = f.ec->GetFigure().LastRing();
  double x = f.ec->GetFigure().At(r, 0).x, y = f.ec->GetFigure().At(r, 0).y;
  f.host.WorldToScreen(x, y);
  const POINT at{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
  f.Drag(at, POINT{at.x + 9, at.y - 4});
  if (f.ec->History().UndoCount() != 1) state.SkipWithError("the drag was not recorded");
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.ec->Undo());
    benchmark::DoNotOptimize(f.ec->Redo());
  }
  Finish(state);
}

// The whole figure moved once, then taken back and replayed.
void Event_UndoRedoFigure(benchmark::State& state) {
  UndoFigure f(state.range(0), state.range(1));
  f.ec->OnMenuMove();
  f.Drag(POINT{kCx + 100, kCy + 20}, POINT{kCx + 60, kCy + 90});
  if (f.ec->History().UndoCount() != 1) state.SkipWithError("the move was not recorded");
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.ec->Undo());
    benchmark::DoNotOptimize(f.ec->Redo());
  }
  Finish(state);
}

// The press that starts a move, which keeps the coordinates, with its release.
void Event_MovePressRelease(benchmark::State& state) {
  UndoFigure f(state.range(0), state.range(1));
  f.ec->OnMenuMove();
  for (auto _ : state) {
    f.host.Press(kCx, kCy);
    f.host.Release(kCx, kCy);
  }
  Finish(state);
}

void Figures(benchmark::internal::Benchmark* b) {
  for (int64_t n : {1000, 10000, 100000, 1000000}) {
    b->Args({n, 1});
    if (n >= 10000) b->Args({n, 1000});
  }
}

BENCHMARK(Event_UndoRedoVertex)->Name("undo+redo-vertex")->Apply(Figures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Event_UndoRedoFigure)->Name("undo+redo-move")->Apply(Figures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Event_MovePressRelease)->Name("undo-keep-move")->Apply(Figures)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
