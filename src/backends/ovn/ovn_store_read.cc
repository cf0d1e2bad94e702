#include <algorithm>
#include <tuple>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

using nlohmann::json;

namespace {

json MarkedOurs(const std::string& key, const std::string& value) {
  return ovsdb::Condition("external_ids", "includes", ovsdb::Map({{key, value}}));
}

}  // namespace

OvnStore::OvnStore(OvnSettings settings) : link_(std::move(settings)) {}

std::vector<OvnStore::SwitchRead> OvnStore::ReadSwitchRows(std::vector<json> where,
                                                           bool listing) {
  where.push_back(MarkedOurs(kSwitchMark, ""));
  std::vector<json> reads = {ovsdb::Select("Logical_Switch", where,
                                           {"_uuid", "_version", "name", "external_ids", "ports"})};
  if (listing) reads.push_back(ovsdb::Select("Logical_Switch_Port", {}, {"_uuid", "external_ids"}));
  std::vector<json> results = link_.Read(reads);
  const json& switchRows = results.at(0).at("rows");
  if (!listing) {
    // The ports of the few switches read, each by its UUID, in one request.
    std::vector<json> ports;
    for (const json& row : switchRows) {
      for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
        ports.push_back(ovsdb::Select("Logical_Switch_Port",
                                      {ovsdb::Condition("_uuid", "==", ref)},
                                      {"_uuid", "external_ids"}));
      }
    }
    json rows = json::array();
    if (!ports.empty()) {
      for (const json& result : link_.Read(ports)) {
        for (const json& row : result.at("rows")) rows.push_back(row);
      }
    }
    results.push_back({{"rows", rows}});
  }
  std::map<std::string, Ids> portIds;
  for (const json& row : results.at(1).at("rows")) {
    portIds[ovsdb::ReadUuid(row.at("_uuid"))] = ovsdb::ReadMap(row.at("external_ids"));
  }
  std::vector<SwitchRead> switches;
  for (const json& row : switchRows) {
    SwitchRead sw;
    sw.version = row.at("_version");
    sw.ids = ovsdb::ReadMap(row.at("external_ids"));
    sw.doc.row = ReadSwitchIds(row.at("name").get<std::string>(), sw.ids);
    sw.doc.row.ref = RowRef{RowKind::kDVSwitch, ovsdb::ReadUuid(row.at("_uuid"))};
    std::vector<std::pair<std::size_t, DVPortRow>> ports;
    for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
      auto port = portIds.find(ovsdb::ReadUuid(ref));
      if (port == portIds.end() || port->second.count(kPortSwitchKey) == 0) continue;
      DVPortRow dvport = ReadPortIds(port->second);
      dvport.ref = RowRef{RowKind::kDVPort, port->first};
      ports.emplace_back(OrderOf(port->second), std::move(dvport));
    }
    std::stable_sort(ports.begin(), ports.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& port : ports) sw.doc.dvports.push_back(std::move(port.second));
    switches.push_back(std::move(sw));
  }
  std::sort(switches.begin(), switches.end(), [](const SwitchRead& a, const SwitchRead& b) {
    return std::make_tuple(CreatedOf(a.ids), a.doc.row.name) <
           std::make_tuple(CreatedOf(b.ids), b.doc.row.name);
  });
  return switches;
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadByRef(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch || ref.key.empty()) return std::nullopt;
  for (SwitchRead& sw :
       ReadSwitchRows({ovsdb::Condition("_uuid", "==", ovsdb::Uuid(ref.key))}, false)) {
    if (sw.doc.row.running) return std::move(sw);
  }
  return std::nullopt;
}

std::optional<DVSwitchDoc> OvnStore::FindDVSwitch(const SwitchKey& key) {
  std::vector<json> where;
  switch (key.by) {
    case SwitchKey::By::kName:
      if (key.value.empty()) return std::nullopt;
      where = {ovsdb::Condition("name", "==", key.value)};
      break;
    case SwitchKey::By::kSwitchId:
      where = {MarkedOurs("quenta:switch-id", key.value)};
      break;
    case SwitchKey::By::kPortGroup:
    case SwitchKey::By::kLinkedPnic:
      return std::nullopt;
  }
  for (SwitchRead& sw : ReadSwitchRows(std::move(where), false)) {
    if (sw.doc.row.running) return std::move(sw.doc);
  }
  return std::nullopt;
}

std::optional<SwitchRow> OvnStore::FindAnyDVSwitch(const std::string& name) {
  std::vector<json> results = link_.Read({ovsdb::Select(
      "Logical_Switch", {ovsdb::Condition("name", "==", name), MarkedOurs(kSwitchMark, "")},
      {"_uuid", "external_ids"})});
  const json& rows = results.at(0).at("rows");
  if (rows.empty()) return std::nullopt;
  SwitchRow row = ReadSwitchIds(name, ovsdb::ReadMap(rows[0].at("external_ids")));
  row.ref = RowRef{RowKind::kDVSwitch, ovsdb::ReadUuid(rows[0].at("_uuid"))};
  return row;
}

std::vector<DVSwitchDoc> OvnStore::ReadDVSwitches() {
  std::vector<DVSwitchDoc> running;
  for (SwitchRead& sw : ReadSwitchRows({}, true)) {
    if (sw.doc.row.running) running.push_back(std::move(sw.doc));
  }
  return running;
}

std::vector<DVSwitchDoc> OvnStore::ReadAll() {
  std::vector<DVSwitchDoc> all;
  for (SwitchRead& sw : ReadSwitchRows({}, true)) all.push_back(std::move(sw.doc));
  return all;
}

}  // namespace ovn
