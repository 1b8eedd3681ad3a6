// The caption of each step and the measures in front of it.
#include <cmath>

#include "core_fixture.h"

TEST_F(ControlTest, EveryStepHasItsPrompt) {
  Connect();
  ctl->drawPolyline();
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
    EXPECT_EQ(StepNumber(Editor().Step()), step);
    const char* expected = step <= 15 ? prompts[step] : "";
    EXPECT_EQ(ctl->m_caption, CString(expected)) << "step " << step;
    EXPECT_EQ(sink.events.back(), std::string("CaptionChanged(") + expected + ")") << "step " << step;
  }
}

TEST_F(ControlTest, PolygonMeasuresAddSignedAreasOfClosedRings) {
  Connect();
  ctl->drawPolygon();
  const double square[][2] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
  for (auto& p : square) AddVertex(0, p[0], p[1]);
  double area = 0, length = 0;
  Editor().ComputeMeasures(area, length);
  EXPECT_DOUBLE_EQ(area, 12);
  EXPECT_DOUBLE_EQ(length, 14);

  // A hole turning the other way is subtracted (Figure's measures); one turning the
  // same way is added.
  const double same[][2] = {{1, 1}, {2, 1}, {2, 2}, {1, 2}};
  for (auto& p : same) AddVertex(1, p[0], p[1]);
  Editor().ComputeMeasures(area, length);
  EXPECT_DOUBLE_EQ(area, 13) << "a hole turning the same way is added";

  ClearRing(1);
  AddVertex(1, 0, 0);
  AddVertex(1, 0, 5);
  Editor().ComputeMeasures(area, length);
  EXPECT_DOUBLE_EQ(area, 12) << "a two-vertex ring adds no area";
  EXPECT_DOUBLE_EQ(length, 24) << "but twice its length";

  ctl->m_formatPolygonParams = "%.0f/%.0f ";
  Editor().SetStep(EditStep(2));
  EXPECT_EQ(ctl->m_caption, CString("12/24 Drag a vertex to move it"));
}

