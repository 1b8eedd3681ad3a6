// The control on a form that draws windowless controls itself: activated without a
// window, it asks the form to redraw its rectangle on every caption change, and the
// form reads the caption from what IViewObject::Draw paints into its own DC. A form
// that declines windowless activation still gets the child window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com_client.h"
#include "test_container.h"

using client::Ptr;
using client::Variant;

namespace {

using container::CountOf;
using container::FormPicture;
using container::Joined;

struct WindowlessForm : container::Form<container::WindowlessSite> {
  bool InvalidatedWholeControl() const {
    return std::any_of(site.invalidations.begin(), site.invalidations.end(), [this](const auto& inv) {
      return EqualRect(&inv.rect, &site.posRect) && inv.erase;
    });
  }
};

TEST(WindowlessActivation, NoWindowTheFormRedrawsTheRectangleOnEveryCaptionChangeAndDrawsTheCaption) {
  WindowlessForm f;
  ASSERT_TRUE(f.ole) << "create the control: " << client::Hr(f.createResult);
  ASSERT_TRUE(f.inPlace && f.view);
  ASSERT_EQ(f.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  EXPECT_EQ(f.site.activateFlags, static_cast<DWORD>(ACTIVATE_WINDOWLESS)) << Joined(f.site.calls);
  EXPECT_EQ(CountOf(f.site.calls, "CanWindowlessActivate"), 1u) << Joined(f.site.calls);
  EXPECT_EQ(CountOf(f.site.calls, "OnInPlaceActivate"), 0u) << "the Ex form is the one a windowless site expects";

  HWND hwnd = reinterpret_cast<HWND>(1);
  EXPECT_EQ(f.inPlace->GetWindow(&hwnd), E_FAIL);
  EXPECT_EQ(hwnd, nullptr);
  EXPECT_EQ(FindWindowExW(f.frame.hwnd(), nullptr, nullptr, nullptr), nullptr) << "no child window on the form";
  Ptr<IOleInPlaceObjectWindowless> windowless =
      f.ctl.As<IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless);
  ASSERT_TRUE(windowless) << "the form forwards its messages through this";
  LRESULT lr = 1;
  EXPECT_EQ(windowless->OnWindowMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(20, 20), &lr), S_FALSE)
      << "a press is left to the form";

  const COLORREF back = GetSysColor(COLOR_WINDOW);
  const COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
  const RECT pos = f.site.posRect;
  FormPicture idle(f.view.Get());
  ASSERT_EQ(idle.drawResult, S_OK);
  const size_t area = static_cast<size_t>(pos.right - pos.left) * (pos.bottom - pos.top);
  EXPECT_EQ(idle.Count(back, pos), area) << "an empty caption on BackColor, over the position rectangle";
  EXPECT_EQ(idle.Count(FormPicture::kFormGrey, {0, 0, idle.width, idle.height}),
            static_cast<size_t>(idle.width) * idle.height - area)
      << "and nothing of the form around it";

  ASSERT_TRUE(f.ConnectHost());
  f.site.invalidations.clear();
  ASSERT_EQ(client::PutByName(f.ctl.Get(), "FormatPolylineParams", Variant::Str("%.0f ")).hr, S_OK);
  ASSERT_EQ(client::CallByName(f.ctl.Get(), "drawPolyline").hr, S_OK);
  EXPECT_TRUE(f.InvalidatedWholeControl()) << "drawPolyline's caption: the form is asked to redraw the control ("
                                           << f.site.invalidations.size() << " requests)";
  FormPicture prompt(f.view.Get());
  EXPECT_GT(prompt.Count(fore, pos), 40u) << "text pixels of \"0 Click to draw\"";
  EXPECT_GT(prompt.Count(back, pos), area / 2);
  // The same picture into bounds the form gives: a control-sized DC from (0, 0).
  RECTL bounds = {0, 0, pos.right - pos.left, pos.bottom - pos.top};
  FormPicture atOrigin(f.view.Get(), &bounds);
  EXPECT_EQ(atOrigin.Count(fore, {0, 0, bounds.right, bounds.bottom}), prompt.Count(fore, pos));

  f.site.invalidations.clear();
  ASSERT_EQ(client::CallByName(f.ctl.Get(), "abortEdit").hr, S_OK);
  EXPECT_TRUE(f.InvalidatedWholeControl()) << "abortEdit empties the caption";
  FormPicture aborted(f.view.Get());
  EXPECT_EQ(aborted.Count(fore, pos), 0u);
  EXPECT_EQ(aborted.pixels, idle.pixels);
}

TEST(WindowlessActivation, DeactivationAndCloseLetTheWindowlessSiteGo) {
  WindowlessForm f;
  ASSERT_TRUE(f.ole);
  const ULONG before = f.site.refs;
  ASSERT_EQ(f.DoVerb(OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_TRUE(f.site.hasFocus) << "a windowless control takes the focus through its site";
  ASSERT_TRUE(f.ConnectHost());

  f.site.calls.clear();
  ASSERT_EQ(f.inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(Joined(f.site.calls), "SetFocus(FALSE), OnUIDeactivate, OnInPlaceDeactivateEx");
  EXPECT_EQ(f.site.refs, before) << "every site interface taken at activation is released";
  // Inactive again: a caption change is the view sink's business, not a redraw request.
  f.site.invalidations.clear();
  ASSERT_EQ(client::CallByName(f.ctl.Get(), "drawPolyline").hr, S_OK);
  EXPECT_TRUE(f.site.invalidations.empty());
  client::CallByName(f.ctl.Get(), "abortEdit");

  // Activated again, then closed by the form.
  ASSERT_EQ(f.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  EXPECT_GT(f.site.refs, before);
  f.site.calls.clear();
  ASSERT_EQ(f.ole->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(CountOf(f.site.calls, "OnInPlaceDeactivateEx"), 1u) << Joined(f.site.calls);
  EXPECT_EQ(f.site.refs, before);
}

TEST(WindowlessActivation, AFormThatDeclinesGetsTheChildWindowAsBefore) {
  WindowlessForm f;
  ASSERT_TRUE(f.ole);
  f.site.refuseWindowless = true;
  ASSERT_EQ(f.DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  EXPECT_EQ(f.site.activateFlags, 0u);
  HWND hwnd = nullptr;
  ASSERT_EQ(f.inPlace->GetWindow(&hwnd), S_OK);
  EXPECT_EQ(GetParent(hwnd), f.frame.hwnd());
  ASSERT_TRUE(f.ConnectHost());
  f.site.invalidations.clear();
  ASSERT_EQ(client::CallByName(f.ctl.Get(), "drawPolyline").hr, S_OK);
  EXPECT_TRUE(f.site.invalidations.empty()) << "the control's own window repaints";
  f.site.calls.clear();
  ASSERT_EQ(f.inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CountOf(f.site.calls, "OnInPlaceDeactivate"), 1u) << Joined(f.site.calls);
}

}  // namespace
