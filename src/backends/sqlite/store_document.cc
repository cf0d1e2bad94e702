#include <string>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/store.h"
#include "hostnet/records_format.h"

namespace sqlite_host {

using namespace rows;

HostDocument DefaultHost() {
  HostDocument doc;
  doc.pnics = {"nic0", "nic1", "nic2", "nic3"};
  StandardSwitchDoc vswitch;
  vswitch.row.name = "vSwitch0";
  vswitch.row.numPorts = kDefaultNumPorts;
  vswitch.row.configuredPorts = kDefaultNumPorts;
  vswitch.row.uplinks = {"nic0"};
  vswitch.row.configUplinks = {"nic0"};
  vswitch.row.teaming = {true, {"nic0"}, 1};
  PortGroupRow management;
  management.name = "Management";
  vswitch.portGroups.push_back(management);
  doc.switches.push_back(vswitch);
  return doc;
}

HostDocument Store::ReadHost() {
  Transaction snapshot(db_, Transaction::Mode::kRead);
  HostDocument doc;
  doc.pnics = Pnics().names;
  for (SwitchRow& row : ReadSwitchRows("s.kind = 0")) doc.switches.push_back({std::move(row), {}});
  FillPortGroups(doc.switches, "s.kind = 0");
  for (SwitchRow& row : ReadSwitchRows("s.kind = 1")) {
    DVSwitchDoc dvs;
    dvs.dvports = ReadDVPorts(IdOf(row.ref, RowKind::kDVSwitch));
    dvs.row = std::move(row);
    doc.dvswitches.push_back(std::move(dvs));
  }
  doc.opaqueSwitches = ReadSwitchRows("s.kind = 2");
  HostRecords records = ReadRecordsWithIds(nullptr);
  doc.uplinkTimeouts = std::move(records.uplinkTimeouts);
  doc.lagTimeouts = std::move(records.lagTimeouts);
  doc.ensActivateNode = records.ensActivateNode;
  doc.faults = std::move(records.faults);
  snapshot.Commit();
  return doc;
}

void Store::InsertHost(const HostDocument& doc) {
  {
    auto insert = db_.Prepare("INSERT INTO pnics (name) VALUES (?1)");
    for (const std::string& pnic : doc.pnics) {
      insert->Reset().BindAll(pnic).Run();
    }
  }
  for (const StandardSwitchDoc& sw : doc.switches) {
    int64_t id = InsertSwitch(sw.row);
    for (const PortGroupRow& pg : sw.portGroups) InsertPortGroup(id, pg);
  }
  for (const DVSwitchDoc& dvs : doc.dvswitches) {
    int64_t id = InsertSwitch(dvs.row);
    for (const DVPortRow& port : dvs.dvports) InsertDVPort(id, port);
  }
  for (const SwitchRow& opaque : doc.opaqueSwitches) InsertSwitch(opaque);
  {
    auto insert = db_.Prepare(
        "INSERT INTO uplink_timeouts (portset, uplink, lag_id, timeout, loaded) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    for (const UplinkTimeoutRow& t : doc.uplinkTimeouts) {
      insert->Reset().BindAll(t.portset, t.uplink, t.lagId, t.timeout, t.loaded).Run();
    }
  }
  InsertLagTimeouts(doc.lagTimeouts);
  db_.Run("UPDATE host SET ens_activate_node = ?1", doc.ensActivateNode);
  for (const FaultRow& fault : doc.faults) InsertFault(fault);
}

void Store::ReplaceHost(const HostDocument& doc) {
  Write([&] {
    db_.Exec(kClearHostSql);
    InsertHost(doc);
  });
}

void Store::Reboot() {
  Write([&] {
    db_.Run(
        "UPDATE switches SET running = 0, ens_active = 0, ens_interrupt = 0, ens_fast_switch = 0, "
        "reassociations = 0, forced_reassociations = 0 WHERE kind IN (?1, ?2)",
        SwitchKind::kStandard, SwitchKind::kDistributed);
    db_.Run("DELETE FROM switch_uplinks WHERE list = ?1", UplinkList::kLinked);
    db_.Exec("UPDATE host SET ens_activate_node = 0");
  });
}

std::vector<std::string> Store::Migrate() {
  listing_.reset();
  WriterHold hold(lock_);
  Transaction txn(db_, Transaction::Mode::kWrite);
  const int64_t format = CheckFormat();
  if (format >= hostnet::kRecordsFormat) return {};
  db_.Exec("PRAGMA user_version = " + std::to_string(hostnet::kRecordsFormat));
  txn.Commit();
  wrote_ = true;
  return {"host database " + db_.Path() + ": marked as holding records of format " +
          hostnet::FormatMark() + " (formats 1 and 2 kept the same tables)"};
}

}  // namespace sqlite_host
