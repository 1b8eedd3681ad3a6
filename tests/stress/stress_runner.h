// Runs stress events against a control connected to reference hosts and checks, after
// every event, what must hold whatever the events were.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/stress/stress_events.h"

// How many valid records and hostile addresses a runner offers to editNTT and
// hiliteNttVertexes.
void CountRecords(int& valid, int& hostile);

class StressRunner {
 public:
  // extremes: dialogs get NaN, infinite and huge texts too.
  StressRunner(bool verbose, bool extremes);
  ~StressRunner();
  StressRunner(const StressRunner&) = delete;
  StressRunner& operator=(const StressRunner&) = delete;

  // Runs the events in order; *progress holds the index of the event running, for a
  // watcher that outlives a crash. Returns "" or what failed, naming the event.
  std::string Run(const std::vector<Event>& events, volatile int* progress);

  struct State;

 private:
  std::unique_ptr<State> m;
};
