// A property page (IPropertyPage) shown from a dialog template of the module, with
// its caption from the string table. Pages that bind no property need nothing more.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <vector>

class COlePropertyPage : public IPropertyPage {
 public:
  COlePropertyPage(UINT idTemplate, UINT idCaption);
  virtual ~COlePropertyPage();
  COlePropertyPage(const COlePropertyPage&) = delete;
  COlePropertyPage& operator=(const COlePropertyPage&) = delete;

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  STDMETHOD(SetPageSite)(IPropertyPageSite* pPageSite) override;
  STDMETHOD(Activate)(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
  STDMETHOD(Deactivate)() override;
  STDMETHOD(GetPageInfo)(PROPPAGEINFO* pPageInfo) override;
  STDMETHOD(SetObjects)(ULONG cObjects, IUnknown** ppUnk) override;
  STDMETHOD(Show)(UINT nCmdShow) override;
  STDMETHOD(Move)(LPCRECT pRect) override;
  STDMETHOD(IsPageDirty)() override;
  STDMETHOD(Apply)() override;
  STDMETHOD(Help)(LPCOLESTR pszHelpDir) override;
  STDMETHOD(TranslateAccelerator)(MSG* pMsg) override;

 protected:
  // Called when the page window exists; the base does nothing.
  virtual void OnInitPage() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void ReleaseObjects();

  LONG m_ref = 1;
  UINT m_idTemplate;
  UINT m_idCaption;
  HWND m_hWnd = nullptr;
  IPropertyPageSite* m_pSite = nullptr;
  std::vector<IUnknown*> m_objects;
};
