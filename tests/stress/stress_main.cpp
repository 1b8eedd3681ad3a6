// qarn_stress: random event sequences from fixed seeds through the reference host and
// the control, with the invariants checked after every event.
//
//   qarn_stress [--seeds A-B | --seed N] [--events N] [--dims 2|3|both]
//               [--without g1,g2] [--only g1,g2] [--timeout S]
//               [--minimize] [--keep i,j,...] [--verbose]
//
// Each seed runs in a process of its own, so a crash or a hang ends that seed only and
// is reported with the event it happened in. --verbose (with one seed) runs in this
// process and prints every event and what the control did. --minimize shrinks each
// failing sequence to the events it needs and prints the --keep list that replays it.
// Ends with "stress: N passed, M failed".
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tests/stress/stress_events.h"
#include "tests/stress/stress_runner.h"

namespace {

struct Options {
  uint64_t firstSeed = 1, lastSeed = 20;
  int events = 300;
  bool dims[2] = {true, true};  // 2D, 3D
  uint32_t groups = kGroupAll;
  int timeout = 60;
  bool minimize = false;
  bool verbose = false;
  std::vector<int> keep;
};

// How one run ended: passed, an invariant broke, a crash (a signal or a sanitizer's
// exit), or no progress within the time limit.
struct Outcome {
  enum Kind { Passed, Invariant, Crash, Hang } kind = Passed;
  int event = -1;
  std::string text;
  bool SameFailure(const Outcome& o) const { return kind == o.kind && (kind != Invariant || Class() == o.Class()); }
  // The invariant's words without the numbers, so shrinking keeps the same failure.
  std::string Class() const {
    std::string c;
    const size_t colon = text.find("): ");
    for (char ch : text.substr(colon == std::string::npos ? 0 : colon)) c += (ch >= '0' && ch <= '9') ? '#' : ch;
    return c.substr(0, 60);
  }
};

const int kInvariantExit = 3;

Outcome RunForked(const std::vector<Event>& events, const Options& o, bool quiet) {
  void* shared = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  volatile int* progress = static_cast<volatile int*>(shared);
  progress[0] = -1;
  char* message = static_cast<char*>(shared) + 64;
  message[0] = 0;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (quiet) {
      // A shrinking run repeats the same crash many times; its reports are not wanted.
      if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(4);
    }
    alarm(static_cast<unsigned>(o.timeout));
    auto* runner = new StressRunner(false, o.groups & kGroupExtremes);
    const std::string failure = runner->Run(events, progress);
    if (!failure.empty()) {
      // Reported before anything is torn down: tearing down a broken state may crash.
      std::snprintf(message, 4096 - 64, "%s", failure.c_str());
      _exit(kInvariantExit);
    }
    // The teardown is part of the run: the control and the hosts go away as a
    // container's would.
    progress[0] = static_cast<int>(events.size());
    delete runner;
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome out;
  out.event = progress[0];
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    out.kind = Outcome::Passed;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == kInvariantExit) {
    out.kind = Outcome::Invariant;
    out.text = message;
  } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    out.kind = Outcome::Hang;
    out.text = "no end within " + std::to_string(o.timeout) + " s";
  } else {
    out.kind = Outcome::Crash;
    out.text = WIFSIGNALED(status) ? std::string("signal ") + strsignal(WTERMSIG(status))
                                   : "exit " + std::to_string(WEXITSTATUS(status)) + " (a sanitizer's report above)";
  }
  munmap(shared, 4096);
  return out;
}

// Delta debugging over the event list: the smallest list found that fails the same way.
std::vector<int> Shrink(const std::vector<Event>& all, const Outcome& failure, const Options& o) {
  std::vector<int> kept;
  // Nothing after the failing event matters.
  const int last = failure.event >= 0 ? failure.event : static_cast<int>(all.size()) - 1;
  for (int i = 0; i <= last && i < static_cast<int>(all.size()); ++i) kept.push_back(i);
  auto fails = [&](const std::vector<int>& subset) {
    std::vector<Event> events;
    for (int i : subset) events.push_back(all[static_cast<size_t>(i)]);
    return failure.SameFailure(RunForked(events, o, true));
  };
  size_t chunks = 2;
  while (kept.size() >= 2) {
    const size_t size = (kept.size() + chunks - 1) / chunks;
    bool reduced = false;
    for (size_t start = 0; start < kept.size(); start += size) {
      std::vector<int> rest(kept.begin(), kept.begin() + static_cast<long>(start));
      rest.insert(rest.end(), kept.begin() + static_cast<long>(std::min(start + size, kept.size())), kept.end());
      if (!rest.empty() && fails(rest)) {
        kept = rest;
        chunks = std::max<size_t>(chunks - 1, 2);
        reduced = true;
        break;
      }
    }
    if (!reduced) {
      if (chunks >= kept.size()) break;
      chunks = std::min(chunks * 2, kept.size());
    }
  }
  return kept;
}

std::vector<int> ParseList(const char* text) {
  std::vector<int> list;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) list.push_back(std::atoi(item.c_str()));
  return list;
}

int Usage(const char* why) {
  std::fprintf(stderr,
               "qarn_stress: %s\nusage: qarn_stress [--seeds A-B | --seed N] [--events N] [--dims 2|3|both]\n"
               "       [--without groups] [--only groups] [--timeout S] [--minimize] [--keep i,j,...] [--verbose]\n"
               "groups: %s\n",
               why, GroupNames().c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto need = [&]() {
      if (!value) std::exit(Usage(("a value after " + arg).c_str()));
      ++i;
      return value;
    };
    if (arg == "--seeds") {
      const std::string range = need();
      const size_t dash = range.find('-');
      o.firstSeed = std::strtoull(range.c_str(), nullptr, 10);
      o.lastSeed = dash == std::string::npos ? o.firstSeed : std::strtoull(range.c_str() + dash + 1, nullptr, 10);
    } else if (arg == "--seed") {
      o.firstSeed = o.lastSeed = std::strtoull(need(), nullptr, 10);
    } else if (arg == "--events") {
      o.events = std::atoi(need());
    } else if (arg == "--dims") {
      const std::string d = need();
      o.dims[0] = d != "3";
      o.dims[1] = d != "2";
    } else if (arg == "--without" || arg == "--only") {
      std::string unknown;
      const uint32_t groups = ParseGroups(need(), unknown);
      if (!unknown.empty()) return Usage(("no group " + unknown).c_str());
      o.groups = arg == "--only" ? groups : (kGroupAll & ~groups);
    } else if (arg == "--timeout") {
      o.timeout = std::atoi(need());
    } else if (arg == "--minimize") {
      o.minimize = true;
    } else if (arg == "--keep") {
      o.keep = ParseList(need());
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else {
      return Usage(("unknown argument " + arg).c_str());
    }
  }
  if (o.lastSeed < o.firstSeed) return Usage("an empty seed range");

  GenerateOptions generate;
  generate.groups = o.groups;
  generate.events = o.events;
  CountRecords(generate.recordCount, generate.hostileCount);

  int passed = 0, failed = 0;
  for (uint64_t seed = o.firstSeed; seed <= o.lastSeed; ++seed) {
    for (int dim = 0; dim < 2; ++dim) {
      if (!o.dims[dim]) continue;
      generate.is3D = dim == 1;
      std::vector<Event> all = GenerateEvents(seed, generate);
      std::vector<Event> events;
      if (o.keep.empty()) {
        events = all;
      } else {
        for (int k : o.keep)
          if (k >= 0 && k < static_cast<int>(all.size())) events.push_back(all[static_cast<size_t>(k)]);
      }
      const std::string name = "seed " + std::to_string(seed) + (dim ? " 3D" : " 2D");
      if (o.verbose) {
        std::printf("%s, %zu events\n", name.c_str(), events.size());
        auto* runner = new StressRunner(true, o.groups & kGroupExtremes);
        const std::string failure = runner->Run(events, nullptr);
        std::printf("%s: %s\n", name.c_str(), failure.empty() ? "passed" : ("FAILED at " + failure).c_str());
        std::fflush(stdout);
        if (failure.empty()) {
          std::printf("(teardown)\n");
          std::fflush(stdout);
          delete runner;
        }
        failure.empty() ? ++passed : ++failed;
        continue;
      }
      const Outcome out = RunForked(events, o, false);
      if (out.kind == Outcome::Passed) {
        ++passed;
        continue;
      }
      ++failed;
      const char* kinds[] = {"passed", "invariant broken", "crash", "hang"};
      std::string where = out.text;  // an invariant's text names its event
      if (out.kind != Outcome::Invariant)
        where = (out.event < 0 ? std::string("start-up")
                 : out.event >= static_cast<int>(events.size())
                     ? std::string("teardown")
                     : events[static_cast<size_t>(out.event)].Describe()) +
                ": " + out.text;
      std::printf("%s: FAILED (%s) at event %d: %s\n", name.c_str(), kinds[out.kind], out.event, where.c_str());
      std::printf("  replay: qarn_stress --seed %llu --dims %d --events %d%s --verbose\n",
                  static_cast<unsigned long long>(seed), dim ? 3 : 2, o.events,
                  o.groups == kGroupAll ? "" : " (with the same --only/--without)");
      if (o.minimize && o.keep.empty()) {
        const std::vector<int> kept = Shrink(all, out, o);
        std::string list;
        for (int k : kept) list += (list.empty() ? "" : ",") + std::to_string(k);
        std::printf("  shrunk to %zu events (--keep %s):\n", kept.size(), list.c_str());
        for (int k : kept) std::printf("    [%d] %s\n", k, all[static_cast<size_t>(k)].Describe().c_str());
      }
      std::fflush(stdout);
    }
  }
  std::printf("stress: %d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
