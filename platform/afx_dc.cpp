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

BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
CPen* CPen::FromHandle(HPEN h) { return Wrapper<CPen>(h); }

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
CBrush* CBrush::FromHandle(HBRUSH h) { return Wrapper<CBrush>(h); }

BOOL CFont::CreateFontIndirect(const LOGFONTA* lf) { return Attach(::CreateFontIndirectA(lf)); }
CFont* CFont::FromHandle(HFONT h) { return Wrapper<CFont>(h); }

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return dc ? Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height)) : FALSE;
}
CBitmap* CBitmap::FromHandle(HBITMAP h) { return Wrapper<CBitmap>(h); }

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

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }

CPen* CDC::SelectObject(CPen* pen) {
  return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pen ? pen->m_hObject : nullptr)));
}

CBrush* CDC::SelectObject(CBrush* brush) {
  return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush ? brush->m_hObject : nullptr)));
}

CFont* CDC::SelectObject(CFont* font) {
  return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr)));
}

CPoint CDC::MoveTo(int x, int y) {
  POINT previous{0, 0};
  ::MoveToEx(m_hDC, x, y, &previous);
  return CPoint(previous);
}

BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

BOOL CDC::Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
BOOL CDC::Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
BOOL CDC::Ellipse(LPCRECT rect) { return rect ? ::Ellipse(m_hDC, rect->left, rect->top, rect->right, rect->bottom) : FALSE; }

BOOL CDC::Arc(int l, int t, int r, int b, int xStart, int yStart, int xEnd, int yEnd) {
  return ::Arc(m_hDC, l, t, r, b, xStart, yStart, xEnd, yEnd);
}

BOOL CDC::Arc(LPCRECT rect, POINT start, POINT end) {
  return rect ? ::Arc(m_hDC, rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y)
              : FALSE;
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, color);
}

COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
COLORREF CDC::SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }

// Attribute setters go to both DCs when they differ and answer from the attribute DC.
int CDC::SetROP2(int rop2) {
  int old = 0;
  if (m_hDC != m_hAttribDC) old = ::SetROP2(m_hDC, rop2);
  if (m_hAttribDC) old = ::SetROP2(m_hAttribDC, rop2);
  return old;
}
int CDC::GetROP2() const { return ::GetROP2(m_hAttribDC); }

int CDC::SetBkMode(int mode) {
  int old = 0;
  if (m_hDC != m_hAttribDC) old = ::SetBkMode(m_hDC, mode);
  if (m_hAttribDC) old = ::SetBkMode(m_hAttribDC, mode);
  return old;
}
int CDC::GetBkMode() const { return ::GetBkMode(m_hAttribDC); }

COLORREF CDC::SetBkColor(COLORREF color) {
  COLORREF old = CLR_INVALID;
  if (m_hDC != m_hAttribDC) old = ::SetBkColor(m_hDC, color);
  if (m_hAttribDC) old = ::SetBkColor(m_hAttribDC, color);
  return old;
}
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hAttribDC); }

COLORREF CDC::SetTextColor(COLORREF color) {
  COLORREF old = CLR_INVALID;
  if (m_hDC != m_hAttribDC) old = ::SetTextColor(m_hDC, color);
  if (m_hAttribDC) old = ::SetTextColor(m_hAttribDC, color);
  return old;
}
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hAttribDC); }

UINT CDC::SetTextAlign(UINT align) {
  UINT old = GDI_ERROR;
  if (m_hDC != m_hAttribDC) old = ::SetTextAlign(m_hDC, align);
  if (m_hAttribDC) old = ::SetTextAlign(m_hAttribDC, align);
  return old;
}
UINT CDC::GetTextAlign() const { return ::GetTextAlign(m_hAttribDC); }

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count, LPINT dx) {
  return ::ExtTextOutA(m_hDC, x, y, options, rect, text, count, dx);
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, LPINT dx) {
  return ::ExtTextOutA(m_hDC, x, y, options, rect, text.c_str(), static_cast<UINT>(text.GetLength()), dx);
}

BOOL CDC::TextOut(int x, int y, LPCSTR text, int count) { return ::TextOutA(m_hDC, x, y, text, count); }
BOOL CDC::TextOut(int x, int y, const CString& text) {
  return ::TextOutA(m_hDC, x, y, text.c_str(), text.GetLength());
}

BOOL CDC::GetTextMetrics(LPTEXTMETRICA metrics) const { return ::GetTextMetricsA(m_hAttribDC, metrics); }

CSize CDC::GetTextExtent(LPCSTR text, int count) const {
  SIZE size{0, 0};
  ::GetTextExtentPoint32A(m_hAttribDC, text, count, &size);
  return CSize(size);
}

CSize CDC::GetTextExtent(const CString& text) const { return GetTextExtent(text.c_str(), text.GetLength()); }
