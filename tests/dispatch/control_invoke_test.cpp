#include <gtest/gtest.h>

#include "tests/dispatch/test_support.h"

namespace {

struct ControlFixture : ::testing::Test {
  CTestCtrl* ctrl = new CTestCtrl();
  IDispatch* disp = ctrl->GetIDispatch(FALSE);
  ~ControlFixture() override { ctrl->Release(); }
};

using InvokeRules = ControlFixture;

TEST_F(InvokeRules, ErrorsByCase) {
  struct Case {
    const char* name;
    DISPID id;
    WORD flags;
    std::vector<CQarnVariant> args;
    HRESULT hr;
    UINT argErr;  // checked when hr is a conversion failure
  } cases[] = {
      {"unknown dispid", 999, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 0},
      {"method, too few", kAdd, DISPATCH_METHOD, {VI2(1), VI4(2)}, DISP_E_BADPARAMCOUNT, 0},
      {"method, too many", kAdd, DISPATCH_METHOD, {VI2(1), VI4(2), VR8(3), VR8(4)}, DISP_E_BADPARAMCOUNT, 0},
      {"method as property get", kAdd, DISPATCH_PROPERTYGET, {VI2(1), VI4(2), VR8(3)}, DISP_E_MEMBERNOTFOUND, 0},
      {"method as put", kAdd, DISPATCH_PROPERTYPUT, {VI2(1)}, DISP_E_MEMBERNOTFOUND, 0},
      // rgvarg is reversed: the first argument is at index cArgs - 1.
      {"first arg mismatch", kAdd, DISPATCH_METHOD, {VStr("x"), VI4(2), VR8(3)}, DISP_E_TYPEMISMATCH, 2},
      {"last arg mismatch", kAdd, DISPATCH_METHOD, {VI2(1), VI4(2), VStr("y")}, DISP_E_TYPEMISMATCH, 0},
      {"middle arg mismatch", kAdd, DISPATCH_METHOD, {VI2(1), VStr("z"), VR8(3)}, DISP_E_TYPEMISMATCH, 1},
      {"short arg overflow", kAdd, DISPATCH_METHOD, {VI4(70000), VI4(2), VR8(3)}, DISP_E_OVERFLOW, 2},
      {"get with args", kLongProp, DISPATCH_PROPERTYGET, {VI4(1)}, DISP_E_BADPARAMCOUNT, 0},
      {"put without value", kLongProp, DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT, 0},
      {"put read-only", kCount, DISPATCH_PROPERTYPUT, {VI4(1)}, DISP_E_MEMBERNOTFOUND, 0},
      {"putref on a long", kLongProp, DISPATCH_PROPERTYPUTREF, {VI4(1)}, DISP_E_MEMBERNOTFOUND, 0},
      {"short put overflow", kShortProp, DISPATCH_PROPERTYPUT, {VI4(40000)}, DISP_E_OVERFLOW, 0},
      {"string into long", kLongProp, DISPATCH_PROPERTYPUT, {VStr("many")}, DISP_E_TYPEMISMATCH, 0},
      {"no flags", kLongProp, 0, {}, DISP_E_MEMBERNOTFOUND, 0},
  };
  for (Case& c : cases) {
    CQarnVariant result;
    UINT argErr = 12345;
    HRESULT hr = CallInvoke(disp, c.id, c.flags, c.args, &result, &argErr);
    EXPECT_EQ(hr, c.hr) << c.name << ": expected " << std::hex << c.hr << ", got " << hr;
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) {
      EXPECT_EQ(argErr, c.argErr) << c.name << ": expected puArgErr " << c.argErr << ", got " << argErr;
    }
  }
  EXPECT_EQ(ctrl->m_shortProp, 7) << "a failed put must not change the property";
  EXPECT_EQ(ctrl->m_longProp, 100);
}

TEST_F(InvokeRules, NamedArgumentsOtherThanPropertyPutAreRefused) {
  CQarnVariant arg = VI4(5);
  DISPID named = 17;
  DISPPARAMS dp = {&arg, &named, 1, 1};
  UINT argErr = 0;
  EXPECT_EQ(disp->Invoke(kLongProp, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, &argErr),
            DISP_E_NONAMEDARGS);
  named = DISPID_PROPERTYPUT;
  EXPECT_EQ(disp->Invoke(kAdd, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, &argErr), DISP_E_NONAMEDARGS)
      << "DISPID_PROPERTYPUT is only for puts";
  EXPECT_EQ(disp->Invoke(kLongProp, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, nullptr, &argErr), S_OK);
  EXPECT_EQ(ctrl->m_longProp, 5);
  EXPECT_EQ(disp->Invoke(kLongProp, IID_DTestCtrl, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE)
      << "riid must be IID_NULL";
}

TEST_F(InvokeRules, SuccessfulCallsConvertArgumentsAndResults) {
  struct Case {
    const char* name;
    DISPID id;
    WORD flags;
    std::vector<CQarnVariant> args;
    VARTYPE vtResult;
    std::string resultText;  // result converted to text
  } cases[] = {
      {"method", kAdd, DISPATCH_METHOD, {VI2(1), VI4(2), VR8(0.5)}, VT_R8, "3.5"},
      {"method as VB calls it", kAdd, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {VStr("4"), VR8(2), VI4(1)}, VT_R8,
       "7"},
      {"BSTR + BOOL method", kDescribe, DISPATCH_METHOD, {VStr("née"), VBool(true)}, VT_BSTR, "née-UP"},
      {"BOOL param accepts a long", kDescribe, DISPATCH_METHOD, {VStr("p"), VI4(0)}, VT_BSTR, "p-down"},
      {"property get", kCount, DISPATCH_PROPERTYGET, {}, VT_I4, "42"},
      {"property via METHOD|GET", kScale, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, VT_R8, "1"},
      {"BOOL property is VT_BOOL", kFlag, DISPATCH_PROPERTYGET, {}, VT_BOOL, "0"},
      {"string property", kCaption, DISPATCH_PROPERTYGET, {}, VT_BSTR, "Untitled"},
      {"colour property is a long", kHighlight, DISPATCH_PROPERTYGET, {}, VT_I4, "-2147483635"},
      {"stock back colour", DISPID_BACKCOLOR, DISPATCH_PROPERTYGET, {}, VT_I4, "-2147483643"},
      {"stock fore colour", DISPID_FORECOLOR, DISPATCH_PROPERTYGET, {}, VT_I4, "-2147483640"},
  };
  for (Case& c : cases) {
    CQarnVariant result;
    HRESULT hr = CallInvoke(disp, c.id, c.flags, c.args, &result);
    ASSERT_EQ(hr, S_OK) << c.name << ": got " << std::hex << hr;
    EXPECT_EQ(result.vt, c.vtResult) << c.name << ": expected vt " << c.vtResult << ", got " << result.vt;
    CQarnVariant text;
    VariantChangeType(&text, &result, 0, VT_BSTR);
    EXPECT_EQ(Utf8(text), c.resultText) << c.name;
  }
}

TEST_F(InvokeRules, PutsConvertAndNotify) {
  CQarnVariant r;
  ASSERT_EQ(CallInvoke(disp, kShortProp, DISPATCH_PROPERTYPUT, {VI4(1234)}, &r), S_OK) << "short accepts a long";
  EXPECT_EQ(ctrl->m_shortProp, 1234);
  EXPECT_EQ(ctrl->m_shortChanged, 1) << "notify must run once per put";
  ASSERT_EQ(CallInvoke(disp, kFlag, DISPATCH_PROPERTYPUT, {VStr("True")}, &r), S_OK);
  EXPECT_EQ(ctrl->m_flag, TRUE) << "a BOOL member stores TRUE, not VARIANT_TRUE";
  EXPECT_EQ(ctrl->m_flagChanged, 1);
  ASSERT_EQ(CallInvoke(disp, kCaption, DISPATCH_PROPERTYPUT, {VR8(2.5)}, &r), S_OK);
  EXPECT_EQ(ctrl->m_caption, "2.5");
  ASSERT_EQ(CallInvoke(disp, kHighlight, DISPATCH_PROPERTYPUT, {VR8(4278190080.0)}, &r), S_OK)
      << "colours above 0x7FFFFFFF may come unsigned";
  EXPECT_EQ(ctrl->m_highlight, 0xFF000000u);
  // A put without the named DISPID_PROPERTYPUT argument is accepted as well.
  ASSERT_EQ(CallInvoke(disp, kLongProp, DISPATCH_PROPERTYPUT, {VI2(9)}, &r, nullptr, false), S_OK);
  EXPECT_EQ(ctrl->m_longProp, 9);
}

TEST_F(InvokeRules, ByReferenceArguments) {
  double value = 2.0;
  CQarnVariant ref;
  ref.vt = VT_BYREF | VT_R8;
  ref.pdblVal = &value;
  CQarnVariant r;
  ASSERT_EQ(CallInvoke(disp, kNudge, DISPATCH_METHOD, {ref}, &r), S_OK);
  EXPECT_DOUBLE_EQ(value, 3.5) << "the method must write through the caller's double";
  ref.vt = VT_EMPTY;
  ASSERT_EQ(CallInvoke(disp, kNudge, DISPATCH_METHOD, {VI4(1)}, &r), S_OK) << "a by-value double is accepted";
}

TEST_F(InvokeRules, DispatchPropertyPutByReference) {
  auto* target = new CRecordingDispatch();
  CQarnVariant r;
  ASSERT_EQ(CallInvoke(disp, kTarget, DISPATCH_PROPERTYPUTREF, {VDisp(target)}, &r), S_OK);
  EXPECT_EQ(ctrl->m_target, target);
  EXPECT_EQ(target->refs, 2u) << "the control must hold its own reference";
  CQarnVariant got;
  ASSERT_EQ(CallInvoke(disp, kTarget, DISPATCH_PROPERTYGET, {}, &got), S_OK);
  EXPECT_EQ(got.vt, VT_DISPATCH);
  EXPECT_EQ(got.pdispVal, target);
  EXPECT_EQ(target->refs, 3u) << "a returned object carries a reference for the caller";
  VariantClear(&got);
  ASSERT_EQ(CallInvoke(disp, kTarget, DISPATCH_PROPERTYPUTREF, {CQarnVariant()}, &r), S_OK) << "Nothing";
  EXPECT_EQ(ctrl->m_target, nullptr);
  EXPECT_EQ(target->refs, 1u);
  target->Release();
}

TEST_F(InvokeRules, GetIDsOfNamesIgnoresCase) {
  struct Case {
    const char16_t* name;
    HRESULT hr;
    DISPID id;
  } cases[] = {
      {u"ShortProp", S_OK, kShortProp}, {u"shortprop", S_OK, kShortProp}, {u"ADD", S_OK, kAdd},
      {u"backcolor", S_OK, DISPID_BACKCOLOR}, {u"Font", S_OK, DISPID_FONT}, {u"Nope", DISP_E_UNKNOWNNAME, -1},
      {u"Ad", DISP_E_UNKNOWNNAME, -1},
  };
  for (const Case& c : cases) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID id = 777;
    HRESULT hr = disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    EXPECT_EQ(hr, c.hr) << QarnUtf8FromWide(c.name, std::char_traits<char16_t>::length(c.name));
    EXPECT_EQ(id, c.id) << QarnUtf8FromWide(c.name, std::char_traits<char16_t>::length(c.name)) << ": expected "
                        << c.id << ", got " << id;
  }
  LPOLESTR withParam[] = {const_cast<LPOLESTR>(u"Add"), const_cast<LPOLESTR>(u"a")};
  DISPID ids[2];
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids), DISP_E_UNKNOWNNAME) << "parameter names are unknown";
}

TEST_F(InvokeRules, MemberInfoDescribesMembersAndEvents) {
  IQarnMemberInfo* info = nullptr;
  ASSERT_EQ(disp->QueryInterface(IID_IQarnMemberInfo, reinterpret_cast<void**>(&info)), S_OK);
  UINT count = 0;
  info->GetMemberCount(&count);
  EXPECT_EQ(count, ctrl->GetDispatchMap().size());
  struct Case {
    DISPID id;
    const char* name;
    DWORD kind;
    VARTYPE vt;
    UINT params;
    BOOL readOnly;
  } cases[] = {
      {kAdd, "Add", QARN_MEMBER_METHOD, VT_R8, 3, FALSE},
      {kNudge, "Nudge", QARN_MEMBER_METHOD, VT_EMPTY, 1, FALSE},
      {kCount, "Count", QARN_MEMBER_PROPERTY, VT_I4, 0, TRUE},
      {kFlag, "Flag", QARN_MEMBER_PROPERTY, VT_BOOL, 0, FALSE},
      {kCaption, "Caption", QARN_MEMBER_PROPERTY, VT_BSTR, 0, FALSE},
      {DISPID_FONT, "Font", QARN_MEMBER_PROPERTY, VT_DISPATCH, 0, FALSE},
  };
  for (const Case& c : cases) {
    QARN_MEMBERINFO mi{};
    ASSERT_EQ(info->GetMemberInfoOfDispID(c.id, &mi), S_OK) << c.name;
    EXPECT_EQ(QarnUtf8FromBstr(mi.bstrName), c.name);
    EXPECT_EQ(mi.kind, c.kind) << c.name;
    EXPECT_EQ(mi.vtResult, c.vt) << c.name << ": expected vt " << c.vt << ", got " << mi.vtResult;
    EXPECT_EQ(mi.cParams, c.params) << c.name;
    EXPECT_EQ(mi.bReadOnly, c.readOnly) << c.name;
    SysFreeString(mi.bstrName);
  }
  VARTYPE params[3] = {};
  for (UINT i = 0; i < 3; ++i) info->GetMemberParamType(kAdd, i, &params[i]);
  EXPECT_EQ(params[0], VT_I2);
  EXPECT_EQ(params[1], VT_I4);
  EXPECT_EQ(params[2], VT_R8);
  VARTYPE vt = 0;
  info->GetMemberParamType(kNudge, 0, &vt);
  EXPECT_EQ(vt, VT_BYREF | VT_R8);
  info->GetMemberParamType(kDescribe, 1, &vt);
  EXPECT_EQ(vt, VT_BOOL) << "an explicit VTS_ list overrides the deduced types";
  EXPECT_EQ(info->GetMemberParamType(kAdd, 3, &vt), DISP_E_BADINDEX);

  UINT events = 0;
  info->GetEventCount(&events);
  EXPECT_EQ(events, 4u);
  QARN_MEMBERINFO ei{};
  ASSERT_EQ(info->GetEventInfo(3, &ei), S_OK);
  EXPECT_EQ(QarnUtf8FromBstr(ei.bstrName), "Moved");
  EXPECT_EQ(ei.cParams, 2u);
  SysFreeString(ei.bstrName);
  info->GetEventParamType(2, 0, &vt);
  EXPECT_EQ(vt, VT_BYREF | VT_R8);
  info->Release();
}

TEST_F(InvokeRules, QueryInterfaceAnswersItsInterfacesOnly) {
  struct Case {
    const char* name;
    const IID* iid;
    HRESULT hr;
  } cases[] = {
      {"IUnknown", &IID_IUnknown, S_OK},
      {"IDispatch", &IID_IDispatch, S_OK},
      {"primary dispinterface", &IID_DTestCtrl, S_OK},
      {"IConnectionPointContainer", &IID_IConnectionPointContainer, S_OK},
      {"IQarnMemberInfo", &IID_IQarnMemberInfo, S_OK},
      {"event interface", &IID_DTestCtrlEvents, E_NOINTERFACE},
      {"IConnectionPoint", &IID_IConnectionPoint, E_NOINTERFACE},
  };
  for (const Case& c : cases) {
    void* p = reinterpret_cast<void*>(1);
    HRESULT hr = disp->QueryInterface(*c.iid, &p);
    EXPECT_EQ(hr, c.hr) << c.name;
    if (SUCCEEDED(hr)) {
      ASSERT_NE(p, nullptr) << c.name;
      static_cast<IUnknown*>(p)->Release();
    } else {
      EXPECT_EQ(p, nullptr) << c.name << ": a refused QueryInterface must null the pointer";
    }
  }
  EXPECT_EQ(ctrl->GetRefCount(), 1u) << "every reference handed out was released";
}

}  // namespace
