// Cost of one overlay paint of a large polygon: every vertex goes through the host's
// conversion, and the grips of the step are drawn on top of the outline.
#include <benchmark/benchmark.h>

#include <cmath>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "platform/afx_dc.h"
#include "platform/desktop.h"
#include "platform/window.h"
#include "refhost/reference_host.h"

namespace {

constexpr int kVertexCount = 10000;

// A control editing a polygon of kVertexCount vertices on a circle filling the view.
struct PolygonEdit {
  ReferenceHost host;
  CQarneditCtrl* ctl;
  PolygonEdit() {
    QarneditModuleInit();
    ctl = new CQarneditCtrl();
    ctl->SetQarnocx(host.GetDispatch());
    ctl->drawPolygon();
    EditController& ec = *ctl->m_pEditController;
    Ring& ring = ec.m_figure.Vertices(0);
    ring.EnsureIndex(kVertexCount - 1);
    for (int i = 0; i < kVertexCount; ++i) {
      const double t = 2 * 3.14159265358979 * i / kVertexCount;
      ring.x[i] = 320 + 230 * std::cos(t);
      ring.y[i] = 240 + 230 * std::sin(t);
      ring.z[i] = 0;
      ring.part[i] = 1;
    }
    ec.m_figure.SetVertexCount(0, kVertexCount);
  }
  ~PolygonEdit() {
    ctl->abortEdit();
    ctl->Release();
  }
};

void PaintPolygon(benchmark::State& state, int32_t step) {
  PolygonEdit edit;
  EditController& ec = *edit.ctl->m_pEditController;
  ec.SetStep(EditStep(step));
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
