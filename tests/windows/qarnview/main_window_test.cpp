// The main window's drawing: opened and saved again it comes back equal with the
// editor's properties in the file beside it, and the view control holds the drawing's
// figures. A broken file chosen through Open is main_window_dialogs_test's; edits
// picked in the view replacing their figure, and figures drawn and saved reaching the
// view, are main_window_view_updates_test's; pen colours in the picture are the
// --render run's.
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


long ViewRecordCount(MainWindow& window) {
  DispatchClient view;
  view.Reset(window.ViewDispatch());
  Variant count;
  EXPECT_HRESULT_SUCCEEDED(view.Call(L"recordCount", {}, &count));
  return count.AsLong(-1);
}

TEST(MainWindowView, TheHostedViewTakesTheMouseAndOpenHandsItEachFigureAndNewClearsIt) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "view control not registered";
  auto in = TempFile("qarnview-view-in.geojson");
  WriteText(in, kDrawing);
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  EXPECT_FALSE(window.ViewIsFallback());
  // The view's own window, inside the pane, is where the mouse arrives.
  EXPECT_NE(window.ViewWindow(), window.ViewInputWindow());
  EXPECT_TRUE(IsChild(window.ViewWindow(), window.ViewInputWindow()));
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
