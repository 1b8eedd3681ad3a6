// The framework's drawing classes: thin wrappers that call the GDI functions, laid out
// as MFC lays them out (vtable, then the handles) so code written against MFC compiles
// and behaves the same.
#pragma once

#include "platform/cstring.h"
#include "platform/gdi.h"
#include "platform/win_types.h"

class CRect : public RECT {
 public:
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}

  operator LPCRECT() const { return this; }
};

class CGdiObject {
 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  virtual ~CGdiObject();

  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTA* lf);
  static CFont* FromHandle(HFONT h);
};

// A host built with another compiler reads the CDC handed to PaintOverlay by this
// layout: the table pointer, then m_hDC, then m_hAttribDC. Nothing may come before them.
class CDC {
 public:
  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;

  CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  // Deletes the DC it still holds, as MFC does; Detach first to keep it.
  virtual ~CDC();

  HDC GetSafeHdc() const { return m_hDC; }
  BOOL Attach(HDC hdc);
  HDC Detach();

  CFont* SelectObject(CFont* font);
  void FillRect(LPCRECT rect, CBrush* brush);
  // Attribute setters go to both DCs when they differ and answer from the attribute DC.
  COLORREF SetBkColor(COLORREF color);
  COLORREF SetTextColor(COLORREF color);
  UINT SetTextAlign(UINT align);
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, LPINT dx);
};

static_assert(sizeof(CDC) == 3 * sizeof(void*), "CDC holds its table pointer and two device-context handles");
