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

TEST_F(ControlDispatch, FreshControlReportsTheDefaults) {
  struct Case {
    DISPID id;
    const char* name;
    const char* expected;  // as client::Show prints it
  } cases[] = {
      {qarn::kPenColor, "penColor", "VT_I4 255"},
      {qarn::kFillStyle, "fillStyle", "VT_I2 0"},
      {qarn::kNoSnapKey, "NoSnapKey", "VT_I2 0"},
      {qarn::kNoPolarKey, "NoPolarKey", "VT_I2 0"},
      {qarn::kFormatPolyline, "FormatPolylineParams", "VT_BSTR \"\""},
      {qarn::kFormatPolygon, "FormatPolygonParams", "VT_BSTR \"\""},
      {qarn::kStringFile, "stringFile", "VT_BSTR \"\""},
      {qarn::kQarnocx, "qarnocx", "VT_DISPATCH Nothing"},
      {DISPID_BACKCOLOR, "BackColor", "VT_I4 -2147483643"},  // 0x80000005, the window colour
      {DISPID_FORECOLOR, "ForeColor", "VT_I4 -2147483640"},  // 0x80000008, the window text colour
  };
  for (const Case& c : cases) {
    client::CallResult r = client::GetProp(ctl.Get(), c.id);
    EXPECT_EQ(r.hr, S_OK) << c.name << ": " << client::Hr(r.hr);
    EXPECT_EQ(client::Show(r.result.v), c.expected) << c.name;
  }
  struct Method {
    DISPID id;
    const char* name;
    const char* expected;
  } methods[] = {
      {qarn::kIsEditing, "isEditing", "VT_BOOL False"},
      {qarn::kCanSaveNow, "canSaveNow", "VT_BOOL False"},
      {qarn::kSaveEdit, "saveEdit", "VT_BOOL False"},
      {qarn::kGetDrawnNtt, "getDrawnNTT", "VT_I4 0"},
  };
  for (const Method& m : methods) {
    client::CallResult r = client::Call(ctl.Get(), m.id);
    EXPECT_EQ(r.hr, S_OK) << m.name << ": " << client::Hr(r.hr);
    EXPECT_EQ(client::Show(r.result.v), m.expected) << m.name;
  }
}

TEST_F(ControlDispatch, ErrorsOfInvoke) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<Variant> args;
    HRESULT expected;
  } cases[] = {
      {"unknown DISPID", 9999, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
      {"unknown DISPID as a property", 9999, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
      {"isEditing with an argument", qarn::kIsEditing, DISPATCH_METHOD, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT},
      {"Set3DMode without its argument", qarn::kSet3DMode, DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT},
      {"setBasePointQarnEdit with two of three",
       qarn::kSetBasePoint,
       DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2)},
       DISP_E_BADPARAMCOUNT},
      {"setBasePointQarnEdit with four",
       qarn::kSetBasePoint,
       DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2), Variant::R8(3), Variant::R8(4)},
       DISP_E_BADPARAMCOUNT},
      {"penColor read with an argument", qarn::kPenColor, DISPATCH_PROPERTYGET, {Variant::I4(1)},
       DISP_E_BADPARAMCOUNT},
      {"a method written as a property", qarn::kDrawPolyline, DISPATCH_PROPERTYPUT, {Variant::I4(1)},
       DISP_E_MEMBERNOTFOUND},
      // Put-by-reference is for object-valued properties only.
      {"penColor put by reference", qarn::kPenColor, DISPATCH_PROPERTYPUTREF, {Variant::I4(1)},
       DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    client::CallResult r = client::Invoke(ctl.Get(), c.id, c.flags, c.args);
    EXPECT_EQ(r.hr, c.expected) << c.what << ": expected " << client::Hr(c.expected) << ", got " << client::Hr(r.hr);
  }
  // Arguments by name are refused: the control publishes no parameter names.
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = 1;
  DISPID named = 0;
  DISPPARAMS dp = {&arg, &named, 1, 1};
  UINT argErr = 0;
  HRESULT hr = ctl->Invoke(qarn::kSet3DMode, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr,
                           &argErr);
  EXPECT_EQ(hr, DISP_E_NONAMEDARGS) << "a named argument: got " << client::Hr(hr);
  // The interface identifier of Invoke must be IID_NULL.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  hr = ctl->Invoke(qarn::kIsEditing, IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                   nullptr);
  EXPECT_EQ(hr, DISP_E_UNKNOWNINTERFACE) << "riid not IID_NULL: got " << client::Hr(hr);
}

// puArgErr counts from the end, as rgvarg holds the arguments last first.
TEST_F(ControlDispatch, UnconvertibleArgumentIsNamedByItsIndex) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<Variant> args;
    UINT argErr;
  } cases[] = {
      {"BaseX not a number", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::Str("east"), Variant::R8(2), Variant::R8(3)}, 2},
      {"BaseY not a number", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::R8(1), Variant::Str("north"), Variant::R8(3)}, 1},
      {"BaseZ not a number", qarn::kSetBasePoint, DISPATCH_METHOD,
       {Variant::R8(1), Variant::R8(2), Variant::Str("up")}, 0},
      {"NewMode not a number", qarn::kSet3DMode, DISPATCH_METHOD, {Variant::Str("three")}, 0},
      {"penColor not a number", qarn::kPenColor, DISPATCH_PROPERTYPUT, {Variant::Str("red")}, 0},
      {"fillStyle not a number", qarn::kFillStyle, DISPATCH_PROPERTYPUT, {Variant::Str("solid")}, 0},
  };
  for (const Case& c : cases) {
    client::CallResult r = client::Invoke(ctl.Get(), c.id, c.flags, c.args);
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH) << c.what << ": got " << client::Hr(r.hr);
    EXPECT_EQ(r.argErr, c.argErr) << c.what << ": puArgErr";
  }
  // A refused write changes nothing.
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kPenColor).result.v), "VT_I4 255");
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kFillStyle).result.v), "VT_I2 0");
  // A numeric string converts, as VariantChangeType allows.
  EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kFillStyle, Variant::Str("7")).hr, S_OK);
  EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kFillStyle).result.v), "VT_I2 7");
}

// NoSnapKey is a long in the library but a short in the control: the dispatch layer
// narrows a long argument and refuses one that does not fit.
TEST_F(ControlDispatch, NoSnapKeyNarrowsALongArgument) {
  struct Case {
    LONG value;
    bool accepted;
  } cases[] = {{16, true}, {0, true}, {-32768, true}, {32767, true}, {32768, false}, {70000, false}, {-32769, false}};
  short current = 0;
  for (const Case& c : cases) {
    client::CallResult put = client::PutProp(ctl.Get(), qarn::kNoSnapKey, Variant::I4(c.value));
    if (c.accepted) {
      EXPECT_EQ(put.hr, S_OK) << "NoSnapKey = " << c.value << ": " << client::Hr(put.hr);
      current = static_cast<short>(c.value);
    } else {
      EXPECT_TRUE(put.hr == DISP_E_OVERFLOW || put.hr == DISP_E_TYPEMISMATCH)
          << "NoSnapKey = " << c.value << ": expected DISP_E_OVERFLOW or DISP_E_TYPEMISMATCH, got "
          << client::Hr(put.hr);
      ::testing::Test::RecordProperty("NoSnapKey_out_of_range_" + std::to_string(c.value), client::Hr(put.hr));
      std::printf("NoSnapKey = %ld refused with %s\n", static_cast<long>(c.value), client::Hr(put.hr).c_str());
    }
    client::CallResult get = client::GetProp(ctl.Get(), qarn::kNoSnapKey);
    EXPECT_EQ(client::Show(get.result.v), "VT_I2 " + std::to_string(current)) << "after NoSnapKey = " << c.value;
  }
}

TEST_F(ControlDispatch, PropertiesReadBackWhatWasWritten) {
  struct Case {
    const char* name;
    DISPID id;
    Variant value;
    const char* expected;
  } cases[] = {
      {"penColor", qarn::kPenColor, Variant::I4(0x00FF00), "VT_I4 65280"},
      // A colour above 0x7FFFFFFF (a system colour) keeps its high bit.
      {"penColor system colour", qarn::kPenColor, Variant::I4(static_cast<LONG>(0x80000012)), "VT_I4 -2147483630"},
      {"fillStyle", qarn::kFillStyle, Variant::I2(-3), "VT_I2 -3"},
      {"NoPolarKey", qarn::kNoPolarKey, Variant::I4(17), "VT_I2 17"},
      {"FormatPolylineParams", qarn::kFormatPolyline, Variant::Str("L=%.2f"), "VT_BSTR \"L=%.2f\""},
      {"FormatPolygonParams", qarn::kFormatPolygon, Variant::Str("A=%.1f m\xC2\xB2"), "VT_BSTR \"A=%.1f m\xC2\xB2\""},
      {"stringFile", qarn::kStringFile, Variant::Str("C:\\strings.ini"), "VT_BSTR \"C:\\strings.ini\""},
      {"BackColor", DISPID_BACKCOLOR, Variant::I4(0x00FFFFFF), "VT_I4 16777215"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(client::PutProp(ctl.Get(), c.id, c.value).hr, S_OK) << c.name;
    EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), c.id).result.v), c.expected) << c.name;
  }
}

// Containers write an object property with put (VBScript without Set) or put-by-reference
// (Set); either way the control hands back the very object it was given.
TEST_F(ControlDispatch, QarnocxAcceptsPutAndPutRef) {
  HRESULT hr;
  Ptr<IDispatch> host = client::Create(qarn::kHostProgId, &hr);
  ASSERT_TRUE(host) << "CoCreateInstance(QARNREF.RefHost.1): " << client::Hr(hr);
  Ptr<IUnknown> hostIdentity = host.As<IUnknown>(IID_IUnknown);
  for (WORD flags : {static_cast<WORD>(DISPATCH_PROPERTYPUT), static_cast<WORD>(DISPATCH_PROPERTYPUTREF)}) {
    const char* how = flags == DISPATCH_PROPERTYPUT ? "put" : "put by reference";
    EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kQarnocx, Variant::Disp(host.Get()), flags).hr, S_OK) << how;
    client::CallResult get = client::GetProp(ctl.Get(), qarn::kQarnocx);
    ASSERT_EQ(get.hr, S_OK) << how;
    ASSERT_EQ(get.result.v.vt, VT_DISPATCH) << how << ": got " << client::Show(get.result.v);
    Ptr<IUnknown> back;
    ASSERT_NE(get.result.v.pdispVal, nullptr) << how;
    get.result.v.pdispVal->QueryInterface(IID_IUnknown, back.OutVoid());
    EXPECT_EQ(back.Get(), hostIdentity.Get()) << how << ": qarnocx reads back another object";
    // Nothing clears it again, so that the next form starts from no host.
    Variant nothing = Variant::Disp(nullptr);
    EXPECT_EQ(client::PutProp(ctl.Get(), qarn::kQarnocx, nothing, flags).hr, S_OK) << how << " of Nothing";
    EXPECT_EQ(client::Show(client::GetProp(ctl.Get(), qarn::kQarnocx).result.v), "VT_DISPATCH Nothing") << how;
  }
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
