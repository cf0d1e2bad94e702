#include <string>

#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;

namespace {

// Kind names as messages use them.
const char* KindLabel(SwitchKind kind) {
  switch (kind) {
    case SwitchKind::kStandard:
      return "standard switch";
    case SwitchKind::kDistributed:
      return "DVSwitch";
    case SwitchKind::kOpaque:
      return "opaque switch";
  }
  return "switch";
}

}  // namespace

Store::Store(Connection& db, WriterLock& lock) : db_(db), lock_(lock) {}

Store::~Store() = default;

void Store::StartPortGroupListing(bool system) {
  listing_.reset();
  listing_ = std::make_unique<Listing>(db_, system);
}

std::optional<std::vector<PortGroupRow>> Store::TakeListedPortGroups(int64_t switchId,
                                                                     bool system) {
  if (!listing_ || listing_->cursor.System() != system) return std::nullopt;
  return listing_->cursor.Take(switchId);
}

int64_t Store::InsertSwitch(const SwitchRow& row) {
  auto insert = db_.Prepare(
      "INSERT INTO switches (kind, name, running, system, num_ports, used_ports, "
      "configured_ports, mtu, cdp, order_set, max_active, ens_active, ens_interrupt, "
      "ens_fast_switch, reassociations, forced_reassociations, dvs_name, uuid, impl_class, "
      "version, switch_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
      "?15, ?16, ?17, ?18, ?19, ?20, ?21)");
  insert->Bind(1, row.kind)
      .Bind(2, row.name)
      .Bind(3, row.running)
      .Bind(4, row.system)
      .Bind(5, row.numPorts)
      .Bind(6, row.usedPorts)
      .Bind(7, row.configuredPorts)
      .Bind(8, row.mtu)
      .Bind(9, row.cdp)
      .Bind(10, row.teaming.orderSet)
      .Bind(11, row.teaming.maxActive)
      .Bind(12, row.ens.active)
      .Bind(13, row.ens.interrupt)
      .Bind(14, row.ens.fastSwitch)
      .Bind(15, row.ens.reassociations)
      .Bind(16, row.ens.forcedReassociations)
      .Bind(17, row.dvsName)
      .Bind(18, row.uuid)
      .Bind(19, row.implClass)
      .Bind(20, row.version)
      .Bind(21, row.switchId);
  insert->Run();
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

void Store::AppendToList(int64_t switchId, UplinkList list, const std::string& pnic) {
  db_.Run(
      "INSERT OR IGNORE INTO switch_uplinks (switch_id, list, position, pnic) "
      "SELECT ?1, ?2, COALESCE(MAX(position) + 1, 0), ?3 FROM switch_uplinks "
      "WHERE switch_id = ?1 AND list = ?2",
      switchId, list, pnic);
}

bool Store::RemoveFromList(int64_t switchId, UplinkList list, const std::string& pnic) {
  return db_.Run("DELETE FROM switch_uplinks WHERE switch_id = ?1 AND list = ?2 AND pnic = ?3",
                 switchId, list, pnic) > 0;
}

void Store::RequireRunning(const SwitchRow& sw) {
  auto st = db_.Prepare("SELECT 1 FROM switches WHERE id = ?1 AND running = 1");
  st->Bind(1, sw.id);
  if (!st->Step()) SwitchGone(sw);
}

void Store::SwitchGone(const SwitchRow& sw) {
  throw QuorvicException(std::string(KindLabel(sw.kind)) + " " + sw.name + " no longer exists");
}

void Store::RequirePnic(const std::string& name) {
  auto st = db_.Prepare("SELECT 1 FROM pnics WHERE name = ?1");
  st->Bind(1, name);
  if (!st->Step()) throw QuorvicException("pnic " + name + " does not exist");
}

void Store::CheckUplinkOrder(const std::vector<std::string>& order) {
  for (size_t i = 0; i < order.size(); ++i) {
    RequirePnic(order[i]);
    for (size_t j = 0; j < i; ++j) {
      if (order[j] == order[i]) {
        throw QuorvicException("the uplink order names " + order[i] + " twice");
      }
    }
  }
}

SwitchRow Store::AddSwitch(SwitchRow row) {
  Write([&] {
    {
      auto taken = db_.Prepare("SELECT running FROM switches WHERE name = ?1");
      taken->Bind(1, row.name);
      const bool exists = taken->Step();
      if (exists && !taken->Bool(0)) {
        throw QuorvicException("a stopped switch named " + row.name +
                               " already exists; `ploncfg-vswitch -r` starts it");
      }
      if (exists) throw QuorvicException("a switch named " + row.name + " already exists");
    }
    if (row.teaming.orderSet) CheckUplinkOrder(row.teaming.order);
    if (!row.teaming.orderSet) row.teaming.order.clear();
    row.running = true;
    row.system = false;
    row.usedPorts = 0;
    row.configuredPorts = row.numPorts;
    row.id = InsertSwitch(row);
  });
  return row;
}

void Store::RemoveSwitch(const std::string& name) {
  Write([&] {
    if (db_.Run("DELETE FROM switches WHERE name = ?1 AND kind IN (?2, ?3) AND running = 1", name,
                SwitchKind::kStandard, SwitchKind::kDistributed) == 0) {
      throw QuorvicException("no standard switch or DVSwitch named " + name);
    }
  });
}

void Store::UpdateRunningSwitch(const SwitchRow& sw, const char* update, int64_t value) {
  Write([&] {
    RequireRunning(sw);
    db_.Run(update, sw.id, value);
  });
}

void Store::SetCdp(const SwitchRow& sw, int32_t cdp) {
  UpdateRunningSwitch(sw, "UPDATE switches SET cdp = ?2 WHERE id = ?1", cdp);
}

void Store::SetMtu(const SwitchRow& sw, uint32_t mtu) {
  UpdateRunningSwitch(sw, "UPDATE switches SET mtu = ?2 WHERE id = ?1", mtu);
}

void Store::SetTeaming(const SwitchRow& sw, const TeamingRow& teaming) {
  Write([&] {
    RequireRunning(sw);
    if (teaming.orderSet) CheckUplinkOrder(teaming.order);
    db_.Run("UPDATE switches SET order_set = ?2, max_active = ?3 WHERE id = ?1", sw.id,
            teaming.orderSet, teaming.maxActive);
    db_.Run("DELETE FROM switch_uplinks WHERE switch_id = ?1 AND list = ?2", sw.id,
            UplinkList::kOrder);
    if (teaming.orderSet) InsertList(kSwitchUplinks, teaming.order, sw.id, UplinkList::kOrder);
  });
}

void Store::RestoreDVSwitches() {
  Write([&] {
    db_.Run("UPDATE switches SET running = 1 WHERE kind = ?1 AND running = 0",
            SwitchKind::kDistributed);
  });
}

void Store::RestoreVirtualSwitches() {
  Write([&] {
    db_.Run(
        "DELETE FROM switch_uplinks WHERE list = ?1 AND switch_id IN "
        "(SELECT id FROM switches WHERE kind = ?2 AND running = 0)",
        UplinkList::kLinked, SwitchKind::kStandard);
    db_.Run("UPDATE switches SET running = 1 WHERE kind = ?1 AND running = 0",
            SwitchKind::kStandard);
  });
}

}  // namespace sqlite_host
