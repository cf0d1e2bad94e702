#include <algorithm>
#include <cstdlib>
#include <string>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_pnics.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;
using namespace rows;

namespace {

// When the bridge was made, for host order.
long long Created(const Ids& externalIds) {
  auto found = externalIds.find(kCreatedKey);
  return found == externalIds.end() ? 0 : std::atoll(found->second.c_str());
}

// Orders bridges as they were made (opaque ones, which carry no time, first,
// by name).
void SortInHostOrder(std::vector<BridgeRead>& bridges) {
  std::stable_sort(bridges.begin(), bridges.end(), [](const BridgeRead& a, const BridgeRead& b) {
    long long ca = Created(a.externalIds), cb = Created(b.externalIds);
    return ca != cb ? ca < cb : a.name < b.name;
  });
}

json OwnedBy(const std::string& bridge) {
  return Condition("external_ids", "includes", ovsdb::Map({{kBridgeKey, bridge}}));
}

std::vector<PortRead> PortsOf(const json& result) {
  std::vector<PortRead> ports;
  for (const json& row : result.at("rows")) ports.push_back(PortFromRow(row));
  return ports;
}

std::vector<InterfaceRead> InterfacesOf(const json& result) {
  std::vector<InterfaceRead> interfaces;
  for (const json& row : result.at("rows")) interfaces.push_back(InterfaceFromRow(row));
  return interfaces;
}

}  // namespace

OvsStore::OvsStore(OvsSession& session) : session_(session) {}

// A bridge's name becomes the name of its internal network device, which
// Linux limits to 15 bytes.
uint32_t OvsStore::MaxSwitchNameSize() const { return 16; }

OvsStore::RootRead OvsStore::ReadRoot() {
  const RootRow& row = session_.Root();
  RootRead root{row.uuid, row.externalIds, {}};
  auto host = root.externalIds.find(kHostKey);
  if (host != root.externalIds.end()) {
    root.records = ReadRootRecords(ParseRecord(kHostKey, host->second));
  }
  return root;
}

void OvsStore::Forget() {
  bridges_.clear();
  session_.ForgetRoot();
}

OvsStore::HostRead OvsStore::ReadEverything() {
  std::vector<json> results = session_.Read({
      ovsdb::Select("Bridge", {}, kBridgeColumns),
      ovsdb::Select("Port", {}, kPortColumns),
      ovsdb::Select("Interface",
                    {Condition("external_ids", "includes", ovsdb::Map({{kRoleKey, kRoleSwitch}}))},
                    kInterfaceColumns),
      ovsdb::Select("Interface",
                    {Condition("external_ids", "includes", ovsdb::Map({{kRoleKey, kRoleUplink}}))},
                    kInterfaceColumns),
      ovsdb::Select(
          "Interface",
          {Condition("external_ids", "includes", ovsdb::Map({{kRoleKey, kRolePortGroup}}))},
          kInterfaceColumns),
  });
  HostRead host;
  host.root = ReadRoot();
  std::vector<InterfaceRead> interfaces;
  for (std::size_t i = 2; i < results.size(); ++i) {
    for (InterfaceRead& interface : InterfacesOf(results[i])) {
      interfaces.push_back(std::move(interface));
    }
  }
  const PartsRead parts(PortsOf(results[1]), std::move(interfaces));
  for (const json& row : results[0].at("rows")) {
    BridgeRead bridge = BridgeFromRow(row);
    Attach(bridge, parts, true);
    host.bridges.push_back(std::move(bridge));
  }
  std::vector<BridgeRead*> all;
  for (BridgeRead& bridge : host.bridges) all.push_back(&bridge);
  ReadUnmarked(all);
  SortInHostOrder(host.bridges);
  return host;
}

std::vector<json> OvsStore::SelectBridge(const std::string& name) {
  return {ovsdb::Select("Bridge", {Condition("name", "==", name)}, kBridgeColumns),
          ovsdb::Select("Port", {OwnedBy(name)}, kPortColumns),
          ovsdb::Select("Interface", {OwnedBy(name)}, kInterfaceColumns)};
}

std::optional<BridgeRead> OvsStore::ReadBridgeRow(const std::string& name) {
  auto known = bridges_.find(name);
  if (known != bridges_.end()) return known->second;
  std::optional<BridgeRead> bridge = ReadBridge(Condition("name", "==", name));
  bridges_[name] = bridge;
  return bridge;
}

std::optional<BridgeRead> OvsStore::ReadBridgeNamed(const std::string& name) {
  auto known = bridges_.find(name);
  if (known != bridges_.end() && (!known->second || known->second->partsRead)) {
    return known->second;
  }
  std::optional<BridgeRead> bridge;
  // A bridge whose row is known, or one of format 1, whose ports carry no
  // mark to select them by, is read port by port.
  bool byPorts = known != bridges_.end();
  if (byPorts) {
    bridge = known->second;
  } else {
    const std::vector<json> results = session_.Read(SelectBridge(name));
    const json& rows = results[0].at("rows");
    if (!rows.empty()) {
      bridge = BridgeFromRow(rows[0]);
      byPorts = bridge->ours && bridge->format == 1;
      if (!byPorts)
        Attach(*bridge, PartsRead(PortsOf(results[1]), InterfacesOf(results[2])), false);
    }
  }
  if (bridge && byPorts) {
    std::vector<json> selects = {
        ovsdb::Select("Interface", {OwnedBy(bridge->name)}, kInterfaceColumns)};
    for (const std::string& uuid : bridge->ports) {
      selects.push_back(
          ovsdb::Select("Port", {Condition("_uuid", "==", Uuid(uuid))}, kPortColumns));
    }
    std::vector<json> results = session_.Read(std::move(selects));
    std::vector<PortRead> ports;
    for (std::size_t i = 1; i < results.size(); ++i) {
      for (PortRead& port : PortsOf(results[i])) ports.push_back(std::move(port));
    }
    Attach(*bridge, PartsRead(std::move(ports), InterfacesOf(results[0])), true);
    ReadUnmarked({&*bridge});
  }
  bridges_[name] = bridge;
  return bridge;
}

void OvsStore::ReadMembers(BridgeRead& bridge) {
  if (bridge.membersRead) return;
  std::vector<json> selects;
  for (const std::string& uuid : bridge.ForeignPorts()) {
    selects.push_back(ovsdb::Select("Port", {Condition("_uuid", "==", Uuid(uuid))}, kPortColumns));
  }
  std::vector<PortRead> ports;
  if (!selects.empty()) {
    for (const json& result : session_.Read(std::move(selects))) {
      for (PortRead& port : PortsOf(result)) ports.push_back(std::move(port));
    }
  }
  AttachMembers(bridge, ports);
}

std::optional<BridgeRead> OvsStore::ReadBridge(const json& where) {
  std::vector<json> found = session_.Read({ovsdb::Select("Bridge", {where}, kBridgeColumns)})[0]
                                .at("rows")
                                .get<std::vector<json>>();
  if (found.empty()) return std::nullopt;
  return BridgeFromRow(found[0]);
}

std::optional<BridgeRead> OvsStore::ReadRunningBridge(const std::string& name) {
  std::optional<BridgeRead> bridge = ReadBridgeNamed(name);
  if (!bridge || !bridge->ours || !bridge->doc.row.running) return std::nullopt;
  return bridge;
}

std::optional<BridgeRead> OvsStore::ReadBridgeRowByRef(const RowRef& ref) {
  if (ref.kind != RowKind::kStandardSwitch || ref.key.empty()) return std::nullopt;
  for (const auto& [name, bridge] : bridges_) {
    if (bridge && bridge->uuid == ref.key) return bridge;
  }
  std::optional<BridgeRead> row = ReadBridge(Condition("_uuid", "==", Uuid(ref.key)));
  if (row) bridges_[row->name] = row;
  return row;
}

std::optional<BridgeRead> OvsStore::ReadBridgeByRef(const RowRef& ref) {
  std::optional<BridgeRead> row = ReadBridgeRowByRef(ref);
  if (!row) return std::nullopt;
  std::optional<BridgeRead> bridge = ReadRunningBridge(row->name);
  if (!bridge || bridge->uuid != ref.key) return std::nullopt;
  return bridge;
}

std::map<std::string, OvsStore::NameHolder> OvsStore::HoldersOf(
    const std::set<std::string>& names) {
  std::map<std::string, NameHolder> holders;
  if (names.empty()) return holders;
  std::vector<json> selects;
  const std::vector<std::string> columns = {"_uuid", "name", "external_ids"};
  for (const std::string& name : names) {
    selects.push_back(ovsdb::Select("Port", {Condition("name", "==", name)}, columns));
    selects.push_back(ovsdb::Select("Interface", {Condition("name", "==", name)}, columns));
  }
  // Rows a format-1 build made for a bridge of ours carry no mark; they are
  // ours, and hold no name against the change.
  const std::vector<json> results = session_.Read(std::move(selects));
  std::set<std::string> ports, interfaces;
  for (std::size_t i = 0; i < results.size(); ++i) {
    for (const json& row : results[i].at("rows")) {
      if (ovsdb::ReadMap(row.at("external_ids")).count(kRoleKey) != 0) continue;
      (i % 2 == 0 ? ports : interfaces).insert(ovsdb::ReadUuid(row.at("_uuid")));
    }
  }
  const std::map<std::string, std::string> unmarkedOfOurs = UnmarkedOfOurs(ports, interfaces);
  for (const json& result : results) {
    for (const json& row : result.at("rows")) {
      if (unmarkedOfOurs.count(ovsdb::ReadUuid(row.at("_uuid"))) != 0) continue;
      const std::string name = row.at("name").get<std::string>();
      Ids ids = ovsdb::ReadMap(row.at("external_ids"));
      NameHolder holder{ids[kRoleKey], ids[kBridgeKey], {}};
      if (holder.role == kRoleSwitch) {
        holder.what = "standard switch " + holder.bridge;
      } else if (holder.role == kRoleUplink) {
        holder.what = "an uplink of standard switch " + holder.bridge;
      } else if (holder.role == kRolePortGroup) {
        holder.what = "the VLAN bridge of port group " + name + " of " + holder.bridge;
      } else {
        holder.role.clear();
        holder.what = "a port or interface ploncfg did not make";
      }
      holders.emplace(name, std::move(holder));
    }
  }
  return holders;
}

void OvsStore::RefuseForeignPnic(const std::string& pnic) {
  std::vector<json> interface =
      session_.Read({ovsdb::Select("Interface", {Condition("name", "==", pnic)}, {"_uuid"})})[0]
          .at("rows")
          .get<std::vector<json>>();
  std::string where = "an interface of Open vSwitch";
  if (!interface.empty()) {
    std::vector<json> port =
        session_
            .Read({ovsdb::Select(
                "Port",
                {Condition("interfaces", "includes", ovsdb::Set({interface[0].at("_uuid")}))},
                {"_uuid", "name"})})[0]
            .at("rows")
            .get<std::vector<json>>();
    if (!port.empty()) {
      std::vector<json> bridge =
          session_
              .Read({ovsdb::Select(
                  "Bridge", {Condition("ports", "includes", ovsdb::Set({port[0].at("_uuid")}))},
                  kBridgeColumns)})[0]
              .at("rows")
              .get<std::vector<json>>();
      const std::string portName = hostnet::EscapedName(port[0].at("name").get<std::string>());
      const std::string bridgeName =
          bridge.empty() ? std::string("no bridge")
                         : hostnet::EscapedName(bridge[0].at("name").get<std::string>());
      where = "on port " + portName + " of bridge " + bridgeName +
              ", which ploncfg did not make; `ovs-vsctl del-port " + bridgeName + " " + portName +
              "` frees it";
      if (!bridge.empty() && CarriesDVSwitch(BridgeFromRow(bridge[0]))) {
        const std::string dvs = ovsdb::ReadMap(bridge[0].at("external_ids"))[kWiredDVSwitchKey];
        // Earlier builds' bridges do not name their DVSwitch.
        where = dvs.empty()
                    ? "an uplink of a DVSwitch on this host, on its bridge " + bridgeName +
                          ": `ploncfg-host rewire` frees it if no DVPort has it"
                    : "an uplink of DVSwitch " + hostnet::EscapedName(dvs) +
                          " on this host, on its bridge " + bridgeName + ": `ploncfg-vswitch -Q " +
                          pnic + " -V PORT " + hostnet::EscapedName(dvs) +
                          "` takes it out of a DVPort PORT that has it";
      }
    }
  }
  throw QuorvicException("pnic " + pnic + " is already " + where);
}

std::optional<StandardSwitchDoc> OvsStore::FindSwitch(const SwitchKey& key) {
  std::string name;
  switch (key.by) {
    case SwitchKey::By::kName:
      name = key.value;
      break;
    case SwitchKey::By::kPortGroup: {
      const json where =
          Condition("external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + key.value, ""}}));
      // A rule that checks a new group's name, in a change: assumed free.
      if (Assuming()) {
        building_->Assume("Bridge", {where});
        return std::nullopt;
      }
      std::optional<BridgeRead> holder = ReadBridge(where);
      if (!holder) return std::nullopt;
      name = holder->name;
      break;
    }
    case SwitchKey::By::kLinkedPnic: {
      // A rule that checks a pnic to link, in a change: assumed linked
      // nowhere else, which the index of Interface names holds the change
      // to, since linking makes an Interface of that name.
      if (Assuming()) {
        building_->AssumeNamesFree();
        return std::nullopt;
      }
      const json found = session_
                             .Read({ovsdb::Select("Interface", {Condition("name", "==", key.value)},
                                                  {"_uuid", "external_ids"})})[0]
                             .at("rows");
      std::set<std::string> unmarked;
      for (const json& row : found) {
        const Ids ids = ovsdb::ReadMap(row.at("external_ids"));
        const auto role = ids.find(kRoleKey);
        if (role == ids.end()) {
          unmarked.insert(ovsdb::ReadUuid(row.at("_uuid")));
        } else if (role->second == kRoleUplink && ids.count(kBridgeKey) != 0) {
          name = ids.at(kBridgeKey);
        }
      }
      if (name.empty() && !unmarked.empty()) {
        const std::map<std::string, std::string> ours = UnmarkedOfOurs({}, unmarked);
        if (!ours.empty()) name = ours.begin()->second;
      }
      if (name.empty()) return std::nullopt;
      break;
    }
    case SwitchKey::By::kSwitchId:
      return std::nullopt;
  }
  std::optional<BridgeRead> bridge = ReadRunningBridge(name);
  if (!bridge) return std::nullopt;
  StandardSwitchDoc sw = SwitchOf(*bridge);
  if (key.by == SwitchKey::By::kLinkedPnic &&
      std::find(sw.row.uplinks.begin(), sw.row.uplinks.end(), key.value) == sw.row.uplinks.end()) {
    return std::nullopt;
  }
  return sw;
}

uint32_t OvsStore::CountPorts(const RowRef& ref, const std::string& group) {
  std::optional<BridgeRead> bridge = ReadBridgeByRef(ref);
  if (!bridge) return 0;
  ReadMembers(*bridge);
  bridges_[bridge->name] = bridge;
  for (const PortGroupRow& pg : SwitchOf(*bridge).portGroups) {
    if (pg.name == group) return pg.ports;
  }
  return 0;
}

std::optional<DVSwitchDoc> OvsStore::FindDVSwitch(const SwitchKey& key) {
  RootRead root = ReadRoot();
  for (DVSwitchDoc& dvs : root.records.dvswitches) {
    if (!dvs.row.running) continue;
    if ((key.by == SwitchKey::By::kName && dvs.row.name == key.value) ||
        (key.by == SwitchKey::By::kSwitchId && dvs.row.switchId == key.value)) {
      return std::move(dvs);
    }
  }
  return std::nullopt;
}

std::optional<SwitchRow> OvsStore::FindAnySwitch(const SwitchKey& key) {
  if (key.by == SwitchKey::By::kPortGroup) {
    std::optional<BridgeRead> holder = ReadBridge(
        Condition("external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + key.value, ""}})));
    if (!holder || !holder->ours) return std::nullopt;
    return SwitchOf(*holder).row;
  }
  if (key.by != SwitchKey::By::kName) return std::nullopt;
  const std::string& name = key.value;
  // The bridge's row alone: what it links and its MTU are not asked for.
  if (std::optional<BridgeRead> bridge = ReadBridgeRow(name)) {
    return bridge->ours ? SwitchOf(*bridge).row : OpaqueOf(*bridge);
  }
  for (DVSwitchDoc& dvs : ReadRoot().records.dvswitches) {
    if (dvs.row.name == name) return std::move(dvs.row);
  }
  return std::nullopt;
}

std::vector<StandardSwitchDoc> OvsStore::ReadSwitches(bool system) {
  std::vector<StandardSwitchDoc> switches;
  for (const BridgeRead& bridge : ReadEverything().bridges) {
    if (bridge.ours && bridge.doc.row.running && bridge.doc.row.system == system) {
      switches.push_back(SwitchOf(bridge));
    }
  }
  return switches;
}

void OvsStore::ListSwitches(bool system, const std::function<void(SwitchRow&&)>& each) {
  listed_.List(ReadSwitches(system), each);
}

std::optional<std::vector<PortGroupRow>> OvsStore::TakeListedPortGroups(const RowRef& sw) {
  return listed_.Take(sw);
}

std::vector<DVSwitchDoc> OvsStore::ReadDVSwitches() {
  std::vector<DVSwitchDoc> running;
  for (DVSwitchDoc& dvs : ReadRoot().records.dvswitches) {
    if (dvs.row.running) running.push_back(std::move(dvs));
  }
  return running;
}

std::vector<SwitchRow> OvsStore::ReadOpaqueSwitches() {
  std::vector<BridgeRead> bridges;
  const std::vector<json> results = session_.Read({ovsdb::Select("Bridge", {}, kBridgeColumns)});
  for (const json& row : results[0].at("rows")) {
    BridgeRead bridge = BridgeFromRow(row);
    if (!bridge.ours && !CarriesDVSwitch(bridge)) bridges.push_back(std::move(bridge));
  }
  SortInHostOrder(bridges);
  std::vector<SwitchRow> opaque;
  for (const BridgeRead& bridge : bridges) opaque.push_back(OpaqueOf(bridge));
  return opaque;
}

HostRecords OvsStore::ReadRecords() { return ReadRoot().records.host; }

PnicSet OvsStore::Pnics() {
  constexpr const char* kSysfs = "/sys/class/net";
  PnicSet pnics;
  if (const auto& named = session_.Settings().pnics) {
    pnics.names = *named;
    std::string list;
    for (const std::string& pnic : *named) list += (list.empty() ? "" : " ") + pnic;
    pnics.rule = "the pnics setting (QUENTA_OVS_PNICS, or pnics in hostnet.conf) names " +
                 (list.empty() ? std::string("none") : list);
  } else {
    pnics.names = DiscoverPnics(kSysfs);
    pnics.rule =
        "pnics are the machine's physical network devices and bonds, unless the pnics setting "
        "(QUENTA_OVS_PNICS, or pnics in hostnet.conf) names them";
  }
  for (std::string& device : NetworkDevices(kSysfs)) {
    if (std::find(pnics.names.begin(), pnics.names.end(), device) == pnics.names.end()) {
      pnics.others.push_back(std::move(device));
    }
  }
  return pnics;
}

}  // namespace ovs_host
