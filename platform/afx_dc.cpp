#include "platform/afx_dc.h"

#include <unordered_map>

namespace {

// Wrappers for handles the caller did not create (what SelectObject hands back).
// They never own their handle and live as long as the process, as MFC's temporary
// objects live at least until the next idle time.
template <class T>
T* Wrapper(HGDIOBJ h) {
  if (!h) return nullptr;
  static auto* wrappers = new std::unordered_map<HGDIOBJ, T*>();
  T*& slot = (*wrappers)[h];
  if (!slot) {
    slot = new T();
    slot->m_hObject = h;
  }
  return slot;
}

}  // namespace

// ---- GDI objects -------------------------------------------------------------

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (!h || m_hObject) return FALSE;
  m_hObject = h;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }

BOOL CFont::CreateFontIndirect(const LOGFONTA* lf) { return Attach(::CreateFontIndirectA(lf)); }
CFont* CFont::FromHandle(HFONT h) { return Wrapper<CFont>(h); }

// ---- CDC ---------------------------------------------------------------------

CDC::~CDC() {
  if (m_hDC) ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC hdc) {
  if (!hdc || m_hDC) return FALSE;
  m_hDC = hdc;
  m_hAttribDC = hdc;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  m_hAttribDC = nullptr;
  return h;
}

CFont* CDC::SelectObject(CFont* font) {
  return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr)));
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}

COLORREF CDC::SetBkColor(COLORREF color) {
  COLORREF old = CLR_INVALID;
  if (m_hDC != m_hAttribDC) old = ::SetBkColor(m_hDC, color);
  if (m_hAttribDC) old = ::SetBkColor(m_hAttribDC, color);
  return old;
}

COLORREF CDC::SetTextColor(COLORREF color) {
  COLORREF old = CLR_INVALID;
  if (m_hDC != m_hAttribDC) old = ::SetTextColor(m_hDC, color);
  if (m_hAttribDC) old = ::SetTextColor(m_hAttribDC, color);
  return old;
}

UINT CDC::SetTextAlign(UINT align) {
  UINT old = GDI_ERROR;
  if (m_hDC != m_hAttribDC) old = ::SetTextAlign(m_hDC, align);
  if (m_hAttribDC) old = ::SetTextAlign(m_hAttribDC, align);
  return old;
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, LPINT dx) {
  return ::ExtTextOutA(m_hDC, x, y, options, rect, text.c_str(), static_cast<UINT>(text.GetLength()), dx);
}
