// DllRegisterServer / DllUnregisterServer: the type library, then the classes.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "control/qarnedit_ctrl.h"
#include "control/qarnedit_guids.h"
#include "control/win32/qarnedit_module.h"
#include "resources/resource.h"

namespace {

std::wstring GuidString(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring LoadText(UINT id) {
  const wchar_t* text = nullptr;
  int n = LoadStringW(QarneditModuleInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return (n > 0 && text) ? std::wstring(text, n) : std::wstring();
}

std::wstring Narrow2Wide(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

struct RegEntry {
  std::wstring key;    // below the root
  std::wstring name;   // empty: the key's default value
  std::wstring value;
};

// Every value the module writes; keys are created on the way.
std::vector<RegEntry> ClassEntries(const wchar_t* modulePath) {
  const std::wstring path = modulePath;
  const std::wstring ctl = L"CLSID\\" + GuidString(CLSID_Qarnedit);
  const std::wstring progId = Narrow2Wide(QARNEDIT_PROGID);
  const std::wstring page1 = L"CLSID\\" + GuidString(CLSID_QarneditPropPage);
  const std::wstring page2 = L"CLSID\\" + GuidString(CLSID_QarneditPropPage2);
  const std::wstring userType = LoadText(IDS_QARNEDIT);
  wchar_t miscStatus[16];
  wsprintfW(miscStatus, L"%lu", static_cast<unsigned long>(kQarneditMiscStatus));
  return {
      {ctl, L"", userType},
      {ctl + L"\\InprocServer32", L"", path},
      {ctl + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {ctl + L"\\ProgID", L"", progId},
      {ctl + L"\\Control", L"", L""},
      {ctl + L"\\ToolboxBitmap32", L"", path + L", " + std::to_wstring(IDB_QARNEDIT)},
      {ctl + L"\\MiscStatus", L"", L"0"},
      {ctl + L"\\MiscStatus\\1", L"", miscStatus},
      {ctl + L"\\TypeLib", L"", GuidString(LIBID_QARNEDITLib)},
      {ctl + L"\\Version", L"", L"1.0"},
      {progId, L"", userType},
      {progId + L"\\CLSID", L"", GuidString(CLSID_Qarnedit)},
      {page1, L"", LoadText(IDS_QARNEDIT_PPG)},
      {page1 + L"\\InprocServer32", L"", path},
      {page1 + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {page2, L"", LoadText(IDS_QARNEDIT_PPG2)},
      {page2 + L"\\InprocServer32", L"", path},
      {page2 + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
  };
}

// The keys that hold everything above: what unregistering (or undoing) removes.
std::vector<std::wstring> ClassRoots() {
  return {L"CLSID\\" + GuidString(CLSID_Qarnedit), Narrow2Wide(QARNEDIT_PROGID),
          L"CLSID\\" + GuidString(CLSID_QarneditPropPage), L"CLSID\\" + GuidString(CLSID_QarneditPropPage2)};
}

LSTATUS WriteEntry(HKEY root, const RegEntry& e) {
  HKEY key = nullptr;
  LSTATUS rc = RegCreateKeyExW(root, e.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                               &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(key, e.name.empty() ? nullptr : e.name.c_str(), 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(e.value.c_str()),
                      static_cast<DWORD>((e.value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return rc;
}

// The embedded type library's attributes: unregistering must name the locale and
// system kind it was registered with.
HRESULT ModuleTypeLib(ITypeLib** ppLib, std::wstring* path) {
  wchar_t buffer[MAX_PATH];
  if (!QarneditModulePath(buffer, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
  *path = buffer;
  return LoadTypeLibEx(buffer, REGKIND_NONE, ppLib);
}

HRESULT RegisterTypeLibrary() {
  ITypeLib* pLib = nullptr;
  std::wstring path;
  HRESULT hr = ModuleTypeLib(&pLib, &path);
  if (FAILED(hr)) return hr;
  std::wstring dir = path.substr(0, path.find_last_of(L"\\/") + 1);
  hr = RegisterTypeLib(pLib, path.data(), dir.empty() ? nullptr : dir.data());
  pLib->Release();
  return hr;
}

// The registration says what to remove: the library registered under the identifier,
// looked up with the neutral locale 0; where the lookup cannot fall back from 0 to the
// library's own locale, the module's embedded library names the registration.
HRESULT UnregisterTypeLibrary() {
  ITypeLib* pLib = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_QARNEDITLib, 1, 0, 0, &pLib);
  if (FAILED(hr)) {
    std::wstring path;
    hr = ModuleTypeLib(&pLib, &path);
  }
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = pLib->GetLibAttr(&attr);
  if (SUCCEEDED(hr)) {
    hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    pLib->ReleaseTLibAttr(attr);
  }
  pLib->Release();
  return hr;
}

}  // namespace

HRESULT QarneditRegisterClasses(HKEY root, const wchar_t* modulePath) {
  if (!modulePath || !*modulePath) return E_INVALIDARG;
  for (const RegEntry& e : ClassEntries(modulePath)) {
    LSTATUS rc = WriteEntry(root, e);
    // Stop at the failing key and report it; what was written stays, as a
    // registration that stops part-way leaves it.
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  return S_OK;
}

HRESULT QarneditUnregisterClasses(HKEY root) {
  HRESULT result = S_OK;
  for (const std::wstring& key : ClassRoots()) {
    LSTATUS rc = RegDeleteTreeW(root, key.c_str());  // the key itself and all below it
    if (rc == ERROR_FILE_NOT_FOUND)
      result = S_FALSE;
    else if (rc != ERROR_SUCCESS)
      return HRESULT_FROM_WIN32(rc);
  }
  return result;
}

STDAPI DllRegisterServer() {
  if (FAILED(RegisterTypeLibrary())) return SELFREG_E_TYPELIB;
  wchar_t path[MAX_PATH];
  // A failing class step is reported; the type library registered before it stays.
  if (!QarneditModulePath(path, MAX_PATH) || FAILED(QarneditRegisterClasses(HKEY_CLASSES_ROOT, path)))
    return SELFREG_E_CLASS;
  return S_OK;
}

STDAPI DllUnregisterServer() {
  if (FAILED(UnregisterTypeLibrary())) return SELFREG_E_TYPELIB;
  if (FAILED(QarneditUnregisterClasses(HKEY_CLASSES_ROOT))) return SELFREG_E_CLASS;
  return S_OK;
}
