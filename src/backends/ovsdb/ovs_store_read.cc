#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_keys.h"
#include "backends/ovsdb/ovs_store.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/row_limits.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;

namespace {

const std::vector<std::string> kBridgeColumns = {"_uuid", "name", "external_ids", "ports"};

std::vector<std::string> UuidsOf(const json& set) {
  std::vector<std::string> uuids;
  for (const json& element : ovsdb::ReadSet(set)) uuids.push_back(ovsdb::ReadUuid(element));
  return uuids;
}

// When the bridge was made, for host order.
long long Created(const std::map<std::string, std::string>& externalIds) {
  auto found = externalIds.find(kCreatedKey);
  return found == externalIds.end() ? 0 : std::atoll(found->second.c_str());
}

}  // namespace

OvsStore::OvsStore(ovsdb::Client& client, OvsSettings settings)
    : client_(client), settings_(std::move(settings)) {}

// A bridge's name becomes the name of its internal network device, which
// Linux limits to 15 bytes.
uint32_t OvsStore::MaxSwitchNameSize() const { return 16; }

int64_t OvsStore::IdOf(const std::string& kind, const std::string& name) {
  auto [found, added] = ids_.emplace(RowKey(kind, name), static_cast<int64_t>(keys_.size() + 1));
  if (added) keys_.push_back(found->first);
  return found->second;
}

const OvsStore::RowKey& OvsStore::KeyOf(int64_t id) const {
  if (id < 1 || static_cast<size_t>(id) > keys_.size()) {
    throw QuorvicException("no row with id " + std::to_string(id) + " was read from this host");
  }
  return keys_[static_cast<size_t>(id - 1)];
}

std::vector<json> OvsStore::Select(json operation) {
  std::vector<json> results = client_.Transact(kDatabase, {std::move(operation)});
  return results.at(0).at("rows").get<std::vector<json>>();
}

OvsStore::RootRead OvsStore::ReadRoot() {
  if (cache_.root) return *cache_.root;
  std::vector<json> rows = Select(ovsdb::Select("Open_vSwitch", {}, {"_uuid", "external_ids"}));
  if (rows.size() != 1) {
    throw QuorvicException(
        "the switch database has no Open_vSwitch row; `ovs-vsctl init` makes it");
  }
  RootRead root;
  root.uuid = ovsdb::ReadUuid(rows[0]["_uuid"]);
  root.externalIds = ovsdb::ReadMap(rows[0]["external_ids"]);
  auto host = root.externalIds.find(kHostKey);
  if (host != root.externalIds.end()) {
    root.records = ReadHostRecords(ParseRecord(kHostKey, host->second));
  }
  auto links = root.externalIds.find(kLinksKey);
  if (links != root.externalIds.end()) {
    root.links = ParseRecord(kLinksKey, links->second).get<std::map<std::string, std::string>>();
  }
  if (holds_ > 0) cache_.root = root;
  return root;
}

OvsStore::BridgeRead OvsStore::BridgeFromRow(const json& row) {
  BridgeRead bridge;
  bridge.uuid = ovsdb::ReadUuid(row.at("_uuid"));
  bridge.externalIds = ovsdb::ReadMap(row.at("external_ids"));
  bridge.ports = UuidsOf(row.at("ports"));
  SwitchRow& sw = bridge.row;
  sw.name = row.at("name").get<std::string>();
  sw.id = IdOf("bridge", bridge.uuid);
  auto record = bridge.externalIds.find(kSwitchKey);
  bridge.ours = record != bridge.externalIds.end();
  if (!bridge.ours) {
    // A bridge others made: its ports are its used ports; it has as many
    // as a new switch would.
    sw.kind = SwitchKind::kOpaque;
    sw.dvsName = sw.name;
    sw.numPorts = sw.configuredPorts = rows::kDefaultNumPorts;
    sw.usedPorts = static_cast<uint32_t>(bridge.ports.size());
    return bridge;
  }
  ReadSwitchRecord(ParseRecord(kSwitchKey, record->second), sw);
  auto groups = bridge.externalIds.find(kGroupsKey);
  if (groups != bridge.externalIds.end()) {
    bridge.groups = ReadPortGroupsRecord(ParseRecord(kGroupsKey, groups->second));
  }
  for (PortGroupRow& pg : bridge.groups) {
    pg.switchId = sw.id;
    pg.id = IdOf("group:" + std::to_string(sw.id), pg.name);
  }
  return bridge;
}

std::vector<OvsStore::BridgeRead> OvsStore::ReadBridges(std::vector<json> where,
                                                        bool countMembers) {
  std::vector<BridgeRead> bridges;
  for (const json& row : Select(ovsdb::Select("Bridge", std::move(where), kBridgeColumns))) {
    bridges.push_back(BridgeFromRow(row));
  }
  for (BridgeRead& bridge : bridges) {
    if (countMembers && bridge.ours) CountMembers(bridge, ReadPorts(bridge).members);
  }
  return bridges;
}

std::optional<OvsStore::BridgeRead> OvsStore::ReadBridgeNamed(const std::string& name) {
  if (holds_ > 0) {
    auto cached = cache_.bridges.find(name);
    if (cached != cache_.bridges.end()) return cached->second;
  }
  std::vector<BridgeRead> bridges = ReadBridges({Condition("name", "==", name)}, true);
  if (bridges.empty()) return std::nullopt;
  if (holds_ > 0) cache_.bridges[name] = bridges[0];
  return std::move(bridges[0]);
}

std::optional<OvsStore::BridgeRead> OvsStore::ReadBridgeByUuid(const std::string& uuid) {
  for (const auto& [name, bridge] : cache_.bridges) {
    if (bridge.uuid == uuid) return bridge;
  }
  std::vector<BridgeRead> bridges = ReadBridges({Condition("_uuid", "==", Uuid(uuid))}, true);
  if (bridges.empty()) return std::nullopt;
  if (holds_ > 0) cache_.bridges[bridges[0].row.name] = bridges[0];
  return std::move(bridges[0]);
}

OvsStore::BridgeRead OvsStore::RequireBridge(const SwitchRow& sw) {
  const RowKey& key = KeyOf(sw.id);
  std::optional<BridgeRead> bridge;
  if (key.first == "bridge") bridge = ReadBridgeByUuid(key.second);
  if (!bridge || !bridge->ours || !bridge->row.running) {
    throw QuorvicException("standard switch " + sw.name + " no longer exists");
  }
  return std::move(*bridge);
}

OvsStore::BridgePorts OvsStore::ReadPorts(const BridgeRead& bridge) {
  auto cached = cache_.ports.find(bridge.uuid);
  if (cached != cache_.ports.end()) return cached->second;
  BridgePorts ports = ReadPortsOf(bridge);
  if (holds_ > 0) cache_.ports[bridge.uuid] = ports;
  return ports;
}

OvsStore::BridgePorts OvsStore::ReadPortsOf(const BridgeRead& bridge) {
  BridgePorts ports;
  if (bridge.ports.empty()) return ports;
  std::vector<json> selects;
  for (const std::string& uuid : bridge.ports) {
    selects.push_back(ovsdb::Select("Port", {Condition("_uuid", "==", Uuid(uuid))},
                                    {"_uuid", "name", "external_ids", "interfaces"}));
  }
  for (const json& result : client_.Transact(kDatabase, std::move(selects))) {
    for (const json& row : result.at("rows")) {
      PortRead port{ovsdb::ReadUuid(row["_uuid"]), row["name"].get<std::string>(),
                    ovsdb::ReadMap(row["external_ids"]), UuidsOf(row["interfaces"])};
      if (port.name == bridge.row.name) {
        ports.internal = std::move(port);
      } else if (port.name == bridge.row.name + kUplinkPortSuffix) {
        ports.uplink = std::move(port);
      } else {
        ports.members.push_back(std::move(port));
      }
    }
  }
  if (ports.internal && !ports.internal->interfaces.empty()) {
    ports.internalInterface = ports.internal->interfaces[0];
  }
  return ports;
}

std::map<std::string, std::string> OvsStore::UplinkInterfaces(const BridgePorts& ports) {
  std::map<std::string, std::string> interfaces;
  if (!ports.uplink) return interfaces;
  std::vector<json> selects;
  for (const std::string& uuid : ports.uplink->interfaces) {
    selects.push_back(
        ovsdb::Select("Interface", {Condition("_uuid", "==", Uuid(uuid))}, {"_uuid", "name"}));
  }
  for (const json& result : client_.Transact(kDatabase, std::move(selects))) {
    for (const json& row : result.at("rows")) {
      interfaces[row["name"].get<std::string>()] = ovsdb::ReadUuid(row["_uuid"]);
    }
  }
  return interfaces;
}

void OvsStore::CountMembers(BridgeRead& bridge, const std::vector<PortRead>& members) {
  bridge.row.usedPorts = static_cast<uint32_t>(members.size());
  for (PortGroupRow& pg : bridge.groups) {
    pg.ports = 0;
    for (const PortRead& port : members) {
      auto group = port.externalIds.find(kMemberKey);
      if (group != port.externalIds.end() && group->second == pg.name) ++pg.ports;
    }
  }
}

std::map<std::string, OvsStore::PortRead> OvsStore::ReadAllPorts() {
  std::map<std::string, PortRead> ports;
  for (const json& row : Select(ovsdb::Select("Port", {}, {"_uuid", "name", "external_ids"}))) {
    std::string uuid = ovsdb::ReadUuid(row["_uuid"]);
    ports[uuid] =
        PortRead{uuid, row["name"].get<std::string>(), ovsdb::ReadMap(row["external_ids"]), {}};
  }
  return ports;
}

void OvsStore::SortInHostOrder(std::vector<BridgeRead>& bridges) {
  std::stable_sort(bridges.begin(), bridges.end(), [](const BridgeRead& a, const BridgeRead& b) {
    long long ca = Created(a.externalIds), cb = Created(b.externalIds);
    return ca != cb ? ca < cb : a.row.name < b.row.name;
  });
}

std::vector<OvsStore::PortRead> OvsStore::MembersOf(const BridgeRead& bridge,
                                                    const std::map<std::string, PortRead>& ports) {
  std::vector<PortRead> members;
  for (const std::string& uuid : bridge.ports) {
    auto port = ports.find(uuid);
    bool own = port == ports.end() || port->second.name == bridge.row.name ||
               port->second.name == bridge.row.name + kUplinkPortSuffix;
    if (!own) members.push_back(port->second);
  }
  return members;
}

std::optional<SwitchRow> OvsStore::FindSwitch(const std::string& name, SwitchKind kind) {
  if (kind == SwitchKind::kDistributed) {
    RootRead root = ReadRoot();
    DVSwitchDoc* dvs = FindDV(root.records, name);
    if (dvs == nullptr) return std::nullopt;
    dvs->row.id = IdOf("dvswitch", name);
    return dvs->row;
  }
  std::optional<BridgeRead> bridge = ReadBridgeNamed(name);
  if (!bridge) return std::nullopt;
  bool wanted = kind == SwitchKind::kOpaque ? !bridge->ours : bridge->ours && bridge->row.running;
  if (!wanted) return std::nullopt;
  return std::move(bridge->row);
}

void OvsStore::ReadSwitches(SwitchKind kind, bool system,
                            const std::function<void(SwitchRow&&)>& each) {
  if (kind == SwitchKind::kDistributed) {
    RootRead root = ReadRoot();
    for (DVSwitchDoc& dvs : root.records.dvswitches) {
      if (!dvs.row.running) continue;
      dvs.row.id = IdOf("dvswitch", dvs.row.name);
      each(std::move(dvs.row));
    }
    return;
  }
  std::vector<BridgeRead> bridges = ReadBridges({}, false);
  std::map<std::string, PortRead> ports;
  if (kind == SwitchKind::kStandard) ports = ReadAllPorts();
  SortInHostOrder(bridges);
  for (BridgeRead& bridge : bridges) {
    if (kind == SwitchKind::kOpaque) {
      if (!bridge.ours) each(std::move(bridge.row));
      continue;
    }
    if (!bridge.ours || !bridge.row.running || bridge.row.system != system) continue;
    CountMembers(bridge, MembersOf(bridge, ports));
    if (listed_ && listedSystem_ == system) (*listed_)[bridge.row.id] = bridge.groups;
    each(std::move(bridge.row));
  }
}

void OvsStore::StartPortGroupListing(bool system) {
  listed_.emplace();
  listedSystem_ = system;
}

std::optional<std::vector<PortGroupRow>> OvsStore::TakeListedPortGroups(int64_t switchId,
                                                                        bool system) {
  if (!listed_ || listedSystem_ != system) return std::nullopt;
  auto found = listed_->find(switchId);
  if (found == listed_->end()) return std::nullopt;
  std::vector<PortGroupRow> groups = std::move(found->second);
  listed_->erase(found);
  return groups;
}

std::vector<PortGroupRow> OvsStore::ReadPortGroups(int64_t switchId) {
  const RowKey& key = KeyOf(switchId);
  if (key.first != "bridge") return {};
  std::optional<BridgeRead> bridge = ReadBridgeByUuid(key.second);
  if (!bridge || !bridge->ours) return {};
  return std::move(bridge->groups);
}

std::optional<std::pair<PortGroupRow, std::string>> OvsStore::FindPortGroup(
    const std::string& name) {
  std::vector<BridgeRead> bridges = ReadBridges(
      {Condition("external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + name, ""}}))}, true);
  for (BridgeRead& bridge : bridges) {
    if (!bridge.ours || !bridge.row.running) continue;
    for (PortGroupRow& pg : bridge.groups) {
      if (pg.name == name) return std::make_pair(std::move(pg), bridge.row.name);
    }
  }
  return std::nullopt;
}

std::set<std::string> OvsStore::PortGroupNames() {
  std::set<std::string> names;
  for (const BridgeRead& bridge : ReadBridges({}, false)) {
    if (!bridge.ours || !bridge.row.running) continue;
    for (const PortGroupRow& pg : bridge.groups) names.insert(pg.name);
  }
  return names;
}

std::vector<std::string> OvsStore::ReadUplinks(const SwitchRow& sw) {
  if (sw.kind == SwitchKind::kDistributed) {
    RootRead root = ReadRoot();
    DVSwitchDoc* dvs = FindDV(root.records, sw.name);
    return dvs == nullptr ? std::vector<std::string>() : dvs->row.uplinks;
  }
  return RequireBridge(sw).row.uplinks;
}

std::vector<DVPortRow> OvsStore::ReadDVPorts(int64_t switchId) {
  const RowKey& key = KeyOf(switchId);
  RootRead root = ReadRoot();
  DVSwitchDoc* dvs = FindDV(root.records, key.second);
  if (key.first != "dvswitch" || dvs == nullptr) return {};
  for (DVPortRow& port : dvs->dvports) port.id = IdOf("dvport:" + key.second, port.portId);
  return std::move(dvs->dvports);
}

std::optional<DVPortRow> OvsStore::FindDVPort(const std::string& switchId,
                                              const std::string& portId) {
  RootRead root = ReadRoot();
  for (DVSwitchDoc& dvs : root.records.dvswitches) {
    if (!dvs.row.running || dvs.row.switchId != switchId) continue;
    for (DVPortRow& port : dvs.dvports) {
      if (port.portId != portId) continue;
      port.id = IdOf("dvport:" + dvs.row.name, port.portId);
      return std::move(port);
    }
  }
  return std::nullopt;
}

std::vector<UplinkTimeoutRow> OvsStore::ReadUplinkTimeouts(const std::string& portset,
                                                           uint32_t lagId,
                                                           const std::string& uplink) {
  std::vector<UplinkTimeoutRow> rows;
  for (UplinkTimeoutRow& row : ReadRoot().records.uplinkTimeouts) {
    if ((portset.empty() || row.portset == portset) && (lagId == 0 || row.lagId == lagId) &&
        (uplink.empty() || row.uplink == uplink)) {
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<LagTimeoutRow> OvsStore::ReadLagTimeouts(const std::string& portset, uint32_t lagId) {
  std::vector<LagTimeoutRow> rows;
  for (LagTimeoutRow& row : ReadRoot().records.lagTimeouts) {
    if ((portset.empty() || row.portset == portset) && (lagId == 0 || row.lagId == lagId)) {
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<FaultRow> OvsStore::ReadFaults() { return ReadRoot().records.faults; }

DVSwitchDoc* OvsStore::FindDV(HostRecords& records, const std::string& name) {
  for (DVSwitchDoc& dvs : records.dvswitches) {
    if (dvs.row.name == name && dvs.row.running) return &dvs;
  }
  return nullptr;
}

std::vector<std::string> OvsStore::Pnics() {
  if (settings_.pnics) return *settings_.pnics;
  std::set<std::string> made = {"ovs-system", "ovs-netdev"};
  for (const json& row :
       Select(ovsdb::Select("Interface", {Condition("type", "==", "internal")}, {"name"}))) {
    made.insert(row["name"].get<std::string>());
  }
  std::vector<std::string> pnics;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net", error)) {
    std::string name = entry.path().filename().string();
    if (name != "lo" && made.count(name) == 0) pnics.push_back(name);
  }
  std::sort(pnics.begin(), pnics.end());
  return pnics;
}

void OvsStore::RequirePnic(const std::string& name) {
  std::vector<std::string> pnics = Pnics();
  if (std::find(pnics.begin(), pnics.end(), name) == pnics.end()) {
    throw QuorvicException("pnic " + name + " does not exist");
  }
}

void OvsStore::CheckUplinkOrder(const std::vector<std::string>& order) {
  for (size_t i = 0; i < order.size(); ++i) {
    RequirePnic(order[i]);
    for (size_t j = 0; j < i; ++j) {
      if (order[j] == order[i]) {
        throw QuorvicException("the uplink order names " + order[i] + " twice");
      }
    }
  }
}

}  // namespace ovs_host
