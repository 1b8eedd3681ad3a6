// Receives the editor control's events through its connection point. The event
// interface and the events' DISPIDs are read from the control's type information by
// name; when the control gives none, the editor's own numbering is used.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <functional>
#include <string>

struct EditorEvents {
  std::function<void()> editDone;
  std::function<void()> editAborted;
  std::function<void(double& x, double& y)> snap;  // may move the offered point
  std::function<void(const std::wstring& caption)> captionChanged;
};

// DISPIDs of the four events.
struct EditorEventIds {
  DISPID editDone = 1;
  DISPID editAborted = 2;
  DISPID snap = 3;
  DISPID captionChanged = 4;
};

class EditorEventSink final : public IDispatch {
 public:
  explicit EditorEventSink(EditorEvents events) : m_events(std::move(events)) {}

  // Finds the control's default source interface, connects, and keeps the cookie.
  // "" on success; otherwise the reason.
  std::wstring Connect(IUnknown* control);
  void Disconnect();
  const EditorEventIds& Ids() const { return m_ids; }
  // Sets the ids directly (as Connect does from the type information).
  void SetIds(const EditorEventIds& ids) { m_ids = ids; }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                    UINT*) override;

 private:
  ~EditorEventSink() = default;
  LONG m_refs = 1;
  EditorEvents m_events;
  EditorEventIds m_ids;
  IID m_eventIid = IID_NULL;
  IConnectionPoint* m_point = nullptr;
  DWORD m_cookie = 0;
};
