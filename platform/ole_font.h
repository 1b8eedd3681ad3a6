// The stock Font object: an IDispatch with the standard Font properties (Name is
// DISPID_VALUE, Size a CY in points), as stdole's Font dispinterface numbers them.
#pragma once

#include <functional>

#include "platform/cmd_target.h"
#include "platform/prop_exchange.h"

#define DISPID_FONT_NAME 0
#define DISPID_FONT_SIZE 2
#define DISPID_FONT_BOLD 3
#define DISPID_FONT_ITALIC 4
#define DISPID_FONT_UNDER 5
#define DISPID_FONT_STRIKE 6
#define DISPID_FONT_WEIGHT 7
#define DISPID_FONT_CHARSET 8

#if defined(_WIN32)
#include <olectl.h>
#else
extern const IID IID_IFont;
extern const IID IID_IFontDisp;
#endif

class CQarnFontObject : public CCmdTarget {
 public:
  explicit CQarnFontObject(const QarnFontDesc& desc = QarnFontDesc());

  const QarnFontDesc& GetDesc() const { return m_desc; }
  // Replaces every attribute; notifies once if anything changed.
  void SetDesc(const QarnFontDesc& desc, bool notify = true);
  // Reads the standard Font properties of any font object; FALSE when it has none.
  BOOL CopyFrom(IDispatch* pFont);
  // Called after every change made through the object; the owner clears it when it goes.
  void SetChangeNotify(std::function<void()> notify) { m_notify = std::move(notify); }

  CString GetName() const { return m_desc.name; }
  void SetName(const CString& name);
  CY GetSize() const { return m_desc.cySize; }
  void SetSize(CY size);
  bool GetBold() const { return m_desc.sWeight >= 600; }
  void SetBold(bool bold);
  bool GetItalic() const { return m_desc.fItalic != FALSE; }
  void SetItalic(bool v);
  bool GetUnderline() const { return m_desc.fUnderline != FALSE; }
  void SetUnderline(bool v);
  bool GetStrikethrough() const { return m_desc.fStrikethrough != FALSE; }
  void SetStrikethrough(bool v);
  short GetWeight() const { return m_desc.sWeight; }
  void SetWeight(short weight);
  short GetCharset() const { return m_desc.sCharset; }
  void SetCharset(short charset);

  std::span<const AFX_DISPMAP_ENTRY> GetDispatchMap() const override;

 protected:
  void* GetInterfaceHook(REFIID riid) override;

 private:
  void Changed();
  QarnFontDesc m_desc;
  std::function<void()> m_notify;
};
