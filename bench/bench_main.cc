// Times whole invocations of ploncfg-vswitch on hosts of 10, 1,000 and 10,000
// standard switches (8 port groups each), next to floor programs that do the
// least work our design allows: open the host database and run one indexed
// SELECT (read), one committed INSERT (write), one joined listing query (list).
// Prints a table and the ratios, with the peak memory of the listing beside
// its ratio, and exits 1 when a target is missed.
//
// Usage: ploncfg-bench [--quick] [--list]   (from the build folder; --list
// times the listing alone)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host_generator.h"
#include "timed_run.h"

namespace fs = std::filesystem;

namespace {

const int kSizes[] = {10, 1000, 10000};

struct Host {
  int switches;
  std::string db;
  std::string target;      // a switch in the middle of the host
  std::string portGroup;   // one of its port groups
};

struct Op {
  std::string name;
  std::string kind;  // "read", "write", "list", or "floor"
  // The invocations, run in turn; "%sw" and "%pg" stand for the host's target
  // switch and port group, "%db" for its database path.
  std::vector<std::vector<std::string>> cycle;
};

struct Summary {
  double median = 0, min = 0, max = 0;
  long maxRssKiB = 0;
};

std::string Replace(std::string text, const Host& host) {
  auto substitute = [&](const std::string& key, const std::string& value) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
      text.replace(at, key.size(), value);
      at += value.size();
    }
  };
  substitute("%sw", host.target);
  substitute("%pg", host.portGroup);
  substitute("%db", host.db);
  return text;
}

Summary Summarize(std::vector<RunStats> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const RunStats& a, const RunStats& b) { return a.seconds < b.seconds; });
  Summary s;
  s.min = runs.front().seconds;
  s.max = runs.back().seconds;
  s.median = runs[runs.size() / 2].seconds;
  for (const RunStats& r : runs) s.maxRssKiB = std::max(s.maxRssKiB, r.maxRssKiB);
  return s;
}

// Runs every op of ops on every host, run by run, interleaving the ops and
// the hosts so that drift of the machine's speed touches them all alike.
// Returns each op's summaries by host size, in the order of ops.
std::vector<std::map<int, Summary>> Measure(const std::vector<Op>& ops,
                                            const std::vector<Host>& hosts,
                                            const std::string& binDir, int runs) {
  std::vector<std::map<int, std::vector<RunStats>>> stats(ops.size());
  const int warmup = 3;
  for (int i = 0; i < warmup + runs; ++i) {
    for (size_t o = 0; o < ops.size(); ++o) {
      for (const Host& host : hosts) {
        const std::vector<std::string>& pattern = ops[o].cycle[i % ops[o].cycle.size()];
        std::vector<std::string> argv;
        for (const std::string& word : pattern) argv.push_back(Replace(word, host));
        argv[0] = binDir + "/" + argv[0];
        RunStats r = TimedRun(argv, {"QUENTA_HOSTNET_DB=" + host.db});
        if (r.status < 0) {
          std::fprintf(stderr, "%s did not exit on host %d\n", ops[o].name.c_str(),
                       host.switches);
          std::exit(2);
        }
        if (i >= warmup) stats[o][host.switches].push_back(r);
      }
    }
  }
  std::vector<std::map<int, Summary>> result(ops.size());
  for (size_t o = 0; o < ops.size(); ++o) {
    for (auto& [size, runStats] : stats[o]) result[o][size] = Summarize(runStats);
  }
  return result;
}

void PrintRows(const std::string& name, const std::map<int, Summary>& summaries) {
  for (const auto& [size, s] : summaries) {
    std::printf("%-12s %8d %10.2f %10.2f %10.2f %10ld\n", name.c_str(), size, s.median * 1e3,
                s.min * 1e3, s.max * 1e3, s.maxRssKiB);
  }
}

Host MakeHost(const std::string& binDir, const fs::path& dir, int switches) {
  Host host{switches, (dir / ("host" + std::to_string(switches) + ".db")).string(),
            "sw" + std::to_string(switches / 2), "pg" + std::to_string(switches / 2) + "_3"};
  fs::path json = dir / ("host" + std::to_string(switches) + ".json");
  {
    std::ofstream out(json);
    WriteBenchHost(out, switches);
  }
  RunStats load = TimedRun({binDir + "/ploncfg-host", "load", json.string()},
                           {"QUENTA_HOSTNET_DB=" + host.db});
  if (load.status != 0) {
    std::fprintf(stderr, "ploncfg-host load failed for %d switches\n", switches);
    std::exit(2);
  }
  std::printf("loaded %5d switches x 8 port groups in %7.1f ms (peak %ld KiB)\n", switches,
              load.seconds * 1e3, load.maxRssKiB);
  return host;
}

bool Check(bool ok, const char* what, double value, double limit, const std::string& note = "") {
  std::printf("  %-62s %7.2f  (target <= %.2f)  %-6s %s\n", what, value, limit,
              ok ? "ok" : "MISSED", note.c_str());
  return ok;
}

std::string Mib(long kib) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024.0);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  bool listOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    quick = quick || option == "--quick";
    listOnly = listOnly || option == "--list";
  }
  std::string binDir = fs::canonical("/proc/self/exe").parent_path().parent_path().string();
  fs::path dir = fs::temp_directory_path() / ("ploncfg-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);

  std::vector<Host> hosts;
  for (int size : kSizes) hosts.push_back(MakeHost(binDir, dir, size));

  // Each command runs interleaved with the floor of its kind, and its ratio
  // is taken against that floor's runs.
  const std::map<std::string, Op> floors = {
      {"read", {"read floor", "floor", {{"bench/bench_floor", "read", "%db", "%sw"}}}},
      {"write", {"write floor", "floor", {{"bench/bench_floor", "write", "%db"}}}},
      {"list", {"list floor", "floor", {{"bench/bench_floor", "list", "%db"}}}},
  };
  const std::vector<Op> ops = {
      {"-c", "read", {{"ploncfg-vswitch", "-c", "%sw"}}},
      {"-b", "read", {{"ploncfg-vswitch", "-b", "%sw"}}},
      {"-x", "read", {{"ploncfg-vswitch", "-x", "%sw"}}},
      {"-C", "read", {{"ploncfg-vswitch", "-C", "%pg"}}},
      {"-A/-D", "write",
       {{"ploncfg-vswitch", "-A", "bench-pg", "%sw"}, {"ploncfg-vswitch", "-D", "bench-pg", "%sw"}}},
      {"-v", "write", {{"ploncfg-vswitch", "-v", "100", "-p", "%pg", "%sw"}}},
      {"-L/-U", "write",
       {{"ploncfg-vswitch", "-L", "nic2", "%sw"}, {"ploncfg-vswitch", "-U", "nic2", "%sw"}}},
      {"-X", "write", {{"ploncfg-vswitch", "-X", "1", "%sw"}}},
      {"-m", "write", {{"ploncfg-vswitch", "-m", "9000", "%sw"}}},
      {"-l", "list", {{"ploncfg-vswitch", "-l"}}},
  };

  std::printf("\n%-12s %8s %10s %10s %10s %10s\n", "command", "switches", "median ms", "min ms",
              "max ms", "peak KiB");
  std::map<std::string, std::map<int, Summary>> results;
  std::map<std::string, std::map<int, Summary>> floorResults;
  for (const Op& op : ops) {
    if (listOnly && op.kind != "list") continue;
    const Op& floor = floors.at(op.kind);
    int runs = op.kind == "list" ? (quick ? 5 : 15) : (quick ? 9 : 31);
    std::vector<std::map<int, Summary>> measured = Measure({op, floor}, hosts, binDir, runs);
    results[op.name] = measured[0];
    floorResults[op.name] = measured[1];
    PrintRows(op.name, measured[0]);
    PrintRows("  " + floor.name, measured[1]);
  }

  std::printf("\nratios (medians)\n");
  bool ok = true;
  for (const Op& op : ops) {
    if (results.count(op.name) == 0 || (op.kind != "read" && op.kind != "write")) continue;
    const auto& r = results[op.name];
    double floor = floorResults[op.name].at(10000).median;
    std::string vsFloor = op.name + " at 10,000 / " + op.kind + " floor";
    std::string flat = op.name + " at 10,000 / at 10";
    ok &= Check(r.at(10000).median <= 1.3 * floor, vsFloor.c_str(), r.at(10000).median / floor, 1.3);
    ok &= Check(r.at(10000).median <= 1.1 * r.at(10).median, flat.c_str(),
                r.at(10000).median / r.at(10).median, 1.1);
  }
  const auto& list = results["-l"];
  const auto& listFloor = floorResults["-l"];
  ok &= Check(list.at(10000).median <= 1.3 * listFloor.at(10000).median,
              "-l at 10,000 / list floor at 10,000",
              list.at(10000).median / listFloor.at(10000).median, 1.3,
              "peak " + Mib(list.at(10000).maxRssKiB) + " (floor " +
                  Mib(listFloor.at(10000).maxRssKiB) + ")");
  ok &= Check(list.at(10000).median <= 10.5 * list.at(1000).median, "-l at 10,000 / -l at 1,000",
              list.at(10000).median / list.at(1000).median, 10.5);
  ok &= Check(list.at(10000).maxRssKiB <= 16 * 1024, "-l at 10,000 peak RSS (MiB)",
              list.at(10000).maxRssKiB / 1024.0, 16);

  fs::remove_all(dir);
  std::printf("\n%s\n", ok ? "all targets met" : "some targets MISSED");
  return ok ? 0 : 1;
}
