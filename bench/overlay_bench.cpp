// Cost of one overlay paint of a large polygon: every vertex goes through the host's
// conversion, and the grips of the step are drawn on top of the outline.
#include <benchmark/benchmark.h>

#include "bench/bench_fixture.h"
#include "platform/afx_dc.h"
#include "platform/desktop.h"
#include "platform/window.h"

namespace {

constexpr int kVertexCount = 10000;

// A control editing a polygon of kVertexCount vertices on a circle filling the view,
// with the host's call log on.
struct PolygonEdit : bench::BenchFigure {
  PolygonEdit() : BenchFigure(kVertexCount, 1, true) {}
};

void PaintPolygon(benchmark::State& state, int32_t step) {
  PolygonEdit edit;
  EditController& ec = *edit.ec;
  edit.EnterStep(step);
  HWND view = edit.host.ViewWindow();
  HDC hdc = GetDC(view);
  CDC dc;
  dc.Attach(hdc);
  for (auto _ : state) {
    ec.PaintOverlay(&dc);
    // The reference host logs every conversion; the log would otherwise grow without end.
    edit.host.calls.clear();
  }
  dc.Detach();
  ReleaseDC(view, hdc);
  state.SetItemsProcessed(state.iterations() * kVertexCount);
}

void BM_PaintOverlayDrawing(benchmark::State& state) { PaintPolygon(state, 1); }
void BM_PaintOverlayVertexGrips(benchmark::State& state) { PaintPolygon(state, 2); }
void BM_PaintOverlaySegmentGrips(benchmark::State& state) { PaintPolygon(state, 4); }

BENCHMARK(BM_PaintOverlayDrawing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOverlayVertexGrips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOverlaySegmentGrips)->Unit(benchmark::kMillisecond);

}  // namespace
