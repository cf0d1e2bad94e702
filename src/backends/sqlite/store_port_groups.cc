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
  return Write([&] {
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
    db_.Run("INSERT INTO port_groups (switch_id, name) VALUES (?1, ?2)", sw.id, name);
    PortGroupRow row;
    row.id = db_.LastInsertId();
    row.switchId = sw.id;
    row.name = name;
    return row;
  });
}

void Store::RemovePortGroup(const SwitchRow& sw, const std::string& name) {
  Write([&] {
    RequireRunning(sw);
    if (db_.Run("DELETE FROM port_groups WHERE switch_id = ?1 AND name = ?2", sw.id, name) == 0) {
      throw QuorvicException("no port group named " + name + " on " + sw.name);
    }
  });
}

void Store::SetVlan(const PortGroupRow& pg, uint32_t vlan) {
  Write([&] {
    RequirePortGroup(db_, pg);
    db_.Run("UPDATE port_groups SET vlan = ?2 WHERE id = ?1", pg.id, vlan);
  });
}

void Store::SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) {
  Write([&] {
    RequirePortGroup(db_, pg);
    std::vector<std::string> order = teaming.orderSet ? teaming.order : std::vector<std::string>();
    CheckUplinkOrder(order);
    db_.Run("UPDATE port_groups SET order_set = ?2, max_active = ?3 WHERE id = ?1", pg.id,
            teaming.orderSet, teaming.maxActive);
    db_.Run("DELETE FROM port_group_order WHERE port_group_id = ?1", pg.id);
    InsertList(kPortGroupOrder, order, pg.id);
  });
}

}  // namespace sqlite_host
