#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/row_limits.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using namespace rows;

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

std::vector<json> OvsStore::Select(json operation) {
  std::vector<json> results = client_.Transact(kDatabase, {std::move(operation)});
  return results.at(0).at("rows").get<std::vector<json>>();
}

OvsStore::RootRead OvsStore::ReadRoot() {
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
    root.records = ReadRootRecords(ParseRecord(kHostKey, host->second));
  }
  auto links = root.externalIds.find(kLinksKey);
  if (links != root.externalIds.end()) {
    root.links = ParseRecord(kLinksKey, links->second).get<std::map<std::string, std::string>>();
  }
  return root;
}

OvsStore::BridgeRead OvsStore::BridgeFromRow(const json& row) {
  BridgeRead bridge;
  bridge.uuid = ovsdb::ReadUuid(row.at("_uuid"));
  bridge.externalIds = ovsdb::ReadMap(row.at("external_ids"));
  bridge.ports = UuidsOf(row.at("ports"));
  SwitchRow& sw = bridge.doc.row;
  sw.name = row.at("name").get<std::string>();
  auto record = bridge.externalIds.find(kSwitchKey);
  bridge.ours = record != bridge.externalIds.end();
  if (!bridge.ours) {
    // A bridge others made: its ports are its used ports; it has as many
    // as a new switch would.
    sw.kind = SwitchKind::kOpaque;
    sw.ref = RowRef{RowKind::kOpaqueSwitch, bridge.uuid};
    sw.dvsName = sw.name;
    sw.numPorts = sw.configuredPorts = rows::kDefaultNumPorts;
    sw.usedPorts = static_cast<uint32_t>(bridge.ports.size());
    return bridge;
  }
  sw.ref = RowRef{RowKind::kStandardSwitch, bridge.uuid};
  ReadSwitchRecord(ParseRecord(kSwitchKey, record->second), sw);
  auto groups = bridge.externalIds.find(kGroupsKey);
  if (groups != bridge.externalIds.end()) {
    bridge.doc.portGroups = ReadPortGroupsRecord(ParseRecord(kGroupsKey, groups->second));
  }
  return bridge;
}

std::vector<OvsStore::BridgeRead> OvsStore::ReadBridges(std::vector<json> where) {
  std::vector<BridgeRead> bridges;
  for (const json& row : Select(ovsdb::Select("Bridge", std::move(where), kBridgeColumns))) {
    bridges.push_back(BridgeFromRow(row));
  }
  return bridges;
}

std::optional<OvsStore::BridgeRead> OvsStore::ReadRunningBridge(std::vector<json> where) {
  for (BridgeRead& bridge : ReadBridges(std::move(where))) {
    if (!bridge.ours || !bridge.doc.row.running) continue;
    CountMembers(bridge, ReadPorts(bridge).members);
    return std::move(bridge);
  }
  return std::nullopt;
}

std::optional<OvsStore::BridgeRead> OvsStore::ReadBridgeByRef(const RowRef& ref) {
  if (ref.kind != RowKind::kStandardSwitch || ref.key.empty()) return std::nullopt;
  return ReadRunningBridge({Condition("_uuid", "==", Uuid(ref.key))});
}

OvsStore::BridgePorts OvsStore::ReadPorts(const BridgeRead& bridge) {
  BridgePorts ports;
  if (bridge.ports.empty()) return ports;
  std::vector<json> selects;
  for (const std::string& uuid : bridge.ports) {
    selects.push_back(ovsdb::Select("Port", {Condition("_uuid", "==", Uuid(uuid))},
                                    {"_uuid", "name", "external_ids", "interfaces", "tag"}));
  }
  const std::string& name = bridge.doc.row.name;
  for (const json& result : client_.Transact(kDatabase, std::move(selects))) {
    for (const json& row : result.at("rows")) {
      PortRead port{ovsdb::ReadUuid(row["_uuid"]), row["name"].get<std::string>(),
                    ovsdb::ReadMap(row["external_ids"]), UuidsOf(row["interfaces"]), {}};
      std::vector<json> tag = ovsdb::ReadSet(row["tag"]);
      if (!tag.empty()) port.tag = tag[0].get<int64_t>();
      if (port.name == name) {
        ports.internal = std::move(port);
      } else if (port.name == name + kUplinkPortSuffix) {
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
  bridge.doc.row.usedPorts = static_cast<uint32_t>(members.size());
  for (PortGroupRow& pg : bridge.doc.portGroups) {
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
        PortRead{uuid, row["name"].get<std::string>(), ovsdb::ReadMap(row["external_ids"]), {}, {}};
  }
  return ports;
}

void OvsStore::SortInHostOrder(std::vector<BridgeRead>& bridges) {
  std::stable_sort(bridges.begin(), bridges.end(), [](const BridgeRead& a, const BridgeRead& b) {
    long long ca = Created(a.externalIds), cb = Created(b.externalIds);
    return ca != cb ? ca < cb : a.doc.row.name < b.doc.row.name;
  });
}

std::vector<OvsStore::PortRead> OvsStore::MembersOf(const BridgeRead& bridge,
                                                    const std::map<std::string, PortRead>& ports) {
  std::vector<PortRead> members;
  const std::string& name = bridge.doc.row.name;
  for (const std::string& uuid : bridge.ports) {
    auto port = ports.find(uuid);
    bool own = port == ports.end() || port->second.name == name ||
               port->second.name == name + kUplinkPortSuffix;
    if (!own) members.push_back(port->second);
  }
  return members;
}

std::vector<OvsStore::BridgeRead> OvsStore::ReadRunningBridges(bool system) {
  std::vector<BridgeRead> bridges = ReadBridges({});
  std::map<std::string, PortRead> ports = ReadAllPorts();
  SortInHostOrder(bridges);
  std::vector<BridgeRead> running;
  for (BridgeRead& bridge : bridges) {
    if (!bridge.ours || !bridge.doc.row.running || bridge.doc.row.system != system) continue;
    CountMembers(bridge, MembersOf(bridge, ports));
    running.push_back(std::move(bridge));
  }
  return running;
}

DVSwitchDoc* OvsStore::FindDV(RootRecords& records, const SwitchKey& key) {
  for (DVSwitchDoc& dvs : records.dvswitches) {
    if (!dvs.row.running) continue;
    if ((key.by == SwitchKey::By::kName && dvs.row.name == key.value) ||
        (key.by == SwitchKey::By::kSwitchId && dvs.row.switchId == key.value)) {
      return &dvs;
    }
  }
  return nullptr;
}

DVSwitchDoc* OvsStore::FindDVByRef(RootRecords& records, const RowRef& ref) {
  for (DVSwitchDoc& dvs : records.dvswitches) {
    if (dvs.row.running && dvs.row.ref == ref) return &dvs;
  }
  return nullptr;
}

std::optional<StandardSwitchDoc> OvsStore::FindSwitch(const SwitchKey& key) {
  std::optional<BridgeRead> bridge;
  switch (key.by) {
    case SwitchKey::By::kName:
      bridge = ReadRunningBridge({Condition("name", "==", key.value)});
      break;
    case SwitchKey::By::kPortGroup:
      bridge = ReadRunningBridge({Condition(
          "external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + key.value, ""}}))});
      break;
    case SwitchKey::By::kLinkedPnic: {
      RootRead root = ReadRoot();
      auto owner = root.links.find(key.value);
      if (owner == root.links.end()) return std::nullopt;
      bridge = ReadRunningBridge({Condition("name", "==", owner->second)});
      break;
    }
    case SwitchKey::By::kSwitchId:
      return std::nullopt;
  }
  if (!bridge) return std::nullopt;
  return std::move(bridge->doc);
}

std::optional<DVSwitchDoc> OvsStore::FindDVSwitch(const SwitchKey& key) {
  RootRead root = ReadRoot();
  DVSwitchDoc* dvs = FindDV(root.records, key);
  if (dvs == nullptr) return std::nullopt;
  return std::move(*dvs);
}

std::optional<SwitchRow> OvsStore::FindAnySwitch(const std::string& name) {
  std::vector<BridgeRead> bridges = ReadBridges({Condition("name", "==", name)});
  if (!bridges.empty()) return std::move(bridges[0].doc.row);
  RootRead root = ReadRoot();
  for (DVSwitchDoc& dvs : root.records.dvswitches) {
    if (dvs.row.name == name) return std::move(dvs.row);
  }
  return std::nullopt;
}

std::vector<StandardSwitchDoc> OvsStore::ReadSwitches(bool system) {
  std::vector<StandardSwitchDoc> switches;
  for (BridgeRead& bridge : ReadRunningBridges(system)) switches.push_back(std::move(bridge.doc));
  return switches;
}

std::vector<DVSwitchDoc> OvsStore::ReadDVSwitches() {
  std::vector<DVSwitchDoc> running;
  for (DVSwitchDoc& dvs : ReadRoot().records.dvswitches) {
    if (dvs.row.running) running.push_back(std::move(dvs));
  }
  return running;
}

std::vector<SwitchRow> OvsStore::ReadOpaqueSwitches() {
  std::vector<BridgeRead> bridges = ReadBridges({});
  SortInHostOrder(bridges);
  std::vector<SwitchRow> opaque;
  for (BridgeRead& bridge : bridges) {
    if (!bridge.ours) opaque.push_back(std::move(bridge.doc.row));
  }
  return opaque;
}

HostRecords OvsStore::ReadRecords() { return ReadRoot().records.host; }

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

}  // namespace ovs_host
