#include <algorithm>
#include <chrono>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_keys.h"
#include "backends/ovsdb/ovs_store.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;

namespace {

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Takes name out of names; true when it was there.
bool Erase(std::vector<std::string>& names, const std::string& name) {
  auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return false;
  names.erase(found);
  return true;
}

}  // namespace

SwitchRow OvsStore::AddSwitch(SwitchRow row) {
  if (row.teaming.orderSet) CheckUplinkOrder(row.teaming.order);
  if (!row.teaming.orderSet) row.teaming.order.clear();
  row.running = true;
  row.system = false;
  row.usedPorts = 0;
  row.configuredPorts = row.numPorts;
  bool standard = row.kind == SwitchKind::kStandard;
  Write((standard ? "adding standard switch " : "adding DVSwitch ") + row.name,
        [&](OvsChange& change) {
          RootRead root = ReadRoot();
          RequireNameFree(row.name, root);
          if (standard) {
            GuardRoot(change, root);
            change.GuardAbsent("Bridge", {Condition("name", "==", row.name)});
            InsertBridge(change, row, {}, Now());
          } else {
            root.records.dvswitches.push_back(DVSwitchDoc{row, {}});
            WriteRoot(change, root);
          }
          return 0;
        });
  if (!standard) {
    row.id = IdOf("dvswitch", row.name);
    return row;
  }
  std::optional<BridgeRead> bridge = ReadBridgeNamed(row.name);
  if (!bridge) throw QuorvicException("standard switch " + row.name + " no longer exists");
  return std::move(bridge->row);
}

void OvsStore::RemoveSwitch(const std::string& name) {
  Write("removing switch " + name, [&](OvsChange& change) {
    RootRead root = ReadRoot();
    std::optional<BridgeRead> bridge = ReadBridgeNamed(name);
    if (bridge && bridge->ours && bridge->row.running) {
      for (const std::string& pnic : bridge->row.uplinks) root.links.erase(pnic);
      GuardBridge(change, *bridge);
      WriteRoot(change, root);
      change.Add(
          ovsdb::Mutate("Open_vSwitch", {},
                        {ovsdb::Mutation("bridges", "delete", ovsdb::Set({Uuid(bridge->uuid)}))}));
      change.ReachDatapath();
      return 0;
    }
    auto& all = root.records.dvswitches;
    auto dvs = std::find_if(all.begin(), all.end(), [&](const DVSwitchDoc& d) {
      return d.row.name == name && d.row.running;
    });
    if (dvs == all.end()) throw QuorvicException("no standard switch or DVSwitch named " + name);
    all.erase(dvs);
    WriteRoot(change, root);
    return 0;
  });
}

void OvsStore::EditSwitch(const std::string& what, const SwitchRow& sw,
                          const std::function<void(SwitchRow&)>& edit, bool datapath) {
  if (sw.kind == SwitchKind::kDistributed) {
    EditDV(what, sw, [&](DVSwitchDoc& dvs) { edit(dvs.row); });
    return;
  }
  Write(what, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    SwitchRow before = bridge.row;
    edit(bridge.row);
    WriteRecord(change, bridge);
    if (!datapath) return 0;
    WriteDatapath(change, bridge, ReadPorts(bridge));
    change.Expect(bridge.row.name, bridge.row.mtu);
    for (const std::string& pnic : bridge.row.uplinks) change.Expect(pnic, bridge.row.mtu);
    change.OnRefusal([this, sw, before] {
      Write("putting back " + sw.name, [&](OvsChange& undo) {
        BridgeRead now = RequireBridge(sw);
        now.row.mtu = before.mtu;
        now.row.teaming = before.teaming;
        WriteRecord(undo, now);
        WriteDatapath(undo, now, ReadPorts(now));
        return 0;
      });
    });
    return 0;
  });
}

void OvsStore::SetCdp(const SwitchRow& sw, int32_t cdp) {
  EditSwitch("setting the CDP status of " + sw.name, sw, [&](SwitchRow& row) { row.cdp = cdp; });
}

void OvsStore::SetMtu(const SwitchRow& sw, uint32_t mtu) {
  EditSwitch(
      "setting the MTU of " + sw.name, sw, [&](SwitchRow& row) { row.mtu = mtu; },
      sw.kind == SwitchKind::kStandard);
}

void OvsStore::SetTeaming(const SwitchRow& sw, const TeamingRow& teaming) {
  if (teaming.orderSet) CheckUplinkOrder(teaming.order);
  EditSwitch(
      "setting the teaming policy of " + sw.name, sw,
      [&](SwitchRow& row) {
        row.teaming = teaming;
        if (!teaming.orderSet) row.teaming.order.clear();
      },
      true);
}

void OvsStore::RestoreDVSwitches() {
  EditRecords("starting the DVSwitches", [](HostRecords& records) {
    for (DVSwitchDoc& dvs : records.dvswitches) dvs.row.running = true;
  });
}

void OvsStore::RestoreVirtualSwitches() {
  for (BridgeRead& stopped : ReadBridges({}, false)) {
    if (!stopped.ours || stopped.row.running) continue;
    Write("starting standard switch " + stopped.row.name, [&](OvsChange& change) {
      std::optional<BridgeRead> bridge = ReadBridgeByUuid(stopped.uuid);
      if (!bridge || bridge->row.running) return 0;
      bridge->row.running = true;
      bridge->row.uplinks.clear();
      WriteRecord(change, *bridge);
      WriteDatapath(change, *bridge, ReadPorts(*bridge));
      return 0;
    });
  }
}

void OvsStore::AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) {
  RequirePnic(pnic);
  Write("linking pnic " + pnic + " to " + sw.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    RootRead root = ReadRoot();
    auto owner = root.links.find(pnic);
    if (owner != root.links.end() && owner->second != sw.name) {
      throw QuorvicException("pnic " + pnic + " is already linked to " + owner->second);
    }
    SwitchRow before = bridge.row;
    bool link = owner == root.links.end();
    if (link) {
      bridge.row.uplinks.push_back(pnic);
      root.links[pnic] = sw.name;
      WriteRoot(change, root);
    }
    if (persist && !Contains(bridge.row.configUplinks, pnic)) {
      bridge.row.configUplinks.push_back(pnic);
    }
    WriteRecord(change, bridge);
    if (!link) return 0;
    WriteDatapath(change, bridge, ReadPorts(bridge));
    change.OnRefusal([this, sw, pnic, before] {
      Write("unlinking pnic " + pnic + " from " + sw.name, [&](OvsChange& undo) {
        BridgeRead now = RequireBridge(sw);
        RootRead links = ReadRoot();
        links.links.erase(pnic);
        now.row.uplinks = before.uplinks;
        now.row.configUplinks = before.configUplinks;
        WriteRoot(undo, links);
        WriteRecord(undo, now);
        WriteDatapath(undo, now, ReadPorts(now));
        return 0;
      });
    });
    return 0;
  });
}

void OvsStore::RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) {
  Write("unlinking pnic " + pnic + " from " + sw.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    if (!configOnly) {
      if (!Erase(bridge.row.uplinks, pnic)) {
        throw QuorvicException("pnic " + pnic + " is not linked to " + sw.name);
      }
      RootRead root = ReadRoot();
      root.links.erase(pnic);
      WriteRoot(change, root);
    }
    if (!Erase(bridge.row.configUplinks, pnic) && configOnly) {
      throw QuorvicException("pnic " + pnic + " is not in the stored configuration of " + sw.name);
    }
    WriteRecord(change, bridge);
    if (!configOnly) WriteDatapath(change, bridge, ReadPorts(bridge));
    return 0;
  });
}

void OvsStore::RestoreUplinks(const SwitchRow& sw) {
  Write("restoring the uplinks of " + sw.name, [&](OvsChange& change) {
    BridgeRead bridge = RequireBridge(sw);
    RootRead root = ReadRoot();
    for (const std::string& pnic : bridge.row.configUplinks) {
      auto owner = root.links.find(pnic);
      if (owner != root.links.end() && owner->second != sw.name) {
        throw QuorvicException("pnic " + pnic + " is already linked to " + owner->second);
      }
    }
    for (const std::string& pnic : bridge.row.uplinks) root.links.erase(pnic);
    for (const std::string& pnic : bridge.row.configUplinks) root.links[pnic] = sw.name;
    bridge.row.uplinks = bridge.row.configUplinks;
    WriteRoot(change, root);
    WriteRecord(change, bridge);
    WriteDatapath(change, bridge, ReadPorts(bridge));
    return 0;
  });
}

void OvsStore::ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) {
  EditSwitch("activating ENS on " + sw.name, sw, [&](SwitchRow& row) {
    row.ens.active = true;
    row.ens.interrupt = interrupt;
    row.ens.fastSwitch = fastSwitch;
  });
}

void OvsStore::DeactivateEns(const SwitchRow& sw) {
  EditSwitch("deactivating ENS on " + sw.name, sw, [](SwitchRow& row) { row.ens.active = false; });
}

void OvsStore::ReassociateUplinks(const SwitchRow& sw, bool force) {
  EditSwitch("reassociating the uplinks of " + sw.name, sw, [&](SwitchRow& row) {
    ++row.ens.reassociations;
    if (force) ++row.ens.forcedReassociations;
  });
}

bool OvsStore::IsEnsActive(const SwitchRow& sw) {
  std::optional<SwitchRow> row = FindSwitch(sw.name, sw.kind);
  if (!row) {
    throw QuorvicException(
        std::string(sw.kind == SwitchKind::kDistributed ? "DVSwitch " : "standard switch ") +
        sw.name + " no longer exists");
  }
  return row->ens.active;
}

}  // namespace ovs_host
