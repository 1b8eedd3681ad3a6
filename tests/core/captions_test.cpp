// The caption of each step. The measures in front of it are the figure's
// (figure_test.cpp), as the drawing shows them in button_up_test.cpp.
#include "core_fixture.h"

TEST_F(ControlTest, EveryStepHasItsPrompt) {
  StartDrawing(MODE_POLYLINE);
  const char* prompts[16] = {"",
                             "Click to draw",
                             "Drag a vertex to move it",
                             "Drop the vertex to its new position",
                             "Drag a grip to split the segment",
                             "Drop the vertex to its new position",
                             "Click a vertex to delete it",
                             "Click a vertex to delete it",
                             "Click and drag to move",
                             "Drop to the new position",
                             "Click and drag to rotate",
                             "Drop to the new rotation",
                             "Drop the center to its new position",
                             "Click and drag to scale",
                             "Drop to the new scale",
                             "Drop the center to its new position"};
  for (int step = 0; step <= 16; ++step) {
    Editor().SetStep(EditStep(step));
    const char* expected = step <= 15 ? prompts[step] : "";
    EXPECT_EQ(ctl->m_caption, CString(expected)) << "step " << step;
    EXPECT_EQ(sink.events.back(), std::string("CaptionChanged(") + expected + ")") << "step " << step;
  }
}

// A polyline has one measure: a format asking for two shows none. The length follows a
// vertex moved after it was drawn, and moved back by undo.
TEST_F(ControlTest, PolylineMeasuresFollowTheFigure) {
  ctl->m_formatPolylineParams = "L=%.1f %.1f ";
  StartDrawing(MODE_POLYLINE);
  EXPECT_EQ(ctl->m_caption, CString("Click to draw"));
  ctl->m_formatPolylineParams = "L=%.1f ";
  for (int x : {0, 30}) {
    PressAt(x, x * 4 / 3);
    ReleaseAt(x, x * 4 / 3);
  }
  EXPECT_EQ(ctl->m_caption, CString("L=50.0 Click to draw"));
  Editor().OnMenuMoveVertex();
  PressAt(30, 40);
  MoveTo(60, 80);
  ReleaseAt(60, 80);
  EXPECT_EQ(ctl->m_caption, CString("L=100.0 Drag a vertex to move it"));
  ASSERT_TRUE(ctl->undo());
  EXPECT_EQ(ctl->m_caption, CString("L=50.0 Drag a vertex to move it"));
}
