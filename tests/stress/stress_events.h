// The events of a stress run: generated from a seed before anything runs, so that a
// run is the same for the same seed and any subset of its events can be replayed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// printf into a string, for event and failure texts.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

// splitmix64: the same numbers from the same seed with every compiler and library.
class Random {
 public:
  explicit Random(uint64_t seed) : m_state(seed) {}
  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  bool Chance(double p) { return Unit() < p; }

 private:
  uint64_t m_state;
};

enum class EventKind {
  Press, Move, Release, RightPress,  // pointer input in view pixels (a, b)
  Keys,                              // virtual keys held: bits of a (shift, control, alt)
  Draw,                              // a: 1 polyline, 2 polygon, 3 point
  Abort, Save,
  MaxRings,                          // setMaxNumberOfRings(a)
  EditRecord, Hilite,                // a: a record of the set; negative: a hostile address
  View,                              // scale 10^d, origin (a, b)
  Plane,                             // work plane angles from d, origin (a, b, 0)
  Set3D,                             // Set3DMode(a)
  Repaint,
  Arm,                               // a container handler for event a runs action b (c: persistent)
  SnapAnswer,                        // a: what the Snap handler writes back
  DetachOnReplace,                   // the host's switch, a
  DropRegistration,                  // the host drops its handler (a 0) or painter (a 1)
  SwitchHost,                        // qarnocx = host a
  ReleaseControl,                    // the container lets go of the control and makes a new one
  History,                           // a: 0 undo, 1 redo
  kCount
};

// What a container handler does when its event fires.
enum class HandlerAction { Abort, Save, DrawPolygon, DrawPolyline, ResizeRings, SwitchHost, Release, EditRecord,
                           History, kCount };

// Groups of events a run may leave out (--without=...).
enum EventGroup : uint32_t {
  kGroupPointer = 1u << 0,   // press, move, release
  kGroupMenus = 1u << 1,     // right presses, and with them menus and polar dialogs
  kGroupKeys = 1u << 2,
  kGroupRings = 1u << 3,     // setMaxNumberOfRings, as an event and as a handler action
  kGroupRecords = 1u << 4,   // editNTT and hiliteNttVertexes
  kGroupView = 1u << 5,      // zooms, work planes, 3D mode
  kGroupHandlers = 1u << 6,  // container handlers that re-enter the control
  kGroupHosts = 1u << 7,     // detach switch, dropped registrations, a second host
  kGroupRelease = 1u << 8,   // releasing the control, as an event and as a handler action
  kGroupExtremes = 1u << 9,  // NaN, infinite and huge values: view scales, Snap answers, dialog texts
  kGroupAlways = 1u << 10,   // handlers that act on every event of their kind, not once
  kGroupHistory = 1u << 11,  // undo and redo, as an event and as a handler action
  kGroupAll = (1u << 12) - 1,
};

struct Event {
  EventKind kind;
  int32_t a = 0, b = 0, c = 0;
  double d = 0;
  uint32_t answers = 0;  // seeds the menu and dialog answers given during this event
  std::string Describe() const;
};

// The group names accepted on the command line, and the group of each event.
uint32_t ParseGroups(const std::string& names, std::string& unknown);
std::string GroupNames();

struct GenerateOptions {
  uint32_t groups = kGroupAll;
  int events = 300;
  bool is3D = false;
  int recordCount = 0;   // valid records the runner offers
  int hostileCount = 0;  // hostile addresses it offers
};
std::vector<Event> GenerateEvents(uint64_t seed, const GenerateOptions& options);
