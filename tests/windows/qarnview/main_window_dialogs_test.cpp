// The application's own dialogs, as a user answers them: File Save As and Open (with the
// editor's properties in the file beside the drawing), the pen colour and the string
// file. A thread of the test finds each real dialog, fills it and presses OK or Cancel
// while the window's thread waits in the dialog.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/geojson_drawing.h"

namespace {

using namespace apptest;

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
    Pump();
    in = TempFile("qarnview-dialogs-in.geojson");
    out = TempFile("qarnview-dialogs-out.geojson");
    check = TempFile("qarnview-dialogs-check.geojson");
    WriteText(in, kTwoFigures);
    // Properties saved beside the drawing reach the editor when it is opened.
    WriteText(PropertiesPathFor(in), R"({"qarnedit": {"penColor": {"type": 3, "value": "65535"}}})");
    std::filesystem::remove(out);
    window.onLog = [this](const std::wstring& line) { events.push_back(line); };
    ASSERT_EQ(L"", window.Create(SW_SHOW));
    ASSERT_EQ(L"", window.OpenFile(in));
    editor.Reset(window.EditorDispatch());
    ASSERT_TRUE(editor);
  }
  void TearDown() override {
    editor.Reset();
    if (window.Window()) DestroyWindow(window.Window());
    Pump();
    for (const auto& p : {in, out, check, PropertiesPathFor(in), PropertiesPathFor(out), PropertiesPathFor(check)})
      std::filesystem::remove(p);
  }

  // Gives the command (a menu item or a button) with the watcher answering its dialogs;
  // returns how many it answered.
  int Command(int id, std::vector<DialogWatcher::Step> steps, std::vector<std::wstring>* seen = nullptr) {
    DialogWatcher watcher(GetCurrentThreadId(), std::move(steps));
    SendMessageW(window.Window(), WM_COMMAND, id, 0);
    int answered = watcher.Finish();
    if (seen) *seen = watcher.seen;
    Pump();
    return answered;
  }

  // The drawing the window holds now, as it saves it.
  qarnview::Drawing Current() {
    qarnview::Drawing drawing;
    EXPECT_EQ(L"", window.SaveFile(check));
    EXPECT_EQ("", qarnview::LoadDrawing(check, drawing));
    return drawing;
  }

  std::wstring Property(const wchar_t* name) {
    Variant value;
    EXPECT_HRESULT_SUCCEEDED(editor.Get(name, value));
    return value.AsText();
  }

  std::filesystem::path in, out, check;
  std::vector<std::wstring> events;
  MainWindow window;
  DispatchClient editor;
};

TEST_F(Dialogs, SaveAsWritesTheFileWithTheEditorsPropertiesAndOpenReadsItBack) {
  qarnview::Drawing original;
  ASSERT_EQ("", qarnview::LoadDrawing(in, original));
  ASSERT_EQ(1, Command(kFileSaveAs, {TypeFileNameAndOk(out.wstring())}));
  ASSERT_TRUE(std::filesystem::exists(out)) << "Save As wrote nothing";
  qarnview::Drawing written;
  ASSERT_EQ("", qarnview::LoadDrawing(out, written));
  EXPECT_EQ(original, written);
  TextPropertyBag props;
  ASSERT_EQ("", props.LoadFile(PropertiesPathFor(out)));
  const auto& entries = props.Entries();
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                          [](const auto& e) { return e.name == L"penColor" && e.text == L"65535"; }))
      << props.ToJson();

  SendMessageW(window.Window(), WM_COMMAND, kFileNew, 0);
  ASSERT_TRUE(Current().figures.empty());
  ASSERT_EQ(1, Command(kFileOpen, {TypeFileNameAndOk(out.wstring())}));
  EXPECT_TRUE(Has(events, L"Opened " + out.filename().wstring() + L" (2 figures)"));
  EXPECT_EQ(original, Current());
}

TEST_F(Dialogs, CancelChangesNothing) {
  const std::wstring pen = Property(L"penColor"), strings = Property(L"stringFile");
  SendMessageW(window.Window(), WM_COMMAND, kFileNew, 0);
  const size_t from = events.size();
  EXPECT_EQ(1, Command(kFileSaveAs, {PressCancel()}));
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(1, Command(kFileOpen, {PressCancel()}));
  EXPECT_EQ(1, Command(kPenColor, {PressCancel()}));
  EXPECT_EQ(1, Command(kStringFile, {PressCancel()}));
  for (size_t i = from; i < events.size(); ++i)
    for (const wchar_t* done : {L"Saved", L"Opened", L"Pen colour", L"String file"})
      EXPECT_NE(0u, events[i].rfind(done, 0)) << "after a Cancel: " << std::string(events[i].begin(), events[i].end());
  EXPECT_EQ(pen, Property(L"penColor"));
  EXPECT_EQ(strings, Property(L"stringFile"));
  EXPECT_TRUE(Current().figures.empty()) << "Open cancelled leaves the new drawing";
}

TEST_F(Dialogs, ABrokenFileChosenThroughOpenIsReportedAndTheDrawingStays) {
  auto bad = TempFile("qarnview-dialogs-bad.geojson");
  WriteText(bad, R"({"type": "FeatureCollection", "features": [)");
  qarnview::Drawing original;
  ASSERT_EQ("", qarnview::LoadDrawing(in, original));
  std::wstring message;
  std::vector<std::wstring> seen;
  EXPECT_EQ(2, Command(kFileOpen, {TypeFileNameAndOk(bad.wstring()), ReadMessageBoxAndOk(&message)}, &seen));
  EXPECT_FALSE(message.empty()) << "the message box says why";
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(0u, seen[1].rfind(L"qarnview: cannot open the drawing", 0)) << seen[1].c_str();
  EXPECT_EQ(original, Current());
  std::filesystem::remove(bad);
}

TEST_F(Dialogs, ThePenColourChosenDrawsTheNextSavedFigure) {
  ASSERT_EQ(1, Command(kPenColor, {ChooseColourAndOk(10, 200, 30)}));
  const long chosen = RGB(10, 200, 30);
  EXPECT_EQ(std::to_wstring(chosen), Property(L"penColor"));
  EXPECT_TRUE(Has(events, L"Pen colour " + std::to_wstring(chosen)));

  SendMessageW(window.Window(), WM_COMMAND, kPolyline, 0);
  Click(window.ViewInputWindow(), 400, 50);
  Click(window.ViewInputWindow(), 450, 80);
  SendMessageW(window.Window(), WM_COMMAND, kSaveEdit, 0);
  qarnview::Drawing drawing = Current();
  ASSERT_EQ(3u, drawing.figures.size());
  EXPECT_EQ(static_cast<uint32_t>(chosen), drawing.figures[2].penColor);
  EXPECT_EQ(65280u, drawing.figures[0].penColor) << "the figures already there keep theirs";
  Screenshot(window.Window(), "qarnview-pen-colour");
}

TEST_F(Dialogs, TheStringFileChosenIsSetOnTheEditor) {
  auto strings = TempFile("qarnview-dialogs-strings.ini");
  std::filesystem::remove(strings);
  ASSERT_EQ(1, Command(kStringFile, {TypeFileNameAndOk(strings.wstring())}));
  EXPECT_EQ(0, _wcsicmp(strings.wstring().c_str(), Property(L"stringFile").c_str()))
      << "stringFile is " << std::string(Property(L"stringFile").begin(), Property(L"stringFile").end());
  std::filesystem::remove(strings);
}

}  // namespace
