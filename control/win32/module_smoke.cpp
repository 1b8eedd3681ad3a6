// Loads QARNEDIT.OCX the way a container does (exports only) and checks what a
// container relies on. Usage: qarnedit_module_smoke [path\to\QARNEDIT.OCX] [--register]
// --register also registers, checks and unregisters the module (writes HKEY_CLASSES_ROOT).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "control/qarnedit_guids.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(const char* what, const std::string& expected, const std::string& actual) {
  if (expected == actual) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED %s: expected \"%s\", got \"%s\"\n", what, expected.c_str(), actual.c_str());
  }
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text);
  return out;
}

std::string GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return Narrow(text);
}

typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* SimpleProc)();

struct Module {
  HMODULE handle = nullptr;
  SimpleProc canUnloadNow = nullptr;
  GetClassObjectProc getClassObject = nullptr;
  SimpleProc registerServer = nullptr;
  SimpleProc unregisterServer = nullptr;
};

void CheckExports(Module& m) {
  static const char* const kNames[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                       "DllUnregisterServer"};
  for (int ordinal = 1; ordinal <= 4; ++ordinal) {
    FARPROC byName = GetProcAddress(m.handle, kNames[ordinal - 1]);
    FARPROC byOrdinal = GetProcAddress(m.handle, MAKEINTRESOURCEA(ordinal));
    Check((std::string("export ") + kNames[ordinal - 1] + " has ordinal " + std::to_string(ordinal)).c_str(), "yes",
          byName && byName == byOrdinal ? "yes" : "no");
  }
  m.canUnloadNow = reinterpret_cast<SimpleProc>(reinterpret_cast<void*>(GetProcAddress(m.handle, kNames[0])));
  m.getClassObject =
      reinterpret_cast<GetClassObjectProc>(reinterpret_cast<void*>(GetProcAddress(m.handle, kNames[1])));
  m.registerServer = reinterpret_cast<SimpleProc>(reinterpret_cast<void*>(GetProcAddress(m.handle, kNames[2])));
  m.unregisterServer = reinterpret_cast<SimpleProc>(reinterpret_cast<void*>(GetProcAddress(m.handle, kNames[3])));
}

template <class I>
I* Create(Module& m, REFCLSID clsid, REFIID iid, const char* what) {
  IClassFactory* factory = nullptr;
  HRESULT hr = m.getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  Check((std::string(what) + ": class object").c_str(), Hex(S_OK), Hex(hr));
  if (FAILED(hr)) return nullptr;
  I* object = nullptr;
  hr = factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
  factory->Release();
  Check((std::string(what) + ": create").c_str(), Hex(S_OK), Hex(hr));
  return SUCCEEDED(hr) ? object : nullptr;
}

void CheckControlInterfaces(IUnknown* ctl) {
  struct Row {
    const char* name;
    const IID* iid;
  };
  const Row rows[] = {
      {"IDispatch", &IID_IDispatch},
      {"_DQarnedit", &IID_DQarnedit},
      {"IConnectionPointContainer", &IID_IConnectionPointContainer},
      {"IPersistStreamInit", &IID_IPersistStreamInit},
      {"IPersistPropertyBag", &IID_IPersistPropertyBag},
      {"IOleObject", &IID_IOleObject},
      {"IOleControl", &IID_IOleControl},
      {"IOleInPlaceObject", &IID_IOleInPlaceObject},
      {"IOleInPlaceActiveObject", &IID_IOleInPlaceActiveObject},
      {"IViewObject2", &IID_IViewObject2},
      {"IProvideClassInfo2", &IID_IProvideClassInfo2},
      {"ISpecifyPropertyPages", &IID_ISpecifyPropertyPages},
  };
  for (const Row& row : rows) {
    IUnknown* p = nullptr;
    HRESULT hr = ctl->QueryInterface(*row.iid, reinterpret_cast<void**>(&p));
    Check((std::string("control answers ") + row.name).c_str(), Hex(S_OK), Hex(hr));
    if (p) p->Release();
  }
}

void CheckOleObject(IUnknown* ctl) {
  IOleObject* ole = nullptr;
  if (FAILED(ctl->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)))) return;
  DWORD status = 0;
  ole->GetMiscStatus(DVASPECT_CONTENT, &status);
  Check("misc status", Hex(0x20191), Hex(static_cast<HRESULT>(status)));
  LPOLESTR userType = nullptr;
  ole->GetUserType(USERCLASSTYPE_FULL, &userType);
  Check("user type name", "Qarnedit Control", Narrow(userType));
  CoTaskMemFree(userType);
  SIZEL size = {5080, 2540}, back = {0, 0};
  ole->SetExtent(DVASPECT_CONTENT, &size);
  ole->GetExtent(DVASPECT_CONTENT, &back);
  Check("extent set and read back", "5080x2540", std::to_string(back.cx) + "x" + std::to_string(back.cy));
  ole->Release();
}

void CheckPages(Module& m, IUnknown* ctl) {
  ISpecifyPropertyPages* spp = nullptr;
  if (FAILED(ctl->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&spp)))) return;
  CAUUID pages = {0, nullptr};
  spp->GetPages(&pages);
  spp->Release();
  Check("property page count", "2", std::to_string(pages.cElems));
  if (pages.cElems == 2) {
    Check("first property page", GuidText(CLSID_QarneditPropPage), GuidText(pages.pElems[0]));
    Check("second property page", GuidText(CLSID_QarneditPropPage2), GuidText(pages.pElems[1]));
  }
  CoTaskMemFree(pages.pElems);

  struct Row {
    const CLSID* clsid;
    const char* title;
  };
  for (const Row& row : {Row{&CLSID_QarneditPropPage, "Messages"}, Row{&CLSID_QarneditPropPage2, "Polyline menu"}}) {
    IPropertyPage* page = Create<IPropertyPage>(m, *row.clsid, IID_IPropertyPage, row.title);
    if (!page) continue;
    PROPPAGEINFO info = {};
    info.cb = sizeof info;
    HRESULT hr = page->GetPageInfo(&info);
    Check("page info", Hex(S_OK), Hex(hr));
    Check("page title", row.title, Narrow(info.pszTitle));
    Check("page has a size", "yes", info.size.cx > 0 && info.size.cy > 0 ? "yes" : "no");
    CoTaskMemFree(info.pszTitle);
    page->Release();
  }
}

void CheckStream(IUnknown* ctl) {
  IPersistStreamInit* persist = nullptr;
  if (FAILED(ctl->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) return;
  Check("InitNew", Hex(S_OK), Hex(persist->InitNew()));
  Check("not dirty after InitNew", Hex(S_FALSE), Hex(persist->IsDirty()));
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  ULARGE_INTEGER sizeMax = {};
  persist->GetSizeMax(&sizeMax);
  Check("Save", Hex(S_OK), Hex(persist->Save(stream, TRUE)));
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER end = {};
  stream->Seek(zero, STREAM_SEEK_CUR, &end);
  Check("GetSizeMax equals the saved size", std::to_string(end.QuadPart), std::to_string(sizeMax.QuadPart));
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  Check("Load of the saved stream", Hex(S_OK), Hex(persist->Load(stream)));
  ULARGE_INTEGER after = {};
  stream->Seek(zero, STREAM_SEEK_CUR, &after);
  Check("Load reads exactly what Save wrote", std::to_string(end.QuadPart), std::to_string(after.QuadPart));
  stream->Release();
  persist->Release();
}

void CheckClassInfo(IUnknown* ctl) {
  IProvideClassInfo2* info = nullptr;
  if (FAILED(ctl->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)))) return;
  GUID events = GUID_NULL;
  HRESULT hr = info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events);
  Check("default source interface", GuidText(IID_DQarneditEvents), SUCCEEDED(hr) ? GuidText(events) : Hex(hr));
  info->Release();
}

std::string ReadValue(const std::wstring& key) {
  wchar_t data[512] = {};
  LONG size = sizeof data;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), data, &size) != ERROR_SUCCESS) return "<missing>";
  return Narrow(data);
}

void CheckRegistration(Module& m) {
  const std::string clsid = GuidText(CLSID_Qarnedit);
  const std::wstring clsidKey = L"CLSID\\" + std::wstring(clsid.begin(), clsid.end());
  Check("DllRegisterServer", Hex(S_OK), Hex(m.registerServer()));
  Check("DllRegisterServer again", Hex(S_OK), Hex(m.registerServer()));
  struct Row {
    std::wstring key;
    std::string value;
  };
  const Row rows[] = {
      {clsidKey, "Qarnedit Control"},
      {clsidKey + L"\\ProgID", "QARNEDIT.QarneditCtrl.1"},
      {clsidKey + L"\\MiscStatus", "0"},
      {clsidKey + L"\\MiscStatus\\1", "131473"},
      {clsidKey + L"\\TypeLib", GuidText(LIBID_QARNEDITLib)},
      {clsidKey + L"\\Version", "1.0"},
      {L"QARNEDIT.QarneditCtrl.1\\CLSID", GuidText(CLSID_Qarnedit)},
  };
  for (const Row& row : rows) Check(("registry " + Narrow(row.key.c_str())).c_str(), row.value, ReadValue(row.key));
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_QARNEDITLib, 1, 0, 0x409, &lib);
  Check("registered type library loads", Hex(S_OK), Hex(hr));
  if (lib) lib->Release();
  Check("DllUnregisterServer", Hex(S_OK), Hex(m.unregisterServer()));
  for (const Row& row : rows) Check(("removed " + Narrow(row.key.c_str())).c_str(), "<missing>", ReadValue(row.key));
  Check("DllUnregisterServer when not registered", Hex(SELFREG_E_TYPELIB), Hex(m.unregisterServer()));
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = "QARNEDIT.OCX";
  bool doRegister = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--register") == 0)
      doRegister = true;
    else
      path = argv[i];
  }
  OleInitialize(nullptr);
  Module m;
  m.handle = LoadLibraryA(path);
  Check("module loads", "yes", m.handle ? "yes" : "no");
  if (m.handle) {
    CheckExports(m);
    if (m.getClassObject && m.canUnloadNow) {
      Check("unloadable before use", Hex(S_OK), Hex(m.canUnloadNow()));
      IUnknown* ctl = Create<IUnknown>(m, CLSID_Qarnedit, IID_IUnknown, "control");
      if (ctl) {
        CheckControlInterfaces(ctl);
        CheckOleObject(ctl);
        CheckPages(m, ctl);
        CheckStream(ctl);
        CheckClassInfo(ctl);
        Check("not unloadable while a control lives", Hex(S_FALSE), Hex(m.canUnloadNow()));
        ctl->Release();
      }
      Check("unloadable after the last release", Hex(S_OK), Hex(m.canUnloadNow()));
    }
    if (doRegister && m.registerServer && m.unregisterServer) CheckRegistration(m);
  }
  OleUninitialize();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed ? 1 : 0;
}
