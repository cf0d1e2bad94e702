#include <string>

#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;

namespace {

// Throws unless the DVPort row still exists on a running DVSwitch.
void RequireDVPort(Connection& db, const DVPortRow& port) {
  auto st = db.Prepare(
      "SELECT 1 FROM dvports p JOIN switches s ON s.id = p.switch_id "
      "WHERE p.id = ?1 AND s.running = 1");
  st->Bind(1, port.id);
  if (!st->Step()) throw QuorvicException("DVPort " + port.portId + " no longer exists");
}

}  // namespace

void Store::AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                            const std::string& portId) {
  Write([&] {
    RequireRunning(sw);
    RequirePnic(pnic);
    int64_t portRow = 0;
    {
      auto st = db_.Prepare("SELECT id FROM dvports WHERE switch_id = ?1 AND port_id = ?2");
      st->Bind(1, sw.id).Bind(2, portId);
      if (!st->Step()) {
        throw QuorvicException("DVPort " + portId + " does not exist on " + sw.name);
      }
      portRow = st->Int(0);
    }
    db_.Run(
        "INSERT OR IGNORE INTO dvport_uplinks (dvport_id, position, pnic) VALUES (?1, "
        "(SELECT COALESCE(MAX(position) + 1, 0) FROM dvport_uplinks WHERE dvport_id = ?1), ?2)",
        portRow, pnic);
    AppendToList(sw.id, UplinkList::kAttached, pnic);
  });
}

void Store::RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) {
  Write([&] {
    RequireRunning(sw);
    if (db_.Run("DELETE FROM dvport_uplinks WHERE pnic = ?2 AND dvport_id IN "
                "(SELECT id FROM dvports WHERE switch_id = ?1)",
                sw.id, pnic) == 0) {
      throw QuorvicException("no DVPort of " + sw.name + " has uplink " + pnic);
    }
  });
}

void Store::SetConnectionId(const DVPortRow& port, uint32_t connectionId) {
  Write([&] {
    RequireDVPort(db_, port);
    db_.Run("UPDATE dvports SET connection_id = ?2 WHERE id = ?1", port.id, connectionId);
  });
}

void Store::RaiseTestEvent(const DVPortRow& port) {
  Write([&] {
    RequireDVPort(db_, port);
    db_.Run("UPDATE dvports SET test_events = test_events + 1 WHERE id = ?1", port.id);
  });
}

void Store::ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) {
  Write([&] {
    RequireRunning(sw);
    db_.Run(
        "UPDATE switches SET ens_active = 1, ens_interrupt = ?2, ens_fast_switch = ?3 "
        "WHERE id = ?1",
        sw.id, interrupt, fastSwitch);
  });
}

void Store::DeactivateEns(const SwitchRow& sw) {
  Write([&] {
    RequireRunning(sw);
    db_.Run("UPDATE switches SET ens_active = 0 WHERE id = ?1", sw.id);
  });
}

void Store::ReassociateUplinks(const SwitchRow& sw, bool force) {
  Write([&] {
    RequireRunning(sw);
    db_.Run(
        "UPDATE switches SET reassociations = reassociations + 1, "
        "forced_reassociations = forced_reassociations + ?2 WHERE id = ?1",
        sw.id, force);
  });
}

bool Store::IsEnsActive(const SwitchRow& sw) {
  auto st = db_.Prepare("SELECT ens_active FROM switches WHERE id = ?1 AND running = 1");
  st->Bind(1, sw.id);
  if (!st->Step()) SwitchGone(sw);
  return st->Bool(0);
}

void Store::SetEnsActivateNode(uint32_t value) {
  Write([&] { db_.Run("UPDATE host SET ens_activate_node = ?1", value); });
}

}  // namespace sqlite_host
