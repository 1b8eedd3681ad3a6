// The container's drawing files as the main window keeps them: a drawing opened and
// saved again comes back equal, the editor's properties travel in the file beside it,
// and a broken file leaves the open drawing as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "qarnview/app/main_window.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/geojson_drawing.h"

namespace {

std::filesystem::path TempFile(const char* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::filesystem::path(folder) / name;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const char kDrawing[] = R"({"type": "FeatureCollection", "features": [
  {"type": "Feature", "properties": {"penColor": 65280},
   "geometry": {"type": "LineString", "coordinates": [[10, 20], [30.5, 40]]}},
  {"type": "Feature", "properties": {"fillStyle": 2},
   "geometry": {"type": "Polygon", "coordinates": [[[0, 0], [5, 0], [5, 5], [0, 0]]]}}]})";

bool ControlsRegistered() {
  CLSID clsid;
  return SUCCEEDED(CLSIDFromProgID(L"QARNEDIT.QarneditCtrl.1", &clsid)) &&
         SUCCEEDED(CLSIDFromProgID(L"QARNREF.RefHost.1", &clsid));
}

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

TEST(MainWindowFiles, ABrokenFileIsRefusedAndTheOpenDrawingStays) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  auto good = TempFile("qarnview-window-good.geojson");
  auto bad = TempFile("qarnview-window-bad.geojson");
  auto out = TempFile("qarnview-window-after.geojson");
  WriteText(good, kDrawing);
  WriteText(bad, R"({"type": "FeatureCollection", "features": [{"type": "Feature", "geometry": {"type": "LineString", "coordinates": [[1, 2]]}}]})");

  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_HIDE));
  ASSERT_EQ(L"", window.OpenFile(good));
  EXPECT_NE(L"", window.OpenFile(bad));
  EXPECT_NE(L"", window.OpenFile(TempFile("qarnview-window-missing.geojson")));
  ASSERT_EQ(L"", window.SaveFile(out));
  qarnview::Drawing expected, after;
  ASSERT_EQ("", qarnview::LoadDrawing(good, expected));
  ASSERT_EQ("", qarnview::LoadDrawing(out, after));
  EXPECT_EQ(expected, after);
  DestroyWindow(window.Window());
  for (const auto& p : {good, bad, out, PropertiesPathFor(out)}) std::filesystem::remove(p);
}

}  // namespace
