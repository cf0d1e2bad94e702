#include "backends/ovsdb/ovs_change.h"

#include <utility>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"

namespace ovs_host {

using nlohmann::json;

void OvsChange::Guard(const std::string& table, const std::string& uuid, const json& columns) {
  std::vector<std::string> names;
  for (const auto& column : columns.items()) names.push_back(column.key());
  guards_.push_back(ovsdb::Wait(table, {ovsdb::Condition("_uuid", "==", ovsdb::Uuid(uuid))}, names,
                                ovsdb::Until::kEqual, {columns}, std::chrono::milliseconds(0)));
}

void OvsChange::GuardAbsent(const std::string& table, std::vector<json> where) {
  guards_.push_back(ovsdb::Wait(table, std::move(where), {"_uuid"}, ovsdb::Until::kEqual, {},
                                std::chrono::milliseconds(0)));
}

std::string OvsChange::NewRowName() { return "row" + std::to_string(++rowNames_); }

void OvsChange::Expect(const std::string& name, std::optional<uint32_t> mtu) {
  expected_.push_back({name, mtu});
}

std::vector<json> OvsChange::Operations() const {
  std::vector<json> all = guards_;
  all.insert(all.end(), operations_.begin(), operations_.end());
  return all;
}

}  // namespace ovs_host
