// Closing the main window while an edit runs, however it is closed, and drags that end
// outside the view: driven by real window messages and real input, checked by the
// events the container heard, the host's state and the figure saved.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_test_support.h"
#include "qarnview/app/main_window.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/geojson_drawing.h"

namespace {

using namespace apptest;

// Runs this thread's message loop as qarnview's does, until WM_QUIT (true) or the time
// limit (false).
bool RunUntilQuit(MainWindow& window, DWORD limitMs) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < limitMs) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      if (window.TranslateKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return false;
}

void PostMouse(HWND hwnd, UINT msg, int x, int y) {
  PostMessageW(hwnd, msg, msg == WM_LBUTTONDOWN || msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

std::wstring Text(DispatchClient& object, const wchar_t* member) {
  Variant value;
  object.Get(member, value);
  return value.AsText();
}

// What the editor changes in the host while it draws and must give back.
std::wstring HostState(DispatchClient& host) {
  return Text(host, L"inputState") + L" / " + Text(host, L"modePair") + L" / " + Text(host, L"referencePoint");
}

// The two closes the window itself handles: WM_CLOSE (what the system menu's Close also
// becomes, through DefWindowProc) and File Exit.
enum class CloseBy { kCloseMessage, kFileExit };

class ClosingDuringAnEdit : public ::testing::TestWithParam<CloseBy> {};

TEST_P(ClosingDuringAnEdit, AbortsTheEditGivesTheHostItsStateBackAndQuits) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  Pump();  // a quit left by an earlier test's window
  std::vector<std::wstring> events;
  MainWindow window;
  window.onLog = [&events](const std::wstring& line) { events.push_back(line); };
  ASSERT_EQ(L"", window.Create(SW_SHOWNOACTIVATE));
  HWND main = window.Window();
  // Held past the close, to read what the editor left in the host.
  DispatchClient host(window.ViewDispatch());
  // A reference point the host really has (off), which the editor saves and restores.
  ASSERT_HRESULT_SUCCEEDED(host.Put(L"referencePoint", L"0 0 0 0"));
  const std::wstring before = HostState(host);

  PostMessageW(main, WM_COMMAND, kPolyline, 0);
  HWND input = window.ViewInputWindow();
  PostMouse(input, WM_LBUTTONDOWN, 50, 50);
  PostMouse(input, WM_LBUTTONUP, 50, 50);
  PostMouse(input, WM_MOUSEMOVE, 120, 90);
  Pump();
  ASSERT_NE(before, HostState(host)) << "the drawing should have the host's state changed";
  ASSERT_FALSE(Has(events, L"EditAborted"));
  if (GetParam() == CloseBy::kCloseMessage) Screenshot(main, "qarnview-before-close-mid-edit");

  switch (GetParam()) {
    case CloseBy::kCloseMessage: PostMessageW(main, WM_CLOSE, 0, 0); break;
    case CloseBy::kFileExit: PostMessageW(main, WM_COMMAND, kFileExit, 0); break;
  }
  ASSERT_TRUE(RunUntilQuit(window, 10000)) << "the window did not close";
  EXPECT_FALSE(IsWindow(main));
  EXPECT_TRUE(Has(events, L"EditAborted"));
  EXPECT_FALSE(Has(events, L"EditDone"));
  EXPECT_EQ(before, HostState(host));
  EXPECT_EQ(nullptr, window.EditorDispatch()) << "the editor is let go with the window";
}

INSTANTIATE_TEST_SUITE_P(MainWindow, ClosingDuringAnEdit,
                         ::testing::Values(CloseBy::kCloseMessage, CloseBy::kFileExit));

TEST(MainWindowClosing, ClosedInTheMiddleOfADragItAbortsAndGivesTheMouseBack) {
  if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
  auto in = TempFile("qarnview-close-drag.geojson");
  WriteText(in, kOneLine);
  Pump();
  {
    std::vector<std::wstring> events;
    MainWindow window;
    window.onLog = [&events](const std::wstring& line) { events.push_back(line); };
    ASSERT_EQ(L"", window.Create(SW_SHOWNOACTIVATE));
    ASSERT_EQ(L"", window.OpenFile(in));
    HWND input = window.ViewInputWindow();
    SendMessageW(window.Window(), WM_COMMAND, kEditSelected, 0);
    Click(input, 200, 380);
    // A vertex held by the mouse when the window goes.
    SendMessageW(input, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 380));
    SendMessageW(input, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 350));
    PostMessageW(window.Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntilQuit(window, 10000));
    EXPECT_TRUE(Has(events, L"EditAborted"));
    EXPECT_NE(input, GetCapture());
  }
  std::filesystem::remove(in);
}

// The application itself, closed during an edit with a drag that left the view: it
// must end, and end with 0. The three ways to close are the window's, tested above.
struct Process {
  PROCESS_INFORMATION info = {};
  ~Process() {
    if (info.hProcess) {
      if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  }
};

struct MainOf {
  DWORD process;
  HWND found = nullptr;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
  auto* main = reinterpret_cast<MainOf*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  if (pid == main->process && std::wstring(name) == L"QarnviewMain") {
    main->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The event pane's lines, read from the other process.
std::vector<std::wstring> EventPane(HWND main) {
  std::vector<std::wstring> lines;
  HWND list = FindWindowExW(main, nullptr, L"ListBox", nullptr);
  DWORD_PTR count = 0;
  if (!list || !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return lines;
  for (DWORD_PTR i = 0; i < count; ++i) {
    wchar_t text[512] = L"";
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &length);
    if (length < 512) SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    lines.push_back(text);
  }
  return lines;
}

TEST(TheApplication, ClosedDuringAnEditExitsWithZero) {
  if (!ControlsRegistered() || !ViewControlRegistered()) GTEST_SKIP() << "controls not registered";
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::filesystem::path exe = std::filesystem::path(path).parent_path() / L"qarnview.exe";
  if (!std::filesystem::exists(exe)) GTEST_SKIP() << "qarnview.exe not built beside the tests";
  std::wstring command = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  Process app;
  ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &app.info));
  WaitForInputIdle(app.info.hProcess, 20000);
  MainOf main{app.info.dwProcessId};
  for (int tries = 0; tries < 200 && !main.found; ++tries) {
    EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&main));
    if (!main.found) Sleep(50);
  }
  ASSERT_TRUE(main.found) << "qarnview's window did not show";
  // The window is there before the controls it hosts: the view's own window comes last.
  HWND pane = nullptr, view = nullptr;
  for (int tries = 0; tries < 200 && !view; ++tries) {
    pane = FindWindowExW(main.found, nullptr, L"QarnviewViewPane", nullptr);
    view = pane ? GetWindow(pane, GW_CHILD) : nullptr;
    if (!view) Sleep(50);
  }
  ASSERT_TRUE(view) << "the view control is hosted in the pane";

  PostMessageW(main.found, WM_COMMAND, kPolygon, 0);
  PostMouse(view, WM_LBUTTONDOWN, 60, 60);
  PostMouse(view, WM_LBUTTONUP, 60, 60);
  PostMouse(view, WM_LBUTTONDOWN, 160, 60);
  PostMouse(view, WM_LBUTTONUP, 160, 60);
  // A drag that leaves the view upwards, over the toolbar, still held when the close comes.
  PostMouse(view, WM_LBUTTONDOWN, 160, 160);
  PostMouse(view, WM_MOUSEMOVE, 160, -20);
  // Posted messages are handled after sent ones, so the pane is watched until the
  // editor's prompts have reached it.
  auto prompted = [](const std::vector<std::wstring>& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::wstring& l) { return l.rfind(L"CaptionChanged", 0) == 0; });
  };
  std::vector<std::wstring> lines = EventPane(main.found);
  for (int tries = 0; tries < 200 && !prompted(lines); ++tries) {
    Sleep(50);
    lines = EventPane(main.found);
  }
  EXPECT_TRUE(prompted(lines)) << "the editor's prompts reach the event pane (" << lines.size() << " lines)";
  EXPECT_FALSE(Has(lines, L"EditAborted"));

  PostMessageW(main.found, WM_CLOSE, 0, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(app.info.hProcess, 30000)) << "qarnview did not end";
  DWORD code = 1;
  GetExitCodeProcess(app.info.hProcess, &code);
  EXPECT_EQ(0u, code);
}

// ---- Drags that end outside the view

void Button(DWORD flag) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof(input));
}

// The screen point of a view pixel.
POINT OnScreen(HWND view, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(view, &p);
  return p;
}

class DragOutOfTheView : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ControlsRegistered()) GTEST_SKIP() << "controls not registered";
    Pump();
    in = TempFile("qarnview-drag-in.geojson");
    out = TempFile("qarnview-drag-out.geojson");
    WriteText(in, kOneLine);
    ASSERT_EQ(L"", window.Create(SW_SHOW));
    SetWindowPos(window.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(window.Window());
    ASSERT_EQ(L"", window.OpenFile(in));
    input = window.ViewInputWindow();
    // Edit selected, then a click on the line's middle picks it.
    SendMessageW(window.Window(), WM_COMMAND, kEditSelected, 0);
    Click(input, 200, 380);
    Pump();
  }
  void TearDown() override {
    if (window.Window()) DestroyWindow(window.Window());
    Pump();
    for (const auto& p : {in, out, PropertiesPathFor(out)}) std::filesystem::remove(p);
  }

  // Saves with Enter and returns the line's vertices as saved.
  std::vector<qarnview::Vertex> SavedLine() {
    Key(window, VK_RETURN);
    Pump();
    EXPECT_EQ(L"", window.SaveFile(out));
    qarnview::Drawing saved;
    EXPECT_EQ("", qarnview::LoadDrawing(out, saved));
    if (saved.figures.size() != 1 || saved.figures[0].rings.empty()) return {};
    return saved.figures[0].rings[0].vertices;
  }

  // The real mouse: pressed on the line's first vertex, moved and released at `screen`.
  // Returns where the pointer was at the release.
  POINT DragFirstVertexTo(POINT screen) {
    POINT from = OnScreen(input, 100, 380);
    MoveTo(from);
    Button(MOUSEEVENTF_LEFTDOWN);
    Pump();
    MoveTo({(from.x + screen.x) / 2, (from.y + screen.y) / 2});
    MoveTo(screen);
    POINT at = {};
    GetCursorPos(&at);
    Button(MOUSEEVENTF_LEFTUP);
    Pump();
    return at;
  }
  // The pointer placed, then a move of nothing, so the move arrives as input does.
  static void MoveTo(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    Button(MOUSEEVENTF_MOVE);
    Pump();
  }

  std::filesystem::path in, out;
  MainWindow window;
  HWND input = nullptr;
};

// Where the vertex lands: the view pixel under the screen point, in world units.
qarnview::Vertex WorldAt(HWND view, POINT screen) {
  ScreenToClient(view, &screen);
  return {static_cast<double>(screen.x), 480.0 - screen.y, 0};
}

TEST_F(DragOutOfTheView, AVertexReleasedOverTheToolbarLandsThereAndTheButtonIsNotPressed) {
  RECT button;
  GetWindowRect(GetDlgItem(window.Window(), kAbortEdit), &button);
  POINT over = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ASSERT_EQ(WindowFromPoint(over), GetDlgItem(window.Window(), kAbortEdit));
  POINT released = DragFirstVertexTo(over);
  EXPECT_EQ(over.x, released.x);
  EXPECT_EQ(over.y, released.y);
  EXPECT_NE(input, GetCapture()) << "the view gave the mouse back at the release";
  // Abort was not clicked: the edit is still there to save, with the vertex moved.
  EXPECT_EQ((std::vector<qarnview::Vertex>{WorldAt(input, released), {300, 100, 0}}), SavedLine());
  Screenshot(window.Window(), "qarnview-drag-over-toolbar");
}

TEST_F(DragOutOfTheView, AMouseTakenAwayMidDragDropsTheVertexWhereItWasLastSeen) {
  SendMessageW(input, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 380));
  SendMessageW(input, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 330));
  // Another window takes the mouse; the release goes to it, never to the view.
  HWND list = FindWindowExW(window.Window(), nullptr, L"ListBox", nullptr);
  SetCapture(list);
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ReleaseCapture();
  // The drag ended there: the next press picks the other vertex instead of going on
  // moving the first.
  Drag(input, 300, 380, 300, 330);
  EXPECT_EQ((std::vector<qarnview::Vertex>{{150, 150, 0}, {300, 150, 0}}), SavedLine());
}

}  // namespace
