// The caption of each step, with the measures of the figure in front of it.
#include <algorithm>
#include <cmath>

#include "editcore/edit_controller.h"
#include "editcore/measure_format.h"
#include "resources/resource.h"

namespace {
UINT PromptId(EditStep step) {
  static const UINT kIds[16] = {0,
                                IDS_STEP_DRAW,
                                IDS_STEP_DRAG_VERTEX,
                                IDS_STEP_DROP_VERTEX,
                                IDS_STEP_DRAG_GRIP,
                                IDS_STEP_DROP_SPLIT,
                                IDS_STEP_DELETE_VERTEX,
                                IDS_STEP_DELETE_VERTEX,
                                IDS_STEP_MOVE,
                                IDS_STEP_DROP_MOVE,
                                IDS_STEP_ROTATE,
                                IDS_STEP_DROP_ROTATE,
                                IDS_STEP_DROP_ROTATE_CENTER,
                                IDS_STEP_SCALE,
                                IDS_STEP_DROP_SCALE,
                                IDS_STEP_DROP_SCALE_CENTER};
  const int32_t n = StepNumber(step);
  return n >= 1 && n <= 15 ? kIds[n] : 0;
}
}  // namespace

void EditController::SetStep(EditStep step) {
  // A press or menu command whose Snap or dialog let the container end the edit goes on
  // to its next step; an edit that is over has no step but idle.
  if (m_mode == MODE_IDLE && step != EditStep::Idle) return;
  m_step = step;
  // A step without a prompt shows nothing, measures or not. Otherwise one string per
  // click: the prompt as it comes, or measures and prompt written once into room for both.
  CString caption;
  if (const UINT id = PromptId(step)) {
    CString prompt = m_pSite->LocalizedString(id);
    const std::string_view prefix = MeasurePrefix();
    if (prefix.empty()) {
      caption = std::move(prompt);
    } else {
      std::string text;
      text.reserve(prefix.size() + prompt.str().size());
      text.append(prefix).append(prompt.str());
      caption = CString(std::move(text));
    }
  }
  m_pSite->SetCaption(caption);
}

std::string_view EditController::MeasurePrefix() const {
  if (m_mode == MODE_POLYLINE && !m_pSite->PolylineMeasureFormat().IsEmpty()) {
    double area = 0, length = 0;
    ComputeMeasures(area, length);
    return m_measureFormatter.Write(m_pSite->PolylineMeasureFormat().str(), 1, length, 0.0);
  }
  if (m_mode == MODE_POLYGON && !m_pSite->PolygonMeasureFormat().IsEmpty()) {
    double area = 0, length = 0;
    ComputeMeasures(area, length);
    return m_measureFormatter.Write(m_pSite->PolygonMeasureFormat().str(), 2, area, length);
  }
  return {};
}

void EditController::ComputeMeasures(double& area, double& length) const {
  Figure::Measures m;
  if (m_mode == MODE_POLYLINE)
    m = m_figure.OpenMeasures();
  else if (m_mode == MODE_POLYGON)
    m = m_figure.ClosedMeasures();
  area = m.area;
  length = m.length;
}
