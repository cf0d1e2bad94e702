#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/dv_switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

json WhereUuid(const std::string& uuid) {
  return ovsdb::Condition("_uuid", "==", ovsdb::Uuid(uuid));
}

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void OvnStore::Guard(Change& change, const SwitchRead& sw) {
  change.waits.push_back(
      ovsdb::Wait("Logical_Switch", {WhereUuid(sw.uuid)}, {"_version"}, ovsdb::Until::kEqual,
                  std::vector<json>{json{{"_version", sw.version}}}, std::chrono::milliseconds(0)));
}

void OvnStore::GuardNameFree(Change& change, const std::string& name) {
  // The schema does not make Logical_Switch names unique.
  change.operations.push_back(ovsdb::Wait("Logical_Switch", {ovsdb::Condition("name", "==", name)},
                                          {"name"}, ovsdb::Until::kEqual, {},
                                          std::chrono::milliseconds(0)));
}

bool OvnStore::Commit(const std::string& what, const Change& change) {
  listedPorts_.clear();
  std::vector<json> operations = change.waits;
  operations.insert(operations.end(), change.operations.begin(), change.operations.end());
  ovsdb::Client* leader = nullptr;
  try {
    leader = &link_.Leader();
  } catch (const QuorvicException& e) {
    throw QuorvicException(what + ": " + e.GetMessage() + "; nothing was changed");
  }
  ovsdb::Client::Outcome outcome;
  try {
    outcome = leader->TryTransact(kNorthbound, operations);
  } catch (const QuorvicException& e) {
    link_.Drop();
    Unconfirmed(what, change, e.GetMessage());
  }
  if (outcome.Committed()) return true;
  bool guard = outcome.failedOperation >= 1 && outcome.failedOperation <= change.waits.size() &&
               outcome.error == "timed out";
  if (guard) return false;
  if (outcome.failedOperation > change.waits.size() && outcome.error == "timed out") {
    // Only the guards of the names added wait among the operations.
    const json& where = operations.at(outcome.failedOperation - 1).at("where");
    throw QuorvicException("a switch named " + where.at(0).at(2).get<std::string>() +
                           " already exists");
  }
  throw QuorvicException(what + ": " + outcome.message);
}

void OvnStore::BackOff(int attempt) {
  std::uniform_int_distribution<int> micros(0, 1000 * attempt);
  std::this_thread::sleep_for(std::chrono::microseconds(micros(random_)));
}

void OvnStore::GiveUp(const std::string& what) {
  throw QuorvicException(what + ": the DVSwitch kept changing under " + std::to_string(kTries) +
                         " tries; nothing was changed");
}

void OvnStore::Unconfirmed(const std::string& what, const Change& change,
                           const std::string& reason) {
  std::string shown = "no member answered a read-back";
  std::optional<std::vector<json>> read = link_.ReadAnyMember({ovsdb::Select(
      "Logical_Switch", {ovsdb::Condition("name", "==", change.subject)}, {"external_ids"})});
  if (read) {
    const json& rows = read->at(0).at("rows");
    shown = "a member that answered, possibly out of date, ";
    if (rows.empty()) {
      shown += "has no DVSwitch " + change.subject;
    } else {
      shown += "has DVSwitch " + change.subject + " at change " +
               std::to_string(GenerationOf(ovsdb::ReadMap(rows[0].at("external_ids"))));
    }
  }
  throw QuorvicException(what + ": the OVN northbound database did not confirm the change (" +
                         reason + "); it may or may not have been applied; " + shown);
}

void OvnStore::Insert(Change& change, const DVSwitchDoc& dvs, int64_t created) {
  GuardNameFree(change, dvs.row.name);
  std::vector<json> refs;
  for (std::size_t i = 0; i < dvs.dvports.size(); ++i) {
    std::string named = "port" + std::to_string(change.operations.size());
    change.operations.push_back(
        ovsdb::Insert("Logical_Switch_Port",
                      {{"name", PortName(dvs.row.name, dvs.dvports[i].portId)},
                       {"external_ids", ovsdb::Map(PortIds(dvs.row.name, dvs.dvports[i], i))}},
                      named));
    refs.push_back(ovsdb::NamedUuid(named));
  }
  change.operations.push_back(ovsdb::Insert(
      "Logical_Switch", {{"name", dvs.row.name},
                         {"ports", ovsdb::Set(refs)},
                         {"external_ids", ovsdb::Map(SwitchIds(dvs.row, created, 1))}}));
}

SwitchRow OvnStore::AddSwitch(SwitchRow row) {
  row.kind = SwitchKind::kDistributed;
  row.running = true;
  row.system = false;
  row.usedPorts = 0;
  row.configuredPorts = row.numPorts;
  Write("adding DVSwitch " + row.name, [&](Change& change) {
    change.subject = row.name;
    Insert(change, DVSwitchDoc{row, {}}, Now());
    return 0;
  });
  row.id = IdOf("dvswitch", row.name);
  return row;
}

void OvnStore::RemoveSwitch(const std::string& name) {
  Write("removing DVSwitch " + name, [&](Change& change) {
    change.subject = name;
    std::optional<SwitchRead> sw = ReadRunning(name);
    if (!sw) throw QuorvicException("no standard switch or DVSwitch named " + name);
    Guard(change, *sw);
    // Its ports are not root rows: they go with the switch.
    change.operations.push_back(ovsdb::Delete("Logical_Switch", {WhereUuid(sw->uuid)}));
    return 0;
  });
}

void OvnStore::Edit(const std::string& what, const SwitchRow& sw,
                    const std::function<void(DVSwitchDoc&)>& edit) {
  Write(what, [&](Change& change) {
    change.subject = sw.name;
    SwitchRead read = RequireRunning(sw);
    DVSwitchDoc dvs{read.row, {}};
    for (const PortRead& port : read.ports) dvs.dvports.push_back(port.row);
    edit(dvs);
    Guard(change, read);
    change.operations.push_back(ovsdb::Update(
        "Logical_Switch", {WhereUuid(read.uuid)},
        {{"external_ids",
          ovsdb::Map(SwitchIds(dvs.row, CreatedOf(read.ids), GenerationOf(read.ids) + 1))}}));
    for (std::size_t i = 0; i < read.ports.size(); ++i) {
      change.operations.push_back(
          ovsdb::Update("Logical_Switch_Port", {WhereUuid(read.ports[i].uuid)},
                        {{"external_ids", ovsdb::Map(PortIds(sw.name, dvs.dvports[i], i))}}));
    }
    return 0;
  });
}

void OvnStore::SetMtu(const SwitchRow& sw, uint32_t mtu) {
  Edit("setting the MTU of " + sw.name, sw, [&](DVSwitchDoc& dvs) { dvs.row.mtu = mtu; });
}

void OvnStore::AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                               const std::string& portId) {
  Edit("attaching uplink " + pnic + " to " + sw.name, sw,
       [&](DVSwitchDoc& dvs) { rows::AttachDVPortUplink(dvs, pnic, portId); });
}

void OvnStore::RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) {
  Edit("detaching uplink " + pnic + " from " + sw.name, sw,
       [&](DVSwitchDoc& dvs) { rows::DetachDVPortUplink(dvs, pnic); });
}

void OvnStore::SetConnectionId(const DVPortRow& port, uint32_t connectionId) {
  const RowKey& key = KeyOf(port.id);
  SwitchRow sw;
  sw.name = key.first.substr(key.first.find(':') + 1);
  Edit("setting the connection ID of DVPort " + port.portId, sw,
       [&](DVSwitchDoc& dvs) { rows::DVPortOf(dvs, port.portId).connectionId = connectionId; });
}

void OvnStore::RaiseTestEvent(const DVPortRow& port) {
  const RowKey& key = KeyOf(port.id);
  SwitchRow sw;
  sw.name = key.first.substr(key.first.find(':') + 1);
  Edit("raising the test event of DVPort " + port.portId, sw,
       [&](DVSwitchDoc& dvs) { ++rows::DVPortOf(dvs, port.portId).testEvents; });
}

void OvnStore::ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) {
  Edit("activating ENS on " + sw.name, sw, [&](DVSwitchDoc& dvs) {
    dvs.row.ens.active = true;
    dvs.row.ens.interrupt = interrupt;
    dvs.row.ens.fastSwitch = fastSwitch;
  });
}

void OvnStore::DeactivateEns(const SwitchRow& sw) {
  Edit("deactivating ENS on " + sw.name, sw, [](DVSwitchDoc& dvs) { dvs.row.ens.active = false; });
}

void OvnStore::ReassociateUplinks(const SwitchRow& sw, bool force) {
  Edit("reassociating the uplinks of " + sw.name, sw, [&](DVSwitchDoc& dvs) {
    ++dvs.row.ens.reassociations;
    if (force) ++dvs.row.ens.forcedReassociations;
  });
}

void OvnStore::RestoreDVSwitches() {
  for (SwitchRead& stopped : ReadSwitchRows("")) {
    if (stopped.row.running) continue;
    Write("starting DVSwitch " + stopped.row.name, [&](Change& change) {
      change.subject = stopped.row.name;
      std::vector<SwitchRead> now = ReadSwitchRows(stopped.row.name);
      if (now.empty() || now[0].row.running) return 0;
      now[0].row.running = true;
      Guard(change, now[0]);
      change.operations.push_back(
          ovsdb::Update("Logical_Switch", {WhereUuid(now[0].uuid)},
                        {{"external_ids", ovsdb::Map(SwitchIds(now[0].row, CreatedOf(now[0].ids),
                                                               GenerationOf(now[0].ids) + 1))}}));
      return 0;
    });
  }
}

void OvnStore::ReplaceAll(const std::vector<DVSwitchDoc>& dvswitches) {
  Write("replacing the DVSwitches", [&](Change& change) {
    change.subject = dvswitches.empty() ? std::string() : dvswitches.front().row.name;
    for (const SwitchRead& sw : ReadSwitchRows("")) {
      Guard(change, sw);
      change.operations.push_back(ovsdb::Delete("Logical_Switch", {WhereUuid(sw.uuid)}));
    }
    int64_t created = Now();
    for (const DVSwitchDoc& dvs : dvswitches) Insert(change, dvs, created++);
    return 0;
  });
}

}  // namespace ovn
