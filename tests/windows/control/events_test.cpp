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

// An event sink as a container builds one: IDispatch only, answering the event IID too.
// It lives on the test's stack; its count shows whether the control let go of it.
class Sink : public IDispatch {
 public:
  Sink(const char* name, std::vector<std::string>* log, const IID& events)
      : m_name(name), m_log(log), m_events(events) {}

  DWORD cookie = 0;
  ULONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_events) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    std::string entry = m_name + ":";
    if (riid != IID_NULL) entry += "(riid not IID_NULL)";
    if (!(flags & DISPATCH_METHOD)) entry += "(not a method call)";
    const UINT n = dp ? dp->cArgs : 0;
    switch (id) {
      case qarn::kEditDone: entry += "EditDone"; break;
      case qarn::kEditAborted: entry += "EditAborted"; break;
      case qarn::kSnap: entry += "Snap"; break;
      case qarn::kCaptionChanged: entry += "CaptionChanged"; break;
      default: entry += "event" + std::to_string(id);
    }
    entry += "(";
    for (UINT i = 0; i < n; ++i) {
      const VARIANT& a = dp->rgvarg[n - 1 - i];
      if (i) entry += ", ";
      entry += a.vt == VT_BSTR ? client::Utf8(a.bstrVal) : client::Show(a);
    }
    entry += ")";
    m_log->push_back(entry);
    return S_OK;
  }

 private:
  std::string m_name;
  std::vector<std::string>* m_log;
  IID m_events;
};

std::vector<std::string> CallNames(const std::string& log) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    if (!line.empty()) names.push_back(line.substr(0, line.find('(')));
    start = end + 2;
  }
  return names;
}

class ControlEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    Ptr<ITypeLib> lib;
    HRESULT hr = LoadRegTypeLib(qarn::kLibId, 1, 0, 0x409, lib.Out());
    ASSERT_EQ(hr, S_OK) << client::Hr(hr);
    bool found = false;
    for (UINT i = 0; i < lib->GetTypeInfoCount() && !found; ++i) {
      BSTR name = nullptr;
      lib->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr);
      if (client::Utf8(name) == "_DQarneditEvents") {
        Ptr<ITypeInfo> ti;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(lib->GetTypeInfo(i, ti.Out())) && SUCCEEDED(ti->GetTypeAttr(&attr))) {
          eventsIid = attr->guid;
          ti->ReleaseTypeAttr(attr);
          found = true;
        }
      }
      SysFreeString(name);
    }
    ASSERT_TRUE(found) << "_DQarneditEvents is not in the registered library";

    host = client::Create(qarn::kHostProgId, &hr);
    ASSERT_TRUE(host) << "CoCreateInstance(QARNREF.RefHost.1): " << client::Hr(hr);
    ctl = client::Create(qarn::kControlProgId, &hr);
    ASSERT_TRUE(ctl) << "CoCreateInstance(QARNEDIT.QarneditCtrl.1): " << client::Hr(hr);
    // A message box would wait for a user that is not there.
    ASSERT_EQ(client::PutByName(host.Get(), "messageBoxAnswer", Variant::I4(IDOK)).hr, S_OK);
    ASSERT_EQ(client::PutProp(ctl.Get(), qarn::kQarnocx, Variant::Disp(host.Get()), DISPATCH_PROPERTYPUTREF).hr,
              S_OK);
    auto container = ctl.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container) << "no IConnectionPointContainer";
    hr = container->FindConnectionPoint(eventsIid, point.Out());
    ASSERT_EQ(hr, S_OK) << "FindConnectionPoint(_DQarneditEvents): " << client::Hr(hr);
  }

  void TearDown() override {
    // The control holds no reference on the host: it must be told before the host goes.
    if (ctl) client::PutProp(ctl.Get(), qarn::kQarnocx, Variant::Disp(nullptr), DISPATCH_PROPERTYPUTREF);
    point.Reset();
    ctl.Reset();
    host.Reset();
  }

  void Advise(Sink& sink) {
    ASSERT_EQ(point->Advise(&sink, &sink.cookie), S_OK);
  }

  void Run(DISPID method) {
    client::CallResult r = client::Call(ctl.Get(), method);
    ASSERT_EQ(r.hr, S_OK) << "method " << method << ": " << client::Hr(r.hr) << " " << r.exception;
  }

  std::string HostLog() {
    client::CallResult r = client::GetByName(host.Get(), "callLog");
    EXPECT_EQ(r.hr, S_OK) << "host.callLog: " << client::Hr(r.hr);
    return r.result.v.vt == VT_BSTR ? client::Utf8(r.result.v.bstrVal) : std::string();
  }

  IID eventsIid = IID_NULL;
  Ptr<IDispatch> host, ctl;
  Ptr<IConnectionPoint> point;
  std::vector<std::string> log;
};

using Lines = std::vector<std::string>;

TEST_F(ControlEvents, StartingAndAbortingAnEditFiresCaptionsAndEditAborted) {
  Sink sink("A", &log, eventsIid);
  Advise(sink);
  ASSERT_EQ(client::CallByName(host.Get(), "clearLog").hr, S_OK);

  Run(qarn::kDrawPolyline);
  EXPECT_EQ(log, (Lines{"A:CaptionChanged(Click to draw)"})) << "events of drawPolyline";
  EXPECT_EQ(CallNames(HostLog()), (Lines{"GetEngineHandle", "GetEngineFromHandle", "SetPointerHandler",
                                         "SetOverlayPainter", "GetInputState", "GetReferencePoint", "SetInputState"}))
      << "host calls to start an edit; the log was:\n"
      << HostLog();
  EXPECT_EQ(client::Show(client::Call(ctl.Get(), qarn::kIsEditing).result.v), "VT_BOOL True");

  log.clear();
  Run(qarn::kAbortEdit);
  EXPECT_EQ(log, (Lines{"A:CaptionChanged()", "A:EditAborted()"})) << "events of abortEdit";
  EXPECT_EQ(client::Show(client::Call(ctl.Get(), qarn::kIsEditing).result.v), "VT_BOOL False");

  // Nothing is being edited any more: a second abort fires nothing.
  log.clear();
  Run(qarn::kAbortEdit);
  EXPECT_EQ(log, Lines{}) << "events of abortEdit with nothing being edited";
  EXPECT_EQ(point->Unadvise(sink.cookie), S_OK);
  EXPECT_EQ(sink.refs, 1u) << "the control keeps references on an unadvised sink";
}

TEST_F(ControlEvents, EverySinkReceivesEveryEventInAdviseOrder) {
  Sink a("A", &log, eventsIid), b("B", &log, eventsIid);
  Advise(a);
  Advise(b);
  EXPECT_NE(a.cookie, b.cookie) << "two connections share a cookie";
  Run(qarn::kDrawPolyline);
  Run(qarn::kAbortEdit);
  EXPECT_EQ(log, (Lines{"A:CaptionChanged(Click to draw)", "B:CaptionChanged(Click to draw)", "A:CaptionChanged()",
                        "B:CaptionChanged()", "A:EditAborted()", "B:EditAborted()"}));
  EXPECT_EQ(point->Unadvise(a.cookie), S_OK);
  EXPECT_EQ(point->Unadvise(b.cookie), S_OK);
  EXPECT_EQ(point->Unadvise(a.cookie), CONNECT_E_NOCONNECTION) << "a second Unadvise of one cookie";
  EXPECT_EQ(a.refs, 1u);
  EXPECT_EQ(b.refs, 1u);
}

TEST_F(ControlEvents, ConnectionPointRules) {
  IID iid = IID_NULL;
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, eventsIid)) << "GetConnectionInterface names another interface";
  Ptr<IConnectionPointContainer> back;
  EXPECT_EQ(point->GetConnectionPointContainer(back.Out()), S_OK);
  Ptr<IUnknown> a = back.As<IUnknown>(IID_IUnknown), b = ctl.As<IUnknown>(IID_IUnknown);
  EXPECT_EQ(a.Get(), b.Get()) << "the connection point's container is not the control";

  auto container = ctl.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  Ptr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, other.Out()), CONNECT_E_NOCONNECTION)
      << "the control offers no property change notifications";

  // An object that is no dispatch interface cannot receive the events.
  Ptr<ITypeLib> lib;
  ASSERT_EQ(LoadRegTypeLib(qarn::kLibId, 1, 0, 0x409, lib.Out()), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(lib.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(point->Unadvise(0xBAD), CONNECT_E_NOCONNECTION);
}

}  // namespace
