#include "platform/win32/ole_property_page_win32.h"

#include <cstring>
#include <string>

#include "platform/object_factory.h"
#include "platform/resources_api.h"

namespace {

// The template's size in dialog units: DLGTEMPLATE and DLGTEMPLATEEX keep it at
// different offsets.
bool TemplateSize(HINSTANCE module, UINT id, SIZE* size) {
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const auto* p = data ? static_cast<const WORD*>(LockResource(data)) : nullptr;
  if (!p) return false;
  if (p[0] == 1 && p[1] == 0xFFFF) {
    const auto* ex = reinterpret_cast<const BYTE*>(p);
    size->cx = *reinterpret_cast<const short*>(ex + 22);
    size->cy = *reinterpret_cast<const short*>(ex + 24);
  } else {
    const auto* t = reinterpret_cast<const DLGTEMPLATE*>(p);
    size->cx = t->cx;
    size->cy = t->cy;
  }
  return true;
}

}  // namespace

COlePropertyPage::COlePropertyPage(UINT idTemplate, UINT idCaption) : m_idTemplate(idTemplate), m_idCaption(idCaption) {
  QarnObjectCreated();
}

COlePropertyPage::~COlePropertyPage() {
  if (m_hWnd) DestroyWindow(m_hWnd);
  ReleaseObjects();
  if (m_pSite) m_pSite->Release();
  QarnObjectDestroyed();
}

HRESULT COlePropertyPage::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IPropertyPage)
    *ppv = static_cast<IPropertyPage*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG COlePropertyPage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_ref)); }

ULONG COlePropertyPage::Release() {
  LONG n = InterlockedDecrement(&m_ref);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT COlePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
  if (pPageSite && m_pSite) return E_UNEXPECTED;
  if (pPageSite) pPageSite->AddRef();
  if (m_pSite) m_pSite->Release();
  m_pSite = pPageSite;
  return S_OK;
}

HRESULT COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
  if (m_hWnd) return E_UNEXPECTED;
  m_hWnd = CreateDialogParamW(QarnGetResourceInstance(), MAKEINTRESOURCEW(m_idTemplate), hWndParent, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
  if (!m_hWnd) return E_OUTOFMEMORY;
  if (pRect) Move(pRect);
  OnInitPage();
  return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
  if (m_hWnd) {
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
  }
  return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
  if (!pPageInfo) return E_POINTER;
  HINSTANCE module = QarnGetResourceInstance();
  const wchar_t* text = nullptr;
  int n = LoadStringW(module, m_idCaption, reinterpret_cast<LPWSTR>(&text), 0);
  std::wstring title = (n > 0 && text) ? std::wstring(text, n) : std::wstring();
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((title.size() + 1) * sizeof(OLECHAR)));
  if (!copy) return E_OUTOFMEMORY;
  memcpy(copy, title.c_str(), (title.size() + 1) * sizeof(OLECHAR));
  SIZE dlu = {0, 0};
  TemplateSize(module, m_idTemplate, &dlu);
  // Dialog units of the template's 8-point font, without a window to measure them.
  LONG base = GetDialogBaseUnits();
  pPageInfo->cb = sizeof(PROPPAGEINFO);
  pPageInfo->pszTitle = copy;
  pPageInfo->size.cx = MulDiv(dlu.cx, LOWORD(base), 4);
  pPageInfo->size.cy = MulDiv(dlu.cy, HIWORD(base), 8);
  pPageInfo->pszDocString = nullptr;
  pPageInfo->pszHelpFile = nullptr;
  pPageInfo->dwHelpContext = 0;
  return S_OK;
}

HRESULT COlePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
  if (cObjects && !ppUnk) return E_POINTER;
  ReleaseObjects();
  for (ULONG i = 0; i < cObjects; ++i) {
    if (!ppUnk[i]) continue;
    ppUnk[i]->AddRef();
    m_objects.push_back(ppUnk[i]);
  }
  return S_OK;
}

HRESULT COlePropertyPage::Show(UINT nCmdShow) {
  if (!m_hWnd) return E_UNEXPECTED;
  ShowWindow(m_hWnd, static_cast<int>(nCmdShow));
  return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT pRect) {
  if (!pRect) return E_POINTER;
  if (!m_hWnd) return E_UNEXPECTED;
  MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, TRUE);
  return S_OK;
}

// Nothing on the page is bound to a property, so there is never anything to apply.
HRESULT COlePropertyPage::IsPageDirty() { return S_FALSE; }

HRESULT COlePropertyPage::Apply() { return S_OK; }

HRESULT COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT COlePropertyPage::TranslateAccelerator(MSG* pMsg) {
  if (!pMsg) return E_POINTER;
  return (m_hWnd && IsDialogMessageW(m_hWnd, pMsg)) ? S_OK : S_FALSE;
}

INT_PTR CALLBACK COlePropertyPage::DialogProc(HWND, UINT msg, WPARAM, LPARAM) {
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

void COlePropertyPage::ReleaseObjects() {
  for (IUnknown* p : m_objects) p->Release();
  m_objects.clear();
}
