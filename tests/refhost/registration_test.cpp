// How the reference host answers registrations of pointer handlers and overlay
// painters: the detach callbacks it makes and what it has recorded while it makes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refhost/reference_host.h"

namespace {

// Records each detach together with the registration the host held at that moment.
class Registrant : public PointerHandler, public OverlayPainter {
 public:
  Registrant(ReferenceHost& host, std::vector<std::string>& trace, const char* name)
      : m_host(host), m_trace(trace), m_name(name) {}
  void QARN_HOST_CALL OnPointerMove(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnButtonDown(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnButtonUp(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnRightButton(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnOtherPointerEvent(DWORD, POINT*) override {}
  void QARN_HOST_CALL OnHandlerDetached() override {
    m_trace.push_back(m_name + " handler detached, host holds " + Name(m_host.Handler()));
  }
  void QARN_HOST_CALL PaintOverlay(CDC*) override {}
  void QARN_HOST_CALL OnPainterDetached() override {
    m_trace.push_back(m_name + " painter detached, host holds " + Name(m_host.Painter()));
  }
  void QARN_HOST_CALL OnOtherPaintEvent(DWORD) override {}

  // Who a registration is, as the trace names it.
  std::string Name(const void* registered) const {
    if (!registered) return "none";
    return registered == static_cast<const PointerHandler*>(this) ||
                   registered == static_cast<const OverlayPainter*>(this)
               ? m_name
               : "another";
  }

 private:
  ReferenceHost& m_host;
  std::vector<std::string>& m_trace;
  std::string m_name;
};

TEST(Registration, AReplacingHostDetachesTheOldRegistrationBeforeRecordingTheNewOne) {
  ReferenceHost host;
  std::vector<std::string> trace;
  Registrant a(host, trace, "a"), b(host, trace, "b");
  host.detachOnReplace = true;
  HostEngine* engine = host.GetEngine();

  engine->SetPointerHandler(&a);
  engine->SetOverlayPainter(&a);
  EXPECT_TRUE(trace.empty()) << "nothing was registered before";

  engine->SetPointerHandler(&b);
  engine->SetOverlayPainter(&b);
  const std::vector<std::string> replaced = {"a handler detached, host holds none",
                                             "a painter detached, host holds none"};
  EXPECT_EQ(replaced, trace);
  EXPECT_EQ(&b, host.Handler());
  EXPECT_EQ(&b, host.Painter());

  // The same object registering again is detached as well.
  trace.clear();
  engine->SetPointerHandler(&b);
  engine->SetOverlayPainter(&b);
  const std::vector<std::string> again = {"b handler detached, host holds none",
                                          "b painter detached, host holds none"};
  EXPECT_EQ(again, trace);
  EXPECT_EQ(&b, host.Handler());
  EXPECT_EQ(&b, host.Painter());

  // Unregister while b lives: the registrants go before the host, whose destructor
  // would otherwise call the detach of a destroyed object.
  engine->SetPointerHandler(nullptr);
  engine->SetOverlayPainter(nullptr);
}

TEST(Registration, ByDefaultOnlyAnUnregistrationDetaches) {
  ReferenceHost host;
  std::vector<std::string> trace;
  Registrant a(host, trace, "a"), b(host, trace, "b");
  HostEngine* engine = host.GetEngine();
  EXPECT_FALSE(host.detachOnReplace);
  engine->SetPointerHandler(&a);
  engine->SetPointerHandler(&a);
  engine->SetPointerHandler(&b);
  engine->SetOverlayPainter(&a);
  engine->SetOverlayPainter(&b);
  EXPECT_TRUE(trace.empty());
  EXPECT_EQ(&b, host.Handler());

  engine->SetPointerHandler(nullptr);
  engine->SetOverlayPainter(nullptr);
  const std::vector<std::string> dropped = {"b handler detached, host holds none",
                                            "b painter detached, host holds none"};
  EXPECT_EQ(dropped, trace);

  // A host that does not answer unregistrations stays silent.
  trace.clear();
  host.detachOnUnregister = false;
  engine->SetPointerHandler(&a);
  engine->SetPointerHandler(nullptr);
  EXPECT_TRUE(trace.empty());
  EXPECT_EQ(nullptr, host.Handler());
}

TEST(Registration, CallLoggingStopsAndRestarts) {
  ReferenceHost host;
  HostEngine* engine = host.GetEngine();
  EXPECT_TRUE(host.logCalls);
  engine->RequestRepaint();
  host.logCalls = false;
  int a = 1, b = 2, c = 3;
  engine->SetInputState(&a, &b, &c);
  engine->SetPointerHandler(nullptr);
  double x = 1, y = 2;
  engine->WorldToScreen(&x, &y);
  EXPECT_EQ(1, host.inputState[0]) << "an unlogged call still does its work";
  EXPECT_EQ(1u, host.calls.size());
  host.logCalls = true;
  engine->GetModePair(&a, &b);
  ASSERT_EQ(2u, host.calls.size());
  EXPECT_EQ("RequestRepaint()", host.calls[0].ToString());
  EXPECT_EQ("GetModePair()", host.calls[1].ToString());
}

}  // namespace
