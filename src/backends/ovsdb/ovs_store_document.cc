#include <algorithm>
#include <chrono>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_keys.h"
#include "backends/ovsdb/ovs_store.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

HostDocument OvsStore::ReadHost() {
  HostDocument doc;
  doc.pnics = Pnics();
  RootRead root = ReadRoot();
  std::vector<BridgeRead> bridges = ReadBridges({}, false);
  std::map<std::string, PortRead> ports = ReadAllPorts();
  SortInHostOrder(bridges);
  for (BridgeRead& bridge : bridges) {
    if (!bridge.ours) {
      doc.opaqueSwitches.push_back(std::move(bridge.row));
      continue;
    }
    CountMembers(bridge, MembersOf(bridge, ports));
    doc.switches.push_back({std::move(bridge.row), std::move(bridge.groups)});
  }
  doc.dvswitches = std::move(root.records.dvswitches);
  doc.uplinkTimeouts = std::move(root.records.uplinkTimeouts);
  doc.lagTimeouts = std::move(root.records.lagTimeouts);
  doc.ensActivateNode = root.records.ensActivateNode;
  doc.faults = std::move(root.records.faults);
  return doc;
}

void OvsStore::ReplaceHost(const HostDocument& doc) {
  std::vector<std::string> pnics = Pnics();
  for (const std::string& pnic : doc.pnics) {
    if (std::find(pnics.begin(), pnics.end(), pnic) == pnics.end()) {
      throw QuorvicException("pnic " + pnic + " is not a network interface of this host");
    }
  }
  for (const SwitchRow& opaque : doc.opaqueSwitches) {
    std::optional<BridgeRead> bridge = ReadBridgeNamed(opaque.name);
    if (!bridge || bridge->ours) {
      throw QuorvicException("opaque switch " + opaque.name +
                             ": this host's opaque switches are the bridges others made; a "
                             "host document cannot add one");
    }
  }
  Write("loading the host", [&](OvsChange& change) {
    RootRead root = ReadRoot();
    std::vector<json> ours;
    for (const BridgeRead& bridge : ReadBridges({}, false)) {
      if (!bridge.ours) continue;
      GuardBridge(change, bridge);
      ours.push_back(ovsdb::Uuid(bridge.uuid));
    }
    if (!ours.empty()) {
      change.Add(ovsdb::Mutate("Open_vSwitch", {},
                               {ovsdb::Mutation("bridges", "delete", ovsdb::Set(ours))}));
    }
    int64_t created = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    root.links.clear();
    for (const StandardSwitchDoc& sw : doc.switches) {
      InsertBridge(change, sw.row, sw.portGroups, created++);
      for (const std::string& pnic : sw.row.uplinks) root.links[pnic] = sw.row.name;
    }
    root.records = HostRecords{doc.dvswitches,      doc.uplinkTimeouts, doc.lagTimeouts,
                               doc.ensActivateNode, doc.faults,         1};
    for (const FaultRow& fault : doc.faults) {
      root.records.nextFaultId = std::max(root.records.nextFaultId, fault.id + 1);
    }
    WriteRoot(change, root);
    change.ReachDatapath();
    return 0;
  });
}

void OvsStore::Reboot() {
  throw QuorvicException("Open vSwitch keeps no configuration apart from the running one");
}

}  // namespace ovs_host
