// Late-bound calls on an automation object by member name: the container knows the
// controls only through their dispatch interfaces, never through their headers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <map>
#include <string>

// One argument or result. Owns its VARIANT.
class Variant {
 public:
  Variant() { VariantInit(&v); }
  Variant(long value) : Variant() { v.vt = VT_I4; v.lVal = value; }
  Variant(int value) : Variant(static_cast<long>(value)) {}
  Variant(double value) : Variant() { v.vt = VT_R8; v.dblVal = value; }
  Variant(bool value) : Variant() { v.vt = VT_BOOL; v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
  Variant(const wchar_t* text) : Variant() { v.vt = VT_BSTR; v.bstrVal = SysAllocString(text); }
  Variant(const std::wstring& text) : Variant(text.c_str()) {}
  Variant(IDispatch* object) : Variant() {
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object) object->AddRef();
  }
  // By-reference double, for arguments the callee writes back.
  static Variant DoubleRef(double* target) {
    Variant r;
    r.v.vt = VT_R8 | VT_BYREF;
    r.v.pdblVal = target;
    return r;
  }
  Variant(const Variant& other) : Variant() { VariantCopy(&v, const_cast<VARIANT*>(&other.v)); }
  Variant& operator=(const Variant& other) {
    if (this != &other) VariantCopy(&v, const_cast<VARIANT*>(&other.v));
    return *this;
  }
  ~Variant() { VariantClear(&v); }

  // The value converted to the type asked for; the fallback when it does not convert.
  long AsLong(long fallback = 0) const;
  double AsDouble(double fallback = 0) const;
  bool AsBool(bool fallback = false) const;
  std::wstring AsText() const;

  VARIANT v;
};

class DispatchClient {
 public:
  DispatchClient() = default;
  explicit DispatchClient(IDispatch* object);
  DispatchClient(const DispatchClient& other) : DispatchClient(other.m_object) {}
  DispatchClient& operator=(const DispatchClient& other);
  ~DispatchClient();

  IDispatch* Object() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }
  void Reset(IDispatch* object = nullptr);

  bool Has(const wchar_t* name);
  // DISPID_UNKNOWN when the object has no such member.
  DISPID Id(const wchar_t* name);

  // Arguments in the order the member declares them; they are reversed for Invoke.
  HRESULT Call(const wchar_t* name, std::initializer_list<Variant> args = {}, Variant* result = nullptr);
  HRESULT Get(const wchar_t* name, Variant& result);
  HRESULT Put(const wchar_t* name, const Variant& value);
  // An object property: put by reference first (the usual form for IDispatch values),
  // then by value for objects that only take that.
  HRESULT PutObject(const wchar_t* name, IDispatch* value);

  // The text of the last failure, for the event pane.
  const std::wstring& LastError() const { return m_lastError; }

 private:
  HRESULT Invoke(const wchar_t* name, WORD flags, Variant* args, UINT count, Variant* result);
  IDispatch* m_object = nullptr;
  std::map<std::wstring, DISPID> m_ids;
  std::wstring m_lastError;
};
