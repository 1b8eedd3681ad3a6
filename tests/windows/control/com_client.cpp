#include "com_client.h"

#include <cmath>
#include <cstdio>

namespace client {

Variant Variant::I2(short x) {
  Variant r;
  r.v.vt = VT_I2;
  r.v.iVal = x;
  return r;
}

Variant Variant::I4(LONG x) {
  Variant r;
  r.v.vt = VT_I4;
  r.v.lVal = x;
  return r;
}

Variant Variant::R8(double x) {
  Variant r;
  r.v.vt = VT_R8;
  r.v.dblVal = x;
  return r;
}

Variant Variant::Bool(bool x) {
  Variant r;
  r.v.vt = VT_BOOL;
  r.v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}

Variant Variant::Str(const std::string& utf8) {
  Variant r;
  std::wstring w = Wide(utf8);
  r.v.vt = VT_BSTR;
  r.v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  return r;
}

Variant Variant::Disp(IDispatch* p) {
  Variant r;
  r.v.vt = VT_DISPATCH;
  r.v.pdispVal = p;
  if (p) p->AddRef();
  return r;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* text, size_t n) {
  if (!text || n == 0) return std::string();
  int len = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string out(len, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), len, nullptr, nullptr);
  return out;
}

std::string Utf8(BSTR b) { return Utf8(b, b ? SysStringLen(b) : 0); }

std::string Hr(HRESULT hr) {
  struct Name {
    HRESULT hr;
    const char* name;
  };
#define QARN_NAMED(code) {code, #code}
  static const Name names[] = {
      QARN_NAMED(S_OK),          QARN_NAMED(S_FALSE),           QARN_NAMED(E_FAIL),
      QARN_NAMED(E_INVALIDARG),  QARN_NAMED(E_NOINTERFACE),     QARN_NAMED(E_NOTIMPL),
      QARN_NAMED(E_POINTER),     QARN_NAMED(DISP_E_MEMBERNOTFOUND), QARN_NAMED(DISP_E_BADPARAMCOUNT),
      QARN_NAMED(DISP_E_TYPEMISMATCH), QARN_NAMED(DISP_E_OVERFLOW), QARN_NAMED(DISP_E_UNKNOWNNAME),
      QARN_NAMED(DISP_E_EXCEPTION), QARN_NAMED(STG_E_READFAULT), QARN_NAMED(CONNECT_E_NOCONNECTION),
      QARN_NAMED(REGDB_E_CLASSNOTREG), QARN_NAMED(TYPE_E_LIBNOTREGISTERED),
  };
#undef QARN_NAMED
  char buf[80];
  const char* name = "";
  for (const Name& n : names)
    if (n.hr == hr) name = n.name;
  std::snprintf(buf, sizeof buf, "0x%08lX%s%s%s", static_cast<unsigned long>(hr), *name ? " (" : "", name,
                *name ? ")" : "");
  return buf;
}

std::string Show(const VARIANT& v) {
  char buf[64];
  switch (v.vt) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_I2: std::snprintf(buf, sizeof buf, "VT_I2 %d", v.iVal); return buf;
    case VT_I4: std::snprintf(buf, sizeof buf, "VT_I4 %ld", static_cast<long>(v.lVal)); return buf;
    case VT_UI4: std::snprintf(buf, sizeof buf, "VT_UI4 %lu", static_cast<unsigned long>(v.ulVal)); return buf;
    case VT_R8: std::snprintf(buf, sizeof buf, "VT_R8 %g", v.dblVal); return buf;
    case VT_BOOL: return v.boolVal ? "VT_BOOL True" : "VT_BOOL False";
    case VT_BSTR: return "VT_BSTR \"" + Utf8(v.bstrVal) + "\"";
    case VT_DISPATCH: return v.pdispVal ? "VT_DISPATCH <object>" : "VT_DISPATCH Nothing";
    default: std::snprintf(buf, sizeof buf, "vartype %u", v.vt); return buf;
  }
}

CallResult Invoke(IDispatch* d, DISPID id, WORD flags, const std::vector<Variant>& args) {
  CallResult r;
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->v);  // shallow: args own them
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS dp = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    dp.rgdispidNamedArgs = &named;
    dp.cNamedArgs = 1;
  }
  EXCEPINFO excep = {};
  UINT argErr = 0;
  r.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &r.result.v, &excep, &argErr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return r;
}

CallResult Call(IDispatch* d, DISPID id, const std::vector<Variant>& args) {
  return Invoke(d, id, DISPATCH_METHOD, args);
}

std::string Text(const CallResult& r) { return r.result.v.vt == VT_BSTR ? Utf8(r.result.v.bstrVal) : std::string(); }
bool IsTrue(const CallResult& r) { return r.result.v.vt == VT_BOOL && r.result.v.boolVal != VARIANT_FALSE; }
bool IsFalse(const CallResult& r) { return r.result.v.vt == VT_BOOL && r.result.v.boolVal == VARIANT_FALSE; }

double Number(const CallResult& r) {
  Variant v;
  if (FAILED(VariantChangeType(&v.v, const_cast<VARIANT*>(&r.result.v), 0, VT_R8))) return NAN;
  return v.v.dblVal;
}

DISPID IdOf(IDispatch* d, const std::string& name) {
  std::wstring w = Wide(name);
  LPOLESTR names[] = {w.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
  return id;
}

namespace {
CallResult ByName(IDispatch* d, const std::string& name, WORD flags, const std::vector<Variant>& args) {
  DISPID id = IdOf(d, name);
  if (id != DISPID_UNKNOWN) return Invoke(d, id, flags, args);
  CallResult r;
  r.hr = DISP_E_UNKNOWNNAME;
  return r;
}
}  // namespace

CallResult CallByName(IDispatch* d, const std::string& name, const std::vector<Variant>& args) {
  return ByName(d, name, DISPATCH_METHOD, args);
}

CallResult GetByName(IDispatch* d, const std::string& name) { return ByName(d, name, DISPATCH_PROPERTYGET, {}); }

CallResult PutByName(IDispatch* d, const std::string& name, const Variant& value, WORD flags) {
  return ByName(d, name, flags, {value});
}

namespace {
// The object's default event interface as its type library describes it, and its IID.
Ptr<ITypeInfo> EventInfo(IDispatch* object, IID* iid) {
  Ptr<IProvideClassInfo2> info;
  Ptr<ITypeInfo> coclass, events;
  object->QueryInterface(IID_IProvideClassInfo2, info.OutVoid());
  if (!info || FAILED(info->GetClassInfo(coclass.Out()))) return events;
  if (iid) info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, iid);
  UINT count = 0;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(coclass->GetTypeAttr(&attr))) {
    count = attr->cImplTypes;
    coclass->ReleaseTypeAttr(attr);
  }
  for (UINT i = 0; i < count && !events; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    coclass->GetImplTypeFlags(i, &flags);
    if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) &&
        SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)))
      coclass->GetRefTypeInfo(ref, events.Out());
  }
  return events;
}
}  // namespace

std::string MemberName(ITypeInfo* info, DISPID id) {
  BSTR name = nullptr;
  if (!info || FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) return "member" + std::to_string(id);
  std::string out = Utf8(name);
  SysFreeString(name);
  return out;
}

Ptr<IDispatch> Create(const wchar_t* progid, HRESULT* phr) {
  Ptr<IDispatch> out;
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progid, &clsid);
  if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, out.OutVoid());
  if (phr) *phr = hr;
  return out;
}

EventLog::EventLog(IDispatch* source, std::vector<std::string>* log)
    : m_names(EventInfo(source, &iid)), m_log(log) {
  Ptr<IConnectionPointContainer> points;
  source->QueryInterface(IID_IConnectionPointContainer, points.OutVoid());
  if (points) points->FindConnectionPoint(iid, point.Out());
}

HRESULT EventLog::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = riid == IID_IUnknown || riid == IID_IDispatch || riid == iid ? static_cast<IDispatch*>(this) : nullptr;
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT EventLog::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp, VARIANT*, EXCEPINFO*, UINT*) {
  std::string entry;
  if (riid != IID_NULL) entry += "(riid not IID_NULL)";
  if (!(flags & DISPATCH_METHOD)) entry += "(not a method call)";
  entry += MemberName(m_names.Get(), id) + "(";
  const UINT n = dp ? dp->cArgs : 0;
  for (UINT i = 0; i < n; ++i) {
    const VARIANT& a = dp->rgvarg[n - 1 - i];  // last argument first
    entry += (i ? ", " : "") + (a.vt == VT_BSTR ? Utf8(a.bstrVal) : Show(a));
  }
  m_log->push_back(entry + ")");
  return S_OK;
}

std::wstring DataDir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"QARN_TEST_DATA_DIR", buf, MAX_PATH);
  std::wstring dir;
  if (n > 0 && n < MAX_PATH) {
    dir.assign(buf, n);
  } else {
    // The build records its source folder as a Unix path; the runtime shows / as Z:.
    std::wstring unix_path = Wide(QARN_SOURCE_DATA_DIR);
    dir = L"Z:" + unix_path;
  }
  for (wchar_t& c : dir)
    if (c == L'/') c = L'\\';
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir;
}

bool ReadFile(const std::wstring& path, std::vector<BYTE>* out) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  out->clear();
  BYTE buf[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ::ReadFile(h, buf, sizeof buf, &got, nullptr) != FALSE) && got > 0)
    out->insert(out->end(), buf, buf + got);
  CloseHandle(h);
  return ok;
}

bool WriteFile(const std::wstring& path, const std::vector<BYTE>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(h);
  return ok;
}

bool WantFixturesWritten() { return GetEnvironmentVariableW(L"QARN_WRITE_FIXTURES", nullptr, 0) > 0; }

std::wstring BuildFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  folder = folder.substr(0, folder.find_last_of(L"\\/"));
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

}  // namespace client
