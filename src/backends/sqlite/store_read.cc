#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/store.h"

namespace sqlite_host {

using namespace rows;
namespace {

RowKind SwitchRefKind(SwitchKind kind) {
  switch (kind) {
    case SwitchKind::kStandard:
      return RowKind::kStandardSwitch;
    case SwitchKind::kDistributed:
      return RowKind::kDVSwitch;
    case SwitchKind::kOpaque:
      return RowKind::kOpaqueSwitch;
  }
  return RowKind::kNone;
}

// Columns of a switch row, then (from a LEFT JOIN) one uplink list entry.
constexpr const char* kSwitchColumns =
    "s.id, s.kind, s.name, s.running, s.system, s.num_ports, s.used_ports, s.configured_ports, "
    "s.mtu, s.cdp, s.order_set, s.max_active, s.ens_active, s.ens_interrupt, s.ens_fast_switch, "
    "s.reassociations, s.forced_reassociations, s.dvs_name, s.uuid, s.impl_class, s.version, "
    "s.switch_id, u.list, u.pnic";

SwitchRow SwitchFromColumns(const Statement& st) {
  SwitchRow row;
  row.kind = st.Code<SwitchKind>(1);
  row.ref = RefOf(SwitchRefKind(row.kind), st.Int(0));
  row.name = st.Text(2);
  row.running = st.Bool(3);
  row.system = st.Bool(4);
  row.numPorts = st.UInt32(5);
  row.usedPorts = st.UInt32(6);
  row.configuredPorts = st.UInt32(7);
  row.mtu = st.UInt32(8);
  row.cdp = st.Int32(9);
  row.teaming.orderSet = st.Bool(10);
  row.teaming.maxActive = st.Int32(11);
  row.ens.active = st.Bool(12);
  row.ens.interrupt = st.Bool(13);
  row.ens.fastSwitch = st.Bool(14);
  row.ens.reassociations = st.UInt32(15);
  row.ens.forcedReassociations = st.UInt32(16);
  row.dvsName = st.Text(17);
  row.uuid = st.Text(18);
  row.implClass = st.Text(19);
  row.version = st.UInt32(20);
  row.switchId = st.Text(21);
  return row;
}

void AddListEntry(SwitchRow& row, const Statement& st) {
  if (st.IsNull(22)) return;
  std::string pnic = st.Text(23);
  switch (st.Code<UplinkList>(22)) {
    case UplinkList::kLinked:
    case UplinkList::kAttached:
      row.uplinks.push_back(std::move(pnic));
      break;
    case UplinkList::kConfig:
      row.configUplinks.push_back(std::move(pnic));
      break;
    case UplinkList::kOrder:
      row.teaming.order.push_back(std::move(pnic));
      break;
  }
}

// The condition on switches s that finds the switch key names, with ?1 for
// its value.
std::string WhereKey(const SwitchKey& key) {
  switch (key.by) {
    case SwitchKey::By::kName:
      return "s.name = ?1";
    case SwitchKey::By::kPortGroup:
      return "s.id = (SELECT switch_id FROM port_groups WHERE name = ?1)";
    case SwitchKey::By::kLinkedPnic:
      return "s.id = (SELECT switch_id FROM switch_uplinks WHERE list = 0 AND pnic = ?1)";
    case SwitchKey::By::kSwitchId:
      return "s.switch_id = ?1";
  }
  return "0";  // finds nothing
}

// The running standard switches of one sort, as switches s.
std::string WhereStandard(bool system) {
  return std::string("s.kind = 0 AND s.running = 1 AND s.system = ") + (system ? "1" : "0");
}

// Binds value to ?1 when there is one.
void BindValue(Statement& st, const std::optional<std::string>& value) {
  if (value) st.Bind(1, *value);
}

}  // namespace

RowRef RefOf(RowKind kind, int64_t id) { return RowRef{kind, std::to_string(id)}; }

int64_t IdOf(const RowRef& ref, RowKind kind) {
  if (ref.kind != kind || ref.key.empty()) return 0;
  char* end = nullptr;
  long long id = std::strtoll(ref.key.c_str(), &end, 10);
  return *end == '\0' ? id : 0;
}

uint32_t Store::MaxSwitchNameSize() const { return kMaxSwitchNameSize; }

// What is read under the hold must be the host's latest, not a listing's
// snapshot.
std::unique_ptr<rows::ChangeHold> Store::HoldForChange() {
  listing_.reset();
  return std::make_unique<WriterHold>(lock_);
}

PnicSet Store::Pnics() {
  PnicSet pnics;
  auto st = db_.Prepare("SELECT name FROM pnics ORDER BY id");
  while (st->Step()) pnics.names.push_back(st->Text(0));
  return pnics;
}

void Store::ReadSwitchRows(const std::string& where, const std::optional<std::string>& value,
                           const std::function<void(SwitchRow&&)>& each) {
  auto st = db_.Prepare(std::string("SELECT ") + kSwitchColumns +
                        " FROM switches s LEFT JOIN switch_uplinks u ON u.switch_id = s.id WHERE " +
                        where + " ORDER BY s.id, u.list, u.position");
  BindValue(*st, value);
  // A switch is whole once the rows of the next one begin.
  std::optional<SwitchRow> row;
  int64_t id = 0;
  while (st->Step()) {
    if (!row || st->Int(0) != id) {
      if (row) each(std::move(*row));
      id = st->Int(0);
      row = SwitchFromColumns(*st);
    }
    AddListEntry(*row, *st);
  }
  if (row) each(std::move(*row));
}

std::vector<SwitchRow> Store::ReadSwitchRows(const std::string& where,
                                             const std::optional<std::string>& value) {
  std::vector<SwitchRow> rows;
  ReadSwitchRows(where, value, [&](SwitchRow&& row) { rows.push_back(std::move(row)); });
  return rows;
}

void Store::FillPortGroups(std::vector<StandardSwitchDoc>& switches, const std::string& where,
                           const std::optional<std::string>& value) {
  PortGroupCursor cursor(db_, where, value);
  for (StandardSwitchDoc& sw : switches) {
    if (auto groups = cursor.Take(IdOf(sw.row.ref, RowKind::kStandardSwitch))) {
      sw.portGroups = std::move(*groups);
    }
  }
}

std::vector<DVPortRow> Store::ReadDVPorts(int64_t switchId) {
  std::vector<DVPortRow> ports;
  {
    auto st = db_.Prepare(
        "SELECT id, port_id, connection_id, test_events FROM dvports WHERE switch_id = ?1 "
        "ORDER BY id");
    st->Bind(1, switchId);
    while (st->Step()) {
      DVPortRow port;
      port.ref = RefOf(RowKind::kDVPort, st->Int(0));
      port.portId = st->Text(1);
      port.connectionId = st->UInt32(2);
      port.testEvents = st->UInt32(3);
      ports.push_back(std::move(port));
    }
  }
  if (ports.empty()) return ports;
  // Both child lists in one pass each, in port order like the ports.
  auto fill = [&](const char* sql, std::vector<std::string> DVPortRow::*list) {
    size_t index = 0;
    auto st = db_.Prepare(sql);
    st->Bind(1, switchId);
    while (st->Step()) {
      while (IdOf(ports[index].ref, RowKind::kDVPort) != st->Int(0)) ++index;
      (ports[index].*list).push_back(st->Text(1));
    }
  };
  fill(
      "SELECT c.dvport_id, c.client FROM dvport_clients c JOIN dvports p ON p.id = c.dvport_id "
      "WHERE p.switch_id = ?1 ORDER BY c.dvport_id, c.position",
      &DVPortRow::clients);
  fill(
      "SELECT u.dvport_id, u.pnic FROM dvport_uplinks u JOIN dvports p ON p.id = u.dvport_id "
      "WHERE p.switch_id = ?1 ORDER BY u.dvport_id, u.position",
      &DVPortRow::uplinks);
  return ports;
}

std::optional<StandardSwitchDoc> Store::FindStandard(const std::string& where,
                                                     const std::optional<std::string>& value) {
  const std::string running = "s.kind = 0 AND s.running = 1 AND " + where;
  Transaction snapshot(db_, Transaction::Mode::kRead);
  std::vector<SwitchRow> rows = ReadSwitchRows(running, value);
  if (rows.empty()) return std::nullopt;
  std::vector<StandardSwitchDoc> found(1);
  found[0].row = std::move(rows.front());
  // Bound, so that reading switch after switch prepares one statement.
  FillPortGroups(found, "s.id = ?1", found[0].row.ref.key);
  snapshot.Commit();
  return std::move(found[0]);
}

std::optional<DVSwitchDoc> Store::FindDistributed(const std::string& where,
                                                  const std::optional<std::string>& value) {
  Transaction snapshot(db_, Transaction::Mode::kRead);
  std::vector<SwitchRow> rows = ReadSwitchRows("s.kind = 1 AND s.running = 1 AND " + where, value);
  if (rows.empty()) return std::nullopt;
  DVSwitchDoc dvs;
  dvs.row = std::move(rows.front());
  dvs.dvports = ReadDVPorts(IdOf(dvs.row.ref, RowKind::kDVSwitch));
  snapshot.Commit();
  return dvs;
}

std::optional<StandardSwitchDoc> Store::FindSwitch(const SwitchKey& key) {
  if (key.by == SwitchKey::By::kSwitchId) return std::nullopt;
  return FindStandard(WhereKey(key), key.value);
}

std::optional<DVSwitchDoc> Store::FindDVSwitch(const SwitchKey& key) {
  if (key.by != SwitchKey::By::kName && key.by != SwitchKey::By::kSwitchId) return std::nullopt;
  return FindDistributed(WhereKey(key), key.value);
}

std::optional<SwitchRow> Store::FindAnySwitch(const SwitchKey& key) {
  if (key.by != SwitchKey::By::kName && key.by != SwitchKey::By::kPortGroup) return std::nullopt;
  std::vector<SwitchRow> rows = ReadSwitchRows(WhereKey(key), key.value);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

std::vector<StandardSwitchDoc> Store::ReadSwitches(bool system) {
  const std::string where = WhereStandard(system);
  Transaction snapshot(db_, Transaction::Mode::kRead);
  std::vector<StandardSwitchDoc> switches;
  for (SwitchRow& row : ReadSwitchRows(where)) switches.push_back({std::move(row), {}});
  FillPortGroups(switches, where);
  snapshot.Commit();
  return switches;
}

void Store::ListSwitches(bool system, const std::function<void(SwitchRow&&)>& each) {
  listing_.reset();
  const std::string where = WhereStandard(system);
  auto listing = std::make_unique<Listing>(db_, where);
  ReadSwitchRows(where, std::nullopt, [&](SwitchRow&& row) {
    listing->switchIds.push_back(IdOf(row.ref, RowKind::kStandardSwitch));
    each(std::move(row));
  });
  listing_ = std::move(listing);
}

std::optional<std::vector<PortGroupRow>> Store::TakeListedPortGroups(const RowRef& sw) {
  const int64_t id = IdOf(sw, RowKind::kStandardSwitch);
  if (!listing_ ||
      !std::binary_search(listing_->switchIds.begin(), listing_->switchIds.end(), id)) {
    return std::nullopt;
  }
  return listing_->portGroups.Take(id);
}

std::vector<DVSwitchDoc> Store::ReadDVSwitches() {
  Transaction snapshot(db_, Transaction::Mode::kRead);
  std::vector<DVSwitchDoc> switches;
  for (SwitchRow& row : ReadSwitchRows("s.kind = 1 AND s.running = 1")) {
    DVSwitchDoc dvs;
    dvs.dvports = ReadDVPorts(IdOf(row.ref, RowKind::kDVSwitch));
    dvs.row = std::move(row);
    switches.push_back(std::move(dvs));
  }
  snapshot.Commit();
  return switches;
}

std::vector<SwitchRow> Store::ReadOpaqueSwitches() { return ReadSwitchRows("s.kind = 2"); }

HostRecords Store::ReadRecords() {
  Transaction snapshot(db_, Transaction::Mode::kRead);
  HostRecords records = ReadRecordsWithIds(nullptr);
  snapshot.Commit();
  return records;
}

HostRecords Store::ReadRecordsWithIds(RecordIds* ids) {
  HostRecords records;
  {
    auto st = db_.Prepare(
        "SELECT portset, uplink, lag_id, timeout, loaded, id FROM uplink_timeouts ORDER BY id");
    while (st->Step()) {
      records.uplinkTimeouts.push_back(
          {st->Text(0), st->Text(1), st->UInt32(2), st->UInt32(3), st->Bool(4)});
      if (ids != nullptr) ids->uplinkTimeouts.push_back(st->Int(5));
    }
  }
  {
    auto st = db_.Prepare(
        "SELECT portset, lag_id, timeout, loaded, id FROM lag_timeouts ORDER BY id");
    while (st->Step()) {
      records.lagTimeouts.push_back({st->Text(0), st->UInt32(1), st->UInt32(2), st->Bool(3)});
      if (ids != nullptr) ids->lagTimeouts.push_back(st->Int(4));
    }
  }
  {
    auto st = db_.Prepare("SELECT ens_activate_node FROM host");
    if (st->Step()) records.ensActivateNode = st->UInt32(0);
  }
  auto st = db_.Prepare("SELECT id, op, target, message, times, status FROM faults ORDER BY id");
  while (st->Step()) {
    FaultRow fault;
    fault.id = st->Int(0);
    fault.op = st->Text(1);
    if (!st->IsNull(2)) fault.target = st->Text(2);
    fault.message = st->Text(3);
    if (!st->IsNull(4)) fault.times = st->Int(4);
    if (!st->IsNull(5)) fault.status = st->Int(5);
    records.faults.push_back(std::move(fault));
  }
  return records;
}

}  // namespace sqlite_host
