// A control connected to a reference host, with a sink that records its events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "platform/connection_point.h"
#include "platform/desktop.h"
#include "platform/oleauto.h"
#include "platform/window.h"
#include "refhost/record_maker.h"
#include "refhost/reference_host.h"
#include "resources/resource.h"

using Names = std::vector<std::string>;

// The reference host's default view: world (x, y) shows at pixel (x, 480 - y).
constexpr int kViewHeight = 480;

// Records the events fired into it as "EditDone", "EditAborted", "Snap(x,y)" and
// "CaptionChanged(text)".
class RecordingSink : public IDispatch {
 public:
  std::vector<std::string> events;
  // What a Snap handler writes back, when set.
  bool answerSnap = false;
  double snapX = 0, snapY = 0;
  // Container code run inside each event, after it is recorded (the event's name).
  std::function<void(const std::string&)> handler;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }  // lives on the test's stack
  HRESULT GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    switch (id) {
      case 1: events.push_back("EditDone"); break;
      case 2: events.push_back("EditAborted"); break;
      case 3: {
        double* y = params->rgvarg[0].pdblVal;
        double* x = params->rgvarg[1].pdblVal;
        events.push_back("Snap(" + std::to_string(*x) + "," + std::to_string(*y) + ")");
        // The container's code runs before it answers, as a Snap handler's would.
        if (handler) handler("Snap");
        if (answerSnap) {
          *x = snapX;
          *y = snapY;
        }
        return S_OK;
      }
      case 4: events.push_back("CaptionChanged(" + QarnUtf8FromBstr(params->rgvarg[0].bstrVal) + ")"); break;
      default: events.push_back("unknown " + std::to_string(id));
    }
    if (handler) handler(id == 1 ? "EditDone" : id == 2 ? "EditAborted" : id == 4 ? "CaptionChanged" : "");
    return S_OK;
  }
  ULONG refs = 1;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarneditModuleInit();
    QarnDesktop().Reset();
    ReferenceHost::SetFileVersion(std::nullopt);
    ctl = new CQarneditCtrl();
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(IID_DQarneditEvents, &point), S_OK);
    container->Release();
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  }

  void TearDown() override {
    // The test's container code and desktop answers end with it: releasing the control
    // may still fire events, and the next test must not meet this one's hooks.
    sink.handler = nullptr;
    QarnDesktop().Reset();
    point->Unadvise(cookie);
    point->Release();
    ctl->Release();
    ReferenceHost::SetFileVersion(std::nullopt);
  }

  void Connect() { ctl->SetQarnocx(host.GetDispatch()); }
  EditController& Editor() { return *ctl->m_pEditController; }

  // Connects and starts drawing in the mode; with is3D the 3D flag is set first,
  // without it the flag stays as the test left it.
  void StartDrawing(int32_t mode, std::optional<bool> is3D = std::nullopt) {
    if (is3D) ctl->Set3DMode(*is3D ? 1 : 0);
    Connect();
    if (mode == MODE_POLYLINE) ctl->drawPolyline();
    if (mode == MODE_POLYGON) ctl->drawPolygon();
    if (mode == MODE_POINT) ctl->drawPoint();
  }
  // What the host holds before the editor reads it: its three input values, its mode pair.
  void SetHostInputState(int first, int second, int third) {
    host.inputState[0] = first;
    host.inputState[1] = second;
    host.inputState[2] = third;
  }
  void SetHostModePair(int first, int second) {
    host.modePair[0] = first;
    host.modePair[1] = second;
  }
  // Forgets the host calls and events so far: what the logs hold next is the test's.
  void ClearLogs() {
    host.calls.clear();
    sink.events.clear();
  }

  // Pointer actions at world (x, y) of the default view, dx and dy pixels beside it.
  void PressAt(double x, double y, int dx = 0, int dy = 0) {
    host.Press(static_cast<int>(x) + dx, kViewHeight - static_cast<int>(y) + dy);
  }
  void ReleaseAt(double x, double y) { host.Release(static_cast<int>(x), kViewHeight - static_cast<int>(y)); }
  void MoveTo(double x, double y) { host.Move(static_cast<int>(x), kViewHeight - static_cast<int>(y)); }
  // A drag in view pixels: pressed at the first point, moved through the others in turn
  // and released at the last.
  void DragPixels(std::initializer_list<POINT> path) {
    host.Press(path.begin()->x, path.begin()->y);
    for (const POINT* p = path.begin() + 1; p != path.end(); ++p) host.Move(p->x, p->y);
    host.Release((path.end() - 1)->x, (path.end() - 1)->y);
  }

  // The colour of one pixel of the host's view.
  COLORREF ViewPixel(int x, int y) const {
    HDC dc = GetDC(host.ViewWindow());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(host.ViewWindow(), dc);
    return c;
  }
  // Keeps the view's picture of a failed check (or of every check, with
  // QARN_KEEP_PICTURES set) for a look, under the test output folder.
  void SavePictureOnFailure(const char* folder, const std::string& name) {
    if (!HasFailure() && !std::getenv("QARN_KEEP_PICTURES")) return;
    const std::filesystem::path dir = std::filesystem::path(QARN_TEST_OUTPUT_DIR) / folder;
    std::filesystem::create_directories(dir);
    host.SavePicture((dir / (name + ".png")).string().c_str());
  }

  // Gives the running edit a figure the way a container does: its figure as it is, with
  // this vertex appended to a ring (a ring left empty added, a ring emptied or made a
  // hole), is handed to editNTT as a record of the edit's kind, and the edit then waits
  // in the step it was in. The load's own host calls, repaints and events are left out
  // of the logs.
  void AddVertex(int ring, double x, double y, double z = 0, int part = 1) {
    std::vector<Shape> shape = CurrentShape();
    if (ring >= static_cast<int>(shape.size())) shape.resize(ring + 1);
    shape[ring].points.push_back({x, y, z, part});
    Reload(shape);
  }
  // Vertices at height 0 in part 1, appended to the ring in one load.
  void AddVertices(int ring, std::initializer_list<std::pair<double, double>> xy) {
    std::vector<Shape> shape = CurrentShape();
    if (ring >= static_cast<int>(shape.size())) shape.resize(ring + 1);
    for (const auto& [x, y] : xy) shape[ring].points.push_back({x, y, 0, 1});
    Reload(shape);
  }
  void AddEmptyRing() {
    std::vector<Shape> shape = CurrentShape();
    shape.emplace_back();
    Reload(shape);
  }
  void ClearRing(int ring) {
    std::vector<Shape> shape = CurrentShape();
    shape[ring].points.clear();
    Reload(shape);
  }
  void MakeHole(int ring) {
    std::vector<Shape> shape = CurrentShape();
    shape[ring].hole = true;
    Reload(shape);
  }

  // Polar input as a user sets it: the mode's polar dialog with these boxes, then OK (or
  // Cancel). base picks the item of the "measured from" list: 0 the last vertex, 1 the
  // base point (a figure without a vertex offers only the base point); -1 keeps the one
  // the dialog preselects.
  void PolarDialog(const char* angle, const char* distance, const char* add = "", int base = -1,
                   bool cancel = false) {
    const bool point = Editor().Mode() == MODE_POINT;  // its dialog has no added angle
    QarnDesktop().onDialog = [=](DialogView& d) {
      d.SetText(IDC_POLAR_ANGLE, angle);
      d.SetText(IDC_POLAR_DISTANCE, distance);
      if (!point) d.SetText(IDC_POLAR_ADD, add);
      if (base >= 0 && d.ComboItems(IDC_POLAR_BASE).size() > 1) d.Select(IDC_POLAR_BASE, base);
      if (cancel) {
        d.Cancel();
      } else {
        d.Ok();
      }
    };
    if (point) {
      Editor().OnMenuPointPolarOn();
    } else {
      Editor().OnMenuPolarOn();
    }
    QarnDesktop().onDialog = nullptr;
  }

  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const HostCall& call : host.calls) names.push_back(call.name);
    return names;
  }

  ReferenceHost host;
  CQarneditCtrl* ctl = nullptr;
  RecordingSink sink;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;

 private:
  struct ShapeVertex {
    double x, y, z;
    int part;
  };
  struct Shape {
    std::vector<ShapeVertex> points;
    bool hole = false;
  };
  std::vector<Shape> CurrentShape() {
    const Figure& f = Editor().GetFigure();
    std::vector<Shape> shape(static_cast<size_t>(std::max(f.RingCount(), 1)));
    for (int32_t r = 0; r < f.RingCount(); ++r) {
      shape[r].hole = f.IsHole(r);
      for (int32_t i = 0; i < f.VertexCount(r); ++i) {
        const Point3 p = f.At(r, i);
        shape[r].points.push_back({p.x, p.y, p.z, f.PartAt(r, i)});
      }
    }
    return shape;
  }
  void Reload(const std::vector<Shape>& shape) {
    EditController& ec = Editor();
    const int32_t mode = ec.Mode();
    const bool is3D = ec.Is3D();
    const EditStep step = ec.Step();
    const size_t calls = host.calls.size(), events = sink.events.size();
    const int repaints = host.repaintRequests;
    RecordMaker records;  // the editor copies the figure: the record goes after the load
    uint32_t rec = 0;
    if (mode == MODE_POINT) {
      const ShapeVertex& v = shape[0].points.back();
      rec = is3D ? records.Point3D(v.x, v.y, v.z) : records.Point(v.x, v.y);
    } else if (mode == MODE_POLYLINE) {
      RecordMaker::Polyline p;
      p.is3D = is3D;
      int parts = 1;
      for (const ShapeVertex& v : shape[0].points) {
        p.xy.insert(p.xy.end(), {v.x, v.y});
        p.z.push_back(v.z);
        p.parts.push_back(v.part);
        parts = std::max(parts, v.part);
      }
      p.partCount = static_cast<uint32_t>(parts);
      p.flags.assign(parts, 0);
      if (!is3D) {
        p.z.clear();
        p.parts.clear();
      }
      rec = records.PolylineRecord(p);
    } else {
      RecordMaker::Polygon g;
      g.is3D = is3D;
      for (const Shape& ring : shape) {
        g.rings.push_back({static_cast<uint32_t>(g.xy.size() / 2), static_cast<uint32_t>(ring.points.size()),
                           static_cast<int16_t>(ring.hole ? ntt::kHole : ntt::kPerimeter)});
        for (const ShapeVertex& v : ring.points) {
          g.xy.insert(g.xy.end(), {v.x, v.y});
          g.z.push_back(v.z);
        }
      }
      if (!is3D) g.z.clear();
      rec = records.PolygonRecord(g);
    }
    ASSERT_TRUE(ctl->editNTT(static_cast<LONG>(rec)));
    if (ec.Step() != step) ec.SetStep(step);
    host.calls.erase(host.calls.begin() + static_cast<std::ptrdiff_t>(calls), host.calls.end());
    sink.events.erase(sink.events.begin() + static_cast<std::ptrdiff_t>(events), sink.events.end());
    host.repaintRequests = repaints;
  }
};
