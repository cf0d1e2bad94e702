// Times whole invocations of ploncfg-vswitch on the Open vSwitch backend next
// to ovs-vsctl doing the same on the same database, at 10 and 1,000 bridges
// of 8 VM ports each, and `-c` next to ovs_floor, a client that sends one
// select. All are measured without ovs-vswitchd (ovs-vsctl --no-wait,
// QUENTA_OVS_APPLY_WAIT=0): what is compared is the work against the
// database. Then counts the requests each command of ours sends, through a
// proxy. Prints tables and the ratios, and exits 1 when a target is missed.
//
// Usage: ploncfg-ovs-bench [--quick]   (from the build folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovsdb/values.h"
#include "support/ovsdb_proxy.h"
#include "support/test_server.h"
#include "timed_run.h"

namespace {

const int kSizes[] = {10, 1000};
const char* const kPnics = "nic0 nic1 nic2 nic3";

// A command of ours and its ovs-vsctl counterpart; "%sw", "%pg" and "%vm"
// stand for a bridge in the middle of the host, its port group and one of
// its VM ports. Write commands alternate between two forms so that each run
// changes something.
struct Pair {
  std::string name;
  std::vector<std::vector<std::string>> ours;
  std::vector<std::vector<std::string>> theirs;
  bool point;  // a command about one object, which should not grow with the host
};

std::string Substitute(std::string word, int switches) {
  const std::string sw = "sw" + std::to_string(switches / 2);
  for (auto [key, value] : {std::pair<std::string, std::string>{"%sw", sw},
                            {"%pg", "pg" + std::to_string(switches / 2)},
                            {"%vm", sw + "vm3"}}) {
    for (size_t at = word.find(key); at != std::string::npos; at = word.find(key, at)) {
      word.replace(at, key.size(), value);
    }
  }
  return word;
}

// Fills the database with switches bridges of ours, each with one port
// group holding 8 VM ports.
void MakeHost(const std::string& remote, int switches) {
  hostnet::HostDocument doc;
  doc.pnics = {"nic0", "nic1", "nic2", "nic3"};
  for (int i = 0; i < switches; ++i) {
    hostnet::StandardSwitchDoc sw;
    sw.row.name = "sw" + std::to_string(i);
    sw.row.numPorts = sw.row.configuredPorts = 128;
    hostnet::PortGroupRow pg;
    pg.name = "pg" + std::to_string(i);
    sw.portGroups.push_back(pg);
    doc.switches.push_back(sw);
  }
  ovs_host::OvsSettings settings;
  settings.remote = remote;
  settings.pnics = doc.pnics;
  settings.applyWait = std::chrono::milliseconds(0);
  ovs_host::OvsBackend(settings).ReplaceHost(doc, hostnet::SharedDVSwitches::kPrune);
  ovsdb::Client client(remote, std::chrono::seconds(60));
  for (int i = 0; i < switches; ++i) {
    std::vector<nlohmann::json> ops;
    std::vector<nlohmann::json> ports;
    std::string sw = "sw" + std::to_string(i);
    for (int p = 0; p < 8; ++p) {
      std::string name = sw + "vm" + std::to_string(p);
      ops.push_back(ovsdb::Insert("Interface", {{"name", name}}, "i" + std::to_string(p)));
      ops.push_back(ovsdb::Insert(
          "Port",
          {{"name", name},
           {"interfaces", ovsdb::Set({ovsdb::NamedUuid("i" + std::to_string(p))})},
           {"external_ids", ovsdb::Map({{"quenta:port-group", "pg" + std::to_string(i)}})}},
          "p" + std::to_string(p)));
      ports.push_back(ovsdb::NamedUuid("p" + std::to_string(p)));
    }
    ops.push_back(ovsdb::Mutate("Bridge", {ovsdb::Condition("name", "==", sw)},
                                {ovsdb::Mutation("ports", "insert", ovsdb::Set(ports))}));
    client.Transact("Open_vSwitch", ops);
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  std::string missing = ovsdb::TestServer::Missing(ovsdb::TestServer::kSwitchSchema);
  if (!missing.empty()) {
    std::printf("skipped: needs %s\n", missing.c_str());
    return 0;
  }
  std::string binDir =
      std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
  const std::vector<Pair> pairs = {
      {"-c", {{"ploncfg-vswitch", "-c", "%sw"}}, {{"ovs-vsctl", "br-exists", "%sw"}}, true},
      {"-C", {{"ploncfg-vswitch", "-C", "%pg"}}, {{"ovs-vsctl", "list-br"}}, true},
      {"-v",
       {{"ploncfg-vswitch", "-v", "10", "-p", "%pg", "%sw"},
        {"ploncfg-vswitch", "-v", "20", "-p", "%pg", "%sw"}},
       {{"ovs-vsctl", "set", "port", "%vm", "tag=10"},
        {"ovs-vsctl", "set", "port", "%vm", "tag=20"}},
       true},
      {"-L",
       {{"ploncfg-vswitch", "-L", "nic2", "%sw"}, {"ploncfg-vswitch", "-U", "nic2", "%sw"}},
       {{"ovs-vsctl", "add-port", "%sw", "nic3"}, {"ovs-vsctl", "del-port", "%sw", "nic3"}},
       true},
      {"-l", {{"ploncfg-vswitch", "-l"}}, {{"ovs-vsctl", "show"}}, false},
  };
  // name -> size -> {ours, theirs}
  std::map<std::string, std::map<int, std::pair<double, double>>> medians;
  // size -> ovs_floor's median; command -> size -> requests it sent
  std::map<int, double> floors;
  std::map<std::string, std::map<int, int>> requests;
  for (int switches : kSizes) {
    ovsdb::TestServer server(ovsdb::TestServer::kSwitchSchema);
    ovsdb::Client(server.UnixRemote(), std::chrono::seconds(15))
        .Transact("Open_vSwitch", {ovsdb::Insert("Open_vSwitch", nlohmann::json::object())});
    auto start = std::chrono::steady_clock::now();
    MakeHost(server.UnixRemote(), switches);
    std::printf("made %d bridges x 8 ports in %.1f s\n", switches,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const std::vector<std::string> ourEnv = {"QUENTA_HOSTNET=ovsdb:" + server.UnixRemote(),
                                             "QUENTA_OVS_APPLY_WAIT=0",
                                             std::string("QUENTA_OVS_PNICS=") + kPnics};
    int runs = quick ? 3 : (switches >= 1000 ? 7 : 21);
    for (const Pair& pair : pairs) {
      std::vector<double> ours, theirs;
      for (int i = 0; i < runs + 1; ++i) {
        auto run = [&](const std::vector<std::string>& pattern, bool mine) {
          std::vector<std::string> args;
          for (const std::string& word : pattern) args.push_back(Substitute(word, switches));
          if (mine) {
            args[0] = binDir + "/" + args[0];
          } else {
            args[0] = "/usr/bin/ovs-vsctl";
            args.insert(args.begin() + 1, {"--db=" + server.UnixRemote(), "--no-wait"});
          }
          RunStats stats = TimedRun(args, mine ? ourEnv : std::vector<std::string>());
          if (stats.status != 0) {
            std::string line;
            for (const std::string& arg : args) line += arg + " ";
            std::fprintf(stderr, "%sfailed on %d bridges\n", line.c_str(), switches);
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
    std::vector<double> floor;
    const std::string sw = Substitute("%sw", switches);
    const std::string socket = server.UnixRemote().substr(std::string("unix:").size());
    for (int i = 0; i < runs + 1; ++i) {
      RunStats stats = TimedRun({binDir + "/bench/ovs_floor", socket, sw}, {});
      if (stats.status != 0) {
        std::fprintf(stderr, "ovs_floor failed on %d bridges\n", switches);
        std::exit(2);
      }
      if (i > 0) floor.push_back(stats.seconds * 1e3);
    }
    floors[switches] = Median(floor);
    ovsdb::OvsdbProxy proxy(socket);
    const std::vector<std::string> proxied = {"QUENTA_HOSTNET=ovsdb:" + proxy.UnixRemote(),
                                              "QUENTA_OVS_APPLY_WAIT=0",
                                              std::string("QUENTA_OVS_PNICS=") + kPnics};
    for (const Pair& pair : pairs) {
      std::vector<std::string> args;
      for (const std::string& word : pair.ours[0]) args.push_back(Substitute(word, switches));
      args[0] = binDir + "/" + args[0];
      proxy.ResetCounts();
      TimedRun(args, proxied);
      requests[pair.name][switches] = proxy.RequestCount();
      // Puts back what the command changed.
      if (pair.ours.size() > 1) {
        args.clear();
        for (const std::string& word : pair.ours[1]) args.push_back(Substitute(word, switches));
        args[0] = binDir + "/" + args[0];
        TimedRun(args, proxied);
      }
    }
  }

  std::printf("\n%-4s %8s %12s %14s %8s\n", "cmd", "bridges", "ours (ms)", "ovs-vsctl (ms)",
              "ratio");
  bool ok = true;
  for (const Pair& pair : pairs) {
    for (int switches : kSizes) {
      auto [ours, theirs] = medians[pair.name][switches];
      double ratio = theirs / ours;
      std::printf("%-4s %8d %12.2f %14.2f %7.1fx\n", pair.name.c_str(), switches, ours, theirs,
                  ratio);
      if (pair.point) ok = ok && ratio >= (switches >= 1000 ? 30 : 3);
    }
    if (pair.point) {
      double growth = medians[pair.name][1000].first / medians[pair.name][10].first;
      std::printf("     growth from 10 to 1,000 bridges: %.2fx (target <= 1.5)\n", growth);
      ok = ok && growth <= 1.5;
    }
  }
  std::printf("\npoint commands: >= 3x faster than ovs-vsctl at 10 bridges, >= 30x at 1,000, "
              "<= 1.5x growth: %s\n",
              ok ? "all met" : "MISSED");

  std::printf("\n-c next to ovs_floor (one select on a fresh connection):\n");
  std::printf("%8s %12s %12s %8s\n", "bridges", "ours (ms)", "floor (ms)", "ratio");
  bool floorMet = true;
  for (int switches : kSizes) {
    double ours = medians["-c"][switches].first;
    double ratio = ours / floors[switches];
    std::printf("%8d %12.2f %12.2f %7.2fx\n", switches, ours, floors[switches], ratio);
    floorMet = floorMet && ratio <= 2.5;
  }
  std::printf("-c at most 2.5x the floor: %s\n", floorMet ? "met" : "MISSED");

  std::printf("\nrequests each command sends (counted by a proxy):\n");
  std::printf("%-4s", "cmd");
  for (int switches : kSizes) std::printf(" %8d", switches);
  std::printf("   bridges\n");
  for (const Pair& pair : pairs) {
    std::printf("%-4s", pair.name.c_str());
    for (int switches : kSizes) std::printf(" %8d", requests[pair.name][switches]);
    std::printf("\n");
  }
  return ok && floorMet ? 0 : 1;
}
