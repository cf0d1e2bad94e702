#include <string>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/store.h"

namespace sqlite_host {

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
  {
    auto st = db_.Prepare("SELECT name FROM pnics ORDER BY id");
    while (st->Step()) doc.pnics.push_back(st->Text(0));
  }
  std::vector<PortGroupRow> portGroups = ReadAllPortGroups();
  size_t next = 0;
  for (SwitchRow& row : ReadAllSwitches(SwitchKind::kStandard)) {
    StandardSwitchDoc sw;
    sw.row = std::move(row);
    // Both lists are ordered by switch id, so one pass pairs them.
    while (next < portGroups.size() && portGroups[next].switchId < sw.row.id) ++next;
    while (next < portGroups.size() && portGroups[next].switchId == sw.row.id) {
      sw.portGroups.push_back(std::move(portGroups[next++]));
    }
    doc.switches.push_back(std::move(sw));
  }
  for (SwitchRow& row : ReadAllSwitches(SwitchKind::kDistributed)) {
    DVSwitchDoc dvs;
    dvs.dvports = ReadDVPorts(row.id);
    dvs.row = std::move(row);
    doc.dvswitches.push_back(std::move(dvs));
  }
  doc.opaqueSwitches = ReadAllSwitches(SwitchKind::kOpaque);
  doc.uplinkTimeouts = ReadUplinkTimeouts("", 0, "");
  doc.lagTimeouts = ReadLagTimeouts("", 0);
  {
    auto st = db_.Prepare("SELECT ens_activate_node FROM host");
    if (st->Step()) doc.ensActivateNode = st->UInt32(0);
  }
  doc.faults = ReadFaults();
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
    auto insert = db_.Prepare(
        "INSERT INTO port_groups (switch_id, name, vlan, ports, order_set, max_active) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (const PortGroupRow& pg : sw.portGroups) {
      insert->Reset()
          .BindAll(id, pg.name, pg.vlan, pg.ports, pg.teaming.orderSet, pg.teaming.maxActive)
          .Run();
      if (pg.teaming.orderSet) InsertList(kPortGroupOrder, pg.teaming.order, db_.LastInsertId());
    }
  }
  for (const DVSwitchDoc& dvs : doc.dvswitches) {
    int64_t id = InsertSwitch(dvs.row);
    for (const DVPortRow& port : dvs.dvports) {
      db_.Run(
          "INSERT INTO dvports (switch_id, port_id, connection_id, test_events) "
          "VALUES (?1, ?2, ?3, ?4)",
          id, port.portId, port.connectionId, port.testEvents);
      int64_t portRow = db_.LastInsertId();
      InsertList(kDVPortClients, port.clients, portRow);
      InsertList(kDVPortUplinks, port.uplinks, portRow);
    }
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
  {
    auto insert = db_.Prepare(
        "INSERT INTO lag_timeouts (portset, lag_id, timeout, loaded) VALUES (?1, ?2, ?3, ?4)");
    for (const LagTimeoutRow& t : doc.lagTimeouts) {
      insert->Reset().BindAll(t.portset, t.lagId, t.timeout, t.loaded).Run();
    }
  }
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

void Store::AddFault(const FaultRow& fault) {
  Write([&] { InsertFault(fault); });
}

void Store::InsertFault(const FaultRow& fault) {
  db_.Run("INSERT INTO faults (op, target, message, times, status) VALUES (?1, ?2, ?3, ?4, ?5)",
          fault.op, fault.target, fault.message, fault.times, fault.status);
}

void Store::ClearFaults() {
  Write([&] { db_.Exec("DELETE FROM faults"); });
}

bool Store::SpendFault(int64_t id) {
  return Write([&] {
    int64_t left = 0;
    {
      auto st = db_.Prepare("SELECT times FROM faults WHERE id = ?1");
      st->Bind(1, id);
      if (!st->Step()) return false;  // already spent or cleared
      if (st->IsNull(0)) return true;
      left = st->Int(0);
    }
    db_.Run(left <= 1 ? "DELETE FROM faults WHERE id = ?1"
                      : "UPDATE faults SET times = times - 1 WHERE id = ?1",
            id);
    return true;
  });
}

}  // namespace sqlite_host
