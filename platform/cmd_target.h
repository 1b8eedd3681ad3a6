// The command target: CCmdTarget, an IDispatch driven by a dispatch map, with the
// member introspection the script host uses. The control framework (afx_control.h) and
// the stock Font object (ole_font.h) both build on it.
//
// A dispatch map is a constexpr array of AFX_DISPMAP_ENTRY built with helpers that
// deduce the automation types from the C++ member:
//   DispFunction<&CMyCtrl::Move>("Move", 1)                  method
//   DispPropertyEx<&CMyCtrl::GetMode, &CMyCtrl::SetMode>("Mode", 2)
//   DispPropertyNotify<&CMyCtrl::m_width, &CMyCtrl::OnWidthChanged>("Width", 3)
//   DISP_STOCKPROP_BACKCOLOR(), DISP_STOCKPROP_FORECOLOR(), DISP_STOCKPROP_FONT() (afx_control.h)
// BOOL is an int: pass VT_BOOL as the VARTYPE override to get VB's True/False.
#pragma once

#include <cstdarg>
#include <cstring>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/cstring.h"
#include "platform/dispatch_driver.h"
#include "platform/oleauto.h"

class CCmdTarget;

// ---------------------------------------------------------------- introspection

#define QARN_MEMBER_METHOD 1
#define QARN_MEMBER_PROPERTY 2

struct QARN_MEMBERINFO {
  BSTR bstrName;     // caller frees with SysFreeString
  DISPID dispid;
  DWORD kind;        // QARN_MEMBER_METHOD or QARN_MEMBER_PROPERTY
  VARTYPE vtResult;  // return / property type; VT_EMPTY for none
  UINT cParams;      // parameters of a method; 0 for properties
  BOOL bReadOnly;    // a property without put
};

// Lets a late-bound caller (the script host) learn the members of an object.
struct IQarnMemberInfo : IUnknown {
  STDMETHOD(GetMemberCount)(UINT* pcMembers) = 0;
  STDMETHOD(GetMemberInfo)(UINT index, QARN_MEMBERINFO* pInfo) = 0;
  STDMETHOD(GetMemberInfoOfDispID)(DISPID dispid, QARN_MEMBERINFO* pInfo) = 0;
  // VT_BYREF | vt for by-reference parameters.
  STDMETHOD(GetMemberParamType)(DISPID dispid, UINT iParam, VARTYPE* pvt) = 0;
  // Events of the object's outgoing interface (kind is QARN_MEMBER_METHOD).
  STDMETHOD(GetEventCount)(UINT* pcEvents) = 0;
  STDMETHOD(GetEventInfo)(UINT index, QARN_MEMBERINFO* pInfo) = 0;
  STDMETHOD(GetEventParamType)(UINT index, UINT iParam, VARTYPE* pvt) = 0;
};
extern const IID IID_IQarnMemberInfo;

// ---------------------------------------------------------------- dispatch map

enum class AfxDispKind : BYTE { Method, Property };

struct AFX_DISPMAP_ENTRY;
// Converts the arguments (found in rgvarg, last first) and calls the member.
typedef HRESULT (*AFX_DISP_THUNK)(CCmdTarget* pTarget, const AFX_DISPMAP_ENTRY& entry, DISPPARAMS* pDispParams,
                                  VARIANT* pResult, UINT* puArgErr);

struct AFX_DISPMAP_ENTRY {
  const char* lpszName;
  DISPID lDispID;
  AfxDispKind kind;
  VARTYPE vt;             // return type of a method, type of a property (VT_EMPTY: void)
  const char* pbParams;   // VTS_ string of a method's parameters
  AFX_DISP_THUNK pfnGet;  // method call, or property get
  AFX_DISP_THUNK pfnSet;  // property put; null for read-only properties and methods
};

struct AFX_EVENTMAP_ENTRY {
  const char* lpszName;
  DISPID dispid;
  const char* pbParams;  // VTS_ string
};

namespace afx_disp {

template <class T>
using Decay = std::remove_cvref_t<T>;

HRESULT ToVt(const VARIANT& src, VARTYPE vt, VARIANT& dst);
HRESULT ToColor(const VARIANT& src, ULONG& out);
VARTYPE ParamVt(const AFX_DISPMAP_ENTRY& e, size_t i);

// Marshalling of one C++ type: vts is the parameter code, vt the result type,
// From converts an argument (declared: the entry's declared VARTYPE), Put stores a result.
template <class T>
struct DispType;

template <class T, VARTYPE VT>
struct ScalarBase {
  static constexpr BYTE vts = static_cast<BYTE>(VT);
  static constexpr VARTYPE vt = VT;
  using Holder = T;
  static T& Get(Holder& h) { return h; }
};

template <>
struct DispType<short> : ScalarBase<short, VT_I2> {
  static HRESULT From(const VARIANT& s, VARTYPE, short& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_I2, v);
    if (SUCCEEDED(hr)) out = v.iVal;
    return hr;
  }
  static void Put(short value, VARTYPE, VARIANT* out) {
    out->vt = VT_I2;
    out->iVal = value;
  }
};

template <class I>
struct IntType : ScalarBase<I, VT_I4> {
  static HRESULT From(const VARIANT& s, VARTYPE declared, I& out) {
    CQarnVariant v;
    if (declared == VT_BOOL) {
      HRESULT hr = ToVt(s, VT_BOOL, v);
      if (SUCCEEDED(hr)) out = v.boolVal ? TRUE : FALSE;
      return hr;
    }
    HRESULT hr = ToVt(s, VT_I4, v);
    if (SUCCEEDED(hr)) out = static_cast<I>(v.lVal);
    return hr;
  }
  static void Put(I value, VARTYPE declared, VARIANT* out) {
    if (declared == VT_BOOL) {
      out->vt = VT_BOOL;
      out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(value);
    }
  }
};
template <>
struct DispType<int> : IntType<int> {};
template <>
struct DispType<long> : IntType<long> {};

// Unsigned 32-bit values are OLE_COLORs: a long on the wire, high bit and all.
template <class U>
struct ColorType : ScalarBase<U, VT_I4> {
  static HRESULT From(const VARIANT& s, VARTYPE, U& out) {
    ULONG v = 0;
    HRESULT hr = ToColor(s, v);
    if (SUCCEEDED(hr)) out = v;
    return hr;
  }
  static void Put(U value, VARTYPE declared, VARIANT* out) {
    if (declared == VT_UI4) {
      out->vt = VT_UI4;
      out->ulVal = static_cast<ULONG>(value);
    } else {
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(static_cast<ULONG>(value));
    }
  }
};
template <>
struct DispType<unsigned int> : ColorType<unsigned int> {};
template <>
struct DispType<unsigned long> : ColorType<unsigned long> {};

template <>
struct DispType<bool> : ScalarBase<bool, VT_BOOL> {
  static HRESULT From(const VARIANT& s, VARTYPE, bool& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_BOOL, v);
    if (SUCCEEDED(hr)) out = v.boolVal != 0;
    return hr;
  }
  static void Put(bool value, VARTYPE, VARIANT* out) {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
};

template <>
struct DispType<double> : ScalarBase<double, VT_R8> {
  static HRESULT From(const VARIANT& s, VARTYPE, double& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_R8, v);
    if (SUCCEEDED(hr)) out = v.dblVal;
    return hr;
  }
  static void Put(double value, VARTYPE, VARIANT* out) {
    out->vt = VT_R8;
    out->dblVal = value;
  }
};

template <>
struct DispType<CY> : ScalarBase<CY, VT_CY> {
  static HRESULT From(const VARIANT& s, VARTYPE, CY& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_CY, v);
    if (SUCCEEDED(hr)) out.int64 = v.llVal;
    return hr;
  }
  static void Put(CY value, VARTYPE, VARIANT* out) {
    out->vt = VT_CY;
    out->llVal = value.int64;
  }
};

template <>
struct DispType<CString> : ScalarBase<CString, VT_BSTR> {
  static HRESULT From(const VARIANT& s, VARTYPE, CString& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_BSTR, v);
    if (SUCCEEDED(hr)) out = CString(QarnUtf8FromBstr(v.bstrVal));
    return hr;
  }
  static void Put(const CString& value, VARTYPE, VARIANT* out) {
    out->vt = VT_BSTR;
    out->bstrVal = QarnBstrFromUtf8(value.str());
  }
};

template <>
struct DispType<const char*> {
  static constexpr BYTE vts = VT_BSTR;
  static constexpr VARTYPE vt = VT_BSTR;
  using Holder = std::string;
  static const char* Get(Holder& h) { return h.c_str(); }
  static HRESULT From(const VARIANT& s, VARTYPE, std::string& out) {
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT_BSTR, v);
    if (SUCCEEDED(hr)) out = QarnUtf8FromBstr(v.bstrVal);
    return hr;
  }
  static void Put(const char* value, VARTYPE, VARIANT* out) {
    out->vt = VT_BSTR;
    out->bstrVal = QarnBstrFromUtf8(value ? value : "");
  }
};

// Object arguments are borrowed from a converted copy; a returned one passes its
// reference to the caller.
template <class P, VARTYPE VT>
struct BorrowedType {
  static constexpr BYTE vts = static_cast<BYTE>(VT);
  static constexpr VARTYPE vt = VT;
  using Holder = CQarnVariant;
  static HRESULT From(const VARIANT& s, VARTYPE, CQarnVariant& out) { return ToVt(s, VT, out); }
};
template <>
struct DispType<IDispatch*> : BorrowedType<IDispatch*, VT_DISPATCH> {
  static IDispatch* Get(Holder& h) { return h.pdispVal; }
  static void Put(IDispatch* value, VARTYPE, VARIANT* out) {
    out->vt = VT_DISPATCH;
    out->pdispVal = value;
  }
};

// By-reference parameters write through to the caller's variable when the caller
// passed one of the same type; a by-value argument is converted into a local.
template <class T, VARTYPE VT>
struct ByRefType {
  static constexpr BYTE vts = static_cast<BYTE>(VT_MFCBYREF | VT);
  struct Holder {
    T local{};
    T* p = nullptr;
  };
  static T* Get(Holder& h) { return h.p; }
  static HRESULT From(const VARIANT& s, VARTYPE, Holder& h) {
    if (s.vt == (VT_BYREF | VT)) {
      if (!s.byref) return E_INVALIDARG;
      h.p = static_cast<T*>(s.byref);
      return S_OK;
    }
    CQarnVariant v;
    HRESULT hr = ToVt(s, VT, v);
    if (FAILED(hr)) return hr;
    static_assert(sizeof(T) <= sizeof(v.llVal));
    std::memcpy(&h.local, &v.llVal, sizeof(T));
    h.p = &h.local;
    return S_OK;
  }
};
template <>
struct DispType<double*> : ByRefType<double, VT_R8> {};

template <class R>
constexpr VARTYPE RetVt() {
  if constexpr (std::is_void_v<R>)
    return VT_EMPTY;
  else
    return DispType<Decay<R>>::vt;
}

template <class T>
bool ConvertArg(HRESULT& hr, const VARIANT& src, VARTYPE declared, T& holder, UINT index, UINT* puArgErr,
                HRESULT (*from)(const VARIANT&, VARTYPE, T&)) {
  if (FAILED(hr)) return false;
  hr = from(src, declared, holder);
  if (FAILED(hr) && puArgErr) *puArgErr = index;
  return SUCCEEDED(hr);
}

template <class F>
struct FnTraits;

template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...)> {
  using Class = C;
  using Ret = R;
  static constexpr size_t arity = sizeof...(A);
  static constexpr char vts[sizeof...(A) + 1] = {static_cast<char>(DispType<Decay<A>>::vts)..., 0};
  static constexpr VARTYPE vtRet = RetVt<R>();
  template <size_t I>
  using Arg = Decay<std::tuple_element_t<I, std::tuple<A...>>>;

  template <auto PMF, size_t... I>
  static HRESULT Call(C* obj, const AFX_DISPMAP_ENTRY& e, DISPPARAMS* dp, VARIANT* res, UINT* puArgErr,
                      std::index_sequence<I...>) {
    std::tuple<typename DispType<Decay<A>>::Holder...> holders;
    HRESULT hr = S_OK;
    const UINT n = static_cast<UINT>(sizeof...(A));
    (void)dp;
    (void)puArgErr;
    (void)n;
    (ConvertArg(hr, dp->rgvarg[n - 1 - I], ParamVt(e, I), std::get<I>(holders), n - 1 - static_cast<UINT>(I),
                puArgErr, &DispType<Decay<A>>::From),
     ...);
    if (FAILED(hr)) return hr;
    if constexpr (std::is_void_v<R>) {
      (obj->*PMF)(DispType<Decay<A>>::Get(std::get<I>(holders))...);
    } else {
      R r = (obj->*PMF)(DispType<Decay<A>>::Get(std::get<I>(holders))...);
      DispType<Decay<R>>::Put(std::move(r), e.vt, res);
    }
    return S_OK;
  }
};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const> : FnTraits<R (C::*)(A...)> {};

template <class M>
struct MemberTraits;
template <class C, class T>
struct MemberTraits<T C::*> {
  using Class = C;
  using Type = T;
};

template <auto PMF>
HRESULT MethodThunk(CCmdTarget* t, const AFX_DISPMAP_ENTRY& e, DISPPARAMS* dp, VARIANT* res, UINT* puArgErr) {
  using Tr = FnTraits<decltype(PMF)>;
  if (QarnVtsCount(e.pbParams) != Tr::arity) return E_UNEXPECTED;
  return Tr::template Call<PMF>(static_cast<typename Tr::Class*>(t), e, dp, res, puArgErr,
                                std::make_index_sequence<Tr::arity>());
}

template <auto G>
HRESULT GetThunk(CCmdTarget* t, const AFX_DISPMAP_ENTRY& e, DISPPARAMS*, VARIANT* res, UINT*) {
  using Tr = FnTraits<decltype(G)>;
  static_assert(Tr::arity == 0, "a property getter takes no parameters");
  auto* obj = static_cast<typename Tr::Class*>(t);
  DispType<Decay<typename Tr::Ret>>::Put((obj->*G)(), e.vt, res);
  return S_OK;
}

template <auto S>
HRESULT SetThunk(CCmdTarget* t, const AFX_DISPMAP_ENTRY& e, DISPPARAMS* dp, VARIANT*, UINT* puArgErr) {
  using Tr = FnTraits<decltype(S)>;
  static_assert(Tr::arity == 1, "a property setter takes one parameter");
  using A = typename Tr::template Arg<0>;
  typename DispType<A>::Holder h{};
  HRESULT hr = DispType<A>::From(dp->rgvarg[0], e.vt, h);
  if (FAILED(hr)) {
    if (puArgErr) *puArgErr = 0;
    return hr;
  }
  (static_cast<typename Tr::Class*>(t)->*S)(DispType<A>::Get(h));
  return S_OK;
}

template <auto M>
HRESULT MemberGetThunk(CCmdTarget* t, const AFX_DISPMAP_ENTRY& e, DISPPARAMS*, VARIANT* res, UINT*) {
  using Tr = MemberTraits<decltype(M)>;
  DispType<typename Tr::Type>::Put(static_cast<typename Tr::Class*>(t)->*M, e.vt, res);
  return S_OK;
}

template <auto M, auto N>
HRESULT MemberSetThunk(CCmdTarget* t, const AFX_DISPMAP_ENTRY& e, DISPPARAMS* dp, VARIANT*, UINT* puArgErr) {
  using Tr = MemberTraits<decltype(M)>;
  using T = typename Tr::Type;
  typename DispType<T>::Holder h{};
  HRESULT hr = DispType<T>::From(dp->rgvarg[0], e.vt, h);
  if (FAILED(hr)) {
    if (puArgErr) *puArgErr = 0;
    return hr;
  }
  auto* obj = static_cast<typename Tr::Class*>(t);
  obj->*M = DispType<T>::Get(h);
  if constexpr (!std::is_same_v<decltype(N), std::nullptr_t>) (obj->*N)();
  return S_OK;
}

}  // namespace afx_disp

// A method; vtRet / pbParams override the deduced types (e.g. VT_BOOL for a BOOL).
template <auto PMF>
constexpr AFX_DISPMAP_ENTRY DispFunction(const char* name, DISPID dispid,
                                         VARTYPE vtRet = afx_disp::FnTraits<decltype(PMF)>::vtRet,
                                         const char* pbParams = afx_disp::FnTraits<decltype(PMF)>::vts) {
  return {name, dispid, AfxDispKind::Method, vtRet, pbParams, &afx_disp::MethodThunk<PMF>, nullptr};
}

// A property with get and set member functions; pass nullptr as Set for read-only.
template <auto Get, auto Set = nullptr>
constexpr AFX_DISPMAP_ENTRY DispPropertyEx(const char* name, DISPID dispid,
                                           VARTYPE vt = afx_disp::FnTraits<decltype(Get)>::vtRet) {
  AFX_DISP_THUNK set = nullptr;
  if constexpr (!std::is_same_v<decltype(Set), std::nullptr_t>) set = &afx_disp::SetThunk<Set>;
  return {name, dispid, AfxDispKind::Property, vt, nullptr, &afx_disp::GetThunk<Get>, set};
}

// A property kept in a member variable; Notify (or nullptr) runs after each put.
template <auto Member, auto Notify = nullptr>
constexpr AFX_DISPMAP_ENTRY DispPropertyNotify(
    const char* name, DISPID dispid,
    VARTYPE vt = afx_disp::DispType<typename afx_disp::MemberTraits<decltype(Member)>::Type>::vt) {
  return {name, dispid, AfxDispKind::Property, vt, nullptr, &afx_disp::MemberGetThunk<Member>,
          &afx_disp::MemberSetThunk<Member, Notify>};
}

constexpr AFX_EVENTMAP_ENTRY DispEvent(const char* name, DISPID dispid, const char* vtsParams) {
  return {name, dispid, vtsParams};
}


// ---------------------------------------------------------------- CCmdTarget

// A COM object whose IDispatch is driven by its dispatch map. Starts with one reference,
// owned by its creator; the last Release calls OnFinalRelease (delete this).
class CCmdTarget : public IDispatch, public IQarnMemberInfo {
 public:
  CCmdTarget();
  virtual ~CCmdTarget();
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  virtual std::span<const AFX_DISPMAP_ENTRY> GetDispatchMap() const { return {}; }
  virtual std::span<const AFX_EVENTMAP_ENTRY> GetEventMap() const { return {}; }
  const AFX_DISPMAP_ENTRY* FindDispEntry(DISPID dispid) const;
  LPDISPATCH GetIDispatch(BOOL bAddRef);
  ULONG GetRefCount() const { return m_dwRef; }

  // From inside a dispatch member: makes the current Invoke fail with DISP_E_EXCEPTION
  // carrying sc and the description (MFC throws; this records and returns).
  void ThrowError(SCODE sc, LPCSTR pszDescription = nullptr);

  // IUnknown / IDispatch / IQarnMemberInfo
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
  STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  STDMETHOD(GetMemberCount)(UINT* pcMembers) override;
  STDMETHOD(GetMemberInfo)(UINT index, QARN_MEMBERINFO* pInfo) override;
  STDMETHOD(GetMemberInfoOfDispID)(DISPID dispid, QARN_MEMBERINFO* pInfo) override;
  STDMETHOD(GetMemberParamType)(DISPID dispid, UINT iParam, VARTYPE* pvt) override;
  STDMETHOD(GetEventCount)(UINT* pcEvents) override;
  STDMETHOD(GetEventInfo)(UINT index, QARN_MEMBERINFO* pInfo) override;
  STDMETHOD(GetEventParamType)(UINT index, UINT iParam, VARTYPE* pvt) override;

 protected:
  // More interfaces: return the interface pointer for riid (not AddRef'd) or null.
  virtual void* GetInterfaceHook(REFIID riid);
  virtual void OnFinalRelease();

 private:
  ULONG m_dwRef = 1;
  bool m_errorPending = false;
  SCODE m_errorCode = S_OK;
  std::string m_errorDescription;
};
