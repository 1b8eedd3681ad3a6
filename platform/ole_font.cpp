#include "platform/ole_font.h"

CQarnFontObject::CQarnFontObject(const QarnFontDesc& desc) : m_desc(desc) {}

std::span<const AFX_DISPMAP_ENTRY> CQarnFontObject::GetDispatchMap() const {
  using F = CQarnFontObject;
  static constexpr AFX_DISPMAP_ENTRY kMap[] = {
      DispPropertyEx<&F::GetName, &F::SetName>("Name", DISPID_FONT_NAME),
      DispPropertyEx<&F::GetSize, &F::SetSize>("Size", DISPID_FONT_SIZE),
      DispPropertyEx<&F::GetBold, &F::SetBold>("Bold", DISPID_FONT_BOLD),
      DispPropertyEx<&F::GetItalic, &F::SetItalic>("Italic", DISPID_FONT_ITALIC),
      DispPropertyEx<&F::GetUnderline, &F::SetUnderline>("Underline", DISPID_FONT_UNDER),
      DispPropertyEx<&F::GetStrikethrough, &F::SetStrikethrough>("Strikethrough", DISPID_FONT_STRIKE),
      DispPropertyEx<&F::GetWeight, &F::SetWeight>("Weight", DISPID_FONT_WEIGHT),
      DispPropertyEx<&F::GetCharset, &F::SetCharset>("Charset", DISPID_FONT_CHARSET),
  };
  return kMap;
}

void* CQarnFontObject::GetInterfaceHook(REFIID riid) {
  // IFontDisp is a pure dispinterface: our IDispatch is it.
  if (riid == IID_IFontDisp) return static_cast<IDispatch*>(this);
  return nullptr;
}

void CQarnFontObject::Changed() {
  if (m_notify) m_notify();
}

void CQarnFontObject::SetDesc(const QarnFontDesc& desc, bool notify) {
  if (desc == m_desc) return;
  m_desc = desc;
  if (notify) Changed();
}

void CQarnFontObject::SetName(const CString& name) {
  if (name == m_desc.name) return;
  m_desc.name = name;
  Changed();
}

void CQarnFontObject::SetSize(CY size) {
  // Windows refuses sizes that are not positive; sizes no text can be drawn at are
  // refused too, so that whatever the control saves loads back unchanged.
  if (!QarnIsValidFontSize(size)) {
    ThrowError(E_INVALIDARG, "Font size must be above 0 and at most 4096 points");
    return;
  }
  if (size.int64 == m_desc.cySize.int64) return;
  m_desc.cySize = size;
  Changed();
}

void CQarnFontObject::SetBold(bool bold) { SetWeight(bold ? 700 : 400); }

void CQarnFontObject::SetWeight(short weight) {
  if (weight == m_desc.sWeight) return;
  m_desc.sWeight = weight;
  Changed();
}

void CQarnFontObject::SetCharset(short charset) {
  if (charset == m_desc.sCharset) return;
  m_desc.sCharset = charset;
  Changed();
}

namespace {
void SetFlag(BOOL& field, bool v, bool& changed) {
  if (!field == !v) return;
  field = v ? TRUE : FALSE;
  changed = true;
}
}  // namespace

void CQarnFontObject::SetItalic(bool v) {
  bool changed = false;
  SetFlag(m_desc.fItalic, v, changed);
  if (changed) Changed();
}

void CQarnFontObject::SetUnderline(bool v) {
  bool changed = false;
  SetFlag(m_desc.fUnderline, v, changed);
  if (changed) Changed();
}

void CQarnFontObject::SetStrikethrough(bool v) {
  bool changed = false;
  SetFlag(m_desc.fStrikethrough, v, changed);
  if (changed) Changed();
}

BOOL CQarnFontObject::CopyFrom(IDispatch* pFont) {
  if (!pFont) return FALSE;
  COleDispatchDriver font(pFont, FALSE);
  QarnFontDesc d;
  font.GetProperty(DISPID_FONT_NAME, VT_BSTR, &d.name);
  if (FAILED(font.m_lastError)) return FALSE;
  font.GetProperty(DISPID_FONT_SIZE, VT_CY, &d.cySize);
  if (FAILED(font.m_lastError) || !QarnIsValidFontSize(d.cySize)) return FALSE;
  // The rest are optional on foreign font objects: keep the defaults when absent.
  short weight = 0;
  font.GetProperty(DISPID_FONT_WEIGHT, VT_I2, &weight);
  if (SUCCEEDED(font.m_lastError)) {
    d.sWeight = weight;
  } else {
    BOOL bold = FALSE;
    font.GetProperty(DISPID_FONT_BOLD, VT_BOOL, &bold);
    if (SUCCEEDED(font.m_lastError)) d.sWeight = bold ? 700 : 400;
  }
  short charset = 0;
  font.GetProperty(DISPID_FONT_CHARSET, VT_I2, &charset);
  if (SUCCEEDED(font.m_lastError)) d.sCharset = charset;
  BOOL flag = FALSE;
  font.GetProperty(DISPID_FONT_ITALIC, VT_BOOL, &flag);
  if (SUCCEEDED(font.m_lastError)) d.fItalic = flag;
  font.GetProperty(DISPID_FONT_UNDER, VT_BOOL, &flag);
  if (SUCCEEDED(font.m_lastError)) d.fUnderline = flag;
  font.GetProperty(DISPID_FONT_STRIKE, VT_BOOL, &flag);
  if (SUCCEEDED(font.m_lastError)) d.fStrikethrough = flag;
  SetDesc(d);
  return TRUE;
}
