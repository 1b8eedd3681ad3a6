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
    DISPID id;
    WORD flags;
    std::vector<Variant> args;
    HRESULT expected;
    UINT argErr;  // checked for a refused conversion
  } cases[] = {
      {"unknown DISPID", 9999, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 0},
      {"isEditing with an argument", qarn::kIsEditing, DISPATCH_METHOD, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT, 0},
      {"Set3DMode without its argument", qarn::kSet3DMode, DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT, 0},
      {"setBasePointQarnEdit with two of three", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2)}, DISP_E_BADPARAMCOUNT, 0},
      {"a method written as a property", qarn::kDrawPolyline, DISPATCH_PROPERTYPUT, {Variant::I4(1)},
       DISP_E_MEMBERNOTFOUND, 0},
      {"BaseX not a number", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::Str("east"), Variant::R8(2), Variant::R8(3)}, DISP_E_TYPEMISMATCH, 2},
      {"BaseZ not a number", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2), Variant::Str("up")}, DISP_E_TYPEMISMATCH, 0},
      {"penColor not a number", qarn::kPenColor, DISPATCH_PROPERTYPUT, {Variant::Str("red")}, DISP_E_TYPEMISMATCH, 0},
      // NoSnapKey is a long in the library but a short in the control.
      {"NoSnapKey beyond a short", qarn::kNoSnapKey, DISPATCH_PROPERTYPUT, {Variant::I4(70000)}, DISP_E_OVERFLOW, 0},
  };
  for (const Case& c : cases) {
    client::CallResult r = client::Invoke(ctl.Get(), c.id, c.flags, c.args);
    EXPECT_EQ(r.hr, c.expected) << c.what << ": expected " << client::Hr(c.expected) << ", got " << client::Hr(r.hr);
    if (c.expected == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(r.argErr, c.argErr) << c.what << ": puArgErr";
    }
  }
  // A refused write changes nothing; a numeric string converts, as VariantChangeType allows.
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kPenColor).result.v), "VT_I4 255");
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kNoSnapKey).result.v), "VT_I2 0");
  EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kFillStyle, Variant::Str("7")).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kFillStyle).result.v), "VT_I2 7");
  EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kNoSnapKey, Variant::I4(16)).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kNoSnapKey).result.v), "VT_I2 16");
}

// Without an edit there is nothing to take back; the two flags are read-only, and the
// history's limit is a setting that refuses what could hold nothing.
TEST_F(ControlDispatch, UndoMembersOfAnIdleControl) {
  for (DISPID id : {qarn::kUndo, qarn::kRedo}) {
    client::CallResult r = client::Call(ctl.Get(), id);
    EXPECT_EQ(r.hr, S_OK) << "DISPID " << id << ": " << client::Hr(r.hr);
    EXPECT_EQ(client::Show(r.result.v), "VT_BOOL False") << "DISPID " << id;
    EXPECT_EQ(client::Invoke(ctl.Get(), id, DISPATCH_METHOD, {Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT) << id;
  }
  for (DISPID id : {qarn::kCanUndo, qarn::kCanRedo}) {
    EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), id).result.v), "VT_BOOL False") << "DISPID " << id;
    client::CallResult put = client::PutProp(ctl.Get(), id, Variant::Bool(true));
    EXPECT_EQ(put.hr, DISP_E_MEMBERNOTFOUND) << "put of DISPID " << id << ": " << client::Hr(put.hr);
    EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), id).result.v), "VT_BOOL False") << "DISPID " << id;
  }

  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kUndoMemoryLimit).result.v), "VT_I4 268435456");
  for (LONG refused : {0L, -1L}) {
    client::CallResult put = client::PutProp(ctl.Get(), qarn::kUndoMemoryLimit, Variant::I4(refused));
    EXPECT_EQ(put.hr, DISP_E_EXCEPTION) << refused << ": " << client::Hr(put.hr);
    EXPECT_NE(put.exception.find("undoMemoryLimit"), std::string::npos) << put.exception;
  }
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kUndoMemoryLimit).result.v), "VT_I4 268435456");
  EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kUndoMemoryLimit, Variant::I4(1 << 20)).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kUndoMemoryLimit).result.v), "VT_I4 1048576");
  EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kUndoMemoryLimit, Variant::Str("much")).hr, DISP_E_TYPEMISMATCH);
}

}  // namespace
