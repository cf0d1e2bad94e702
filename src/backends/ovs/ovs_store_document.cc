#include <algorithm>
#include <chrono>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/lags.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;
using namespace rows;

HostDocument OvsStore::ReadHost() {
  HostDocument doc;
  doc.pnics = Pnics().names;
  HostRead host = ReadEverything();
  for (const BridgeRead& bridge : host.bridges) {
    if (bridge.ours) {
      doc.switches.push_back(SwitchOf(bridge));
    } else if (!CarriesDVSwitch(bridge)) {
      doc.opaqueSwitches.push_back(OpaqueOf(bridge));
    }
  }
  RootRecords& records = host.root.records;
  doc.dvswitches = std::move(records.dvswitches);
  doc.uplinkTimeouts = std::move(records.host.uplinkTimeouts);
  doc.lagTimeouts = std::move(records.host.lagTimeouts);
  doc.ensActivateNode = records.host.ensActivateNode;
  doc.faults = std::move(records.host.faults);
  ShowRunningLags(doc);
  return doc;
}

void OvsStore::ReplaceHost(const HostDocument& document) {
  HostDocument doc = document;
  RunLoadedLags(doc);
  std::vector<std::string> pnics = Pnics().names;
  for (const std::string& pnic : doc.pnics) {
    if (std::find(pnics.begin(), pnics.end(), pnic) == pnics.end()) {
      throw QuorvicException("pnic " + pnic + " is not a network interface of this host");
    }
  }
  for (const StandardSwitchDoc& sw : doc.switches) {
    if (!IsDeviceName(sw.row.name)) {
      throw QuorvicException("standard switch " + sw.row.name +
                             ": a switch name here names a network device: no '/', ':' or blank");
    }
  }
  Write("loading the host", [&](GuardedChange& change, DatapathCheck& datapath) {
    HostRead host = ReadEverything();
    for (const SwitchRow& opaque : doc.opaqueSwitches) {
      auto bridge = std::find_if(host.bridges.begin(), host.bridges.end(),
                                 [&](const BridgeRead& b) { return b.name == opaque.name; });
      if (bridge == host.bridges.end() || bridge->ours) {
        throw QuorvicException("opaque switch " + opaque.name +
                               ": this host's opaque switches are the bridges others made; a "
                               "host document cannot add one");
      }
    }
    // Our bridges the document no longer has go, unless VMs still use them.
    std::vector<json> gone;
    for (const BridgeRead& bridge : host.bridges) {
      auto kept = std::find_if(doc.switches.begin(), doc.switches.end(),
                               [&](const StandardSwitchDoc& sw) { return sw.row.name == bridge.name; });
      if (!bridge.ours || kept != doc.switches.end()) continue;
      if (const std::string others = bridge.OthersPorts(); !others.empty()) {
        throw QuorvicException("standard switch " + bridge.name + " has ports ploncfg did not make (" +
                               others + "); the document would remove it");
      }
      gone.push_back(ovsdb::Uuid(bridge.uuid));
    }
    if (!gone.empty()) {
      change.Add(ovsdb::Mutate("Open_vSwitch", {},
                               {ovsdb::Mutation("bridges", "delete", ovsdb::Set(gone))}));
      datapath.reached = true;
    }
    int64_t created = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    BridgePlan plan(change, datapath, session_.Settings());
    for (const StandardSwitchDoc& sw : doc.switches) {
      auto bridge = std::find_if(host.bridges.begin(), host.bridges.end(),
                                 [&](const BridgeRead& b) { return b.name == sw.row.name; });
      if (bridge == host.bridges.end()) {
        plan.Insert(sw, created++, TakenFor(change, sw, nullptr));
        continue;
      }
      if (!bridge->ours) {
        throw QuorvicException("standard switch " + sw.row.name +
                               ": a bridge of that name was made by others");
      }
      const StandardSwitchDoc was = SwitchOf(*bridge);
      plan.Update(*bridge, sw, TakenFor(change, sw, &was));
    }
    RootRead& root = host.root;
    root.records = RootRecords{
        HostRecords{doc.uplinkTimeouts, doc.lagTimeouts, doc.ensActivateNode, doc.faults},
        doc.dvswitches, 1};
    for (DVSwitchDoc& dvs : root.records.dvswitches) {
      dvs.row.ref = RowRef{RowKind::kDVSwitch, dvs.row.name};
    }
    // A document's faults may all have id 0: each gets an id of its own.
    for (FaultRow& fault : root.records.host.faults) fault.id = root.records.nextFaultId++;
    WriteRoot(change, root);
  });
}

void OvsStore::Reboot() {
  throw QuorvicException("Open vSwitch keeps no configuration apart from the running one");
}

}  // namespace ovs_host
