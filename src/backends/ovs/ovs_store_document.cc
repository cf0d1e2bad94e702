#include <algorithm>
#include <chrono>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using namespace rows;

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;

HostDocument OvsStore::ReadHost() {
  HostDocument doc;
  doc.pnics = Pnics();
  RootRead root = ReadRoot();
  std::vector<BridgeRead> bridges = ReadBridges({});
  std::map<std::string, PortRead> ports = ReadAllPorts();
  SortInHostOrder(bridges);
  for (BridgeRead& bridge : bridges) {
    if (!bridge.ours) {
      doc.opaqueSwitches.push_back(std::move(bridge.doc.row));
      continue;
    }
    CountMembers(bridge, MembersOf(bridge, ports));
    doc.switches.push_back(std::move(bridge.doc));
  }
  doc.dvswitches = std::move(root.records.dvswitches);
  doc.uplinkTimeouts = std::move(root.records.host.uplinkTimeouts);
  doc.lagTimeouts = std::move(root.records.host.lagTimeouts);
  doc.ensActivateNode = root.records.host.ensActivateNode;
  doc.faults = std::move(root.records.host.faults);
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
    std::vector<BridgeRead> bridge = ReadBridges({Condition("name", "==", opaque.name)});
    if (bridge.empty() || bridge[0].ours) {
      throw QuorvicException("opaque switch " + opaque.name +
                             ": this host's opaque switches are the bridges others made; a "
                             "host document cannot add one");
    }
  }
  Write("loading the host", [&](GuardedChange& change, Datapath& datapath) {
    RootRead root = ReadRoot();
    std::vector<json> ours;
    for (const BridgeRead& bridge : ReadBridges({})) {
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
      InsertBridge(change, datapath, sw, created++);
      for (const std::string& pnic : sw.row.uplinks) root.links[pnic] = sw.row.name;
    }
    root.records = RootRecords{
        HostRecords{doc.uplinkTimeouts, doc.lagTimeouts, doc.ensActivateNode, doc.faults},
        doc.dvswitches, 1};
    for (DVSwitchDoc& dvs : root.records.dvswitches) {
      dvs.row.ref = RowRef{RowKind::kDVSwitch, dvs.row.name};
    }
    // A document's faults may all have id 0: each gets an id of its own.
    for (FaultRow& fault : root.records.host.faults) fault.id = root.records.nextFaultId++;
    WriteRoot(change, root);
    datapath.reached = true;
  });
}

void OvsStore::Reboot() {
  throw QuorvicException("Open vSwitch keeps no configuration apart from the running one");
}

}  // namespace ovs_host
