// The view control as a container meets it: created by ProgID, sited in place in a
// window of ours, driven by real window messages, and read back pixel by pixel.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "../control/com_client.h"
#include "../control/control_ids.h"
#include "../control/screen_capture.h"
#include "sited_view.h"

namespace {

using client::BuildFolder;
using client::IsFalse;
using client::IsTrue;
using client::Number;
using client::Ptr;
using client::Text;
using client::Variant;

// {c07ade9b-33f4-4ff9-a6c1-61010d373b66}
constexpr CLSID kViewClsid = {0xc07ade9b, 0x33f4, 0x4ff9, {0xa6, 0xc1, 0x61, 0x01, 0x0d, 0x37, 0x3b, 0x66}};
// The host's dispatch interface, {14c29ddb-5ea5-41e7-a554-bf51786b36d3}.
constexpr IID kHostDispatchIid = {0x14c29ddb, 0x5ea5, 0x41e7, {0xa5, 0x54, 0xbf, 0x51, 0x78, 0x6b, 0x36, 0xd3}};

// The view's colours.
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kAxis = RGB(160, 160, 160);
constexpr COLORREF kFigure = RGB(0, 0, 0);
constexpr COLORREF kHighlight = RGB(220, 0, 0);

std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class SitedView : public ::testing::Test, protected SitedViewControl {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenSitedView(L"QarnRefViewTestContainer", L"RefView container", kSitePosition), "");
    PumpMessages();
  }

  void TearDown() override {
    if (editor) client::PutByName(editor.Get(), "qarnocx", Variant::Disp(nullptr), DISPATCH_PROPERTYPUTREF);
    editor.Reset();
    CloseSitedView();
  }

  // The editor with this view as its host.
  void ConnectEditor() {
    HRESULT hr;
    editor = client::Create(qarn::kControlProgId, &hr);
    ASSERT_TRUE(editor) << "CoCreateInstance(QARNEDIT.QarneditCtrl.1): " << client::Hr(hr);
    ASSERT_EQ(client::PutByName(editor.Get(), "qarnocx", Variant::Disp(view.Get()), DISPATCH_PROPERTYPUTREF).hr,
              S_OK);
  }

  void Click(int x, int y) {
    SendMessageW(viewWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    SendMessageW(viewWindow, WM_LBUTTONUP, 0, At(x, y));
  }

  // Draws a figure with clicks on the view, saves it and hands the record to the view.
  LONG DrawAndKeep(const char* drawMethod, const std::vector<POINT>& clicks) {
    EXPECT_EQ(client::CallByName(editor.Get(), drawMethod).hr, S_OK);
    for (POINT p : clicks) Click(p.x, p.y);
    EXPECT_TRUE(IsTrue(client::CallByName(editor.Get(), "canSaveNow")));
    EXPECT_TRUE(IsTrue(client::CallByName(editor.Get(), "saveEdit")));
    client::CallResult record = client::CallByName(editor.Get(), "getDrawnNTT");
    EXPECT_EQ(record.result.v.vt, VT_I4);
    EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "addRecord", {Variant::I4(record.result.v.lVal)})));
    return record.result.v.lVal;
  }

  // What the window shows now, after it has painted what it was asked to.
  COLORREF WindowPixel(int x, int y) {
    UpdateWindow(viewWindow);
    HDC dc = GetDC(viewWindow);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(viewWindow, dc);
    return c;
  }

  void Repaint() {
    ASSERT_EQ(client::CallByName(view.Get(), "repaint").hr, S_OK);
    PumpMessages();
  }

  Ptr<IDispatch> editor;
};

TEST(RefViewRegistration, IsAControlWhoseClassNamesTheHostInterfaceAndItsOwnMembers) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(kViewProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kViewClsid));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{c07ade9b-33f4-4ff9-a6c1-61010d373b66}\\Control", 0, KEY_READ,
                          &key),
            ERROR_SUCCESS);
  RegCloseKey(key);

  Ptr<IDispatch> view = client::Create(kViewProgId);
  ASSERT_TRUE(view);
  auto info = view.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(info);
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(info->GetClassInfo(coclass.Out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualCLSID(attr->guid, kViewClsid));
  coclass->ReleaseTypeAttr(attr);
  // Its default interface is the host's, so the editor can be handed the view.
  HREFTYPE ref = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
  Ptr<ITypeInfo> defaultInterface;
  ASSERT_EQ(coclass->GetRefTypeInfo(ref, defaultInterface.Out()), S_OK);
  ASSERT_EQ(defaultInterface->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualIID(attr->guid, kHostDispatchIid));
  defaultInterface->ReleaseTypeAttr(attr);

  // Its own members are in the second interface, under the ids its dispatch answers.
  ASSERT_EQ(coclass->GetRefTypeOfImplType(1, &ref), S_OK) << "a second interface beside the host's";
  Ptr<ITypeInfo> members;
  ASSERT_EQ(coclass->GetRefTypeInfo(ref, members.Out()), S_OK);
  ASSERT_EQ(members->GetTypeAttr(&attr), S_OK);
  const UINT functions = attr->cFuncs, variables = attr->cVars;
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  members->ReleaseTypeAttr(attr);
  std::vector<std::string> names;
  for (UINT i = 0; i < functions + variables; ++i) {
    FUNCDESC* f = nullptr;
    VARDESC* v = nullptr;
    MEMBERID id = DISPID_UNKNOWN;
    if (i < functions && SUCCEEDED(members->GetFuncDesc(i, &f))) {
      id = f->memid;
      members->ReleaseFuncDesc(f);
    } else if (i >= functions && SUCCEEDED(members->GetVarDesc(i - functions, &v))) {
      id = v->memid;
      members->ReleaseVarDesc(v);
    }
    names.push_back(client::MemberName(members.Get(), id));
    EXPECT_EQ(client::IdOf(view.Get(), names.back()), id) << names.back();
  }
  for (const char* wanted : {"addRecord", "clearDrawing", "recordCount", "highlightRecord", "replaceRecord",
                             "removeRecord", "desktopWatcher", "savePicture"})
    EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << wanted;

  auto object = view.As<IOleObject>(IID_IOleObject);
  ASSERT_TRUE(object);
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_TRUE(status & OLEMISC_ACTIVATEWHENVISIBLE);
  EXPECT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);
  auto persist = view.As<IPersistStreamInit>(IID_IPersistStreamInit);
  ASSERT_TRUE(persist);
  EXPECT_EQ(persist->InitNew(), S_OK);
  // Not sited, the view has no window to give.
  auto window = view.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
  HWND hwnd = reinterpret_cast<HWND>(1);
  EXPECT_EQ(window->GetWindow(&hwnd), E_FAIL);
  EXPECT_EQ(hwnd, nullptr);
}

TEST_F(SitedView, ActivatesInPlaceAsAChildWindowAndLeavesOnDeactivation) {
  EXPECT_EQ(container::CountOf(site->calls, "OnInPlaceActivate"), 1u);
  ASSERT_NE(viewWindow, nullptr);
  EXPECT_EQ(GetParent(viewWindow), container);
  EXPECT_TRUE(GetWindowLongPtrW(viewWindow, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(viewWindow));
  RECT client;
  GetClientRect(viewWindow, &client);
  EXPECT_EQ(client.right, kViewWidth);
  EXPECT_EQ(client.bottom, kViewHeight);
  POINT corner{0, 0};
  MapWindowPoints(viewWindow, container, &corner, 1);
  EXPECT_EQ(corner.x, kSitePosition.left);
  EXPECT_EQ(corner.y, kSitePosition.top);

  // Activated for the user, it tells the site once and takes the keyboard.
  RECT same = kSitePosition;
  EXPECT_EQ(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.get(), 0, container, &same), S_OK);
  EXPECT_EQ(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.get(), 0, container, &same), S_OK);
  EXPECT_EQ(container::CountOf(site->calls, "OnUIActivate"), 1u);
  EXPECT_EQ(container::CountOf(site->calls, "OnInPlaceActivate"), 1u);
  EXPECT_EQ(GetFocus(), viewWindow);
  EXPECT_EQ(inPlace->UIDeactivate(), S_OK);

  // The container moves it.
  RECT moved{30, 20, 30 + kViewWidth, 20 + kViewHeight};
  EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
  corner = {0, 0};
  MapWindowPoints(viewWindow, container, &corner, 1);
  EXPECT_EQ(corner.x, 30);
  EXPECT_EQ(corner.y, 20);

  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(container::CountOf(site->calls, "OnInPlaceDeactivate"), 1u);
  EXPECT_FALSE(IsWindowVisible(viewWindow));
  EXPECT_FALSE(IsChild(container, viewWindow));
  // And back again, as a container does when the form shows once more.
  RECT position = kSitePosition;
  EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, container, &position), S_OK);
  EXPECT_EQ(container::CountOf(site->calls, "OnInPlaceActivate"), 2u);
  EXPECT_TRUE(IsChild(container, viewWindow));
}

TEST_F(SitedView, RepaintRequestInvalidatesTheWindowAndWmPaintPaints) {
  ASSERT_NO_FATAL_FAILURE(ConnectEditor());
  const LONG record = DrawAndKeep("drawPolyline", {{100, 100}, {200, 150}});
  PumpMessages();
  // What the window shows around the first vertex before the editor marks it.
  auto around = [this] {
    std::vector<COLORREF> box;
    for (int y = 90; y <= 110; ++y)
      for (int x = 90; x <= 110; ++x) box.push_back(WindowPixel(x, y));
    return box;
  };
  const std::vector<COLORREF> before = around();
  ValidateRect(viewWindow, nullptr);
  client::CallByName(view.Get(), "clearLog");
  // Highlighting asks the host for a repaint: the window becomes invalid, nothing more.
  ASSERT_EQ(client::CallByName(editor.Get(), "hiliteNttVertexes", {Variant::I4(record)}).hr, S_OK);
  EXPECT_NE(Text(client::GetByName(view.Get(), "callLog")).find("RequestRepaint()"), std::string::npos);
  RECT invalid{};
  EXPECT_TRUE(GetUpdateRect(viewWindow, &invalid, FALSE));
  EXPECT_EQ(invalid.right - invalid.left, kViewWidth);
  PumpMessages();  // WM_PAINT
  EXPECT_FALSE(GetUpdateRect(viewWindow, nullptr, FALSE));
  // The editor's overlay painted its mark over the saved figure's first vertex.
  EXPECT_NE(around(), before);
}

TEST_F(SitedView, WheelZoomsAboutThePointerAndMiddleDragPans) {
  auto number = [this](const char* name) { return Number(client::GetByName(view.Get(), name)); };
  ASSERT_EQ(client::CallByName(view.Get(), "setView", {Variant::R8(2), Variant::R8(-50), Variant::R8(-30)}).hr, S_OK);
  EXPECT_EQ(number("viewScale"), 2);
  const POINT pointer{200, 100};
  // The world point under the pointer: x / scale + originX, (height - y) / scale + originY.
  auto worldUnderPointer = [&](double& x, double& y) {
    x = pointer.x / number("viewScale") + number("viewOriginX");
    y = (kViewHeight - pointer.y) / number("viewScale") + number("viewOriginY");
  };
  double beforeX, beforeY;
  worldUnderPointer(beforeX, beforeY);
  POINT screen = pointer;
  ClientToScreen(viewWindow, &screen);
  SendMessageW(viewWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), At(screen.x, screen.y));
  EXPECT_DOUBLE_EQ(number("viewScale"), 2.5);
  double afterX, afterY;
  worldUnderPointer(afterX, afterY);
  EXPECT_NEAR(afterX, beforeX, 1e-9);
  EXPECT_NEAR(afterY, beforeY, 1e-9);
  SendMessageW(viewWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), At(screen.x, screen.y));
  EXPECT_DOUBLE_EQ(number("viewScale"), 1.6);
  worldUnderPointer(afterX, afterY);
  EXPECT_NEAR(afterX, beforeX, 1e-9);
  EXPECT_NEAR(afterY, beforeY, 1e-9);

  // A middle drag moves the picture with the pointer and is no input for the editor.
  ASSERT_NO_FATAL_FAILURE(ConnectEditor());
  ASSERT_EQ(client::CallByName(editor.Get(), "drawPolyline").hr, S_OK);
  Click(300, 300);
  client::CallByName(view.Get(), "clearLog");
  const double originX = number("viewOriginX"), originY = number("viewOriginY");
  SendMessageW(viewWindow, WM_MBUTTONDOWN, MK_MBUTTON, At(300, 200));
  EXPECT_EQ(GetCapture(), viewWindow);
  SendMessageW(viewWindow, WM_MOUSEMOVE, MK_MBUTTON, At(340, 170));
  SendMessageW(viewWindow, WM_MBUTTONUP, 0, At(340, 170));
  EXPECT_NEAR(number("viewOriginX"), originX - 40 / 1.6, 1e-9);
  EXPECT_NEAR(number("viewOriginY"), originY - 30 / 1.6, 1e-9);
  EXPECT_EQ(Text(client::GetByName(view.Get(), "callLog")), "");
  // The editor's pointer still arrives once the drag is over.
  SendMessageW(viewWindow, WM_MOUSEMOVE, 0, At(320, 260));
  EXPECT_NE(Text(client::GetByName(view.Get(), "callLog")).find("ScreenToWorld(320, 260)"), std::string::npos);
}

// addRecord takes an optional pen colour; replaceRecord and removeRecord refuse places
// and records they cannot use, and removeRecord leaves the others in their places. A
// figure replaced in its place, in its colour, is qarnview's
// (main_window_view_updates_test).
TEST_F(SitedView, RecordsAreAddedAndRemovedInTheirPlaceAndBadPlacesAreRefused) {
  ASSERT_EQ(client::CallByName(view.Get(), "setView", {Variant::R8(1), Variant::R8(0), Variant::R8(0)}).hr, S_OK);
  ASSERT_NO_FATAL_FAILURE(ConnectEditor());
  const COLORREF blue = RGB(0, 0, 255);
  // Each record is handed over right after its save: the editor's next edit frees it.
  auto drawLine = [this](int row) {
    EXPECT_EQ(client::CallByName(editor.Get(), "drawPolyline").hr, S_OK);
    Click(100, row);
    Click(300, row);
    EXPECT_TRUE(IsTrue(client::CallByName(editor.Get(), "saveEdit")));
    return client::CallByName(editor.Get(), "getDrawnNTT").result.v.lVal;
  };
  const LONG first = drawLine(105);
  EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "addRecord", {Variant::I4(first), Variant::I4(blue)})));
  const LONG second = drawLine(205);
  EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "addRecord", {Variant::I4(second)})));

  // Places outside the records given, and records the view cannot read, change nothing.
  for (LONG index : {2L, -1L, 1000L})
    EXPECT_TRUE(IsFalse(client::CallByName(view.Get(), "replaceRecord", {Variant::I4(index), Variant::I4(second)})))
        << index;
  EXPECT_TRUE(IsFalse(client::CallByName(view.Get(), "replaceRecord", {Variant::I4(0), Variant::I4(0)})));
  EXPECT_TRUE(IsFalse(client::CallByName(view.Get(), "removeRecord", {Variant::I4(2)})));
  EXPECT_EQ(Number(client::GetByName(view.Get(), "recordCount")), 2);
  Repaint();
  EXPECT_EQ(Hex(WindowPixel(211, 105)), Hex(blue)) << "the line given a colour";
  EXPECT_EQ(Hex(WindowPixel(211, 205)), Hex(kFigure)) << "the line given none, in the view's own";

  // Removing the second record leaves the first in its place.
  EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "removeRecord", {Variant::I4(1)})));
  EXPECT_EQ(Number(client::GetByName(view.Get(), "recordCount")), 1);
  Repaint();
  EXPECT_EQ(Hex(WindowPixel(211, 205)), Hex(kWhite));
  EXPECT_EQ(Hex(WindowPixel(211, 105)), Hex(blue));
  EXPECT_TRUE(IsTrue(client::CallByName(view.Get(), "removeRecord", {Variant::I4(0)})));
  EXPECT_EQ(Number(client::GetByName(view.Get(), "recordCount")), 0);
  Repaint();
  EXPECT_EQ(Hex(WindowPixel(211, 105)), Hex(kWhite));
}

TEST_F(SitedView, TheDesktopWatcherCanBeTurnedOffForAContainerThatShowsItsOwnDialogs) {
  EXPECT_TRUE(IsTrue(client::GetByName(view.Get(), "desktopWatcher")));
  ASSERT_NE(client::IdOf(view.Get(), "messageBoxAnswer"), DISPID_UNKNOWN);
  ASSERT_EQ(client::PutByName(view.Get(), "desktopWatcher", Variant::Bool(false)).hr, S_OK);
  EXPECT_TRUE(IsFalse(client::GetByName(view.Get(), "desktopWatcher")));
  // This view was the thread's only watcher: its members are gone with it.
  EXPECT_EQ(client::IdOf(view.Get(), "messageBoxAnswer"), DISPID_UNKNOWN);
  // Turned off twice, the thread's count is not taken down twice.
  ASSERT_EQ(client::PutByName(view.Get(), "desktopWatcher", Variant::Bool(false)).hr, S_OK);
  {
    Ptr<IDispatch> other = client::Create(kViewProgId);
    ASSERT_TRUE(other);
    EXPECT_NE(client::IdOf(view.Get(), "messageBoxAnswer"), DISPID_UNKNOWN) << "another view watches";
  }
  EXPECT_EQ(client::IdOf(view.Get(), "messageBoxAnswer"), DISPID_UNKNOWN);
  ASSERT_EQ(client::PutByName(view.Get(), "desktopWatcher", Variant::Bool(true)).hr, S_OK);
  EXPECT_NE(client::IdOf(view.Get(), "messageBoxAnswer"), DISPID_UNKNOWN);
}

// What the picture holds is the painter's (tests/refhost/view_painter_test.cpp), and a
// container drawing the view through IViewObject::Draw is qarnview's
// (main_window_view_updates_test, the --render run); here the view's own window shows it.
TEST_F(SitedView, TakesTheSizeItsContainerGivesKeepingTheWorldPointInItsMiddle) {
  auto number = [this](const char* name) { return Number(client::GetByName(view.Get(), name)); };
  // World 0,0 in the middle; a line from world (80, -60) to (180, -60), its vertices marked.
  ASSERT_EQ(client::CallByName(view.Get(), "setView", {Variant::R8(1), Variant::R8(-320), Variant::R8(-240)}).hr,
            S_OK);
  ASSERT_NO_FATAL_FAILURE(ConnectEditor());
  const LONG line = DrawAndKeep("drawPolyline", {{400, 300}, {500, 300}});
  ASSERT_EQ(client::PutByName(view.Get(), "highlightRecord", Variant::I4(line)).hr, S_OK);
  Repaint();
  ASSERT_EQ(Hex(WindowPixel(397, 301)), Hex(kHighlight)) << "the first vertex's mark before the resize";

  // Each size the container gives: the window, the host's size and transform and the
  // painted pixels all follow. The conversions the host's engine makes of that size and
  // transform are the host's (tests/refhost, tests/core).
  struct Size {
    int width, height;
  };
  for (Size size : {Size{400, 300}, Size{800, 600}}) {
    SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
    RECT frame{0, 0, 12 + size.width + 12, 8 + size.height + 8};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(container, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    RECT position{12, 8, 12 + size.width, 8 + size.height};
    ASSERT_EQ(inPlace->SetObjectRects(&position, &position), S_OK);
    PumpMessages();
    RECT client;
    GetClientRect(viewWindow, &client);
    EXPECT_EQ(client.right, size.width);
    EXPECT_EQ(client.bottom, size.height);
    EXPECT_EQ(Number(client::GetByName(view.Get(), "width")), size.width);
    EXPECT_EQ(Number(client::GetByName(view.Get(), "height")), size.height);
    SIZEL extent{};
    EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, MulDiv(size.width, 2540, 96));
    EXPECT_EQ(number("viewScale"), 1);
    EXPECT_DOUBLE_EQ(number("viewOriginX"), -size.width / 2.0) << "world 0 stays in the middle";
    EXPECT_DOUBLE_EQ(number("viewOriginY"), -size.height / 2.0);

    const int vx = size.width / 2 + 80, vy = size.height / 2 + 60;  // the vertex's pixel now
    Repaint();
    EXPECT_EQ(Hex(WindowPixel(vx - 3, vy + 1)), Hex(kHighlight)) << "the first vertex's mark";
    EXPECT_EQ(Hex(WindowPixel(vx + 50, vy)), Hex(kFigure)) << "the line";
    EXPECT_EQ(Hex(WindowPixel(size.width / 2, 37)), Hex(kAxis)) << "the Y axis in the middle";
    EXPECT_EQ(Hex(WindowPixel(37, size.height / 2)), Hex(kAxis)) << "the X axis in the middle";
    EXPECT_EQ(Hex(WindowPixel(size.width - 3, size.height - 3)), Hex(kWhite)) << "painted to the corner";
  }

  // A size given as an extent (HIMETRIC at 96 pixels per inch) does the same.
  SIZEL extent{MulDiv(500, 2540, 96), MulDiv(400, 2540, 96)};
  ASSERT_EQ(object->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  RECT client;
  GetClientRect(viewWindow, &client);
  EXPECT_EQ(client.right, 500);
  EXPECT_EQ(client.bottom, 400);
  EXPECT_EQ(Number(client::GetByName(view.Get(), "width")), 500);
  EXPECT_DOUBLE_EQ(number("viewOriginX"), -250);
  EXPECT_DOUBLE_EQ(number("viewOriginY"), -200);

  // What the screen shows of the view, for a person to look at.
  Repaint();
  SetForegroundWindow(container);
  RedrawWindow(container, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
  EXPECT_TRUE(capture::WriteBmp(capture::OfWindow(container), BuildFolder() + L"refview-screenshot.bmp"));
}

TEST(RefViewSize, AViewNobodySeesTakesItsExtentAndKeepsItsOrigin) {
  Ptr<IDispatch> view = client::Create(kViewProgId);
  ASSERT_TRUE(view);
  auto object = view.As<IOleObject>(IID_IOleObject);
  ASSERT_TRUE(object);
  ASSERT_EQ(client::CallByName(view.Get(), "setView", {Variant::R8(2), Variant::R8(10), Variant::R8(20)}).hr, S_OK);
  SIZEL extent{MulDiv(300, 2540, 96), MulDiv(200, 2540, 96)};
  ASSERT_EQ(object->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(Number(client::GetByName(view.Get(), "width")), 300);
  EXPECT_EQ(Number(client::GetByName(view.Get(), "height")), 200);
  EXPECT_EQ(Number(client::GetByName(view.Get(), "viewOriginX")), 10) << "the script's transform stays";
  EXPECT_EQ(Number(client::GetByName(view.Get(), "viewOriginY")), 20);
  SIZEL back{};
  EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, &back), S_OK);
  EXPECT_EQ(back.cx, extent.cx);
  EXPECT_EQ(back.cy, extent.cy);
}

}  // namespace
