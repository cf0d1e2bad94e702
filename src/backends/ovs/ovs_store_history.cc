#include <cstdio>
#include <iterator>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

// The history lives in the external_ids of one Queue row of ours, one key
// per row, "quenta:history:TIME-PID" (TIME in microseconds, zero-padded so
// that keys sort by time). Queue is a root table, so the row stands without
// a QoS that names it; ovs-vswitchd uses no queue that no QoS names and
// does not wake for changes of external_ids. Off the root row, the history
// costs nothing to the root's reads, which every run makes, however long it
// grows. A row is added with mutate, so it never meets another writer's
// change; the first adds the Queue row, guarded so that there is one.
namespace ovs_host {

using namespace rows;

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

std::string HistoryKey(const HistoryRow& row) {
  char key[64];
  std::snprintf(key, sizeof key, "%s%020lld-%lld", kHistoryPrefix,
                static_cast<long long>(row.timeUs), static_cast<long long>(row.pid));
  return key;
}

json WhereHistoryRow() {
  return ovsdb::Condition("external_ids", "includes", ovsdb::Map({{kRoleKey, kRoleHistory}}));
}

// The maps of the root row where earlier builds kept the history: format 1
// in other_config, builds of a branch in external_ids.
const char* const kRootHistoryColumns[] = {"other_config", "external_ids"};

// The history's keys and rows, oldest first: those of the history row, and
// any an earlier build left on the root row.
std::map<std::string, std::string> ReadHistoryKeys(OvsConnection& connection) {
  const std::vector<json> results = connection.Read(
      {ovsdb::Select("Queue", {WhereHistoryRow()}, {"external_ids"}),
       ovsdb::Select("Open_vSwitch", {}, {"other_config", "external_ids"})});
  std::map<std::string, std::string> history;
  for (const json& result : results) {
    for (const json& row : result.at("rows")) {
      for (const auto& [column, value] : row.items()) {
        for (auto& [key, text] : ovsdb::ReadMap(value)) {
          if (key.rfind(kHistoryPrefix, 0) == 0) history.emplace(key, text);
        }
      }
    }
  }
  return history;
}

}  // namespace

void OvsStore::AppendHistory(const HistoryRow& row) {
  // Trimming reads every row, so only about one append in 64 does it (the
  // one whose time is a multiple of 64 us): the history may pass its limit
  // by a few dozen rows between trims.
  std::vector<json> dropped;
  if (row.timeUs % 64 == 0) {
    std::map<std::string, std::string> history = ReadHistoryKeys(connection_);
    auto keep = static_cast<size_t>(kOvsHistoryLimit - 1);
    for (auto it = history.begin(); history.size() - dropped.size() > keep; ++it) {
      dropped.push_back(it->first);
    }
  }
  // A refused name may be anything a caller passed: bytes that are not
  // UTF-8 are kept as U+FFFD.
  const std::string record =
      HistoryRecord(row).dump(-1, ' ', false, json::error_handler_t::replace);
  std::vector<json> mutations = {
      ovsdb::Mutation("external_ids", "insert", ovsdb::Map({{HistoryKey(row), record}}))};
  std::vector<json> appended;
  if (!dropped.empty()) {
    mutations.push_back(ovsdb::Mutation("external_ids", "delete", ovsdb::Set(dropped)));
    std::vector<json> rootMutations;
    for (const char* column : kRootHistoryColumns) {
      rootMutations.push_back(ovsdb::Mutation(column, "delete", ovsdb::Set(dropped)));
    }
    appended.push_back(ovsdb::Mutate("Open_vSwitch", {}, rootMutations));
  }
  const std::size_t mutate = appended.size();
  appended.push_back(ovsdb::Mutate("Queue", {WhereHistoryRow()}, mutations));
  std::vector<json> made = {
      ovsdb::Wait("Queue", {WhereHistoryRow()}, {"_uuid"}, ovsdb::Until::kEqual, {},
                  std::chrono::milliseconds(0)),
      ovsdb::Insert(
          "Queue",
          {{"external_ids", ovsdb::Map({{kRoleKey, kRoleHistory}, {HistoryKey(row), record}})}})};
  if (const std::string& comment = connection_.Settings().comment; !comment.empty()) {
    appended.push_back(ovsdb::Comment(comment));
    made.push_back(ovsdb::Comment(comment));
  }
  // The first row of the history makes the Queue row; when another run made
  // it meanwhile, the row goes into that one.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (connection_.Client().Transact(kDatabase, appended).at(mutate).value("count", 0) != 0) {
      return;
    }
    if (connection_.Client().TryTransact(kDatabase, made).Committed()) return;
  }
  throw QuorvicException("the history's row of the switch database keeps going away");
}

std::vector<HistoryRow> OvsStore::ReadHistory(int64_t sinceUs) {
  std::vector<HistoryRow> rows;
  int64_t id = 0;
  for (const auto& [key, value] : ReadHistoryKeys(connection_)) {
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
