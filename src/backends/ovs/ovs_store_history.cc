#include <cstdio>
#include <iterator>

#include "backends/ovsdb/operations.h"
#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/values.h"

// The history lives in the root row's external_ids, which ovs-vswitchd does
// not watch, one key per row, "quenta:history:TIME-PID" (TIME in
// microseconds, zero-padded so that keys sort by time). A row is added with
// mutate, so it never meets another writer's change.
namespace ovs_host {

using namespace rows;

using nlohmann::json;

namespace {

std::string HistoryKey(const HistoryRow& row) {
  char key[64];
  std::snprintf(key, sizeof key, "%s%020lld-%lld", kHistoryPrefix,
                static_cast<long long>(row.timeUs), static_cast<long long>(row.pid));
  return key;
}

// The history's keys and rows, oldest first.
std::map<std::string, std::string> ReadHistoryKeys(OvsConnection& connection) {
  const json rows =
      connection.Read({ovsdb::Select("Open_vSwitch", {}, {"external_ids"})})[0].at("rows");
  std::map<std::string, std::string> history;
  if (rows.empty()) return history;
  for (auto& [key, value] : ovsdb::ReadMap(rows[0].at("external_ids"))) {
    if (key.rfind(kHistoryPrefix, 0) == 0) history.emplace(key, value);
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
  if (!dropped.empty()) {
    mutations.push_back(ovsdb::Mutation("external_ids", "delete", ovsdb::Set(dropped)));
  }
  std::vector<json> operations = {ovsdb::Mutate("Open_vSwitch", {}, mutations)};
  if (!connection_.Settings().comment.empty()) {
    operations.push_back(ovsdb::Comment(connection_.Settings().comment));
  }
  connection_.Client().Transact(kDatabase, std::move(operations));
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
