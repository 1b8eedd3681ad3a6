// The main window's view control holds the drawing's figures. A drawing saved and
// opened again, with the editor's properties in the file beside it, and a broken file
// chosen through Open are main_window_dialogs_test's; edits picked in the view
// replacing their figure, and figures drawn and saved reaching the view, are
// main_window_view_updates_test's; pen colours in the picture are the --render run's.
#include <gtest/gtest.h>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"

using namespace apptest;

namespace {

TEST(MainWindowView, TheHostedViewTakesTheMouseAndOpenHandsItEachFigureAndNewClearsIt) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "view control not registered";
  auto in = TempFile("qarnview-view-in.geojson");
  WriteText(in, kTwoFigures);
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
