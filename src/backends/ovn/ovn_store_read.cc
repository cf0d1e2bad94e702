#include <algorithm>
#include <tuple>
#include <utility>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/dv_switch_edits.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace ovn {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

json MarkedOurs(const std::string& key, const std::string& value) {
  return ovsdb::Condition("external_ids", "includes", ovsdb::Map({{key, value}}));
}

std::string Get(const Ids& ids, const std::string& key) {
  auto found = ids.find(key);
  return found == ids.end() ? std::string() : found->second;
}

// What is read of a logical switch port: its marks, and whether OVN has
// bound it.
const std::vector<std::string> kPortColumns = {"_uuid", "name", "external_ids", "up"};

bool IsTrue(const json& value) { return value.is_boolean() && value.get<bool>(); }

// The localnet port of ours of the switch named name.
json SelectLocalnet(const std::string& name) {
  return ovsdb::Select("Logical_Switch_Port", {MarkedOurs(kLocalnetMark, NetworkName(name))},
                       kPortColumns);
}

}  // namespace

OvnStore::OvnStore(OvnSettings settings, rows::Chassis& chassis,
                   std::function<std::vector<std::string>()> pnics)
    : settings_(std::move(settings)), chassis_(chassis), pnics_(std::move(pnics)) {}

const std::string& OvnStore::HostName() {
  if (hostName_.empty()) hostName_ = chassis_.Name();
  return hostName_;
}

UplinkHost OvnStore::Uplinks() {
  return {HostName(), [this] {
            if (!pnicsRead_) pnicsRead_ = pnics_();
            return *pnicsRead_;
          }};
}

ovsdb::Database& OvnStore::Db() {
  if (!db_) {
    ovsdb::DatabaseSettings database;
    database.name = kNorthbound;
    database.timeout = settings_.timeout;
    database.comment = settings_.comment;
    database.token = ovsdb::TokenPlace{"NB_Global", {}, "external_ids", kChangePrefix + HostName()};
    db_ = std::make_unique<ovsdb::Database>(std::make_unique<LeaderLink>(settings_), database);
  }
  return *db_;
}

std::vector<json> OvnStore::Read(std::vector<json> operations) {
  if (tokenSeen_) return Db().Read(std::move(operations));
  operations.push_back(ovsdb::Select("NB_Global", {}, {"_uuid", "external_ids"}));
  std::vector<json> results = Db().Read(std::move(operations));
  const json& rows = results.back().at("rows");
  nbGlobal_.clear();
  nbFormat_.clear();
  if (!rows.empty()) {
    const Ids ids = ovsdb::ReadMap(rows[0].at("external_ids"));
    Db().SawTokenRow(ids);
    nbGlobal_ = ovsdb::ReadUuid(rows[0].at("_uuid"));
    nbFormat_ = Get(ids, kFormatKey);
  }
  tokenSeen_ = true;
  results.pop_back();
  return results;
}

std::vector<json> OvnStore::SelectNamed(const std::string& name) {
  return {ovsdb::Select("Logical_Switch",
                        {ovsdb::Condition("name", "==", name), MarkedOurs(kSwitchMark, "")},
                        {"_uuid", "_version", "name", "external_ids", "ports"}),
          ovsdb::Select("Logical_Switch_Port", {MarkedOurs(kPortSwitchKey, name)}, kPortColumns),
          SelectLocalnet(name)};
}

std::vector<OvnStore::SwitchRead> OvnStore::SwitchesFrom(const json& switchRows,
                                                         const json& portRows) {
  const UplinkHost host = Uplinks();
  unreadable_.clear();
  std::map<std::string, PortRead> portIds;
  for (const json& row : portRows) {
    portIds[ovsdb::ReadUuid(row.at("_uuid"))] =
        PortRead{ovsdb::ReadMap(row.at("external_ids")),
                 row.value("up", json::array({"set", json::array()}))};
  }
  std::vector<SwitchRead> switches;
  for (const json& row : switchRows) {
    const std::string name = row.at("name").get<std::string>();
    SwitchRead sw;
    sw.version = row.at("_version");
    sw.ports = row.at("ports");
    sw.ids = ovsdb::ReadMap(row.at("external_ids"));
    try {
      sw.doc.row = ReadSwitchIds(name, sw.ids, host);
    } catch (const QuorvicException& e) {
      unreadable_.push_back({name, "", e.GetMessage()});
      continue;
    }
    sw.doc.row.ref = RowRef{RowKind::kDVSwitch, ovsdb::ReadUuid(row.at("_uuid"))};
    std::vector<std::pair<std::size_t, DVPortRow>> ports;
    for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
      auto port = portIds.find(ovsdb::ReadUuid(ref));
      // A port of the switch that was not read is one other programs made.
      if (port == portIds.end()) {
        ++sw.foreignPorts;
        continue;
      }
      const Ids& ids = port->second.ids;
      if (ids.count(kLocalnetMark) != 0) {
        sw.localnet = Localnet{port->first, ids};
        continue;
      }
      if (ids.count(kPortSwitchKey) == 0) {
        ++sw.foreignPorts;
        continue;
      }
      try {
        ports.emplace_back(OrderOf(ids), ReadDVPort(name, port->first, port->second));
        sw.portRows[port->first] = port->second;
      } catch (const QuorvicException&) {
      }
    }
    std::stable_sort(ports.begin(), ports.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& port : ports) sw.doc.dvports.push_back(std::move(port.second));
    // The DVPorts in use are the switch's used ports: OVN shows which are.
    sw.doc.row.usedPorts =
        static_cast<uint32_t>(std::count_if(sw.doc.dvports.begin(), sw.doc.dvports.end(),
                                            [](const DVPortRow& p) { return p.InUse(); }));
    switches.push_back(std::move(sw));
  }
  std::sort(switches.begin(), switches.end(), [](const SwitchRead& a, const SwitchRead& b) {
    return std::make_tuple(CreatedOf(a.ids), a.doc.row.name) <
           std::make_tuple(CreatedOf(b.ids), b.doc.row.name);
  });
  // The server's order of rows is its own: name them in an order of ours.
  std::sort(unreadable_.begin(), unreadable_.end(),
            [](const rows::UnreadableRow& a, const rows::UnreadableRow& b) {
              return std::tie(a.dvswitch, a.dvport) < std::tie(b.dvswitch, b.dvport);
            });
  return switches;
}

std::vector<OvnStore::SwitchRead> OvnStore::ReadSwitchRows(std::vector<json> where, bool listing) {
  where.push_back(MarkedOurs(kSwitchMark, ""));
  std::vector<json> reads = {ovsdb::Select("Logical_Switch", where,
                                           {"_uuid", "_version", "name", "external_ids", "ports"})};
  if (listing) reads.push_back(ovsdb::Select("Logical_Switch_Port", {}, kPortColumns));
  std::vector<json> results = Read(reads);
  const json& switchRows = results.at(0).at("rows");
  if (listing) return SwitchesFrom(switchRows, results.at(1).at("rows"));
  // The ports of the few switches read, each by its UUID, in one request.
  std::vector<json> ports;
  for (const json& row : switchRows) {
    for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
      ports.push_back(ovsdb::Select("Logical_Switch_Port", {ovsdb::Condition("_uuid", "==", ref)},
                                    kPortColumns));
    }
  }
  json rows = json::array();
  if (!ports.empty()) {
    for (const json& result : Read(ports)) {
      for (const json& row : result.at("rows")) rows.push_back(row);
    }
  }
  return SwitchesFrom(switchRows, rows);
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadNamed(const std::string& name) {
  auto known = switches_.find(name);
  if (known != switches_.end()) return known->second;
  const std::vector<json> results = Read(SelectNamed(name));
  json ports = results.at(1).at("rows");
  for (const json& row : results.at(2).at("rows")) ports.push_back(row);
  std::vector<SwitchRead> read = SwitchesFrom(results.at(0).at("rows"), ports);
  std::optional<SwitchRead> sw;
  if (!read.empty()) sw = std::move(read.front());
  // A switch that cannot be read is read again when asked for, and refused.
  if (unreadable_.empty()) switches_[name] = sw;
  return sw;
}

std::map<std::string, std::optional<DVSwitchDoc>> OvnStore::ReadNamedSwitches(
    const std::vector<std::string>& names) {
  std::map<std::string, std::optional<DVSwitchDoc>> found;
  std::vector<std::string> unknown;
  std::vector<json> selects;
  for (const std::string& name : names) {
    auto known = switches_.find(name);
    if (known != switches_.end()) {
      found[name] = known->second ? std::optional<DVSwitchDoc>(known->second->doc) : std::nullopt;
      continue;
    }
    unknown.push_back(name);
    for (json& select : SelectNamed(name)) selects.push_back(std::move(select));
  }
  if (unknown.empty()) return found;
  const std::vector<json> results = Read(std::move(selects));
  for (std::size_t i = 0; i < unknown.size(); ++i) {
    json ports = results.at(3 * i + 1).at("rows");
    for (const json& row : results.at(3 * i + 2).at("rows")) ports.push_back(row);
    std::vector<SwitchRead> read = SwitchesFrom(results.at(3 * i).at("rows"), ports);
    if (!unreadable_.empty()) continue;
    std::optional<SwitchRead> sw;
    if (!read.empty()) sw = std::move(read.front());
    found[unknown[i]] = sw ? std::optional<DVSwitchDoc>(sw->doc) : std::nullopt;
    switches_[unknown[i]] = std::move(sw);
  }
  return found;
}

namespace {

json SelectPort(const std::string& switchName, const std::string& portId) {
  return ovsdb::Select("Logical_Switch_Port",
                       {ovsdb::Condition("name", "==", PortName(switchName, portId))},
                       kPortColumns);
}

}  // namespace

DVPortRow OvnStore::ReadDVPort(const std::string& switchName, const std::string& uuid,
                               const PortRead& read) {
  try {
    DVPortRow dvport = ReadPortIds(read.ids, Uplinks());
    dvport.ref = RowRef{RowKind::kDVPort, uuid};
    if (IsTrue(read.up)) dvport.binding = rows::DVPortBinding();
    return dvport;
  } catch (const QuorvicException& e) {
    // A port that lost its ID too goes by its row's UUID.
    const std::string id = Get(read.ids, "quenta:dvport-id");
    unreadable_.push_back({switchName, id.empty() ? uuid : id, e.GetMessage()});
    throw;
  }
}

void OvnStore::AddPartPort(SwitchRead& part, const json& row) {
  const std::string uuid = ovsdb::ReadUuid(row.at("_uuid"));
  PortRead read{ovsdb::ReadMap(row.at("external_ids")),
                row.value("up", json::array({"set", json::array()}))};
  // Port names are unique across switches: another switch's port, or
  // another program's, may have the name a DVPort of this one would take.
  if (Get(read.ids, kPortSwitchKey) != part.doc.row.name) {
    part.takenNames.insert(row.value("name", std::string()));
    return;
  }
  try {
    DVPortRow dvport = ReadDVPort(part.doc.row.name, uuid, read);
    auto place =
        std::find_if(part.doc.dvports.begin(), part.doc.dvports.end(), [&](const DVPortRow& p) {
          return OrderOf(part.portRows.at(p.ref.key).ids) > OrderOf(read.ids);
        });
    part.doc.dvports.insert(place, std::move(dvport));
    part.portRows[uuid] = std::move(read);
  } catch (const QuorvicException&) {
    const std::string id = Get(read.ids, "quenta:dvport-id");
    if (!id.empty()) part.unreadableListed.push_back(id);
  }
}

std::vector<json> OvnStore::SelectPart(const std::string& name,
                                       const std::vector<std::string>& portIds) {
  std::vector<json> reads = {
      ovsdb::Select("Logical_Switch",
                    {ovsdb::Condition("name", "==", name), MarkedOurs(kSwitchMark, "")},
                    {"_uuid", "_version", "name", "external_ids"}),
      SelectLocalnet(name)};
  for (const std::string& id : portIds) reads.push_back(SelectPort(name, id));
  return reads;
}

std::optional<OvnStore::SwitchRead> OvnStore::PartFrom(const std::string& name,
                                                       const std::vector<std::string>& portIds,
                                                       const json* results) {
  const json& rows = results[0].at("rows");
  if (rows.size() != 1) return std::nullopt;
  SwitchRead part;
  part.whole = false;
  part.version = rows[0].at("_version");
  part.ids = ovsdb::ReadMap(rows[0].at("external_ids"));
  // Without a current list of this host's DVPorts, or with records of
  // another format, only the whole switch tells.
  try {
    if (!CurrentHostDVPorts(part.ids, HostName()) || FormatOf(part) != hostnet::kRecordsFormat) {
      return std::nullopt;
    }
    part.doc.row = ReadSwitchIds(name, part.ids, Uplinks());
  } catch (const QuorvicException&) {
    return std::nullopt;
  }
  part.doc.row.ref = RowRef{RowKind::kDVSwitch, ovsdb::ReadUuid(rows[0].at("_uuid"))};
  unreadable_.clear();
  for (const json& row : results[1].at("rows")) {
    part.localnet =
        Localnet{ovsdb::ReadUuid(row.at("_uuid")), ovsdb::ReadMap(row.at("external_ids"))};
  }
  for (std::size_t i = 0; i < portIds.size(); ++i) {
    part.asked.insert(portIds[i]);
    for (const json& row : results[2 + i].at("rows")) AddPartPort(part, row);
  }
  return part;
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadPart(const std::string& name,
                                                       const std::string& portId) {
  auto whole = switches_.find(name);
  if (whole != switches_.end()) return whole->second;
  auto known = parts_.find(name);
  if (known != parts_.end()) {
    SwitchRead& part = known->second;
    if (!portId.empty() && part.asked.insert(portId).second) {
      const std::vector<json> results = Read({SelectPort(name, portId)});
      for (const json& row : results.at(0).at("rows")) AddPartPort(part, row);
    }
    return part;
  }
  std::vector<std::string> asked;
  if (!portId.empty()) asked.push_back(portId);
  const std::vector<json> results = Read(SelectPart(name, asked));
  if (results.at(0).at("rows").empty()) return switches_[name] = std::nullopt;
  std::optional<SwitchRead> part = PartFrom(name, asked, results.data());
  if (!part) return ReadNamed(name);
  const HostDVPorts list = *CurrentHostDVPorts(part->ids, HostName());
  std::vector<json> listed;
  for (const std::string& id : list.dvports) {
    if (part->asked.insert(id).second) listed.push_back(SelectPort(name, id));
  }
  if (!listed.empty()) {
    for (const json& result : Read(listed)) {
      for (const json& row : result.at("rows")) AddPartPort(*part, row);
    }
  }
  return parts_[name] = std::move(*part);
}

std::optional<std::string> OvnStore::NameOf(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch || ref.key.empty()) return std::nullopt;
  for (const auto& [name, sw] : switches_) {
    if (sw && sw->doc.row.ref == ref) return name;
  }
  for (const auto& [name, part] : parts_) {
    if (part.doc.row.ref == ref) return name;
  }
  // As after a change, which leaves no part behind.
  auto changed = changedNames_.find(ref.key);
  if (changed != changedNames_.end()) return changed->second;
  const std::vector<json> results = Read({ovsdb::Select(
      "Logical_Switch", {ovsdb::Condition("_uuid", "==", ovsdb::Uuid(ref.key))}, {"name"})});
  for (const json& row : results.at(0).at("rows")) return row.at("name").get<std::string>();
  return std::nullopt;
}

std::optional<DVSwitchDoc> OvnStore::FindHostDVPorts(const SwitchKey& key,
                                                     const std::string& portId) {
  std::string name = key.value;
  if (key.by == SwitchKey::By::kSwitchId) {
    auto known = namesById_.find(key.value);
    if (known == namesById_.end()) {
      // The switch's name alone: the part comes by it.
      std::vector<json> found = Read({ovsdb::Select(
          "Logical_Switch",
          {MarkedOurs(kSwitchMark, ""), MarkedOurs("quenta:switch-id", key.value)}, {"name"})});
      const json& rows = found.at(0).at("rows");
      if (rows.empty()) return std::nullopt;
      name = rows[0].at("name").get<std::string>();
    } else {
      name = known->second;
    }
  } else if (key.by != SwitchKey::By::kName || name.empty()) {
    return std::nullopt;
  }
  std::optional<SwitchRead> sw = ReadPart(name, portId);
  RefuseUnreadable("");
  if (!sw || !sw->doc.row.running) return std::nullopt;
  namesById_[sw->doc.row.switchId] = name;
  if (key.by == SwitchKey::By::kSwitchId && sw->doc.row.switchId != key.value) return std::nullopt;
  return rows::HostPart(sw->doc, portId);
}

std::optional<DVSwitchDoc> OvnStore::ReadHostDVPorts(const RowRef& ref, const std::string& portId) {
  std::optional<std::string> name = NameOf(ref);
  if (!name) return std::nullopt;
  std::optional<SwitchRead> sw = ReadPart(*name, portId);
  if (!sw || sw->doc.row.ref != ref || !sw->doc.row.running) return std::nullopt;
  return rows::HostPart(sw->doc, portId);
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadRunning(const std::string& name,
                                                          const RowRef& ref) {
  std::optional<SwitchRead> sw = ReadNamed(name);
  if (!sw || sw->doc.row.ref != ref || !sw->doc.row.running) return std::nullopt;
  return sw;
}

void OvnStore::RefuseUnreadable(const std::string& name) const {
  for (const rows::UnreadableRow& row : unreadable_) {
    if (row.dvport.empty() && (name.empty() || row.dvswitch == name)) {
      throw QuorvicException(row.problem);
    }
  }
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadByRef(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch || ref.key.empty()) return std::nullopt;
  for (const auto& [name, sw] : switches_) {
    if (sw && sw->doc.row.ref == ref) return ReadRunning(name, ref);
  }
  for (SwitchRead& sw :
       ReadSwitchRows({ovsdb::Condition("_uuid", "==", ovsdb::Uuid(ref.key))}, false)) {
    if (sw.doc.row.running) return std::move(sw);
  }
  RefuseUnreadable("");
  return std::nullopt;
}

std::optional<DVSwitchDoc> OvnStore::ReadDVSwitch(const RowRef& ref) {
  std::optional<SwitchRead> sw = ReadByRef(ref);
  if (!sw) return std::nullopt;
  return std::move(sw->doc);
}

std::optional<DVSwitchDoc> OvnStore::FindDVSwitch(const SwitchKey& key) {
  switch (key.by) {
    case SwitchKey::By::kName: {
      if (key.value.empty()) return std::nullopt;
      std::optional<SwitchRead> sw = ReadNamed(key.value);
      // Asked for by name, a switch that cannot be read is named, not
      // hidden.
      RefuseUnreadable("");
      if (!sw || !sw->doc.row.running) return std::nullopt;
      return std::move(sw->doc);
    }
    case SwitchKey::By::kSwitchId: {
      for (const auto& [name, sw] : switches_) {
        if (sw && sw->doc.row.switchId == key.value && sw->doc.row.running) return sw->doc;
      }
      // The switch's name, then the switch with its ports as by name.
      std::vector<json> found = Read({ovsdb::Select(
          "Logical_Switch",
          {MarkedOurs(kSwitchMark, ""), MarkedOurs("quenta:switch-id", key.value)}, {"name"})});
      for (const json& row : found.at(0).at("rows")) {
        std::optional<SwitchRead> sw = ReadNamed(row.at("name").get<std::string>());
        RefuseUnreadable("");
        if (sw && sw->doc.row.switchId == key.value && sw->doc.row.running) {
          return std::move(sw->doc);
        }
      }
      return std::nullopt;
    }
    case SwitchKey::By::kPortGroup:
    case SwitchKey::By::kLinkedPnic:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<SwitchRow> OvnStore::FindAnyDVSwitch(const std::string& name) {
  std::vector<json> results = Read({ovsdb::Select(
      "Logical_Switch", {ovsdb::Condition("name", "==", name)}, {"_uuid", "external_ids"})});
  std::optional<SwitchRow> found;
  for (const json& row : results.at(0).at("rows")) {
    const Ids ids = ovsdb::ReadMap(row.at("external_ids"));
    SwitchRow sw;
    sw.name = name;
    if (ids.count(kSwitchMark) == 0) {
      sw.kind = SwitchKind::kOpaque;
      if (!found) found = sw;
      continue;
    }
    // A malformed record still holds its name.
    try {
      sw = ReadSwitchIds(name, ids, Uplinks());
    } catch (const QuorvicException&) {
      sw.kind = SwitchKind::kDistributed;
    }
    sw.ref = RowRef{RowKind::kDVSwitch, ovsdb::ReadUuid(row.at("_uuid"))};
    return sw;
  }
  return found;
}

std::vector<DVSwitchDoc> OvnStore::ReadDVSwitches() {
  std::vector<DVSwitchDoc> running;
  for (SwitchRead& sw : ReadSwitchRows({}, true)) {
    if (sw.doc.row.running) running.push_back(std::move(sw.doc));
  }
  return running;
}

std::vector<DVSwitchDoc> OvnStore::ReadAll() {
  std::vector<DVSwitchDoc> all;
  for (SwitchRead& sw : ReadSwitchRows({}, true)) all.push_back(std::move(sw.doc));
  return all;
}

std::vector<OvnStore::Wiring> OvnStore::ReadWiring() {
  const std::string here = WiredKey(HostName());
  std::vector<Wiring> all;
  for (SwitchRead& sw : ReadSwitchRows({}, true)) {
    Wiring wiring{std::move(sw.doc)};
    wiring.localnet = sw.localnet.has_value();
    wiring.wiredHere = sw.localnet && sw.localnet->ids.count(here) != 0;
    if (sw.localnet && sw.localnet->ids.count(here) == 0) {
      const Ids& ids = sw.localnet->ids;
      wiring.elsewhereOnly =
          std::any_of(ids.begin(), ids.end(), [](const auto& id) { return IsWiredKey(id.first); });
    }
    all.push_back(std::move(wiring));
  }
  return all;
}

std::vector<std::string> OvnStore::ReadForeignSwitchNames() {
  std::vector<json> results = Read({ovsdb::Select(
      "Logical_Switch",
      {ovsdb::Condition("external_ids", "excludes", ovsdb::Map({{kSwitchMark, ""}}))}, {"name"})});
  std::vector<std::string> names;
  for (const json& row : results.at(0).at("rows")) names.push_back(row.at("name"));
  return names;
}

void OvnStore::NameBindings(std::vector<DVSwitchDoc>& dvswitches) {
  std::vector<std::string> bound;
  for (const DVSwitchDoc& dvs : dvswitches) {
    for (const DVPortRow& port : dvs.dvports) {
      if (port.binding) bound.push_back(PortName(dvs.row.name, port.portId));
    }
  }
  if (bound.empty()) return;
  const std::map<std::string, rows::DVPortBinding> named = chassis_.Bindings(bound);
  for (DVSwitchDoc& dvs : dvswitches) {
    for (DVPortRow& port : dvs.dvports) {
      auto found = named.find(PortName(dvs.row.name, port.portId));
      if (port.binding && found != named.end()) port.binding = found->second;
    }
  }
}

std::vector<std::string> OvnStore::SilentMembers() { return LeaderLink(settings_).ProbeMembers(); }

}  // namespace ovn
