// A saved edit reaches the view and the file as the one figure it changed: a new figure
// is added, an edited one (picked in the view) replaced in its place, and what else the
// view holds is left alone (a record
// given to the view by someone else shows whether the view was cleared and refilled).
#include <gtest/gtest.h>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/figure_records.h"
#include "qarnview/geojson_drawing.h"

namespace {

using namespace apptest;

// OLE colours (0x00BBGGRR) and the same as picture pixels (0xRRGGBB).
constexpr long kBlue = 0xFF0000, kGreen = 0x008000, kOrange = 0x0080FF, kPurple = 0xC800C8;
constexpr uint32_t kBluePixel = 0x0000FF, kGreenPixel = 0x008000, kOrangePixel = 0xFF8000, kPurplePixel = 0xC800C8;

TEST(MainWindowViewUpdates, ASavedEditSendsOnlyTheFigureItChanged) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "view control not registered";
  auto in = TempFile("qarnview-updates-in.geojson");
  auto picture = TempFile("qarnview-updates.bmp");
  auto out = TempFile("qarnview-updates-out.geojson");
  // A blue line at world Y 300 and a green one at Y 100 (pixel row 380).
  WriteText(in, R"({"type": "FeatureCollection", "features": [
    {"type": "Feature", "properties": {"penColor": 16711680},
     "geometry": {"type": "LineString", "coordinates": [[100, 300], [300, 300]]}},
    {"type": "Feature", "properties": {"penColor": 32768},
     "geometry": {"type": "LineString", "coordinates": [[100, 100], [300, 100]]}}]})");
  Pump();
  MainWindow window;
  ASSERT_EQ(L"", window.Create(SW_SHOW));
  ASSERT_EQ(L"", window.OpenFile(in));
  DispatchClient view(window.ViewDispatch());
  ASSERT_EQ(2, ViewRecordCount(window));

  // An orange line the drawing does not know: it stays only while nobody clears the view.
  qarnview::Figure marker;
  marker.kind = qarnview::FigureKind::kPolyline;
  marker.rings.push_back({{{400, 200, 0}, {600, 200, 0}}});
  RECORDADDR record = 0;
  ASSERT_EQ("", qarnview::FigureToRecord(marker, record));
  Variant taken;
  ASSERT_HRESULT_SUCCEEDED(view.Call(L"addRecord", {static_cast<long>(record), kOrange}, &taken));
  qarnview::ReleaseRecord(record);
  ASSERT_TRUE(taken.AsBool());

  // A new figure: one record more.
  DispatchClient editor(window.EditorDispatch());
  ASSERT_HRESULT_SUCCEEDED(editor.Put(L"penColor", kPurple));
  HWND input = window.ViewInputWindow();
  SendMessageW(window.Window(), WM_COMMAND, kPolyline, 0);
  Click(input, 50, 50);
  Click(input, 90, 70);
  SendMessageW(window.Window(), WM_COMMAND, kSaveEdit, 0);
  EXPECT_EQ(4, ViewRecordCount(window)) << "the new figure added to what the view held";

  // The green line edited: its first vertex dragged from (100, 100) to (150, 150).
  SendMessageW(window.Window(), WM_COMMAND, kEditSelected, 0);
  Click(input, 200, 382);
  Drag(input, 100, 380, 150, 330);
  SendMessageW(window.Window(), WM_COMMAND, kSaveEdit, 0);
  EXPECT_EQ(4, ViewRecordCount(window)) << "the edited figure replaced its record";
  // In the file too the edited figure keeps the place of the one picked.
  ASSERT_EQ(L"", window.SaveFile(out));
  qarnview::Drawing saved;
  ASSERT_EQ("", qarnview::LoadDrawing(out, saved));
  ASSERT_EQ(3u, saved.figures.size());
  EXPECT_EQ((std::vector<qarnview::Vertex>{{100, 300, 0}, {300, 300, 0}}), saved.figures[0].rings.at(0).vertices);
  EXPECT_EQ((std::vector<qarnview::Vertex>{{150, 150, 0}, {300, 100, 0}}), saved.figures[1].rings.at(0).vertices);

  ASSERT_EQ("", window.SaveViewPicture(picture));
  EXPECT_GE(CountPixels(picture, kOrangePixel), 190) << "the view was not cleared";
  EXPECT_GE(CountPixels(picture, kBluePixel), 190) << "the figure not edited is still shown";
  EXPECT_EQ(0, CountPixels(picture, kGreenPixel)) << "the edited figure's old record is gone";
  // The new short line and the edited one, both in the editor's pen.
  EXPECT_GE(CountPixels(picture, kPurplePixel), 150 + 35);
  Screenshot(window.Window(), "qarnview-view-updates");
  DestroyWindow(window.Window());
  Pump();
  for (const auto& p : {in, picture, out, PropertiesPathFor(out)}) std::filesystem::remove(p);
}

}  // namespace
