// Undo and redo in the desktop container: Ctrl+Z, Ctrl+Y and the two buttons reach the
// editor, and the buttons are grayed exactly when the editor has nothing to take back
// or replay, whatever its history holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"

using namespace apptest;

namespace {

// The thread's view of the Ctrl key, which the window reads with GetKeyState.
void HoldControl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

bool KeyTaken(MainWindow& window, WPARAM key, bool control) {
  HoldControl(control);
  MSG msg = {};
  msg.hwnd = window.ViewWindow();
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  bool taken = window.TranslateKey(msg);
  HoldControl(false);
  return taken;
}

class MainWindowUndo : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
    window.onLog = [this](const std::wstring& line) { log.push_back(line); };
    ASSERT_EQ(L"", window.Create(SW_HIDE));
    editor.Reset(window.EditorDispatch());
    ASSERT_TRUE(editor) << "the editor control was not made";
  }
  void TearDown() override {
    editor.Reset();  // the window lets its editor go itself
    if (window.Window()) DestroyWindow(window.Window());
  }

  bool Flag(const wchar_t* name) {
    Variant value;
    EXPECT_HRESULT_SUCCEEDED(editor.Get(name, value)) << name;
    return value.AsBool();
  }
  bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(window.Window(), id)) != FALSE; }

  // The buttons show what the editor says, after whatever `step` was.
  void ExpectButtonsFollowTheEditor(const char* step) {
    EXPECT_EQ(Enabled(kUndo), Flag(L"canUndo")) << "Undo button after " << step;
    EXPECT_EQ(Enabled(kRedo), Flag(L"canRedo")) << "Redo button after " << step;
  }

  // What the window said the editor answered; the answer must match what the editor
  // reported it could do just before.
  void ExpectAnswer(bool could, const wchar_t* done, const wchar_t* nothing, const char* step) {
    ASSERT_FALSE(log.empty()) << step;
    EXPECT_EQ(log.back(), could ? done : nothing) << step;
  }

  MainWindow window;
  DispatchClient editor;
  std::vector<std::wstring> log;
};

TEST_F(MainWindowUndo, ButtonsAreGrayedWhenIdleAndTheKeysAndButtonsCallTheEditor) {
  ASSERT_NE(GetDlgItem(window.Window(), kUndo), nullptr);
  ASSERT_NE(GetDlgItem(window.Window(), kRedo), nullptr);
  EXPECT_FALSE(Enabled(kUndo)) << "idle";
  EXPECT_FALSE(Enabled(kRedo)) << "idle";

  // Without an edit the keys still reach the editor, which has nothing to take back.
  EXPECT_TRUE(KeyTaken(window, 'Z', true));
  ExpectAnswer(false, L"Undo", L"Nothing to undo", "Ctrl+Z when idle");
  EXPECT_TRUE(KeyTaken(window, 'Y', true));
  ExpectAnswer(false, L"Redo", L"Nothing to redo", "Ctrl+Y when idle");
  // Without Ctrl the letters are not the window's.
  const size_t lines = log.size();
  EXPECT_FALSE(KeyTaken(window, 'Z', false));
  EXPECT_FALSE(KeyTaken(window, 'Y', false));
  EXPECT_EQ(log.size(), lines);

  HWND pane = window.ViewInputWindow();
  SendMessageW(window.Window(), WM_COMMAND, kPolyline, 0);
  ExpectButtonsFollowTheEditor("starting a polyline");
  Click(pane, 50, 50);
  ExpectButtonsFollowTheEditor("the first click");
  Click(pane, 90, 70);
  ExpectButtonsFollowTheEditor("the second click");

  bool could = Flag(L"canUndo");
  EXPECT_TRUE(KeyTaken(window, 'Z', true));
  ExpectAnswer(could, L"Undo", L"Nothing to undo", "Ctrl+Z");
  ExpectButtonsFollowTheEditor("Ctrl+Z");
  could = Flag(L"canRedo");
  EXPECT_TRUE(KeyTaken(window, 'Y', true));
  ExpectAnswer(could, L"Redo", L"Nothing to redo", "Ctrl+Y");
  ExpectButtonsFollowTheEditor("Ctrl+Y");

  could = Flag(L"canUndo");
  SendMessageW(window.Window(), WM_COMMAND, kUndo, 0);
  ExpectAnswer(could, L"Undo", L"Nothing to undo", "the Undo button");
  ExpectButtonsFollowTheEditor("the Undo button");
  could = Flag(L"canRedo");
  SendMessageW(window.Window(), WM_COMMAND, kRedo, 0);
  ExpectAnswer(could, L"Redo", L"Nothing to redo", "the Redo button");
  ExpectButtonsFollowTheEditor("the Redo button");

  // Escape aborts the edit: its history goes with it.
  EXPECT_TRUE(KeyTaken(window, VK_ESCAPE, false));
  EXPECT_FALSE(Enabled(kUndo)) << "after the abort";
  EXPECT_FALSE(Enabled(kRedo)) << "after the abort";
}

}  // namespace
