#include "backends/ovn/dv_rows.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "backends/rows/chassis.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace ovn {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

std::string Get(const Ids& ids, const std::string& key) {
  auto found = ids.find(key);
  return found == ids.end() ? std::string() : found->second;
}

// The number under key, or fallback when there is none.
template <typename Number>
Number GetNumber(const Ids& ids, const std::string& key, Number fallback) {
  std::string text = Get(ids, key);
  if (text.empty()) return fallback;
  try {
    std::size_t used = 0;
    long long value = std::stoll(text, &used);
    if (used == text.size()) return static_cast<Number>(value);
  } catch (const std::logic_error&) {
  }
  throw QuorvicException("external_ids " + key + " holds " + text + ", not a number");
}

json GetJson(const Ids& ids, const std::string& key, json fallback) {
  std::string text = Get(ids, key);
  if (text.empty()) return fallback;
  try {
    return json::parse(text);
  } catch (const json::exception&) {
    throw QuorvicException("external_ids " + key + " holds " + text + ", not JSON");
  }
}

std::vector<std::string> GetList(const Ids& ids, const std::string& key) {
  json list = GetJson(ids, key, json::array());
  try {
    return list.get<std::vector<std::string>>();
  } catch (const json::exception&) {
    throw QuorvicException("external_ids " + key + " holds " + list.dump() +
                           ", not a list of names");
  }
}

// host's uplinks on a row: under its own key; on a row without one, those
// of the key every host shared that name its pnics.
std::vector<std::string> HostUplinks(const Ids& ids, const UplinkHost& host) {
  const std::string own = UplinksKey(host.name);
  if (ids.count(own) != 0 || ids.count(kSharedUplinksKey) == 0) return GetList(ids, own);
  std::vector<std::string> uplinks = GetList(ids, kSharedUplinksKey);
  if (!host.pnics) return uplinks;
  const std::vector<std::string> pnics = host.pnics();
  uplinks.erase(std::remove_if(uplinks.begin(), uplinks.end(),
                               [&](const std::string& pnic) {
                                 return std::find(pnics.begin(), pnics.end(), pnic) == pnics.end();
                               }),
                uplinks.end());
  return uplinks;
}

}  // namespace

Ids SwitchIds(const SwitchRow& row, int64_t created, int64_t generation, const std::string& host) {
  const EnsState& ens = row.ens;
  return {{kSwitchMark, ""},
          {kFormatKey, hostnet::FormatMark()},
          {"quenta:uuid", row.uuid},
          {"quenta:dvs-name", row.dvsName},
          {"quenta:switch-id", row.switchId},
          {"quenta:class", row.implClass},
          {"quenta:version", std::to_string(row.version)},
          {"quenta:num-ports", std::to_string(row.numPorts)},
          {"quenta:used-ports", std::to_string(row.usedPorts)},
          {"quenta:configured-ports", std::to_string(row.configuredPorts)},
          {"quenta:mtu", std::to_string(row.mtu)},
          {"quenta:running", row.running ? "true" : "false"},
          {UplinksKey(host), json(row.uplinks).dump()},
          {"quenta:ens", json{{"active", ens.active},
                              {"interrupt", ens.interrupt},
                              {"fastSwitch", ens.fastSwitch},
                              {"reassociations", ens.reassociations},
                              {"forcedReassociations", ens.forcedReassociations}}
                             .dump()},
          {"quenta:created", std::to_string(created)},
          {"quenta:generation", std::to_string(generation)}};
}

SwitchRow ReadSwitchIds(const std::string& name, const Ids& ids, const UplinkHost& host) {
  try {
    SwitchRow row;
    row.kind = SwitchKind::kDistributed;
    row.name = name;
    row.uuid = Get(ids, "quenta:uuid");
    row.dvsName = Get(ids, "quenta:dvs-name");
    row.switchId = Get(ids, "quenta:switch-id");
    row.implClass = Get(ids, "quenta:class");
    row.version = GetNumber<uint32_t>(ids, "quenta:version", 0);
    row.numPorts = GetNumber<uint32_t>(ids, "quenta:num-ports", 0);
    row.usedPorts = GetNumber<uint32_t>(ids, "quenta:used-ports", 0);
    row.configuredPorts = GetNumber<uint32_t>(ids, "quenta:configured-ports", 0);
    row.mtu = GetNumber<uint32_t>(ids, "quenta:mtu", row.mtu);
    row.running = Get(ids, "quenta:running") != "false";
    row.uplinks = HostUplinks(ids, host);
    json ens = GetJson(ids, "quenta:ens", json::object());
    row.ens.active = ens.value("active", false);
    row.ens.interrupt = ens.value("interrupt", false);
    row.ens.fastSwitch = ens.value("fastSwitch", false);
    row.ens.reassociations = ens.value("reassociations", 0u);
    row.ens.forcedReassociations = ens.value("forcedReassociations", 0u);
    CreatedOf(ids);
    GenerationOf(ids);
    return row;
  } catch (const json::exception& e) {
    throw QuorvicException("logical switch " + name + ": quenta:ens is malformed: " + e.what());
  } catch (const QuorvicException& e) {
    throw QuorvicException("logical switch " + name + ": " + e.GetMessage());
  }
}

int64_t CreatedOf(const Ids& ids) { return GetNumber<int64_t>(ids, "quenta:created", 0); }

int64_t GenerationOf(const Ids& ids) { return GetNumber<int64_t>(ids, "quenta:generation", 0); }

std::string HostDVPortsKey(const std::string& host) { return "quenta:host-dvports:" + host; }

std::string HostDVPortsValue(const HostDVPorts& list) {
  return json{{"generation", list.generation}, {"changes", list.changes}, {"dvports", list.dvports}}
      .dump();
}

std::optional<HostDVPorts> CurrentHostDVPorts(const Ids& ids, const std::string& host) {
  // Unreadable or stale, the list is only not used: the DVPorts say it all.
  try {
    // A host that never changed the switch has no uplinks on it, nor a key
    // of its own.
    if (ids.count(HostDVPortsKey(host)) == 0 && ids.count(UplinksKey(host)) == 0 &&
        ids.count(kSharedUplinksKey) == 0) {
      return HostDVPorts{GenerationOf(ids), 0, {}};
    }
    const json value = GetJson(ids, HostDVPortsKey(host), json());
    if (!value.is_object()) return std::nullopt;
    HostDVPorts list;
    list.generation = value.at("generation").get<int64_t>();
    list.changes = value.at("changes").get<int64_t>();
    list.dvports = value.at("dvports").get<std::vector<std::string>>();
    if (list.generation != GenerationOf(ids)) return std::nullopt;
    return list;
  } catch (const json::exception&) {
  } catch (const QuorvicException&) {
  }
  return std::nullopt;
}

std::string PortName(const std::string& switchName, const std::string& portId) {
  return switchName + "/" + portId;
}

Ids PortIds(const std::string& switchName, const DVPortRow& port, std::size_t order,
            const std::string& host) {
  return {{kPortSwitchKey, switchName},
          {"quenta:dvport-id", port.portId},
          {"quenta:order", std::to_string(order)},
          {"quenta:clients", json(port.clients).dump()},
          {"quenta:connection-id", std::to_string(port.connectionId)},
          {UplinksKey(host), json(port.uplinks).dump()},
          {"quenta:test-events", std::to_string(port.testEvents)}};
}

DVPortRow ReadPortIds(const Ids& ids, const UplinkHost& host) {
  DVPortRow port;
  port.portId = Get(ids, "quenta:dvport-id");
  try {
    port.clients = GetList(ids, "quenta:clients");
    port.connectionId = GetNumber<uint32_t>(ids, "quenta:connection-id", 0);
    port.uplinks = HostUplinks(ids, host);
    port.testEvents = GetNumber<uint32_t>(ids, "quenta:test-events", 0);
    OrderOf(ids);
  } catch (const QuorvicException& e) {
    throw QuorvicException("logical switch port " +
                           PortName(Get(ids, kPortSwitchKey), port.portId) + ": " + e.GetMessage());
  }
  return port;
}

std::size_t OrderOf(const Ids& ids) { return GetNumber<std::size_t>(ids, "quenta:order", 0); }

std::string UplinksKey(const std::string& host) { return "quenta:uplinks:" + host; }

namespace {
constexpr const char* kWiredPrefix = "quenta:wired:";
}  // namespace

std::string WiredKey(const std::string& host) { return kWiredPrefix + host; }

bool IsWiredKey(const std::string& key) { return key.rfind(kWiredPrefix, 0) == 0; }

// Short, the same everywhere, and free of the ':' and ',' that bridge
// mappings use as separators, whatever the switch is named.
std::string NetworkName(const std::string& switchName) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(rows::StableHash(switchName)));
  return std::string("quenta-") + text;
}

}  // namespace ovn
