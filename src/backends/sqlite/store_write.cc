#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "backends/rows/switch_edits.h"
#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace sqlite_host {

using namespace rows;

Store::Store(Connection& db, WriterLock& lock) : db_(db), lock_(lock) {}

int64_t Store::CheckFormat() {
  auto st = db_.Prepare("PRAGMA user_version");
  const int64_t format = st->Step() ? st->Int(0) : 0;
  hostnet::RefuseNewerFormat("host database " + db_.Path(), format);
  return format;
}

int64_t Store::InsertSwitch(const SwitchRow& row) {
  auto insert = db_.Prepare(
      "INSERT INTO switches (kind, name, running, system, num_ports, used_ports, "
      "configured_ports, mtu, cdp, order_set, max_active, ens_active, ens_interrupt, "
      "ens_fast_switch, reassociations, forced_reassociations, dvs_name, uuid, impl_class, "
      "version, switch_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
      "?15, ?16, ?17, ?18, ?19, ?20, ?21)");
  insert
      ->BindAll(row.kind, row.name, row.running, row.system, row.numPorts, row.usedPorts,
                row.configuredPorts, row.mtu, row.cdp, row.teaming.orderSet,
                row.teaming.maxActive, row.ens.active, row.ens.interrupt, row.ens.fastSwitch,
                row.ens.reassociations, row.ens.forcedReassociations, row.dvsName, row.uuid,
                row.implClass, row.version, row.switchId)
      .Run();
  int64_t id = db_.LastInsertId();
  if (row.kind == SwitchKind::kStandard) {
    InsertList(kSwitchUplinks, row.uplinks, id, UplinkList::kLinked);
    InsertList(kSwitchUplinks, row.configUplinks, id, UplinkList::kConfig);
    if (row.teaming.orderSet) InsertList(kSwitchUplinks, row.teaming.order, id, UplinkList::kOrder);
  } else {
    InsertList(kSwitchUplinks, row.uplinks, id, UplinkList::kAttached);
  }
  return id;
}

int64_t Store::InsertPortGroup(int64_t switchId, const PortGroupRow& pg) {
  db_.Run(
      "INSERT INTO port_groups (switch_id, name, vlan, ports, order_set, max_active) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
      switchId, pg.name, pg.vlan, pg.ports, pg.teaming.orderSet, pg.teaming.maxActive);
  int64_t id = db_.LastInsertId();
  if (pg.teaming.orderSet) InsertList(kPortGroupOrder, pg.teaming.order, id);
  return id;
}

int64_t Store::InsertDVPort(int64_t switchId, const DVPortRow& port) {
  db_.Run(
      "INSERT INTO dvports (switch_id, port_id, connection_id, test_events) "
      "VALUES (?1, ?2, ?3, ?4)",
      switchId, port.portId, port.connectionId, port.testEvents);
  int64_t id = db_.LastInsertId();
  InsertList(kDVPortClients, port.clients, id);
  InsertList(kDVPortUplinks, port.uplinks, id);
  return id;
}

void Store::InsertLagTimeouts(const std::vector<LagTimeoutRow>& lags) {
  auto insert = db_.Prepare(
      "INSERT INTO lag_timeouts (portset, lag_id, timeout, loaded) VALUES (?1, ?2, ?3, ?4)");
  for (const LagTimeoutRow& t : lags) {
    insert->Reset().BindAll(t.portset, t.lagId, t.timeout, t.loaded).Run();
  }
}

void Store::InsertFault(const FaultRow& fault) {
  db_.Run("INSERT INTO faults (op, target, message, times, status) VALUES (?1, ?2, ?3, ?4, ?5)",
          fault.op, fault.target, fault.message, fault.times, fault.status);
}

void Store::RequireNameFree(const std::string& name) {
  auto taken = db_.Prepare("SELECT 1 FROM switches WHERE name = ?1");
  taken->Bind(1, name);
  if (taken->Step()) rows::SwitchNameTaken(name);
}

RowRef Store::AddSwitch(const StandardSwitchDoc& sw) {
  return Write([&] {
    RequireNameFree(sw.row.name);
    int64_t id = InsertSwitch(sw.row);
    for (const PortGroupRow& pg : sw.portGroups) InsertPortGroup(id, pg);
    return RefOf(RowKind::kStandardSwitch, id);
  });
}

RowRef Store::AddDVSwitch(const DVSwitchDoc& dvs) {
  return Write([&] {
    RequireNameFree(dvs.row.name);
    int64_t id = InsertSwitch(dvs.row);
    for (const DVPortRow& port : dvs.dvports) InsertDVPort(id, port);
    return RefOf(RowKind::kDVSwitch, id);
  });
}

bool Store::RemoveSwitch(const RowRef& ref) {
  int64_t id = IdOf(ref, ref.kind == RowKind::kDVSwitch ? RowKind::kDVSwitch
                                                        : RowKind::kStandardSwitch);
  return Write([&] {
    return db_.Run("DELETE FROM switches WHERE id = ?1 AND kind IN (0, 1) AND running = 1", id) > 0;
  });
}

void Store::UpdateSwitch(int64_t id, const SwitchRow& before, const SwitchRow& after) {
  if (after == before) return;
  db_.Run(
      "UPDATE switches SET running = ?2, system = ?3, num_ports = ?4, used_ports = ?5, "
      "configured_ports = ?6, mtu = ?7, cdp = ?8, order_set = ?9, max_active = ?10, "
      "ens_active = ?11, ens_interrupt = ?12, ens_fast_switch = ?13, reassociations = ?14, "
      "forced_reassociations = ?15, dvs_name = ?16, uuid = ?17, impl_class = ?18, version = ?19, "
      "switch_id = ?20 WHERE id = ?1",
      id, after.running, after.system, after.numPorts, after.usedPorts, after.configuredPorts,
      after.mtu, after.cdp, after.teaming.orderSet, after.teaming.maxActive, after.ens.active,
      after.ens.interrupt, after.ens.fastSwitch, after.ens.reassociations,
      after.ens.forcedReassociations, after.dvsName, after.uuid, after.implClass, after.version,
      after.switchId);
  auto rewrite = [&](UplinkList list, const std::vector<std::string>& old,
                     const std::vector<std::string>& now) {
    if (old == now) return;
    db_.Run("DELETE FROM switch_uplinks WHERE switch_id = ?1 AND list = ?2", id, list);
    InsertList(kSwitchUplinks, now, id, list);
  };
  if (after.kind != SwitchKind::kStandard) {
    rewrite(UplinkList::kAttached, before.uplinks, after.uplinks);
    return;
  }
  rewrite(UplinkList::kLinked, before.uplinks, after.uplinks);
  rewrite(UplinkList::kConfig, before.configUplinks, after.configUplinks);
  const std::vector<std::string> none;
  rewrite(UplinkList::kOrder, before.teaming.orderSet ? before.teaming.order : none,
          after.teaming.orderSet ? after.teaming.order : none);
}

namespace {

// Writes what changed from before to after, child rows matched by ref: insert
// adds a row that has none (and gives it its ref), update rewrites one whose
// fields changed, remove deletes one that after lacks.
template <typename Row>
void UpdateChildren(const std::vector<Row>& before, std::vector<Row>& after,
                    const std::function<RowRef(const Row&)>& insert,
                    const std::function<void(const Row&)>& update,
                    const std::function<void(const Row&)>& remove) {
  std::map<std::string, const Row*> left;
  for (const Row& row : before) left.emplace(row.ref.key, &row);
  for (Row& row : after) {
    auto old = row.ref.Empty() ? left.end() : left.find(row.ref.key);
    if (old == left.end()) {
      row.ref = insert(row);
      continue;
    }
    if (row != *old->second) update(row);
    left.erase(old);
  }
  for (const auto& [key, row] : left) remove(*row);
}

}  // namespace

void Store::UpdatePortGroups(int64_t switchId, const std::vector<PortGroupRow>& before,
                             std::vector<PortGroupRow>& after) {
  UpdateChildren<PortGroupRow>(
      before, after,
      [&](const PortGroupRow& pg) {
        return RefOf(RowKind::kPortGroup, InsertPortGroup(switchId, pg));
      },
      [&](const PortGroupRow& pg) {
        const int64_t id = IdOf(pg.ref, RowKind::kPortGroup);
        db_.Run(
            "UPDATE port_groups SET name = ?2, vlan = ?3, ports = ?4, order_set = ?5, "
            "max_active = ?6 WHERE id = ?1",
            id, pg.name, pg.vlan, pg.ports, pg.teaming.orderSet, pg.teaming.maxActive);
        db_.Run("DELETE FROM port_group_order WHERE port_group_id = ?1", id);
        if (pg.teaming.orderSet) InsertList(kPortGroupOrder, pg.teaming.order, id);
      },
      [&](const PortGroupRow& pg) {
        db_.Run("DELETE FROM port_groups WHERE id = ?1", IdOf(pg.ref, RowKind::kPortGroup));
      });
}

void Store::UpdateDVPorts(int64_t switchId, const std::vector<DVPortRow>& before,
                          std::vector<DVPortRow>& after) {
  UpdateChildren<DVPortRow>(
      before, after,
      [&](const DVPortRow& port) {
        return RefOf(RowKind::kDVPort, InsertDVPort(switchId, port));
      },
      [&](const DVPortRow& port) {
        const int64_t id = IdOf(port.ref, RowKind::kDVPort);
        db_.Run(
            "UPDATE dvports SET port_id = ?2, connection_id = ?3, test_events = ?4 WHERE id = ?1",
            id, port.portId, port.connectionId, port.testEvents);
        db_.Run("DELETE FROM dvport_clients WHERE dvport_id = ?1", id);
        db_.Run("DELETE FROM dvport_uplinks WHERE dvport_id = ?1", id);
        InsertList(kDVPortClients, port.clients, id);
        InsertList(kDVPortUplinks, port.uplinks, id);
      },
      [&](const DVPortRow& port) {
        db_.Run("DELETE FROM dvports WHERE id = ?1", IdOf(port.ref, RowKind::kDVPort));
      });
}

std::optional<StandardSwitchDoc> Store::EditSwitch(
    const RowRef& ref, const std::function<void(StandardSwitchDoc&)>& edit) {
  const int64_t id = IdOf(ref, RowKind::kStandardSwitch);
  return Write([&]() -> std::optional<StandardSwitchDoc> {
    std::optional<StandardSwitchDoc> sw = FindStandard("s.id = ?1", std::to_string(id));
    if (!sw) return std::nullopt;
    const StandardSwitchDoc before = *sw;
    edit(*sw);
    UpdateSwitch(id, before.row, sw->row);
    UpdatePortGroups(id, before.portGroups, sw->portGroups);
    return sw;
  });
}

std::optional<DVSwitchDoc> Store::EditDVSwitch(const RowRef& ref,
                                               const std::function<void(DVSwitchDoc&)>& edit) {
  const int64_t id = IdOf(ref, RowKind::kDVSwitch);
  return Write([&]() -> std::optional<DVSwitchDoc> {
    std::optional<DVSwitchDoc> dvs = FindDistributed("s.id = ?1", std::to_string(id));
    if (!dvs) return std::nullopt;
    const DVSwitchDoc before = *dvs;
    edit(*dvs);
    UpdateSwitch(id, before.row, dvs->row);
    UpdateDVPorts(id, before.dvports, dvs->dvports);
    return dvs;
  });
}

void Store::StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) {
  Write([&] {
    const std::string where = kind == SwitchKind::kStandard ? "s.kind = 0 AND s.running = 0"
                                                             : "s.kind = 1 AND s.running = 0";
    for (const SwitchRow& stopped : ReadSwitchRows(where)) {
      SwitchRow started = stopped;
      start(started);
      UpdateSwitch(IdOf(stopped.ref, stopped.ref.kind), stopped, started);
    }
  });
}

void Store::EditRecords(const std::function<void(HostRecords&)>& edit) {
  Write([&] {
    RecordIds ids;
    const HostRecords before = ReadRecordsWithIds(&ids);
    HostRecords after = before;
    edit(after);
    // Edits change flags of the timeout records, and add and remove LAG
    // records: then the LAG records are written anew, in their order.
    for (size_t i = 0; i < ids.uplinkTimeouts.size() && i < after.uplinkTimeouts.size(); ++i) {
      if (after.uplinkTimeouts[i].loaded != before.uplinkTimeouts[i].loaded) {
        db_.Run("UPDATE uplink_timeouts SET loaded = ?2 WHERE id = ?1", ids.uplinkTimeouts[i],
                after.uplinkTimeouts[i].loaded);
      }
    }
    const auto& lags = after.lagTimeouts;
    const bool sameLags =
        std::equal(lags.begin(), lags.end(), before.lagTimeouts.begin(), before.lagTimeouts.end(),
                   [](const LagTimeoutRow& a, const LagTimeoutRow& b) {
                     return a.portset == b.portset && a.lagId == b.lagId && a.timeout == b.timeout;
                   });
    if (!sameLags) {
      db_.Run("DELETE FROM lag_timeouts");
      InsertLagTimeouts(lags);
    }
    for (size_t i = 0; sameLags && i < ids.lagTimeouts.size(); ++i) {
      if (lags[i].loaded != before.lagTimeouts[i].loaded) {
        db_.Run("UPDATE lag_timeouts SET loaded = ?2 WHERE id = ?1", ids.lagTimeouts[i],
                lags[i].loaded);
      }
    }
    if (after.ensActivateNode != before.ensActivateNode) {
      db_.Run("UPDATE host SET ens_activate_node = ?1", after.ensActivateNode);
    }
    std::map<int64_t, const FaultRow*> left;
    for (const FaultRow& fault : before.faults) left.emplace(fault.id, &fault);
    for (const FaultRow& fault : after.faults) {
      auto old = left.find(fault.id);
      if (fault.id == 0 || old == left.end()) {
        InsertFault(fault);
        continue;
      }
      if (fault != *old->second) {
        db_.Run("UPDATE faults SET times = ?2 WHERE id = ?1", fault.id, fault.times);
      }
      left.erase(old);
    }
    for (const auto& [id, fault] : left) db_.Run("DELETE FROM faults WHERE id = ?1", id);
  });
}

}  // namespace sqlite_host
