#include "backends/ovs/ovs_plan.h"

#include <algorithm>
#include <map>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Mutation;
using ovsdb::NamedUuid;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;
using namespace rows;

namespace {

std::vector<json> WhereUuid(const std::string& uuid) {
  return {Condition("_uuid", "==", Uuid(uuid))};
}

json TagValue(std::optional<int64_t> tag) { return tag ? json(*tag) : ovsdb::Set({}); }

// The LACP of ours that sw's bond is to run: its LAG's. LACP others turned
// on, which runs no LAG, is left as they made it.
std::optional<LacpRow> OurLacp(const StandardSwitchDoc& sw) {
  if (sw.lacp && sw.lacp->lagId != 0) return sw.lacp;
  return std::nullopt;
}

// The keys of ours an uplink port running lacp carries: the LAG's in
// external_ids, its rate in other_config.
Ids LagIds(const LacpRow& lacp) { return {{kLagKey, std::to_string(lacp.lagId)}}; }
Ids LacpConfig(const LacpRow& lacp) { return {{"lacp-time", lacp.timeout == 1 ? "fast" : "slow"}}; }

// Our keys of a bridge's external_ids: the records, and the marks that find
// its port groups.
Ids RecordIds(const StandardSwitchDoc& sw, const std::set<std::string>& vlanBridges) {
  Ids ids = {{kSwitchKey, SwitchRecord(sw.row).dump()},
             {kGroupsKey, PortGroupsRecord(sw.portGroups, vlanBridges).dump()}};
  for (const PortGroupRow& pg : sw.portGroups) ids[kGroupMarkPrefix + pg.name] = "";
  return ids;
}

// Our keys among ids.
Ids OurRecordIds(const Ids& ids) {
  Ids ours;
  for (const auto& [key, value] : ids) {
    if (key == kSwitchKey || key == kGroupsKey || key.rfind(kGroupMarkPrefix, 0) == 0) {
      ours.emplace(key, value);
    }
  }
  return ours;
}

// Replaces the pairs of old with those of now in a map column, touching no
// other key.
json ReplacePairs(const std::string& table, const std::string& uuid, const std::string& column,
                  const Ids& old, const Ids& now) {
  std::vector<json> keys;
  for (const auto& [key, value] : old) keys.push_back(key);
  return ovsdb::Mutate(table, WhereUuid(uuid),
                       {Mutation(column, "delete", ovsdb::Set(keys)),
                        Mutation(column, "insert", ovsdb::Map(now))});
}

const PortGroupRow* GroupNamed(const StandardSwitchDoc& sw, const std::string& name) {
  for (const PortGroupRow& pg : sw.portGroups) {
    if (pg.name == name) return &pg;
  }
  return nullptr;
}

}  // namespace

std::pair<std::string, std::string> BondOf(const StandardSwitchDoc& doc) {
  if (OurLacp(doc)) return {"balance-tcp", ""};
  const SwitchRow& sw = doc.row;
  if (sw.uplinks.size() < 2) return {};
  if (sw.teaming.maxActive != 1) return {"balance-slb", ""};
  std::string primary = sw.uplinks[0];
  for (const std::string& pnic : sw.teaming.order) {
    if (std::find(sw.uplinks.begin(), sw.uplinks.end(), pnic) != sw.uplinks.end()) {
      primary = pnic;
      break;
    }
  }
  return {"active-backup", primary};
}

bool IsDeviceName(const std::string& name) {
  if (name.empty() || name.size() > 15 || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == ':' || c == ' ' || (c >= '\t' && c <= '\r') ||
           static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
}

std::set<std::string> VlanBridgesOf(const StandardSwitchDoc& sw, const TakenNames& taken) {
  std::set<std::string> bridges;
  std::set<uint32_t> vlans;
  for (const PortGroupRow& pg : sw.portGroups) {
    if (pg.vlan > 4094 || vlans.count(pg.vlan) != 0) continue;
    if (!IsDeviceName(pg.name) || taken.count(pg.name) != 0 || pg.name == sw.row.name) continue;
    vlans.insert(pg.vlan);
    bridges.insert(pg.name);
  }
  return bridges;
}

Ids OwnIds(const std::string& role, const std::string& bridge) {
  return {{kRoleKey, role}, {kBridgeKey, bridge}};
}

std::optional<int64_t> TagFor(uint32_t vlan) {
  if (vlan == 4095) return std::nullopt;
  return vlan;
}

std::vector<json> BridgePlan::NewUplinks(const std::string& bridge,
                                         const std::vector<std::string>& pnics, int64_t mtu) {
  std::vector<json> refs;
  for (const std::string& pnic : pnics) {
    json row = {{"name", pnic},
                {"mtu_request", mtu},
                {"external_ids", ovsdb::Map(OwnIds(kRoleUplink, bridge))}};
    if (settings_.datapathType == "dummy") row["type"] = "dummy";
    std::string name = change_.NewRowName();
    change_.Add(ovsdb::Insert("Interface", row, name));
    datapath_.expected.emplace_back(pnic, static_cast<uint32_t>(mtu));
    refs.push_back(NamedUuid(name));
  }
  return refs;
}

std::string BridgePlan::NewInternalInterface(const std::string& name, const char* role,
                                             const std::string& bridge, int64_t mtu) {
  std::string interface = change_.NewRowName();
  change_.Add(ovsdb::Insert("Interface",
                            {{"name", name},
                             {"type", "internal"},
                             {"mtu_request", mtu},
                             {"external_ids", ovsdb::Map(OwnIds(role, bridge))}},
                            interface));
  return interface;
}

json BridgePlan::NewVlanBridge(const std::string& bridge, const PortGroupRow& pg, int64_t mtu) {
  std::string interface = NewInternalInterface(pg.name, kRolePortGroup, bridge, mtu);
  std::string port = change_.NewRowName();
  change_.Add(ovsdb::Insert("Port",
                            {{"name", pg.name},
                             {"fake_bridge", true},
                             {"tag", TagValue(TagFor(pg.vlan))},
                             {"interfaces", ovsdb::Set({NamedUuid(interface)})},
                             {"external_ids", ovsdb::Map(OwnIds(kRolePortGroup, bridge))}},
                            port));
  datapath_.expected.emplace_back(pg.name, std::nullopt);
  return NamedUuid(port);
}

void BridgePlan::Insert(const StandardSwitchDoc& sw, int64_t created, const TakenNames& taken) {
  const SwitchRow& row = sw.row;
  const int64_t mtu = row.mtu;
  for (const std::string& name : {row.name, row.name + kUplinkPortSuffix}) {
    auto holder = taken.find(name);
    if (holder != taken.end()) {
      throw QuorvicException("Open vSwitch already has a port or interface named " + name + " (" +
                             holder->second +
                             "): ports and interfaces there share one namespace with network "
                             "devices");
    }
  }
  change_.GuardAbsent("Bridge", {Condition("name", "==", row.name)},
                      "a switch named " + row.name + " already exists");
  std::string interface = NewInternalInterface(row.name, kRoleSwitch, row.name, mtu);
  std::string port = change_.NewRowName();
  change_.Add(ovsdb::Insert("Port",
                            {{"name", row.name},
                             {"interfaces", ovsdb::Set({NamedUuid(interface)})},
                             {"external_ids", ovsdb::Map(OwnIds(kRoleSwitch, row.name))}},
                            port));
  std::vector<json> ports = {NamedUuid(port)};
  if (!row.uplinks.empty()) {
    const auto [mode, primary] = BondOf(sw);
    Ids ids = OwnIds(kRoleUplink, row.name);
    Ids config;
    if (!primary.empty()) config["bond-primary"] = primary;
    json uplink = {{"name", row.name + kUplinkPortSuffix},
                   {"interfaces", ovsdb::Set(NewUplinks(row.name, row.uplinks, mtu))},
                   {"bond_mode", mode.empty() ? ovsdb::Set({}) : json(mode)}};
    if (const std::optional<LacpRow> lacp = OurLacp(sw)) {
      uplink["lacp"] = "active";
      ids.merge(LagIds(*lacp));
      config.merge(LacpConfig(*lacp));
    }
    uplink["external_ids"] = ovsdb::Map(ids);
    uplink["other_config"] = ovsdb::Map(config);
    std::string name = change_.NewRowName();
    change_.Add(ovsdb::Insert("Port", uplink, name));
    ports.push_back(NamedUuid(name));
  }
  const std::set<std::string> vlanBridges = VlanBridgesOf(sw, taken);
  for (const PortGroupRow& pg : sw.portGroups) {
    if (vlanBridges.count(pg.name) != 0) ports.push_back(NewVlanBridge(row.name, pg, mtu));
  }
  Ids ids = RecordIds(sw, vlanBridges);
  ids[kCreatedKey] = std::to_string(created);
  std::string bridge = change_.NewRowName();
  change_.Add(ovsdb::Insert("Bridge",
                            {{"name", row.name},
                             {"datapath_type", settings_.datapathType},
                             {"ports", ovsdb::Set(ports)},
                             {"external_ids", ovsdb::Map(ids)}},
                            bridge));
  change_.Add(ovsdb::Mutate("Open_vSwitch", {},
                            {Mutation("bridges", "insert", ovsdb::Set({NamedUuid(bridge)}))}));
  datapath_.reached = true;
  datapath_.expected.emplace_back(row.name, std::nullopt);
}

void BridgePlan::Update(const BridgeRead& before, const StandardSwitchDoc& after,
                        const TakenNames& taken) {
  hostnet::RefuseNewerFormat("standard switch " + hostnet::EscapedName(before.name),
                             before.format);
  const StandardSwitchDoc was = SwitchOf(before);
  // A group that goes must leave no VM on a VLAN of a group that is gone.
  for (const PortGroupRow& pg : was.portGroups) {
    if (GroupNamed(after, pg.name) != nullptr) continue;
    std::string members;
    for (const PortRead& member : before.memberPorts) {
      if (before.GroupOf(member, was) == pg.name) {
        members += (members.empty() ? "" : ", ") + hostnet::EscapedName(member.name);
      }
    }
    if (!members.empty()) {
      throw QuorvicException("port group " + pg.name + " has ports in use (" + members +
                             "); remove them from it first");
    }
  }
  std::vector<json> ports;
  for (const std::string& uuid : before.ports) ports.push_back(Uuid(uuid));
  change_.Guard("Bridge", before.uuid, {{"ports", ovsdb::Set(ports)}});
  change_.GuardPairs("Bridge", before.uuid, "external_ids", OurRecordIds(before.externalIds));
  const std::set<std::string> vlanBridges = VlanBridgesOf(after, taken);
  WriteMarks(before);
  WriteRecords(before, after, vlanBridges);
  WriteUplinkPort(before, after);
  WriteVlanBridges(before, after, vlanBridges);
  WriteMemberTags(before, after);
}

void BridgePlan::WriteMarks(const BridgeRead& before) {
  for (const PortRead& port : before.ownPorts) {
    if (port.unmarkedRole.empty()) continue;
    const json marks = ovsdb::Map(OwnIds(port.unmarkedRole, before.name));
    change_.Add(ovsdb::Mutate("Port", WhereUuid(port.uuid),
                              {Mutation("external_ids", "insert", marks)}));
    for (const std::string& uuid : port.interfaces) {
      auto interface = before.interfaces.find(uuid);
      if (interface == before.interfaces.end() || !interface->second.unmarked) continue;
      change_.Add(ovsdb::Mutate("Interface", WhereUuid(uuid),
                                {Mutation("external_ids", "insert", marks)}));
    }
  }
}

void BridgePlan::WriteRecords(const BridgeRead& before, const StandardSwitchDoc& after,
                              const std::set<std::string>& vlanBridges) {
  const Ids old = OurRecordIds(before.externalIds);
  const Ids now = RecordIds(after, vlanBridges);
  if (old != now) change_.Add(ReplacePairs("Bridge", before.uuid, "external_ids", old, now));
}

void BridgePlan::WriteUplinkPort(const BridgeRead& before, const StandardSwitchDoc& after) {
  const std::string& name = before.name;
  const int64_t mtu = after.row.mtu;
  const PortRead* port = before.OwnPort(kRoleUplink, name + kUplinkPortSuffix);
  // The bridge's own interface carries the switch's MTU.
  if (const InterfaceRead* own = before.InterfaceNamed(name); own && own->mtuRequest != mtu) {
    change_.Add(ovsdb::Update("Interface", WhereUuid(own->uuid), {{"mtu_request", mtu}}));
    datapath_.expected.emplace_back(name, after.row.mtu);
    datapath_.reached = true;
  }
  if (after.row.uplinks.empty()) {
    if (port != nullptr) {
      change_.Add(ovsdb::Mutate("Bridge", WhereUuid(before.uuid),
                                {Mutation("ports", "delete", ovsdb::Set({Uuid(port->uuid)}))}));
      datapath_.reached = true;
    }
    return;
  }
  std::vector<json> interfaces;
  std::vector<std::string> added;
  bool membersChanged = port == nullptr;
  for (const std::string& pnic : after.row.uplinks) {
    const InterfaceRead* existing = before.InterfaceNamed(pnic);
    bool inPort = existing != nullptr && port != nullptr &&
                  std::find(port->interfaces.begin(), port->interfaces.end(), existing->uuid) !=
                      port->interfaces.end();
    if (!inPort) {
      added.push_back(pnic);
      membersChanged = true;
      continue;
    }
    interfaces.push_back(Uuid(existing->uuid));
    if (existing->mtuRequest != mtu) {
      change_.Add(ovsdb::Update("Interface", WhereUuid(existing->uuid), {{"mtu_request", mtu}}));
      datapath_.expected.emplace_back(pnic, after.row.mtu);
      datapath_.reached = true;
    }
  }
  if (port != nullptr && interfaces.size() != port->interfaces.size()) membersChanged = true;
  for (json& ref : NewUplinks(name, added, mtu)) interfaces.push_back(std::move(ref));
  const auto [mode, primary] = BondOf(after);
  std::string oldPrimary;
  if (port != nullptr && port->otherConfig.count("bond-primary") != 0) {
    oldPrimary = port->otherConfig.at("bond-primary");
  }
  // A LAG starts, changes or ends; LACP others turned on is theirs.
  const std::optional<LacpRow> lacp = OurLacp(after);
  const std::optional<LacpRow> wasLacp = port == nullptr ? std::nullopt : LacpOf(*port);
  const bool lacpChanged = lacp ? lacp != wasLacp : wasLacp.has_value() && wasLacp->lagId != 0;
  const bool bondChanged =
      port == nullptr || port->bondMode != mode || oldPrimary != primary || lacpChanged;
  if (!membersChanged && !bondChanged) return;
  datapath_.reached = true;
  const json bondMode = mode.empty() ? ovsdb::Set({}) : json(mode);
  const Ids bondPrimary = primary.empty() ? Ids() : Ids{{"bond-primary", primary}};
  if (port == nullptr) {
    Ids ids = OwnIds(kRoleUplink, name);
    Ids config = bondPrimary;
    json row = {{"name", name + kUplinkPortSuffix},
                {"interfaces", ovsdb::Set(interfaces)},
                {"bond_mode", bondMode}};
    if (lacp) {
      row["lacp"] = "active";
      ids.merge(LagIds(*lacp));
      config.merge(LacpConfig(*lacp));
    }
    row["other_config"] = ovsdb::Map(config);
    row["external_ids"] = ovsdb::Map(ids);
    std::string rowName = change_.NewRowName();
    change_.Add(ovsdb::Insert("Port", row, rowName));
    change_.Add(ovsdb::Mutate("Bridge", WhereUuid(before.uuid),
                              {Mutation("ports", "insert", ovsdb::Set({NamedUuid(rowName)}))}));
    return;
  }
  std::vector<json> readInterfaces;
  for (const std::string& uuid : port->interfaces) readInterfaces.push_back(Uuid(uuid));
  change_.Guard("Port", port->uuid, {{"interfaces", ovsdb::Set(readInterfaces)}});
  json columns = {{"interfaces", ovsdb::Set(interfaces)}, {"bond_mode", bondMode}};
  // Only the keys of ours: an operator's settings stay, and so does an
  // operator's lacp-time while no LAG starts or ends.
  Ids oldConfig = {{"bond-primary", ""}};
  Ids config = bondPrimary;
  if (lacpChanged) {
    columns["lacp"] = lacp ? "active" : "off";
    oldConfig.merge(LacpConfig(LacpRow()));
    if (lacp) config.merge(LacpConfig(*lacp));
    change_.Add(ReplacePairs("Port", port->uuid, "external_ids", LagIds(LacpRow()),
                             lacp ? LagIds(*lacp) : Ids()));
  }
  change_.Add(ovsdb::Update("Port", WhereUuid(port->uuid), columns));
  change_.Add(ReplacePairs("Port", port->uuid, "other_config", oldConfig, config));
}

void BridgePlan::WriteVlanBridges(const BridgeRead& before, const StandardSwitchDoc& after,
                                  const std::set<std::string>& vlanBridges) {
  std::vector<json> gone;
  for (const PortRead& port : before.ownPorts) {
    if (port.Role() != kRolePortGroup) continue;
    const PortGroupRow* pg = GroupNamed(after, port.name);
    if (pg == nullptr || vlanBridges.count(port.name) == 0) {
      gone.push_back(Uuid(port.uuid));
    } else {
      if (port.tag != TagFor(pg->vlan)) {
        change_.Add(
            ovsdb::Update("Port", WhereUuid(port.uuid), {{"tag", TagValue(TagFor(pg->vlan))}}));
        datapath_.reached = true;
      }
      // Its interface carries the switch's MTU, as the switch's own does.
      const InterfaceRead* own = before.InterfaceNamed(port.name);
      if (own != nullptr && own->mtuRequest != static_cast<int64_t>(after.row.mtu)) {
        change_.Add(ovsdb::Update("Interface", WhereUuid(own->uuid),
                                  {{"mtu_request", static_cast<int64_t>(after.row.mtu)}}));
        datapath_.expected.emplace_back(port.name, after.row.mtu);
        datapath_.reached = true;
      }
    }
  }
  std::vector<json> made;
  for (const PortGroupRow& pg : after.portGroups) {
    if (vlanBridges.count(pg.name) == 0 || before.OwnPort(kRolePortGroup, pg.name) != nullptr) {
      continue;
    }
    made.push_back(NewVlanBridge(before.name, pg, after.row.mtu));
  }
  if (gone.empty() && made.empty()) return;
  datapath_.reached = true;
  change_.Add(ovsdb::Mutate("Bridge", WhereUuid(before.uuid),
                            {Mutation("ports", "delete", ovsdb::Set(gone)),
                             Mutation("ports", "insert", ovsdb::Set(made))}));
}

void BridgePlan::WriteMemberTags(const BridgeRead& before, const StandardSwitchDoc& after) {
  const StandardSwitchDoc was = SwitchOf(before);
  if (!before.membersRead) {
    WriteUnreadMemberTags(before, was, after);
    return;
  }
  for (const PortRead& member : before.memberPorts) {
    const std::string group = before.GroupOf(member, was);
    const PortGroupRow* pg = group.empty() ? nullptr : GroupNamed(after, group);
    if (pg == nullptr || member.tag == TagFor(pg->vlan)) continue;
    change_.Guard("Port", member.uuid, {{"tag", TagValue(member.tag)}});
    change_.Add(ovsdb::Update("Port", WhereUuid(member.uuid), {{"tag", TagValue(TagFor(pg->vlan))}}));
    // A port that joined by its tag keeps its group by name from now on.
    if (member.externalIds.count(kMemberKey) == 0) {
      change_.Add(ovsdb::Mutate("Port", WhereUuid(member.uuid),
                                {Mutation("external_ids", "insert",
                                          ovsdb::Map({{kMemberKey, group}}))}));
    }
    datapath_.reached = true;
  }
}

void BridgePlan::WriteUnreadMemberTags(const BridgeRead& before, const StandardSwitchDoc& was,
                                       const StandardSwitchDoc& after) {
  const std::vector<std::string> foreign = before.ForeignPorts();
  for (const PortGroupRow& pg : after.portGroups) {
    const PortGroupRow* old = GroupNamed(was, pg.name);
    if (old == nullptr || old->vlan == pg.vlan || foreign.empty()) continue;
    const json tag = TagValue(TagFor(pg.vlan));
    // Members that joined by the tag of the group's VLAN bridge, naming no
    // group of the switch, take the new tag and the group's name; then
    // every member that names the group takes the new tag. The server
    // picks them out as it commits.
    const PortRead* vlanBridge = before.OwnPort(kRolePortGroup, pg.name);
    for (const std::string& uuid : foreign) {
      if (vlanBridge != nullptr && vlanBridge->tag) {
        std::vector<json> joined = {Condition("_uuid", "==", Uuid(uuid)),
                                    Condition("tag", "==", TagValue(vlanBridge->tag)),
                                    Condition("fake_bridge", "==", false)};
        for (const PortGroupRow& group : was.portGroups) {
          joined.push_back(
              Condition("external_ids", "excludes", ovsdb::Map({{kMemberKey, group.name}})));
        }
        change_.Add(ovsdb::Mutate(
            "Port", std::move(joined),
            {Mutation("tag", "delete", TagValue(vlanBridge->tag)), Mutation("tag", "insert", tag),
             Mutation("external_ids", "insert", ovsdb::Map({{kMemberKey, pg.name}}))}));
      }
      change_.Add(
          ovsdb::Update("Port",
                        {Condition("_uuid", "==", Uuid(uuid)),
                         Condition("external_ids", "includes", ovsdb::Map({{kMemberKey, pg.name}})),
                         Condition("fake_bridge", "==", false)},
                        {{"tag", tag}}));
    }
    datapath_.reached = true;
  }
}

}  // namespace ovs_host
