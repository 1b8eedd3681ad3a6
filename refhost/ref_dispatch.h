// The reference host control's IDispatch. The host may go away while a container
// still holds the pointer: calls then fail with E_UNEXPECTED instead of crashing.
#pragma once

#include "platform/com_types.h"
#include "refhost/reference_host.h"

class RefHostDispatch final : public IDispatch {
 public:
  explicit RefHostDispatch(ReferenceHost* host) : m_host(host) {}
  void Detach() { m_host = nullptr; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override;

 private:
  ~RefHostDispatch() = default;
  ReferenceHost* m_host;
  ULONG m_refs = 1;
};
