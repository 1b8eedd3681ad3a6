// The registered type library is what early-binding containers compile against and
// what property browsers show; the control's own name binding must agree with it.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "com_client.h"
#include "control_ids.h"

using client::Ptr;

namespace {

std::string Doc(ITypeInfo* ti, MEMBERID id, std::string* help = nullptr) {
  BSTR name = nullptr, doc = nullptr;
  if (FAILED(ti->GetDocumentation(id, &name, &doc, nullptr, nullptr))) return "<no documentation>";
  std::string out = client::Utf8(name);
  if (help) *help = client::Utf8(doc);
  SysFreeString(name);
  SysFreeString(doc);
  return out;
}

// A type as the IDL spells it.
std::string TypeName(ITypeInfo* ti, const TYPEDESC& td) {
  switch (td.vt) {
    case VT_VOID: return "void";
    case VT_HRESULT: return "HRESULT";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_UI4: return "unsigned long";
    case VT_R8: return "double";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_DISPATCH: return "IDispatch*";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_PTR: return TypeName(ti, *td.lptdesc) + "*";
    case VT_USERDEFINED: {
      Ptr<ITypeInfo> ref;
      if (FAILED(ti->GetRefTypeInfo(td.hreftype, ref.Out()))) return "<unresolved>";
      return Doc(ref.Get(), MEMBERID_NIL);
    }
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "vt%u", td.vt);
      return buf;
    }
  }
}

std::string Flags(unsigned flags) {
  if (!flags) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, " flags=0x%x", flags);
  return buf;
}

// One line per member: "<kind> <dispid> <name>(<type> <param>, ...) -> <type> [flags=0x..]".
std::vector<std::string> Members(ITypeInfo* ti) {
  std::vector<std::string> lines;
  TYPEATTR* attr = nullptr;
  if (FAILED(ti->GetTypeAttr(&attr))) return lines;
  for (UINT i = 0; i < attr->cVars; ++i) {
    VARDESC* vd = nullptr;
    if (FAILED(ti->GetVarDesc(i, &vd))) continue;
    lines.push_back("property " + std::to_string(vd->memid) + " " + Doc(ti, vd->memid) + " : " +
                    TypeName(ti, vd->elemdescVar.tdesc) + Flags(vd->wVarFlags));
    ti->ReleaseVarDesc(vd);
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    BSTR names[16] = {};
    UINT count = 0;
    ti->GetNames(fd->memid, names, 16, &count);
    const char* kind = fd->invkind == INVOKE_PROPERTYGET     ? "get"
                       : fd->invkind == INVOKE_PROPERTYPUT    ? "put"
                       : fd->invkind == INVOKE_PROPERTYPUTREF ? "putref"
                                                              : "method";
    std::string line = std::string(kind) + " " + std::to_string(fd->memid) + " " + client::Utf8(names[0]) + "(";
    for (SHORT p = 0; p < fd->cParams; ++p) {
      if (p) line += ", ";
      line += TypeName(ti, fd->lprgelemdescParam[p].tdesc) + " ";
      // Names are looked up by function, so a get and a put share the put's names.
      line += static_cast<UINT>(p + 1) < count ? client::Utf8(names[p + 1]) : std::string("<unnamed>");
    }
    line += ") -> " + TypeName(ti, fd->elemdescFunc.tdesc) + Flags(fd->wFuncFlags);
    if (fd->funckind != FUNC_DISPATCH) line += " (not FUNC_DISPATCH)";
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    lines.push_back(line);
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(attr);
  return lines;
}

// Compares as sets, naming every missing and every unexpected line.
void ExpectSameLines(const std::vector<std::string>& expected, const std::vector<std::string>& got,
                     const char* what) {
  std::multiset<std::string> want(expected.begin(), expected.end()), have(got.begin(), got.end());
  for (const std::string& line : want)
    EXPECT_TRUE(have.count(line) > 0) << what << ": expected member \"" << line << "\" is missing";
  for (const std::string& line : have)
    EXPECT_TRUE(want.count(line) > 0) << what << ": unexpected member \"" << line << "\"";
}

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    HRESULT hr = LoadRegTypeLib(qarn::kLibId, 1, 0, 0x409, lib.Out());
    ASSERT_EQ(hr, S_OK) << "LoadRegTypeLib of the registered library: got " << client::Hr(hr);
  }

  Ptr<ITypeInfo> Find(const char* name, TYPEKIND expectedKind) {
    Ptr<ITypeInfo> found;
    UINT n = lib->GetTypeInfoCount();
    for (UINT i = 0; i < n; ++i) {
      Ptr<ITypeInfo> ti;
      if (FAILED(lib->GetTypeInfo(i, ti.Out()))) continue;
      if (Doc(ti.Get(), MEMBERID_NIL) != name) continue;
      TYPEKIND kind;
      lib->GetTypeInfoType(i, &kind);
      EXPECT_EQ(kind, expectedKind) << name << ": wrong kind of type";
      found = ti;
    }
    EXPECT_TRUE(found) << "the library has no type named " << name;
    return found;
  }

  static GUID GuidOf(ITypeInfo* ti) {
    TYPEATTR* attr = nullptr;
    GUID g = GUID_NULL;
    if (SUCCEEDED(ti->GetTypeAttr(&attr))) {
      g = attr->guid;
      ti->ReleaseTypeAttr(attr);
    }
    return g;
  }

  static WORD TypeFlags(ITypeInfo* ti) {
    TYPEATTR* attr = nullptr;
    WORD f = 0;
    if (SUCCEEDED(ti->GetTypeAttr(&attr))) {
      f = attr->wTypeFlags;
      ti->ReleaseTypeAttr(attr);
    }
    return f;
  }

  Ptr<ITypeLib> lib;
};

TEST_F(TypeLibrary, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->lcid, 0x409u);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_TRUE(attr->wLibFlags & LIBFLAG_FCONTROL) << "library flags 0x" << std::hex << attr->wLibFlags;
  EXPECT_TRUE(IsEqualGUID(attr->guid, qarn::kLibId));
  lib->ReleaseTLibAttr(attr);

  BSTR name = nullptr, help = nullptr, file = nullptr;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, &help, nullptr, &file), S_OK);
  EXPECT_EQ(client::Utf8(name), "QARNEDITLib");
  EXPECT_EQ(client::Utf8(help), "Qarnedit ActiveX Control module");
  std::string f = client::Utf8(file);
  EXPECT_TRUE(f.size() >= 12 && f.compare(f.size() - 12, 12, "qarnedit.hlp") == 0)
      << "help file: expected a path ending in qarnedit.hlp, got \"" << f << "\"";
  SysFreeString(name);
  SysFreeString(help);
  SysFreeString(file);
}

TEST_F(TypeLibrary, DispatchInterfaceMembers) {
  Ptr<ITypeInfo> ti = Find("_DQarnedit", TKIND_DISPATCH);
  ASSERT_TRUE(ti);
  std::string help;
  Doc(ti.Get(), MEMBERID_NIL, &help);
  EXPECT_EQ(help, "Dispatch interface for Qarnedit Control");
  WORD flags = TypeFlags(ti.Get());
  EXPECT_TRUE(flags & TYPEFLAG_FHIDDEN) << "_DQarnedit type flags 0x" << std::hex << flags;
  EXPECT_TRUE(flags & TYPEFLAG_FDISPATCHABLE) << "_DQarnedit type flags 0x" << std::hex << flags;
  const GUID dispIid = {0xf10903ef, 0x9532, 0x4d5c, {0x81, 0x23, 0x70, 0x63, 0xe4, 0x0d, 0xac, 0x4f}};
  EXPECT_TRUE(IsEqualGUID(GuidOf(ti.Get()), dispIid)) << "IID of _DQarnedit";

  const std::vector<std::string> expected = {
      "property 1 penColor : OLE_COLOR",
      "property 2 qarnocx : _DQarnocx*",
      "property 15 NoSnapKey : long",
      "property 16 fillStyle : short",
      "property 17 FormatPolylineParams : BSTR",
      "property 18 FormatPolygonParams : BSTR",
      "property 19 NoPolarKey : short",
      "property -501 BackColor : OLE_COLOR",
      "property -513 ForeColor : OLE_COLOR",
      "property -512 Font : IFontDisp*",
      "property 25 canUndo : VARIANT_BOOL flags=0x1",  // VARFLAG_FREADONLY
      "property 26 canRedo : VARIANT_BOOL flags=0x1",
      "property 27 undoMemoryLimit : long",
      "get 3 stringFile() -> BSTR flags=0x400",
      // GetNames leaves the right side of a property put unnamed.
      "put 3 stringFile(BSTR <unnamed>) -> void flags=0x400",
      "method 4 drawPolyline() -> void",
      "method 5 abortEdit() -> void",
      "method 6 getDrawnNTT() -> long",
      "method 7 editNTT(long MemNTT) -> VARIANT_BOOL",
      "method 8 drawPolygon() -> void",
      "method 9 canSaveNow() -> VARIANT_BOOL",
      "method 10 saveEdit() -> VARIANT_BOOL",
      "method 11 isEditing() -> VARIANT_BOOL",
      "method 12 drawPoint() -> void",
      "method 13 hiliteNttVertexes(long MemNTT) -> void",
      "method 14 disableBeginEndPolylineEdit() -> void",
      "method 20 Set3DMode(long NewMode) -> void",
      "method 21 setMaxNumberOfRings(long newVal) -> void",
      "method 22 setBasePointQarnEdit(double BaseX, double BaseY, double BaseZ) -> void",
      "method 23 undo() -> VARIANT_BOOL",
      "method 24 redo() -> VARIANT_BOOL",
      "method -552 AboutBox() -> void",
  };
  ExpectSameLines(expected, Members(ti.Get()), "_DQarnedit");

  // The host's interface is imported from the host's own library, not copied into ours.
  VARDESC* vd = nullptr;
  UINT index = 0;
  for (;; ++index) {
    ASSERT_EQ(ti->GetVarDesc(index, &vd), S_OK) << "no property with DISPID 2";
    if (vd->memid == qarn::kQarnocx) break;
    ti->ReleaseVarDesc(vd);
  }
  ASSERT_EQ(vd->elemdescVar.tdesc.vt, VT_PTR);
  ASSERT_EQ(vd->elemdescVar.tdesc.lptdesc->vt, VT_USERDEFINED);
  Ptr<ITypeInfo> hostInfo;
  Ptr<ITypeLib> hostLib;
  UINT hostIndex = 0;
  EXPECT_EQ(ti->GetRefTypeInfo(vd->elemdescVar.tdesc.lptdesc->hreftype, hostInfo.Out()), S_OK);
  ti->ReleaseVarDesc(vd);
  ASSERT_TRUE(hostInfo);
  ASSERT_EQ(hostInfo->GetContainingTypeLib(hostLib.Out(), &hostIndex), S_OK);
  BSTR libName = nullptr;
  hostLib->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr);
  EXPECT_NE(client::Utf8(libName), "QARNEDITLib") << "_DQarnocx is defined in the control's own library";
  SysFreeString(libName);
}

TEST_F(TypeLibrary, EventInterfaceMembers) {
  Ptr<ITypeInfo> ti = Find("_DQarneditEvents", TKIND_DISPATCH);
  ASSERT_TRUE(ti);
  std::string help;
  Doc(ti.Get(), MEMBERID_NIL, &help);
  EXPECT_EQ(help, "Event interface for Qarnedit Control");
  EXPECT_FALSE(TypeFlags(ti.Get()) & TYPEFLAG_FHIDDEN) << "the event interface is not hidden";
  const GUID eventsIid = {0xe6d0fc7c, 0xad47, 0x443c, {0x8c, 0x49, 0xff, 0x6f, 0x08, 0x7e, 0x51, 0xbf}};
  EXPECT_TRUE(IsEqualGUID(GuidOf(ti.Get()), eventsIid)) << "IID of _DQarneditEvents";
  const std::vector<std::string> expected = {
      "method 1 EditDone() -> void",
      "method 2 EditAborted() -> void",
      "method 3 Snap(double* x, double* y) -> void",
      "method 4 CaptionChanged(BSTR newCaption) -> void",
  };
  ExpectSameLines(expected, Members(ti.Get()), "_DQarneditEvents");
}

TEST_F(TypeLibrary, CoclassIsACreatableControlWithItsTwoDefaultInterfaces) {
  Ptr<ITypeInfo> ti = Find("Qarnedit", TKIND_COCLASS);
  ASSERT_TRUE(ti);
  std::string help;
  Doc(ti.Get(), MEMBERID_NIL, &help);
  EXPECT_EQ(help, "Qarnedit Control");
  WORD flags = TypeFlags(ti.Get());
  EXPECT_TRUE(flags & TYPEFLAG_FCONTROL) << "coclass flags 0x" << std::hex << flags;
  EXPECT_TRUE(flags & TYPEFLAG_FCANCREATE) << "coclass flags 0x" << std::hex << flags;

  CLSID registered;
  ASSERT_EQ(CLSIDFromProgID(qarn::kControlProgId, &registered), S_OK);
  EXPECT_TRUE(IsEqualGUID(GuidOf(ti.Get()), registered)) << "the ProgID names another class than the coclass";

  TYPEATTR* attr = nullptr;
  ASSERT_EQ(ti->GetTypeAttr(&attr), S_OK);
  const UINT impls = attr->cImplTypes;
  ti->ReleaseTypeAttr(attr);
  std::map<std::string, int> got;
  for (UINT i = 0; i < impls; ++i) {
    HREFTYPE ref = 0;
    Ptr<ITypeInfo> impl;
    INT implFlags = 0;
    ASSERT_EQ(ti->GetRefTypeOfImplType(i, &ref), S_OK);
    ASSERT_EQ(ti->GetRefTypeInfo(ref, impl.Out()), S_OK);
    ASSERT_EQ(ti->GetImplTypeFlags(i, &implFlags), S_OK);
    got[Doc(impl.Get(), MEMBERID_NIL)] = implFlags;
  }
  const std::map<std::string, int> expected = {
      {"_DQarnedit", IMPLTYPEFLAG_FDEFAULT},
      {"_DQarneditEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
  };
  EXPECT_EQ(got, expected) << "interfaces of the coclass and their flags";
}

// Late binding by name must land on the DISPIDs that early binding compiled in.
TEST_F(TypeLibrary, ControlNameBindingAgreesWithTheLibrary) {
  Ptr<ITypeInfo> ti = Find("_DQarnedit", TKIND_DISPATCH);
  ASSERT_TRUE(ti);
  HRESULT hr;
  Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
  ASSERT_TRUE(ctl) << "CoCreateInstance: " << client::Hr(hr);

  std::map<std::string, MEMBERID> names;
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(ti->GetTypeAttr(&attr), S_OK);
  for (UINT i = 0; i < attr->cVars; ++i) {
    VARDESC* vd = nullptr;
    ASSERT_EQ(ti->GetVarDesc(i, &vd), S_OK);
    names[Doc(ti.Get(), vd->memid)] = vd->memid;
    ti->ReleaseVarDesc(vd);
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(ti->GetFuncDesc(i, &fd), S_OK);
    names[Doc(ti.Get(), fd->memid)] = fd->memid;
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(attr);
  EXPECT_EQ(names.size(), 31u) << "distinct member names in _DQarnedit";

  // Names without regard to case are the framework's (tests/dispatch).
  for (const auto& [name, memid] : names) {
    std::wstring w = client::Wide(name);
    LPOLESTR one[] = {w.data()};
    DISPID id = 12345;
    HRESULT r = ctl->GetIDsOfNames(IID_NULL, one, 1, LOCALE_USER_DEFAULT, &id);
    EXPECT_TRUE(r == S_OK && id == memid) << "GetIDsOfNames(\"" << name << "\"): expected S_OK and DISPID " << memid
                                          << ", got " << client::Hr(r) << " and " << id;
  }
  // Event names belong to the event interface, not to the control's members.
  for (const char* name : {"EditDone", "CaptionChanged", "noSuchMember"}) {
    std::wstring w = client::Wide(name);
    LPOLESTR one[] = {w.data()};
    DISPID id = 0;
    HRESULT r = ctl->GetIDsOfNames(IID_NULL, one, 1, LOCALE_USER_DEFAULT, &id);
    EXPECT_EQ(r, DISP_E_UNKNOWNNAME) << name << ": got " << client::Hr(r) << " and DISPID " << id;
    EXPECT_EQ(id, DISPID_UNKNOWN) << name;
  }
}

TEST_F(TypeLibrary, ControlDescribesItsClassAndEventsThroughIProvideClassInfo2) {
  HRESULT hr;
  Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
  ASSERT_TRUE(ctl) << client::Hr(hr);
  auto info = ctl.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(info) << "the control does not answer IProvideClassInfo2";
  Ptr<ITypeInfo> cls;
  ASSERT_EQ(info->GetClassInfo(cls.Out()), S_OK);
  EXPECT_EQ(Doc(cls.Get(), MEMBERID_NIL), "Qarnedit");
  GUID source = GUID_NULL;
  ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  Ptr<ITypeInfo> events = Find("_DQarneditEvents", TKIND_DISPATCH);
  ASSERT_TRUE(events);
  EXPECT_TRUE(IsEqualGUID(source, GuidOf(events.Get()))) << "default source IID is not _DQarneditEvents";

  // The primary dispinterface's IID reaches the same object.
  Ptr<ITypeInfo> disp = Find("_DQarnedit", TKIND_DISPATCH);
  ASSERT_TRUE(disp);
  Ptr<IUnknown> viaDispIid, viaUnknown;
  EXPECT_EQ(ctl->QueryInterface(GuidOf(disp.Get()), viaDispIid.OutVoid()), S_OK);
  ctl->QueryInterface(IID_IUnknown, viaUnknown.OutVoid());
  Ptr<IUnknown> identity = viaDispIid.As<IUnknown>(IID_IUnknown);
  EXPECT_EQ(identity.Get(), viaUnknown.Get()) << "QueryInterface(_DQarnedit) gives another object";
}

// Clients that read types from the object itself (dynamic dispatch wrappers) ask
// IDispatch::GetTypeInfo; the control describes itself as _DQarnedit.
TEST_F(TypeLibrary, ControlIDispatchGivesItsTypeInfo) {
  HRESULT hr;
  Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
  ASSERT_TRUE(ctl) << client::Hr(hr);
  UINT count = 99;
  EXPECT_EQ(ctl->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u) << "IDispatch::GetTypeInfoCount";
  Ptr<ITypeInfo> ti;
  hr = ctl->GetTypeInfo(0, 0x409, ti.Out());
  ASSERT_EQ(hr, S_OK) << "IDispatch::GetTypeInfo(0): got " << client::Hr(hr);
  EXPECT_EQ(Doc(ti.Get(), MEMBERID_NIL), "_DQarnedit");
}

}  // namespace
