#include "backends/ovsdb/guarded_change.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/stream.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

void GuardedChange::Guard(const std::string& table, const std::string& uuid, const json& columns) {
  std::vector<std::string> names;
  for (const auto& column : columns.items()) names.push_back(column.key());
  guards_.emplace(operations_.size(), GuardSense());
  operations_.push_back(Wait(table, {Condition("_uuid", "==", Uuid(uuid))}, names, Until::kEqual,
                             {columns}, std::chrono::milliseconds(0)));
}

void GuardedChange::GuardPairs(const std::string& table, const std::string& uuid,
                               const std::string& column,
                               const std::map<std::string, std::string>& values) {
  if (values.empty()) return;
  guards_.emplace(operations_.size(), GuardSense());
  operations_.push_back(Wait(
      table, {Condition("_uuid", "==", Uuid(uuid)), Condition(column, "includes", Map(values))},
      {"_uuid"}, Until::kEqual, {json{{"_uuid", Uuid(uuid)}}}, std::chrono::milliseconds(0)));
}

void GuardedChange::GuardAbsent(const std::string& table, std::vector<json> where,
                                std::string clash) {
  guards_.emplace(operations_.size(), GuardSense{false, std::move(clash)});
  operations_.push_back(
      Wait(table, std::move(where), {"_uuid"}, Until::kEqual, {}, std::chrono::milliseconds(0)));
}

void GuardedChange::Assume(const std::string& table, std::vector<json> where) {
  guards_.emplace(operations_.size(), GuardSense{true, std::string()});
  operations_.push_back(
      Wait(table, std::move(where), {"_uuid"}, Until::kEqual, {}, std::chrono::milliseconds(0)));
}

std::size_t GuardedChange::Add(json operation) {
  operations_.push_back(std::move(operation));
  return operations_.size() - 1;
}

std::string GuardedChange::NewRowName() { return "row" + std::to_string(++rowNames_); }

std::vector<json> GuardedChange::Operations() const {
  std::vector<json> all = operations_;
  if (!comment_.empty()) all.push_back(Comment(comment_));
  return all;
}

GuardedChange::Verdict GuardedChange::Judge(const Client::Outcome& outcome) const {
  if (outcome.Committed()) return Verdict::kCommitted;
  if (namesAssumed_ && outcome.failedOperation == 0 && outcome.error == "constraint violation") {
    return Verdict::kAssumedWrong;
  }
  auto guard = guards_.find(outcome.failedOperation - 1);
  if (outcome.failedOperation >= 1 && guard != guards_.end() && outcome.error == "timed out") {
    if (guard->second.assumed) return Verdict::kAssumedWrong;
    if (guard->second.clash.empty()) return Verdict::kStale;
    throw QuorvicException(guard->second.clash);
  }
  throw QuorvicException(what_ + " failed: " + outcome.message);
}

void RunGuarded(const std::string& what, const std::function<void(GuardedChange&)>& build,
                const std::function<bool(const GuardedChange&)>& commit,
                std::chrono::milliseconds budget, const std::function<std::string()>& notMade) {
  constexpr std::chrono::microseconds kLeastWait{200};
  constexpr std::chrono::microseconds kLongestWait{500000};
  std::minstd_rand random{std::random_device{}()};
  const Clock::time_point first = Clock::now();
  for (int attempt = 1;; ++attempt) {
    const Clock::time_point started = Clock::now();
    GuardedChange change(what);
    build(change);
    if (change.Empty() || commit(change)) return;
    const Clock::time_point now = Clock::now();
    if (now - first >= budget) {
      throw QuorvicException(
          "gave up " + what + ": other changes to the same objects kept coming first (" +
          std::to_string(attempt) + " tries in " +
          DescribeTimeout(std::chrono::duration_cast<std::chrono::milliseconds>(now - first)) +
          "); " + (notMade ? notMade() : std::string("nothing was changed")));
    }
    auto longest = std::chrono::duration_cast<std::chrono::microseconds>(now - started);
    longest = std::max(longest, kLeastWait) * (1 << std::min(attempt - 1, 10));
    longest =
        std::min({longest, kLongestWait,
                  std::chrono::duration_cast<std::chrono::microseconds>(first + budget - now)});
    std::uniform_int_distribution<int64_t> micros(0, longest.count());
    std::this_thread::sleep_for(std::chrono::microseconds(micros(random)));
  }
}

}  // namespace ovsdb
