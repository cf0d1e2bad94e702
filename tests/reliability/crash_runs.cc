// Crashes: mutating invocations of ploncfg-vswitch, each killed with SIGKILL
// at a random moment of its run. After every kill the database must pass
// SQLite's integrity and foreign key checks, and the host must be exactly as
// it was before the invocation or as the same invocation leaves it when it
// runs to the end on a copy. The only states in between that are allowed are
// those between two library calls of one command (a link made before the
// uplink order follows it); they are counted apart. Faults with a countdown
// are armed on two switches, so that a kill also lands while a fault fires:
// its count must drop by one or not at all. Prints the figures; exits 1 on a
// corruption, a half-applied operation or a wrong countdown.

#include <algorithm>
#include <chrono>
#include <iostream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const char* const kSwitches[] = {"sw0", "sw1", "sw2"};
const char* const kCdp[] = {"down", "listen", "advertise", "both"};
constexpr int kPnics = 6;

Json StartHost() {
  Json pnics = Json::array();
  for (int i = 0; i < kPnics; ++i) pnics.push_back("nic" + std::to_string(i));
  Json groups = Json::array();
  for (int i = 0; i < 4; ++i) groups.push_back({{"name", "pg" + std::to_string(i)}});
  Json host = Json::parse(R"({
      "switches": [{"name": "sw0", "uplinks": ["nic0"], "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}},
                   {"name": "sw1", "uplinks": ["nic1"]}, {"name": "sw2"}],
      "faults": [{"op": "VirtualSwitch.SetCdpStatus", "target": "sw1", "message": "CDP is stuck", "times": 100000},
                 {"op": "SetMtu", "target": "sw2", "message": "MTU is stuck", "times": 100000}]})");
  host["pnics"] = pnics;
  host["switches"][0]["portGroups"] = groups;
  return host;
}

class OperationMaker {
 public:
  explicit OperationMaker(unsigned seed) : picks_(seed) {}

  Operation Next(const Json& host) {
    const std::string sw = kSwitches[Pick(3)], pnic = "nic" + std::to_string(Pick(kPnics));
    const std::string pg = picks_.PortGroupOf(host, sw), serial = std::to_string(serial_++);
    const Operation operations[] = {
        {{"-A", "c" + serial, sw}, sw, {}},
        {{"-D", pg, sw}, sw, {}},
        {{"-v", std::to_string(Pick(4096)), "-p", pg, sw}, sw, {}},
        {{"-L", pnic, sw}, sw, {"uplinks", "configUplinks"}},
        {{"-L", pnic, sw}, sw, {"uplinks", "configUplinks"}},
        {{"-U", pnic, sw}, sw, {"teaming"}},
        {{"-m", std::to_string(1280 + Pick(7721)), sw}, sw, {}},
        {{"-X", std::to_string(Pick(4)), sw}, sw, {}},
        {{"-B", kCdp[Pick(4)], sw}, sw, {}},
        {{"-a", "x" + serial + ":" + std::to_string(8 + Pick(64))}, "", {}},
        {{"-d", picks_.SwitchNamed(host, 'x')}, "", {}},
        {{"-a", "-W", "dvs" + serial}, "", {}},
        {{"-M", pnic, "-p", pg, sw}, sw, {}},
        {{"-N", pnic, "-p", pg, sw}, sw, {}},
        {{"-y", sw}, sw, {"ensActivateNode"}, true},
    };
    return operations[Pick(15)];
  }

  long Delay(long minMicros, long maxMicros) { return picks_.Between(minMicros, maxMicros); }

 private:
  int Pick(int n) { return picks_.Pick(n); }

  Picks picks_;
  int serial_ = 0;
};

// When the next kill comes, in microseconds after the start. Start-up takes
// most of a run and the change comes at its end, so the aim moves later after
// a kill that came before the change, and earlier after a run that ended
// first: the kills gather where changes are made.
class KillAim {
 public:
  explicit KillAim(long typicalMicros) : center_(typicalMicros) {}

  long Next(OperationMaker& maker) {
    const long delay = maker.Delay(center_ * 17 / 20, center_ * 11 / 10);
    earliest_ = std::min(earliest_, delay);
    latest_ = std::max(latest_, delay);
    return delay;
  }
  void RunEnded() { center_ = std::max(1L, center_ * 97 / 100); }
  void KilledBeforeChange() { center_ = center_ * 103 / 100 + 1; }
  long Earliest() const { return earliest_; }
  long Latest() const { return latest_; }

 private:
  long center_;
  long earliest_ = std::numeric_limits<long>::max();
  long latest_ = 0;
};

// How long an uninterrupted run takes here, in microseconds: the median of a
// few runs of a small change.
long TypicalRunMicros(const Tools& tools) {
  std::vector<long> times;
  for (int i = 0; i < 9; ++i) {
    const auto start = std::chrono::steady_clock::now();
    tools.Vswitch({"-m", "1500", "sw0"});
    times.push_back(static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count()));
  }
  std::nth_element(times.begin(), times.begin() + 4, times.end());
  return times[4];
}

}  // namespace

int main(int argc, char** argv) {
  const Check check(argc, argv, "[--runs N] [--seed N]", "ploncfg-crash");
  const long runs = check.Number("runs", 300);
  const auto seed = static_cast<unsigned>(check.Number("seed", std::random_device{}()));
  const Tools real = check.On("host.db"), copy = check.On("copy.db");
  real.Load(StartHost());
  KillAim aim(TypicalRunMicros(real));

  OperationMaker maker(seed);
  long killedUnchanged = 0, killedChanged = 0;
  long killed = 0, corrupt = 0, halfApplied = 0, betweenSteps = 0, countdowns = 0, unexpected = 0;
  for (long i = 0; i < runs; ++i) {
    const Json before = real.Dump();
    const Operation op = maker.Next(before);
    copy.Load(before);
    const CommandOutput whole = copy.Vswitch(op.args);
    const Json after = copy.Dump();

    const CommandOutput run = real.Vswitch(op.args, aim.Next(maker));
    killed += run.killed;
    // SQLite's own checks of the file: "ok" and no foreign key violations.
    const std::string integrity =
        RunSql(real.db, "PRAGMA integrity_check; PRAGMA foreign_key_check");
    if (!integrity.empty()) {
      ++corrupt;
      std::cerr << "after " << ShowCommand(op.args) << ": " << integrity << "\n";
    }
    const Json state = real.Dump();
    if (!run.killed) {
      aim.RunEnded();
      if (state != after || run.status != whole.status || run.out != whole.out ||
          run.err != whole.err) {
        ++unexpected;
        std::cerr << ShowCommand(op.args)
                  << " ran to the end but did not do what it does on a copy\n";
        ReportDifferences(after, state, "", std::cerr);
      }
      continue;
    }
    if (state["faults"] != before["faults"] && state["faults"] != after["faults"]) {
      ++countdowns;
      std::cerr << "killed " << ShowCommand(op.args) << ": fault countdown is off\n";
      ReportDifferences(after["faults"], state["faults"], "faults", std::cerr);
    }
    if (before != after) {
      killedUnchanged += state == before;
      killedChanged += state == after;
      if (state == before) aim.KilledBeforeChange();
    }
    if (state == before || state == after) continue;
    if (!op.firstStep.empty() && state == FirstStep(op, before, after)) {
      ++betweenSteps;
      continue;
    }
    ++halfApplied;
    std::cerr << "killed " << ShowCommand(op.args) << " left the host half changed:\n";
    ReportDifferences(after, state, "", std::cerr);
  }

  std::cout << "crashes: " << runs << " invocations, " << killed << " killed with SIGKILL (seed "
            << seed << ", kills " << aim.Earliest() << " to " << aim.Latest()
            << " us after the start)\n"
            << "killed runs of a change: " << killedUnchanged << " before it, " << killedChanged
            << " after it\n"
            << "integrity_check: " << (corrupt == 0 ? "ok" : "FAILED") << " after every run ("
            << corrupt << " corruptions)\n"
            << "half-applied operations: " << halfApplied << "\n"
            << "fault countdowns lost or doubled: " << countdowns << "\n"
            << "completed runs that differ from an undisturbed run: " << unexpected << "\n"
            << "killed between two library calls of one command (allowed): " << betweenSteps
            << "\n";
  return check.Finish(corrupt == 0 && halfApplied == 0 && countdowns == 0 && unexpected == 0);
}
