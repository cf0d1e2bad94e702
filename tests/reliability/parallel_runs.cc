// Parallel runs: worker processes each run a script of mutating invocations
// of ploncfg-vswitch on one host at the same time, while the same scripts run
// one after the other on a second host. The workers touch their own switches
// and port groups on shared switches, so the two hosts must end equal; the
// only races are meant ones: every worker adds the same port group names
// (exactly one wins each) and sets the MTU of one shared switch (one of the
// workers' values stays). Prints the figures; exits 1 when a change was lost,
// a run failed on a lock or ended with an unexpected status.
//
// With --shared-teaming 1 the workers only link and unlink pnics on one
// shared switch, and leave them linked at the end: each link then edits the
// uplink order of a switch that the others edit too.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Invocation {
  Args args;
  std::string contested;  // the port group every worker adds, or empty
};

constexpr long kSharedMtuBase = 2000;

std::string Name(const std::string& prefix, int worker, int cycle) {
  return prefix + std::to_string(worker) + "_" + std::to_string(cycle);
}

// Worker w's script: ten-step cycles of port group, VLAN, link and unlink,
// max-active and MTU changes.
std::vector<Invocation> Script(int w, int runs) {
  const std::string own = "own" + std::to_string(w), pnic = "nic" + std::to_string(w) + "a";
  std::vector<Invocation> script;
  for (int k = 0; static_cast<int>(script.size()) < runs; ++k) {
    const int c = k / 10;
    const std::string shared = "shared" + std::to_string(c % 2), common = "common" + std::to_string(c);
    const std::string pg = Name("p", w, c), ownPg = Name("q", w, c);
    const Invocation steps[] = {
        {{"-A", pg, shared}, ""},
        {{"-v", std::to_string((w * 100 + c) % 4096), "-p", pg, shared}, ""},
        {{"-L", pnic, own}, ""},
        {{"-A", ownPg, own}, ""},
        {{"-X", std::to_string(c % 3), own}, ""},
        {{"-m", std::to_string(1280 + w * 10 + c), own}, ""},
        {{"-U", pnic, own}, ""},
        {{"-A", common, "shared0"}, common},
        c % 2 == 1 ? Invocation{{"-D", pg, shared}, ""} : Invocation{{"-v", "7", "-p", ownPg, own}, ""},
        {{"-m", std::to_string(kSharedMtuBase + w), "shared1"}, ""},
    };
    script.push_back(steps[k % 10]);
  }
  return script;
}

// Worker w's script with --shared-teaming: its two spare pnics linked to and
// unlinked from shared1 in turn, and left linked in the last cycle.
std::vector<Invocation> SharedTeamingScript(int w, int runs) {
  const std::string pnics[] = {"nic" + std::to_string(w) + "a", "nic" + std::to_string(w) + "c"};
  std::vector<Invocation> script;
  for (int k = 0; k < runs; ++k) {
    const bool link = k % 4 < 2, last = k / 4 == (runs - 1) / 4;
    script.push_back({link ? Args{"-L", pnics[k % 2], "shared1"}
                      : last ? Args{"-b", "shared1"} : Args{"-U", pnics[k % 2], "shared1"}, ""});
  }
  return script;
}

Json StartHost(int workers) {
  Json pnics = Json::array({"nic0"});
  Json switches = Json::array();
  for (const char* shared : {"shared0", "shared1"}) switches.push_back({{"name", shared}});
  for (int w = 0; w < workers; ++w) {
    const std::string b = "nic" + std::to_string(w) + "b";
    for (const char* end : {"a", "b", "c"}) pnics.push_back("nic" + std::to_string(w) + end);
    switches.push_back({{"name", "own" + std::to_string(w)},
                        {"uplinks", {b}},
                        {"teaming", {{"uplinkOrder", {b}}, {"maxActive", 1}}}});
  }
  return {{"pnics", pnics}, {"switches", switches}};
}

struct Outcome {
  int status;
  bool lockFailure;
};

Outcome Invoke(const Tools& tools, const Invocation& invocation) {
  CommandOutput run = tools.Vswitch(invocation.args);
  const bool lock = run.err.find("locked") != run.err.npos || run.err.find("busy") != run.err.npos;
  if (lock) std::cerr << "lock failure: " << ShowCommand(invocation.args) << ": " << run.err;
  return {run.status, lock};
}

// Runs every worker's script in its own process, all at once; returns the
// outcomes per worker, in script order.
std::vector<std::vector<Outcome>> RunInParallel(const Tools& tools,
                                                const std::vector<std::vector<Invocation>>& scripts,
                                                const std::string& folder) {
  std::vector<pid_t> pids;
  for (size_t w = 0; w < scripts.size(); ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      std::ofstream log(folder + "/worker" + std::to_string(w));
      for (const Invocation& invocation : scripts[w]) {
        Outcome outcome = Invoke(tools, invocation);
        log << outcome.status << ' ' << outcome.lockFailure << '\n';
      }
      log.close();
      _exit(log ? 0 : 1);
    }
    pids.push_back(pid);
  }
  std::vector<std::vector<Outcome>> outcomes(scripts.size());
  for (size_t w = 0; w < scripts.size(); ++w) {
    waitpid(pids[w], nullptr, 0);
    std::ifstream log(folder + "/worker" + std::to_string(w));
    Outcome outcome{};
    while (log >> outcome.status >> outcome.lockFailure) outcomes[w].push_back(outcome);
    if (outcomes[w].size() != scripts[w].size()) {
      throw std::runtime_error("worker " + std::to_string(w) + " did not finish its script");
    }
  }
  return outcomes;
}

// Lists in name order where the workers' interleaving decides host order:
// port groups everywhere, uplinks on the shared switches.
void SortByName(Json& host) {
  for (Json& sw : host["switches"]) {
    std::sort(sw["portGroups"].begin(), sw["portGroups"].end(),
              [](const Json& a, const Json& b) { return a["name"] < b["name"]; });
    if (sw["name"].get<std::string>().rfind("shared", 0) != 0) continue;
    for (Json* list : {&sw["uplinks"], &sw["configUplinks"], &sw["teaming"]["uplinkOrder"]}) {
      if (list->is_array()) std::sort(list->begin(), list->end());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Check check(argc, argv, "[--workers N] [--runs N] [--shared-teaming 0|1] [--wait SECONDS]",
                    "ploncfg-parallel");
  const int workers = static_cast<int>(check.Number("workers", 8));
  const int runs = static_cast<int>(check.Number("runs", 250));
  const Tools parallel = check.On("parallel.db"), serial = check.On("serial.db");

  std::vector<std::vector<Invocation>> scripts;
  const bool sharedTeaming = check.Number("shared-teaming", 0) != 0;
  for (int w = 0; w < workers; ++w) {
    scripts.push_back(sharedTeaming ? SharedTeamingScript(w, runs) : Script(w, runs));
  }
  parallel.Load(StartHost(workers));
  serial.Load(StartHost(workers));

  const auto start = std::chrono::steady_clock::now();
  const auto outcomes = RunInParallel(parallel, scripts, check.Folder());
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

  long lockFailures = 0, unexpected = 0;
  std::map<std::string, int> winners;  // contested name -> runs that added it
  for (int w = 0; w < workers; ++w) {
    for (size_t i = 0; i < scripts[w].size(); ++i) {
      const Invocation& invocation = scripts[w][i];
      const Outcome got = outcomes[w][i];
      const Outcome want = Invoke(serial, invocation);
      lockFailures += got.lockFailure + want.lockFailure;
      if (!invocation.contested.empty()) {
        winners[invocation.contested] += got.status == 0;
        if (got.status == 0 || got.status == 1) continue;
      } else if (got.status == want.status) {
        continue;
      }
      ++unexpected;
      std::cerr << "worker " << w << ": " << ShowCommand(invocation.args) << " exited with "
                << got.status << ", expected " << want.status << "\n";
    }
  }
  for (const auto& [name, count] : winners) {
    if (count == 1) continue;
    ++unexpected;
    std::cerr << "port group " << name << " was added by " << count << " runs, expected 1\n";
  }

  Json got = parallel.Dump(), want = serial.Dump();
  long lost = 0;
  // shared1's MTU is whichever worker set it last; a script sets it at the
  // end of its first ten-step cycle.
  const bool mtuSet = runs >= 10;
  for (Json* host : {&got, &want}) {
    for (Json& sw : (*host)["switches"]) {
      if (sw["name"] != "shared1") continue;
      const long mtu = sw["mtu"].get<long>();
      if (host == &got && !sharedTeaming && mtuSet &&
          (mtu < kSharedMtuBase || mtu >= kSharedMtuBase + workers)) {
        ++lost;
        std::cerr << "shared1 has MTU " << mtu << ", which no worker set\n";
      }
      sw.erase("mtu");
    }
    SortByName(*host);
  }
  // A contested port group belongs to whichever worker won it; both hosts
  // hold it once, with the defaults.
  lost += static_cast<long>(ReportDifferences(want, got, "", std::cerr));

  std::cout << "parallel runs: " << workers << " processes x " << runs
            << " invocations = " << workers * runs << " runs in " << seconds.count() << " s\n"
            << "lost changes: " << lost << "\n"
            << "lock failures: " << lockFailures << "\n"
            << "unexpected statuses: " << unexpected << "\n";
  return check.Finish(lost == 0 && lockFailures == 0 && unexpected == 0);
}
