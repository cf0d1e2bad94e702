#include <algorithm>
#include <tuple>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

OvnStore::OvnStore(OvnSettings settings) : link_(std::move(settings)) {}

std::vector<OvnStore::SwitchRead> OvnStore::ReadSwitchRows(const std::string& name) {
  if (name.empty()) return ReadSwitchRows({}, {});
  return ReadSwitchRows(
      {ovsdb::Condition("name", "==", name)},
      {ovsdb::Condition("external_ids", "includes", ovsdb::Map({{kPortSwitchKey, name}}))});
}

std::vector<OvnStore::SwitchRead> OvnStore::ReadSwitchRows(std::vector<json> where,
                                                           std::vector<json> portWhere) {
  where.push_back(ovsdb::Condition("external_ids", "includes", ovsdb::Map({{kSwitchMark, ""}})));
  std::vector<json> results =
      link_.Read({ovsdb::Select("Logical_Switch", where,
                                {"_uuid", "_version", "name", "external_ids", "ports"}),
                  ovsdb::Select("Logical_Switch_Port", portWhere, {"_uuid", "external_ids"})});
  std::map<std::string, Ids> portIds;
  for (const json& row : results.at(1).at("rows")) {
    portIds[ovsdb::ReadUuid(row.at("_uuid"))] = ovsdb::ReadMap(row.at("external_ids"));
  }
  std::vector<SwitchRead> switches;
  for (const json& row : results.at(0).at("rows")) {
    SwitchRead sw;
    sw.uuid = ovsdb::ReadUuid(row.at("_uuid"));
    sw.version = row.at("_version");
    sw.ids = ovsdb::ReadMap(row.at("external_ids"));
    sw.row = ReadSwitchIds(row.at("name").get<std::string>(), sw.ids);
    for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
      auto port = portIds.find(ovsdb::ReadUuid(ref));
      if (port == portIds.end() || port->second.count(kPortSwitchKey) == 0) continue;
      sw.ports.push_back({port->first, ReadPortIds(port->second), OrderOf(port->second)});
    }
    std::sort(sw.ports.begin(), sw.ports.end(),
              [](const PortRead& a, const PortRead& b) { return a.order < b.order; });
    switches.push_back(std::move(sw));
  }
  std::sort(switches.begin(), switches.end(), [](const SwitchRead& a, const SwitchRead& b) {
    return std::make_tuple(CreatedOf(a.ids), a.row.name) <
           std::make_tuple(CreatedOf(b.ids), b.row.name);
  });
  for (SwitchRead& sw : switches) {
    sw.row.id = IdOf("dvswitch", sw.row.name);
    for (PortRead& port : sw.ports) port.row.id = IdOf("dvport:" + sw.row.name, port.row.portId);
  }
  return switches;
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadRunning(const std::string& name) {
  for (SwitchRead& sw : ReadSwitchRows(name)) {
    if (sw.row.running) return std::move(sw);
  }
  return std::nullopt;
}

OvnStore::SwitchRead OvnStore::RequireRunning(const SwitchRow& sw) {
  std::optional<SwitchRead> found = ReadRunning(sw.name);
  if (!found) throw QuorvicException("DVSwitch " + sw.name + " no longer exists");
  return std::move(*found);
}

std::optional<SwitchRow> OvnStore::FindSwitch(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::optional<SwitchRead> sw = ReadRunning(name);
  if (!sw) return std::nullopt;
  return std::move(sw->row);
}

void OvnStore::ReadSwitches(const std::function<void(SwitchRow&&)>& each) {
  listedPorts_.clear();
  for (SwitchRead& sw : ReadSwitchRows("")) {
    if (!sw.row.running) continue;
    std::vector<DVPortRow>& ports = listedPorts_[sw.row.id];
    for (PortRead& port : sw.ports) ports.push_back(std::move(port.row));
    each(std::move(sw.row));
  }
}

std::vector<std::string> OvnStore::ReadUplinks(const SwitchRow& sw) {
  std::optional<SwitchRow> row = FindSwitch(sw.name);
  return row ? row->uplinks : std::vector<std::string>();
}

std::vector<DVPortRow> OvnStore::ReadDVPorts(int64_t switchId) {
  auto listed = listedPorts_.find(switchId);
  if (listed != listedPorts_.end()) {
    std::vector<DVPortRow> ports = std::move(listed->second);
    listedPorts_.erase(listed);
    return ports;
  }
  const RowKey& key = KeyOf(switchId);
  if (key.first != "dvswitch") return {};
  std::optional<SwitchRead> sw = ReadRunning(key.second);
  std::vector<DVPortRow> ports;
  if (sw) {
    for (PortRead& port : sw->ports) ports.push_back(std::move(port.row));
  }
  return ports;
}

std::optional<DVPortRow> OvnStore::FindDVPort(const std::string& switchId,
                                              const std::string& portId) {
  for (SwitchRead& sw :
       ReadSwitchRows({ovsdb::Condition("external_ids", "includes",
                                        ovsdb::Map({{"quenta:switch-id", switchId}}))},
                      {ovsdb::Condition("external_ids", "includes",
                                        ovsdb::Map({{"quenta:dvport-id", portId}}))})) {
    if (!sw.row.running || sw.row.switchId != switchId) continue;
    for (PortRead& port : sw.ports) {
      if (port.row.portId == portId) return std::move(port.row);
    }
  }
  return std::nullopt;
}

bool OvnStore::IsEnsActive(const SwitchRow& sw) { return RequireRunning(sw).row.ens.active; }

std::vector<DVSwitchDoc> OvnStore::ReadAll() {
  std::vector<DVSwitchDoc> all;
  for (SwitchRead& sw : ReadSwitchRows("")) {
    DVSwitchDoc dvs{std::move(sw.row), {}};
    for (PortRead& port : sw.ports) dvs.dvports.push_back(std::move(port.row));
    all.push_back(std::move(dvs));
  }
  return all;
}

int64_t OvnStore::IdOf(const std::string& kind, const std::string& name) {
  RowKey key(kind, name);
  auto found = ids_.find(key);
  if (found != ids_.end()) return found->second;
  keys_.push_back(key);
  int64_t id = -static_cast<int64_t>(keys_.size());
  ids_.emplace(std::move(key), id);
  return id;
}

const OvnStore::RowKey& OvnStore::KeyOf(int64_t id) const {
  if (id >= 0 || static_cast<std::size_t>(-id) > keys_.size()) {
    throw QuorvicException("row " + std::to_string(id) +
                           " is not a row of the OVN northbound store");
  }
  return keys_[static_cast<std::size_t>(-id - 1)];
}

}  // namespace ovn
