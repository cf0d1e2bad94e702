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
#include "backends/ovs/ovs_pnics.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/stream.h"
#include "backends/ovsdb/values.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;

namespace {

constexpr const char* kMappingsKey = "ovn-bridge-mappings";
// The networks of DVSwitches are named so (ovn/dv_rows.h).
constexpr const char* kNetworkPrefix = "quenta-";
constexpr const char* kSouthbound = "OVN_Southbound";
// How long each member of the southbound database may take to connect and
// answer: a listing does not wait long for names.
constexpr std::chrono::milliseconds kSouthboundBudget{1000};
// What Geneve adds to every frame between hosts (outer Ethernet, IP, UDP and
// Geneve headers with OVN's option).
constexpr uint32_t kGeneveOverhead = 58;

std::vector<json> WhereName(const std::string& name) { return {Condition("name", "==", name)}; }
std::vector<json> WhereUuid(const std::string& uuid) {
  return {Condition("_uuid", "==", ovsdb::Uuid(uuid))};
}

// What Wire reads: the bridge, its uplink port, and the interface of each
// pnic, in that order.
std::vector<json> WiringReads(const std::string& bridge, const std::vector<std::string>& pnics) {
  std::vector<json> reads = {
      ovsdb::Select("Bridge", WhereName(bridge), {"_uuid", "ports", "external_ids"}),
      ovsdb::Select("Port", WhereName(bridge + "-uplink"), {"_uuid", "interfaces"})};
  for (const std::string& pnic : pnics) {
    reads.push_back(ovsdb::Select("Interface", WhereName(pnic), {"_uuid"}));
  }
  return reads;
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

std::string OvsChassis::Name() {
  std::string name = Get(session_.Root().externalIds, "system-id");
  if (!name.empty()) return name;
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  return host;
}

std::vector<rows::WiringRead> OvsChassis::ReadWiring() {
  std::vector<rows::WiringRead> wiring;
  // Every bridge is read: those of builds of format 2 name their network
  // without the role, and OVSDB selects no row by a key alone.
  const std::vector<json> bridges =
      session_.Read({ovsdb::Select("Bridge", {}, {"name", "external_ids"})});
  for (const json& row : bridges.at(0).at("rows")) {
    const Ids ids = ovsdb::ReadMap(row.at("external_ids"));
    if (Get(ids, kNetworkKey).empty()) continue;
    wiring.push_back({Get(ids, kNetworkKey), row.at("name"), Get(ids, kWiredDVSwitchKey)});
  }
  for (const auto& [network, bridge] :
       MappingEntries(Get(session_.Root().externalIds, kMappingsKey))) {
    if (network.rfind(kNetworkPrefix, 0) != 0) continue;
    const bool known = std::any_of(wiring.begin(), wiring.end(), [&](const rows::WiringRead& w) {
      return w.network == network && w.bridge == bridge;
    });
    if (!known) wiring.push_back({network, "", ""});
  }
  return wiring;
}

bool OvsChassis::MayBeWiredBeyond(const std::string& network) {
  for (const auto& [mapped, bridge] :
       MappingEntries(Get(session_.Root().externalIds, kMappingsKey))) {
    if (mapped.rfind(kNetworkPrefix, 0) == 0 && mapped != network) return true;
  }
  return false;
}

std::optional<std::string> OvsChassis::DVSwitchHolding(const std::string& pnic) {
  for (const rows::WiringRead& wiring : ReadWiring()) {
    if (wiring.bridge.empty()) continue;
    const std::vector<json> found =
        session_.Read({ovsdb::Select("Port", WhereName(wiring.bridge + "-uplink"), {"interfaces"}),
                       ovsdb::Select("Interface", WhereName(pnic), {"_uuid"})});
    const json& port = found.at(0).at("rows");
    const json& interface = found.at(1).at("rows");
    if (port.empty() || interface.empty()) continue;
    const std::vector<json> held = ovsdb::ReadSet(port[0].at("interfaces"));
    if (std::find(held.begin(), held.end(), interface[0].at("_uuid")) != held.end()) {
      return wiring.dvswitch;
    }
  }
  return std::nullopt;
}

std::map<std::string, rows::DVPortBinding> OvsChassis::Bindings(
    const std::vector<std::string>& ports) {
  std::map<std::string, rows::DVPortBinding> bindings;
  if (ports.empty()) return bindings;
  // This host's VMs first: their interfaces name the ports they are bound to.
  std::vector<json> selects;
  for (const std::string& port : ports) {
    selects.push_back(ovsdb::Select(
        "Interface", {Condition("external_ids", "includes", ovsdb::Map({{"iface-id", port}}))},
        {"name"}));
  }
  std::vector<std::string> elsewhere;
  const std::vector<json> local = session_.Read(std::move(selects));
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const json& rows = local.at(i).at("rows");
    if (rows.empty()) {
      elsewhere.push_back(ports[i]);
    } else {
      bindings[ports[i]] = {Name(), rows[0].at("name")};
    }
  }
  if (elsewhere.empty()) return bindings;
  selects.clear();
  for (const std::string& port : elsewhere) {
    selects.push_back(ovsdb::Select("Port_Binding", {Condition("logical_port", "==", port)},
                                    {"logical_port", "chassis"}));
  }
  selects.push_back(ovsdb::Select("Chassis", {}, {"_uuid", "name"}));
  // With no member answering, the hosts stay unnamed.
  const std::optional<std::vector<json>> found = AskSouthbound(selects);
  if (!found) return bindings;
  std::map<json, std::string> chassis;
  for (const json& row : found->back().at("rows")) chassis[row.at("_uuid")] = row.at("name");
  for (std::size_t i = 0; i < elsewhere.size(); ++i) {
    for (const json& row : found->at(i).at("rows")) {
      const std::vector<json> bound = ovsdb::ReadSet(row.at("chassis"));
      if (!bound.empty() && chassis.count(bound[0]) != 0) {
        bindings[elsewhere[i]] = {chassis[bound[0]], ""};
      }
    }
  }
  return bindings;
}

std::optional<std::vector<json>> OvsChassis::AskSouthbound(const std::vector<json>& selects) {
  if (southbound_) {
    try {
      return southbound_->Transact(kSouthbound, selects);
    } catch (const QuorvicException&) {
      // The member went away: another may answer.
      southbound_.reset();
    }
  }
  for (const std::string& remote : CommaMembers(Get(session_.Root().externalIds, "ovn-remote"))) {
    try {
      auto client =
          std::make_unique<ovsdb::Client>(remote, kSouthboundBudget, session_.Settings().peer);
      std::vector<json> found = client->Transact(kSouthbound, selects);
      southbound_ = std::move(client);
      return found;
    } catch (const QuorvicException&) {
      // The next member may answer.
    }
  }
  return std::nullopt;
}

std::optional<rows::Tunnel> OvsChassis::ReadTunnel() {
  const std::vector<std::string> addresses =
      CommaMembers(Get(session_.Root().externalIds, "ovn-encap-ip"));
  if (addresses.empty()) return std::nullopt;
  std::optional<std::string> underlay = InterfaceWithAddress(addresses[0]);
  if (!underlay) return std::nullopt;
  std::ifstream in("/sys/class/net/" + *underlay + "/mtu");
  uint32_t mtu = 0;
  if (!(in >> mtu)) return std::nullopt;
  return rows::Tunnel{*underlay, mtu, kGeneveOverhead};
}

void OvsChassis::ExpectWiring(const std::string& network) {
  if (pending_ == network || (expected_ && expected_->network == network)) return;
  const OvsSettings& settings = session_.Settings();
  std::vector<std::string> pnics =
      settings.pnics ? *settings.pnics : DiscoverPnics("/sys/class/net");
  expected_.reset();
  pending_ = network;
  session_.ReadAlong(WiringReads(BridgeNameFor(network), pnics),
                     [this, network, pnics](std::vector<json> found) {
                       expected_ = Expected{network, pnics, std::move(found)};
                       pending_.clear();
                     });
}

std::vector<json> OvsChassis::ReadWiringRows(const std::string& network, const std::string& bridge,
                                             const std::vector<std::string>& pnics) {
  // The lookup that was to carry them was answered from what the run read
  // before: they go alone.
  if (pending_ == network) session_.Read({});
  pending_.clear();
  std::optional<Expected> expected = std::exchange(expected_, std::nullopt);
  if (expected && expected->network == network) {
    std::vector<json> found = {expected->found.at(0), expected->found.at(1)};
    for (const std::string& pnic : pnics) {
      auto at = std::find(expected->pnics.begin(), expected->pnics.end(), pnic);
      if (at == expected->pnics.end()) return session_.Read(WiringReads(bridge, pnics));
      found.push_back(
          expected->found.at(2 + static_cast<std::size_t>(at - expected->pnics.begin())));
    }
    return found;
  }
  return session_.Read(WiringReads(bridge, pnics));
}

void OvsChassis::Wire(const std::string& network, const std::string& dvswitch,
                      const std::vector<std::string>& pnics) {
  const OvsSettings& settings = session_.Settings();
  const std::string bridge = BridgeNameFor(network);
  const std::string uplinkPort = bridge + "-uplink";
  std::vector<std::string> joining;
  std::vector<json> held;  // the interfaces the uplink port holds
  auto build = [&](GuardedChange& change) {
    joining.clear();
    held.clear();
    const RootRow& root = session_.Root();
    const std::vector<json> found = ReadWiringRows(network, bridge, pnics);
    const json& bridgeRows = found.at(0).at("rows");
    const json& portRows = found.at(1).at("rows");
    const Ids ids = {
        {kRoleKey, kRoleDVSUplinks}, {kNetworkKey, network}, {kWiredDVSwitchKey, dvswitch}};
    if (!bridgeRows.empty()) {
      const Ids had = ovsdb::ReadMap(bridgeRows[0].at("external_ids"));
      if (Get(had, kNetworkKey) != network) {
        throw QuorvicException("bridge " + bridge + " exists, and does not lead to network " +
                               network + " as this host's bridge for it would");
      }
      // A bridge made before it said which DVSwitch it serves says so now.
      if (!pnics.empty() &&
          (Get(had, kRoleKey) != kRoleDVSUplinks || Get(had, kWiredDVSwitchKey) != dvswitch)) {
        std::vector<json> keys = {json(kRoleKey), json(kWiredDVSwitchKey)};
        change.Add(ovsdb::Mutate("Bridge", WhereName(bridge),
                                 {ovsdb::Mutation("external_ids", "delete", ovsdb::Set(keys)),
                                  ovsdb::Mutation("external_ids", "insert",
                                                  ovsdb::Map({{kRoleKey, kRoleDVSUplinks},
                                                              {kWiredDVSwitchKey, dvswitch}}))}));
      }
    }
    if (!portRows.empty()) {
      held = ovsdb::ReadSet(portRows[0].at("interfaces"));
      change.Guard("Port", ovsdb::ReadUuid(portRows[0].at("_uuid")),
                   {{"interfaces", portRows[0].at("interfaces")}});
    }
    std::vector<json> staying;
    for (std::size_t i = 0; i < pnics.size(); ++i) {
      const json& rows = found.at(2 + i).at("rows");
      if (rows.empty()) {
        joining.push_back(pnics[i]);
        // Another run may make it meanwhile: then this is built again.
        change.Assume("Interface", WhereName(pnics[i]));
        continue;
      }
      if (std::find(held.begin(), held.end(), rows[0].at("_uuid")) == held.end()) {
        throw QuorvicException("pnic " + pnics[i] +
                               " is an interface of another bridge of Open vSwitch already");
      }
      staying.push_back(rows[0].at("_uuid"));
    }
    std::vector<json> leaving;
    for (const json& uuid : held) {
      if (std::find(staying.begin(), staying.end(), uuid) == staying.end()) leaving.push_back(uuid);
    }
    // The mappings are merged with others' entries: the change commits only
    // when they are as read, or, where there were none, as it leaves them.
    const std::string mappings = Get(root.externalIds, kMappingsKey);
    const std::string mapped = SetBridgeMapping(mappings, network, pnics.empty() ? "" : bridge);
    if (mapped != mappings) {
      std::vector<json> ops;
      if (!mappings.empty()) {
        change.GuardPairs(kDatabase, root.uuid, "external_ids", {{kMappingsKey, mappings}});
        ops.push_back(ovsdb::Mutation("external_ids", "delete", ovsdb::Set({json(kMappingsKey)})));
      }
      if (!mapped.empty()) {
        ops.push_back(
            ovsdb::Mutation("external_ids", "insert", ovsdb::Map({{kMappingsKey, mapped}})));
      }
      change.Add(ovsdb::Mutate(kDatabase, WhereUuid(root.uuid), ops));
      if (mappings.empty()) {
        change.GuardPairs(kDatabase, root.uuid, "external_ids", {{kMappingsKey, mapped}});
      }
    }
    if (pnics.empty()) {
      if (!bridgeRows.empty()) {
        change.Add(ovsdb::Mutate(
            kDatabase, WhereUuid(root.uuid),
            {ovsdb::Mutation("bridges", "delete", ovsdb::Set({bridgeRows[0].at("_uuid")}))}));
      }
      return;
    }
    std::vector<json> added;
    for (const std::string& pnic : joining) {
      json interface = {{"name", pnic}};
      if (settings.datapathType == "dummy") interface["type"] = "dummy";
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
      change.Add(
          ovsdb::Update("Port", {Condition("_uuid", "==", port)}, {{"bond_mode", bondMode}}));
      return;
    }
    change.Add(ovsdb::Insert(
        "Port", {{"name", uplinkPort}, {"interfaces", ovsdb::Set(added)}, {"bond_mode", bondMode}},
        "uplink"));
    if (!bridgeRows.empty()) {
      change.Add(ovsdb::Mutate(
          "Bridge", WhereName(bridge),
          {ovsdb::Mutation("ports", "insert", ovsdb::Set({ovsdb::NamedUuid("uplink")}))}));
      return;
    }
    change.GuardAbsent("Bridge", WhereName(bridge), "a bridge named " + bridge + " already exists");
    change.Add(ovsdb::Insert("Interface", {{"name", bridge}, {"type", "internal"}}, "own"));
    change.Add(ovsdb::Insert(
        "Port", {{"name", bridge}, {"interfaces", ovsdb::Set({ovsdb::NamedUuid("own")})}},
        "local"));
    change.Add(ovsdb::Insert(
        "Bridge",
        {{"name", bridge},
         {"datapath_type", settings.datapathType},
         {"ports", ovsdb::Set({ovsdb::NamedUuid("local"), ovsdb::NamedUuid("uplink")})},
         {"external_ids", ovsdb::Map(ids)}},
        "bridge"));
    change.Add(ovsdb::Mutate(
        kDatabase, WhereUuid(root.uuid),
        {ovsdb::Mutation("bridges", "insert", ovsdb::Set({ovsdb::NamedUuid("bridge")}))}));
  };
  const std::string what =
      (dvswitch.empty() ? std::string("wiring network ") + network
                        : "wiring the uplinks of DVSwitch " + hostnet::EscapedName(dvswitch)) +
      " (bridge " + bridge + ")";
  OvsSession::Committed committed;
  ovsdb::RunGuarded(
      what, build,
      [&](const GuardedChange& change) {
        committed = session_.Commit(change, true);
        return committed.result.Committed();
      },
      ovsdb::kGuardedBudget, [this] { return session_.Database().NotMade(); });
  // The pnics that join must come up; when one cannot, the bridge goes back
  // to the pnics it held before, by name.
  DatapathCheck datapath;
  datapath.reached = !joining.empty();
  for (const std::string& pnic : joining) datapath.expected.emplace_back(pnic, std::nullopt);
  datapath.undo = [&] {
    std::vector<std::string> was;
    if (!held.empty()) {
      std::vector<json> reads;
      for (const json& uuid : held) {
        reads.push_back(ovsdb::Select("Interface", {Condition("_uuid", "==", uuid)}, {"name"}));
      }
      for (const json& result : session_.Read(reads)) {
        for (const json& row : result.at("rows")) was.push_back(row.at("name"));
      }
    }
    Wire(network, dvswitch, was);
  };
  session_.ConfirmApplied(what, committed, datapath);
}

}  // namespace ovs_host
