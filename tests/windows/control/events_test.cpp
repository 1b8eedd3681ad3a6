// Events reach a container through the control's connection point, with the reference
// host standing in for the host view: what a form sees when an edit starts and ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_client.h"
#include "control_ids.h"

using client::Ptr;
using client::Variant;

namespace {

class ControlEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    HRESULT hr;
    host = client::Create(qarn::kHostProgId, &hr);
    ASSERT_TRUE(host) << "CoCreateInstance(QARNREF.RefHost.1): " << client::Hr(hr);
    ctl = client::Create(qarn::kControlProgId, &hr);
    ASSERT_TRUE(ctl) << "CoCreateInstance(QARNEDIT.QarneditCtrl.1): " << client::Hr(hr);
    // A message box would wait for a user that is not there.
    ASSERT_EQ(client::PutByName(host.Get(), "messageBoxAnswer", Variant::I4(IDOK)).hr, S_OK);
    ASSERT_EQ(client::PutByName(ctl.Get(), "qarnocx", Variant::Disp(host.Get()), DISPATCH_PROPERTYPUTREF).hr, S_OK);
  }

  void TearDown() override {
    // The control holds no reference on the host: it must be told before the host goes.
    if (ctl) client::PutByName(ctl.Get(), "qarnocx", Variant::Disp(nullptr), DISPATCH_PROPERTYPUTREF);
    ctl.Reset();
    host.Reset();
  }

  void Run(const char* method) {
    client::CallResult r = client::CallByName(ctl.Get(), method);
    ASSERT_EQ(r.hr, S_OK) << "method " << method << ": " << client::Hr(r.hr) << " " << r.exception;
  }

  Ptr<IDispatch> host, ctl;
  std::vector<std::string> log;
};

using Lines = std::vector<std::string>;

// The module's events cross into a container's own sinks through the real OLE Invoke:
// names, BSTR arguments and advise order as a form receives them, and no reference kept
// after Unadvise. The connection point's rules and the host calls of a start are the
// framework's and the editor's, tested on Linux.
TEST_F(ControlEvents, EverySinkReceivesTheEditsEventsInAdviseOrder) {
  client::EventLog a(ctl.Get(), &log, "A:"), b(ctl.Get(), &log, "B:");
  ASSERT_TRUE(a.point) << "no connection point for the default event interface";
  ASSERT_EQ(a.point->Advise(&a, &a.cookie), S_OK);
  ASSERT_EQ(a.point->Advise(&b, &b.cookie), S_OK);
  Run("drawPolyline");
  EXPECT_EQ(client::Show(client::CallByName(ctl.Get(), "isEditing").result.v), "VT_BOOL True");
  Run("abortEdit");
  EXPECT_EQ(log, (Lines{"A:CaptionChanged(Click to draw)", "B:CaptionChanged(Click to draw)", "A:CaptionChanged()",
                        "B:CaptionChanged()", "A:EditAborted()", "B:EditAborted()"}));
  EXPECT_EQ(a.point->Unadvise(a.cookie), S_OK);
  EXPECT_EQ(a.point->Unadvise(b.cookie), S_OK);
  EXPECT_EQ(a.refs, 1u) << "the control keeps references on an unadvised sink";
  EXPECT_EQ(b.refs, 1u);
}

}  // namespace
