// Times whole invocations of ploncfg-vswitch keeping its DVSwitches in a
// private three-member OVN northbound cluster (the local host simulated)
// next to ovn-nbctl doing the like on the same cluster, at 10 and 1,000
// DVSwitches of 8 DVPorts each, and the listing next to its floor: one
// request of the columns it shows (ovn_floor), run by run in turn. Prints
// tables of medians. Then, on an Open vSwitch host with 10 DVSwitches in a
// northbound database of one member, each behind a proxy that counts
// requests, runs -P and -Q of a pnic on a DVPort and prints the requests
// each sent to either database and the transactions it left in their logs
// (ovsdb-tool show-log), each of which must name the command. Exits 1 when
// the listing at 1,000 DVSwitches takes more than 2.5 times its floor, or
// -P or -Q sends more than 4 requests to the northbound database or more
// than 3 to the host (5 and 4 for the first -P on a DVPort, which also
// writes its connection id).
//
// Usage: ploncfg-ovn-bench [--quick | --requests]   (from the build folder;
// --requests counts the requests alone)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "backends/ovn/ovn_backend.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "ovs_log.h"
#include "support/ovsdb_proxy.h"
#include "support/test_cluster.h"
#include "support/test_host.h"
#include "support/test_server.h"
#include "timed_run.h"

namespace {

const int kSizes[] = {10, 1000};

// A command of ours and its ovn-nbctl counterpart; "%dvs" stands for a
// DVSwitch in the middle of the host, "%n" for the run's number. Write
// commands alternate between forms, or take a new name, so that each run
// changes something.
struct Pair {
  std::string name;
  std::vector<std::vector<std::string>> ours;
  std::vector<std::vector<std::string>> theirs;
};

std::string Substitute(std::string word, int switches, int run) {
  for (auto [key, value] :
       {std::pair<std::string, std::string>{"%dvs", "dvs" + std::to_string(switches / 2)},
        {"%n", std::to_string(run)}}) {
    for (size_t at = word.find(key); at != std::string::npos; at = word.find(key, at)) {
      word.replace(at, key.size(), value);
    }
  }
  return word;
}

void MakeHost(hostnet::Backend& backend, int switches) {
  hostnet::HostDocument doc;
  doc.pnics = {"nic0", "nic1", "nic2", "nic3"};
  for (int i = 0; i < switches; ++i) {
    hostnet::DVSwitchDoc dvs;
    dvs.row.kind = hostnet::SwitchKind::kDistributed;
    dvs.row.name = "dvs" + std::to_string(i);
    dvs.row.switchId = "id-" + std::to_string(i);
    dvs.row.numPorts = dvs.row.configuredPorts = 128;
    for (int p = 1; p <= 8; ++p) dvs.dvports.push_back({{}, std::to_string(p), {}, 0, {}, 0});
    doc.dvswitches.push_back(dvs);
  }
  backend.ReplaceHost(doc, hostnet::SharedDVSwitches::kPrune);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What -P and -Q ask of the northbound database and of an Open vSwitch
// host, printed; false when over their ceilings.
bool CountRequests(const std::string& binDir) {
  ovsdb::TestServer northbound(ovn::TestCluster::kSchema), host(ovsdb::TestServer::kSwitchSchema);
  ovsdb::Client(host.UnixRemote(), std::chrono::seconds(15))
      .Transact("Open_vSwitch", {ovsdb::Insert("Open_vSwitch", nlohmann::json::object())});
  ovs_host::OvsSettings settings;
  settings.remote = host.UnixRemote();
  settings.pnics = {"nic0", "nic1", "nic2", "nic3"};
  settings.datapathType = "dummy";
  settings.applyWait = std::chrono::milliseconds(0);
  {
    auto local = std::make_unique<ovs_host::OvsBackend>(settings);
    std::unique_ptr<rows::Chassis> chassis = local->MakeChassis();
    ovn::OvnBackend backend(std::move(local), ovn::ParseOvnSettings(northbound.UnixRemote(), ""),
                            std::move(chassis));
    MakeHost(backend, 10);
  }
  ovsdb::OvsdbProxy nbProxy(northbound.UnixRemote().substr(5)),
      hostProxy(host.UnixRemote().substr(5));
  const std::vector<std::string> env = {
      "QUENTA_HOSTNET=ovsdb:" + hostProxy.UnixRemote(), "QUENTA_OVN_NB=" + nbProxy.UnixRemote(),
      "QUENTA_OVS_APPLY_WAIT=0", "QUENTA_OVS_PNICS=nic0 nic1 nic2 nic3",
      "QUENTA_OVS_DATAPATH=dummy"};
  std::printf(
      "\nrequests and transactions of -P and -Q on an Open vSwitch host (at most 4 "
      "northbound requests, 3 to the host; 5 and 4 for the first -P):\n"
      "%-25s %12s %10s %14s %10s %s\n",
      "command", "nb requests", "nb txns", "host requests", "host txns",
      "transactions naming the command");
  // The first run that records a change makes the host's history row.
  TimedRun({binDir + "/ploncfg-vswitch", "-a", "warm"}, env);
  bool met = true;
  for (int round = 0; round < 2; ++round) {
    for (const char* option : {"-P", "-Q"}) {
      const std::vector<std::string> args = {
          binDir + "/ploncfg-vswitch", option, "nic1", "-V", "3", "dvs5"};
      std::string line;
      for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
      const std::size_t nbBefore = LogRecords(northbound.DatabaseFile()).size(),
                        hostBefore = LogRecords(host.DatabaseFile()).size();
      nbProxy.ResetCounts();
      hostProxy.ResetCounts();
      if (TimedRun(args, env).status != 0) {
        std::fprintf(stderr, "%s failed\n", line.c_str());
        std::exit(2);
      }
      const std::vector<std::string> nbLog = LogRecords(northbound.DatabaseFile()),
                                     hostLog = LogRecords(host.DatabaseFile());
      int unnamed = 0;
      for (std::size_t r = nbBefore; r < nbLog.size(); ++r) unnamed += nbLog[r] != line;
      for (std::size_t r = hostBefore; r < hostLog.size(); ++r) unnamed += hostLog[r] != line;
      const std::string name =
          std::string(option) + (round == 0 && option[1] == 'P' ? " (first on its DVPort)" : "");
      std::printf("%-25s %12d %10zu %14d %10zu %s\n", name.c_str(), nbProxy.RequestCount(),
                  nbLog.size() - nbBefore, hostProxy.RequestCount(), hostLog.size() - hostBefore,
                  unnamed == 0 ? "all" : (std::to_string(unnamed) + " do NOT").c_str());
      // The first -P on a DVPort makes two library writes: the DVPort's
      // connection id, whose history row goes to the host alone, then the
      // attach, which reads nothing more.
      const bool first = round == 0 && option[1] == 'P';
      met = met && unnamed == 0 && nbProxy.RequestCount() <= (first ? 5 : 4) &&
            hostProxy.RequestCount() <= (first ? 4 : 3);
    }
  }
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  std::string missing = ovn::TestCluster::Missing();
  if (!missing.empty() || !std::filesystem::exists("/usr/bin/ovn-nbctl")) {
    std::printf("skipped: needs %s\n", missing.empty() ? "ovn-nbctl" : missing.c_str());
    return 0;
  }
  std::string binDir =
      std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
  if (argc > 1 && std::string(argv[1]) == "--requests") return CountRequests(binDir) ? 0 : 1;
  const std::vector<Pair> pairs = {
      {"-a -W", {{"ploncfg-vswitch", "-a", "-W", "new%n"}}, {{"ovn-nbctl", "ls-add", "other%n"}}},
      {"-P",
       {{"ploncfg-vswitch", "-P", "nic1", "-V", "3", "%dvs"},
        {"ploncfg-vswitch", "-Q", "nic1", "-V", "3", "%dvs"}},
       {{"ovn-nbctl", "lsp-add", "%dvs", "extra%n"}}},
      {"-l", {{"ploncfg-vswitch", "-l"}}, {{"ovn-nbctl", "show"}}},
  };
  std::map<std::string, std::map<int, std::pair<double, double>>> medians;
  std::map<int, std::pair<double, double>> floors;  // -l and its floor, by size
  for (int switches : kSizes) {
    ovn::TestCluster cluster;
    sqlite_host::TempHost host;
    ovn::OvnSettings settings = ovn::ParseOvnSettings(cluster.Remotes(), "");
    auto start = std::chrono::steady_clock::now();
    {
      ovn::OvnBackend backend(host.Open(), settings,
                              std::make_unique<rows::RecordsOnlyChassis>(host.Path()));
      MakeHost(backend, switches);
    }
    std::printf("made %d DVSwitches x 8 DVPorts in %.1f s\n", switches,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const std::vector<std::string> ourEnv = {"QUENTA_HOSTNET_DB=" + host.Path(),
                                             "QUENTA_OVN_NB=" + cluster.Remotes()};
    int runs = quick ? 3 : (switches >= 1000 ? 7 : 21);
    for (const Pair& pair : pairs) {
      std::vector<double> ours, theirs;
      for (int i = 0; i < runs + 1; ++i) {
        auto run = [&](const std::vector<std::string>& pattern, bool mine) {
          std::vector<std::string> args;
          for (const std::string& word : pattern) args.push_back(Substitute(word, switches, i));
          if (mine) {
            args[0] = binDir + "/" + args[0];
          } else {
            args[0] = "/usr/bin/ovn-nbctl";
            args.insert(args.begin() + 1, "--db=" + cluster.Remotes());
          }
          RunStats stats = TimedRun(args, mine ? ourEnv : std::vector<std::string>());
          if (stats.status != 0) {
            std::string line;
            for (const std::string& arg : args) line += arg + " ";
            std::fprintf(stderr, "%sfailed on %d DVSwitches\n", line.c_str(), switches);
            std::exit(2);
          }
          return stats.seconds * 1e3;
        };
        double mine = run(pair.ours[i % pair.ours.size()], true);
        double other = run(pair.theirs[i % pair.theirs.size()], false);
        if (i > 0) {  // the first run warms the caches
          ours.push_back(mine);
          theirs.push_back(other);
        }
      }
      medians[pair.name][switches] = {Median(ours), Median(theirs)};
    }
    std::vector<double> listing, floor;
    const std::string leader = cluster.Remote(cluster.Leader());
    for (int i = 0; i < runs + 1; ++i) {
      RunStats mine = TimedRun({binDir + "/ploncfg-vswitch", "-l"}, ourEnv);
      RunStats least = TimedRun({binDir + "/bench/ovn_floor", leader}, {});
      if (mine.status != 0 || least.status != 0) {
        std::fprintf(stderr, "the listing or its floor failed on %d DVSwitches\n", switches);
        std::exit(2);
      }
      if (i == 0) continue;
      listing.push_back(mine.seconds * 1e3);
      floor.push_back(least.seconds * 1e3);
    }
    floors[switches] = {Median(listing), Median(floor)};
  }

  std::printf("\n%-6s %11s %10s %15s %8s\n", "cmd", "DVSwitches", "ours (ms)", "ovn-nbctl (ms)",
              "ratio");
  for (const Pair& pair : pairs) {
    for (int switches : kSizes) {
      auto [ours, theirs] = medians[pair.name][switches];
      std::printf("%-6s %11d %10.2f %15.2f %7.1fx\n", pair.name.c_str(), switches, ours, theirs,
                  theirs / ours);
    }
  }
  std::printf("\n%-6s %11s %10s %11s %8s\n", "cmd", "DVSwitches", "ours (ms)", "floor (ms)",
              "ratio");
  for (int switches : kSizes) {
    auto [ours, least] = floors[switches];
    std::printf("%-6s %11d %10.2f %11.2f %7.2fx\n", "-l", switches, ours, least, ours / least);
  }
  const double ratio = floors[1000].first / floors[1000].second;
  bool met = true;
  if (ratio > 2.5) {
    std::printf("missed: -l at 1,000 DVSwitches takes %.2f times its floor (at most 2.5)\n", ratio);
    met = false;
  }
  if (!CountRequests(binDir)) {
    std::printf(
        "missed: -P or -Q sent more requests than its ceiling, or wrote a transaction "
        "that does not name it\n");
    met = false;
  }
  return met ? 0 : 1;
}
