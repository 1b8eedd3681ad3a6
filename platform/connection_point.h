// Connection points: the COM interfaces (laid out as Windows declares them) and a
// reusable single-interface connection point that fires robustly.
#pragma once

#include <vector>

#include "platform/com_types.h"

#if defined(_WIN32)
#include <ocidl.h>
#include <olectl.h>
#else
struct IConnectionPoint;
struct IEnumConnections;
struct IEnumConnectionPoints;

struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
};

struct IConnectionPointContainer : IUnknown {
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) = 0;
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) = 0;
};

struct IConnectionPoint : IUnknown {
  STDMETHOD(GetConnectionInterface)(IID* pIID) = 0;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) = 0;
  STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  STDMETHOD(Unadvise)(DWORD dwCookie) = 0;
  STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) = 0;
};

struct IEnumConnections : IUnknown {
  STDMETHOD(Next)(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) = 0;
  STDMETHOD(Skip)(ULONG cConnections) = 0;
  STDMETHOD(Reset)() = 0;
  STDMETHOD(Clone)(IEnumConnections** ppEnum) = 0;
};

struct IEnumConnectionPoints : IUnknown {
  STDMETHOD(Next)(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) = 0;
  STDMETHOD(Skip)(ULONG cConnections) = 0;
  STDMETHOD(Reset)() = 0;
  STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) = 0;
};

extern const IID IID_IEnumConnections;
extern const IID IID_IEnumConnectionPoints;
#endif  // _WIN32

// Enumerators of connection points and connections: a snapshot of the items taken when
// the enumerator is made, each item holding its own reference.
IEnumConnectionPoints* QarnNewConnectionPointEnum(const std::vector<IConnectionPoint*>& points);
IEnumConnections* QarnNewConnectionEnum(const std::vector<CONNECTDATA>& connections);

// A connection point for one dispinterface, living inside its container object:
// reference counting is delegated to the container, so a client holding the
// connection point keeps the container alive.
class CQarnConnectionPoint : public IConnectionPoint {
 public:
  CQarnConnectionPoint(IUnknown* pOwner, IConnectionPointContainer* pContainer);
  virtual ~CQarnConnectionPoint();

  void SetInterfaceID(const IID& iid) { m_iid = iid; }
  size_t GetConnectionCount() const { return m_sinks.size(); }
  void UnadviseAll();

  // The live sinks, each AddRef'd; release them with ReleaseSnapshot. A sink
  // unadvised after the snapshot was taken is skipped by IsAdvised.
  struct SinkRef {
    DWORD cookie;
    IDispatch* pDisp;
  };
  std::vector<SinkRef> TakeSnapshot() const;
  static void ReleaseSnapshot(std::vector<SinkRef>& sinks);
  bool IsAdvised(DWORD cookie) const;

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetConnectionInterface)(IID* pIID) override;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) override;
  STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  STDMETHOD(Unadvise)(DWORD dwCookie) override;
  STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) override;

 private:
  struct Sink {
    DWORD cookie;
    IDispatch* pDisp;
  };
  IUnknown* m_pOwner;
  IConnectionPointContainer* m_pContainer;
  IID m_iid;
  std::vector<Sink> m_sinks;
  DWORD m_nextCookie = 1;
};
