// Undo followed by redo of one step on figures of 10^3..10^6 vertices: a vertex drag
// (kept as one vertex) and a whole-figure move (kept as the old coordinate arrays),
// beside figure_bench's "floor:fresh-copy", a fresh copy of the coordinates. Neither
// paints: the repaint they ask for is the host's, the same as after the action itself.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_fixture.h"

namespace {

using bench::kCx;
using bench::kCy;
using UndoFigure = bench::BenchFigure;

void Finish(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetLabel("floor:fresh-copy");
}

// The last ring's first vertex dragged once, then taken back and replayed.
void Event_UndoRedoVertex(benchmark::State& state) {
  UndoFigure f(state.range(0), state.range(1));
  f.ec->OnMenuMoveVertex();
  const POINT at = f.PixelOf(f.ec->GetFigure().LastRing(), 0);
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
