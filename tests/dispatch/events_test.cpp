#include <gtest/gtest.h>

#include "tests/dispatch/test_support.h"

namespace {

IConnectionPoint* FindCP(CTestCtrl* ctrl) {
  IConnectionPointContainer* cpc = nullptr;
  EXPECT_EQ(ctrl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)), S_OK);
  IConnectionPoint* cp = nullptr;
  EXPECT_EQ(cpc->FindConnectionPoint(IID_DTestCtrlEvents, &cp), S_OK);
  IConnectionPoint* none = reinterpret_cast<IConnectionPoint*>(1);
  EXPECT_EQ(cpc->FindConnectionPoint(IID_DTestCtrl, &none), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(none, nullptr);
  cpc->Release();
  return cp;
}

// A control and its event connection point, released after the test's sinks.
struct EventsTest : ::testing::Test {
  CTestCtrl* ctrl = new CTestCtrl();
  IConnectionPoint* cp = FindCP(ctrl);
  ~EventsTest() override {
    cp->Release();
    ctrl->Release();
  }
  // A new sink connected to the control; the test keeps the creation reference.
  CRecordingDispatch* Advised(DWORD* cookie = nullptr) {
    auto* sink = new CRecordingDispatch();
    DWORD c = 0;
    EXPECT_EQ(cp->Advise(sink, &c), S_OK);
    if (cookie) *cookie = c;
    return sink;
  }
};

TEST_F(EventsTest, CookiesAndUnadvise) {
  DWORD ca = 0, cb = 0;
  CRecordingDispatch* a = Advised(&ca);
  CRecordingDispatch* b = Advised(&cb);
  EXPECT_EQ(ca, 1u) << "cookies start at 1";
  EXPECT_EQ(cb, 2u);
  EXPECT_EQ(a->refs, 2u) << "the connection holds a reference";
  struct Case {
    DWORD cookie;
    HRESULT hr;
  } cases[] = {{0, CONNECT_E_NOCONNECTION}, {99, CONNECT_E_NOCONNECTION}, {ca, S_OK}, {ca, CONNECT_E_NOCONNECTION}};
  for (const Case& c : cases)
    EXPECT_EQ(cp->Unadvise(c.cookie), c.hr) << "cookie " << c.cookie;
  EXPECT_EQ(a->refs, 1u) << "Unadvise releases the sink";
  a->Release();
  b->Release();  // its connection's reference goes with the control
}

TEST_F(EventsTest, SinkWithoutDispatchIsRefused) {
  struct NoDispatch : IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
      *ppv = nullptr;
      if (riid == IID_IUnknown) {
        *ppv = this;
        return S_OK;
      }
      return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
  } sink;
  DWORD cookie = 5;
  EXPECT_EQ(cp->Advise(&sink, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
}

TEST_F(EventsTest, ArgumentsReachEverySinkReversed) {
  CRecordingDispatch* a = Advised();
  CRecordingDispatch* b = Advised();
  ctrl->FireEvent(kEvMoved, EVENT_PARAM(VTS_I4 VTS_R8), 17, 2.5);
  ctrl->FireEvent(kEvMessage, EVENT_PARAM(VTS_BSTR), "héllo");
  ctrl->FireEvent(kEvClicked, EVENT_PARAM(VTS_NONE));
  for (CRecordingDispatch* s : {a, b}) {
    ASSERT_EQ(s->calls.size(), 3u);
    EXPECT_EQ(s->calls[0].dispid, kEvMoved);
    EXPECT_EQ(s->calls[0].flags, DISPATCH_METHOD);
    ASSERT_EQ(s->calls[0].args.size(), 2u);
    EXPECT_EQ(s->calls[0].args[0].vt, VT_I4) << "first argument is the last in rgvarg";
    EXPECT_EQ(s->calls[0].args[0].lVal, 17);
    EXPECT_DOUBLE_EQ(s->calls[0].args[1].dblVal, 2.5);
    EXPECT_EQ(Utf8(s->calls[1].args[0]), "héllo");
    EXPECT_TRUE(s->calls[2].args.empty());
  }
  // More arguments than fit the copies kept on the stack: each sink still gets them all.
  a->action = [](DISPID, DISPPARAMS* dp, VARIANT*) {
    for (UINT i = 0; i < dp->cArgs; ++i) VariantClear(&dp->rgvarg[i]);  // b must get its own copies
    return S_OK;
  };
  ctrl->FireEvent(kEvMoved, EVENT_PARAM(VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_BSTR), 1, 2,
                  3, 4, 5, 6, 7, 8, 9, "ten");
  for (CRecordingDispatch* s : {a, b}) {
    ASSERT_EQ(s->calls.size(), 4u);
    ASSERT_EQ(s->calls[3].args.size(), 10u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(s->calls[3].args[i].lVal, i + 1) << "argument " << i;
    EXPECT_EQ(Utf8(s->calls[3].args[9]), "ten");
  }
  a->Release();
  b->Release();
}

TEST_F(EventsTest, SinksWriteBackByRefDoubles) {
  CRecordingDispatch* a = Advised();
  CRecordingDispatch* b = Advised();
  a->action = b->action = [](DISPID, DISPPARAMS* dp, VARIANT*) {
    if (dp->cArgs != 1 || dp->rgvarg[0].vt != (VT_BYREF | VT_R8)) return DISP_E_TYPEMISMATCH;
    *dp->rgvarg[0].pdblVal *= 2;
    return S_OK;
  };
  double value = 1.25;
  ctrl->FireEvent(kEvAskValue, EVENT_PARAM(VTS_PR8), &value);
  EXPECT_DOUBLE_EQ(value, 5.0) << "both sinks doubled the caller's value in turn";
  a->Release();
  b->Release();
}

TEST_F(EventsTest, SinksUnadvisingDuringAnEvent) {
  DWORD cSelf, cVictim;
  CRecordingDispatch* self = Advised(&cSelf);
  CRecordingDispatch* killer = Advised();
  CRecordingDispatch* victim = Advised(&cVictim);
  CRecordingDispatch* failing = Advised();
  CRecordingDispatch* last = Advised();
  // The only references to these sinks are the connection's.
  self->Release();
  victim->Release();
  bool selfGone = false, victimGone = false;
  self->pDestroyed = &selfGone;
  victim->pDestroyed = &victimGone;
  self->action = [&](DISPID, DISPPARAMS*, VARIANT*) {
    EXPECT_EQ(cp->Unadvise(cSelf), S_OK);
    EXPECT_FALSE(selfGone) << "the sink must stay alive during its own call";
    return S_OK;
  };
  killer->action = [&](DISPID, DISPPARAMS*, VARIANT*) { return cp->Unadvise(cVictim); };
  bool victimHeard = false;
  victim->action = [&](DISPID, DISPPARAMS*, VARIANT*) { return victimHeard = true, S_OK; };
  failing->action = [](DISPID, DISPPARAMS*, VARIANT*) { return E_FAIL; };
  ctrl->FireEvent(kEvClicked, EVENT_PARAM(VTS_NONE));
  EXPECT_TRUE(selfGone) << "released once the event is over";
  EXPECT_TRUE(victimGone);
  EXPECT_FALSE(victimHeard) << "a sink unadvised earlier in the event hears no more of it";
  EXPECT_EQ(killer->calls.size(), 1u);
  EXPECT_EQ(failing->calls.size(), 1u);
  EXPECT_EQ(last->calls.size(), 1u) << "a failing sink must not stop delivery";
  EXPECT_EQ(ctrl->GetConnectionCount(), 3u);
  ctrl->FireEvent(kEvClicked, EVENT_PARAM(VTS_NONE));
  EXPECT_EQ(last->calls.size(), 2u);
  killer->Release();
  failing->Release();
  last->Release();
}

// Containers that list connection points and connections instead of asking for one.
TEST_F(EventsTest, TheControlListsItsOneEventPoint) {
  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(ctrl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  const ULONG refs = ctrl->GetRefCount();
  IEnumConnectionPoints* points = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* got[2] = {nullptr, nullptr};
  ULONG fetched = 99;
  EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE) << "fewer than asked for";
  ASSERT_EQ(fetched, 1u);
  IID iid = IID_NULL;
  got[0]->GetConnectionInterface(&iid);
  EXPECT_TRUE(iid == IID_DTestCtrlEvents) << "the point of the event interface";
  got[0]->Release();
  EXPECT_EQ(points->Next(1, got, nullptr), S_FALSE) << "at the end";
  EXPECT_EQ(points->Reset(), S_OK);
  EXPECT_EQ(points->Skip(1), S_OK);
  EXPECT_EQ(points->Skip(1), S_FALSE);
  IEnumConnectionPoints* clone = nullptr;
  ASSERT_EQ(points->Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(1, got, nullptr), S_FALSE) << "a clone starts where the original stands";
  clone->Reset();
  EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
  got[0]->Release();
  clone->Release();
  points->Release();
  container->Release();
  EXPECT_EQ(ctrl->GetRefCount(), refs - 1) << "the enumerators let go of every reference they took";
}

TEST_F(EventsTest, ConnectionsAreASnapshotWithTheirCookies) {
  DWORD c1 = 0, c2 = 0;
  CRecordingDispatch* first = Advised(&c1);
  CRecordingDispatch* second = Advised(&c2);
  IEnumConnections* connections = nullptr;
  ASSERT_EQ(cp->EnumConnections(&connections), S_OK);
  cp->Unadvise(c1);  // after the snapshot: still listed
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, c1);
  EXPECT_EQ(data[1].dwCookie, c2);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  connections->Release();
  first->Release();
  second->Release();
}

TEST(Events, ContainerReleasesControlInsideEvent) {
  auto* ctrl = new CTestCtrl();
  bool ctrlGone = false;
  ctrl->m_pDestroyed = &ctrlGone;
  IConnectionPoint* cp = FindCP(ctrl);
  cp->Release();  // the control's own reference remains the only one
  auto* a = new CRecordingDispatch();
  auto* b = new CRecordingDispatch();
  DWORD c1, c2;
  cp->Advise(a, &c1);
  cp->Advise(b, &c2);
  a->action = [&](DISPID, DISPPARAMS*, VARIANT*) {
    ctrl->Release();  // the last outside reference
    EXPECT_FALSE(ctrlGone) << "FireEvent must keep the control alive";
    return S_OK;
  };
  ctrl->FireEvent(kEvMessage, EVENT_PARAM(VTS_BSTR), "bye");
  EXPECT_TRUE(ctrlGone) << "the control goes when FireEvent lets go";
  EXPECT_EQ(b->calls.size(), 1u) << "later sinks still get the event";
  EXPECT_EQ(a->refs, 1u) << "the dead control released its sinks";
  EXPECT_EQ(b->refs, 1u);
  a->Release();
  b->Release();
}

}  // namespace
