#include <algorithm>
#include <chrono>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/dv_switch_edits.h"
#include "backends/rows/switch_edits.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

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
                     const std::function<void(GuardedChange&)>& build,
                     const std::function<void(const std::vector<json>&)>& committed) {
  std::optional<std::size_t> refresh;
  ovsdb::RunGuarded(
      what,
      [&](GuardedChange& change) {
        refresh.reset();
        build(change);
        if (!subject.empty() && !change.Empty()) {
          for (json& select : SelectNamed(subject)) {
            const std::size_t at = change.Add(std::move(select));
            if (!refresh) refresh = at;
          }
        }
      },
      [&](const GuardedChange& change) {
        GuardedChange sent = change;
        KeepFormat(sent);
        ovsdb::Database::Result result = Db().Commit(sent);
        // NB_Global is read again with the next read.
        if (!result.Committed()) tokenSeen_ = false;
        if (!result.Committed() || !refresh || result.results.empty()) {
          Forget();
          if (result.Committed() && committed && !result.results.empty()) {
            committed(result.results);
          }
          return result.Committed();
        }
        const std::vector<json>& results = result.results;
        json ports = results.at(*refresh + 1).at("rows");
        for (const json& row : results.at(*refresh + 2).at("rows")) ports.push_back(row);
        std::vector<SwitchRead> written = SwitchesFrom(results.at(*refresh).at("rows"), ports);
        for (SwitchRead& sw : written) sw.version = nullptr;
        Forget();
        if (unreadable_.empty()) {
          switches_[subject] = written.empty()
                                   ? std::nullopt
                                   : std::optional<SwitchRead>(std::move(written.front()));
        }
        return true;
      },
      // Hosts that share a DVSwitch contend for it: a change goes on trying
      // for as long as the operator lets a run wait for the cluster.
      settings_.timeout, [this] { return Db().NotMade(); });
}

void OvnStore::Forget() {
  switches_.clear();
  parts_.clear();
}

long long OvnStore::FormatOf(const SwitchRead& sw) {
  const std::string where = "DVSwitch " + sw.doc.row.name + " in " + Db().Describe();
  auto mark = sw.ids.find(kFormatKey);
  const long long format =
      hostnet::FormatOfMark(where, mark == sw.ids.end() ? std::string() : mark->second);
  hostnet::RefuseNewerFormat(where, format);
  return format;
}

void OvnStore::KeepFormat(GuardedChange& change) {
  if (!tokenSeen_) Read({});
  if (nbGlobal_.empty()) return;
  const std::string where = Db().Describe();
  const long long format = hostnet::FormatOfMark(where, nbFormat_);
  hostnet::RefuseNewerFormat(where, format);
  const Ids mark = {{kFormatKey, hostnet::FormatMark()}};
  // Inserting a key leaves the value another run wrote meanwhile: the guard
  // after it sees that one.
  if (format < hostnet::kRecordsFormat) {
    change.Add(ovsdb::Mutate("NB_Global", WhereUuid(nbGlobal_),
                             {ovsdb::Mutation("external_ids", "insert", ovsdb::Map(mark))}));
  }
  change.GuardPairs("NB_Global", nbGlobal_, "external_ids", mark);
}

void OvnStore::Guard(GuardedChange& change, const SwitchRead& sw) {
  if (!sw.version.is_null()) {
    change.Guard("Logical_Switch", sw.doc.row.ref.key, {{"_version", sw.version}});
    return;
  }
  change.Guard(
      "Logical_Switch", sw.doc.row.ref.key,
      {{"name", sw.doc.row.name}, {"ports", sw.ports}, {"external_ids", ovsdb::Map(sw.ids)}});
}

void OvnStore::GuardPort(GuardedChange& change, const SwitchRead& sw, const std::string& uuid) {
  change.Guard("Logical_Switch_Port", uuid,
               {{"external_ids", ovsdb::Map(sw.portRows.at(uuid).ids)}});
}

void OvnStore::GuardUnbound(GuardedChange& change, const SwitchRead& sw,
                            const std::vector<DVPortRow>& ports, const std::string& subject) {
  std::vector<DVSwitchDoc> bound(1);
  bound[0].row = sw.doc.row;
  for (const DVPortRow& port : ports) {
    if (port.binding) bound[0].dvports.push_back(port);
  }
  if (!bound[0].dvports.empty()) {
    NameBindings(bound);
    std::string list;
    for (const DVPortRow& port : bound[0].dvports) {
      const rows::DVPortBinding& vm = *port.binding;
      list += (list.empty() ? "" : ", ") + port.portId + (vm.host.empty() ? "" : " on " + vm.host) +
              (vm.interface.empty() ? "" : " as " + vm.interface);
    }
    const bool one = bound[0].dvports.size() == 1;
    throw QuorvicException(subject + " is in use by " + (one ? "a VM (DVPort " : "VMs (DVPorts ") +
                           list + "): removing it would cut " + (one ? "its" : "their") +
                           " traffic; `ovs-vsctl del-port INTERFACE` on a VM's host unbinds it");
  }
  // A VM that binds meanwhile stops the change.
  for (const DVPortRow& port : ports) {
    auto read = sw.portRows.find(port.ref.key);
    if (read != sw.portRows.end()) {
      change.Guard("Logical_Switch_Port", port.ref.key, {{"up", read->second.up}});
    }
  }
}

void OvnStore::Remove(GuardedChange& change, const SwitchRead& sw) {
  if (sw.foreignPorts != 0) {
    throw QuorvicException("DVSwitch " + sw.doc.row.name + " holds " +
                           std::to_string(sw.foreignPorts) +
                           " logical switch port(s) that other programs made; remove them "
                           "first (ovn-nbctl lsp-del), then the DVSwitch");
  }
  FormatOf(sw);
  GuardUnbound(change, sw, sw.doc.dvports, "DVSwitch " + sw.doc.row.name);
  Guard(change, sw);
  // Its ports are not root rows: they go with the switch.
  change.Add(ovsdb::Delete("Logical_Switch", WhereUuid(sw.doc.row.ref.key)));
}

namespace {

// The IDs of the DVPorts of dvs with uplinks (this host's), in its order.
std::vector<std::string> HostDVPortIds(const DVSwitchDoc& dvs) {
  std::vector<std::string> ids;
  for (const DVPortRow& port : dvs.dvports) {
    if (!port.uplinks.empty()) ids.push_back(port.portId);
  }
  return ids;
}

// A new Logical_Switch_Port of DVPort port, carrying any VM's frames.
json InsertPort(const std::string& switchName, const DVPortRow& port, std::size_t order,
                const std::string& host, const std::string& row) {
  return ovsdb::Insert("Logical_Switch_Port",
                       {{"name", PortName(switchName, port.portId)},
                        {"addresses", ovsdb::Set({json("unknown")})},
                        {"external_ids", ovsdb::Map(PortIds(switchName, port, order, host))}},
                       row);
}

}  // namespace

void OvnStore::WriteLocalnet(GuardedChange& change, const std::string& name,
                             const std::optional<Localnet>& localnet, const DVSwitchDoc& after,
                             std::vector<json>& added, std::vector<json>& removed, bool unseen) {
  // A host that keeps uplinks as records has no bridge to lead anywhere.
  if (!chassis_.Carries()) return;
  const std::string key = WiredKey(HostName());
  const bool mine = unseen || !HostDVPortIds(after).empty();
  if (!localnet) {
    if (!mine) return;
    const std::string network = NetworkName(name);
    // Port names are unique: another host that made it meanwhile is read.
    change.Assume("Logical_Switch_Port", {ovsdb::Condition("name", "==", network + "-localnet")});
    std::string row = change.NewRowName();
    change.Add(ovsdb::Insert("Logical_Switch_Port",
                             {{"name", network + "-localnet"},
                              {"type", "localnet"},
                              {"addresses", ovsdb::Set({json("unknown")})},
                              {"options", ovsdb::Map({{"network_name", network}})},
                              {"external_ids", ovsdb::Map({{kLocalnetMark, network}, {key, ""}})}},
                             row));
    added.push_back(ovsdb::NamedUuid(row));
    return;
  }
  if (mine == (localnet->ids.count(key) != 0)) return;
  if (mine) {
    change.Add(ovsdb::Mutate("Logical_Switch_Port", WhereUuid(localnet->uuid),
                             {ovsdb::Mutation("external_ids", "insert", ovsdb::Map({{key, ""}}))}));
    // The port is still there, and leads out from here: the last other host
    // may have taken it out meanwhile.
    change.GuardPairs("Logical_Switch_Port", localnet->uuid, "external_ids", {{key, ""}});
    return;
  }
  Ids others;
  for (const auto& [id, value] : localnet->ids) {
    if (IsWiredKey(id) && id != key) others[id] = value;
  }
  if (!others.empty()) {
    // The port stays for another host, which must still be there when this
    // change commits: of hosts that all leave at once, the last to commit
    // finds the one it counts on gone, and takes the port out. Each counts
    // on the host after it, so that few count on the same one.
    auto next = others.upper_bound(key);
    if (next == others.end()) next = others.begin();
    change.GuardPairs("Logical_Switch_Port", localnet->uuid, "external_ids", {*next});
    change.Add(ovsdb::Mutate("Logical_Switch_Port", WhereUuid(localnet->uuid),
                             {ovsdb::Mutation("external_ids", "delete", ovsdb::Set({json(key)}))}));
  } else {
    // The last host that led the switch out is gone: so is the way out,
    // unless another host came meanwhile.
    change.Guard("Logical_Switch_Port", localnet->uuid,
                 {{"external_ids", ovsdb::Map(localnet->ids)}});
    removed.push_back(ovsdb::Uuid(localnet->uuid));
  }
}

void OvnStore::Insert(GuardedChange& change, const DVSwitchDoc& dvs, int64_t created) {
  const std::string& name = dvs.row.name;
  const std::string& host = HostName();
  // The schema does not make Logical_Switch names unique.
  change.GuardAbsent("Logical_Switch", {ovsdb::Condition("name", "==", name)},
                     "a switch named " + name + " already exists");
  std::vector<json> refs, none;
  for (std::size_t i = 0; i < dvs.dvports.size(); ++i) {
    std::string row = change.NewRowName();
    change.Add(InsertPort(name, dvs.dvports[i], i, host, row));
    refs.push_back(ovsdb::NamedUuid(row));
  }
  WriteLocalnet(change, name, std::nullopt, dvs, refs, none);
  Ids ids = SwitchIds(dvs.row, created, 1, host);
  ids[HostDVPortsKey(host)] = HostDVPortsValue({1, 1, HostDVPortIds(dvs)});
  change.Add(ovsdb::Insert(
      "Logical_Switch",
      {{"name", name}, {"ports", ovsdb::Set(refs)}, {"external_ids", ovsdb::Map(ids)}}));
}

RowRef OvnStore::AddDVSwitch(const DVSwitchDoc& dvs) {
  Write("adding DVSwitch " + dvs.row.name, dvs.row.name,
        [&](GuardedChange& change) { Insert(change, dvs, Now()); });
  std::optional<SwitchRead> added = ReadNamed(dvs.row.name);
  if (!added) rows::SwitchGone(dvs.row);
  return added->doc.row.ref;
}

bool OvnStore::RemoveDVSwitch(const RowRef& ref) {
  bool removed = false;
  std::optional<SwitchRead> first = ReadByRef(ref);
  if (!first) return false;
  const std::string name = first->doc.row.name;
  Write("removing DVSwitch " + name, name, [&](GuardedChange& change) {
    std::optional<SwitchRead> sw = ReadRunning(name, ref);
    removed = sw.has_value();
    if (removed) Remove(change, *sw);
  });
  return removed;
}

void OvnStore::WriteEdit(GuardedChange& change, const SwitchRead& before, DVSwitchDoc& after) {
  const std::string& uuid = before.doc.row.ref.key;
  const std::string& name = before.doc.row.name;
  const std::string& host = HostName();
  const bool upgrade = FormatOf(before) < hostnet::kRecordsFormat;
  Guard(change, before);
  // The generation stays: this host's list of its DVPorts, which the change
  // writes, and every other host's, stay current.
  change.Add(
      SetOurKeys("Logical_Switch", uuid,
                 SwitchIds(after.row, CreatedOf(before.ids), GenerationOf(before.ids), host)));
  WriteHostList(change, before, after);
  std::vector<json> added;
  // Places in host order only need to grow along after's DVPorts: a DVPort
  // keeps its own where it can, so that the places DVPorts added by
  // themselves took (WritePart) stay apart from the others.
  std::optional<std::size_t> last;
  for (DVPortRow& port : after.dvports) {
    auto was = std::find_if(before.doc.dvports.begin(), before.doc.dvports.end(),
                            [&](const DVPortRow& p) { return p.ref == port.ref; });
    if (port.ref.Empty() || was == before.doc.dvports.end()) {
      last = last ? *last + 1 : 0;
      std::string row = change.NewRowName();
      change.Add(InsertPort(name, port, *last, host, row));
      added.push_back(ovsdb::NamedUuid(row));
      continue;
    }
    const std::size_t kept = OrderOf(before.portRows.at(port.ref.key).ids);
    const std::size_t order = !last || kept > *last ? kept : *last + 1;
    last = order;
    if (upgrade || *was != port || order != kept) {
      // Other hosts change a DVPort by itself.
      GuardPort(change, before, port.ref.key);
      change.Add(SetOurKeys("Logical_Switch_Port", port.ref.key, PortIds(name, port, order, host)));
    }
    // Format 1 made DVPorts that carried no frame.
    if (upgrade) {
      change.Add(ovsdb::Update("Logical_Switch_Port", WhereUuid(port.ref.key),
                               {{"addresses", ovsdb::Set({json("unknown")})}}));
    }
  }
  std::vector<json> removed;
  std::vector<DVPortRow> gone;
  for (const DVPortRow& port : before.doc.dvports) {
    auto kept = std::find_if(after.dvports.begin(), after.dvports.end(),
                             [&](const DVPortRow& p) { return p.ref == port.ref; });
    if (kept != after.dvports.end()) continue;
    removed.push_back(ovsdb::Uuid(port.ref.key));
    gone.push_back(port);
  }
  if (!gone.empty()) {
    GuardUnbound(
        change, before, gone,
        gone.size() == 1 ? "DVPort " + gone[0].portId + " of " + name : "DVSwitch " + name);
  }
  WriteLocalnet(change, name, before.localnet, after, added, removed);
  if (!added.empty() || !removed.empty()) {
    change.Add(ovsdb::Mutate("Logical_Switch", WhereUuid(uuid),
                             {ovsdb::Mutation("ports", "delete", ovsdb::Set(removed)),
                              ovsdb::Mutation("ports", "insert", ovsdb::Set(added))}));
  }
}

void OvnStore::WriteHostList(GuardedChange& change, const SwitchRead& sw,
                             const DVSwitchDoc& after) {
  const std::string key = HostDVPortsKey(HostName());
  HostDVPorts list;
  list.generation = GenerationOf(sw.ids);
  list.dvports = HostDVPortIds(after);
  // A DVPort that could not be read stays listed until it can.
  list.dvports.insert(list.dvports.end(), sw.unreadableListed.begin(), sw.unreadableListed.end());
  std::optional<HostDVPorts> read = CurrentHostDVPorts(sw.ids, HostName());
  list.changes = read ? read->changes + 1 : 1;
  const Ids written = {{key, HostDVPortsValue(list)}};
  auto was = sw.ids.find(key);
  if (was != sw.ids.end()) {
    change.GuardPairs("Logical_Switch", sw.doc.row.ref.key, "external_ids", {*was});
    change.Add(SetOurKeys("Logical_Switch", sw.doc.row.ref.key, written));
    return;
  }
  // The first list: another run of this host that wrote one meanwhile keeps
  // its own, and this change does not commit.
  change.Add(ovsdb::Mutate("Logical_Switch", WhereUuid(sw.doc.row.ref.key),
                           {ovsdb::Mutation("external_ids", "insert", ovsdb::Map(written))}));
  change.GuardPairs("Logical_Switch", sw.doc.row.ref.key, "external_ids", written);
}

void OvnStore::WritePart(GuardedChange& change, const SwitchRead& before, const std::string& portId,
                         const DVSwitchDoc& after) {
  const std::string& uuid = before.doc.row.ref.key;
  const std::string& name = before.doc.row.name;
  const std::string& host = HostName();
  std::vector<json> added, removed;
  for (const DVPortRow& port : after.dvports) {
    if (port.ref.Empty()) {
      if (before.takenNames.count(PortName(name, port.portId)) != 0) {
        throw QuorvicException("DVPort " + port.portId + " cannot be added to " + name +
                               ": another logical switch port is named " +
                               PortName(name, port.portId));
      }
      // Last in host order, without counting the others: the time orders
      // it after every DVPort added before, whoever added it. Another host
      // that adds the same ID at the same time takes the name first.
      change.AssumeNamesFree();
      std::string row = change.NewRowName();
      change.Add(InsertPort(name, port, static_cast<std::size_t>(Now()), host, row));
      added.push_back(ovsdb::NamedUuid(row));
      continue;
    }
    auto was = std::find_if(before.doc.dvports.begin(), before.doc.dvports.end(),
                            [&](const DVPortRow& p) { return p.ref == port.ref; });
    if (was == before.doc.dvports.end() || *was == port) continue;
    GuardPort(change, before, port.ref.key);
    const std::size_t order = OrderOf(before.portRows.at(port.ref.key).ids);
    change.Add(SetOurKeys("Logical_Switch_Port", port.ref.key, PortIds(name, port, order, host)));
  }
  for (const DVPortRow& port : before.doc.dvports) {
    if (port.portId != portId ||
        std::any_of(after.dvports.begin(), after.dvports.end(),
                    [&](const DVPortRow& p) { return p.ref == port.ref; })) {
      continue;
    }
    GuardUnbound(change, before, {port}, "DVPort " + port.portId + " of " + name);
    GuardPort(change, before, port.ref.key);
    removed.push_back(ovsdb::Uuid(port.ref.key));
  }
  // The list's guard holds only while the switch is there: ports come and
  // go with it.
  WriteHostList(change, before, after);
  if (after.row.uplinks != before.doc.row.uplinks) {
    change.Add(
        SetOurKeys("Logical_Switch", uuid, {{UplinksKey(host), json(after.row.uplinks).dump()}}));
  }
  WriteLocalnet(change, name, before.localnet, after, added, removed,
                !before.unreadableListed.empty());
  if (!added.empty() || !removed.empty()) {
    change.Add(ovsdb::Mutate("Logical_Switch", WhereUuid(uuid),
                             {ovsdb::Mutation("ports", "delete", ovsdb::Set(removed)),
                              ovsdb::Mutation("ports", "insert", ovsdb::Set(added))}));
  }
}

std::optional<DVSwitchDoc> OvnStore::EditHostDVPorts(
    const RowRef& ref, const std::string& portId, const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<std::string> name = NameOf(ref);
  if (!name) return std::nullopt;
  changedNames_[ref.key] = *name;
  std::optional<DVSwitchDoc> written;
  // What a part's change leaves, read at the end of its transaction: the
  // next change of the run needs no read of its own.
  std::optional<std::size_t> readBack;
  std::vector<std::string> readIds;
  Write(
      "changing DVSwitch " + *name, {},
      [&](GuardedChange& change) {
        written.reset();
        readBack.reset();
        std::optional<SwitchRead> sw = ReadPart(*name, portId);
        if (!sw || sw->doc.row.ref != ref || !sw->doc.row.running) return;
        const DVSwitchDoc before = rows::HostPart(sw->doc, portId);
        DVSwitchDoc part = before;
        edit(part);
        written = part;
        if (part == before) return;
        if (sw->whole) {
          DVSwitchDoc after = sw->doc;
          rows::PutBackPart(after, part, portId);
          WriteEdit(change, *sw, after);
          return;
        }
        WritePart(change, *sw, portId, part);
        readIds.assign(sw->asked.begin(), sw->asked.end());
        for (json& select : SelectPart(*name, readIds)) {
          const std::size_t at = change.Add(std::move(select));
          if (!readBack) readBack = at;
        }
      },
      [&](const std::vector<json>& results) {
        if (!readBack) return;
        std::optional<SwitchRead> part = PartFrom(*name, readIds, results.data() + *readBack);
        if (!part) return;
        // The server shows rows read in the transaction that wrote them with
        // their versions from before.
        part->version = nullptr;
        parts_[*name] = std::move(*part);
      });
  return written;
}

std::optional<DVSwitchDoc> OvnStore::EditDVSwitch(const RowRef& ref,
                                                  const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<SwitchRead> first = ReadByRef(ref);
  if (!first) return std::nullopt;
  const std::string name = first->doc.row.name;
  std::optional<DVSwitchDoc> written;
  Write("changing DVSwitch " + name, name, [&](GuardedChange& change) {
    written.reset();
    std::optional<SwitchRead> sw = ReadRunning(name, ref);
    if (!sw) return;
    DVSwitchDoc after = sw->doc;
    edit(after);
    written = after;
    if (after == sw->doc) return;
    WriteEdit(change, *sw, after);
  });
  // The ports it added have their refs as the switch was read back.
  if (written) {
    if (std::optional<SwitchRead> now = ReadRunning(name, ref)) written = std::move(now->doc);
  }
  return written;
}

void OvnStore::StartDVSwitches(const std::function<void(SwitchRow&)>& start) {
  for (const DVSwitchDoc& stopped : ReadAll()) {
    if (stopped.row.running) continue;
    const std::string& name = stopped.row.name;
    Write("starting DVSwitch " + name, name, [&](GuardedChange& change) {
      std::optional<SwitchRead> sw = ReadNamed(name);
      if (!sw || sw->doc.row.ref != stopped.row.ref || sw->doc.row.running) return;
      DVSwitchDoc after = sw->doc;
      start(after.row);
      WriteEdit(change, *sw, after);
    });
  }
}

namespace {

// The DVSwitch that before becomes when a document that holds dvs is
// loaded: dvs, at before's place, with before's rows where the DVPort IDs
// match; with prune, without the DVPorts dvs lacks, else with them last.
DVSwitchDoc Merged(const DVSwitchDoc& before, const DVSwitchDoc& dvs, bool prune) {
  DVSwitchDoc after;
  after.row = dvs.row;
  after.row.ref = before.row.ref;
  // What OVN shows stays what it shows.
  after.row.usedPorts = before.row.usedPorts;
  for (DVPortRow port : dvs.dvports) {
    port.ref = RowRef();
    port.binding = std::nullopt;
    for (const DVPortRow& was : before.dvports) {
      if (was.portId != port.portId) continue;
      port.ref = was.ref;
      port.binding = was.binding;
    }
    after.dvports.push_back(std::move(port));
  }
  if (prune) return after;
  for (const DVPortRow& was : before.dvports) {
    auto loaded = std::find_if(dvs.dvports.begin(), dvs.dvports.end(),
                               [&](const DVPortRow& p) { return p.portId == was.portId; });
    if (loaded == dvs.dvports.end()) after.dvports.push_back(was);
  }
  return after;
}

}  // namespace

void OvnStore::Merge(const std::vector<DVSwitchDoc>& dvswitches, bool prune) {
  Write("loading the DVSwitches", {}, [&](GuardedChange& change) {
    std::vector<SwitchRead> ours = ReadSwitchRows({}, true);
    int64_t created = Now();
    for (const DVSwitchDoc& dvs : dvswitches) {
      // A switch another writer broke is not overwritten unseen.
      RefuseUnreadable(dvs.row.name);
      auto before = std::find_if(ours.begin(), ours.end(), [&](const SwitchRead& sw) {
        return sw.doc.row.name == dvs.row.name;
      });
      if (before == ours.end()) {
        Insert(change, dvs, created++);
        continue;
      }
      DVSwitchDoc after = Merged(before->doc, dvs, prune);
      if (!(after == before->doc)) WriteEdit(change, *before, after);
    }
    if (!prune) return;
    for (const SwitchRead& sw : ours) {
      auto kept = std::find_if(dvswitches.begin(), dvswitches.end(), [&](const DVSwitchDoc& dvs) {
        return dvs.row.name == sw.doc.row.name;
      });
      if (kept == dvswitches.end()) Remove(change, sw);
    }
  });
}

std::vector<std::string> OvnStore::Migrate() {
  std::vector<std::string> lines;
  Write(
      "bringing the DVSwitches to format " + hostnet::FormatMark(), {}, [&](GuardedChange& change) {
        lines.clear();
        std::vector<SwitchRead> ours = ReadSwitchRows({}, true);
        const std::string where = Db().Describe();
        if (!nbGlobal_.empty() &&
            hostnet::FormatOfMark(where, nbFormat_) < hostnet::kRecordsFormat) {
          lines.push_back(where + ": marked as holding records of format " + hostnet::FormatMark());
        }
        for (SwitchRead& sw : ours) {
          const long long format = FormatOf(sw);
          if (format >= hostnet::kRecordsFormat) continue;
          DVSwitchDoc after = sw.doc;
          WriteEdit(change, sw, after);
          lines.push_back("DVSwitch " + sw.doc.row.name + ": written in format " +
                          hostnet::FormatMark() + ", its " + std::to_string(sw.doc.dvports.size()) +
                          " DVPort(s) carrying any VM's frames, with this host's uplinks under a "
                          "key of its own");
        }
        // The mark alone goes in a change of its own.
        if (change.Empty() && !lines.empty()) {
          change.Add(ovsdb::Select("NB_Global", {}, {"_uuid"}));
        }
      });
  return lines;
}

void OvnStore::MarkWired(const std::string& name) {
  Write("marking this host's way out of DVSwitch " + name, name, [&](GuardedChange& change) {
    std::optional<SwitchRead> sw = ReadNamed(name);
    if (!sw || !chassis_.Carries()) return;
    const bool mine = std::any_of(sw->doc.dvports.begin(), sw->doc.dvports.end(),
                                  [](const DVPortRow& p) { return !p.uplinks.empty(); });
    const bool marked = sw->localnet && sw->localnet->ids.count(WiredKey(HostName())) != 0;
    // A mark that already says so is not written again.
    if (mine == marked) return;
    DVSwitchDoc same = sw->doc;
    WriteEdit(change, *sw, same);
  });
}

}  // namespace ovn
