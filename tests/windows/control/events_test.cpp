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
  Sink(const char* name, std::vector<std::string>* log, const IID& events, ITypeInfo* names)
      : m_name(name), m_log(log), m_events(events), m_names(names) {}

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
    entry += client::MemberName(m_names, id) + "(";
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
  ITypeInfo* m_names;  // the event interface, which names each DISPID
};

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
    eventInfo = client::EventInfo(ctl.Get(), &eventsIid);
    ASSERT_TRUE(eventInfo) << "no default event interface in the control's class info";
    auto container = ctl.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container) << "no IConnectionPointContainer";
    hr = container->FindConnectionPoint(eventsIid, point.Out());
    ASSERT_EQ(hr, S_OK) << "FindConnectionPoint(_DQarneditEvents): " << client::Hr(hr);
  }

  void TearDown() override {
    // The control holds no reference on the host: it must be told before the host goes.
    if (ctl) client::PutByName(ctl.Get(), "qarnocx", Variant::Disp(nullptr), DISPATCH_PROPERTYPUTREF);
    point.Reset();
    ctl.Reset();
    host.Reset();
  }

  void Advise(Sink& sink) {
    ASSERT_EQ(point->Advise(&sink, &sink.cookie), S_OK);
  }

  void Run(const char* method) {
    client::CallResult r = client::CallByName(ctl.Get(), method);
    ASSERT_EQ(r.hr, S_OK) << "method " << method << ": " << client::Hr(r.hr) << " " << r.exception;
  }

  IID eventsIid = IID_NULL;
  Ptr<ITypeInfo> eventInfo;
  Ptr<IDispatch> host, ctl;
  Ptr<IConnectionPoint> point;
  std::vector<std::string> log;
};

using Lines = std::vector<std::string>;

// The module's events cross into a container's own sinks through the real OLE Invoke:
// names, BSTR arguments and advise order as a form receives them, and no reference kept
// after Unadvise. The connection point's rules and the host calls of a start are the
// framework's and the editor's, tested on Linux.
TEST_F(ControlEvents, EverySinkReceivesTheEditsEventsInAdviseOrder) {
  Sink a("A", &log, eventsIid, eventInfo.Get()), b("B", &log, eventsIid, eventInfo.Get());
  Advise(a);
  Advise(b);
  Run("drawPolyline");
  EXPECT_EQ(client::Show(client::CallByName(ctl.Get(), "isEditing").result.v), "VT_BOOL True");
  Run("abortEdit");
  EXPECT_EQ(log, (Lines{"A:CaptionChanged(Click to draw)", "B:CaptionChanged(Click to draw)", "A:CaptionChanged()",
                        "B:CaptionChanged()", "A:EditAborted()", "B:EditAborted()"}));
  EXPECT_EQ(point->Unadvise(a.cookie), S_OK);
  EXPECT_EQ(point->Unadvise(b.cookie), S_OK);
  EXPECT_EQ(a.refs, 1u) << "the control keeps references on an unadvised sink";
  EXPECT_EQ(b.refs, 1u);
}

}  // namespace
