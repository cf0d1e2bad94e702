#include "backends/ovs/ovs_chassis.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <utility>

#include "backends/ovs/bridge_mappings.h"
#include "backends/ovs/ovs_keys.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/stream.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;

namespace {

constexpr const char* kMappingsKey = "ovn-bridge-mappings";
constexpr const char* kNetworkKey = "quenta:dvs-network";
// What Geneve adds to every frame between hosts (outer Ethernet, IP, UDP and
// Geneve headers with OVN's option).
constexpr uint32_t kGeneveOverhead = 58;

std::vector<json> WhereName(const std::string& name) { return {Condition("name", "==", name)}; }
std::vector<json> WhereUuid(const std::string& uuid) {
  return {Condition("_uuid", "==", ovsdb::Uuid(uuid))};
}

std::string Get(const std::map<std::string, std::string>& ids, const std::string& key) {
  auto found = ids.find(key);
  return found == ids.end() ? std::string() : found->second;
}

// The name of the network interface of this namespace that holds address.
std::optional<std::string> InterfaceWithAddress(const std::string& address) {
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return std::nullopt;
  std::optional<std::string> found;
  for (ifaddrs* ifa = all; ifa != nullptr && !found; ifa = ifa->ifa_next) {
    if (ifa->ifa_addr == nullptr) continue;
    char text[INET6_ADDRSTRLEN] = "";
    if (ifa->ifa_addr->sa_family == AF_INET) {
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(ifa->ifa_addr)->sin_addr, text,
                sizeof text);
    } else if (ifa->ifa_addr->sa_family == AF_INET6) {
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(ifa->ifa_addr)->sin6_addr, text,
                sizeof text);
    }
    if (address == text) found = ifa->ifa_name;
  }
  freeifaddrs(all);
  return found;
}

}  // namespace

OvsChassis::OvsChassis(OvsSettings settings) : connection_(std::move(settings)) {}

std::vector<json> OvsChassis::Read(std::vector<json> operations) {
  return connection_.Read(std::move(operations));
}

std::pair<std::string, std::map<std::string, std::string>> OvsChassis::ReadRoot() {
  const json rows = Read({ovsdb::Select(kDatabase, {}, {"_uuid", "external_ids"})}).at(0).at("rows");
  if (rows.empty()) throw QuorvicException("Open vSwitch at " + connection_.Settings().remote + " has no root row");
  return {ovsdb::ReadUuid(rows[0].at("_uuid")), ovsdb::ReadMap(rows[0].at("external_ids"))};
}

std::string OvsChassis::Name() {
  std::string name = Get(ReadRoot().second, "system-id");
  if (!name.empty()) return name;
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  return host;
}

std::vector<std::string> OvsChassis::WiringBridges() {
  std::vector<std::string> names;
  const std::vector<json> bridges = Read({ovsdb::Select("Bridge", {}, {"name", "external_ids"})});
  for (const json& row : bridges.at(0).at("rows")) {
    if (ovsdb::ReadMap(row.at("external_ids")).count(kNetworkKey) != 0) {
      names.push_back(row.at("name"));
    }
  }
  return names;
}

std::optional<rows::Tunnel> OvsChassis::ReadTunnel() {
  std::string address = Get(ReadRoot().second, "ovn-encap-ip");
  address = address.substr(0, address.find(','));
  if (address.empty()) return std::nullopt;
  std::optional<std::string> underlay = InterfaceWithAddress(address);
  if (!underlay) return std::nullopt;
  std::ifstream in("/sys/class/net/" + *underlay + "/mtu");
  uint32_t mtu = 0;
  if (!(in >> mtu)) return std::nullopt;
  return rows::Tunnel{*underlay, mtu, kGeneveOverhead};
}

bool OvsChassis::Commit(const GuardedChange& change) {
  GuardedChange sent = change;
  sent.Add(ovsdb::Mutate(kDatabase, {}, {ovsdb::Mutation("next_cfg", "+=", 1)}));
  const std::size_t nextCfg = sent.Add(ovsdb::Select(kDatabase, {}, {"next_cfg"}));
  ovsdb::Client::Outcome outcome = connection_.Client().TryTransact(kDatabase, sent.Operations());
  if (!sent.Judge(outcome)) return false;
  const OvsSettings& settings = connection_.Settings();
  if (settings.applyWait.count() == 0) return true;
  const int64_t target = outcome.results.at(nextCfg).at("rows").at(0).at("next_cfg");
  if (connection_.AwaitApplied(target, std::chrono::steady_clock::now() + settings.applyWait)) {
    return true;
  }
  throw QuorvicException(change.What() +
                         ": the database holds the change, but ovs-vswitchd did not apply it "
                         "within " +
                         ovsdb::DescribeTimeout(settings.applyWait) +
                         " (is it running? `systemctl start openvswitch-switch` starts it)");
}

std::string OvsChassis::Refusal(const std::string& interface) {
  const json rows =
      Read({ovsdb::Select("Interface", WhereName(interface), {"error", "ofport"})}).at(0).at("rows");
  if (rows.empty()) return "it is gone";
  const json& error = rows[0].at("error");
  if (error.is_string() && !error.get<std::string>().empty()) return error;
  const json& ofport = rows[0].at("ofport");
  if (ofport.is_number() && ofport.get<int64_t>() < 0) return "it has no port number";
  return "";
}

void OvsChassis::Wire(const std::string& network, const std::vector<std::string>& pnics) {
  const std::string bridge = BridgeNameFor(network);
  const std::string uplinkPort = bridge + "-uplink";
  std::vector<std::string> joining, was;
  auto build = [&](GuardedChange& change) {
    joining.clear();
    was.clear();
    auto [rootUuid, rootIds] = ReadRoot();
    change.Guard(kDatabase, rootUuid, {{"external_ids", ovsdb::Map(rootIds)}});
    const std::vector<json> found =
        Read({ovsdb::Select("Bridge", WhereName(bridge), {"_uuid", "ports", "external_ids"}),
              ovsdb::Select("Port", WhereName(uplinkPort), {"_uuid", "interfaces"})});
    const json& bridgeRows = found.at(0).at("rows");
    const json& portRows = found.at(1).at("rows");
    if (!bridgeRows.empty() &&
        Get(ovsdb::ReadMap(bridgeRows[0].at("external_ids")), kNetworkKey) != network) {
      throw QuorvicException("bridge " + bridge + " exists, and does not lead to network " +
                             network + " as this host's bridge for it would");
    }
    // The pnics the bridge holds now, by name.
    std::map<std::string, json> held;
    if (!portRows.empty()) {
      std::vector<json> reads;
      for (const json& ref : ovsdb::ReadSet(portRows[0].at("interfaces"))) {
        reads.push_back(ovsdb::Select("Interface", {Condition("_uuid", "==", ref)}, {"_uuid", "name"}));
      }
      for (const json& result : Read(reads)) {
        for (const json& row : result.at("rows")) held[row.at("name")] = row.at("_uuid");
      }
      change.Guard("Port", ovsdb::ReadUuid(portRows[0].at("_uuid")),
                   {{"interfaces", portRows[0].at("interfaces")}});
    }
    for (const auto& [name, uuid] : held) was.push_back(name);
    std::vector<json> leaving;
    for (const auto& [name, uuid] : held) {
      if (std::find(pnics.begin(), pnics.end(), name) == pnics.end()) leaving.push_back(uuid);
    }
    for (const std::string& pnic : pnics) {
      if (held.count(pnic) == 0) joining.push_back(pnic);
    }
    if (!joining.empty()) {
      std::vector<json> reads;
      for (const std::string& pnic : joining) {
        reads.push_back(ovsdb::Select("Interface", WhereName(pnic), {"_uuid"}));
      }
      std::vector<json> results = Read(reads);
      for (std::size_t i = 0; i < joining.size(); ++i) {
        if (!results.at(i).at("rows").empty()) {
          throw QuorvicException("pnic " + joining[i] +
                                 " is an interface of another bridge of Open vSwitch already");
        }
      }
    }
    const std::string mappings = Get(rootIds, kMappingsKey);
    const std::string mapped = SetBridgeMapping(mappings, network, pnics.empty() ? "" : bridge);
    if (mapped != mappings) {
      std::vector<json> ops = {ovsdb::Mutation("external_ids", "delete", ovsdb::Set({json(kMappingsKey)}))};
      if (!mapped.empty()) {
        ops.push_back(ovsdb::Mutation("external_ids", "insert", ovsdb::Map({{kMappingsKey, mapped}})));
      }
      change.Add(ovsdb::Mutate(kDatabase, WhereUuid(rootUuid), ops));
    }
    if (pnics.empty()) {
      if (!bridgeRows.empty()) {
        change.Add(ovsdb::Mutate(kDatabase, WhereUuid(rootUuid),
                                 {ovsdb::Mutation("bridges", "delete",
                                                  ovsdb::Set({bridgeRows[0].at("_uuid")}))}));
      }
      return;
    }
    std::vector<json> added;
    for (const std::string& pnic : joining) {
      json interface = {{"name", pnic}};
      if (connection_.Settings().datapathType == "dummy") interface["type"] = "dummy";
      std::string row = change.NewRowName();
      change.Add(ovsdb::Insert("Interface", interface, row));
      added.push_back(ovsdb::NamedUuid(row));
    }
    const json bondMode = pnics.size() > 1 ? ovsdb::Set({json("active-backup")}) : ovsdb::Set({});
    if (!portRows.empty()) {
      const json port = portRows[0].at("_uuid");
      // A Port holds one interface at least at every step.
      change.Add(ovsdb::Mutate("Port", {Condition("_uuid", "==", port)},
                               {ovsdb::Mutation("interfaces", "insert", ovsdb::Set(added)),
                                ovsdb::Mutation("interfaces", "delete", ovsdb::Set(leaving))}));
      change.Add(ovsdb::Update("Port", {Condition("_uuid", "==", port)}, {{"bond_mode", bondMode}}));
      return;
    }
    change.Add(ovsdb::Insert("Port",
                             {{"name", uplinkPort},
                              {"interfaces", ovsdb::Set(added)},
                              {"bond_mode", bondMode}},
                             "uplink"));
    if (!bridgeRows.empty()) {
      change.Add(ovsdb::Mutate("Bridge", WhereName(bridge),
                               {ovsdb::Mutation("ports", "insert",
                                                ovsdb::Set({ovsdb::NamedUuid("uplink")}))}));
      return;
    }
    change.GuardAbsent("Bridge", WhereName(bridge), "a bridge named " + bridge + " already exists");
    change.Add(ovsdb::Insert("Interface", {{"name", bridge}, {"type", "internal"}}, "own"));
    change.Add(ovsdb::Insert(
        "Port", {{"name", bridge}, {"interfaces", ovsdb::Set({ovsdb::NamedUuid("own")})}}, "local"));
    change.Add(ovsdb::Insert(
        "Bridge",
        {{"name", bridge},
         {"datapath_type", connection_.Settings().datapathType},
         {"ports", ovsdb::Set({ovsdb::NamedUuid("local"), ovsdb::NamedUuid("uplink")})},
         {"external_ids", ovsdb::Map({{kNetworkKey, network}})}},
        "bridge"));
    change.Add(ovsdb::Mutate(kDatabase, WhereUuid(rootUuid),
                             {ovsdb::Mutation("bridges", "insert",
                                              ovsdb::Set({ovsdb::NamedUuid("bridge")}))}));
  };
  ovsdb::RunGuarded("wiring bridge " + bridge + " of network " + network, build,
                    [&](const GuardedChange& change) { return Commit(change); });
  for (const std::string& pnic : joining) {
    std::string refusal = Refusal(pnic);
    if (refusal.empty()) continue;
    Wire(network, was);
    throw QuorvicException("pnic " + pnic + " cannot join bridge " + bridge + ": " + refusal +
                           "; it was taken out again");
  }
}

}  // namespace ovs_host
