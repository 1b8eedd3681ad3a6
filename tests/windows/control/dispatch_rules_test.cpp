// IDispatch::Invoke of the registered control as a late-binding client meets it: the
// error codes a script host turns into its run-time errors, and the values it reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_client.h"
#include "control_ids.h"

using client::Ptr;
using client::Variant;

namespace {

class ControlDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    HRESULT hr;
    ctl = client::Create(qarn::kControlProgId, &hr);
    ASSERT_TRUE(ctl) << "CoCreateInstance(" << client::Utf8(qarn::kControlProgId, wcslen(qarn::kControlProgId))
                     << "): " << client::Hr(hr);
  }
  Ptr<IDispatch> ctl;
};

// The framework's Invoke rules (counts, named arguments, put by reference, puArgErr
// order) are tested on Linux with a test control; here the real module's members meet
// them with the runtime's own VariantChangeType doing the conversions. puArgErr counts
// from the end, as rgvarg holds the arguments last first.
TEST_F(ControlDispatch, TheControlsMembersRefuseWhatTheirSignaturesDoNotTake) {
  struct Case {
    const char* what;
    const char* name;  // bound by name, as a script host binds
    WORD flags;
    std::vector<Variant> args;
    HRESULT expected;
    UINT argErr;  // checked for a refused conversion
  } cases[] = {
      {"unknown DISPID", nullptr, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 0},
      {"isEditing with an argument", "isEditing", DISPATCH_METHOD, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT, 0},
      {"Set3DMode without its argument", "Set3DMode", DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT, 0},
      {"setBasePointQarnEdit with two of three", "setBasePointQarnEdit", DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2)}, DISP_E_BADPARAMCOUNT, 0},
      {"a method written as a property", "drawPolyline", DISPATCH_PROPERTYPUT, {Variant::I4(1)},
       DISP_E_MEMBERNOTFOUND, 0},
      {"BaseX not a number", "setBasePointQarnEdit", DISPATCH_METHOD,
       {Variant::Str("east"), Variant::R8(2), Variant::R8(3)}, DISP_E_TYPEMISMATCH, 2},
      {"BaseZ not a number", "setBasePointQarnEdit", DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2), Variant::Str("up")}, DISP_E_TYPEMISMATCH, 0},
      {"penColor not a number", "penColor", DISPATCH_PROPERTYPUT, {Variant::Str("red")}, DISP_E_TYPEMISMATCH, 0},
      // NoSnapKey is a long in the library but a short in the control.
      {"NoSnapKey beyond a short", "NoSnapKey", DISPATCH_PROPERTYPUT, {Variant::I4(70000)}, DISP_E_OVERFLOW, 0},
  };
  for (const Case& c : cases) {
    client::CallResult r = client::Invoke(ctl.Get(), c.name ? client::IdOf(ctl.Get(), c.name) : 9999, c.flags, c.args);
    EXPECT_EQ(r.hr, c.expected) << c.what << ": expected " << client::Hr(c.expected) << ", got " << client::Hr(r.hr);
    if (c.expected == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(r.argErr, c.argErr) << c.what << ": puArgErr";
    }
  }
  // A refused write changes nothing; a numeric string converts, as VariantChangeType allows.
  EXPECT_EQ(client::Show(client::GetByName(ctl.Get(), "penColor").result.v), "VT_I4 255");
  EXPECT_EQ(client::Show(client::GetByName(ctl.Get(), "NoSnapKey").result.v), "VT_I2 0");
  EXPECT_EQ(client::PutByName(ctl.Get(), "fillStyle", Variant::Str("7")).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetByName(ctl.Get(), "fillStyle").result.v), "VT_I2 7");
  EXPECT_EQ(client::PutByName(ctl.Get(), "NoSnapKey", Variant::I4(16)).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetByName(ctl.Get(), "NoSnapKey").result.v), "VT_I2 16");
}

}  // namespace
