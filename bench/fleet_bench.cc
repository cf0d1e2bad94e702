// A fleet on one DVSwitch: HOSTS hypervisors, each a private Open vSwitch
// database (no ovs-vswitchd; the tool does not wait for one) with its own
// pnic, share a private three-member northbound cluster. All at once, every
// host adds its DVPort (ploncfg-host dvport add) and wires its pnic to it
// (-P); then all at once every host unwires (-Q). Beside them, HOSTS
// ovn-nbctl processes at once add a port each to another logical switch.
//
// Prints, per step, the runs that succeeded, gave up, or failed otherwise,
// with p50 and p99 of those that succeeded beside ovn-nbctl's, and what the databases hold after
// each phase: one localnet port while any host is wired and none after,
// each host's bridge mapping and bridge exactly while it is wired. Then one
// host's -P and -Q alone on a DVSwitch of 10 and of 300 DVPorts.
// Exits 1 when a run gave up or failed or a database holds what it should
// not.
//
// Usage: ploncfg-fleet-bench [HOSTS [--check]]   (from the build folder;
// default 40; --check leaves out the one host's cost)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "support/test_cluster.h"
#include "support/test_server.h"
#include "timed_run.h"

namespace {

using nlohmann::json;
using Ms = std::chrono::milliseconds;

constexpr const char* kSwitch = "dvs1";
constexpr Ms kTimeout{15000};

// Host h's pnic: names differ from host to host, as a DVPort's uplinks are
// named in the DVSwitch that every host shares.
std::string Pnic(int h) { return "pa" + std::to_string(h); }

// What one run of a fleet step came to.
struct Outcome {
  int host = 0;
  int status = 0;
  double ms = 0;
};

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// One hypervisor: its database and the environment its tools run with.
struct Host {
  std::unique_ptr<ovsdb::TestServer> server;
  std::vector<std::string> env;
};

class Fleet {
 public:
  Fleet(int hosts, const std::string& binDir) : binDir_(binDir) {
    work_ = std::filesystem::temp_directory_path() / ("fleet-bench." + std::to_string(getpid()));
    std::filesystem::create_directories(work_);
    for (int h = 0; h < hosts; ++h) {
      Host host;
      host.server = std::make_unique<ovsdb::TestServer>(ovsdb::TestServer::kSwitchSchema);
      ovsdb::Client(host.server->UnixRemote(), kTimeout)
          .Transact("Open_vSwitch",
                    {ovsdb::Insert("Open_vSwitch",
                                   {{"external_ids",
                                     ovsdb::Map({{"system-id", "host" + std::to_string(h)}})}})});
      host.env = {"QUENTA_HOSTNET=ovsdb:" + host.server->UnixRemote(),
                  "QUENTA_OVN_NB=" + cluster_.Remotes(), "QUENTA_OVS_APPLY_WAIT=0",
                  "QUENTA_OVS_PNICS=" + Pnic(h)};
      hosts_.push_back(std::move(host));
    }
  }
  ~Fleet() { std::filesystem::remove_all(work_); }

  int Size() const { return static_cast<int>(hosts_.size()); }
  const ovn::TestCluster& Cluster() const { return cluster_; }

  // Runs tool (under the build folder) with args as host h; exits the
  // benchmark when it fails and must not.
  RunStats Run(int h, const std::vector<std::string>& args, const std::string& errors) const {
    std::vector<std::string> argv = {binDir_ + "/" + args[0]};
    argv.insert(argv.end(), args.begin() + 1, args.end());
    return TimedRun(argv, hosts_[h].env, errors);
  }
  void MustRun(int h, const std::vector<std::string>& args) const {
    const std::string errors = (work_ / "must.err").string();
    if (Run(h, args, errors).status != 0) {
      std::fprintf(stderr, "%s failed: %s\n", args[0].c_str(), FirstLine(errors).c_str());
      std::exit(2);
    }
  }

  // Every host at once runs the steps step(h) gives, one after the other;
  // returns the outcomes by step.
  std::vector<std::vector<Outcome>> AtOnce(
      const std::function<std::vector<std::vector<std::string>>(int)>& steps) const {
    int gate[2], results[2];
    if (pipe(gate) != 0 || pipe(results) != 0) std::exit(2);
    std::vector<pid_t> children;
    for (int h = 0; h < Size(); ++h) {
      pid_t pid = fork();
      if (pid == 0) {
        close(gate[1]);
        close(results[0]);
        char byte;
        while (read(gate[0], &byte, 1) > 0) {
        }
        std::string out;
        int index = 0;
        for (const std::vector<std::string>& step : steps(h)) {
          const std::string errors =
              (work_ / ("h" + std::to_string(h) + "." + std::to_string(index) + ".err")).string();
          RunStats stats =
              step[0] == "ovn-nbctl" ? TimedRun(Nbctl(step), {}, errors) : Run(h, step, errors);
          out += std::to_string(h) + " " + std::to_string(index++) + " " +
                 std::to_string(stats.status) + " " + std::to_string(stats.seconds * 1e3) + "\n";
        }
        if (write(results[1], out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
          _exit(1);
        }
        _exit(0);
      }
      children.push_back(pid);
    }
    close(gate[0]);
    close(results[1]);
    close(gate[1]);  // opens the gate
    std::string all;
    char buffer[4096];
    for (ssize_t n; (n = read(results[0], buffer, sizeof buffer)) > 0;) all.append(buffer, n);
    close(results[0]);
    for (pid_t pid : children) waitpid(pid, nullptr, 0);
    // Each child wrote its lines at once (less than a pipe's atomic write),
    // so they do not interleave.
    std::vector<std::vector<Outcome>> byStep;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      Outcome outcome;
      int index = 0;
      fields >> outcome.host >> index >> outcome.status >> outcome.ms;
      if (static_cast<int>(byStep.size()) <= index) byStep.resize(index + 1);
      byStep[index].push_back(outcome);
    }
    return byStep;
  }

  // The first line of what a step of host h said, when it said something.
  std::string Said(int h, int index) const {
    return FirstLine(
        (work_ / ("h" + std::to_string(h) + "." + std::to_string(index) + ".err")).string());
  }

  std::vector<std::string> Nbctl(const std::vector<std::string>& step) const {
    std::vector<std::string> argv = {"/usr/bin/ovn-nbctl", "--no-leader-only",
                                     "--db=" + cluster_.Remotes()};
    argv.insert(argv.end(), step.begin() + 1, step.end());
    return argv;
  }

  // Localnet ports of the northbound database.
  int Localnets() const {
    ovsdb::Client nb(cluster_.Remote(cluster_.Leader()), kTimeout);
    json rows = nb.Transact(
        "OVN_Northbound",
        {ovsdb::Select("Logical_Switch_Port", {ovsdb::Condition("type", "==", "localnet")},
                       {"name"})})[0]["rows"];
    return static_cast<int>(rows.size());
  }

  // Whether host h has a bridge mapping and a bridge of the tool's wiring.
  std::pair<bool, bool> Wiring(int h) const {
    ovsdb::Client db(hosts_[h].server->UnixRemote(), kTimeout);
    std::vector<json> results =
        db.Transact("Open_vSwitch", {ovsdb::Select("Open_vSwitch", {}, {"external_ids"}),
                                     ovsdb::Select("Bridge", {}, {"name"})});
    const auto ids = ovsdb::ReadMap(results[0]["rows"][0]["external_ids"]);
    auto mapping = ids.find("ovn-bridge-mappings");
    bool mapped = mapping != ids.end() && !mapping->second.empty();
    bool bridged = false;
    for (const json& row : results[1]["rows"]) {
      bridged = bridged || row["name"].get<std::string>().rfind("qdv", 0) == 0;
    }
    return {mapped, bridged};
  }

 private:
  std::string binDir_;
  std::filesystem::path work_;
  ovn::TestCluster cluster_;
  std::vector<Host> hosts_;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t at = static_cast<size_t>(p * (values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

// Prints one step's line; returns how many of its runs did not succeed.
int Report(const Fleet& fleet, const std::string& name, const std::vector<Outcome>& outcomes,
           int index) {
  int ok = 0, gaveUp = 0, failed = 0;
  std::vector<double> ms;
  std::string example;
  for (const Outcome& outcome : outcomes) {
    if (outcome.status == 0) {
      ms.push_back(outcome.ms);
      ++ok;
      continue;
    }
    const std::string said = fleet.Said(outcome.host, index);
    (said.find("gave up") != std::string::npos ? gaveUp : failed)++;
    if (example.empty()) example = said;
  }
  std::printf("%-12s %5d %8d %7d %9.0f %9.0f\n", name.c_str(), ok, gaveUp, failed,
              Percentile(ms, 0.5), Percentile(ms, 0.99));
  if (!example.empty()) std::printf("  e.g. %s\n", example.c_str());
  return gaveUp + failed;
}

// Checks what the databases hold against which hosts are wired; returns the
// number of wrong facts, printing each.
int CheckWiring(const Fleet& fleet, const std::vector<bool>& wired, const std::string& when) {
  int wrong = 0;
  const bool any = std::find(wired.begin(), wired.end(), true) != wired.end();
  const int localnets = fleet.Localnets();
  if (localnets != (any ? 1 : 0)) {
    std::printf("  %s: %d localnet ports\n", when.c_str(), localnets);
    ++wrong;
  }
  for (int h = 0; h < fleet.Size(); ++h) {
    auto [mapped, bridged] = fleet.Wiring(h);
    if (mapped != wired[h] || bridged != wired[h]) {
      std::printf("  %s: host %d %s wired, yet has %s mapping and %s bridge\n", when.c_str(), h,
                  wired[h] ? "is" : "is not", mapped ? "a" : "no", bridged ? "a" : "no");
      ++wrong;
    }
  }
  return wrong;
}

// One host's -P then -Q alone on a DVSwitch of ports DVPorts, in ms (median
// of runs).
double OneHostCost(const Fleet& fleet, int ports, int runs) {
  const std::string name = "size" + std::to_string(ports);
  fleet.MustRun(0, {"ploncfg-vswitch", "-a", "-W", name});
  for (int p = 1; p <= ports; ++p) {
    fleet.MustRun(0, {"ploncfg-host", "dvport", "add", name, std::to_string(p)});
  }
  std::vector<double> ms;
  for (int i = 0; i < runs + 1; ++i) {
    RunStats wire = fleet.Run(0, {"ploncfg-vswitch", "-P", Pnic(0), "-V", "1", name}, "/dev/null");
    RunStats unwire =
        fleet.Run(0, {"ploncfg-vswitch", "-Q", Pnic(0), "-V", "1", name}, "/dev/null");
    if (wire.status != 0 || unwire.status != 0) {
      std::fprintf(stderr, "-P/-Q on %s failed\n", name.c_str());
      std::exit(2);
    }
    if (i > 0) ms.push_back((wire.seconds + unwire.seconds) * 1e3);
  }
  return Percentile(ms, 0.5);
}

}  // namespace

int main(int argc, char** argv) {
  // --check: the steps and their checks, without the one host's cost.
  const bool checksOnly = argc > 2 && std::string(argv[2]) == "--check";
  const int hosts = argc > 1 ? std::atoi(argv[1]) : 40;
  std::string missing = ovn::TestCluster::Missing();
  if (missing.empty()) missing = ovsdb::TestServer::Missing(ovsdb::TestServer::kSwitchSchema);
  if (!missing.empty() || !std::filesystem::exists("/usr/bin/ovn-nbctl")) {
    std::printf("skipped: needs %s\n", missing.empty() ? "ovn-nbctl" : missing.c_str());
    return 0;
  }
  if (hosts < 1) {
    std::fprintf(stderr, "usage: ploncfg-fleet-bench [HOSTS [--check]]\n");
    return 2;
  }
  const std::string binDir =
      std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
  auto start = std::chrono::steady_clock::now();
  Fleet fleet(hosts, binDir);
  fleet.MustRun(0, {"ploncfg-vswitch", "-a", "-W", kSwitch});
  std::printf("%d hosts and a 3-member northbound cluster started in %.1f s\n", hosts,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

  int misses = 0;
  std::printf("\n%-12s %5s %8s %7s %9s %9s\n", "step", "ok", "gave up", "failed", "p50 (ms)",
              "p99 (ms)");
  auto wiring = fleet.AtOnce([](int h) {
    const std::string port = std::to_string(h + 1);
    return std::vector<std::vector<std::string>>{
        {"ploncfg-host", "dvport", "add", kSwitch, port},
        {"ploncfg-vswitch", "-P", Pnic(h), "-V", port, kSwitch}};
  });
  misses += Report(fleet, "dvport add", wiring[0], 0);
  misses += Report(fleet, "-P", wiring[1], 1);
  std::vector<bool> wired(hosts, false);
  for (const Outcome& outcome : wiring[1]) wired[outcome.host] = outcome.status == 0;
  misses += CheckWiring(fleet, wired, "after -P");

  auto unwiring = fleet.AtOnce([](int h) {
    return std::vector<std::vector<std::string>>{
        {"ploncfg-vswitch", "-Q", Pnic(h), "-V", std::to_string(h + 1), kSwitch}};
  });
  misses += Report(fleet, "-Q", unwiring[0], 0);
  for (const Outcome& outcome : unwiring[0]) {
    if (outcome.status == 0) wired[outcome.host] = false;
  }
  misses += CheckWiring(fleet, wired, "after -Q");

  fleet.MustRun(0, {"ploncfg-vswitch", "-a", "-W", "other"});
  auto theirs = fleet.AtOnce([](int h) {
    return std::vector<std::vector<std::string>>{
        {"ovn-nbctl", "lsp-add", "other", "extra" + std::to_string(h)}};
  });
  // ovn-nbctl's own failures are printed, not counted: they are the
  // yardstick's. It writes through any member: in its default leader-only
  // mode, many at once on a loaded machine end with "database connection
  // failed" after trying every member.
  Report(fleet, "ovn-nbctl", theirs[0], 0);
  std::vector<double> ours, nbctl;
  for (const Outcome& outcome : wiring[1]) {
    if (outcome.status == 0) ours.push_back(outcome.ms);
  }
  for (const Outcome& outcome : theirs[0]) {
    if (outcome.status == 0) nbctl.push_back(outcome.ms);
  }
  std::printf("-P p99 / ovn-nbctl p99: %.1fx\n",
              Percentile(ours, 0.99) / std::max(1.0, Percentile(nbctl, 0.99)));

  if (checksOnly) return misses > 0 ? 1 : 0;
  const double small = OneHostCost(fleet, 10, 7);
  const double large = OneHostCost(fleet, 300, 7);
  std::printf("\none host's -P then -Q: %.1f ms with 10 DVPorts, %.1f ms with 300 (%.2fx)\n", small,
              large, large / small);
  if (misses > 0) {
    std::printf("missed: %d runs or facts were wrong\n", misses);
    return 1;
  }
  return 0;
}
