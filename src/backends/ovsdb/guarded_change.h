#ifndef BACKENDS_OVSDB_GUARDED_CHANGE_H_
#define BACKENDS_OVSDB_GUARDED_CHANGE_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "backends/ovsdb/client.h"

// One change of an OVSDB database as a store makes it from what it read: its
// operations, among them guards (waits that fail at once unless what was
// read is so still), in the order they were added, then a comment that the
// server's log keeps with the transaction. The server commits all of it or
// nothing.
namespace ovsdb {

class GuardedChange {
 public:
  // what: what the change does, for messages ("linking pnic eth1 to vsw1").
  explicit GuardedChange(std::string what) : what_(std::move(what)) {}

  // The change commits only when row uuid of table still has the values of
  // columns (an object of column names to values) it was read with. Name
  // only what the change depends on: other clients write status columns of
  // the same rows all the time.
  void Guard(const std::string& table, const std::string& uuid, const nlohmann::json& columns);
  // The change commits only when the map column of row uuid of table still
  // holds the pairs of values: the keys a writer owns, while others may
  // change other keys of the same map.
  void GuardPairs(const std::string& table, const std::string& uuid, const std::string& column,
                  const std::map<std::string, std::string>& values);
  // The change commits only when no row of table meets where at this point
  // of it; when one does, Judge throws clash (for example "a switch named X
  // already exists").
  void GuardAbsent(const std::string& table, std::vector<nlohmann::json> where, std::string clash);
  // The change was built assuming, without reading, that no row of table
  // meets where; it commits only when that is so. When it is not, Judge
  // says kAssumedWrong: build again, reading what was assumed.
  void Assume(const std::string& table, std::vector<nlohmann::json> where);
  // The change was built assuming, without reading, that the names it gives
  // new rows are free, where an index of the server keeps names unique: a
  // commit the index refuses ("constraint violation") makes Judge say
  // kAssumedWrong.
  void AssumeNamesFree() { namesAssumed_ = true; }
  // Adds an operation; returns its index among all of the transaction's.
  std::size_t Add(nlohmann::json operation);
  // A name for a row this change inserts, unique within it.
  std::string NewRowName();
  // The server's log keeps text with the transaction.
  void SetComment(std::string text) { comment_ = std::move(text); }
  // Says what the change does, once the code that builds it knows.
  void SetWhat(std::string what) { what_ = std::move(what); }

  const std::string& What() const { return what_; }
  // True while the change holds nothing but guards.
  bool Empty() const { return operations_.size() == guards_.size(); }
  // The transaction: operations and guards, then the comment.
  std::vector<nlohmann::json> Operations() const;

  // What the server's answer to Operations() says.
  enum class Verdict {
    kCommitted,
    // A guard of what was read failed: nothing was done; read again and
    // build again.
    kStale,
    // What Assume assumed is not so: nothing was done; build again, reading
    // it.
    kAssumedWrong,
  };
  // Throws QuorvicException for a clash of GuardAbsent, or "WHAT failed:
  // REFUSAL" for any other refusal.
  Verdict Judge(const Client::Outcome& outcome) const;

 private:
  // What a failed guard means.
  struct GuardSense {
    bool assumed = false;  // Assume's
    std::string clash;     // GuardAbsent's; empty for a guard of what was read
  };

  std::string what_;
  std::vector<nlohmann::json> operations_;
  // The guards by their index among the operations.
  std::map<std::size_t, GuardSense> guards_;
  std::string comment_;
  int rowNames_ = 0;
  bool namesAssumed_ = false;
};

// How long RunGuarded goes on building and sending a change that others keep
// beating, unless its caller gives another budget.
constexpr std::chrono::milliseconds kGuardedBudget{10000};

// Builds a change with build and sends it with commit, which returns true
// when it committed and false when it is to be built again (a guard failed).
// Before each new try it waits a random while of up to as long as the last
// try took, doubled with each try: writers that keep meeting spread out,
// whatever pace the machine gives them, and a lone writer hardly waits.
// When budget has passed since the first try it throws "gave up WHAT: other
// changes to the same objects kept coming first (N tries in T); NOT MADE",
// where notMade says how (Database::NotMade); without it, "nothing was
// changed". A change build leaves empty is not sent.
void RunGuarded(const std::string& what, const std::function<void(GuardedChange&)>& build,
                const std::function<bool(const GuardedChange&)>& commit,
                std::chrono::milliseconds budget = kGuardedBudget,
                const std::function<std::string()>& notMade = {});

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_GUARDED_CHANGE_H_
