// Shared fixtures: a control with properties of each kind, and an IDispatch that
// records every call it gets (for event sinks and the dispatch driver).
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/afx_control.h"
#include "platform/ole_font.h"

inline const IID IID_DTestCtrl = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
inline const IID IID_DTestCtrlEvents = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};

enum TestDispIds {
  kShortProp = 1,
  kLongProp,
  kFlag,
  kScale,
  kCaption,
  kHighlight,
  kTarget,
  kCount,
  kAdd = 20,
  kDescribe,
  kNudge,
};
enum TestEventIds { kEvClicked = 1, kEvMessage, kEvAskValue, kEvMoved };

class CTestCtrl : public COleControl {
 public:
  CTestCtrl() { InitializeIIDs(&IID_DTestCtrl, &IID_DTestCtrlEvents); }
  ~CTestCtrl() override {
    if (m_target) m_target->Release();
    if (m_pDestroyed) *m_pDestroyed = true;
  }

  short m_shortProp = 7;
  LONG m_longProp = 100;
  BOOL m_flag = FALSE;
  double m_scale = 1.0;
  CString m_caption = "Untitled";
  OLE_COLOR m_highlight = 0x8000000D;
  IDispatch* m_target = nullptr;
  int m_shortChanged = 0;
  int m_flagChanged = 0;
  bool* m_pDestroyed = nullptr;

  void OnShortChanged() { ++m_shortChanged; }
  void OnFlagChanged() { ++m_flagChanged; }
  double GetScale() const { return m_scale; }
  void SetScale(double v) { m_scale = v; }
  CString GetCaption() { return m_caption; }
  void SetCaption(LPCSTR text) { m_caption = text; }
  LPDISPATCH GetTarget() {
    if (m_target) m_target->AddRef();
    return m_target;
  }
  void SetTarget(LPDISPATCH p) {
    if (p) p->AddRef();
    if (m_target) m_target->Release();
    m_target = p;
  }
  LONG GetCount() { return 42; }
  double Add(short a, LONG b, double c) { return a + b + c; }
  CString Describe(LPCSTR prefix, BOOL upper) {
    std::string s = std::string(prefix) + (upper ? "-UP" : "-down");
    return CString(s);
  }
  void Nudge(double* p) { *p += 1.5; }

  std::span<const AFX_DISPMAP_ENTRY> GetDispatchMap() const override {
    using C = CTestCtrl;
    static constexpr AFX_DISPMAP_ENTRY kMap[] = {
        DispPropertyNotify<&C::m_shortProp, &C::OnShortChanged>("ShortProp", kShortProp),
        DispPropertyNotify<&C::m_longProp>("LongProp", kLongProp),
        DispPropertyNotify<&C::m_flag, &C::OnFlagChanged>("Flag", kFlag, VT_BOOL),
        DispPropertyEx<&C::GetScale, &C::SetScale>("Scale", kScale),
        DispPropertyEx<&C::GetCaption, &C::SetCaption>("Caption", kCaption),
        DispPropertyNotify<&C::m_highlight>("HighlightColor", kHighlight),
        DispPropertyEx<&C::GetTarget, &C::SetTarget>("Target", kTarget),
        DispPropertyEx<&C::GetCount>("Count", kCount),
        DispFunction<&C::Add>("Add", kAdd),
        DispFunction<&C::Describe>("Describe", kDescribe, VT_BSTR, VTS_BSTR VTS_BOOL),
        DispFunction<&C::Nudge>("Nudge", kNudge),
        DISP_STOCKPROP_BACKCOLOR(),
        DISP_STOCKPROP_FORECOLOR(),
        DISP_STOCKPROP_FONT(),
    };
    return kMap;
  }

  std::span<const AFX_EVENTMAP_ENTRY> GetEventMap() const override {
    static constexpr AFX_EVENTMAP_ENTRY kEvents[] = {
        DispEvent("Clicked", kEvClicked, VTS_NONE),
        DispEvent("Message", kEvMessage, VTS_BSTR),
        DispEvent("AskValue", kEvAskValue, VTS_PR8),
        DispEvent("Moved", kEvMoved, VTS_I4 VTS_R8),
    };
    return kEvents;
  }

  bool m_withCustomProps = true;
  void DoPropExchange(CPropExchange* pPX) override {
    COleControl::DoPropExchange(pPX);
    if (!m_withCustomProps) return;
    PX_Short(pPX, "ShortProp", m_shortProp, 7);
    PX_Long(pPX, "LongProp", m_longProp, 100);
    PX_Bool(pPX, "Flag", m_flag, FALSE);
    PX_Double(pPX, "Scale", m_scale, 1.0);
    PX_String(pPX, "Caption", m_caption, CString("Untitled"));
    PX_Color(pPX, "HighlightColor", m_highlight, 0x8000000D);
  }
};

// Owns one reference to a new test control for the length of a test.
struct CtrlPtr {
  CTestCtrl* p = new CTestCtrl();
  ~CtrlPtr() { p->Release(); }
  CTestCtrl* operator->() { return p; }
};

// Records each Invoke with its arguments (copied, natural order); an optional action
// runs inside Invoke and decides its result.
class CRecordingDispatch : public IDispatch {
 public:
  struct Call {
    DISPID dispid;
    WORD flags;
    std::vector<CQarnVariant> args;  // first argument first
    std::vector<DISPID> named;
  };
  std::vector<Call> calls;
  std::function<HRESULT(DISPID, DISPPARAMS*, VARIANT*)> action;
  ULONG refs = 1;
  bool* pDestroyed = nullptr;

  virtual ~CRecordingDispatch() {
    if (pDestroyed) *pDestroyed = true;
  }
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG n = --refs;
    if (n == 0) delete this;
    return n;
  }
  STDMETHOD(GetTypeInfoCount)(UINT* p) override {
    *p = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                    UINT*) override {
    Call c{id, flags, {}, {}};
    for (UINT i = dp->cArgs; i-- > 0;) {
      CQarnVariant v;
      VariantCopy(&v, &dp->rgvarg[i]);
      c.args.push_back(v);
    }
    for (UINT i = 0; i < dp->cNamedArgs; ++i) c.named.push_back(dp->rgdispidNamedArgs[i]);
    calls.push_back(c);
    return action ? action(id, dp, result) : S_OK;
  }
};

inline std::string Utf8(const VARIANT& v) { return v.vt == VT_BSTR ? QarnUtf8FromBstr(v.bstrVal) : "<not a BSTR>"; }

// Invoke helper: arguments given first-first, reversed into rgvarg as COM wants.
inline HRESULT CallInvoke(IDispatch* d, DISPID id, WORD flags, std::vector<CQarnVariant> args, VARIANT* result,
                          UINT* argErr = nullptr, bool namedPut = true) {
  std::vector<VARIANT> rev;
  for (auto it = args.rbegin(); it != args.rend(); ++it) rev.push_back(*it);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS dp = {rev.empty() ? nullptr : rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
  if (namedPut && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) {
    dp.rgdispidNamedArgs = &put;
    dp.cNamedArgs = 1;
  }
  UINT dummy = 0;
  return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result, nullptr, argErr ? argErr : &dummy);
}

// A variant of type vt with its value in the given member.
template <typename T>
CQarnVariant MakeVariant(VARTYPE vt, T VARIANT::*member, std::type_identity_t<T> value) {
  CQarnVariant x;
  x.vt = vt;
  x.*member = value;
  return x;
}
inline CQarnVariant VI4(LONG v) { return MakeVariant(VT_I4, &VARIANT::lVal, v); }
inline CQarnVariant VI2(short v) { return MakeVariant(VT_I2, &VARIANT::iVal, v); }
inline CQarnVariant VR8(double v) { return MakeVariant(VT_R8, &VARIANT::dblVal, v); }
inline CQarnVariant VBool(bool v) { return MakeVariant(VT_BOOL, &VARIANT::boolVal, v ? VARIANT_TRUE : VARIANT_FALSE); }
inline CQarnVariant VStr(const char* s) {
  CQarnVariant x;
  x.vt = VT_BSTR;
  x.bstrVal = QarnBstrFromUtf8(s);
  return x;
}
inline CQarnVariant VDisp(IDispatch* p) {
  CQarnVariant x;
  x.vt = VT_DISPATCH;
  x.pdispVal = p;
  if (p) p->AddRef();
  return x;
}
