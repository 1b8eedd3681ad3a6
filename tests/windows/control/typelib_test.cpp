// The registered type library is what early-binding containers compile against and
// what property browsers show; the control's own name binding must agree with it. This
// is the one place the control's full member list (names, DISPIDs, types, flags) is
// written out: other tests bind by name, and the 32-bit module's library is compared
// with this one (check_win32_module.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com_client.h"
#include "control_ids.h"
#include "typelib_listing.h"

using client::Ptr;

namespace {

std::string Name(ITypeInfo* ti, MEMBERID id = MEMBERID_NIL) { return client::MemberName(ti, id); }

GUID GuidOf(ITypeInfo* ti) {
  TYPEATTR* attr = nullptr;
  GUID g = GUID_NULL;
  if (ti && SUCCEEDED(ti->GetTypeAttr(&attr))) {
    g = attr->guid;
    ti->ReleaseTypeAttr(attr);
  }
  return g;
}

// Every entry a client sees, in the library's order. The host's interface is imported
// from the host's own library: it is named as a type here, never defined.
TEST(TypeLibrary, TheRegisteredLibraryListsTheControlsTypesAndMembers) {
  BSTR path = nullptr;
  ASSERT_EQ(QueryPathOfRegTypeLib(qarn::kLibId, 1, 0, 0x409, &path), S_OK) << "the library is not registered";
  std::vector<std::string> lines;
  std::string error;
  ASSERT_TRUE(typelib::ListTypeLibrary(std::wstring(path, SysStringLen(path)), &lines, &error)) << error;
  SysFreeString(path);
  const std::vector<std::string> expected = {
      "library QARNEDITLib {1D24F4D9-6CB4-4CFB-9453-16F29A6DE58D} version=1.0 lcid=1033 flags=0xa help=\"Qarnedit ActiveX Control module\"",
      "type _DQarnedit dispinterface {F10903EF-9532-4D5C-8123-7063E40DAC4F} flags=0x1010 funcs=19 vars=13 impls=1 version=0.0 help=\"Dispatch interface for Qarnedit Control\"",
      "  func stringFile memid=0x3 propget funckind=4 flags=0x400 returns=BSTR optional=0 ()",
      "  func stringFile memid=0x3 propput funckind=4 flags=0x400 returns=void optional=0 (BSTR <unnamed> pflags=0x1)",
      "  func drawPolyline memid=0x4 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func abortEdit memid=0x5 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func getDrawnNTT memid=0x6 method funckind=4 flags=0x0 returns=long optional=0 ()",
      "  func editNTT memid=0x7 method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 (long MemNTT pflags=0x0)",
      "  func drawPolygon memid=0x8 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func canSaveNow memid=0x9 method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()",
      "  func saveEdit memid=0xa method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()",
      "  func isEditing memid=0xb method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()",
      "  func drawPoint memid=0xc method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func hiliteNttVertexes memid=0xd method funckind=4 flags=0x0 returns=void optional=0 (long MemNTT pflags=0x0)",
      "  func disableBeginEndPolylineEdit memid=0xe method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func Set3DMode memid=0x14 method funckind=4 flags=0x0 returns=void optional=0 (long NewMode pflags=0x0)",
      "  func setMaxNumberOfRings memid=0x15 method funckind=4 flags=0x0 returns=void optional=0 (long newVal pflags=0x0)",
      "  func setBasePointQarnEdit memid=0x16 method funckind=4 flags=0x0 returns=void optional=0 (double BaseX pflags=0x0, double BaseY pflags=0x0, double BaseZ pflags=0x0)",
      "  func undo memid=0x17 method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()",
      "  func redo memid=0x18 method funckind=4 flags=0x0 returns=VARIANT_BOOL optional=0 ()",
      "  func AboutBox memid=0xfffffdd8 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  var penColor memid=0x1 varkind=3 flags=0x0 type=OLE_COLOR",
      "  var qarnocx memid=0x2 varkind=3 flags=0x0 type=_DQarnocx*",
      "  var NoSnapKey memid=0xf varkind=3 flags=0x0 type=long",
      "  var fillStyle memid=0x10 varkind=3 flags=0x0 type=short",
      "  var FormatPolylineParams memid=0x11 varkind=3 flags=0x0 type=BSTR",
      "  var FormatPolygonParams memid=0x12 varkind=3 flags=0x0 type=BSTR",
      "  var NoPolarKey memid=0x13 varkind=3 flags=0x0 type=short",
      "  var BackColor memid=0xfffffe0b varkind=3 flags=0x0 type=OLE_COLOR",
      "  var ForeColor memid=0xfffffdff varkind=3 flags=0x0 type=OLE_COLOR",
      "  var Font memid=0xfffffe00 varkind=3 flags=0x0 type=IFontDisp*",
      "  var canUndo memid=0x19 varkind=3 flags=0x1 type=VARIANT_BOOL",
      "  var canRedo memid=0x1a varkind=3 flags=0x1 type=VARIANT_BOOL",
      "  var undoMemoryLimit memid=0x1b varkind=3 flags=0x0 type=long",
      "  implements IDispatch implflags=0x0",
      "type _DQarneditEvents dispinterface {E6D0FC7C-AD47-443C-8C49-FF6F087E51BF} flags=0x1000 funcs=4 vars=0 impls=1 version=0.0 help=\"Event interface for Qarnedit Control\"",
      "  func EditDone memid=0x1 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func EditAborted memid=0x2 method funckind=4 flags=0x0 returns=void optional=0 ()",
      "  func Snap memid=0x3 method funckind=4 flags=0x0 returns=void optional=0 (double* x pflags=0x0, double* y pflags=0x0)",
      "  func CaptionChanged memid=0x4 method funckind=4 flags=0x0 returns=void optional=0 (BSTR newCaption pflags=0x0)",
      "  implements IDispatch implflags=0x0",
      "type Qarnedit coclass {BAA64C0F-6454-4FD5-85F8-A40E935C4FE3} flags=0x22 funcs=0 vars=0 impls=2 version=0.0 help=\"Qarnedit Control\"",
      "  implements _DQarnedit implflags=0x1",
      "  implements _DQarneditEvents implflags=0x3"};
  const std::vector<std::string> got = typelib::ComparableLines(lines);
  for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
    const std::string g = i < got.size() ? got[i] : "<none>", e = i < expected.size() ? expected[i] : "<none>";
    if (g != e) ADD_FAILURE() << "entry " << i << ":\n  expected " << e << "\n  got      " << g;
  }
}

// The object describes its class as the library does, and its dispinterface's IID reaches
// the same object. The default event interface it names is the module smoke's
// (control/win32/module_smoke.cpp), and the e2e test's event sink finds it by it.
TEST(TypeLibrary, ControlDescribesItsClassThroughIProvideClassInfo2) {
  HRESULT hr;
  Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
  ASSERT_TRUE(ctl) << client::Hr(hr);
  auto info = ctl.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(info) << "the control does not answer IProvideClassInfo2";
  Ptr<ITypeInfo> cls;
  ASSERT_EQ(info->GetClassInfo(cls.Out()), S_OK);
  EXPECT_EQ(Name(cls.Get()), "Qarnedit");
  CLSID registered;
  ASSERT_EQ(CLSIDFromProgID(qarn::kControlProgId, &registered), S_OK);
  EXPECT_TRUE(IsEqualGUID(GuidOf(cls.Get()), registered)) << "the ProgID names another class than the coclass";

  // The primary dispinterface's IID reaches the same object.
  Ptr<ITypeInfo> disp;
  ASSERT_EQ(ctl->GetTypeInfo(0, 0x409, disp.Out()), S_OK);
  Ptr<IUnknown> viaDispIid, viaUnknown;
  EXPECT_EQ(ctl->QueryInterface(GuidOf(disp.Get()), viaDispIid.OutVoid()), S_OK);
  ctl->QueryInterface(IID_IUnknown, viaUnknown.OutVoid());
  Ptr<IUnknown> identity = viaDispIid.As<IUnknown>(IID_IUnknown);
  EXPECT_EQ(identity.Get(), viaUnknown.Get()) << "QueryInterface(_DQarnedit) gives another object";
}

}  // namespace
