#include "typelib_listing.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <memory>

namespace typelib {
namespace {

std::string Narrow(const wchar_t* w) {
  if (!w) return "";
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

std::string HexNumber(unsigned long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%lx", v);
  return buf;
}

std::string GuidText(const GUID& g) {
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return Narrow(buf);
}

// Releases COM objects and frees descriptors when a listing step returns early.
struct TypeAttr {
  ITypeInfo* info;
  TYPEATTR* attr = nullptr;
  explicit TypeAttr(ITypeInfo* i) : info(i) { info->GetTypeAttr(&attr); }
  ~TypeAttr() {
    if (attr) info->ReleaseTypeAttr(attr);
  }
};

std::string VtName(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: return "empty";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_R4: return "float";
    case VT_R8: return "double";
    case VT_CY: return "currency";
    case VT_DATE: return "date";
    case VT_BSTR: return "BSTR";
    case VT_DISPATCH: return "IDispatch*";
    case VT_ERROR: return "SCODE";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_I1: return "char";
    case VT_UI1: return "byte";
    case VT_UI2: return "ushort";
    case VT_UI4: return "ulong";
    case VT_I8: return "int64";
    case VT_UI8: return "uint64";
    case VT_INT: return "int";
    case VT_UINT: return "uint";
    case VT_VOID: return "void";
    case VT_HRESULT: return "HRESULT";
    case VT_LPSTR: return "LPSTR";
    case VT_LPWSTR: return "LPWSTR";
    default: return "vt" + std::to_string(vt);
  }
}

std::string TypeText(ITypeInfo* context, const TYPEDESC& t) {
  switch (t.vt) {
    case VT_PTR: return TypeText(context, *t.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeText(context, *t.lptdesc) + ")";
    case VT_CARRAY: return "array(" + TypeText(context, t.lpadesc->tdescElem) + ")";
    case VT_USERDEFINED: {
      ITypeInfo* ref = nullptr;
      std::string name = "userdefined";
      if (SUCCEEDED(context->GetRefTypeInfo(t.hreftype, &ref)) && ref) {
        BSTR n = nullptr;
        if (SUCCEEDED(ref->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr))) name = Narrow(n);
        SysFreeString(n);
        ref->Release();
      }
      return name;
    }
    default: return VtName(t.vt);
  }
}

std::string InvokeKindText(INVOKEKIND k) {
  switch (k) {
    case INVOKE_FUNC: return "method";
    case INVOKE_PROPERTYGET: return "propget";
    case INVOKE_PROPERTYPUT: return "propput";
    case INVOKE_PROPERTYPUTREF: return "propputref";
  }
  return "invoke" + std::to_string(static_cast<int>(k));
}

std::string TypeKindText(TYPEKIND k) {
  switch (k) {
    case TKIND_ENUM: return "enum";
    case TKIND_RECORD: return "record";
    case TKIND_MODULE: return "module";
    case TKIND_INTERFACE: return "interface";
    case TKIND_DISPATCH: return "dispinterface";
    case TKIND_COCLASS: return "coclass";
    case TKIND_ALIAS: return "alias";
    case TKIND_UNION: return "union";
    default: return "kind" + std::to_string(static_cast<int>(k));
  }
}

std::string SysKindText(SYSKIND k) {
  switch (k) {
    case SYS_WIN16: return "win16";
    case SYS_WIN32: return "win32";
    case SYS_MAC: return "mac";
    case SYS_WIN64: return "win64";
  }
  return "syskind" + std::to_string(static_cast<int>(k));
}

void ListFunctions(ITypeInfo* info, const TYPEATTR& attr, std::vector<std::string>* lines) {
  for (UINT i = 0; i < attr.cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(i, &f)) || !f) {
      lines->push_back("  func #" + std::to_string(i) + " unreadable");
      continue;
    }
    BSTR names[64] = {};
    UINT got = 0;
    info->GetNames(f->memid, names, 64, &got);
    std::string line = "  func " + Narrow(names[0]) + " memid=" + HexNumber(static_cast<unsigned long>(f->memid)) +
                       " " + InvokeKindText(f->invkind) + " funckind=" + std::to_string(f->funckind) +
                       " flags=" + HexNumber(f->wFuncFlags) + " returns=" + TypeText(info, f->elemdescFunc.tdesc) +
                       " optional=" + std::to_string(f->cParamsOpt) + " (";
    for (SHORT p = 0; p < f->cParams; ++p) {
      if (p) line += ", ";
      const ELEMDESC& e = f->lprgelemdescParam[p];
      std::string pname = static_cast<UINT>(p + 1) < got ? Narrow(names[p + 1]) : "";
      line += TypeText(info, e.tdesc) + " " + (pname.empty() ? "<unnamed>" : pname) +
              " pflags=" + HexNumber(e.paramdesc.wParamFlags);
    }
    line += ")";
    lines->push_back(line);
    lines->push_back("#   func " + Narrow(names[0]) + " oVft=" + std::to_string(f->oVft) +
                     " callconv=" + std::to_string(f->callconv));
    for (UINT n = 0; n < got && n < 64; ++n) SysFreeString(names[n]);
    info->ReleaseFuncDesc(f);
  }
}

void ListVariables(ITypeInfo* info, const TYPEATTR& attr, std::vector<std::string>* lines) {
  for (UINT i = 0; i < attr.cVars; ++i) {
    VARDESC* v = nullptr;
    if (FAILED(info->GetVarDesc(i, &v)) || !v) {
      lines->push_back("  var #" + std::to_string(i) + " unreadable");
      continue;
    }
    BSTR name = nullptr;
    UINT got = 0;
    info->GetNames(v->memid, &name, 1, &got);
    std::string line = "  var " + Narrow(name) + " memid=" + HexNumber(static_cast<unsigned long>(v->memid)) +
                       " varkind=" + std::to_string(v->varkind) + " flags=" + HexNumber(v->wVarFlags) +
                       " type=" + TypeText(info, v->elemdescVar.tdesc);
    if (v->varkind == VAR_CONST && v->lpvarValue) {
      VARIANT text;
      VariantInit(&text);
      if (SUCCEEDED(VariantChangeType(&text, v->lpvarValue, 0, VT_BSTR))) line += " value=" + Narrow(text.bstrVal);
      VariantClear(&text);
    }
    lines->push_back(line);
    if (got) SysFreeString(name);
    info->ReleaseVarDesc(v);
  }
}

void ListImplementedTypes(ITypeInfo* info, const TYPEATTR& attr, std::vector<std::string>* lines) {
  for (UINT i = 0; i < attr.cImplTypes; ++i) {
    HREFTYPE href = 0;
    INT flags = 0;
    info->GetImplTypeFlags(i, &flags);
    std::string name = "?";
    ITypeInfo* ref = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &href)) && SUCCEEDED(info->GetRefTypeInfo(href, &ref)) && ref) {
      BSTR n = nullptr;
      if (SUCCEEDED(ref->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr))) name = Narrow(n);
      SysFreeString(n);
      ref->Release();
    }
    lines->push_back("  implements " + name + " implflags=" + HexNumber(static_cast<unsigned long>(flags)));
  }
}

}  // namespace

bool ListTypeLibrary(const std::wstring& path, std::vector<std::string>* lines, std::string* error) {
  lines->clear();
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr) || !lib) {
    *error = "LoadTypeLibEx failed with " + HexNumber(static_cast<unsigned long>(hr));
    return false;
  }
  TLIBATTR* la = nullptr;
  if (SUCCEEDED(lib->GetLibAttr(&la)) && la) {
    BSTR name = nullptr, doc = nullptr;
    lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    lines->push_back("library " + Narrow(name) + " " + GuidText(la->guid) + " version=" +
                     std::to_string(la->wMajorVerNum) + "." + std::to_string(la->wMinorVerNum) +
                     " lcid=" + std::to_string(la->lcid) + " flags=" + HexNumber(la->wLibFlags) +
                     " help=\"" + Narrow(doc) + "\"");
    lines->push_back("# syskind=" + SysKindText(la->syskind));
    SysFreeString(name);
    SysFreeString(doc);
    lib->ReleaseTLibAttr(la);
  }
  UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    ITypeInfo* info = nullptr;
    if (FAILED(lib->GetTypeInfo(i, &info)) || !info) {
      lines->push_back("type #" + std::to_string(i) + " unreadable");
      continue;
    }
    TypeAttr ta(info);
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
    if (ta.attr) {
      const TYPEATTR& a = *ta.attr;
      lines->push_back("type " + Narrow(name) + " " + TypeKindText(a.typekind) + " " + GuidText(a.guid) +
                       " flags=" + HexNumber(a.wTypeFlags) + " funcs=" + std::to_string(a.cFuncs) +
                       " vars=" + std::to_string(a.cVars) + " impls=" + std::to_string(a.cImplTypes) +
                       " version=" + std::to_string(a.wMajorVerNum) + "." + std::to_string(a.wMinorVerNum) +
                       " help=\"" + Narrow(doc) + "\"");
      lines->push_back("#   size=" + std::to_string(a.cbSizeInstance) + " vft=" + std::to_string(a.cbSizeVft) +
                       " align=" + std::to_string(a.cbAlignment));
      ListFunctions(info, a, lines);
      ListVariables(info, a, lines);
      ListImplementedTypes(info, a, lines);
    } else {
      lines->push_back("type " + Narrow(name) + " without attributes");
    }
    SysFreeString(name);
    SysFreeString(doc);
    info->Release();
  }
  lib->Release();
  return true;
}

std::vector<std::string> ComparableLines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.empty() || l[0] != '#') out.push_back(l);
  return out;
}

}  // namespace typelib
