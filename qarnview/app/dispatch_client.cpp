#include "qarnview/app/dispatch_client.h"

#include <cstdio>
#include <vector>

long Variant::AsLong(long fallback) const {
  VARIANT out;
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, VT_I4))) return fallback;
  return out.lVal;
}

double Variant::AsDouble(double fallback) const {
  VARIANT out;
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, VT_R8))) return fallback;
  return out.dblVal;
}

bool Variant::AsBool(bool fallback) const {
  VARIANT out;
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, VT_BOOL))) return fallback;
  return out.boolVal != VARIANT_FALSE;
}

std::wstring Variant::AsText() const {
  VARIANT out;
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, VT_BSTR))) return L"";
  std::wstring text = out.bstrVal ? std::wstring(out.bstrVal, SysStringLen(out.bstrVal)) : L"";
  VariantClear(&out);
  return text;
}

DispatchClient::DispatchClient(IDispatch* object) : m_object(object) {
  if (m_object) m_object->AddRef();
}

DispatchClient& DispatchClient::operator=(const DispatchClient& other) {
  if (this != &other) Reset(other.m_object);
  return *this;
}

DispatchClient::~DispatchClient() { Reset(); }

void DispatchClient::Reset(IDispatch* object) {
  if (object) object->AddRef();
  if (m_object) m_object->Release();
  m_object = object;
  m_ids.clear();
}

DISPID DispatchClient::Id(const wchar_t* name) {
  if (!m_object) return DISPID_UNKNOWN;
  auto found = m_ids.find(name);
  if (found != m_ids.end()) return found->second;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  if (FAILED(m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) id = DISPID_UNKNOWN;
  m_ids.emplace(name, id);
  return id;
}

bool DispatchClient::Has(const wchar_t* name) { return Id(name) != DISPID_UNKNOWN; }

HRESULT DispatchClient::Invoke(const wchar_t* name, WORD flags, Variant* args, UINT count, Variant* result) {
  m_lastError.clear();
  DISPID id = Id(name);
  if (id == DISPID_UNKNOWN) {
    m_lastError = std::wstring(L"no member ") + name;
    return DISP_E_UNKNOWNNAME;
  }
  std::vector<VARIANT> reversed(count);
  for (UINT i = 0; i < count; ++i) reversed[i] = args[count - 1 - i].v;  // shallow: args own them
  DISPPARAMS params = {reversed.data(), nullptr, count, 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  EXCEPINFO excep = {};
  UINT argErr = 0;
  Variant ignored;
  HRESULT hr = m_object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                result ? &result->v : &ignored.v, &excep, &argErr);
  if (FAILED(hr)) {
    wchar_t text[64];
    std::swprintf(text, 64, L" failed (0x%08lx)", static_cast<unsigned long>(hr));
    m_lastError = name + std::wstring(text);
    if (excep.bstrDescription) m_lastError += std::wstring(L": ") + excep.bstrDescription;
  }
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

HRESULT DispatchClient::Call(const wchar_t* name, std::initializer_list<Variant> args, Variant* result) {
  std::vector<Variant> copy(args);
  return Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, copy.data(), static_cast<UINT>(copy.size()), result);
}

HRESULT DispatchClient::Get(const wchar_t* name, Variant& result) {
  return Invoke(name, DISPATCH_PROPERTYGET, nullptr, 0, &result);
}

HRESULT DispatchClient::Put(const wchar_t* name, const Variant& value) {
  Variant arg(value);
  return Invoke(name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

HRESULT DispatchClient::PutObject(const wchar_t* name, IDispatch* value) {
  Variant arg(value);
  HRESULT hr = Invoke(name, DISPATCH_PROPERTYPUTREF, &arg, 1, nullptr);
  if (FAILED(hr)) hr = Invoke(name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
  return hr;
}
