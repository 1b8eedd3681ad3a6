// What the main window's tests share: temporary files, the registered controls, the
// user's mouse on the view and a thread that answers the application's dialogs.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class MainWindow;

namespace apptest {

// A drawing of two figures: a line with a pen colour of its own and a filled polygon.
inline constexpr char kTwoFigures[] = R"({"type": "FeatureCollection", "features": [
  {"type": "Feature", "properties": {"penColor": 65280},
   "geometry": {"type": "LineString", "coordinates": [[10, 20], [30.5, 40]]}},
  {"type": "Feature", "properties": {"fillStyle": 2},
   "geometry": {"type": "Polygon", "coordinates": [[[0, 0], [5, 0], [5, 5], [0, 0]]]}}]})";
// One line, world (100, 100) to (300, 100): pixel row 380 at the view's default scale.
inline constexpr char kOneLine[] = R"({"type": "FeatureCollection", "features": [
  {"type": "Feature", "geometry": {"type": "LineString", "coordinates": [[100, 100], [300, 100]]}}]})";

std::filesystem::path TempFile(const char* name);
void WriteText(const std::filesystem::path& path, const std::string& text);
// The editor and the fallback host are registered; and the view control.
bool ControlsRegistered();
bool ViewControlRegistered();
// Dispatches what is queued for this thread.
void Pump();
// A key pressed in the view, as the main window's message loop hands it over.
void Key(MainWindow& window, WPARAM key);
// The left button clicked at a view pixel, or pressed there and released at another
// after one move, sent to the view's input window.
void Click(HWND input, int x, int y);
void Drag(HWND input, int fromX, int fromY, int toX, int toY);
// How many records the main window's view holds; -1 when it does not say.
long ViewRecordCount(MainWindow& window);
bool Has(const std::vector<std::wstring>& lines, const std::wstring& line);
// What the screen shows of the window now, kept as NAME.bmp in the runtime run's
// capture folder (QARN_CAPTURE_DIR; turned into PNG there), for a person to look at.
void Screenshot(HWND window, const char* name);
// Pixels of exactly `rgb` (0xRRGGBB) in a 24-bit BMP file; -1 when it cannot be read.
int CountPixels(const std::filesystem::path& path, uint32_t rgb);

// Answers the dialogs a thread shows, one step per dialog, in order, from a thread of
// its own: the dialog's owner is blocked in the dialog's modal loop meanwhile.
class DialogWatcher {
 public:
  // One dialog's answer: fills it and presses a button. Runs on the watcher's thread.
  using Step = std::function<void(HWND dialog)>;
  DialogWatcher(DWORD thread, std::vector<Step> steps);
  ~DialogWatcher();
  // How many dialogs were answered, once the watcher has stopped (every step done, or
  // no dialog came within the time limit).
  int Finish();
  // The dialogs' captions and texts, as each was found.
  std::vector<std::wstring> seen;

 private:
  void Run();
  DWORD m_thread;
  std::vector<Step> m_steps;
  std::atomic<int> m_answered{0};
  std::atomic<bool> m_stop{false};
  std::thread m_worker;
};

// Answers for the common dialogs, as a user gives them.
DialogWatcher::Step TypeFileNameAndOk(const std::wstring& path);
DialogWatcher::Step PressCancel();
// The full colour dialog's red, green and blue fields, then OK.
DialogWatcher::Step ChooseColourAndOk(int red, int green, int blue);
// A message box's text is kept in `text`, then its OK is pressed.
DialogWatcher::Step ReadMessageBoxAndOk(std::wstring* text);

}  // namespace apptest
