// A small COM client toolkit for the control tests: owning pointers and variants, text
// conversion, late-bound calls through IDispatch::Invoke, and where the data files are.
// It uses nothing of the module's own code: the module is reached only through COM.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <utility>
#include <vector>

namespace client {

template <class T>
class Ptr {
 public:
  Ptr() = default;
  explicit Ptr(T* p) : m_p(p) {}  // takes over a reference
  Ptr(const Ptr& o) : m_p(o.m_p) {
    if (m_p) m_p->AddRef();
  }
  Ptr(Ptr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
  Ptr& operator=(Ptr o) {
    std::swap(m_p, o.m_p);
    return *this;
  }
  ~Ptr() { Reset(); }
  void Reset() {
    if (m_p) std::exchange(m_p, nullptr)->Release();
  }
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  T** Out() {
    Reset();
    return &m_p;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  template <class U>
  Ptr<U> As(REFIID iid) const {
    Ptr<U> out;
    if (m_p) m_p->QueryInterface(iid, out.OutVoid());
    return out;
  }

 private:
  T* m_p = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v); }
  Variant(const Variant& o) {
    VariantInit(&v);
    VariantCopy(&v, const_cast<VARIANT*>(&o.v));
  }
  Variant& operator=(const Variant& o) {
    if (this != &o) VariantCopy(&v, const_cast<VARIANT*>(&o.v));
    return *this;
  }
  ~Variant() { VariantClear(&v); }
  static Variant I2(short x);
  static Variant I4(LONG x);
  static Variant R8(double x);
  static Variant Bool(bool x);
  static Variant Str(const std::string& utf8);
  static Variant Disp(IDispatch* p);  // adds a reference of its own

  VARIANT v;
};

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* text, size_t n);
std::string Utf8(BSTR b);
std::string Hr(HRESULT hr);  // "0x80020003 (DISP_E_MEMBERNOTFOUND)" for the usual codes
std::string Show(const VARIANT& v);  // "VT_I4 255", "VT_BSTR \"x\"", ...

// One Invoke with the arguments in their natural order (the call reverses them).
struct CallResult {
  HRESULT hr = E_FAIL;
  Variant result;
};
CallResult Invoke(IDispatch* d, DISPID id, WORD flags, const std::vector<Variant>& args = {});
CallResult Call(IDispatch* d, DISPID id, const std::vector<Variant>& args = {});

// A result as text (a BSTR's, else ""), as VT_BOOL true or false, as a number (NAN
// when it converts to none).
std::string Text(const CallResult& r);
bool IsTrue(const CallResult& r);
bool IsFalse(const CallResult& r);
double Number(const CallResult& r);

// By name, as a script host binds.
DISPID IdOf(IDispatch* d, const std::string& name);
CallResult CallByName(IDispatch* d, const std::string& name, const std::vector<Variant>& args = {});
CallResult GetByName(IDispatch* d, const std::string& name);
CallResult PutByName(IDispatch* d, const std::string& name, const Variant& value,
                     WORD flags = DISPATCH_PROPERTYPUT);

// A member's name as a type library describes it, so no test keeps a copy of the DISPIDs.
std::string MemberName(ITypeInfo* info, DISPID id);

Ptr<IDispatch> Create(const wchar_t* progid, HRESULT* phr = nullptr);

// An event sink as a container builds one: IDispatch only, answering the event IID too.
// Each event goes to *log as "Name(arg, ...)", named by the source's default event
// interface; a call that is not a method call with IID_NULL says so in the line.
class EventLog : public IDispatch {
 public:
  EventLog(IDispatch* source, std::vector<std::string>* log);
  IID iid = IID_NULL;  // of the source's event interface
  Ptr<IConnectionPoint> point;  // the source's, found for iid
  DWORD cookie = 0;
  ULONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  Ptr<ITypeInfo> m_names;
  std::vector<std::string>* m_log;
};

// Folder of the committed test data, with a trailing backslash: QARN_TEST_DATA_DIR,
// else the source folder this program was built from (seen through drive Z:).
std::wstring DataDir();
bool ReadFile(const std::wstring& path, std::vector<BYTE>* out);
bool WriteFile(const std::wstring& path, const std::vector<BYTE>& bytes);
bool WantFixturesWritten();  // QARN_WRITE_FIXTURES is set
// The build folder, with a trailing backslash: the test programs run from its bin folder.
std::wstring BuildFolder();

}  // namespace client
