#include "qarnview/app/property_bag.h"

#include <nlohmann/json.hpp>

#include "qarnview/drawing_file.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Only plain values go into a text file; objects, arrays and references do not.
bool IsTextType(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR: case VT_CY: case VT_DATE:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::filesystem::path PropertiesPathFor(const std::filesystem::path& drawing) {
  std::filesystem::path path = drawing;
  path += ".props.json";
  return path;
}

std::string TextPropertyBag::ToJson() const {
  nlohmann::json values = nlohmann::json::object();
  for (const Entry& e : m_entries) values[Utf8(e.name)] = {{"type", e.type}, {"value", Utf8(e.text)}};
  return nlohmann::json{{"qarnedit", values}}.dump(2) + "\n";
}

std::string TextPropertyBag::FromJson(const std::string& json) {
  nlohmann::json root = nlohmann::json::parse(json, nullptr, false);
  if (root.is_discarded()) return "the properties file is not JSON";
  if (!root.is_object() || !root.contains("qarnedit") || !root["qarnedit"].is_object())
    return "the properties file has no \"qarnedit\" object";
  std::vector<Entry> entries;
  for (const auto& [name, item] : root["qarnedit"].items()) {
    if (!item.is_object() || !item.contains("type") || !item.contains("value") ||
        !item["type"].is_number_unsigned() || !item["value"].is_string())
      return "property \"" + name + "\" needs an unsigned \"type\" and a string \"value\"";
    auto type = item["type"].get<uint64_t>();
    if (type > 0xFFFF || !IsTextType(static_cast<VARTYPE>(type)))
      return "property \"" + name + "\" has a type that is not kept as text";
    entries.push_back({Wide(name), static_cast<VARTYPE>(type), Wide(item["value"].get<std::string>())});
  }
  m_entries = std::move(entries);
  return "";
}

std::string TextPropertyBag::SaveFile(const std::filesystem::path& path) const {
  return qarnview::WriteDrawingFileAtomically(path, ToJson());
}

std::string TextPropertyBag::LoadFile(const std::filesystem::path& path) {
  std::string bytes;
  std::string error = qarnview::ReadDrawingFile(path, bytes);
  if (!error.empty()) return error;
  return FromJson(bytes);
}

HRESULT TextPropertyBag::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
    *ppv = static_cast<IPropertyBag*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT TextPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  for (const Entry& e : m_entries) {
    if (_wcsicmp(e.name.c_str(), name) != 0) continue;
    VARTYPE wanted = value->vt == VT_EMPTY ? e.type : value->vt;
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringLen(e.text.data(), static_cast<UINT>(e.text.size()));
    VARIANT out;
    VariantInit(&out);
    // Text written with VariantChangeType is read back under the same (invariant) locale.
    HRESULT hr = VariantChangeTypeEx(&out, &text, LOCALE_INVARIANT, 0, wanted);
    VariantClear(&text);
    if (FAILED(hr)) return E_INVALIDARG;
    VariantClear(value);
    *value = out;
    return S_OK;
  }
  return E_INVALIDARG;  // the property bag rule for a name it does not hold
}

HRESULT TextPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  if (!IsTextType(value->vt)) return E_INVALIDARG;
  VARIANT text;
  VariantInit(&text);
  HRESULT hr = VariantChangeTypeEx(&text, value, LOCALE_INVARIANT, 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  std::wstring textValue = text.bstrVal ? std::wstring(text.bstrVal, SysStringLen(text.bstrVal)) : L"";
  VariantClear(&text);
  for (Entry& e : m_entries) {
    if (_wcsicmp(e.name.c_str(), name) == 0) {
      e.type = value->vt;
      e.text = textValue;
      return S_OK;
    }
  }
  m_entries.push_back({name, value->vt, textValue});
  return S_OK;
}
