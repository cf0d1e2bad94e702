#include "backends/ovs/ovs_bridge_read.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/row_limits.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using namespace rows;

const std::vector<std::string> kBridgeColumns = {"_uuid", "name", "external_ids", "ports"};
const std::vector<std::string> kPortColumns = {
    "_uuid",       "name",      "external_ids", "interfaces",   "tag",
    "fake_bridge", "bond_mode", "lacp",         "other_config", "bond_active_slave"};
const std::vector<std::string> kInterfaceColumns = {
    "_uuid", "name",  "type",         "external_ids", "mtu_request", "mtu",
    "ofport", "error", "lacp_current", "link_state",   "admin_state"};

namespace {

std::vector<std::string> UuidsOf(const json& set) {
  std::vector<std::string> uuids;
  for (const json& element : ovsdb::ReadSet(set)) uuids.push_back(ovsdb::ReadUuid(element));
  return uuids;
}

// An optional integer column: a set of at most one integer.
std::optional<int64_t> OptionalInt(const json& value) {
  std::vector<json> set = ovsdb::ReadSet(value);
  if (set.empty() || !set[0].is_number_integer()) return std::nullopt;
  return set[0].get<int64_t>();
}

std::string OptionalText(const json& value) {
  std::vector<json> set = ovsdb::ReadSet(value);
  return set.empty() || !set[0].is_string() ? std::string() : set[0].get<std::string>();
}

const json& Column(const json& row, const char* name) {
  static const json kAbsent = json::array({"set", json::array()});
  auto found = row.find(name);
  return found == row.end() ? kAbsent : *found;
}

std::string Get(const Ids& ids, const std::string& key) {
  auto found = ids.find(key);
  return found == ids.end() ? std::string() : found->second;
}

}  // namespace

std::string PortRead::Role() const {
  return unmarkedRole.empty() ? Get(externalIds, kRoleKey) : unmarkedRole;
}

std::optional<LacpRow> LacpOf(const PortRead& port) {
  if (port.lacp != "active") return std::nullopt;
  LacpRow lacp;
  const std::string lag = Get(port.externalIds, kLagKey);
  char* end = nullptr;
  const unsigned long long id = std::strtoull(lag.c_str(), &end, 10);
  const bool number = !lag.empty() && lag[0] >= '0' && lag[0] <= '9' && *end == '\0';
  if (number && id <= UINT32_MAX) lacp.lagId = static_cast<uint32_t>(id);
  lacp.timeout = Get(port.otherConfig, "lacp-time") == "fast" ? 1 : 0;
  return lacp;
}

const PortRead* BridgeRead::OwnPort(const std::string& role, const std::string& portName) const {
  for (const PortRead& port : ownPorts) {
    if (port.Role() == role && port.name == portName) return &port;
  }
  return nullptr;
}

std::vector<std::string> BridgeRead::ForeignPorts() const {
  std::vector<std::string> foreign;
  for (const std::string& port : ports) {
    if (std::none_of(ownPorts.begin(), ownPorts.end(),
                     [&](const PortRead& own) { return own.uuid == port; })) {
      foreign.push_back(port);
    }
  }
  return foreign;
}

const InterfaceRead* BridgeRead::InterfaceNamed(const std::string& interfaceName) const {
  for (const auto& entry : interfaces) {
    if (entry.second.name == interfaceName) return &entry.second;
  }
  return nullptr;
}

std::string BridgeRead::OthersPorts() const {
  std::string text;
  for (const PortRead& port : memberPorts) {
    text += (text.empty() ? "" : ", ") + hostnet::EscapedName(port.name);
  }
  for (const PortRead& port : foreignVlanBridges) {
    text += (text.empty() ? "" : ", ") + std::string("VLAN bridge ") + hostnet::EscapedName(port.name);
  }
  return text;
}

std::string BridgeRead::GroupOf(const PortRead& member, const StandardSwitchDoc& sw) const {
  const std::string named = Get(member.externalIds, kMemberKey);
  for (const PortGroupRow& pg : sw.portGroups) {
    if (!named.empty() && pg.name == named) return pg.name;
  }
  if (!member.tag) return {};
  for (const PortRead& port : ownPorts) {
    if (port.Role() == kRolePortGroup && port.tag == member.tag) return port.name;
  }
  return {};
}

InterfaceRead InterfaceFromRow(const json& row) {
  InterfaceRead interface;
  interface.uuid = ovsdb::ReadUuid(row.at("_uuid"));
  interface.name = row.at("name").get<std::string>();
  interface.type = Column(row, "type").is_string() ? Column(row, "type").get<std::string>() : "";
  interface.externalIds = ovsdb::ReadMap(Column(row, "external_ids"));
  interface.mtuRequest = OptionalInt(Column(row, "mtu_request"));
  interface.mtu = OptionalInt(Column(row, "mtu"));
  interface.ofport = OptionalInt(Column(row, "ofport"));
  interface.error = OptionalText(Column(row, "error"));
  interface.linkState = OptionalText(Column(row, "link_state"));
  interface.adminState = OptionalText(Column(row, "admin_state"));
  std::vector<json> current = ovsdb::ReadSet(Column(row, "lacp_current"));
  if (!current.empty() && current[0].is_boolean()) interface.lacpCurrent = current[0].get<bool>();
  return interface;
}

PortRead PortFromRow(const json& row) {
  PortRead port;
  port.uuid = ovsdb::ReadUuid(row.at("_uuid"));
  port.name = row.at("name").get<std::string>();
  port.externalIds = ovsdb::ReadMap(Column(row, "external_ids"));
  port.interfaces = UuidsOf(Column(row, "interfaces"));
  port.tag = OptionalInt(Column(row, "tag"));
  const json& fake = Column(row, "fake_bridge");
  port.fakeBridge = fake.is_boolean() && fake.get<bool>();
  port.bondMode = OptionalText(Column(row, "bond_mode"));
  port.lacp = OptionalText(Column(row, "lacp"));
  port.bondActiveMember = OptionalText(Column(row, "bond_active_slave"));
  port.otherConfig = ovsdb::ReadMap(Column(row, "other_config"));
  return port;
}

BridgeRead BridgeFromRow(const json& row) {
  BridgeRead bridge;
  bridge.uuid = ovsdb::ReadUuid(row.at("_uuid"));
  bridge.name = row.at("name").get<std::string>();
  bridge.externalIds = ovsdb::ReadMap(row.at("external_ids"));
  bridge.ports = UuidsOf(row.at("ports"));
  auto record = bridge.externalIds.find(kSwitchKey);
  if (record == bridge.externalIds.end()) return bridge;
  try {
    const json parsed = ParseRecord(kSwitchKey, record->second);
    ReadSwitchRecord(parsed, bridge.doc.row);
    bridge.format = SwitchRecordFormat(parsed);
    auto groups = bridge.externalIds.find(kGroupsKey);
    if (groups != bridge.externalIds.end()) {
      bridge.doc.portGroups = ReadPortGroupsRecord(ParseRecord(kGroupsKey, groups->second),
                                                  &bridge.recordedVlanBridges);
    }
    bridge.ours = true;
  } catch (const Quorvic::Lib::QuorvicException& e) {
    bridge.damaged = e.GetMessage();
  }
  return bridge;
}

PartsRead::PartsRead(std::vector<PortRead> ports, std::vector<InterfaceRead> interfaces)
    : ports_(std::move(ports)), interfaces_(std::move(interfaces)) {
  for (std::size_t at = 0; at < ports_.size(); ++at) portAt_[ports_[at].uuid] = at;
  for (std::size_t at = 0; at < interfaces_.size(); ++at) interfaceAt_[interfaces_[at].uuid] = at;
}

std::vector<const PortRead*> PartsRead::PortsAmong(const std::vector<std::string>& uuids) const {
  std::vector<std::size_t> places;
  for (const std::string& uuid : uuids) {
    auto at = portAt_.find(uuid);
    if (at != portAt_.end()) places.push_back(at->second);
  }
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  std::vector<const PortRead*> found;
  for (std::size_t at : places) found.push_back(&ports_[at]);
  return found;
}

const InterfaceRead* PartsRead::Interface(const std::string& uuid) const {
  auto at = interfaceAt_.find(uuid);
  return at == interfaceAt_.end() ? nullptr : &interfaces_[at->second];
}

namespace {

// The role a port of a format-1 bridge of ours has by its name; empty for
// a VM's port.
std::string UnmarkedRole(const BridgeRead& bridge, const PortRead& port) {
  if (!bridge.ours || bridge.format != 1 || !port.Role().empty()) return {};
  if (port.name == bridge.name) return kRoleSwitch;
  if (port.name == bridge.name + kUplinkPortSuffix) return kRoleUplink;
  return {};
}

}  // namespace

void Attach(BridgeRead& bridge, const PartsRead& parts, bool members) {
  bridge.partsRead = true;
  bridge.membersRead = members;
  for (const PortRead* port : parts.PortsAmong(bridge.ports)) {
    if (!port->Role().empty() && Get(port->externalIds, kBridgeKey) == bridge.name) {
      bridge.ownPorts.push_back(*port);
    } else if (std::string role = UnmarkedRole(bridge, *port); !role.empty()) {
      bridge.ownPorts.push_back(*port);
      bridge.ownPorts.back().unmarkedRole = std::move(role);
    } else if (members) {
      (port->fakeBridge ? bridge.foreignVlanBridges : bridge.memberPorts).push_back(*port);
    }
  }
  for (const PortRead& port : bridge.ownPorts) {
    for (const std::string& uuid : port.interfaces) {
      if (const InterfaceRead* interface = parts.Interface(uuid)) {
        bridge.interfaces[uuid] = *interface;
        bridge.interfaces[uuid].unmarked = !port.unmarkedRole.empty();
      }
    }
  }
}

std::vector<std::string> UnmarkedInterfaces(const BridgeRead& bridge) {
  std::vector<std::string> missing;
  for (const PortRead& port : bridge.ownPorts) {
    if (port.unmarkedRole.empty()) continue;
    for (const std::string& uuid : port.interfaces) {
      if (bridge.interfaces.count(uuid) == 0) missing.push_back(uuid);
    }
  }
  return missing;
}

void AttachUnmarked(BridgeRead& bridge, const std::vector<InterfaceRead>& interfaces) {
  const std::vector<std::string> missing = UnmarkedInterfaces(bridge);
  for (const InterfaceRead& interface : interfaces) {
    if (std::find(missing.begin(), missing.end(), interface.uuid) == missing.end()) continue;
    bridge.interfaces[interface.uuid] = interface;
    bridge.interfaces[interface.uuid].unmarked = true;
  }
}

void AttachMembers(BridgeRead& bridge, const std::vector<PortRead>& ports) {
  bridge.membersRead = true;
  bridge.memberPorts.clear();
  bridge.foreignVlanBridges.clear();
  for (const PortRead& port : ports) {
    (port.fakeBridge ? bridge.foreignVlanBridges : bridge.memberPorts).push_back(port);
  }
}

StandardSwitchDoc SwitchOf(const BridgeRead& bridge) {
  StandardSwitchDoc sw = bridge.doc;
  SwitchRow& row = sw.row;
  row.kind = SwitchKind::kStandard;
  row.name = bridge.name;
  row.ref = RowRef{RowKind::kStandardSwitch, bridge.uuid};
  const InterfaceRead* own = bridge.InterfaceNamed(bridge.name);
  row.mtu = static_cast<uint32_t>(own && own->mtuRequest ? *own->mtuRequest
                                  : own && own->mtu      ? *own->mtu
                                                         : rows::kDefaultMtu);
  // The linked pnics are the uplink port's, in the order they were linked
  // (others may have added some: those come last, by name).
  const std::vector<std::string> order = std::move(row.uplinks);
  row.uplinks.clear();
  if (const PortRead* uplink = bridge.OwnPort(kRoleUplink, bridge.name + kUplinkPortSuffix)) {
    for (const std::string& uuid : uplink->interfaces) {
      auto interface = bridge.interfaces.find(uuid);
      if (interface != bridge.interfaces.end()) row.uplinks.push_back(interface->second.name);
    }
    sw.lacp = LacpOf(*uplink);
  }
  auto rank = [&](const std::string& pnic) {
    return std::find(order.begin(), order.end(), pnic) - order.begin();
  };
  std::sort(row.uplinks.begin(), row.uplinks.end(), [&](const std::string& a, const std::string& b) {
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
  });
  for (PortGroupRow& pg : sw.portGroups) {
    pg.ref = RowRef{RowKind::kPortGroup, pg.name};
    if (const PortRead* vlanBridge = bridge.OwnPort(kRolePortGroup, pg.name)) {
      pg.vlan = static_cast<uint32_t>(vlanBridge->tag.value_or(0));
    }
    pg.ports = 0;
  }
  if (bridge.membersRead) {
    row.usedPorts = static_cast<uint32_t>(bridge.memberPorts.size());
    for (const PortRead& member : bridge.memberPorts) {
      const std::string group = bridge.GroupOf(member, sw);
      for (PortGroupRow& pg : sw.portGroups) {
        if (pg.name == group) ++pg.ports;
      }
    }
  } else {
    row.usedPorts = static_cast<uint32_t>(bridge.ports.size() - bridge.ownPorts.size());
  }
  return sw;
}

SwitchRow OpaqueOf(const BridgeRead& bridge) {
  // A bridge others made: its ports are its used ports; it has as many as a
  // new switch would.
  SwitchRow row;
  row.kind = SwitchKind::kOpaque;
  row.ref = RowRef{RowKind::kOpaqueSwitch, bridge.uuid};
  row.name = bridge.name;
  row.dvsName = bridge.name;
  row.numPorts = row.configuredPorts = rows::kDefaultNumPorts;
  row.usedPorts = static_cast<uint32_t>(bridge.ports.size());
  return row;
}

bool CarriesDVSwitch(const BridgeRead& bridge) {
  return !bridge.ours && bridge.externalIds.count(kNetworkKey) != 0;
}

}  // namespace ovs_host
