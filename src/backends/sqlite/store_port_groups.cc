#include <string>

#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;

namespace {

// Throws unless port group pg still exists on a running switch.
void RequirePortGroup(Connection& db, const PortGroupRow& pg) {
  auto st = db.Prepare(
      "SELECT 1 FROM port_groups g JOIN switches s ON s.id = g.switch_id "
      "WHERE g.id = ?1 AND s.running = 1");
  st->Bind(1, pg.id);
  if (!st->Step()) throw QuorvicException("port group " + pg.name + " no longer exists");
}

}  // namespace

PortGroupRow Store::AddPortGroup(const SwitchRow& sw, const std::string& name) {
  if (name.empty()) throw QuorvicException("a port group name must not be empty");
  Transaction txn = BeginWrite();
  RequireRunning(sw);
  {
    auto taken = db_.Prepare(
        "SELECT s.name FROM port_groups g JOIN switches s ON s.id = g.switch_id "
        "WHERE g.name = ?1");
    taken->Bind(1, name);
    if (taken->Step()) {
      throw QuorvicException("port group " + name + " already exists on " + taken->Text(0));
    }
  }
  {
    auto insert = db_.Prepare("INSERT INTO port_groups (switch_id, name) VALUES (?1, ?2)");
    insert->Bind(1, sw.id).Bind(2, name);
    insert->Run();
  }
  PortGroupRow row;
  row.id = db_.LastInsertId();
  row.switchId = sw.id;
  row.name = name;
  txn.Commit();
  return row;
}

void Store::RemovePortGroup(const SwitchRow& sw, const std::string& name) {
  Transaction txn = BeginWrite();
  RequireRunning(sw);
  auto remove = db_.Prepare("DELETE FROM port_groups WHERE switch_id = ?1 AND name = ?2");
  remove->Bind(1, sw.id).Bind(2, name);
  remove->Run();
  if (db_.Changes() == 0) {
    throw QuorvicException("no port group named " + name + " on " + sw.name);
  }
  txn.Commit();
}

void Store::SetVlan(const PortGroupRow& pg, uint32_t vlan) {
  Transaction txn = BeginWrite();
  RequirePortGroup(db_, pg);
  auto st = db_.Prepare("UPDATE port_groups SET vlan = ?2 WHERE id = ?1");
  st->Bind(1, pg.id).Bind(2, vlan);
  st->Run();
  txn.Commit();
}

void Store::SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) {
  Transaction txn = BeginWrite();
  RequirePortGroup(db_, pg);
  std::vector<std::string> order = teaming.orderSet ? teaming.order : std::vector<std::string>();
  CheckUplinkOrder(order);
  {
    auto st = db_.Prepare("UPDATE port_groups SET order_set = ?2, max_active = ?3 WHERE id = ?1");
    st->Bind(1, pg.id).Bind(2, teaming.orderSet).Bind(3, teaming.maxActive);
    st->Run();
  }
  {
    auto clear = db_.Prepare("DELETE FROM port_group_order WHERE port_group_id = ?1");
    clear->Bind(1, pg.id);
    clear->Run();
  }
  auto insert = db_.Prepare(
      "INSERT INTO port_group_order (port_group_id, position, pnic) VALUES (?1, ?2, ?3)");
  int64_t position = 0;
  for (const std::string& pnic : order) {
    insert->Reset();
    insert->Bind(1, pg.id).Bind(2, position++).Bind(3, pnic);
    insert->Run();
  }
  txn.Commit();
}

}  // namespace sqlite_host
