// qarnview: a desktop container for the editor control and the host view.
//   qarnview.exe [DRAWING.geojson]                 the application
//   qarnview.exe --render IN.geojson OUT.bmp       paints the drawing in the view at its
//                                                  default size, writes the picture, exits
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "qarnview/app/main_window.h"

namespace {

// A GUI program has no console of its own; script callers still see the message when
// it goes to the standard error they gave the program, or to their console.
void ReportError(const std::wstring& text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (!err || err == INVALID_HANDLE_VALUE) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) err = GetStdHandle(STD_ERROR_HANDLE);
  }
  std::wstring line = L"qarnview: " + text + L"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
  DWORD written = 0;
  if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Render(const std::wstring& in, const std::wstring& out) {
  MainWindow window;
  std::wstring error = window.Create(SW_SHOWNOACTIVATE);
  if (!error.empty()) {
    ReportError(error);
    return 3;
  }
  error = window.OpenFile(in);
  if (!error.empty()) {
    ReportError(in + L": " + error);
    DestroyWindow(window.Window());
    return 2;
  }
  std::string pictureError = window.SaveViewPicture(out);
  DestroyWindow(window.Window());
  if (!pictureError.empty()) {
    ReportError(out + L": " + std::wstring(pictureError.begin(), pictureError.end()));
    return 4;
  }
  return 0;
}

int Run(int showCommand, const std::wstring& file) {
  MainWindow window;
  std::wstring error = window.Create(showCommand);
  if (!error.empty()) {
    MessageBoxW(nullptr, error.c_str(), L"qarnview", MB_OK | MB_ICONSTOP);
    return 3;
  }
  if (!file.empty()) {
    error = window.OpenFile(file);
    if (!error.empty())
      MessageBoxW(window.Window(), error.c_str(), L"qarnview: cannot open the drawing", MB_OK | MB_ICONSTOP);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window.TranslateKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring first = argc > 1 ? argv[1] : L"";
  if (first == L"--render" && argc != 4) {
    ReportError(L"usage: qarnview.exe --render IN.geojson OUT.bmp");
    LocalFree(argv);
    return 1;
  }
  // The controls are apartment-threaded: one single-threaded apartment for the window.
  if (FAILED(OleInitialize(nullptr))) {
    ReportError(L"OLE could not be started");
    LocalFree(argv);
    return 3;
  }
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int status = first == L"--render" ? Render(argv[2], argv[3]) : Run(showCommand, first);
  LocalFree(argv);
  OleUninitialize();
  return status;
}
