#include "tests/stress/stress_events.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <sstream>

namespace {

const char* const kKindNames[] = {"press", "move", "release", "right-press", "keys", "draw", "abort", "save",
                                  "max-rings", "edit-record", "hilite", "view", "plane", "set3d", "repaint",
                                  "arm", "snap-answer", "detach-on-replace", "drop", "switch-host",
                                  "release-control", "history"};
static_assert(sizeof(kKindNames) / sizeof(kKindNames[0]) == static_cast<size_t>(EventKind::kCount));

const char* const kActionNames[] = {"abort", "save", "draw-polygon", "draw-polyline", "resize-rings",
                                    "switch-host", "release", "edit-record", "history"};
static_assert(sizeof(kActionNames) / sizeof(kActionNames[0]) == static_cast<size_t>(HandlerAction::kCount));

const char* const kEventNames[] = {"?", "EditDone", "EditAborted", "Snap", "CaptionChanged"};

const struct {
  const char* name;
  EventGroup group;
} kGroups[] = {{"pointer", kGroupPointer},   {"menus", kGroupMenus},       {"keys", kGroupKeys},
               {"rings", kGroupRings},       {"records", kGroupRecords},   {"view", kGroupView},
               {"handlers", kGroupHandlers}, {"hosts", kGroupHosts},       {"release", kGroupRelease},
               {"extremes", kGroupExtremes}, {"always", kGroupAlways}, {"history", kGroupHistory}};

// A pixel: mostly on a coarse grid with a little jitter, so that presses come back to
// the vertices and grips they made; now and then far outside the view.
void Pixel(Random& r, bool extremes, int32_t& x, int32_t& y) {
  if (extremes && r.Chance(0.03)) {
    const int32_t far[] = {-2000000000, -70000, -1, 320, 240, 70000, 2000000000};
    x = far[r.Below(7)];
    y = far[r.Below(7)];
    return;
  }
  x = 20 + 40 * r.Below(8) + r.Between(-2, 2);
  y = 20 + 40 * r.Below(6) + r.Between(-2, 2);
}

}  // namespace

std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  return text;
}

std::string Event::Describe() const {
  const char* name = kKindNames[static_cast<int>(kind)];
  switch (kind) {
    case EventKind::Press:
    case EventKind::Move:
    case EventKind::Release:
      return Format("%s %d,%d", name, a, b);
    case EventKind::RightPress:
      return Format("%s %d,%d answers %u", name, a, b, answers);
    case EventKind::View:
      return Format("%s scale 1e%g origin %d,%d", name, d, a, b);
    case EventKind::Plane:
      return Format("%s angles %g origin %d,%d", name, d, a, b);
    case EventKind::Arm:
      return Format("%s %s -> %s(%d)%s", name, kEventNames[a], kActionNames[b], c, answers ? " always" : " once");
    case EventKind::Abort:
    case EventKind::Save:
    case EventKind::Repaint:
    case EventKind::ReleaseControl:
      return name;
    default:
      return Format("%s %d", name, a);
  }
}

uint32_t ParseGroups(const std::string& names, std::string& unknown) {
  uint32_t groups = 0;
  std::stringstream in(names);
  std::string name;
  while (std::getline(in, name, ',')) {
    if (name.empty()) continue;
    bool found = false;
    for (const auto& g : kGroups)
      if (name == g.name) {
        groups |= g.group;
        found = true;
      }
    if (!found) unknown = name;
  }
  return groups;
}

std::string GroupNames() {
  std::string all;
  for (const auto& g : kGroups) all += std::string(all.empty() ? "" : ",") + g.name;
  return all;
}

std::vector<Event> GenerateEvents(uint64_t seed, const GenerateOptions& options) {
  Random r(seed * 0x100000001B3ull + (options.is3D ? 1 : 0));
  const uint32_t g = options.groups;
  const bool extremes = g & kGroupExtremes;
  std::vector<Event> events;
  if (options.is3D) {
    events.push_back({EventKind::Set3D, 1});
    events.push_back({EventKind::Plane, 0, 0, 0, 0.3});
  }
  // Weighted choice among the kinds the groups allow; pointer input dominates, as it
  // does for a user.
  struct Weight {
    EventKind kind;
    int weight;
    uint32_t group;
  };
  const Weight weights[] = {
      {EventKind::Press, 14, kGroupPointer},        {EventKind::Move, 14, kGroupPointer},
      {EventKind::Release, 14, kGroupPointer},      {EventKind::RightPress, 8, kGroupMenus},
      {EventKind::Keys, 3, kGroupKeys},             {EventKind::Draw, 6, 0},
      {EventKind::Abort, 2, 0},                     {EventKind::Save, 2, 0},
      {EventKind::MaxRings, 2, kGroupRings},        {EventKind::EditRecord, 3, kGroupRecords},
      {EventKind::Hilite, 2, kGroupRecords},        {EventKind::View, 2, kGroupView},
      {EventKind::Plane, 1, kGroupView},            {EventKind::Set3D, 1, kGroupView},
      {EventKind::Repaint, 3, 0},                   {EventKind::Arm, 3, kGroupHandlers},
      {EventKind::SnapAnswer, 1, kGroupHandlers},   {EventKind::DetachOnReplace, 1, kGroupHosts},
      {EventKind::DropRegistration, 1, kGroupHosts}, {EventKind::SwitchHost, 1, kGroupHosts},
      {EventKind::ReleaseControl, 1, kGroupRelease}, {EventKind::History, 4, kGroupHistory},
  };
  int total = 0;
  for (const Weight& w : weights)
    if (!w.group || (g & w.group)) total += w.weight;
  while (static_cast<int>(events.size()) < options.events) {
    int pick = r.Below(total);
    EventKind kind = EventKind::Repaint;
    for (const Weight& w : weights) {
      if (w.group && !(g & w.group)) continue;
      if (pick < w.weight) {
        kind = w.kind;
        break;
      }
      pick -= w.weight;
    }
    Event e{kind};
    e.answers = static_cast<uint32_t>(r.Next());
    switch (kind) {
      case EventKind::Press:
      case EventKind::Move:
      case EventKind::Release:
      case EventKind::RightPress:
        Pixel(r, extremes, e.a, e.b);
        if (kind != EventKind::RightPress) e.answers = 0;
        break;
      case EventKind::Keys:
        e.a = r.Below(8);
        break;
      case EventKind::Draw:
        e.a = r.Between(1, 3);
        break;
      case EventKind::MaxRings: {
        const int32_t sizes[] = {-5, 0, 1, 2, 3, 4, 8, 128, 100001};
        e.a = sizes[r.Below(9)];
        break;
      }
      case EventKind::EditRecord:
      case EventKind::Hilite:
        if (options.hostileCount && r.Chance(0.3))
          e.a = -1 - r.Below(options.hostileCount);
        else
          e.a = r.Below(options.recordCount > 0 ? options.recordCount : 1);
        break;
      case EventKind::View:
        // Scales from 1e-7 to 1e7; without extremes, 1e-2 to 1e2.
        e.d = extremes ? r.Between(-70, 70) / 10.0 : r.Between(-20, 20) / 10.0;
        e.a = r.Between(-500, 500);
        e.b = r.Between(-500, 500);
        break;
      case EventKind::Plane:
        e.d = r.Between(-31, 31) / 10.0;
        e.a = r.Between(-100, 100);
        e.b = r.Between(-100, 100);
        break;
      case EventKind::Set3D:
        e.a = r.Below(2);
        break;
      case EventKind::Arm: {
        e.a = r.Between(1, 4);
        // The group each action belongs to, in HandlerAction's order (0: always allowed).
        const uint32_t kActionGroup[] = {0, 0, 0, 0, kGroupRings, kGroupHosts, kGroupRelease, kGroupRecords, kGroupHistory};
        static_assert(std::size(kActionGroup) == static_cast<size_t>(HandlerAction::kCount));
        int action = 0;
        do {
          action = r.Below(static_cast<int>(HandlerAction::kCount));
        } while (kActionGroup[action] && !(g & kActionGroup[action]));
        e.b = action;
        e.c = action == static_cast<int>(HandlerAction::ResizeRings) ? r.Between(1, 4)
              : action == static_cast<int>(HandlerAction::EditRecord)
                  ? r.Below(options.recordCount > 0 ? options.recordCount : 1)
              : action == static_cast<int>(HandlerAction::History) ? r.Below(2)
                                                                    : 0;
        e.answers = r.Chance(0.2) && (g & kGroupAlways) ? 1 : 0;  // acts on every event of its kind
        break;
      }
      case EventKind::SnapAnswer:
        e.a = r.Below(extremes ? 5 : 3);
        break;
      case EventKind::DetachOnReplace:
      case EventKind::DropRegistration:
      case EventKind::SwitchHost:
        e.a = r.Below(2);
        break;
      case EventKind::History:
        e.a = r.Below(3) == 0 ? 1 : 0;  // more undos than redos, so that redos find something
        break;
      default:
        break;
    }
    events.push_back(e);
  }
  return events;
}
