// The registered editor sited as qarnview sites it: ambient values, and Snap's
// write-back through the event sink (whose DISPIDs it reads from the control's type
// information). The caption and abort events reaching the window are
// main_window_close_test's; the editor drawing its caption into a DC is
// control/windowless_test's, and the site's Draw is what qarnview's pictures use
// (main_window_view_updates_test).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qarnview/app/control_site.h"
#include "qarnview/app/dispatch_client.h"
#include "qarnview/app/event_sink.h"
#include "qarnview/figure_records.h"

namespace {

IDispatch* CreateByProgId(const wchar_t* progId) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return nullptr;
  IDispatch* object = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
  return object;
}

class EditorSiteTest : public testing::Test {
 protected:
  void SetUp() override {
    IDispatch* host = CreateByProgId(L"QARNREF.RefHost.1");
    if (!host) GTEST_SKIP() << "QARNREF.DLL is not registered";
    m_host.Reset(host);
    host->Release();
    m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 30, nullptr, nullptr, nullptr, nullptr);
    m_site = new ControlSite(m_window, m_window, Ambients{});
    std::wstring error = m_site->Create(L"QARNEDIT.QarneditCtrl.1", RECT{0, 0, 400, 24});
    if (!error.empty()) GTEST_SKIP() << "editor not available";
    m_editor.Reset(m_site->Dispatch());
    ASSERT_EQ(S_OK, m_editor.PutObject(L"qarnocx", m_host.Object()));
    EditorEvents events;
    events.editDone = [this] { m_log.push_back(L"EditDone"); };
    events.editAborted = [this] { m_log.push_back(L"EditAborted"); };
    events.captionChanged = [this](const std::wstring& text) { m_log.push_back(L"Caption " + text); };
    events.snap = [this](double& x, double& y) {
      m_log.push_back(L"Snap");
      // A 10-unit grid of the container's own, its rows offset by 5 so that x and y
      // answers cannot be mistaken for each other.
      x = std::round(x / 10) * 10;
      y = std::round(y / 10) * 10 + 5;
    };
    m_sink = new EditorEventSink(std::move(events));
    ASSERT_EQ(L"", m_sink->Connect(m_site->Control()));
  }

  void TearDown() override {
    if (m_sink) {
      m_sink->Disconnect();
      m_sink->Release();
    }
    m_editor.Reset();
    if (m_site) {
      m_site->Close();
      m_site->Release();
    }
    m_host.Reset();
    if (m_window) DestroyWindow(m_window);
  }

  size_t Count(const std::wstring& prefix) const {
    size_t n = 0;
    for (const auto& line : m_log) n += line.rfind(prefix, 0) == 0;
    return n;
  }

  HWND m_window = nullptr;
  ControlSite* m_site = nullptr;
  DispatchClient m_host;
  DispatchClient m_editor;
  EditorEventSink* m_sink = nullptr;
  std::vector<std::wstring> m_log;
};

TEST_F(EditorSiteTest, AmbientsSayTheFormIsRunning) {
  DispatchClient ambients(static_cast<IDispatch*>(m_site));
  Variant userMode, back;
  ASSERT_EQ(S_OK, ambients.Get(L"UserMode", userMode));
  EXPECT_TRUE(userMode.AsBool());
  ASSERT_EQ(S_OK, ambients.Get(L"BackColor", back));
  EXPECT_EQ(static_cast<long>(Ambients{}.backColor), back.AsLong());
  Variant font;
  ASSERT_EQ(S_OK, ambients.Get(L"Font", font));
  EXPECT_EQ(VT_DISPATCH, font.v.vt);
  EXPECT_FALSE(ambients.Has(L"NoSuchAmbient"));
}

TEST_F(EditorSiteTest, ASnapAnswerMovesTheSavedVertices) {
  ASSERT_EQ(S_OK, m_editor.Call(L"drawPolyline"));
  // View pixels; the host's view is 480 high with scale 1, so world Y = 480 - y.
  m_host.Call(L"press", {103, 98});
  m_host.Call(L"release", {103, 98});
  m_host.Call(L"press", {207, 152});
  m_host.Call(L"release", {207, 152});
  EXPECT_GE(Count(L"Snap"), 2u);
  Variant saved;
  ASSERT_EQ(S_OK, m_editor.Call(L"saveEdit", {}, &saved));
  ASSERT_TRUE(saved.AsBool());
  EXPECT_EQ(1u, Count(L"EditDone"));
  Variant record;
  ASSERT_EQ(S_OK, m_editor.Call(L"getDrawnNTT", {}, &record));
  qarnview::Figure figure;
  ASSERT_EQ("", qarnview::FigureFromRecord(static_cast<RECORDADDR>(record.AsLong()), figure));
  ASSERT_EQ(1u, figure.rings.size());
  ASSERT_EQ(2u, figure.rings[0].vertices.size());
  EXPECT_DOUBLE_EQ(100, figure.rings[0].vertices[0].x);
  EXPECT_DOUBLE_EQ(385, figure.rings[0].vertices[0].y);
  EXPECT_DOUBLE_EQ(210, figure.rings[0].vertices[1].x);
  EXPECT_DOUBLE_EQ(335, figure.rings[0].vertices[1].y);
}

}  // namespace
