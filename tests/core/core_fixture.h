// A control connected to a reference host, with a sink that records its events.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "platform/connection_point.h"
#include "platform/desktop.h"
#include "platform/oleauto.h"
#include "refhost/reference_host.h"

// Records the events fired into it as "EditDone", "EditAborted", "Snap(x,y)" and
// "CaptionChanged(text)".
class RecordingSink : public IDispatch {
 public:
  std::vector<std::string> events;
  // What a Snap handler writes back, when set.
  bool answerSnap = false;
  double snapX = 0, snapY = 0;
  // Container code run inside each event, after it is recorded (the event's name).
  std::function<void(const std::string&)> handler;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }  // lives on the test's stack
  HRESULT GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    switch (id) {
      case 1: events.push_back("EditDone"); break;
      case 2: events.push_back("EditAborted"); break;
      case 3: {
        double* y = params->rgvarg[0].pdblVal;
        double* x = params->rgvarg[1].pdblVal;
        events.push_back("Snap(" + std::to_string(*x) + "," + std::to_string(*y) + ")");
        // The container's code runs before it answers, as a Snap handler's would.
        if (handler) handler("Snap");
        if (answerSnap) {
          *x = snapX;
          *y = snapY;
        }
        return S_OK;
      }
      case 4: events.push_back("CaptionChanged(" + QarnUtf8FromBstr(params->rgvarg[0].bstrVal) + ")"); break;
      default: events.push_back("unknown " + std::to_string(id));
    }
    if (handler) handler(id == 1 ? "EditDone" : id == 2 ? "EditAborted" : id == 4 ? "CaptionChanged" : "");
    return S_OK;
  }
  ULONG refs = 1;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarneditModuleInit();
    QarnDesktop().Reset();
    ReferenceHost::SetFileVersion(std::nullopt);
    ctl = new CQarneditCtrl();
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(IID_DQarneditEvents, &point), S_OK);
    container->Release();
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  }

  void TearDown() override {
    point->Unadvise(cookie);
    point->Release();
    ctl->Release();
    ReferenceHost::SetFileVersion(std::nullopt);
  }

  void Connect() { ctl->SetQarnocx(host.GetDispatch()); }
  EditController& Editor() { return *ctl->m_pEditController; }

  // Puts vertices into a ring as drawing would.
  void AddVertex(int ring, double x, double y, double z = 0, int part = 1) {
    Figure& figure = Editor().m_figure;
    figure.Append(ring, {x, y, z}, part);
    if (ring >= figure.RingCount()) figure.SetRingCount(ring + 1);
  }

  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const HostCall& call : host.calls) names.push_back(call.name);
    return names;
  }

  ReferenceHost host;
  CQarneditCtrl* ctl = nullptr;
  RecordingSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
};
