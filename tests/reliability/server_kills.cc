// Server kills: changes made with ploncfg-vswitch on a private Open vSwitch
// (ovsdb-server and ovs-vswitchd on the dummy datapath) while ovsdb-server is
// killed with SIGKILL at a random moment of the run and started again after
// a random pause; then changes during whose commit the server is frozen
// (SIGSTOP) for 12 s, or for 17 s, past the 15 s deadline of a request. Each
// change is made first on a quiet copy of the host (a second ovsdb-server),
// which shows what it does. Afterwards what the tool said is compared with
// what the database holds:
//   done              exit status 0
//   in the database   the message says the database holds the change, or
//                     this run's earlier changes
//   unknown           the message says it may or may not have been applied
//   not made          the message says nothing was changed
//   plain failure     any other message
// A miss: a change the database holds told as a plain failure or as not
// made; a change it lacks told done or as in it; a host neither as before,
// nor as after, nor between the command's two library writes; a run ended
// by a signal; a frozen run longer than one deadline; an undisturbed run that
// ended otherwise than on the copy. Prints the count of each outcome; exits
// 1 on a miss, 77 where Open vSwitch is missing.

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iomanip>
#include <iostream>
#include <set>
#include <thread>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "harness.h"
#include "hostnet/quorvic_exception.h"
#include "support/ovsdb_proxy.h"
#include "support/test_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using ovsdb::TestServer;

constexpr double kDeadline = 15;  // seconds, of each request to the database
const char* const kSwitches[] = {"sw0", "sw1", "sw2"};

enum Told { kDone, kInDatabase, kUnknown, kNotMade, kPlain, kTolds };
const char* const kToldNames[] = {"done", "in the database", "unknown", "not made",
                                  "plain failure"};
enum Held { kAbsent, kFirstWrite, kApplied, kNeither, kHelds };
const char* const kHeldNames[] = {"absent", "first write", "applied", "neither"};

bool Says(const CommandOutput& run, const char* text) {
  return run.err.find(text) != std::string::npos;
}

// Whether run names earlier changes of its own in the database other than
// history rows, which a dump does not show.
bool NamesEarlierChanges(const CommandOutput& run) {
  const std::size_t at = run.err.find("earlier changes are in ");
  if (at == std::string::npos) return false;
  const std::size_t list = run.err.find(": ", at);
  std::string named = run.err.substr(list + 2, run.err.find('\n', list) - list - 2);
  const std::string history = "recording a change in the history";
  for (std::size_t h; (h = named.find(history)) != std::string::npos;) named.erase(h, history.size());
  return named.find_first_not_of("; ") != std::string::npos;
}

Told TellOf(const CommandOutput& run) {
  if (run.status == 0) return kDone;
  if (Says(run, "may or may not have been applied")) return kUnknown;
  if (Says(run, "nothing was changed")) return kNotMade;
  if (Says(run, "the database holds the change") || NamesEarlierChanges(run)) return kInDatabase;
  return kPlain;
}

// Whether what run told is true of the host it left.
bool Truthful(const CommandOutput& run, Held held) {
  switch (TellOf(run)) {
    case kDone:
      return held == kApplied;
    case kInDatabase:
      return held == kFirstWrite || held == kApplied;
    case kUnknown:
      return held != kNeither;
    case kNotMade:  // of its last write; the run's earlier ones are named
      return held == kAbsent || (held == kFirstWrite && NamesEarlierChanges(run));
    default:
      return held == kAbsent;
  }
}

// The host as tools dump it, its switches by name: a copy made its
// switches in another order.
Json Dump(const Tools& tools) {
  Json host = tools.Dump();
  std::sort(host["switches"].begin(), host["switches"].end(),
            [](const Json& a, const Json& b) { return a["name"] < b["name"]; });
  return host;
}

// The next change, and for -R a host whose uplinks it restores with one
// write: the last stored uplink of one switch unlinked, the others linked
// (unless two switches store one pnic: then the host stays as it is).
Operation NextChange(Picks& picks, int serial, Json& host) {
  const std::string sw = kSwitches[picks.Pick(3)], pnic = "nic" + std::to_string(picks.Pick(4));
  const std::string pg = picks.PortGroupOf(host, sw), n = std::to_string(serial);
  const Operation changes[] = {
      {{"-a", "x" + n}, "", {}},
      {{"-A", "g" + n, sw}, sw, {}},
      {{"-v", std::to_string(picks.Pick(4095)), "-p", pg, sw}, sw, {}},
      {{"-L", pnic, sw}, sw, {"uplinks", "configUplinks"}},
      {{"-U", pnic, sw}, sw, {"teaming"}},
      {{"-m", std::to_string(1280 + picks.Pick(7721)), sw}, sw, {}},
      {{"-X", std::to_string(picks.Pick(4)), sw}, sw, {}},
      {{"-d", picks.SwitchNamed(host, 'x')}, "", {}},
      {{"-R"}, "", {}},
  };
  const Operation& change = changes[picks.Pick(9)];
  if (change.args[0] != "-R") return change;
  Json restored = host;
  std::set<std::string> stored;
  bool unlinked = false;
  for (Json& s : restored["switches"]) {
    s["uplinks"] = s["configUplinks"];
    for (const Json& uplink : s["uplinks"]) {
      if (!stored.insert(uplink.get<std::string>()).second) return change;
    }
    if (!unlinked && !s["uplinks"].empty()) {
      s["uplinks"].erase(s["uplinks"].size() - 1);
      unlinked = true;
    }
  }
  host = restored;
  return change;
}

// Waits until ovs-vswitchd applies a configuration asked for now, as it
// must for the next change to be applied in time; false after 30 s.
bool Applied(const TestServer& server) {
  nlohmann::json target;
  for (const Clock::time_point end = Clock::now() + std::chrono::seconds(30); Clock::now() < end;
       std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    try {
      ovsdb::Client client(server.UnixRemote(), std::chrono::seconds(2));
      auto read = [&](std::vector<nlohmann::json> ops) {
        ops.push_back(ovsdb::Select("Open_vSwitch", {}, {"next_cfg", "cur_cfg"}));
        return client.Transact("Open_vSwitch", ops).back()["rows"][0];
      };
      if (target.is_null()) {
        target = read({ovsdb::Mutate("Open_vSwitch", {}, {ovsdb::Mutation("next_cfg", "+=", 1)})})
            ["next_cfg"];
      }
      if (read({})["cur_cfg"] >= target) return true;
    } catch (const Quorvic::Lib::QuorvicException&) {
    }
  }
  return false;
}

// A tool's run on a thread of its own, while this one kills or stops the
// server.
class Background {
 public:
  Background(const Tools& tools, const Args& args)
      : thread_([this, tools, args] {
          output_ = tools.Vswitch(args);
          took_ = Clock::now() - start_;
          ended_ = true;
        }) {}
  bool Ended() const { return ended_; }
  // Waits for the end of the run.
  CommandOutput Join() {
    thread_.join();
    return output_;
  }
  double Took() const { return took_.count(); }

 private:
  const Clock::time_point start_ = Clock::now();
  std::atomic<bool> ended_{false};
  CommandOutput output_;
  std::chrono::duration<double> took_{};
  std::thread thread_;
};

struct Figures {
  long counts[kTolds][kHelds] = {};
  long disturbed = 0, unchanged = 0, misses = 0;

  void Count(const Operation& op, const CommandOutput& run, const Json& before, const Json& after,
             const Json& state, bool undisturbed, const CommandOutput& quiet) {
    Held held = state == after ? kApplied : state == before ? kAbsent : kNeither;
    if (held == kNeither && !op.firstStep.empty() && state == FirstStep(op, before, after)) {
      held = kFirstWrite;
    }
    bool truthful = before == after ? held != kNeither : Truthful(run, held);
    if (undisturbed && (held != kApplied || run.status != quiet.status)) truthful = false;
    unchanged += before == after;
    if (before != after && !undisturbed) {
      ++disturbed;
      ++counts[TellOf(run)][held];
    }
    if (truthful && run.status < 128) return;
    ++misses;
    std::cerr << "MISS: " << ShowCommand(op.args) << " (" << (undisturbed ? "undisturbed, " : "")
              << "status " << run.status << ", the database: " << kHeldNames[held]
              << ") said: " << run.err;
    if (held == kNeither) ReportDifferences(after, state, "", std::cerr);
  }

  void Print(std::ostream& out) const {
    out << "  " << std::left << std::setw(20) << "what the tool said" << std::right;
    for (const char* held : kHeldNames) out << std::setw(13) << held;
    for (int t = 0; t < kTolds; ++t) {
      out << "\n  " << std::left << std::setw(20) << kToldNames[t] << std::right;
      for (long count : counts[t]) out << std::setw(13) << count;
    }
    out << "\n  applied changes told as plain failures: "
        << counts[kPlain][kApplied] + counts[kPlain][kFirstWrite]
        << "; absent changes told done: " << counts[kDone][kAbsent] << "; misses in all: " << misses
        << "\n";
  }
};

}  // namespace

int main(int argc, char** argv) {
  const Check check(argc, argv, "[--changes N] [--kills N] [--freezes N] [--seed N]",
                    "ploncfg-kills");
  const std::string missing = TestServer::MissingSwitchDaemon();
  if (!missing.empty()) {
    std::cout << "skipped: needs " << missing << "\n";
    return 77;
  }
  const long changes = check.Number("changes", 1000), freezes = check.Number("freezes", 12);
  const long kills = check.Number("kills", changes);
  const auto seed = static_cast<unsigned>(check.Number("seed", std::random_device{}()));
  std::cout << "seed " << seed << std::endl;  // before anything can go wrong
  TestServer server(TestServer::kSwitchSchema), quiet(TestServer::kSwitchSchema);
  server.StartSwitchDaemon();
  ovsdb::RunProgram(
      {ovsdb::FindProgram("ovs-vsctl"), "--db=" + quiet.UnixRemote(), "--no-wait", "init"});
  ovsdb::OvsdbProxy proxy(server.UnixRemote().substr(5));
  auto toolsOn = [&](const std::string& remote, const std::string& wait) {
    Tools on = check.On("");
    on.env = {"QUENTA_HOSTNET=ovsdb:" + remote, "QUENTA_OVS_APPLY_WAIT=" + wait,
              "QUENTA_OVS_PNICS=nic0 nic1 nic2 nic3", "QUENTA_OVS_DATAPATH=dummy"};
    return on;
  };
  const Tools real = toolsOn(server.UnixRemote(), "5"), copy = toolsOn(quiet.UnixRemote(), "0"),
              throughProxy = toolsOn(proxy.UnixRemote(), "5");
  real.Load(Json::parse(R"({"pnics": ["nic0", "nic1", "nic2", "nic3"], "switches": [
      {"name": "sw0", "uplinks": ["nic0"], "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
       "portGroups": [{"name": "pg0"}, {"name": "pg1"}, {"name": "pg2"}]},
      {"name": "sw1", "uplinks": ["nic1"], "portGroups": [{"name": "web"}]}, {"name": "sw2"}]})"));

  Picks picks(seed);
  Figures killed, frozen;
  // One change: made on the copy, then on the server while act disturbs it
  // (act says whether it did). Returns how long the run took, in seconds.
  auto change = [&](Figures& figures, const Operation& op, Json before, const Tools& tools,
                    const std::function<bool(Background&)>& act) {
    if (!Applied(server)) std::cerr << "ovs-vswitchd did not catch up within 30 s\n";
    if (before != Dump(real)) {
      real.Load(before);
      before = Dump(real);
    }
    copy.Load(before);
    const CommandOutput quietRun = copy.Vswitch(op.args);
    const Json after = Dump(copy);
    Background run(tools, op.args);
    const bool disturbed = act(run);
    const CommandOutput told = run.Join();
    // A new ovs-vswitchd connects at once, where this one would wait.
    if (disturbed) server.StartSwitchDaemon();
    figures.Count(op, told, before, after, Dump(real), !disturbed, quietRun);
    return run.Took();
  };

  long typical = 0;  // microseconds
  for (int i = 0; i < 9; ++i) {
    const Clock::time_point start = Clock::now();
    real.Vswitch({"-m", std::to_string(1500 + i % 2), "sw2"});
    typical += std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() / 9;
  }
  for (long i = 0; i < changes; ++i) {
    Json before = Dump(real);
    const Operation op = NextChange(picks, static_cast<int>(i), before);
    const long delay = picks.Between(0, typical * 3 / 2), pause = picks.Between(0, 100000);
    const bool aimed = picks.Between(1, changes) <= kills;
    change(killed, op, before, real, [&](Background& run) {
      std::this_thread::sleep_for(std::chrono::microseconds(delay));
      // A run that ends at this very moment counts as disturbed.
      if (!aimed || run.Ended()) return false;
      server.Kill();
      std::this_thread::sleep_for(std::chrono::microseconds(pause));
      server.Restart();
      return true;
    });
  }
  std::cout << "server kills: " << changes << " changes (seed " << seed << ", a run takes about "
            << typical / 1000 << " ms), " << killed.unchanged
            << " of them with nothing to do; ovsdb-server killed with SIGKILL during "
            << killed.disturbed << " changes, and started again 0 to 100 ms later\n";
  killed.Print(std::cout);

  double longest = 0;
  for (long f = 0; f < freezes; ++f) {
    const auto hold = std::chrono::seconds(f % 2 == 0 ? 17 : 12);
    const Operation op = f % 2 == 0 ? Operation{{"-a", "f" + std::to_string(f)}, "", {}}
                                    : Operation{{"-m", std::to_string(2000 + f), "sw2"}, "sw2", {}};
    std::atomic<bool> stopped{false};
    proxy.BeforeNextWrite([&] {
      kill(server.Pid(), SIGSTOP);
      stopped = true;
    });
    const double took = change(frozen, op, Dump(real), throughProxy, [&](Background& run) {
      while (!stopped && !run.Ended()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (!stopped) return false;
      std::this_thread::sleep_for(hold);
      kill(server.Pid(), SIGCONT);
      return true;
    });
    proxy.BeforeNextWrite({});
    longest = std::max(longest, took);
    if (took > kDeadline + 1.5) {
      ++frozen.misses;
      std::cerr << "MISS: " << ShowCommand(op.args) << " took " << took << " s\n";
    }
  }
  std::cout << "frozen server: " << freezes << " changes; ovsdb-server stopped with SIGSTOP "
            << "during " << frozen.disturbed << " commits, for 17 s or 12 s (the deadline is "
            << kDeadline << " s); the longest run took " << longest << " s\n";
  frozen.Print(std::cout);
  return check.Finish(killed.misses == 0 && frozen.misses == 0);
}
