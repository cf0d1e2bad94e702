// Times whole invocations of ploncfg-vswitch on the Open vSwitch backend next
// to ovs-vsctl doing the like on the same database, at 10 and 1,000 bridges
// of 8 VM ports each, and `-c`, `-a`, `-m`, `-L` and `-U` next to ovs_floor,
// a client that sends the one transaction that answers or makes the same (a
// select; the inserts of a bridge or a port; an update of mtu_request; for
// `-U`, a select of the port and the mutation that drops it), run by run in
// turn with them. All are measured without ovs-vswitchd (ovs-vsctl --no-wait,
// QUENTA_OVS_APPLY_WAIT=0): what is compared is the work against the
// database. Then runs each command once more through a proxy that counts
// its requests, and counts the transactions it left in the database's log
// (ovsdb-tool show-log), each of which must name the command. Prints tables
// and each target, and exits 1 when one is missed.
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
#include "ovs_log.h"
#include "support/ovsdb_proxy.h"
#include "support/test_server.h"
#include "timed_run.h"

namespace {

using Args = std::vector<std::string>;

const int kSizes[] = {10, 1000};
const char* const kPnics = "nic0 nic1 nic2 nic3";

// One side of a comparison: the forms of a command, each a program and its
// arguments ("ploncfg-vswitch", "ovs-vsctl" or "ovs_floor"), and what runs
// untimed before and after each run to make and take away what it needs.
// "%sw", "%pg" and "%vm" stand for a bridge in the middle of the host, its
// port group and one of its VM ports, "%sw2" and "%sw3" with "%pg3" for two
// other bridges, "%n" for the run's number. Write commands alternate between
// forms, or take new names, so that each run changes something.
struct Side {
  std::vector<Args> forms;
  std::vector<Args> before = {};
  std::vector<Args> after = {};
};

// A command of ours, its ovs-vsctl counterpart, and, where it is compared
// with one, ovs_floor doing the same.
struct Pair {
  std::string name;
  Side ours;
  Side theirs;
  bool point;              // about one object: should not grow with the host
  Side floor = {};         // no forms: not compared
  double floorTarget = 0;  // ours at most this many times the floor, at 1,000
};

// The most requests, and the transactions, each command may take.
const std::map<std::string, std::pair<int, int>> kCeilings = {
    {"-c", {2, 0}}, {"-C", {2, 0}}, {"-a", {3, 1}}, {"-A", {3, 1}}, {"-v", {3, 1}},
    {"-m", {3, 1}}, {"-d", {3, 1}}, {"-X", {4, 1}}, {"-L", {5, 2}}, {"-U", {5, 2}}};

std::string Substitute(std::string word, int switches, int run) {
  const int middle = switches / 2;
  for (auto [key, value] :
       {std::pair<std::string, std::string>{"%sw2", "sw" + std::to_string(middle + 1)},
        {"%sw3", "sw" + std::to_string(middle + 2)},
        {"%pg3", "pg" + std::to_string(middle + 2)},
        {"%sw", "sw" + std::to_string(middle)},
        {"%pg", "pg" + std::to_string(middle)},
        {"%vm", "sw" + std::to_string(middle) + "vm3"},
        {"%n", std::to_string(run)}}) {
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

std::vector<Pair> Pairs() {
  const std::string us = "ploncfg-vswitch", vsctl = "ovs-vsctl", floor = "ovs_floor";
  return {
      {"-c", {{{us, "-c", "%sw"}}}, {{{vsctl, "br-exists", "%sw"}}}, true, {{{floor, "%sw"}}}, 2.5},
      {"-C", {{{us, "-C", "%pg"}}}, {{{vsctl, "list-br"}}}, true},
      // The floor's bridges stay: ovs-vsctl would disturb the runs beside it.
      {"-a",
       {{{us, "-a", "new%n"}}, {}, {{us, "-d", "new%n"}}},
       {{{vsctl, "add-br", "other%n"}}, {}, {{vsctl, "del-br", "other%n"}}},
       true,
       {{{floor, "--add-bridge", "least%n"}}},
       3},
      {"-d",
       {{{us, "-d", "gone%n"}}, {{us, "-a", "gone%n"}}},
       {{{vsctl, "del-br", "other%n"}}, {{vsctl, "add-br", "other%n"}}},
       true},
      {"-A",
       {{{us, "-A", "web%n", "%sw"}}, {}, {{us, "-D", "web%n", "%sw"}}},
       {{{vsctl, "add-br", "vweb%n", "%sw2", "10%n"}}, {}, {{vsctl, "del-br", "vweb%n"}}},
       true},
      {"-v",
       {{{us, "-v", "10", "-p", "%pg", "%sw"}, {us, "-v", "20", "-p", "%pg", "%sw"}}},
       {{{vsctl, "set", "port", "%vm", "tag=10"}, {vsctl, "set", "port", "%vm", "tag=20"}}},
       true},
      {"-m",
       {{{us, "-m", "9000", "%sw"}, {us, "-m", "1500", "%sw"}}},
       {{{vsctl, "set", "interface", "%sw2", "mtu_request=9000"},
         {vsctl, "set", "interface", "%sw2", "mtu_request=1500"}}},
       true,
       {{{floor, "--mtu", "9000", "%sw3", "%pg3"}, {floor, "--mtu", "1500", "%sw3", "%pg3"}}},
       3},
      {"-X",
       {{{us, "-X", "1", "%sw"}, {us, "-X", "2", "%sw"}}},
       {{{vsctl, "br-set-external-id", "%sw2", "max-active", "1"},
         {vsctl, "br-set-external-id", "%sw2", "max-active", "2"}}},
       true},
      {"-L",
       {{{us, "-L", "nic2", "%sw"}}, {}, {{us, "-U", "nic2", "%sw"}}},
       {{{vsctl, "add-port", "%sw2", "nic3"}}, {}, {{vsctl, "del-port", "%sw2", "nic3"}}},
       true,
       {{{floor, "--add-port", "%sw3", "nic1"}}, {}, {{floor, "--del-port", "%sw3", "nic1"}}}},
      {"-U",
       {{{us, "-U", "nic2", "%sw"}}, {{us, "-L", "nic2", "%sw"}}},
       {{{vsctl, "del-port", "%sw2", "nic3"}}, {{vsctl, "add-port", "%sw2", "nic3"}}},
       true,
       {{{floor, "--del-port", "%sw3", "nic1"}}, {{floor, "--add-port", "%sw3", "nic1"}}}},
      {"-l", {{{us, "-l"}}}, {{{vsctl, "show"}}}, false},
  };
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  std::string missing = ovsdb::TestServer::Missing(ovsdb::TestServer::kSwitchSchema);
  if (!missing.empty()) {
    std::printf("skipped: needs %s\n", missing.c_str());
    return 0;
  }
  const std::string binDir =
      std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
  const std::vector<Pair> pairs = Pairs();
  // name -> size -> {ours, theirs, floor}
  std::map<std::string, std::map<int, std::vector<double>>> medians;
  // option -> size -> {requests, transactions, transactions not naming it}
  std::map<std::string, std::map<int, std::vector<int>>> counts;
  for (int switches : kSizes) {
    ovsdb::TestServer server(ovsdb::TestServer::kSwitchSchema);
    ovsdb::Client(server.UnixRemote(), std::chrono::seconds(15))
        .Transact("Open_vSwitch", {ovsdb::Insert("Open_vSwitch", nlohmann::json::object())});
    auto start = std::chrono::steady_clock::now();
    MakeHost(server.UnixRemote(), switches);
    std::printf("made %d bridges x 8 ports in %.1f s\n", switches,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const std::string socket = server.UnixRemote().substr(std::string("unix:").size());
    ovsdb::OvsdbProxy proxy(socket);
    // Runs pattern for run n, through the proxy when counted; returns the
    // milliseconds it took and the command line it ran.
    auto run = [&](const Args& pattern, int n, bool counted) {
      Args args;
      for (const std::string& word : pattern) args.push_back(Substitute(word, switches, n));
      std::vector<std::string> env;
      if (args[0] == "ovs-vsctl") {
        args[0] = "/usr/bin/ovs-vsctl";
        args.insert(args.begin() + 1, {"--db=" + server.UnixRemote(), "--no-wait"});
      } else if (args[0] == "ovs_floor") {
        args[0] = binDir + "/bench/ovs_floor";
        args.insert(args.begin() + 1, socket);
      } else {
        args[0] = binDir + "/" + args[0];
        env = {"QUENTA_HOSTNET=ovsdb:" + (counted ? proxy.UnixRemote() : server.UnixRemote()),
               "QUENTA_OVS_APPLY_WAIT=0", std::string("QUENTA_OVS_PNICS=") + kPnics};
      }
      RunStats stats = TimedRun(args, env);
      std::string line;
      for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
      if (stats.status != 0) {
        std::fprintf(stderr, "%s failed on %d bridges\n", line.c_str(), switches);
        std::exit(2);
      }
      return std::make_pair(stats.seconds * 1e3, line);
    };
    // Run i of side: its steps untimed around its form, timed.
    auto timed = [&](const Side& side, int i) {
      for (const Args& step : side.before) run(step, i, false);
      const double ms = run(side.forms[i % side.forms.size()], i, false).first;
      for (const Args& step : side.after) run(step, i, false);
      return ms;
    };
    // Ours alone, or run by run in turn with the floor, then ovs-vsctl:
    // a run just after ovs-vsctl's finds the server still taking down its
    // monitor of the whole database. The first run of each warms the caches.
    const int runs = quick ? 3 : 21, theirRuns = quick ? 3 : (switches >= 1000 ? 7 : 21);
    for (const Pair& pair : pairs) {
      std::vector<double> ours, theirs, least;
      for (int i = 0; i < runs + 1; ++i) {
        const double mine = timed(pair.ours, i);
        const double floor = pair.floor.forms.empty() ? 0 : timed(pair.floor, i);
        if (i == 0) continue;
        ours.push_back(mine);
        least.push_back(floor);
      }
      for (int i = 0; i < theirRuns + 1; ++i) {
        const double other = timed(pair.theirs, i);
        if (i > 0) theirs.push_back(other);
      }
      medians[pair.name][switches] = {Median(ours), Median(theirs), Median(least)};
    }
    // Each form of each command once more, counted.
    for (const Pair& pair : pairs) {
      for (std::size_t form = 0; form < pair.ours.forms.size(); ++form) {
        const int n = 1000 + static_cast<int>(form);
        for (const Args& step : pair.ours.before) run(step, n, false);
        const std::size_t logged = LogRecords(server.DatabaseFile()).size();
        proxy.ResetCounts();
        const std::string line = run(pair.ours.forms[form], n, true).second;
        const int requests = proxy.RequestCount();
        const std::vector<std::string> records = LogRecords(server.DatabaseFile());
        int written = 0, unnamed = 0;
        for (std::size_t r = std::min(logged, records.size()); r < records.size(); ++r) {
          ++written;
          unnamed += records[r] != line;
        }
        std::vector<int>& count = counts[pair.ours.forms[form][1]][switches];
        if (count.empty()) count = {0, 0, 0};
        count = {std::max(count[0], requests), std::max(count[1], written), count[2] + unnamed};
        for (const Args& step : pair.ours.after) run(step, n, false);
      }
    }
  }

  std::printf("\n%-4s %8s %12s %14s %8s\n", "cmd", "bridges", "ours (ms)", "ovs-vsctl (ms)",
              "ratio");
  bool fast = true, flat = true, floorsMet = true, countsMet = true;
  for (const Pair& pair : pairs) {
    for (int switches : kSizes) {
      double ours = medians[pair.name][switches][0], theirs = medians[pair.name][switches][1];
      std::printf("%-4s %8d %12.2f %14.2f %7.1fx\n", pair.name.c_str(), switches, ours, theirs,
                  theirs / ours);
      if (pair.point) fast = fast && theirs / ours >= (switches >= 1000 ? 30 : 3);
    }
    if (pair.point) {
      double growth = medians[pair.name][1000][0] / medians[pair.name][10][0];
      std::printf("     growth from 10 to 1,000 bridges: %.2fx (target <= 1.5)\n", growth);
      flat = flat && growth <= 1.5;
    }
  }

  std::printf("\nnext to ovs_floor, one transaction doing the same, run by run in turn:\n");
  std::printf("%-4s %8s %12s %12s %8s %8s\n", "cmd", "bridges", "ours (ms)", "floor (ms)", "ratio",
              "target");
  for (const Pair& pair : pairs) {
    if (pair.floor.forms.empty()) continue;
    for (int switches : kSizes) {
      const std::vector<double>& m = medians[pair.name][switches];
      std::printf("%-4s %8d %12.2f %12.2f %7.2fx", pair.name.c_str(), switches, m[0], m[2],
                  m[0] / m[2]);
      if (switches >= 1000 && pair.floorTarget > 0) {
        std::printf(" %7.1fx", pair.floorTarget);
        floorsMet = floorsMet && m[0] / m[2] <= pair.floorTarget;
      }
      std::printf("\n");
    }
  }

  std::printf("\nrequests (counted by a proxy) and transactions (in the database's log) of each "
              "command:\n");
  std::printf("%-4s %10s %10s %8s %10s %10s %8s %s\n", "cmd", "req 10", "req 1,000", "ceiling",
              "txn 10", "txn 1,000", "should", "transactions naming the command");
  for (const auto& [option, bySize] : counts) {
    auto ceiling = kCeilings.find(option);
    std::printf("%-4s", option.c_str());
    int unnamed = 0;
    bool met = true;
    for (int switches : kSizes) {
      const std::vector<int>& count = bySize.at(switches);
      std::printf(" %10d", count[0]);
      unnamed += count[2];
      if (ceiling != kCeilings.end()) met = met && count[0] <= ceiling->second.first;
    }
    std::printf(" %8s", ceiling == kCeilings.end() ? "-" : std::to_string(ceiling->second.first).c_str());
    for (int switches : kSizes) {
      const std::vector<int>& count = bySize.at(switches);
      std::printf(" %10d", count[1]);
      if (ceiling != kCeilings.end()) met = met && count[1] == ceiling->second.second;
    }
    std::printf(" %8s %s\n",
                ceiling == kCeilings.end() ? "-" : std::to_string(ceiling->second.second).c_str(),
                unnamed == 0 ? "all" : (std::to_string(unnamed) + " do NOT").c_str());
    countsMet = countsMet && met && unnamed == 0;
  }

  std::printf("\ntargets:\n");
  std::printf("  requests at most the ceiling, one transaction per library write, each naming "
              "the command: %s\n", countsMet ? "met" : "MISSED");
  std::printf("  -c at most 2.5x its floor, -a and -m 3x, at 1,000 bridges: %s\n",
              floorsMet ? "met" : "MISSED");
  std::printf("  point commands >= 3x faster than ovs-vsctl at 10 bridges, >= 30x at 1,000: %s\n",
              fast ? "met" : "MISSED");
  std::printf("  point commands <= 1.5x growth from 10 to 1,000 bridges: %s\n",
              flat ? "met" : "MISSED");
  return countsMet && floorsMet && fast && flat ? 0 : 1;
}
