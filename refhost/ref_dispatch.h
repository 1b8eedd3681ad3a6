// The reference host control's IDispatch. The host may go away while a container
// still holds the pointer: calls then fail with E_UNEXPECTED instead of crashing.
#pragma once

#include "platform/com_types.h"
#include "refhost/reference_host.h"

class RefHostDispatch final : public IDispatch {
 public:
  explicit RefHostDispatch(ReferenceHost* host) : m_host(host) {}
  void Detach() { m_host = nullptr; }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr) override;

 private:
  ~RefHostDispatch() = default;
  ReferenceHost* m_host;
  ULONG m_refs = 1;
};
