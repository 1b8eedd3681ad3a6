// The caption of each step, and the measures in front of it (computed by the figure,
// figure_test.cpp).
#include <climits>

#include "core_fixture.h"
#include "platform/afx_dc.h"

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

// The measures in front of the prompt follow each click and a vertex moved after it was
// drawn: a polyline's length, a polygon's area and perimeter, none for a point. A
// polyline has one measure, so a format asking for two shows none. Undo's caption is
// undo_test.cpp's.
TEST_F(ControlTest, MeasuresFollowTheFigure) {
  struct Case {
    int32_t mode;
    Names captions;  // after clicks at (0, 0), (3, 4), (3, 10), then (3, 10) dragged to (3, 16)
  };
  const Case cases[] = {
      {MODE_POLYLINE, {"L=0.0 Click to draw", "L=5.0 Click to draw", "L=11.0 Click to draw",
                       "L=17.0 Drag a vertex to move it"}},
      {MODE_POLYGON, {"A=0.0 P=0.0 Click to draw", "A=0.0 P=10.0 Click to draw", "A=9.0 P=21.4 Click to draw",
                      "A=18.0 P=33.3 Drag a vertex to move it"}},
      {MODE_POINT, {"Click to draw", "Click to draw", "Click to draw"}},
  };
  ctl->m_formatPolylineParams = "L=%.1f %.1f ";
  StartDrawing(MODE_POLYLINE);
  EXPECT_EQ(ctl->m_caption, CString("Click to draw")) << "two values asked of a polyline";
  ctl->abortEdit();
  ctl->m_formatPolylineParams = "L=%.1f ";
  ctl->m_formatPolygonParams = "A=%.1f P=%.1f ";
  for (const Case& c : cases) {
    StartDrawing(c.mode);
    Names captions;
    for (const auto& [x, y] : {std::pair{0, 0}, {3, 4}, {3, 10}}) {
      PressAt(x, y);
      ReleaseAt(x, y);
      captions.push_back(ctl->m_caption.str());
    }
    if (c.mode != MODE_POINT) {
      Editor().OnMenuMoveVertex();
      PressAt(3, 10);
      MoveTo(3, 16);
      ReleaseAt(3, 16);
      captions.push_back(ctl->m_caption.str());
    }
    EXPECT_EQ(captions, c.captions) << "mode " << c.mode;
    ctl->abortEdit();
  }
}

// The control's window shows the caption centred both ways: two pixels more of height
// move the text one pixel down, two more of width one pixel right.
TEST_F(ControlTest, TheCaptionIsDrawnInTheMiddleOfTheControl) {
  StartDrawing(MODE_POLYLINE);
  struct Ink {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  };
  const auto draw = [&](int width, int height) {
    HWND window = QarnCreateWindow(nullptr, width, height);
    HDC hdc = GetDC(window);
    CDC dc;
    dc.Attach(hdc);
    CRect bounds(0, 0, width, height);
    ctl->OnDraw(&dc, bounds, bounds);
    dc.Detach();
    const COLORREF background = GetPixel(hdc, 0, 0);
    Ink ink;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (GetPixel(hdc, x, y) != background) {
          ink.left = std::min(ink.left, x);
          ink.right = std::max(ink.right, x);
          ink.top = std::min(ink.top, y);
          ink.bottom = std::max(ink.bottom, y);
        }
    ReleaseDC(window, hdc);
    DestroyWindow(window);
    return ink;
  };
  const Ink at = draw(200, 40), taller = draw(200, 42), wider = draw(202, 40);
  ASSERT_GE(at.right, 0) << "the caption is drawn";
  // The letters fill the font's cell but for its leading and descent: a few pixels.
  EXPECT_NEAR(at.top, 39 - at.bottom, 4) << "margins above and below the text";
  EXPECT_EQ(taller.top, at.top + 1);
  EXPECT_EQ(taller.left, at.left);
  EXPECT_EQ(wider.left, at.left + 1);
  EXPECT_EQ(wider.top, at.top);
}
