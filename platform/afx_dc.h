// The framework's drawing classes: thin wrappers that call the GDI functions, laid out
// as MFC lays them out (vtable, then the handles) so code written against MFC compiles
// and behaves the same.
#pragma once

#include "platform/cstring.h"
#include "platform/gdi.h"
#include "platform/win_types.h"

class CSize : public SIZE {
 public:
  CSize() : SIZE{0, 0} {}
  CSize(int cx, int cy) : SIZE{cx, cy} {}
  CSize(SIZE s) : SIZE(s) {}
};

class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x, int y) : POINT{x, y} {}
  CPoint(POINT p) : POINT(p) {}
};

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

  operator HGDIOBJ() const { return m_hObject; }
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN h);
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH h);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTA* lf);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT h);
};

class CBitmap : public CGdiObject {
 public:
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP h);
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
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC hdc);
  HDC Detach();
  BOOL DeleteDC();
  BOOL CreateCompatibleDC(CDC* dc);

  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);

  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  BOOL Polyline(const POINT* points, int count);
  BOOL Ellipse(int l, int t, int r, int b);
  BOOL Ellipse(LPCRECT rect);
  BOOL Arc(int l, int t, int r, int b, int xStart, int yStart, int xEnd, int yEnd);
  BOOL Arc(LPCRECT rect, POINT start, POINT end);
  void FillRect(LPCRECT rect, CBrush* brush);
  // Sets the background colour and leaves it set, as MFC does.
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  COLORREF GetPixel(int x, int y) const;
  COLORREF SetPixel(int x, int y, COLORREF color);

  int SetROP2(int rop2);
  int GetROP2() const;
  int SetBkMode(int mode);
  int GetBkMode() const;
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const;
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const;
  UINT SetTextAlign(UINT align);
  UINT GetTextAlign() const;

  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count, LPINT dx);
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, LPINT dx);
  BOOL TextOut(int x, int y, LPCSTR text, int count);
  BOOL TextOut(int x, int y, const CString& text);
  BOOL GetTextMetrics(LPTEXTMETRICA metrics) const;
  CSize GetTextExtent(LPCSTR text, int count) const;
  CSize GetTextExtent(const CString& text) const;
};

static_assert(sizeof(CDC) == 3 * sizeof(void*), "CDC holds its table pointer and two device-context handles");
