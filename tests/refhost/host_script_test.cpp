// The reference host's members by name, as a script reaches them through IDispatch.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/oleauto.h"
#include "platform/record_access.h"
#include "refhost/host_script.h"
#include "tests/dispatch/test_support.h"

namespace {

// Late-bound calls the way a script engine makes them: names looked up, then
// CallInvoke's order (arguments last to first, a put's value as the named
// DISPID_PROPERTYPUT argument).
class Script {
 public:
  explicit Script(IDispatch* target) : m_target(target) {}

  DISPID Id(const char* name) {
    QarnWideString wide = QarnWideFromUtf8(name);
    LPOLESTR names[1] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    m_target->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    return id;
  }
  HRESULT Call(const char* name, std::vector<CQarnVariant> args, VARIANT* result = nullptr,
               WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
    CQarnVariant ignored;
    return CallInvoke(m_target, Id(name), flags, std::move(args), result ? result : &ignored);
  }
  HRESULT Put(const char* name, std::vector<CQarnVariant> index, CQarnVariant value) {
    index.push_back(value);
    return Call(name, std::move(index), nullptr, DISPATCH_PROPERTYPUT);
  }
  std::string Text(const char* name, std::vector<CQarnVariant> args = {}) {
    CQarnVariant result;
    if (FAILED(Call(name, std::move(args), &result)) || result.vt != VT_BSTR) return "<failed>";
    return QarnUtf8FromBstr(result.bstrVal);
  }
  LONG Long(const char* name) {
    CQarnVariant result;
    if (FAILED(Call(name, {}, &result)) || result.vt != VT_I4) return -999;
    return result.lVal;
  }

 private:
  IDispatch* m_target;
};

CQarnVariant L(LONG v) { return VI4(v); }
CQarnVariant D(double v) { return VR8(v); }
CQarnVariant S(const char* v) { return VStr(v); }
// A script variable passed by reference.
CQarnVariant Ref(VARIANT* v) {
  CQarnVariant x;
  x.vt = VT_BYREF | VT_VARIANT;
  x.pvarVal = v;
  return x;
}

TEST(HostScript, NamesAreFoundWhateverTheirCase) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  const struct {
    const char* name;
    bool known;
  } cases[] = {{"width", true},       {"WIDTH", true},      {"rightpress", true}, {"CallLog", true},
               {"readMemory", true},  {"GetEngineHandle", true}, {"getvariable", true},
               {"widths", false},     {"", false},          {"messageBoxAnswer", false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.known, script.Id(c.name) != DISPID_UNKNOWN) << "name \"" << c.name << "\"";
  EXPECT_NE(script.Id("width"), script.Id("height"));
}

TEST(HostScript, StateReadsBackInTheScriptFormats) {
  ReferenceHost host(320, 200);
  Script script(host.GetDispatch());
  host.inputState[0] = 4, host.inputState[1] = -1, host.inputState[2] = 7;
  host.modePair[0] = 2, host.modePair[1] = 3;
  const struct {
    const char* member;
    std::string expected;
  } reads[] = {{"inputState", "4 -1 7"}, {"modePair", "2 3"}, {"referencePoint", "-1 0 0 0"}, {"fileVersion", ""},
               {"callLog", ""}};
  for (const auto& r : reads) EXPECT_EQ(r.expected, script.Text(r.member)) << r.member;
  EXPECT_EQ(320, script.Long("width"));
  EXPECT_EQ(200, script.Long("height"));

  ASSERT_EQ(S_OK, script.Put("referencePoint", {}, S("1 2.5 -3 0.25")));
  EXPECT_EQ(1, host.refOn);
  EXPECT_EQ(2.5, host.refPoint[0]);
  EXPECT_EQ(-3, host.refPoint[1]);
  EXPECT_EQ(0.25, host.refPoint[2]);
  EXPECT_EQ("1 2.5 -3 0.25", script.Text("referencePoint"));
  EXPECT_EQ(DISP_E_TYPEMISMATCH, script.Put("modePair", {}, S("1 2 3"))) << "a pair takes two numbers";
  EXPECT_EQ("2 3", script.Text("modePair"));
}

TEST(HostScript, VariablesAreAnIndexedPropertyAndAreNotLoggedAsHostCalls) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  ASSERT_EQ(S_OK, script.Put("variable", {S("UTILS")}, S("7 8")));
  EXPECT_EQ("7 8", host.variables["UTILS"]);
  EXPECT_EQ("7 8", script.Text("variable", {S("UTILS")}));
  EXPECT_EQ("", script.Text("variable", {S("OTHER")}));
  EXPECT_TRUE(host.calls.empty()) << "the script's own set-up is not a call the editor made";
  // The host's own method by name is a host call and is logged.
  EXPECT_EQ("7 8", script.Text("GetVariable", {S("UTILS")}));
  EXPECT_EQ("GetVariable(UTILS)", script.Text("callLog"));
}

TEST(HostScript, CallLogIsOneLinePerCallJoinedByCrLf) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  host.Log("GetEngineHandle");
  host.Log("SetModePair", {int64_t{1}, int64_t{2}});
  host.Log("WorldToScreen", {2.5, std::monostate{}});
  EXPECT_EQ("GetEngineHandle()\r\nSetModePair(1, 2)\r\nWorldToScreen(2.5, null)", script.Text("callLog"));
  ASSERT_EQ(S_OK, script.Call("clearLog", {}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ("", script.Text("callLog"));
}

TEST(HostScript, SwitchesReadBackAndLogCallsStopsTheLog) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  const struct {
    const char* name;
    bool& field;
    bool initial;
  } switches[] = {{"detachOnReplace", host.detachOnReplace, false}, {"logCalls", host.logCalls, true}};
  for (const auto& s : switches) {
    CQarnVariant got;
    ASSERT_EQ(S_OK, script.Call(s.name, {}, &got)) << s.name;
    EXPECT_EQ(VT_BOOL, got.vt) << s.name;
    EXPECT_EQ(s.initial, got.boolVal != VARIANT_FALSE) << s.name;
    ASSERT_EQ(S_OK, script.Put(s.name, {}, L(s.initial ? 0 : -1))) << s.name;
    EXPECT_EQ(!s.initial, s.field) << s.name;
  }
  // What the log does while off is Registration.CallLoggingStopsAndRestarts's.
}

TEST(HostScript, OutParametersOfTheHostMethodsFillScriptVariables) {
  ReferenceHost host(640, 480);
  host.SetView(2, 10, 20);
  host.SetWorkPlane(0, 0, 0, 0, 0, 5);
  Script script(host.GetDispatch());
  CQarnVariant X = S("a script variable that held text"), Y = L(0), Z = L(0), result;
  ASSERT_EQ(S_OK, script.Call("ViewToWorld", {L(40), L(400), Ref(&X), Ref(&Y), Ref(&Z)}, &result));
  // The view plane's world point (40, 400) lies on the plane 5 above the origin.
  const struct {
    const char* what;
    const VARIANT& v;
    double expected;
  } outs[] = {{"X", X, 40}, {"Y", Y, 400}, {"Z", Z, 5}};
  for (const auto& o : outs) {
    EXPECT_EQ(VT_R8, o.v.vt) << o.what;
    EXPECT_EQ(o.expected, o.v.dblVal) << o.what;
  }
  EXPECT_EQ("ViewToWorld(40, 400)", script.Text("callLog"));
}

TEST(HostScript, PointerInputAndViewSetUpReachTheHost) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  ASSERT_EQ(S_OK, script.Call("setView", {D(0.5), L(-10), S("20")}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ(0.5, host.scale);
  EXPECT_EQ(-10, host.originX);
  EXPECT_EQ(20, host.originY);
  ASSERT_EQ(S_OK, script.Call("setWorkPlane", {D(0.1), D(0.2), D(0.3), D(1), D(2), D(3)}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ(0.3, host.Plane()[2]);
  EXPECT_EQ(3, host.Plane()[5]);
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, script.Call("press", {L(1)}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ(DISP_E_TYPEMISMATCH, script.Call("press", {S("left"), L(1)}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ(S_OK, script.Call("press", {L(1), L(2)}, nullptr, DISPATCH_METHOD));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, script.Put("callLog", {}, S("x"))) << "the log is read-only";
}

TEST(HostScript, EngineHandleZeroLeavesNoEngine) {
  ReferenceHost host;
  Script script(host.GetDispatch());
  const LONG handle = script.Long("engineHandle");
  EXPECT_NE(0, handle);
  EXPECT_EQ(&host, ReferenceHost::FromHandle(handle));
  ASSERT_EQ(S_OK, script.Put("engineHandle", {}, L(0)));
  EXPECT_EQ(0, script.Long("GetEngineHandle"));
  EXPECT_EQ(nullptr, host.GetEngine());
}

TEST(HostScript, AHostThatGaveUpItsHandleStillLeavesTheTableWhenItGoes) {
  LONG handle = 0;
  {
    ReferenceHost host;
    handle = host.engineHandle;
    host.engineHandle = 0;
  }
  EXPECT_EQ(nullptr, ReferenceHost::FromHandle(handle)) << "a dead host stays reachable through handle " << handle;
}

TEST(HostScript, ReadMemoryIsHexOfReadableBytesOrNothing) {
  const unsigned char bytes[] = {0x00, 0x1f, 0xa0, 0xff, 0x42};
  RECORDADDR addr = RecordAlloc(sizeof(bytes));
  ASSERT_NE(0u, addr);
  ASSERT_TRUE(RecordWrite(addr, 0, bytes, sizeof(bytes)));
  const struct {
    uint32_t address;
    long count;
    const char* expected;
  } cases[] = {{addr, 5, "001fa0ff42"}, {addr + 1, 2, "1fa0"}, {addr, 0, ""}, {0, 4, ""}, {16, 4, ""},
               {0xfffffff8u, 16, ""}, {addr, -1, ""}};
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, ReadMemoryHex(c.address, c.count)) << "address " << c.address << " count " << c.count;
  RecordFree(addr);

  ReferenceHost host;
  Script script(host.GetDispatch());
  // Addresses at or above 2^31 come from scripts as negative longs or as doubles.
  EXPECT_EQ("", script.Text("readMemory", {L(-8), L(4)}));
  EXPECT_EQ("", script.Text("readMemory", {D(4294967288.0), L(4)}));
  CQarnVariant bad;
  EXPECT_EQ(DISP_E_OVERFLOW, script.Call("readMemory", {D(1.5), L(4)}, &bad));
}

}  // namespace
