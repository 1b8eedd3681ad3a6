#include "platform/connection_point.h"

CQarnConnectionPoint::CQarnConnectionPoint(IUnknown* pOwner, IConnectionPointContainer* pContainer)
    : m_pOwner(pOwner), m_pContainer(pContainer), m_iid(IID_NULL) {}

CQarnConnectionPoint::~CQarnConnectionPoint() { UnadviseAll(); }

void CQarnConnectionPoint::UnadviseAll() {
  // Detach first: a sink's Release may re-enter and call Unadvise.
  std::vector<Sink> sinks;
  sinks.swap(m_sinks);
  for (Sink& s : sinks) s.pDisp->Release();
}

std::vector<CQarnConnectionPoint::SinkRef> CQarnConnectionPoint::TakeSnapshot() const {
  std::vector<SinkRef> out;
  out.reserve(m_sinks.size());
  for (const Sink& s : m_sinks) {
    s.pDisp->AddRef();
    out.push_back({s.cookie, s.pDisp});
  }
  return out;
}

void CQarnConnectionPoint::ReleaseSnapshot(std::vector<SinkRef>& sinks) {
  std::vector<SinkRef> held;
  held.swap(sinks);
  for (SinkRef& s : held) s.pDisp->Release();
}

bool CQarnConnectionPoint::IsAdvised(DWORD cookie) const {
  for (const Sink& s : m_sinks)
    if (s.cookie == cookie) return true;
  return false;
}

HRESULT CQarnConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG CQarnConnectionPoint::AddRef() { return m_pOwner->AddRef(); }
ULONG CQarnConnectionPoint::Release() { return m_pOwner->Release(); }

HRESULT CQarnConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = m_iid;
  return S_OK;
}

HRESULT CQarnConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = m_pContainer;
  m_pContainer->AddRef();
  return S_OK;
}

HRESULT CQarnConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (!pdwCookie) return E_POINTER;
  *pdwCookie = 0;
  if (!pUnkSink) return E_POINTER;
  IDispatch* pDisp = nullptr;
  // The events are a dispinterface: a sink answering IDispatch can receive them too.
  if (FAILED(pUnkSink->QueryInterface(m_iid, reinterpret_cast<void**>(&pDisp))) || !pDisp) {
    pDisp = nullptr;
    if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pDisp))) || !pDisp)
      return CONNECT_E_CANNOTCONNECT;
  }
  DWORD cookie = m_nextCookie++;
  m_sinks.push_back({cookie, pDisp});
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT CQarnConnectionPoint::Unadvise(DWORD dwCookie) {
  for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
    if (it->cookie == dwCookie) {
      IDispatch* pDisp = it->pDisp;
      m_sinks.erase(it);
      pDisp->Release();  // after the erase: Release may re-enter
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT CQarnConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  std::vector<CONNECTDATA> connections;
  for (const Sink& s : m_sinks) connections.push_back({s.pDisp, s.cookie});
  *ppEnum = QarnNewConnectionEnum(connections);
  return S_OK;
}

namespace {

void HoldItem(IConnectionPoint* p) { p->AddRef(); }
void HoldItem(CONNECTDATA& c) { c.pUnk->AddRef(); }
void DropItem(IConnectionPoint* p) { p->Release(); }
void DropItem(CONNECTDATA& c) { c.pUnk->Release(); }

template <class IEnum, class Item>
class CQarnEnumerator final : public IEnum {
 public:
  CQarnEnumerator(const IID& iid, std::vector<Item> items, ULONG position = 0)
      : m_iid(iid), m_items(std::move(items)), m_position(position) {
    for (Item& item : m_items) HoldItem(item);
  }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == m_iid) {
      *ppv = static_cast<IEnum*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++m_refs; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
  }
  STDMETHOD(Next)(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && m_position < m_items.size()) {
      out[given] = m_items[m_position++];
      HoldItem(out[given]);  // the caller's reference
      ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHOD(Skip)(ULONG count) override {
    ULONG left = static_cast<ULONG>(m_items.size()) - m_position;
    m_position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHOD(Reset)() override {
    m_position = 0;
    return S_OK;
  }
  STDMETHOD(Clone)(IEnum** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new CQarnEnumerator(m_iid, m_items, m_position);
    return S_OK;
  }

 private:
  ~CQarnEnumerator() {
    for (Item& item : m_items) DropItem(item);
  }
  const IID& m_iid;
  std::vector<Item> m_items;
  ULONG m_position;
  ULONG m_refs = 1;
};

}  // namespace

IEnumConnectionPoints* QarnNewConnectionPointEnum(const std::vector<IConnectionPoint*>& points) {
  return new CQarnEnumerator<IEnumConnectionPoints, IConnectionPoint*>(IID_IEnumConnectionPoints, points);
}

IEnumConnections* QarnNewConnectionEnum(const std::vector<CONNECTDATA>& connections) {
  return new CQarnEnumerator<IEnumConnections, CONNECTDATA>(IID_IEnumConnections, connections);
}
