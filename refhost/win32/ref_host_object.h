// The reference host as a COM object: it owns one ReferenceHost for as long as anyone
// holds it, and its IDispatch is the host control's (the host's DISPIDs and the script
// members by name).
#pragma once

#include <windows.h>

#include <memory>

#include "refhost/reference_host.h"

class RefHostObject final : public IDispatch {
 public:
  RefHostObject();
  RefHostObject(const RefHostObject&) = delete;
  RefHostObject& operator=(const RefHostObject&) = delete;

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr) override;

  // Objects alive in the module, for DllCanUnloadNow.
  static LONG LiveCount();

 private:
  ~RefHostObject();
  LONG m_refs = 1;
  std::unique_ptr<ReferenceHost> m_host;
};
