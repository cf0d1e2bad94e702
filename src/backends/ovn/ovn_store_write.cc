#include <algorithm>
#include <chrono>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

using nlohmann::json;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;

namespace {

std::vector<json> WhereUuid(const std::string& uuid) {
  return {ovsdb::Condition("_uuid", "==", ovsdb::Uuid(uuid))};
}

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Sets our keys of a row's external_ids to ids, leaving every other key as
// it is: the keys go, then come back with their new values.
json SetOurKeys(const std::string& table, const std::string& uuid, const Ids& ids) {
  std::vector<json> keys;
  for (const auto& [key, value] : ids) keys.push_back(key);
  return ovsdb::Mutate(table, WhereUuid(uuid),
                       {ovsdb::Mutation("external_ids", "delete", ovsdb::Set(keys)),
                        ovsdb::Mutation("external_ids", "insert", ovsdb::Map(ids))});
}

}  // namespace

void OvnStore::Write(const std::string& what, const std::string& subject,
                     const std::function<void(GuardedChange&)>& build) {
  ovsdb::RunGuarded(what, build, [&](const GuardedChange& change) {
    ovsdb::Client* leader = nullptr;
    try {
      leader = &link_.Leader();
    } catch (const QuorvicException& e) {
      throw QuorvicException(what + ": " + e.GetMessage() + "; nothing was changed");
    }
    ovsdb::Client::Outcome outcome;
    try {
      outcome = leader->TryTransact(kNorthbound, change.Operations());
    } catch (const QuorvicException& e) {
      link_.Drop();
      Unconfirmed(what, subject, e.GetMessage());
    }
    return change.Judge(outcome);
  });
}

void OvnStore::Unconfirmed(const std::string& what, const std::string& subject,
                           const std::string& reason) {
  std::string shown = "no member answered a read-back";
  std::optional<std::vector<json>> read = link_.ReadAnyMember({ovsdb::Select(
      "Logical_Switch", {ovsdb::Condition("name", "==", subject)}, {"external_ids"})});
  if (read) {
    const json& rows = read->at(0).at("rows");
    shown = "a member that answered, possibly out of date, ";
    if (rows.empty()) {
      shown += "has no DVSwitch " + subject;
    } else {
      shown += "has DVSwitch " + subject + " at change " +
               std::to_string(GenerationOf(ovsdb::ReadMap(rows[0].at("external_ids"))));
    }
  }
  throw QuorvicException(what + ": the OVN northbound database did not confirm the change (" +
                         reason + "); it may or may not have been applied; " + shown);
}

void OvnStore::Guard(GuardedChange& change, const SwitchRead& sw) {
  change.Guard("Logical_Switch", sw.doc.row.ref.key, {{"_version", sw.version}});
}

std::size_t OvnStore::Insert(GuardedChange& change, const DVSwitchDoc& dvs, int64_t created) {
  const std::string& name = dvs.row.name;
  // The schema does not make Logical_Switch names unique.
  change.GuardAbsent("Logical_Switch", {ovsdb::Condition("name", "==", name)},
                     "a switch named " + name + " already exists");
  std::vector<json> refs;
  for (std::size_t i = 0; i < dvs.dvports.size(); ++i) {
    std::string row = change.NewRowName();
    change.Add(ovsdb::Insert("Logical_Switch_Port",
                             {{"name", PortName(name, dvs.dvports[i].portId)},
                              {"external_ids", ovsdb::Map(PortIds(name, dvs.dvports[i], i))}},
                             row));
    refs.push_back(ovsdb::NamedUuid(row));
  }
  return change.Add(ovsdb::Insert("Logical_Switch",
                                  {{"name", name},
                                   {"ports", ovsdb::Set(refs)},
                                   {"external_ids", ovsdb::Map(SwitchIds(dvs.row, created, 1))}}));
}

RowRef OvnStore::AddDVSwitch(const DVSwitchDoc& dvs) {
  Write("adding DVSwitch " + dvs.row.name, dvs.row.name,
        [&](GuardedChange& change) { Insert(change, dvs, Now()); });
  std::optional<SwitchRow> added = FindAnyDVSwitch(dvs.row.name);
  if (!added) rows::SwitchGone(dvs.row);
  return added->ref;
}

bool OvnStore::RemoveDVSwitch(const RowRef& ref) {
  bool removed = false;
  std::optional<SwitchRead> first = ReadByRef(ref);
  if (!first) return false;
  const std::string name = first->doc.row.name;
  Write("removing DVSwitch " + name, name, [&](GuardedChange& change) {
    std::optional<SwitchRead> sw = ReadByRef(ref);
    removed = sw.has_value();
    if (!removed) return;
    Guard(change, *sw);
    // Its ports are not root rows: they go with the switch.
    change.Add(ovsdb::Delete("Logical_Switch", WhereUuid(ref.key)));
  });
  return removed;
}

void OvnStore::WriteEdit(GuardedChange& change, const SwitchRead& before, DVSwitchDoc& after) {
  const std::string& uuid = before.doc.row.ref.key;
  const std::string& name = before.doc.row.name;
  Guard(change, before);
  // The generation bumps with every change, so that the guard on the switch
  // covers its ports too.
  change.Add(SetOurKeys("Logical_Switch", uuid,
                        SwitchIds(after.row, CreatedOf(before.ids), GenerationOf(before.ids) + 1)));
  std::vector<json> added;
  for (std::size_t i = 0; i < after.dvports.size(); ++i) {
    DVPortRow& port = after.dvports[i];
    auto was = std::find_if(before.doc.dvports.begin(), before.doc.dvports.end(),
                            [&](const DVPortRow& p) { return p.ref == port.ref; });
    if (port.ref.Empty() || was == before.doc.dvports.end()) {
      std::string row = change.NewRowName();
      change.Add(ovsdb::Insert("Logical_Switch_Port",
                               {{"name", PortName(name, port.portId)},
                                {"external_ids", ovsdb::Map(PortIds(name, port, i))}},
                               row));
      added.push_back(ovsdb::NamedUuid(row));
      continue;
    }
    const std::size_t order = static_cast<std::size_t>(was - before.doc.dvports.begin());
    if (*was != port || order != i) {
      change.Add(SetOurKeys("Logical_Switch_Port", port.ref.key, PortIds(name, port, i)));
    }
  }
  std::vector<json> removed;
  for (const DVPortRow& port : before.doc.dvports) {
    auto kept = std::find_if(after.dvports.begin(), after.dvports.end(),
                             [&](const DVPortRow& p) { return p.ref == port.ref; });
    if (kept == after.dvports.end()) removed.push_back(ovsdb::Uuid(port.ref.key));
  }
  if (!added.empty() || !removed.empty()) {
    change.Add(ovsdb::Mutate("Logical_Switch", WhereUuid(uuid),
                             {ovsdb::Mutation("ports", "delete", ovsdb::Set(removed)),
                              ovsdb::Mutation("ports", "insert", ovsdb::Set(added))}));
  }
}

std::optional<DVSwitchDoc> OvnStore::EditDVSwitch(const RowRef& ref,
                                                  const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<SwitchRead> first = ReadByRef(ref);
  if (!first) return std::nullopt;
  const std::string name = first->doc.row.name;
  std::optional<DVSwitchDoc> written;
  bool portsAdded = false;
  Write("changing DVSwitch " + name, name, [&](GuardedChange& change) {
    written.reset();
    std::optional<SwitchRead> sw = first ? std::move(first) : ReadByRef(ref);
    first.reset();
    if (!sw) return;
    DVSwitchDoc after = sw->doc;
    edit(after);
    written = after;
    if (after == sw->doc) return;
    portsAdded = std::any_of(after.dvports.begin(), after.dvports.end(),
                             [](const DVPortRow& p) { return p.ref.Empty(); });
    WriteEdit(change, *sw, after);
  });
  if (written && portsAdded) {
    std::optional<SwitchRead> now = ReadByRef(ref);
    if (now) written = std::move(now->doc);
  }
  return written;
}

void OvnStore::StartDVSwitches(const std::function<void(SwitchRow&)>& start) {
  for (const DVSwitchDoc& stopped : ReadAll()) {
    if (stopped.row.running) continue;
    const std::string& name = stopped.row.name;
    Write("starting DVSwitch " + name, name, [&](GuardedChange& change) {
      for (SwitchRead& sw : ReadSwitchRows(
               {ovsdb::Condition("_uuid", "==", ovsdb::Uuid(stopped.row.ref.key))}, false)) {
        if (sw.doc.row.running) return;
        DVSwitchDoc after = sw.doc;
        start(after.row);
        WriteEdit(change, sw, after);
      }
    });
  }
}

void OvnStore::ReplaceAll(const std::vector<DVSwitchDoc>& dvswitches) {
  const std::string subject = dvswitches.empty() ? std::string() : dvswitches.front().row.name;
  Write("replacing the DVSwitches", subject, [&](GuardedChange& change) {
    for (const SwitchRead& sw : ReadSwitchRows({}, true)) {
      Guard(change, sw);
      change.Add(ovsdb::Delete("Logical_Switch", WhereUuid(sw.doc.row.ref.key)));
    }
    int64_t created = Now();
    for (const DVSwitchDoc& dvs : dvswitches) Insert(change, dvs, created++);
  });
}

}  // namespace ovn
