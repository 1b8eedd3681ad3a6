// The control placed on a form: in-place activation through the form's site, the
// caption as the screen shows it in the control's window (read back pixel by pixel),
// the container's ambient colours and font, and a container that draws the control
// itself and is told when its picture changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com_client.h"
#include "screen_capture.h"
#include "test_container.h"

using client::Ptr;
using client::Variant;

namespace {

constexpr DISPID kAmbientBackColor = -701;
constexpr DISPID kAmbientFont = -703;
constexpr DISPID kAmbientForeColor = -704;

using container::Joined;

using Embedded = container::Form<container::Site>;

bool CalledInOrder(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
  auto at = calls.begin();
  for (const std::string& name : expected) {
    at = std::find(at, calls.end(), name);
    if (at == calls.end()) return false;
    ++at;
  }
  return true;
}

TEST(InPlaceActivation, TheControlLivesInAChildWindowOfTheSiteAtThePositionRectangle) {
  Embedded e;
  ASSERT_TRUE(e.ole) << "create the control: " << client::Hr(e.createResult);
  ASSERT_EQ(e.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  EXPECT_TRUE(CalledInOrder(e.site.calls, {"CanInPlaceActivate", "OnInPlaceActivate", "GetWindowContext", "GetWindow"}))
      << Joined(e.site.calls);

  HWND hwnd = e.ControlWindow();
  ASSERT_NE(hwnd, nullptr) << "IOleInPlaceObject::GetWindow after in-place activation";
  EXPECT_EQ(GetParent(hwnd), e.frame.hwnd());
  EXPECT_TRUE(IsWindowVisible(hwnd));
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, e.frame.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, e.site.posRect.left);
  EXPECT_EQ(r.top, e.site.posRect.top);
  EXPECT_EQ(r.right, e.site.posRect.right);
  EXPECT_EQ(r.bottom, e.site.posRect.bottom);

  // The form moves and resizes the control.
  RECT moved = {20, 30, 220, 90};
  ASSERT_EQ(e.inPlace->SetObjectRects(&moved, &moved), S_OK);
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, e.frame.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 60);

  // Activating again keeps the one window.
  ASSERT_EQ(e.DoVerb(OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_EQ(e.ControlWindow(), hwnd);
  EXPECT_TRUE(CalledInOrder(e.site.calls, {"GetWindow", "OnUIActivate"})) << Joined(e.site.calls);

  e.site.calls.clear();
  ASSERT_EQ(e.inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(hwnd)) << "deactivation destroys the window";
  EXPECT_EQ(e.ControlWindow(), nullptr);
  EXPECT_TRUE(CalledInOrder(e.site.calls, {"OnUIDeactivate", "OnInPlaceDeactivate"})) << Joined(e.site.calls);
}

TEST(InPlaceActivation, ASiteThatRefusesGetsNoWindowAndNoActivation) {
  Embedded e;
  ASSERT_TRUE(e.ole);
  e.site.refuseInPlace = true;
  EXPECT_TRUE(FAILED(e.DoVerb(OLEIVERB_INPLACEACTIVATE)));
  EXPECT_EQ(e.ControlWindow(), nullptr);
  EXPECT_EQ(std::count(e.site.calls.begin(), e.site.calls.end(), "OnInPlaceActivate"), 0) << Joined(e.site.calls);
}

// The caption as the user sees it: text pixels in the foreground colour on the
// background colour, changing with every caption change.
TEST(CaptionOnScreen, ShowsTheEditPromptAndFollowsEveryChange) {
  Embedded e;
  ASSERT_TRUE(e.ole);
  ASSERT_EQ(e.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND hwnd = e.ControlWindow();
  ASSERT_NE(hwnd, nullptr);
  container::PumpMessages();
  const COLORREF back = GetSysColor(COLOR_WINDOW);
  const COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
  ASSERT_NE(back, fore);

  capture::Picture idle = capture::OfWindow(hwnd);
  capture::Keep(idle, "caption_idle");
  ASSERT_EQ(idle.width, 320);
  ASSERT_EQ(idle.height, 40);
  EXPECT_EQ(idle.Count(back), idle.pixels.size()) << "a fresh control paints an empty caption on BackColor";

  ASSERT_TRUE(e.ConnectHost());
  ASSERT_EQ(client::PutByName(e.ctl.Get(), "FormatPolylineParams", Variant::Str("%.0f ")).hr, S_OK);
  ASSERT_EQ(client::CallByName(e.ctl.Get(), "drawPolyline").hr, S_OK);
  container::PumpMessages();
  capture::Picture prompt = capture::OfWindow(hwnd);
  capture::Keep(prompt, "caption_click_to_draw");
  EXPECT_GT(prompt.Count(fore), 40u) << "text pixels of \"0 Click to draw\"";
  EXPECT_GT(prompt.Count(back), prompt.pixels.size() / 2) << "on the background colour";
  auto rows = prompt.RowSpan(fore);
  EXPECT_GT(rows.first, 2) << "the text is centred, not at the top edge";
  EXPECT_LT(rows.second, prompt.height - 3) << "nor at the bottom edge";

  ASSERT_EQ(client::CallByName(e.ctl.Get(), "abortEdit").hr, S_OK);
  container::PumpMessages();
  capture::Picture aborted = capture::OfWindow(hwnd);
  EXPECT_EQ(aborted.Count(fore), 0u) << "the empty caption after abortEdit";
  EXPECT_TRUE(aborted.SameAs(idle));
}

TEST(CaptionOnScreen, IsDrawnInTheContainersAmbientColoursAndFont) {
  Embedded e;
  ASSERT_TRUE(e.ole);
  const COLORREF ambientBack = RGB(0, 0, 128);
  const COLORREF ambientFore = RGB(255, 255, 0);
  e.site.ambients[kAmbientBackColor] = Variant::I4(static_cast<LONG>(ambientBack));
  e.site.ambients[kAmbientForeColor] = Variant::I4(static_cast<LONG>(ambientFore));
  FONTDESC fd = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {}, FW_BOLD, ANSI_CHARSET, FALSE, FALSE, FALSE};
  fd.cySize.int64 = 200000;  // 20 pt
  Ptr<IDispatch> font;
  ASSERT_EQ(OleCreateFontIndirect(&fd, IID_IDispatch, font.OutVoid()), S_OK);
  e.site.ambients[kAmbientFont] = Variant::Disp(font.Get());
  // The site's values changed after the control met the site: it is told so.
  Ptr<IOleControl> oleControl = e.ctl.As<IOleControl>(IID_IOleControl);
  ASSERT_TRUE(oleControl);
  oleControl->OnAmbientPropertyChange(DISPID_UNKNOWN);

  ASSERT_EQ(e.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND hwnd = e.ControlWindow();
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(e.ConnectHost());
  ASSERT_EQ(client::CallByName(e.ctl.Get(), "drawPolyline").hr, S_OK);
  container::PumpMessages();
  capture::Picture ambient = capture::OfWindow(hwnd);
  capture::Keep(ambient, "caption_ambient");
  EXPECT_GT(ambient.Count(ambientBack), ambient.pixels.size() / 2) << "ambient BackColor";
  EXPECT_GT(ambient.Count(ambientFore), 40u) << "ambient ForeColor";
  auto rows = ambient.RowSpan(ambientFore);
  EXPECT_GE(rows.second - rows.first, 14) << "20 pt text is far taller than the 8 pt stock font";
  // Which of the container's and the control's own values win is the framework's
  // (tests/dispatch/ambient_test.cpp).
}

// A container that draws the control itself (no in-place window) and listens through
// IViewObject::SetAdvise; what it then draws is windowless_test's.
class ViewSink : public IAdviseSink {
 public:
  int viewChanges = 0;
  ULONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IAdviseSink) return E_NOINTERFACE;
    *ppv = static_cast<IAdviseSink*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG) override {
    if (aspect == DVASPECT_CONTENT) ++viewChanges;
  }
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override {}
};

TEST(ViewAdvise, AContainerDrawingTheControlHearsOfEveryCaptionChange) {
  Embedded e;
  ASSERT_TRUE(e.ole);
  Ptr<IViewObject> view = e.view;
  ASSERT_TRUE(view);
  ViewSink sink;
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, &sink), S_OK);

  ASSERT_TRUE(e.ConnectHost());
  ASSERT_EQ(client::CallByName(e.ctl.Get(), "drawPolyline").hr, S_OK);
  EXPECT_EQ(sink.viewChanges, 1) << "drawPolyline sets the caption once";

  ASSERT_EQ(client::CallByName(e.ctl.Get(), "abortEdit").hr, S_OK);
  EXPECT_EQ(sink.viewChanges, 2) << "abortEdit empties the caption";

  // A sink asked to hear only once is let go after the first change.
  ViewSink once;
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, ADVF_ONLYONCE, &once), S_OK);
  EXPECT_EQ(sink.refs, 1u) << "the replaced sink is released";
  client::CallByName(e.ctl.Get(), "drawPolyline");
  client::CallByName(e.ctl.Get(), "abortEdit");
  EXPECT_EQ(once.viewChanges, 1);
  EXPECT_EQ(once.refs, 1u);
  view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
}

}  // namespace
