#include <algorithm>
#include <chrono>
#include <random>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using namespace rows;

using ovsdb::Condition;
using ovsdb::GuardedChange;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;

namespace {

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The first name of a that b lacks, or empty.
std::string FirstMissing(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (const std::string& name : a) {
    if (std::find(b.begin(), b.end(), name) == b.end()) return name;
  }
  return {};
}

// What an edit of a standard switch does, for messages: the first thing
// that differs between before and after.
std::string DescribeEdit(const StandardSwitchDoc& before, const StandardSwitchDoc& after) {
  const SwitchRow& old = before.row;
  const SwitchRow& now = after.row;
  const std::string& name = now.name;
  if (std::string pnic = FirstMissing(now.uplinks, old.uplinks); !pnic.empty()) {
    return "linking pnic " + pnic + " to " + name;
  }
  if (std::string pnic = FirstMissing(old.uplinks, now.uplinks); !pnic.empty()) {
    return "unlinking pnic " + pnic + " from " + name;
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
  std::minstd_rand random{std::random_device{}()};
  return std::to_string(Now()) + "-" + std::to_string(random());
}

}  // namespace

RowRef OvsStore::AddSwitch(const StandardSwitchDoc& sw) {
  Write("adding standard switch " + sw.row.name, [&](GuardedChange& change, Datapath& datapath) {
    RootRead root = ReadRoot();
    GuardRoot(change, root);
    change.GuardAbsent("Bridge", {Condition("name", "==", sw.row.name)},
                       "a switch named " + sw.row.name + " already exists");
    for (const DVSwitchDoc& dvs : root.records.dvswitches) {
      if (dvs.row.name == sw.row.name) rows::SwitchNameTaken(sw.row.name);
    }
    InsertBridge(change, datapath, sw, Now());
  });
  std::vector<BridgeRead> made = ReadBridges({Condition("name", "==", sw.row.name)});
  if (made.empty()) rows::SwitchGone(sw.row);
  return made[0].doc.row.ref;
}

RowRef OvsStore::AddDVSwitch(const DVSwitchDoc& dvs) {
  DVSwitchDoc added = dvs;
  added.row.ref = RowRef{RowKind::kDVSwitch, NewDVSwitchKey()};
  for (DVPortRow& port : added.dvports) port.ref = RowRef{RowKind::kDVPort, port.portId};
  Write("adding DVSwitch " + dvs.row.name, [&](GuardedChange& change, Datapath&) {
    RootRead root = ReadRoot();
    for (const DVSwitchDoc& other : root.records.dvswitches) {
      if (other.row.name == dvs.row.name) rows::SwitchNameTaken(dvs.row.name);
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
  Write("removing a standard switch", [&](GuardedChange& change, Datapath& datapath) {
    std::optional<BridgeRead> bridge = ReadBridgeByRef(ref);
    removed = bridge.has_value();
    if (!removed) return;
    RootRead root = ReadRoot();
    for (const std::string& pnic : bridge->doc.row.uplinks) root.links.erase(pnic);
    GuardBridge(change, *bridge);
    WriteRoot(change, root);
    change.Add(ovsdb::Mutate("Open_vSwitch", {},
                             {ovsdb::Mutation("bridges", "delete", ovsdb::Set({Uuid(bridge->uuid)}))}));
    datapath.reached = true;
  });
  return removed;
}

std::optional<StandardSwitchDoc> OvsStore::EditSwitch(
    const RowRef& ref, const std::function<void(StandardSwitchDoc&)>& edit) {
  std::optional<StandardSwitchDoc> written;
  std::string what;
  Write("changing a standard switch", [&](GuardedChange& change, Datapath& datapath) {
    written.reset();
    std::optional<BridgeRead> before = ReadBridgeByRef(ref);
    if (!before) return;
    BridgeRead after = *before;
    edit(after.doc);
    for (PortGroupRow& pg : after.doc.portGroups) {
      if (pg.ref.Empty()) pg.ref = RowRef{RowKind::kPortGroup, pg.name};
    }
    written = after.doc;
    if (after.doc == before->doc) {
      // Members that joined a group since its VLAN was set get it now.
      Datapath tagging;
      GuardedChange tags(change.What());
      if (!TagMembers(tags, tagging, ReadPorts(*before).members, after.doc)) return;
    }
    what = DescribeEdit(before->doc, after.doc);
    change.SetWhat(what);
    WriteEdit(change, datapath, *before, after);
    datapath.undo = [this, ref, was = before->doc, what] {
      Write("putting back what " + what + " changed", [&](GuardedChange& undo, Datapath& path) {
        std::optional<BridgeRead> now = ReadBridgeByRef(ref);
        if (!now) return;
        BridgeRead back = *now;
        back.doc.row.uplinks = was.row.uplinks;
        back.doc.row.configUplinks = was.row.configUplinks;
        back.doc.row.mtu = was.row.mtu;
        back.doc.row.teaming = was.row.teaming;
        WriteEdit(undo, path, *now, back);
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
    DVSwitchDoc* dvs = FindDVByRef(records, ref);
    if (dvs == nullptr) return;
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
  Write("starting the standard switches", [&](GuardedChange& change, Datapath& datapath) {
    for (BridgeRead& stopped : ReadBridges({})) {
      if (!stopped.ours || stopped.doc.row.running) continue;
      BridgeRead started = stopped;
      start(started.doc.row);
      GuardBridge(change, stopped);
      WriteRecord(change, started);
      WriteDatapath(change, datapath, started, ReadPorts(stopped));
    }
  });
}

void OvsStore::EditRecords(const std::function<void(HostRecords&)>& edit) {
  EditRoot("changing the host's records", [&](RootRecords& records) { edit(records.host); });
}

}  // namespace ovs_host
