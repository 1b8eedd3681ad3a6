// A property bag of named values kept as text, so a control's properties can be saved
// beside a drawing as JSON and handed back through IPersistPropertyBag.
//
// File form (UTF-8 JSON), "<drawing>.props.json":
//   { "qarnedit": { "penColor": { "type": 19, "value": "255" }, ... } }
// "type" is the VARTYPE the control wrote; "value" its text as VariantChangeType
// gives it. Reading converts the text back to that type, or to the type the control
// asks for when it asks for one.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <filesystem>
#include <string>
#include <vector>

class TextPropertyBag final : public IPropertyBag {
 public:
  struct Entry {
    std::wstring name;
    VARTYPE type = VT_EMPTY;
    std::wstring text;
  };

  TextPropertyBag() = default;
  TextPropertyBag(const TextPropertyBag&) = delete;
  TextPropertyBag& operator=(const TextPropertyBag&) = delete;

  const std::vector<Entry>& Entries() const { return m_entries; }
  void Clear() { m_entries.clear(); }

  // The JSON text of the file form.
  std::string ToJson() const;
  // Replaces the entries by those of `json`. "" on success; otherwise the reason, and
  // the entries are unchanged.
  std::string FromJson(const std::string& json);

  std::string SaveFile(const std::filesystem::path& path) const;
  std::string LoadFile(const std::filesystem::path& path);

  // The bag lives on the container's stack or in its members: reference counts are
  // kept for the COM rules but never delete it.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(Read)(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  STDMETHOD(Write)(LPCOLESTR name, VARIANT* value) override;

 private:
  std::vector<Entry> m_entries;
};

// "<drawing>.props.json" beside the drawing.
std::filesystem::path PropertiesPathFor(const std::filesystem::path& drawing);
