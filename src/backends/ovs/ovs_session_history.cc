#include <cstdio>
#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovs/ovs_session.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

// The session's history, and the records' format it keeps on the root row.
namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using namespace rows;

namespace {

std::string HistoryKey(const HistoryRow& row) {
  char key[64];
  std::snprintf(key, sizeof key, "%s%020lld-%lld", kHistoryPrefix,
                static_cast<long long>(row.timeUs), static_cast<long long>(row.pid));
  return key;
}

bool IsHistoryKey(const std::string& key) { return key.rfind(kHistoryPrefix, 0) == 0; }

std::string Get(const Ids& ids, const std::string& key) {
  auto found = ids.find(key);
  return found == ids.end() ? std::string() : found->second;
}

// What an earlier format left on the root row: its history rows, by column,
// and whether it has kLinksKey.
struct RootLeftovers {
  std::map<std::string, std::string> history;
  std::vector<json> historyIds, historyConfig;
  bool links = false;
};

RootLeftovers LeftoversOf(const RootRow& root) {
  RootLeftovers left;
  for (const auto& [key, value] : root.externalIds) {
    if (IsHistoryKey(key)) {
      left.history.emplace(key, value);
      left.historyIds.push_back(key);
    }
  }
  for (const auto& [key, value] : root.otherConfig) {
    if (IsHistoryKey(key)) {
      left.history.emplace(key, value);
      left.historyConfig.push_back(key);
    }
  }
  left.links = root.externalIds.count(kLinksKey) != 0;
  return left;
}

}  // namespace

json OvsSession::WhereHistoryRow() {
  return Condition("external_ids", "includes", ovsdb::Map({{kRoleKey, kRoleHistory}}));
}

std::vector<std::string> OvsSession::HistoryKeys(const Ids& ids) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : ids) {
    if (IsHistoryKey(key)) keys.push_back(key);
  }
  return keys;
}

std::vector<std::string> OvsSession::RootUpgrades() {
  const RootRow& root = Root();
  const std::string where = database_.Describe();
  const long long format = hostnet::FormatOfMark(where, Get(root.externalIds, kFormatKey));
  hostnet::RefuseNewerFormat(where, format);
  std::vector<std::string> lines;
  if (format < hostnet::kRecordsFormat) {
    lines.push_back(where + ": marked as holding records of format " + hostnet::FormatMark());
  }
  const RootLeftovers left = LeftoversOf(root);
  if (!left.history.empty()) {
    lines.push_back(where + ": moved " + std::to_string(left.history.size()) +
                    " history row(s) from the root row to the history's own row");
  }
  if (left.links) {
    lines.push_back(where + ": dropped the root row's " + kLinksKey +
                    ", which Open vSwitch's own columns replace");
  }
  return lines;
}

bool OvsSession::AddRecords(GuardedChange& change, const HistoryRow* row) {
  const RootRow& root = Root();  // the history's row is read with it
  const std::string where = database_.Describe();
  const long long format = hostnet::FormatOfMark(where, Get(root.externalIds, kFormatKey));
  hostnet::RefuseNewerFormat(where, format);
  std::map<std::string, std::string> added;
  if (row != nullptr) {
    // A refused name may be anything a caller passed: bytes that are not
    // UTF-8 are kept as U+FFFD.
    added[HistoryKey(*row)] =
        HistoryRecord(*row).dump(-1, ' ', false, json::error_handler_t::replace);
  }
  const RootLeftovers left = LeftoversOf(root);
  added.insert(left.history.begin(), left.history.end());
  std::vector<json> gone = left.historyIds;
  if (left.links) gone.push_back(kLinksKey);
  std::vector<json> mutations;
  if (!gone.empty())
    mutations.push_back(ovsdb::Mutation("external_ids", "delete", ovsdb::Set(gone)));
  if (!left.historyConfig.empty()) {
    mutations.push_back(ovsdb::Mutation("other_config", "delete", ovsdb::Set(left.historyConfig)));
  }
  // Inserting a key leaves the value another run wrote meanwhile: the guard
  // after it sees that one.
  if (format < hostnet::kRecordsFormat) {
    mutations.push_back(ovsdb::Mutation("external_ids", "insert",
                                        ovsdb::Map({{kFormatKey, hostnet::FormatMark()}})));
  }
  if (!mutations.empty()) change.Add(ovsdb::Mutate(kDatabase, {}, mutations));
  change.GuardPairs(kDatabase, root.uuid, "external_ids", {{kFormatKey, hostnet::FormatMark()}});
  if (added.empty()) return false;
  AddHistory(change, added);
  return true;
}

void OvsSession::AddHistory(GuardedChange& change,
                            const std::map<std::string, std::string>& added) {
  if (historyRow_.empty()) {
    // The first row of the history makes the Queue row; when another run
    // made it meanwhile, the change is built again, into that one.
    std::map<std::string, std::string> ids = added;
    ids[kRoleKey] = kRoleHistory;
    change.Assume("Queue", {WhereHistoryRow()});
    change.Add(ovsdb::Insert("Queue", {{"external_ids", ovsdb::Map(ids)}}));
    return;
  }
  std::vector<json> dropped;
  if (trims_) {
    // The keys sort by time: the oldest go, so that the limit holds with
    // those added.
    const std::size_t limit = static_cast<std::size_t>(kHistoryLimit);
    const std::size_t keep = added.size() >= limit ? 0 : limit - added.size();
    for (std::size_t i = 0; oldKeys_.size() - i > keep; ++i) dropped.push_back(oldKeys_[i]);
  }
  for (const auto& [key, value] : added) dropped.push_back(key);
  change.Guard("Queue", historyRow_, json::object());
  change.Add(ovsdb::Mutate("Queue", {Condition("_uuid", "==", ovsdb::Uuid(historyRow_))},
                           {ovsdb::Mutation("external_ids", "delete", ovsdb::Set(dropped)),
                            ovsdb::Mutation("external_ids", "insert", ovsdb::Map(added))}));
}

void OvsSession::Recorded() {
  // A run trims once; a history row this run made is read with the root.
  trims_ = false;
  oldKeys_.clear();
  if (historyRow_.empty()) ForgetRoot();
}

void OvsSession::StageHistory(const HistoryRow& row) {
  staged_ = row;
  stagedState_ = StagedRow::kNotWritten;
  rewriteStaged_ = false;
}

StagedRow OvsSession::UnstageHistory() {
  staged_.reset();
  rewriteStaged_ = false;
  return std::exchange(stagedState_, StagedRow::kNotWritten);
}

void OvsSession::RefuseStaged(const std::string& message) {
  if (!staged_ || stagedState_ != StagedRow::kWrittenDone) return;
  staged_->done = false;
  staged_->message = message;
  rewriteStaged_ = true;
}

void OvsSession::AppendHistory(const HistoryRow& row) {
  ovsdb::RunGuarded(
      "recording a change in the history", [&](GuardedChange& change) { AddRecords(change, &row); },
      [&](const GuardedChange& change) {
        if (database_.Commit(change).Committed()) {
          Recorded();
          return true;
        }
        ForgetRoot();
        return false;
      },
      ovsdb::kGuardedBudget, [this] { return database_.NotMade(); });
}

std::vector<HistoryRow> OvsSession::ReadHistory(int64_t sinceUs) {
  // Rows an earlier format kept on the root row count until a change moves
  // them.
  const std::vector<json> results =
      Read({ovsdb::Select("Queue", {WhereHistoryRow()}, {"external_ids"}),
            ovsdb::Select(kDatabase, {}, {"external_ids", "other_config"})});
  std::map<std::string, std::string> history;
  for (const json& result : results) {
    for (const json& row : result.at("rows")) {
      for (const auto& [column, map] : row.items()) {
        for (auto& [key, value] : ovsdb::ReadMap(map)) {
          if (key.rfind(kHistoryPrefix, 0) == 0) history.emplace(key, value);
        }
      }
    }
  }
  std::vector<HistoryRow> rows;
  int64_t id = 0;
  for (const auto& [key, value] : history) {
    ++id;
    const json record = ParseRecord(key, value);
    // Rows from before sinceUs are passed over unread.
    if (record.value("time", int64_t{0}) < sinceUs) continue;
    HistoryRow row = ReadHistoryRecord(record);
    row.id = id;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace ovs_host
