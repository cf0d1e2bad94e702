#include <algorithm>
#include <tuple>

#include "backends/ovn/ovn_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

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

}  // namespace

OvnStore::OvnStore(OvnSettings settings, rows::Chassis& chassis,
                   std::function<std::vector<std::string>()> pnics)
    : link_(std::move(settings)), chassis_(chassis), pnics_(std::move(pnics)) {}

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

std::vector<OvnStore::SwitchRead> OvnStore::ReadSwitchRows(std::vector<json> where,
                                                           bool listing) {
  const UplinkHost host = Uplinks();
  unreadable_.clear();
  where.push_back(MarkedOurs(kSwitchMark, ""));
  std::vector<json> reads = {ovsdb::Select("Logical_Switch", where,
                                           {"_uuid", "_version", "name", "external_ids", "ports"})};
  if (listing) reads.push_back(ovsdb::Select("Logical_Switch_Port", {}, {"_uuid", "external_ids"}));
  std::vector<json> results = link_.Read(reads);
  const json& switchRows = results.at(0).at("rows");
  if (!listing) {
    // The ports of the few switches read, each by its UUID, in one request.
    std::vector<json> ports;
    for (const json& row : switchRows) {
      for (const json& ref : ovsdb::ReadSet(row.at("ports"))) {
        ports.push_back(ovsdb::Select("Logical_Switch_Port",
                                      {ovsdb::Condition("_uuid", "==", ref)},
                                      {"_uuid", "external_ids"}));
      }
    }
    json rows = json::array();
    if (!ports.empty()) {
      for (const json& result : link_.Read(ports)) {
        for (const json& row : result.at("rows")) rows.push_back(row);
      }
    }
    results.push_back({{"rows", rows}});
  }
  std::map<std::string, Ids> portIds;
  for (const json& row : results.at(1).at("rows")) {
    portIds[ovsdb::ReadUuid(row.at("_uuid"))] = ovsdb::ReadMap(row.at("external_ids"));
  }
  std::vector<SwitchRead> switches;
  for (const json& row : switchRows) {
    const std::string name = row.at("name").get<std::string>();
    SwitchRead sw;
    sw.version = row.at("_version");
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
      if (port == portIds.end()) continue;
      const Ids& ids = port->second;
      if (ids.count(kLocalnetMark) != 0) {
        sw.localnet = Localnet{port->first, ids};
        continue;
      }
      if (ids.count(kPortSwitchKey) == 0) {
        ++sw.foreignPorts;
        continue;
      }
      try {
        DVPortRow dvport = ReadPortIds(ids, host);
        dvport.ref = RowRef{RowKind::kDVPort, port->first};
        ports.emplace_back(OrderOf(ids), std::move(dvport));
      } catch (const QuorvicException& e) {
        // A port that lost its ID too goes by its row's UUID.
        std::string id = Get(ids, "quenta:dvport-id");
        unreadable_.push_back({name, id.empty() ? port->first : id, e.GetMessage()});
      }
    }
    std::stable_sort(ports.begin(), ports.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& port : ports) sw.doc.dvports.push_back(std::move(port.second));
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

void OvnStore::RefuseUnreadable(const std::string& name) const {
  for (const rows::UnreadableRow& row : unreadable_) {
    if (row.dvport.empty() && (name.empty() || row.dvswitch == name)) {
      throw QuorvicException(row.problem);
    }
  }
}

std::optional<OvnStore::SwitchRead> OvnStore::ReadByRef(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch || ref.key.empty()) return std::nullopt;
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
  std::vector<json> where;
  switch (key.by) {
    case SwitchKey::By::kName:
      if (key.value.empty()) return std::nullopt;
      where = {ovsdb::Condition("name", "==", key.value)};
      break;
    case SwitchKey::By::kSwitchId:
      where = {MarkedOurs("quenta:switch-id", key.value)};
      break;
    case SwitchKey::By::kPortGroup:
    case SwitchKey::By::kLinkedPnic:
      return std::nullopt;
  }
  for (SwitchRead& sw : ReadSwitchRows(std::move(where), false)) {
    if (sw.doc.row.running) return std::move(sw.doc);
  }
  // Asked for by name or id, a switch that cannot be read is named, not
  // hidden.
  RefuseUnreadable("");
  return std::nullopt;
}

std::optional<SwitchRow> OvnStore::FindAnyDVSwitch(const std::string& name) {
  std::vector<json> results = link_.Read({ovsdb::Select(
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
  std::vector<json> results = link_.Read({ovsdb::Select(
      "Logical_Switch",
      {ovsdb::Condition("external_ids", "excludes", ovsdb::Map({{kSwitchMark, ""}}))},
      {"name"})});
  std::vector<std::string> names;
  for (const json& row : results.at(0).at("rows")) names.push_back(row.at("name"));
  return names;
}

}  // namespace ovn
