#include <gtest/gtest.h>

#include "platform/object_factory.h"
#include "tests/dispatch/test_support.h"

namespace {

TEST(DispatchDriver, ArgumentsAreReversedAndConverted) {
  auto* rec = new CRecordingDispatch();
  COleDispatchDriver drv(rec);  // takes over the reference
  double inout = 1.5;
  LONG lref = 3;
  static const BYTE params[] = VTS_I2 VTS_I4 VTS_R8 VTS_BSTR VTS_BOOL VTS_PR8 VTS_PI4 VTS_DISPATCH;
  drv.InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, params, 5, 70000, 2.25, "Grüße", TRUE, &inout, &lref,
                   static_cast<IDispatch*>(rec));
  ASSERT_EQ(drv.m_lastError, S_OK);
  ASSERT_EQ(rec->calls.size(), 1u);
  const auto& c = rec->calls[0];
  EXPECT_EQ(c.dispid, 7);
  EXPECT_TRUE(c.named.empty()) << "a method call has no named arguments";
  struct Expect {
    VARTYPE vt;
    std::string text;
  } expected[] = {{VT_I2, "5"},     {VT_I4, "70000"}, {VT_R8, "2.25"},          {VT_BSTR, "Grüße"},
                  {VT_BOOL, "-1"},  {VT_BYREF | VT_R8, "1.5"}, {VT_BYREF | VT_I4, "3"}, {VT_DISPATCH, ""}};
  ASSERT_EQ(c.args.size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(c.args[i].vt, expected[i].vt) << "argument " << i << ": expected vt " << expected[i].vt << ", got "
                                            << c.args[i].vt;
    if (expected[i].vt == VT_DISPATCH) continue;
    CQarnVariant t;
    VariantChangeType(&t, &c.args[i], 0, VT_BSTR);
    EXPECT_EQ(Utf8(t), expected[i].text) << "argument " << i;
  }
  EXPECT_EQ(c.args[5].pdblVal, &inout) << "VTS_PR8 passes the caller's pointer";
  EXPECT_EQ(c.args[7].pdispVal, rec);
  rec->calls.clear();  // the recorded argument references rec itself
}

TEST(DispatchDriver, ResultsAndPropertyPuts) {
  auto* rec = new CRecordingDispatch();
  rec->action = [](DISPID id, DISPPARAMS*, VARIANT* r) {
    if (!r) return S_OK;
    switch (id) {
      case 1: r->vt = VT_R8; r->dblVal = 41.6; break;       // LONG result rounds
      case 2: r->vt = VT_BSTR; r->bstrVal = QarnBstrFromUtf8("ünï"); break;
      case 3: r->vt = VT_BOOL; r->boolVal = VARIANT_TRUE; break;
      case 4: r->vt = VT_I4; r->lVal = 12; break;
      case 5: r->vt = VT_BSTR; r->bstrVal = QarnBstrFromUtf8("nan?"); break;
      default: return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
  };
  COleDispatchDriver drv(rec);
  LONG l = 0;
  drv.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &l, VTS_NONE);
  EXPECT_EQ(l, 42);
  CString s;
  drv.InvokeHelper(2, DISPATCH_METHOD, VT_BSTR, &s, VTS_NONE);
  EXPECT_EQ(s, "ünï");
  BOOL b = FALSE;
  drv.GetProperty(3, VT_BOOL, &b);
  EXPECT_EQ(b, TRUE) << "VARIANT_TRUE becomes TRUE";
  double d = 0;
  drv.GetProperty(4, VT_R8, &d);
  EXPECT_DOUBLE_EQ(d, 12.0);
  drv.GetProperty(5, VT_R8, &d);
  EXPECT_EQ(drv.m_lastError, DISP_E_TYPEMISMATCH) << "an unconvertible result is an error";
  drv.GetProperty(99, VT_I4, &l);
  EXPECT_EQ(drv.m_lastError, DISP_E_MEMBERNOTFOUND);

  drv.SetProperty(8, VT_I4, 9);
  ASSERT_FALSE(rec->calls.empty());
  const auto& put = rec->calls.back();
  EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(put.named.size(), 1u);
  EXPECT_EQ(put.named[0], DISPID_PROPERTYPUT);
  drv.SetProperty(9, VT_DISPATCH, static_cast<IDispatch*>(nullptr));
  EXPECT_EQ(rec->calls.back().flags, DISPATCH_PROPERTYPUTREF) << "objects are put by reference";
}

TEST(DispatchDriver, AttachDetachAndNullDispatch) {
  COleDispatchDriver none;
  LONG l = 5;
  none.InvokeHelper(1, DISPATCH_METHOD, VT_I4, &l, VTS_NONE);
  EXPECT_EQ(l, 5) << "no call without a dispatch";
  EXPECT_TRUE(FAILED(none.m_lastError));

  auto* rec = new CRecordingDispatch();
  {
    COleDispatchDriver drv(rec, FALSE);  // as the host's view holds the host
    EXPECT_EQ(drv.m_lpDispatch, rec);
  }
  EXPECT_EQ(rec->refs, 1u) << "bAutoRelease FALSE must not release";
  {
    COleDispatchDriver drv(rec, TRUE);
    rec->AddRef();
    EXPECT_EQ(drv.DetachDispatch(), rec);
    EXPECT_EQ(drv.m_lpDispatch, nullptr);
  }
  EXPECT_EQ(rec->refs, 2u) << "DetachDispatch hands the reference back";
  rec->Release();
  {
    COleDispatchDriver drv(rec, TRUE);
    rec->AddRef();
    drv.ReleaseDispatch();
    EXPECT_EQ(drv.m_lpDispatch, nullptr);
  }
  EXPECT_EQ(rec->refs, 1u);
  rec->Release();
}

TEST(StockProperties, ColoursTranslate) {
  struct Case {
    OLE_COLOR in;
    COLORREF out;
  } cases[] = {{0x80000005, 0xFFFFFF}, {0x80000008, 0x000000}, {0x8000000F, RGB(240, 240, 240)},
               {0x8000000D, RGB(0, 120, 215)}, {0x00123456, 0x123456}, {0x01000007, 0x000007},
               {0x02102030, 0x102030}};
  auto* ctrl = new CTestCtrl();
  for (const Case& c : cases)
    EXPECT_EQ(ctrl->TranslateColor(c.in), c.out) << std::hex << "OLE_COLOR " << c.in << ": expected " << c.out
                                                 << ", got " << ctrl->TranslateColor(c.in);
  COLORREF out;
  EXPECT_EQ(OleTranslateColor(0x8000001F, nullptr, &out), E_INVALIDARG) << "one past the last system colour";
  ctrl->Release();
}

TEST(StockProperties, FontObjectAndDescription) {
  auto* ctrl = new CTestCtrl();
  COleDispatchDriver ctl(ctrl->GetIDispatch(TRUE));
  IDispatch* font = nullptr;
  ctl.GetProperty(DISPID_FONT, VT_DISPATCH, &font);
  ASSERT_NE(font, nullptr);
  COleDispatchDriver f(font);
  CString name;
  f.GetProperty(DISPID_FONT_NAME, VT_BSTR, &name);
  EXPECT_EQ(name, "MS Sans Serif");
  CY size{};
  f.GetProperty(DISPID_FONT_SIZE, VT_CY, &size);
  EXPECT_EQ(size.int64, 80000) << "8 pt is 80000 in CY";
  QarnStockFontInfo info = ctrl->GetStockFontInfo();
  EXPECT_EQ(info.lfHeight, -11) << "8 pt at 96 DPI";

  UINT before = ctrl->GetInvalidateCount();
  f.SetProperty(DISPID_FONT_BOLD, VT_BOOL, TRUE);
  f.SetProperty(DISPID_FONT_SIZE, VT_R8, 12.0);
  EXPECT_EQ(ctrl->GetFontDesc().sWeight, 700);
  EXPECT_EQ(ctrl->GetFontDesc().cySize.int64, 120000);
  EXPECT_EQ(ctrl->GetStockFontInfo().lfHeight, -16);
  EXPECT_GT(ctrl->GetInvalidateCount(), before) << "font changes repaint the control";
  f.SetProperty(DISPID_FONT_SIZE, VT_R8, -1.0);
  EXPECT_EQ(f.m_lastError, E_INVALIDARG) << "ThrowError surfaces through EXCEPINFO";
  EXPECT_EQ(ctrl->GetFontDesc().cySize.int64, 120000);

  // Putting another font object copies its attributes.
  auto* other = new CQarnFontObject();
  QarnFontDesc d;
  d.name = "Courier New";
  d.fUnderline = TRUE;
  other->SetDesc(d);
  ctl.SetProperty(DISPID_FONT, VT_DISPATCH, other->GetIDispatch(FALSE));
  EXPECT_EQ(ctrl->GetFontDesc().name, "Courier New");
  EXPECT_EQ(ctrl->GetFontDesc().fUnderline, TRUE);
  other->Release();
  ctl.ReleaseDispatch();
  ctrl->Release();
  // The client's font reference outlives the control without calling back into it.
  f.SetProperty(DISPID_FONT_ITALIC, VT_BOOL, TRUE);
  EXPECT_EQ(f.m_lastError, S_OK);
}

const CLSID CLSID_TestCtrl = {0xAABBCCDD, 0x1122, 0x3344, {0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC}};
IUnknown* CreateTestCtrl() { return static_cast<IDispatch*>(new CTestCtrl()); }

TEST(ObjectFactory, LookupAndCreation) {
  ASSERT_EQ(QarnRegisterClass(CLSID_TestCtrl, "Qarn.TestCtrl.1", &CreateTestCtrl), S_OK);
  LONG objectsBefore = QarnGetObjectCount();
  struct Case {
    const char16_t* progId;
    HRESULT hr;
  } cases[] = {{u"Qarn.TestCtrl.1", S_OK}, {u"qarn.testctrl.1", S_OK}, {u"Qarn.TestCtrl", CO_E_CLASSSTRING}};
  for (const Case& c : cases) {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.hr);
    if (c.hr == S_OK) {
      EXPECT_TRUE(clsid == CLSID_TestCtrl);
    }
  }
  IDispatch* d = nullptr;
  ASSERT_EQ(QarnCreateObjectByProgID("QARN.TESTCTRL.1", &d), S_OK);
  EXPECT_EQ(QarnGetObjectCount(), objectsBefore + 2) << "the control and its font";
  CQarnVariant r;
  EXPECT_EQ(CallInvoke(d, kCount, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.lVal, 42);
  d->Release();
  EXPECT_EQ(QarnGetObjectCount(), objectsBefore);

  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(CLSID_TestCtrl, reinterpret_cast<IUnknown*>(&r), CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(CoCreateInstance(IID_IDispatch, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(CLSID_TestCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IConnectionPoint, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);

  OLECHAR buf[40];
  ASSERT_EQ(StringFromGUID2(CLSID_TestCtrl, buf, 40), 39);
  EXPECT_EQ(QarnUtf8FromWide(buf, 38), "{AABBCCDD-1122-3344-5566-778899AABBCC}");
  QarnUnregisterClass(CLSID_TestCtrl);
}

}  // namespace
