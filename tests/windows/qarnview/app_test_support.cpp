#include "app_test_support.h"

#include <gtest/gtest.h>

#include <dlgs.h>
#include <ole2.h>

#include "../control/screen_capture.h"
#include "qarnview/app/dispatch_client.h"
#include "qarnview/app/main_window.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace apptest {

std::filesystem::path TempFile(const char* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::filesystem::path(folder) / name;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void Key(MainWindow& window, WPARAM key) {
  MSG msg = {};
  msg.hwnd = window.ViewWindow();
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  EXPECT_TRUE(window.TranslateKey(msg));
}

void Click(HWND input, int x, int y) {
  SendMessageW(input, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(input, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Drag(HWND input, int fromX, int fromY, int toX, int toY) {
  SendMessageW(input, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(fromX, fromY));
  SendMessageW(input, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, toY));
  SendMessageW(input, WM_LBUTTONUP, 0, MAKELPARAM(toX, toY));
}

long ViewRecordCount(MainWindow& window) {
  DispatchClient view(window.ViewDispatch());
  Variant count;
  EXPECT_HRESULT_SUCCEEDED(view.Call(L"recordCount", {}, &count));
  return count.AsLong(-1);
}

bool Has(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool ControlsRegistered() {
  CLSID clsid;
  return SUCCEEDED(CLSIDFromProgID(L"QARNEDIT.QarneditCtrl.1", &clsid)) &&
         SUCCEEDED(CLSIDFromProgID(L"QARNREF.RefHost.1", &clsid));
}

bool ViewControlRegistered() {
  CLSID clsid;
  return SUCCEEDED(CLSIDFromProgID(L"QARNREF.RefView.1", &clsid));
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Screenshot(HWND window, const char* name) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
  capture::Keep(capture::OfWindow(window), name);
}

int CountPixels(const std::filesystem::path& path, uint32_t rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < 54) return -1;
  auto u32 = [&](size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
    return value;
  };
  const uint32_t offset = u32(10);
  const int width = static_cast<int>(u32(18));
  int height = static_cast<int>(u32(22));
  if (height < 0) height = -height;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  if (data.size() < offset + stride * static_cast<size_t>(height)) return -1;
  int count = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = offset + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
      const uint32_t b = static_cast<unsigned char>(data[at]), g = static_cast<unsigned char>(data[at + 1]),
                     r = static_cast<unsigned char>(data[at + 2]);
      if ((r << 16 | g << 8 | b) == rgb) ++count;
    }
  return count;
}

namespace {

std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = L"";
  // Across threads WM_GETTEXT is what GetWindowText would not send.
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct Found {
  HWND dialog = nullptr;
  const std::vector<HWND>* skip = nullptr;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  if (ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  for (HWND done : *found->skip)
    if (done == hwnd) return TRUE;
  found->dialog = hwnd;
  return FALSE;
}

// The first edit field inside `parent` (the file name may sit in a combo box).
HWND FirstEdit(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    if (ClassOf(child) == L"Edit") return child;
  }
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (HWND inner = FirstEdit(child)) return inner;
  return nullptr;
}

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

DialogWatcher::DialogWatcher(DWORD thread, std::vector<Step> steps)
    : m_thread(thread), m_steps(std::move(steps)), m_worker([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
  m_stop = true;
  if (m_worker.joinable()) m_worker.join();
}

int DialogWatcher::Finish() {
  if (m_worker.joinable()) m_worker.join();
  return m_answered;
}

void DialogWatcher::Run() {
  std::vector<HWND> answered;
  for (const Step& step : m_steps) {
    Found found;
    found.skip = &answered;
    // A dialog that has not come within the time limit will not: the test then fails on
    // the count instead of waiting for ever.
    for (int tries = 0; tries < 500 && !found.dialog && !m_stop; ++tries) {
      EnumThreadWindows(m_thread, &FindDialog, reinterpret_cast<LPARAM>(&found));
      if (!found.dialog) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!found.dialog) return;
    // Its controls are made by the dialog procedure before the dialog shows; a moment
    // more lets the modal loop take its first messages.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::wstring line = TextOf(found.dialog);
    for (HWND child = GetWindow(found.dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (ClassOf(child) == L"Static") line += L"|" + TextOf(child);
    seen.push_back(line);
    step(found.dialog);
    answered.push_back(found.dialog);
    ++m_answered;
    for (int tries = 0; tries < 250 && IsWindow(found.dialog) && IsWindowVisible(found.dialog); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

DialogWatcher::Step TypeFileNameAndOk(const std::wstring& path) {
  return [path](HWND dialog) {
    HWND edit = GetDlgItem(dialog, edt1);
    if (!edit || ClassOf(edit) != L"Edit") edit = FirstEdit(dialog);
    if (edit) SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
    Press(dialog, IDOK);
  };
}

DialogWatcher::Step PressCancel() {
  return [](HWND dialog) { Press(dialog, IDCANCEL); };
}

DialogWatcher::Step ChooseColourAndOk(int red, int green, int blue) {
  return [=](HWND dialog) {
    // The colour dialog's red, green and blue fields (colordlg.h).
    const int fields[3][2] = {{0x2c2, red}, {0x2c3, green}, {0x2c4, blue}};
    for (const auto& field : fields) {
      std::wstring value = std::to_wstring(field[1]);
      if (HWND edit = GetDlgItem(dialog, field[0]))
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()), SMTO_ABORTIFHUNG, 2000,
                            nullptr);
    }
    Press(dialog, IDOK);
  };
}

DialogWatcher::Step ReadMessageBoxAndOk(std::wstring* text) {
  return [text](HWND dialog) {
    // The message's static, as MessageBox makes it.
    if (HWND message = GetDlgItem(dialog, 0xFFFF)) *text = TextOf(message);
    Press(dialog, IDOK);
  };
}

}  // namespace apptest
