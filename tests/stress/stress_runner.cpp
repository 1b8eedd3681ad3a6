#include "tests/stress/stress_runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "control/qarnedit_ctrl.h"
#include "editcore/edit_controller.h"
#include "platform/connection_point.h"
#include "platform/desktop.h"
#include "platform/menu.h"
#include "platform/oleauto.h"
#include "refhost/record_maker.h"
#include "refhost/reference_host.h"

namespace {

constexpr int kShift = 0x10, kControl = 0x11, kAlt = 0x12;

// What an edit changes in a host and must give back.
struct HostState {
  std::string utils;
  int input[3];
  int mode[2];
  int refOn;
  double ref[3];

  static HostState Of(const ReferenceHost& h) {
    auto it = h.variables.find("UTILS");
    return {it == h.variables.end() ? "<none>" : it->second,
            {h.inputState[0], h.inputState[1], h.inputState[2]},
            {h.modePair[0], h.modePair[1]},
            h.refOn,
            {h.refPoint[0], h.refPoint[1], h.refPoint[2]}};
  }
  bool operator==(const HostState& o) const {
    auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    return utils == o.utils && input[0] == o.input[0] && input[1] == o.input[1] && input[2] == o.input[2] &&
           mode[0] == o.mode[0] && mode[1] == o.mode[1] && refOn == o.refOn && same(ref[0], o.ref[0]) &&
           same(ref[1], o.ref[1]) && same(ref[2], o.ref[2]);
  }
  // What every host holds when a run begins, and again after an edit that was allowed
  // to keep what it forced.
  static void Initial(ReferenceHost& h) {
    h.variables["UTILS"] = "0";
    h.inputState[0] = 3, h.inputState[1] = 4, h.inputState[2] = 5;
    h.modePair[0] = 6, h.modePair[1] = 7;
    h.refOn = 1;
    h.refPoint[0] = 1.5, h.refPoint[1] = 2.5, h.refPoint[2] = 3.5;
  }
  std::string Text() const {
    return Format("UTILS=%s input=%d,%d,%d mode=%d,%d ref=%d(%g,%g,%g)", utils.c_str(), input[0], input[1], input[2],
                  mode[0], mode[1], refOn, ref[0], ref[1], ref[2]);
  }
};

struct Armed {
  int event;
  HandlerAction action;
  int value;
  bool always;
};

void MakeRecords(RecordMaker& make, std::vector<uint32_t>& valid, std::vector<uint32_t>& hostile) {
  valid = {make.Point(40, 60),
           make.Point3D(10, 20, 5),
           make.PolylineRecord({{20, 20, 100, 40, 180, 20, 260, 90}}),
           make.PolylineRecord({{30, 30, 90, 30, 90, 90}, true}),
           make.PolylineRecord({{10, 10, 50, 50, 90, 10, 130, 50}, false, true, {1, 2, 3, 4}, {1, 1, 2, 2}, 2, {0, 1}}),
           make.Line3D(0, 0, 0, 50, 50, 50)};
  RecordMaker::Polygon g;
  g.xy = {20, 20, 200, 20, 200, 180, 20, 180, 60, 60, 120, 60, 90, 120};
  g.rings = {{0, 4, 1}, {4, 3, 2}};
  valid.push_back(make.PolygonRecord(g));
  g.is3D = true;
  g.z = {1, 2, 3, 4, 5, 6, 7};
  valid.push_back(make.PolygonRecord(g));
  hostile.clear();
  for (const Hostile& h : HostileRecords(make, true, EditController::kInitialRingCount))
    hostile.push_back(h.record);
}

}  // namespace

void CountRecords(int& valid, int& hostile) {
  RecordMaker make;
  std::vector<uint32_t> v, h;
  MakeRecords(make, v, h);
  valid = static_cast<int>(v.size());
  hostile = static_cast<int>(h.size());
}

// The container's event sink: every event goes to the runner, which may re-enter the
// control from it as a container's handler would.
class StressSink : public IDispatch {
 public:
  explicit StressSink(StressRunner::State& state) : m_state(state) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }  // lives as long as the runner
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

 private:
  StressRunner::State& m_state;
};

struct StressRunner::State {
  bool verbose;
  bool extremes;
  ReferenceHost hosts[2]{{320, 240}, {320, 240}};
  int current = 0;  // the host qarnocx names
  CQarneditCtrl* ctl = nullptr;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  bool released = false;  // the container let go of the control during this event
  StressSink sink{*this};
  RecordMaker make;
  std::vector<uint32_t> records, hostile;
  std::vector<Armed> armed;
  int snapAnswer = 0;
  LONG mode3D = 0;
  // What the hosts held before the edit that runs began; void once the edit did
  // something after which the host keeps what the edit forced.
  HostState baseline[2];
  std::string taint;
  // Polar input saves the host's mode pair each time it is switched on and outlives the
  // edit, so an edit that saw it on may end with the pair it forced.
  bool polarSeen = false;
  // The answers of the event that runs.
  Random answers{0};
  int depth = 0;  // handlers running inside handlers

  State(bool v, bool x) : verbose(v), extremes(x) {
    MakeRecords(make, records, hostile);
    for (ReferenceHost& h : hosts) {
      h.logCalls = false;  // the log would only grow; the runner checks state, not calls
      HostState::Initial(h);
    }
    QarnDesktop().onMenu = [this](HMENU popup, int, int) { return ChooseCommand(popup); };
    QarnDesktop().onDialog = [this](DialogView& dialog) { WorkDialog(dialog); };
    QarnDesktop().onMessageBox = [](const MessageBoxRecord&) { return IDOK; };
    CreateControl();
  }
  ~State() {
    ReleaseControl();
    QarnDesktop().Reset();
  }

  void Say(const std::string& text) const {
    if (!verbose) return;
    std::printf("%*s%s\n", 2 * depth + 4, "", text.c_str());
    std::fflush(stdout);
  }

  void CreateControl() {
    ctl = new CQarneditCtrl();
    ctl->m_noSnapKey = kControl;
    ctl->m_noPolarKey = kShift;
    IConnectionPointContainer* container = nullptr;
    ctl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    container->FindConnectionPoint(IID_DQarneditEvents, &point);
    container->Release();
    point->Advise(&sink, &cookie);
    ctl->SetQarnocx(hosts[current].GetDispatch());
    ctl->Set3DMode(mode3D);
  }

  void ReleaseControl() {
    if (!ctl) return;
    Taint("the control was released during the edit");
    point->Release();
    CQarneditCtrl* gone = ctl;
    ctl = nullptr;
    point = nullptr;
    released = true;
    gone->Release();
  }

  void Taint(const char* why) {
    if (ctl && ctl->isEditing()) TaintNow(why);
  }
  void TaintNow(const char* why) {
    if (!taint.empty()) return;
    taint = why;
    Say(std::string("(the hosts may keep what the edit forced: ") + why + ")");
  }

  UINT ChooseCommand(HMENU popup) {
    PopupView view = QarnDescribePopup(popup);
    std::vector<UINT> ids;
    for (const MenuItemView& item : view.items)
      if (item.id && !item.grayed) ids.push_back(item.id);
    UINT chosen = ids.empty() || answers.Chance(0.1) ? 0 : ids[answers.Below(static_cast<int>(ids.size()))];
    Say("menu " + std::string(view.title.c_str()) + " -> " + std::to_string(chosen));
    return chosen;
  }

  void WorkDialog(DialogView& dialog) {
    static const char* const kTexts[] = {"", "0", "45", "-90", "12.5", "3", "100", "abc", " 7 ",
                                         "1e308", "-1e308", "inf", "-inf", "nan", "1e-320", "1e300"};
    const int choices = extremes ? 16 : 9;
    Say("dialog " + std::string(dialog.Title().c_str()));
    try {
      for (const DialogView::Control& c : dialog.Controls()) {
        if (c.id < 0 || c.id == IDOK || c.id == IDCANCEL || dialog.Ended()) continue;
        if (c.className == "Edit" && answers.Chance(0.7)) {
          const char* text = kTexts[answers.Below(choices)];
          Say("  text " + std::to_string(c.id) + " = \"" + text + "\"");
          dialog.SetText(c.id, text);
        } else if (c.className == "Button" && answers.Chance(0.3)) {
          Say("  click " + std::to_string(c.id));
          dialog.Click(c.id);
        } else if (c.className == "ComboBox") {
          const int n = static_cast<int>(dialog.ComboItems(c.id).size());
          if (n > 0) dialog.Select(c.id, answers.Below(n));
        }
      }
      if (!dialog.Ended()) {
        if (answers.Chance(0.8))
          dialog.Ok();
        else
          dialog.Cancel();
      }
    } catch (const std::invalid_argument& e) {
      Say(std::string("  dialog refused an action: ") + e.what());
    }
  }

  void Act(HandlerAction action, int value) {
    CQarneditCtrl* c = ctl;
    if (!c) return;
    switch (action) {
      case HandlerAction::Abort: c->abortEdit(); break;
      case HandlerAction::Save: c->saveEdit(); break;
      case HandlerAction::DrawPolygon:
        Taint("a new drawing began during the edit");
        c->drawPolygon();
        break;
      case HandlerAction::DrawPolyline:
        Taint("a new drawing began during the edit");
        c->drawPolyline();
        break;
      case HandlerAction::ResizeRings: c->setMaxNumberOfRings(value); break;
      case HandlerAction::SwitchHost:
        Taint("qarnocx changed during the edit");
        current = 1 - current;
        c->SetQarnocx(hosts[current].GetDispatch());
        break;
      case HandlerAction::Release: ReleaseControl(); break;
      case HandlerAction::EditRecord:
        Taint("an entity load began during the edit");
        c->editNTT(static_cast<LONG>(records[static_cast<size_t>(value) % records.size()]));
        break;
      case HandlerAction::History:
        if (value == 0)
          c->m_pEditController->Undo();
        else
          c->m_pEditController->Redo();
        break;
      default: break;
    }
  }

  void OnControlEvent(DISPID id, DISPPARAMS* params) {
    static const char* const kNames[] = {"?", "EditDone", "EditAborted", "Snap", "CaptionChanged"};
    const char* name = id >= 1 && id <= 4 ? kNames[id] : "?";
    if (id == 3) {
      double* y = params->rgvarg[0].pdblVal;
      double* x = params->rgvarg[1].pdblVal;
      const double nan = std::numeric_limits<double>::quiet_NaN();
      switch (snapAnswer) {
        case 1: *x = std::round(*x / 10) * 10, *y = std::round(*y / 10) * 10; break;
        case 2: *x += 0.5, *y -= 0.5; break;
        case 3: *x = nan, *y = nan; break;
        case 4: *x = 1e308, *y = -1e308; break;
        default: break;
      }
    } else if (id == 4 && verbose) {
      Say(std::string("event CaptionChanged(") + QarnUtf8FromBstr(params->rgvarg[0].bstrVal) + ")");
    } else {
      Say(std::string("event ") + name);
      // An edit that ends after the host detached its handler has no engine to give
      // the host's settings back through.
      if ((id == 1 || id == 2) && ctl && !ctl->m_pEditController->HasEngine())
        TaintNow("the edit ended without its engine");
    }
    for (size_t i = 0; i < armed.size(); ++i) {
      if (armed[i].event != id) continue;
      Armed handler = armed[i];
      if (!handler.always) armed.erase(armed.begin() + static_cast<long>(i));
      ++depth;
      Say(std::string("handler of ") + name + " acts");
      Act(handler.action, handler.value);
      --depth;
      break;
    }
  }

  void Execute(const Event& e) {
    answers = Random(e.answers);
    CQarneditCtrl* c = ctl;
    ReferenceHost& host = hosts[current];
    switch (e.kind) {
      case EventKind::Press: host.Press(e.a, e.b); break;
      case EventKind::Move: host.Move(e.a, e.b); break;
      case EventKind::Release: host.Release(e.a, e.b); break;
      case EventKind::RightPress: host.RightPress(e.a, e.b); break;
      case EventKind::Keys:
        QarnDesktop().keysDown.clear();
        if (e.a & 1) QarnDesktop().keysDown.insert(kShift);
        if (e.a & 2) QarnDesktop().keysDown.insert(kControl);
        if (e.a & 4) QarnDesktop().keysDown.insert(kAlt);
        break;
      case EventKind::Draw:
        if (e.a != 3) {
          Act(e.a == 1 ? HandlerAction::DrawPolyline : HandlerAction::DrawPolygon, 0);
        } else if (c) {
          Taint("a new drawing began during the edit");
          c->drawPoint();
        }
        break;
      case EventKind::Abort: Act(HandlerAction::Abort, 0); break;
      case EventKind::Save: Act(HandlerAction::Save, 0); break;
      case EventKind::MaxRings:
        if (c) c->setMaxNumberOfRings(e.a);
        break;
      case EventKind::EditRecord:
      case EventKind::Hilite: {
        const uint32_t address = e.a >= 0 ? records[static_cast<size_t>(e.a) % records.size()]
                                          : hostile[static_cast<size_t>(-1 - e.a) % hostile.size()];
        if (!c) break;
        if (e.kind == EventKind::EditRecord) {
          Taint("an entity load began during the edit");
          c->editNTT(static_cast<LONG>(address));
        } else {
          c->hiliteNttVertexes(static_cast<LONG>(address));
        }
        break;
      }
      case EventKind::View: host.SetView(std::pow(10.0, e.d), e.a, e.b); break;
      case EventKind::Plane: host.SetWorkPlane(e.d, -e.d / 2, e.d / 3, e.a, e.b, 0); break;
      case EventKind::Set3D:
        mode3D = e.a;
        if (c) c->Set3DMode(e.a);
        break;
      case EventKind::Repaint: host.Repaint(); break;
      case EventKind::Arm:
        armed.push_back({e.a, static_cast<HandlerAction>(e.b), e.c, e.answers != 0});
        break;
      case EventKind::SnapAnswer: snapAnswer = e.a; break;
      case EventKind::DetachOnReplace: host.detachOnReplace = e.a != 0; break;
      case EventKind::DropRegistration:
        Taint("the host dropped a registration during the edit");
        if (e.a == 0)
          host.DropPointerHandler();
        else
          host.DropOverlayPainter();
        break;
      case EventKind::SwitchHost:
        if (c && e.a != current) Act(HandlerAction::SwitchHost, 0);
        break;
      case EventKind::ReleaseControl: ReleaseControl(); break;
      case EventKind::History: Act(HandlerAction::History, e.a); break;
      default: break;
    }
  }

  // What must hold after every event; "" when it does.
  std::string Check() {
    if (released) {
      for (int h = 0; h < 2; ++h)
        if (hosts[h].Handler() || hosts[h].Painter())
          return Format("host %d still holds the released control's %s", h,
                        hosts[h].Handler() ? "pointer handler" : "overlay painter");
      return "";
    }
    if (!ctl) return "";
    EditController& ec = *ctl->m_pEditController;
    const int32_t n = ec.RingArrayLength();
    const Figure& figure = ec.GetFigure();
    if (figure.RingCount() < 1 || figure.RingCount() > n)
      return Format("ring count %d outside the storage of %d rings", figure.RingCount(), n);
    for (int32_t r = 0; r < figure.RingCount(); ++r)
      if (figure.VertexCount(r) < 0 || figure.VertexCount(r) > figure.Room(r))
        return Format("ring %d holds %d vertices in room for %d", r, figure.VertexCount(r), figure.Room(r));
    if (ec.MarkCount() < 0 || ec.MarkCount() > ec.Marks().capacity)
      return Format("%d marks in room for %d", ec.MarkCount(), ec.Marks().capacity);
    const bool editing = ctl->isEditing();
    const int32_t step = StepNumber(ec.Step());
    if (editing ? (ec.Mode() < 1 || ec.Mode() > 3 || step < 1 || step > 15) : step != 0)
      return Format("mode %d with step %d", ec.Mode(), step);
    if (editing) return "";
    for (int h = 0; h < 2; ++h) {
      if (hosts[h].Handler()) return Format("no edit runs, yet host %d holds a pointer handler", h);
      if (hosts[h].Painter() && hosts[h].Painter() != static_cast<OverlayPainter*>(&ec))
        return Format("no edit runs, yet host %d holds a painter that is not the control's", h);
      HostState now = HostState::Of(hosts[h]);
      if (polarSeen) std::copy(baseline[h].mode, baseline[h].mode + 2, now.mode);
      now.input[2] = baseline[h].input[2];  // the edit leaves the third input value as it finds it at the end
      if (taint.empty() && !(now == baseline[h]))
        return "host " + std::to_string(h) + " was not given back what the edit changed: before " +
               baseline[h].Text() + ", now " + now.Text();
    }
    return "";
  }

  void TakeBaseline() {
    if (!taint.empty()) {
      for (ReferenceHost& h : hosts) HostState::Initial(h);
      Say("(the hosts are set back to their initial state)");
    }
    for (int h = 0; h < 2; ++h) baseline[h] = HostState::Of(hosts[h]);
    taint.clear();
    polarSeen = ctl && ctl->m_pEditController->PolarFlags() != 0;
  }
};

HRESULT StressSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  m_state.OnControlEvent(id, params);
  return S_OK;
}

StressRunner::StressRunner(bool verbose, bool extremes) {
  QarneditModuleInit();
  QarnDesktop().Reset();
  ReferenceHost::SetFileVersion(std::string("3.0.0.1"));  // the host manages UTILS
  m = std::make_unique<State>(verbose, extremes);
}

StressRunner::~StressRunner() = default;

std::string StressRunner::Run(const std::vector<Event>& events, volatile int* progress) {
  State& s = *m;
  s.TakeBaseline();
  for (size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    if (progress) *progress = static_cast<int>(i);
    if (!s.ctl || !s.ctl->isEditing()) s.TakeBaseline();
    if (s.verbose)
      std::printf("[%zu] %s%s\n", i, e.Describe().c_str(), s.ctl && s.ctl->isEditing() ? "  (editing)" : "");
    if (s.verbose) std::fflush(stdout);
    s.released = false;
    s.Execute(e);
    if (s.ctl && s.ctl->m_pEditController->PolarFlags() != 0) s.polarSeen = true;
    std::string failure = s.Check();
    if (s.released) {
      s.released = false;
      s.CreateControl();
    }
    if (!failure.empty()) return "event " + std::to_string(i) + " (" + e.Describe() + "): " + failure;
    if (s.verbose) std::fflush(stdout);
  }
  return "";
}
