#ifndef BACKENDS_OVS_OVS_SESSION_H_
#define BACKENDS_OVS_OVS_SESSION_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/ovs/ovs_bridge_read.h"
#include "backends/ovs/ovs_settings.h"
#include "backends/ovsdb/database.h"
#include "backends/rows/host_rows.h"

// A run's one connection to Open vSwitch's switch database, which the host's
// store and its chassis share, and what both need of it: the root row, read
// once a run and as each commit left it; every transaction through one
// commit path (ovsdb::Database: the command line as its comment, a token in
// the root's external_ids "quenta:change" for a lost answer); the history;
// and the one check that ovs-vswitchd applied a change.
//
// The history is one key per row, "quenta:history:TIME-PID" (TIME in
// microseconds, zero-padded so that keys sort by time), in the external_ids
// of one Queue row of ours (quenta:role=history), off the root that every run
// reads. Queue is a root table, so the row stands without a QoS that names
// it; ovs-vswitchd uses no queue that no QoS names. The row of the change a
// library call makes is staged before the call and written by the first
// transaction of the call that commits; a row that no transaction carried is
// appended by a transaction of its own. About one run in 64 also drops the
// rows beyond kHistoryLimit, having read them with the root.
//
// The records' format: every transaction commits only while the root's
// kFormatKey names this build's format; one of a root without the mark
// writes it, and moves what earlier formats kept on the root row (history
// rows, kLinksKey) where this build keeps it, or drops it. A root whose mark
// names a later format is read, and every transaction is refused, naming
// both formats, before it is sent.
namespace ovs_host {

struct RootRow {
  std::string uuid;
  Ids externalIds;
  Ids otherConfig;
};

// What a change asks of the datapath once ovs-vswitchd has applied it: the
// interfaces that must have no error and a port number, and, when given,
// that MTU.
struct DatapathCheck {
  // The change reaches the datapath: its commit bumps next_cfg, and it is
  // confirmed applied.
  bool reached = false;
  std::vector<std::pair<std::string, std::optional<uint32_t>>> expected;
  // Puts back what the change replaced, when the datapath refused it; with
  // none, the database keeps a refused change.
  std::function<void()> undo;
};

class OvsSession {
 public:
  using Clock = std::chrono::steady_clock;

  explicit OvsSession(OvsSettings settings);

  const OvsSettings& Settings() const { return settings_; }
  ovsdb::Database& Database() { return database_; }

  // Connects; throws, with the detail "Open vSwitch", naming the remote, the
  // setting that chose it and how to start Open vSwitch.
  void Connect();
  // Runs read-only operations as one request, with those ReadAlong added;
  // sends none when there are none.
  std::vector<nlohmann::json> Read(std::vector<nlohmann::json> operations);
  // Adds reads to the run's next request, so that what a later step may
  // need costs no request of its own; take gets their results once that
  // request is answered, and nothing when it fails.
  void ReadAlong(std::vector<nlohmann::json> reads,
                 std::function<void(std::vector<nlohmann::json>)> take);

  // The root row: read once a run, then as this run's commits left it.
  const RootRow& Root();
  // What the first transaction of this build writes on the root row as it
  // reads now, each as a line; empty when the root is of this build's format
  // and keeps nothing of an earlier one. Throws when it is of a later one.
  std::vector<std::string> RootUpgrades();
  // Forgets the root, after a guard of what was read failed.
  void ForgetRoot() { root_.reset(); }

  // What Commit came to.
  struct Committed {
    ovsdb::Database::Result result;
    // The configuration ovs-vswitchd is to reach, for a change that reaches
    // the datapath; nullopt when the answer was lost and read back.
    std::optional<int64_t> target;
  };
  // Commits change with the staged history row, when no transaction carried
  // it yet, and, when reachesDatapath, with next_cfg bumped. When it did not
  // commit, the root is forgotten.
  Committed Commit(const ovsdb::GuardedChange& change, bool reachesDatapath);

  // Confirms that ovs-vswitchd applied what, committed as committed, when
  // datapath.reached and apply-wait is not 0; returns once it did. Throws
  // kNotConfirmed, naming what, when that is not known: ovs-vswitchd did not
  // apply it within apply-wait, or the wait's reads failed. When the
  // datapath refused an interface: without datapath.undo, throws "the
  // datapath refused WHAT (WHY); the database keeps the change"; with it,
  // marks the staged history row refused (the undo's transaction rewrites
  // it), runs the undo and throws "the datapath refused WHAT (WHY); it was
  // undone", or, when the undo throws, that it failed too, with the undo's
  // kind.
  void ConfirmApplied(const std::string& what, const Committed& committed,
                      const DatapathCheck& datapath);

  // --- The history (hostnet::Backend says what each promises) ---------------
  static constexpr int64_t kHistoryLimit = 1000;
  void StageHistory(const rows::HistoryRow& row);
  rows::StagedRow UnstageHistory();
  // The staged row, written as done, is to say refused with message; the
  // next commit rewrites it.
  void RefuseStaged(const std::string& message);
  void AppendHistory(const rows::HistoryRow& row);
  std::vector<rows::HistoryRow> ReadHistory(int64_t sinceUs);

 private:
  // Waits until ovs-vswitchd has applied configuration target, then until
  // each interface of expected (a name and, when given, the MTU it must
  // show) shows no error, a port number and its MTU, all by apply-wait.
  // Returns what is wrong ("ovs-vswitchd did not apply it within ..." or
  // "interface X: ERROR"); empty when all is well. An interface another run
  // removed meanwhile no longer counts.
  std::string AwaitDatapath(
      int64_t target, const std::vector<std::pair<std::string, std::optional<uint32_t>>>& expected);
  // Adds to change the guard of the records' format and, on a root that
  // needs it, its upgrade (see the header), then what writes row (none:
  // nullptr) into the history, replacing a row of the same key; returns
  // whether the change writes the history. Throws, adding nothing, for a root
  // of a later format.
  bool AddRecords(ovsdb::GuardedChange& change, const rows::HistoryRow* row);
  // Adds to change what writes the rows of added into the history, and what
  // drops the rows beyond the limit when this run read them.
  void AddHistory(ovsdb::GuardedChange& change, const std::map<std::string, std::string>& added);
  // After a commit that wrote a history row.
  void Recorded();
  // Where the history's row is: the Queue row of ours whose role is
  // kRoleHistory.
  static nlohmann::json WhereHistoryRow();
  // The history keys of a map, oldest first.
  static std::vector<std::string> HistoryKeys(const Ids& ids);

  OvsSettings settings_;
  ovsdb::Database database_;
  // The reads to add to the next request, and who takes their results.
  struct Along {
    std::vector<nlohmann::json> reads;
    std::function<void(std::vector<nlohmann::json>)> take;
  };
  std::vector<Along> along_;
  std::optional<RootRow> root_;
  // The history's Queue row, as read with the root: its UUID (empty when
  // there is none), and, in a run that trims, its keys and those an earlier
  // build left on the root.
  std::string historyRow_;
  bool trims_ = false;
  std::vector<std::string> oldKeys_;
  // The row of the library call under way, and what became of it.
  std::optional<rows::HistoryRow> staged_;
  rows::StagedRow stagedState_ = rows::StagedRow::kNotWritten;
  bool rewriteStaged_ = false;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_SESSION_H_
