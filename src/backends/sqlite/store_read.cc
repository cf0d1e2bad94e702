#include <string>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/store.h"

namespace sqlite_host {
namespace {

// Columns of a switch row, then (from a LEFT JOIN) one uplink list entry.
constexpr const char* kSwitchColumns =
    "s.id, s.kind, s.name, s.running, s.system, s.num_ports, s.used_ports, s.configured_ports, "
    "s.mtu, s.cdp, s.order_set, s.max_active, s.ens_active, s.ens_interrupt, s.ens_fast_switch, "
    "s.reassociations, s.forced_reassociations, s.dvs_name, s.uuid, s.impl_class, s.version, "
    "s.switch_id, u.list, u.pnic";

SwitchRow SwitchFromColumns(const Statement& st) {
  SwitchRow row;
  row.id = st.Int(0);
  row.kind = st.Code<SwitchKind>(1);
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

// Reads switch rows ordered by id with their list entries, handing each to
// each once its last list entry is read.
void VisitSwitches(Statement& st, const std::function<void(SwitchRow&&)>& each) {
  std::optional<SwitchRow> row;
  while (st.Step()) {
    if (row && row->id != st.Int(0)) {
      each(std::move(*row));
      row.reset();
    }
    if (!row) row = SwitchFromColumns(st);
    AddListEntry(*row, st);
  }
  if (row) each(std::move(*row));
}

std::vector<SwitchRow> CollectSwitches(Statement& st) {
  std::vector<SwitchRow> rows;
  VisitSwitches(st, [&](SwitchRow&& row) { rows.push_back(std::move(row)); });
  return rows;
}

std::string SwitchQuery(const std::string& where) {
  return std::string("SELECT ") + kSwitchColumns +
         " FROM switches s LEFT JOIN switch_uplinks u ON u.switch_id = s.id WHERE " + where +
         " ORDER BY s.id, u.list, u.position";
}

PortGroupRow PortGroupFromColumns(const Statement& st) {
  PortGroupRow row;
  row.id = st.Int(0);
  row.switchId = st.Int(1);
  row.name = st.Text(2);
  row.vlan = st.UInt32(3);
  row.ports = st.UInt32(4);
  row.teaming.orderSet = st.Bool(5);
  row.teaming.maxActive = st.Int32(6);
  return row;
}

constexpr const char* kPortGroupQuery =
    "SELECT g.id, g.switch_id, g.name, g.vlan, g.ports, g.order_set, g.max_active, o.pnic "
    "FROM port_groups g LEFT JOIN port_group_order o ON o.port_group_id = g.id ";

std::vector<PortGroupRow> CollectPortGroups(Statement& st) {
  std::vector<PortGroupRow> rows;
  while (st.Step()) {
    if (rows.empty() || rows.back().id != st.Int(0)) rows.push_back(PortGroupFromColumns(st));
    if (!st.IsNull(7)) rows.back().teaming.order.push_back(st.Text(7));
  }
  return rows;
}

}  // namespace

std::optional<SwitchRow> Store::FindSwitch(const std::string& name, SwitchKind kind) {
  auto st = db_.Prepare(SwitchQuery("s.name = ?1 AND s.kind = ?2 AND s.running = 1"));
  st->Bind(1, name).Bind(2, kind);
  std::vector<SwitchRow> rows = CollectSwitches(*st);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

void Store::ReadSwitches(SwitchKind kind, bool system,
                         const std::function<void(SwitchRow&&)>& each) {
  // Only standard switches are told apart by system.
  bool standard = kind == SwitchKind::kStandard;
  auto st = db_.Prepare(SwitchQuery(standard ? "s.kind = ?1 AND s.running = 1 AND s.system = ?2"
                                             : "s.kind = ?1 AND s.running = 1"));
  st->Bind(1, kind);
  if (standard) st->Bind(2, system);
  VisitSwitches(*st, each);
}

std::vector<SwitchRow> Store::ReadAllSwitches(SwitchKind kind) {
  auto st = db_.Prepare(SwitchQuery("s.kind = ?1"));
  st->Bind(1, kind);
  return CollectSwitches(*st);
}

std::vector<PortGroupRow> Store::ReadAllPortGroups() {
  auto st = db_.Prepare(std::string(kPortGroupQuery) + "ORDER BY g.switch_id, g.id, o.position");
  return CollectPortGroups(*st);
}

std::vector<PortGroupRow> Store::ReadPortGroups(int64_t switchId) {
  auto st = db_.Prepare(std::string(kPortGroupQuery) +
                        "WHERE g.switch_id = ?1 ORDER BY g.id, o.position");
  st->Bind(1, switchId);
  return CollectPortGroups(*st);
}

std::optional<std::pair<PortGroupRow, std::string>> Store::FindPortGroup(const std::string& name) {
  std::vector<PortGroupRow> rows;
  {
    auto st =
        db_.Prepare(std::string(kPortGroupQuery) +
                    "WHERE g.name = ?1 AND EXISTS (SELECT 1 FROM switches s WHERE s.id = "
                    "g.switch_id AND s.kind = ?2 AND s.running = 1) ORDER BY g.id, o.position");
    st->Bind(1, name).Bind(2, SwitchKind::kStandard);
    rows = CollectPortGroups(*st);
  }
  if (rows.empty()) return std::nullopt;
  auto st = db_.Prepare("SELECT name FROM switches WHERE id = ?1");
  st->Bind(1, rows.front().switchId);
  std::string switchName = st->Step() ? st->Text(0) : std::string();
  return std::make_pair(std::move(rows.front()), std::move(switchName));
}

std::set<std::string> Store::PortGroupNames() {
  auto st = db_.Prepare(
      "SELECT g.name FROM port_groups g JOIN switches s ON s.id = g.switch_id "
      "WHERE s.kind = ?1 AND s.running = 1");
  st->Bind(1, SwitchKind::kStandard);
  std::set<std::string> names;
  while (st->Step()) names.insert(st->Text(0));
  return names;
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
      port.id = st->Int(0);
      port.portId = st->Text(1);
      port.connectionId = st->UInt32(2);
      port.testEvents = st->UInt32(3);
      ports.push_back(std::move(port));
    }
  }
  if (ports.empty()) return ports;
  // Both child lists in one pass each, in port order like the ports.
  size_t index = 0;
  auto clients = db_.Prepare(
      "SELECT c.dvport_id, c.client FROM dvport_clients c JOIN dvports p ON p.id = c.dvport_id "
      "WHERE p.switch_id = ?1 ORDER BY c.dvport_id, c.position");
  clients->Bind(1, switchId);
  while (clients->Step()) {
    while (ports[index].id != clients->Int(0)) ++index;
    ports[index].clients.push_back(clients->Text(1));
  }
  index = 0;
  auto uplinks = db_.Prepare(
      "SELECT u.dvport_id, u.pnic FROM dvport_uplinks u JOIN dvports p ON p.id = u.dvport_id "
      "WHERE p.switch_id = ?1 ORDER BY u.dvport_id, u.position");
  uplinks->Bind(1, switchId);
  while (uplinks->Step()) {
    while (ports[index].id != uplinks->Int(0)) ++index;
    ports[index].uplinks.push_back(uplinks->Text(1));
  }
  return ports;
}

std::optional<DVPortRow> Store::FindDVPort(const std::string& switchId, const std::string& portId) {
  int64_t switchRow = 0;
  {
    auto st = db_.Prepare(
        "SELECT id FROM switches WHERE switch_id = ?1 AND kind = ?2 AND running = 1 ORDER BY id");
    st->Bind(1, switchId).Bind(2, SwitchKind::kDistributed);
    if (!st->Step()) return std::nullopt;
    switchRow = st->Int(0);
  }
  for (DVPortRow& port : ReadDVPorts(switchRow)) {
    if (port.portId == portId) return std::move(port);
  }
  return std::nullopt;
}

std::vector<UplinkTimeoutRow> Store::ReadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                                                        const std::string& uplink) {
  auto st = db_.Prepare(
      "SELECT portset, uplink, lag_id, timeout, loaded FROM uplink_timeouts "
      "WHERE (?1 = '' OR portset = ?1) AND (?2 = 0 OR lag_id = ?2) AND (?3 = '' OR uplink = ?3) "
      "ORDER BY id");
  st->Bind(1, portset).Bind(2, lagId).Bind(3, uplink);
  std::vector<UplinkTimeoutRow> rows;
  while (st->Step()) {
    rows.push_back({st->Text(0), st->Text(1), st->UInt32(2), st->UInt32(3), st->Bool(4)});
  }
  return rows;
}

std::vector<LagTimeoutRow> Store::ReadLagTimeouts(const std::string& portset, uint32_t lagId) {
  auto st = db_.Prepare(
      "SELECT portset, lag_id, timeout, loaded FROM lag_timeouts "
      "WHERE (?1 = '' OR portset = ?1) AND (?2 = 0 OR lag_id = ?2) ORDER BY id");
  st->Bind(1, portset).Bind(2, lagId);
  std::vector<LagTimeoutRow> rows;
  while (st->Step()) {
    rows.push_back({st->Text(0), st->UInt32(1), st->UInt32(2), st->Bool(3)});
  }
  return rows;
}

std::vector<FaultRow> Store::ReadFaults() {
  auto st = db_.Prepare("SELECT id, op, target, message, times, status FROM faults ORDER BY id");
  std::vector<FaultRow> faults;
  while (st->Step()) {
    FaultRow fault;
    fault.id = st->Int(0);
    fault.op = st->Text(1);
    if (!st->IsNull(2)) fault.target = st->Text(2);
    fault.message = st->Text(3);
    if (!st->IsNull(4)) fault.times = st->Int(4);
    if (!st->IsNull(5)) fault.status = st->Int(5);
    faults.push_back(std::move(fault));
  }
  return faults;
}

uint32_t Store::MaxSwitchNameSize() const { return kMaxSwitchNameSize; }

std::unique_ptr<rows::ChangeHold> Store::HoldForChange() {
  return std::make_unique<WriterHold>(lock_);
}

std::vector<std::string> Store::ReadUplinks(const SwitchRow& sw) {
  return ReadList(sw.id,
                  sw.kind == SwitchKind::kStandard ? UplinkList::kLinked : UplinkList::kAttached);
}

std::vector<std::string> Store::ReadList(int64_t switchId, UplinkList list) {
  auto st = db_.Prepare(
      "SELECT pnic FROM switch_uplinks WHERE switch_id = ?1 AND list = ?2 ORDER BY position");
  st->Bind(1, switchId).Bind(2, list);
  std::vector<std::string> pnics;
  while (st->Step()) pnics.push_back(st->Text(0));
  return pnics;
}

std::optional<std::string> Store::LinkedTo(const std::string& pnic) {
  auto st = db_.Prepare(
      "SELECT s.name FROM switch_uplinks u JOIN switches s ON s.id = u.switch_id "
      "WHERE u.pnic = ?1 AND u.list = ?2");
  st->Bind(1, pnic).Bind(2, UplinkList::kLinked);
  if (!st->Step()) return std::nullopt;
  return st->Text(0);
}

}  // namespace sqlite_host
