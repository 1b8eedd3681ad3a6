// Keeps a pen selected for as long as it lives; the previous pen goes back and this one
// is deleted even when painting stops half way.
#pragma once

#include "platform/gdi.h"

class ScopedPen {
 public:
  // Takes over `pen`, which the caller created.
  ScopedPen(HDC hdc, HPEN pen) : m_hdc(hdc), m_pen(pen), m_old(SelectObject(hdc, pen)) {}
  // A new one-pixel pen of this style and colour.
  ScopedPen(HDC hdc, int style, COLORREF colour) : ScopedPen(hdc, CreatePen(style, 1, colour)) {}
  ~ScopedPen() {
    SelectObject(m_hdc, m_old);
    DeleteObject(m_pen);
  }
  ScopedPen(const ScopedPen&) = delete;
  ScopedPen& operator=(const ScopedPen&) = delete;

 private:
  HDC m_hdc;
  HPEN m_pen;
  HGDIOBJ m_old;
};
