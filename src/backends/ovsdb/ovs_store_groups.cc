#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_keys.h"
#include "backends/ovsdb/ovs_store.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using ovsdb::Condition;
using Quorvic::Lib::QuorvicException;

OvsStore::BridgeRead OvsStore::RequireGroupBridge(const PortGroupRow& pg) {
  const RowKey& key = KeyOf(pg.switchId);
  std::optional<BridgeRead> bridge;
  if (key.first == "bridge") bridge = ReadBridgeByUuid(key.second);
  bool found = bridge && bridge->ours && bridge->row.running;
  for (size_t i = 0; found && i < bridge->groups.size(); ++i) {
    if (bridge->groups[i].name == pg.name) return std::move(*bridge);
  }
  throw QuorvicException("port group " + pg.name + " no longer exists");
}

PortGroupRow& OvsStore::GroupIn(BridgeRead& bridge, const std::string& name) {
  for (PortGroupRow& pg : bridge.groups) {
    if (pg.name == name) return pg;
  }
  throw QuorvicException("port group " + name + " no longer exists");
}

PortGroupRow OvsStore::AddPortGroup(const SwitchRow& sw, const std::string& name) {
  if (name.empty()) throw QuorvicException("a port group name must not be empty");
  std::vector<nlohmann::json> marked = {
      Condition("external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + name, ""}}))};
  Write("adding port group " + name + " to " + sw.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    std::vector<nlohmann::json> holders = Select(ovsdb::Select("Bridge", marked, {"name"}));
    if (!holders.empty()) {
      throw QuorvicException("port group " + name + " already exists on " +
                             holders[0]["name"].get<std::string>());
    }
    PortGroupRow pg;
    pg.name = name;
    bridge.groups.push_back(pg);
    WriteRecord(change, bridge);
    change.GuardAbsent("Bridge", marked);
    return 0;
  });
  PortGroupRow pg;
  pg.switchId = sw.id;
  pg.name = name;
  pg.id = IdOf("group:" + std::to_string(sw.id), name);
  return pg;
}

void OvsStore::RemovePortGroup(const SwitchRow& sw, const std::string& name) {
  Write("removing port group " + name + " from " + sw.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    auto& groups = bridge.groups;
    auto found = std::find_if(groups.begin(), groups.end(),
                              [&](const PortGroupRow& pg) { return pg.name == name; });
    if (found == groups.end()) {
      throw QuorvicException("no port group named " + name + " on " + sw.name);
    }
    groups.erase(found);
    WriteRecord(change, bridge);
    return 0;
  });
}

void OvsStore::SetVlan(const PortGroupRow& pg, uint32_t vlan) {
  Write("setting the VLAN ID of port group " + pg.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireGroupBridge(pg);
    GroupIn(bridge, pg.name).vlan = vlan;
    WriteRecord(change, bridge);
    TagMembers(change, ReadPorts(bridge).members, pg.name, vlan);
    return 0;
  });
}

void OvsStore::SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) {
  TeamingRow stored = teaming;
  if (!stored.orderSet) stored.order.clear();
  CheckUplinkOrder(stored.order);
  Write("setting the teaming policy of port group " + pg.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireGroupBridge(pg);
    GroupIn(bridge, pg.name).teaming = stored;
    WriteRecord(change, bridge);
    return 0;
  });
}

}  // namespace ovs_host
