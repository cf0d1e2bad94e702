#include <algorithm>
#include <chrono>
#include <random>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/switch_edits.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;
using namespace rows;

namespace {

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The names of a that b lacks.
std::vector<std::string> Missing(const std::vector<std::string>& a,
                                 const std::vector<std::string>& b) {
  std::vector<std::string> missing;
  for (const std::string& name : a) {
    if (std::find(b.begin(), b.end(), name) == b.end()) missing.push_back(name);
  }
  return missing;
}

// True when after lacks a port group that before has.
bool GroupsRemoved(const StandardSwitchDoc& before, const StandardSwitchDoc& after) {
  for (const PortGroupRow& pg : before.portGroups) {
    if (std::none_of(after.portGroups.begin(), after.portGroups.end(),
                     [&](const PortGroupRow& g) { return g.name == pg.name; })) {
      return true;
    }
  }
  return false;
}

// What an edit of a standard switch does, for messages: the first thing
// that differs between before and after.
std::string DescribeEdit(const StandardSwitchDoc& before, const StandardSwitchDoc& after) {
  const SwitchRow& old = before.row;
  const SwitchRow& now = after.row;
  const std::string& name = now.name;
  if (std::vector<std::string> linked = Missing(now.uplinks, old.uplinks); !linked.empty()) {
    return "linking pnic " + linked[0] + " to " + name;
  }
  if (std::vector<std::string> unlinked = Missing(old.uplinks, now.uplinks); !unlinked.empty()) {
    return "unlinking pnic " + unlinked[0] + " from " + name;
  }
  if (now.mtu != old.mtu) return "setting the MTU of " + name;
  if (!(now.teaming == old.teaming)) return "setting the teaming policy of " + name;
  for (const PortGroupRow& pg : after.portGroups) {
    auto was = std::find_if(before.portGroups.begin(), before.portGroups.end(),
                            [&](const PortGroupRow& g) { return g.ref == pg.ref; });
    if (was == before.portGroups.end()) return "adding port group " + pg.name + " to " + name;
    if (was->vlan != pg.vlan) return "setting the VLAN ID of port group " + pg.name;
  }
  return "changing standard switch " + name;
}

// A key no other DVSwitch of this host has: when it was made, and a random
// tail for two made in the same nanosecond.
std::string NewDVSwitchKey() {
  std::random_device random;
  return std::to_string(Now()) + "-" + std::to_string(random());
}

}  // namespace

TakenNames OvsStore::TakenFor(GuardedChange& change, const StandardSwitchDoc& sw,
                              const StandardSwitchDoc* was) {
  const std::vector<std::string> newPnics =
      was == nullptr ? sw.row.uplinks : Missing(sw.row.uplinks, was->row.uplinks);
  const std::string uplinkPort = sw.row.name + kUplinkPortSuffix;
  std::set<std::string> names(newPnics.begin(), newPnics.end());
  names.insert(uplinkPort);
  if (was == nullptr) names.insert(sw.row.name);
  std::set<std::string> groups;
  for (const PortGroupRow& pg : sw.portGroups) {
    if (IsDeviceName(pg.name)) groups.insert(pg.name);
  }
  names.insert(groups.begin(), groups.end());
  TakenNames taken;
  // A pnic's name is the pnic's even while no row holds it.
  if (!groups.empty()) {
    for (const std::string& pnic : Pnics().names) {
      if (groups.count(pnic) != 0) taken[pnic] = "pnic " + pnic + " of this host";
    }
  }
  // Port and Interface names are unique in the schema's indexes: a name
  // taken meanwhile fails the commit, and the change is built again here.
  if (Assuming()) {
    change.AssumeNamesFree();
    return taken;
  }
  std::set<std::string> foreign;
  for (const auto& [name, holder] : HoldersOf(names)) {
    // What the rules decide (a pnic linked to another switch), and the
    // rows of this switch and its groups, which a load may move between
    // bridges.
    const bool newPnic = std::find(newPnics.begin(), newPnics.end(), name) != newPnics.end();
    if (holder.role == kRoleUplink &&
        (newPnic || (name == uplinkPort && holder.bridge == sw.row.name))) {
      continue;
    }
    if (holder.role == kRolePortGroup && groups.count(name) != 0) continue;
    if (holder.role.empty()) foreign.insert(name);
    taken.emplace(name, holder.what);
  }
  if (foreign.count(uplinkPort) != 0 && !sw.row.uplinks.empty()) {
    throw QuorvicException("Open vSwitch has a port " + uplinkPort +
                           ", which ploncfg did not make, where " + sw.row.name +
                           "'s uplinks would go: `ovs-vsctl del-port " + uplinkPort +
                           "` removes it");
  }
  for (const std::string& pnic : newPnics) {
    auto holder = taken.find(pnic);
    if (holder == taken.end()) continue;
    if (foreign.count(pnic) != 0) RefuseForeignPnic(pnic);
    throw QuorvicException("pnic " + pnic + " has the name of " + holder->second +
                           ", and Open vSwitch has one namespace of ports and interfaces");
  }
  return taken;
}

RowRef OvsStore::AddSwitch(const StandardSwitchDoc& sw) {
  const std::string& name = sw.row.name;
  if (!IsDeviceName(name)) {
    throw QuorvicException("a switch name here names a network device: no '/', ':' or blank");
  }
  Write("adding standard switch " + name, [&](GuardedChange& change, DatapathCheck& datapath) {
    RootRead root = ReadRoot();
    for (const DVSwitchDoc& dvs : root.records.dvswitches) {
      if (dvs.row.name == name) SwitchNameTaken(name);
    }
    // A DVSwitch of that name added meanwhile stops it.
    auto records = root.externalIds.find(kHostKey);
    if (records != root.externalIds.end()) {
      change.GuardPairs(kDatabase, root.uuid, "external_ids", {*records});
    }
    BridgePlan(change, datapath, session_.Settings())
        .Insert(sw, Now(), TakenFor(change, sw, nullptr));
    Refresh(change, name);
    // A bridge the datapath refuses goes again.
    datapath.undo = [this, name] {
      std::optional<BridgeRead> made = ReadBridgeRow(name);
      if (made && made->ours) RemoveSwitch(RowRef{RowKind::kStandardSwitch, made->uuid});
    };
  });
  // Another run may have removed the switch since: the add is done all the
  // same, and the ref then finds nothing.
  std::optional<BridgeRead> made = ReadBridgeRow(name);
  return RowRef{RowKind::kStandardSwitch, made && made->ours ? made->uuid : std::string()};
}

RowRef OvsStore::AddDVSwitch(const DVSwitchDoc& dvs) {
  DVSwitchDoc added = dvs;
  added.row.ref = RowRef{RowKind::kDVSwitch, NewDVSwitchKey()};
  for (DVPortRow& port : added.dvports) port.ref = RowRef{RowKind::kDVPort, port.portId};
  Write("adding DVSwitch " + dvs.row.name, [&](GuardedChange& change, DatapathCheck&) {
    RootRead root = ReadRoot();
    for (const DVSwitchDoc& other : root.records.dvswitches) {
      if (other.row.name == dvs.row.name) SwitchNameTaken(dvs.row.name);
    }
    change.GuardAbsent("Bridge", {Condition("name", "==", dvs.row.name)},
                       "a switch named " + dvs.row.name + " already exists");
    root.records.dvswitches.push_back(added);
    WriteRoot(change, root);
  });
  return added.row.ref;
}

bool OvsStore::RemoveSwitch(const RowRef& ref) {
  bool removed = false;
  if (ref.kind == RowKind::kDVSwitch) {
    EditRoot("removing a DVSwitch", [&](RootRecords& records) {
      auto& all = records.dvswitches;
      auto dvs = std::find_if(all.begin(), all.end(), [&](const DVSwitchDoc& d) {
        return d.row.running && d.row.ref == ref;
      });
      removed = dvs != all.end();
      if (removed) all.erase(dvs);
    });
    return removed;
  }
  std::optional<BridgeRead> first = ReadBridgeRowByRef(ref);
  if (!first) return false;
  Write("removing a standard switch", [&](GuardedChange& change, DatapathCheck& datapath) {
    std::optional<BridgeRead> bridge = ReadBridgeRow(first->name);
    removed = bridge && bridge->uuid == ref.key && bridge->ours && bridge->doc.row.running;
    if (!removed) return;
    change.SetWhat("removing standard switch " + bridge->name);
    // A bridge of format 1 marks none of its ports: they are read.
    if (Assuming() && !bridge->partsRead && bridge->format != 1) {
      // Assumed, port by port: each is ours, none a VM's port or a VLAN
      // bridge of others.
      for (const std::string& uuid : bridge->ports) {
        change.Assume("Port", {Condition("_uuid", "==", Uuid(uuid)),
                               Condition("external_ids", "excludes",
                                         ovsdb::Map({{kBridgeKey, bridge->name}}))});
      }
    } else {
      bridge = ReadRunningBridge(bridge->name);
      removed = bridge && bridge->uuid == ref.key;
      if (!removed) return;
      ReadMembers(*bridge);
      const std::string others = bridge->OthersPorts();
      if (!others.empty()) {
        const std::string removes =
            bridge->memberPorts.empty()
                ? "`ovs-vsctl del-br " + hostnet::EscapedName(bridge->foreignVlanBridges[0].name) +
                      "` removes it"
                : "`ovs-vsctl del-port " + bridge->name + " PORT` removes one";
        throw QuorvicException("standard switch " + bridge->name +
                               " has ports ploncfg did not make (" + others + "); " + removes);
      }
    }
    std::vector<nlohmann::json> ports;
    for (const std::string& uuid : bridge->ports) ports.push_back(Uuid(uuid));
    change.Guard("Bridge", bridge->uuid, {{"ports", ovsdb::Set(ports)}});
    change.Add(
        ovsdb::Mutate("Open_vSwitch", {},
                      {ovsdb::Mutation("bridges", "delete", ovsdb::Set({Uuid(bridge->uuid)}))}));
    datapath.reached = true;
    Removed(bridge->name);
  });
  return removed;
}

std::optional<StandardSwitchDoc> OvsStore::EditSwitch(
    const RowRef& ref, const std::function<void(StandardSwitchDoc&)>& edit) {
  std::optional<BridgeRead> first = ReadBridgeByRef(ref);
  if (!first) return std::nullopt;
  std::optional<StandardSwitchDoc> written;
  Write(
      "changing a standard switch", [&](GuardedChange& change, DatapathCheck& datapath) {
        written.reset();
        // The bridge keeps its name while it lives: read by name, it is the
        // same bridge when its UUID is.
        std::optional<BridgeRead> before = ReadRunningBridge(first->name);
        if (!before || before->uuid != ref.key) return;
        const StandardSwitchDoc was = SwitchOf(*before);
        StandardSwitchDoc after = was;
        edit(after);
        for (PortGroupRow& pg : after.portGroups) {
          if (pg.ref.Empty()) pg.ref = RowRef{RowKind::kPortGroup, pg.name};
        }
        written = after;
        change.SetWhat(DescribeEdit(was, after));
        // A port group that goes must not take VMs' ports with it.
        if (GroupsRemoved(was, after)) ReadMembers(*before);
        BridgePlan plan(change, datapath, session_.Settings());
        const TakenNames taken = TakenFor(change, after, &was);
        plan.Update(*before, after, taken);
        // A change that writes nothing of ours still tags the VMs' ports that
        // do not carry their group's VLAN.
        if (change.Empty() && !before->membersRead && !before->ForeignPorts().empty()) {
          ReadMembers(*before);
          plan.Update(*before, after, taken);
        }
        if (change.Empty()) return;
        Refresh(change, before->name);
        const std::string what = change.What();
        datapath.undo = [this, ref, was, what] {
          Write("putting back what " + what + " changed",
                [&](GuardedChange& undo, DatapathCheck& path) {
                  std::optional<BridgeRead> now = ReadBridgeByRef(ref);
                  if (!now) return;
                  StandardSwitchDoc back = SwitchOf(*now);
                  back.row.uplinks = was.row.uplinks;
                  back.row.configUplinks = was.row.configUplinks;
                  back.row.mtu = was.row.mtu;
                  back.row.teaming = was.row.teaming;
                  BridgePlan(undo, path, session_.Settings())
                      .Update(*now, back, TakenFor(undo, back, nullptr));
                  path.expected.clear();
                  Refresh(undo, now->name);
                });
        };
      });
  return written;
}

std::optional<DVSwitchDoc> OvsStore::EditDVSwitch(const RowRef& ref,
                                                  const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<DVSwitchDoc> written;
  EditRoot("changing a DVSwitch", [&](RootRecords& records) {
    written.reset();
    auto dvs = std::find_if(records.dvswitches.begin(), records.dvswitches.end(),
                            [&](const DVSwitchDoc& d) { return d.row.running && d.row.ref == ref; });
    if (dvs == records.dvswitches.end()) return;
    edit(*dvs);
    for (DVPortRow& port : dvs->dvports) port.ref = RowRef{RowKind::kDVPort, port.portId};
    written = *dvs;
  });
  return written;
}

void OvsStore::StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) {
  if (kind == SwitchKind::kDistributed) {
    EditRoot("starting the DVSwitches", [&](RootRecords& records) {
      for (DVSwitchDoc& dvs : records.dvswitches) {
        if (!dvs.row.running) start(dvs.row);
      }
    });
    return;
  }
  Write("starting the standard switches", [&](GuardedChange& change, DatapathCheck& datapath) {
    for (const BridgeRead& stopped : ReadEverything().bridges) {
      if (!stopped.ours || stopped.doc.row.running) continue;
      StandardSwitchDoc started = SwitchOf(stopped);
      start(started.row);
      BridgePlan(change, datapath, session_.Settings())
          .Update(stopped, started, TakenFor(change, started, nullptr));
    }
  });
}

void OvsStore::EditRecords(const std::function<void(HostRecords&)>& edit) {
  EditRoot("changing the host's records", [&](RootRecords& records) { edit(records.host); });
}

}  // namespace ovs_host
