// Whole edits as a user makes them: the view control sited in a window of ours, the
// editor given the view as its host, and every step of the shared scenario file sent to
// the view window as a mouse message. Popups and dialogs are real and answered by the
// reference host's watcher. Each scenario leaves its record, flattened, and a
// screenshot in BUILD/e2e-records, for comparison with what the Linux script host made
// of the same steps.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../control/com_client.h"
#include "../control/control_ids.h"
#include "../control/screen_capture.h"
#include "../refview/sited_view.h"
#include "record_flattening.h"

namespace {

using client::BuildFolder;
using client::IsTrue;
using client::Ptr;
using client::Text;
using client::Variant;

struct Step {
  std::string word;
  std::string rest;
  std::vector<double> numbers;
};
using Scenario = std::vector<Step>;

// Scenarios by name, in file order.
std::vector<std::pair<std::string, Scenario>> ReadScenarios() {
  std::vector<BYTE> bytes;
  std::vector<std::pair<std::string, Scenario>> scenarios;
  if (!client::ReadFile(client::DataDir() + L"e2e_scenarios.txt", &bytes)) return scenarios;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line[start] == '#') continue;
    line = line.substr(start);
    Step step;
    const size_t space = line.find(' ');
    step.word = line.substr(0, space);
    step.rest = space == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', space));
    if (step.word == "scenario") {
      scenarios.push_back({step.rest, {}});
      continue;
    }
    std::istringstream numbers(step.rest);
    double value;
    while (numbers >> value) step.numbers.push_back(value);
    if (!scenarios.empty()) scenarios.back().second.push_back(step);
  }
  return scenarios;
}

struct Case {
  const char* name;
  int saves;
};

class EndToEnd : public ::testing::TestWithParam<Case>, protected SitedViewControl {
 protected:
  void SetUp() override {
    // The real pointer stays off the window, so the only mouse input is the test's.
    SetCursorPos(1010, 750);
    ASSERT_EQ(OpenSitedView(L"QarnEndToEndContainer", L"qarnedit end to end", kSitePosition), "");

    HRESULT hr;
    editor = client::Create(qarn::kControlProgId, &hr);
    ASSERT_TRUE(editor) << "CoCreateInstance(QARNEDIT.QarneditCtrl.1): " << client::Hr(hr);
    events = std::make_unique<client::EventLog>(editor.Get(), &eventLines);
    ASSERT_TRUE(events->point);
    ASSERT_EQ(events->point->Advise(events.get(), &events->cookie), S_OK);
    ASSERT_EQ(client::PutByName(editor.Get(), "qarnocx", Variant::Disp(view.Get()), DISPATCH_PROPERTYPUTREF).hr,
              S_OK);
    PumpMessages();
  }

  void TearDown() override {
    // The menu and dialog answers belong to the process: none is left for the next test.
    if (view) {
      client::PutByName(view.Get(), "menuAnswer", Variant::I4(0));
      client::PutByName(view.Get(), "dialogAnswer", Variant::Str(""));
    }
    if (events && events->point) events->point->Unadvise(events->cookie);
    events.reset();
    if (editor) client::PutByName(editor.Get(), "qarnocx", Variant::Disp(nullptr), DISPATCH_PROPERTYPUTREF);
    editor.Reset();
    CloseSitedView();
  }

  void Mouse(UINT message, WPARAM keys, double x, double y) {
    SendMessageW(viewWindow, message, keys, MAKELPARAM(static_cast<int>(x), static_cast<int>(y)));
    PumpMessages();
  }

  // Plays one scenario of the file through window messages.
  void Play(const std::string& name) {
    const Scenario* scenario = nullptr;
    for (const auto& entry : scenarios)
      if (entry.first == name) scenario = &entry.second;
    ASSERT_NE(scenario, nullptr) << "no scenario " << name << " in the scenario file";
    for (const Step& step : *scenario) {
      const std::vector<double>& n = step.numbers;
      SCOPED_TRACE(step.word + " " + step.rest);
      if (step.word == "draw") {
        // Names bind without regard to case: "draw polygon" is drawPolygon.
        ASSERT_EQ(client::CallByName(editor.Get(), "draw" + step.rest).hr, S_OK);
      } else if (step.word == "mode3d") {
        ASSERT_EQ(client::CallByName(editor.Get(), "Set3DMode", {Variant::I4(static_cast<LONG>(n.at(0)))}).hr, S_OK);
      } else if (step.word == "workplane") {
        ASSERT_EQ(n.size(), 6u);
        std::vector<Variant> args;
        for (double v : n) args.push_back(Variant::R8(v));
        ASSERT_EQ(client::CallByName(view.Get(), "setWorkPlane", args).hr, S_OK);
      } else if (step.word == "click") {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, n.at(0), n.at(1));
        Mouse(WM_LBUTTONUP, 0, n.at(0), n.at(1));
      } else if (step.word == "press") {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, n.at(0), n.at(1));
      } else if (step.word == "move") {
        Mouse(WM_MOUSEMOVE, MK_LBUTTON, n.at(0), n.at(1));
      } else if (step.word == "release") {
        Mouse(WM_LBUTTONUP, 0, n.at(0), n.at(1));
      } else if (step.word == "dialog") {
        ASSERT_EQ(client::PutByName(view.Get(), "dialogAnswer", Variant::Str(step.rest)).hr, S_OK);
      } else if (step.word == "menu") {
        ASSERT_EQ(client::PutByName(view.Get(), "menuAnswer", Variant::I4(static_cast<LONG>(n.at(0)))).hr, S_OK);
        Mouse(WM_RBUTTONDOWN, MK_RBUTTON, n.at(1), n.at(2));
        Mouse(WM_RBUTTONUP, 0, n.at(1), n.at(2));
      } else if (step.word == "save") {
        ASSERT_TRUE(IsTrue(client::CallByName(editor.Get(), "saveEdit")));
      } else if (step.word == "picture") {
        const std::wstring folder = BuildFolder() + L"e2e-records\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring path = folder + client::Wide(step.rest) + L".bmp";
        ASSERT_TRUE(IsTrue(
            client::CallByName(view.Get(), "savePicture", {Variant::Str(client::Utf8(path.c_str(), path.size()))})));
      } else if (step.word == "editsaved") {
        client::CallResult record = client::CallByName(editor.Get(), "getDrawnNTT");
        ASSERT_EQ(record.result.v.vt, VT_I4);
        ASSERT_TRUE(IsTrue(client::CallByName(editor.Get(), "editNTT", {Variant::I4(record.result.v.lVal)})));
      } else {
        FAIL() << "unknown step " << step.word;
      }
    }
  }

  // The bytes of record memory at an address, as the host reads them for a script.
  bool ReadRecordMemory(uint32_t address, uint32_t count, std::vector<uint8_t>& out) {
    const std::string hex = Text(client::CallByName(
        view.Get(), "readMemory", {Variant::R8(static_cast<double>(address)), Variant::I4(static_cast<LONG>(count))}));
    if (hex.size() != 2u * count) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2)
      out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return true;
  }

  // Flattens the saved record into BUILD/e2e-records/NAME.hex and leaves the view's
  // picture with the figure in it as NAME.bmp.
  void Keep(const std::string& name) {
    client::CallResult r = client::CallByName(editor.Get(), "getDrawnNTT");
    EXPECT_EQ(r.result.v.vt, VT_I4);
    const uint32_t record = static_cast<uint32_t>(r.result.v.lVal);
    EXPECT_NE(record, 0u);
    std::vector<uint8_t> flat;
    std::string problem;
    const bool read = FlattenRecord(
        record, [this](uint32_t a, uint32_t n, std::vector<uint8_t>& out) { return ReadRecordMemory(a, n, out); }, flat,
        problem);
    EXPECT_TRUE(read) << problem;
    const std::wstring folder = BuildFolder() + L"e2e-records\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring stem = folder + client::Wide(name);
    const std::string hex = HexLines(flat);
    EXPECT_TRUE(client::WriteFile(stem + L".hex", std::vector<BYTE>(hex.begin(), hex.end())));

    EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "addRecord", {Variant::R8(static_cast<double>(record))})));
    EXPECT_EQ(client::CallByName(view.Get(), "repaint").hr, S_OK);
    SetForegroundWindow(container);
    RedrawWindow(container, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(capture::WriteBmp(capture::OfWindow(container), stem + L".bmp"));
  }

  std::vector<std::pair<std::string, Scenario>> scenarios = ReadScenarios();
  Ptr<IDispatch> editor;
  std::vector<std::string> eventLines;
  std::unique_ptr<client::EventLog> events;
};

// What a figure's record holds is the editor's (tests/core), and which popups and dialogs
// each scenario shows is the editor's too (tests/python/test_e2e_scenarios.py); here the
// steps run through real popups and dialogs answered by the host's watcher, and the
// record they end in must be the Linux build's byte for byte (compare_e2e_records.py).
TEST_P(EndToEnd, TheScenarioEndsInItsSavedRecord) {
  const Case& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Play(c.name));
  EXPECT_EQ(std::count(eventLines.begin(), eventLines.end(), "EditDone()"), c.saves);
  EXPECT_FALSE(IsTrue(client::CallByName(editor.Get(), "isEditing")));
  Keep(c.name);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, EndToEnd,
                         ::testing::Values(Case{"polygon_with_hole", 1}, Case{"polyline_polar", 1},
                                           Case{"point_3d", 1}, Case{"edit_saved", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
