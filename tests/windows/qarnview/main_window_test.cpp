// The main window's drawing: opened and saved again it comes back equal with the
// editor's properties in the file beside it, edits picked in the view replace their
// figure, and the view control holds the drawing's figures. A broken file chosen
// through Open is main_window_dialogs_test's; figures drawn and saved reaching the view
// are main_window_view_updates_test's; pen colours in the picture are the --render run's.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/geojson_drawing.h"

using namespace apptest;

namespace {

const char kDrawing[] = R"({"type": "FeatureCollection", "features": [
  {"type": "Feature", "properties": {"penColor": 65280},
   "geometry": {"type": "LineString", "coordinates": [[10, 20], [30.5, 40]]}},
  {"type": "Feature", "properties": {"fillStyle": 2},
   "geometry": {"type": "Polygon", "coordinates": [[[0, 0], [5, 0], [5, 5], [0, 0]]]}}]})";

TEST(MainWindowFiles, OpenThenSaveKeepsTheFiguresAndWritesTheEditorsProperties) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  auto in = TempFile("qarnview-window-in.geojson");
  auto out = TempFile("qarnview-window-out.geojson");
  WriteText(in, kDrawing);
  // Properties saved beside the opened drawing reach the editor.
  WriteText(PropertiesPathFor(in), R"({"qarnedit": {"penColor": {"type": 3, "value": "65535"}}})");

  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  ASSERT_EQ(L"", window.OpenFile(in));
  ASSERT_EQ(L"", window.SaveFile(out));

  qarnview::Drawing expected, saved;
  ASSERT_EQ("", qarnview::LoadDrawing(in, expected));
  ASSERT_EQ("", qarnview::LoadDrawing(out, saved));
  EXPECT_EQ(expected, saved);

  TextPropertyBag props;
  ASSERT_EQ("", props.LoadFile(PropertiesPathFor(out)));
  bool sawPen = false;
  for (const auto& e : props.Entries()) {
    if (e.name == L"penColor") {
      sawPen = true;
      EXPECT_EQ(L"65535", e.text);
    }
  }
  EXPECT_TRUE(sawPen) << props.ToJson();
  DestroyWindow(window.Window());
  for (const auto& p : {in, out, PropertiesPathFor(in), PropertiesPathFor(out)}) std::filesystem::remove(p);
}

}  // namespace

namespace {

// What a user does with the mouse in the view, sent to the window that receives it:
// the view control's own window when it is hosted, otherwise the pane.
void Mouse(HWND pane, UINT msg, int x, int y) {
  SendMessageW(pane, msg, msg == WM_LBUTTONDOWN || msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

TEST(MainWindowEditing, EditSelectedPicksTheFigureAndEnterReplacesItWithTheEditedOne) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  auto in = TempFile("qarnview-edit-in.geojson");
  auto out = TempFile("qarnview-edit-out.geojson");
  // Two horizontal lines; the view is 480 pixels high at scale 1, so world Y 100 is pixel 380.
  WriteText(in, R"({"type": "FeatureCollection", "features": [
    {"type": "Feature", "geometry": {"type": "LineString", "coordinates": [[100, 300], [300, 300]]}},
    {"type": "Feature", "geometry": {"type": "LineString", "coordinates": [[100, 100], [300, 100]]}}]})");
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  ASSERT_EQ(L"", window.OpenFile(in));
  HWND pane = window.ViewInputWindow();

  SendMessageW(window.Window(), WM_COMMAND, kEditSelected, 0);
  Mouse(pane, WM_LBUTTONDOWN, 200, 382);  // near the second line's middle: a pick, not a vertex
  Mouse(pane, WM_LBUTTONUP, 200, 382);
  // Drag its first vertex from (100, 100) to (150, 150).
  Mouse(pane, WM_LBUTTONDOWN, 100, 380);
  Mouse(pane, WM_MOUSEMOVE, 125, 355);
  Mouse(pane, WM_MOUSEMOVE, 150, 330);
  Mouse(pane, WM_LBUTTONUP, 150, 330);
  Key(window, VK_RETURN);
  ASSERT_EQ(L"", window.SaveFile(out));

  qarnview::Drawing saved;
  ASSERT_EQ("", qarnview::LoadDrawing(out, saved));
  ASSERT_EQ(2u, saved.figures.size()) << "the edited figure replaces the one picked";
  const auto& first = saved.figures[0].rings.at(0).vertices;
  const auto& second = saved.figures[1].rings.at(0).vertices;
  EXPECT_EQ((std::vector<qarnview::Vertex>{{100, 300, 0}, {300, 300, 0}}), first);
  EXPECT_EQ((std::vector<qarnview::Vertex>{{150, 150, 0}, {300, 100, 0}}), second);
  DestroyWindow(window.Window());
  for (const auto& p : {in, out, PropertiesPathFor(out)}) std::filesystem::remove(p);
}

TEST(MainWindowEditing, EscapeAbortsADrawingAndTheDrawingStays) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  auto out = TempFile("qarnview-abort-out.geojson");
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  HWND pane = window.ViewInputWindow();
  SendMessageW(window.Window(), WM_COMMAND, kPolyline, 0);
  Mouse(pane, WM_LBUTTONDOWN, 50, 50);
  Mouse(pane, WM_LBUTTONUP, 50, 50);
  Mouse(pane, WM_LBUTTONDOWN, 90, 70);
  Mouse(pane, WM_LBUTTONUP, 90, 70);
  Key(window, VK_ESCAPE);
  Key(window, VK_RETURN);  // nothing left to save
  ASSERT_EQ(L"", window.SaveFile(out));
  qarnview::Drawing saved;
  ASSERT_EQ("", qarnview::LoadDrawing(out, saved));
  EXPECT_TRUE(saved.figures.empty());
  DestroyWindow(window.Window());
  for (const auto& p : {out, PropertiesPathFor(out)}) std::filesystem::remove(p);
}

}  // namespace

namespace {

long ViewRecordCount(MainWindow& window) {
  DispatchClient view;
  view.Reset(window.ViewDispatch());
  Variant count;
  EXPECT_HRESULT_SUCCEEDED(view.Call(L"recordCount", {}, &count));
  return count.AsLong(-1);
}

TEST(MainWindowView, TheViewControlIsHostedAndTakesTheMouse) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "view control not registered";
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  EXPECT_FALSE(window.ViewIsFallback());
  // The view's own window, inside the pane, is where the mouse arrives.
  EXPECT_NE(window.ViewWindow(), window.ViewInputWindow());
  EXPECT_TRUE(IsChild(window.ViewWindow(), window.ViewInputWindow()));
  DestroyWindow(window.Window());
}

TEST(MainWindowView, OpenHandsEachFigureToTheViewAndNewClearsIt) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "view control not registered";
  auto in = TempFile("qarnview-view-in.geojson");
  WriteText(in, kDrawing);
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  EXPECT_EQ(0, ViewRecordCount(window));
  ASSERT_EQ(L"", window.OpenFile(in));
  EXPECT_EQ(2, ViewRecordCount(window));
  // Opened again: the view shows the file's figures once, not twice.
  ASSERT_EQ(L"", window.OpenFile(in));
  EXPECT_EQ(2, ViewRecordCount(window));
  SendMessageW(window.Window(), WM_COMMAND, kFileNew, 0);
  EXPECT_EQ(0, ViewRecordCount(window));
  DestroyWindow(window.Window());
  std::filesystem::remove(in);
}

}  // namespace
