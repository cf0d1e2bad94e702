#include <algorithm>
#include <chrono>
#include <thread>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using namespace rows;

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using ovsdb::Mutation;
using ovsdb::NamedUuid;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;

namespace {

constexpr const char* kLockName = "quenta_host";

std::vector<json> WhereUuid(const std::string& uuid) {
  return {Condition("_uuid", "==", Uuid(uuid))};
}

// What the datapath made of an interface a change touched: empty when it is
// as expected, else what is wrong.
std::string Refusal(const json& row, const std::string& name, std::optional<uint32_t> mtu) {
  std::vector<json> error = ovsdb::ReadSet(row["error"]);
  if (!error.empty()) return "interface " + name + ": " + error[0].get<std::string>();
  std::vector<json> ofport = ovsdb::ReadSet(row["ofport"]);
  if (ofport.empty() || ofport[0].get<int64_t>() < 0) {
    return "interface " + name + " got no port number";
  }
  std::vector<json> actual = ovsdb::ReadSet(row["mtu"]);
  if (mtu && (actual.empty() || actual[0].get<int64_t>() != *mtu)) {
    return "interface " + name + " kept MTU " +
           (actual.empty() ? std::string("none") : std::to_string(actual[0].get<int64_t>())) +
           " instead of " + std::to_string(*mtu);
  }
  return {};
}

// The columns of the uplink Port that make the bond the policy asks for.
json BondColumns(const SwitchRow& sw) {
  json port = {{"bond_mode", ovsdb::Set({})}, {"other_config", ovsdb::Map({})}};
  if (sw.uplinks.size() < 2) return port;
  if (sw.teaming.maxActive != 1) {
    port["bond_mode"] = "balance-slb";
    return port;
  }
  std::string primary = sw.uplinks[0];
  for (const std::string& pnic : sw.teaming.order) {
    if (std::find(sw.uplinks.begin(), sw.uplinks.end(), pnic) != sw.uplinks.end()) {
      primary = pnic;
      break;
    }
  }
  port["bond_mode"] = "active-backup";
  port["other_config"] = ovsdb::Map({{"bond-primary", primary}});
  return port;
}

}  // namespace

class OvsStore::LockHold : public rows::ChangeHold {
 public:
  explicit LockHold(OvsStore& store) : store_(store) {}
  ~LockHold() override { store_.ReleaseHold(); }

 private:
  OvsStore& store_;
};

std::unique_ptr<rows::ChangeHold> OvsStore::HoldForChange() {
  if (holds_ == 0 && !client_.Lock(kLockName, settings_.lockWait)) {
    client_.Unlock(kLockName);
    throw QuorvicException("another run kept the host locked for " +
                           std::to_string(settings_.lockWait.count() / 1000) +
                           " s; nothing was changed");
  }
  ++holds_;
  return std::make_unique<LockHold>(*this);
}

void OvsStore::ReleaseHold() {
  if (--holds_ > 0) return;
  try {
    client_.Unlock(kLockName);
  } catch (const QuorvicException&) {
    // The server lets go of the lock when the connection closes.
  }
}

void OvsStore::Write(const std::string& what,
                     const std::function<void(GuardedChange&, Datapath&)>& build) {
  Datapath datapath;
  ovsdb::RunGuarded(
      what,
      [&](GuardedChange& change) {
        datapath = Datapath();
        build(change, datapath);
      },
      [&](const GuardedChange& change) { return Commit(change, datapath); });
}

bool OvsStore::Commit(const GuardedChange& change, const Datapath& datapath) {
  GuardedChange sent = change;
  std::size_t nextCfg = 0;
  if (datapath.reached) {
    sent.Add(ovsdb::Mutate("Open_vSwitch", {}, {Mutation("next_cfg", "+=", 1)}));
    nextCfg = sent.Add(ovsdb::Select("Open_vSwitch", {}, {"next_cfg"}));
  }
  ovsdb::Client::Outcome outcome = client_.TryTransact(kDatabase, sent.Operations());
  if (!sent.Judge(outcome)) return false;
  if (!datapath.reached || settings_.applyWait.count() == 0) return true;

  int64_t target = outcome.results.at(nextCfg).at("rows").at(0).at("next_cfg").get<int64_t>();
  auto deadline = std::chrono::steady_clock::now() + settings_.applyWait;
  for (;;) {
    std::vector<json> rows = Select(ovsdb::Select("Open_vSwitch", {}, {"cur_cfg"}));
    if (!rows.empty() && rows[0]["cur_cfg"].get<int64_t>() >= target) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      throw QuorvicException(change.What() +
                             ": the database holds the change, but ovs-vswitchd did not apply it "
                             "within " +
                             std::to_string(settings_.applyWait.count()) + " ms (is it running?)");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::string refused;
  for (const auto& [interface, mtu] : datapath.expected) {
    std::vector<json> rows = Select(ovsdb::Select(
        "Interface", {Condition("name", "==", interface)}, {"error", "ofport", "mtu"}));
    refused = rows.empty() ? "interface " + interface + " is gone"
                           : Refusal(rows[0], interface, mtu);
    if (!refused.empty()) break;
  }
  if (refused.empty()) return true;
  if (datapath.undo) datapath.undo();
  throw QuorvicException("the datapath refused " + change.What() + " (" + refused +
                         "); it was undone");
}

void OvsStore::GuardBridge(GuardedChange& change, const BridgeRead& bridge) {
  std::vector<json> ports;
  for (const std::string& uuid : bridge.ports) ports.push_back(Uuid(uuid));
  change.Guard("Bridge", bridge.uuid,
               {{"external_ids", ovsdb::Map(bridge.externalIds)}, {"ports", ovsdb::Set(ports)}});
}

void OvsStore::GuardRoot(GuardedChange& change, const RootRead& root) {
  change.Guard("Open_vSwitch", root.uuid, {{"external_ids", ovsdb::Map(root.externalIds)}});
}

void OvsStore::WriteRecord(GuardedChange& change, const BridgeRead& bridge) {
  std::map<std::string, std::string> externalIds = bridge.externalIds;
  for (auto it = externalIds.begin(); it != externalIds.end();) {
    it = it->first.rfind(kGroupMarkPrefix, 0) == 0 ? externalIds.erase(it) : std::next(it);
  }
  externalIds[kSwitchKey] = SwitchRecord(bridge.doc.row).dump();
  externalIds[kGroupsKey] = PortGroupsRecord(bridge.doc.portGroups).dump();
  for (const PortGroupRow& pg : bridge.doc.portGroups) externalIds[kGroupMarkPrefix + pg.name] = "";
  change.Add(
      ovsdb::Update("Bridge", WhereUuid(bridge.uuid), {{"external_ids", ovsdb::Map(externalIds)}}));
}

void OvsStore::WriteRoot(GuardedChange& change, const RootRead& root) {
  std::map<std::string, std::string> externalIds = root.externalIds;
  externalIds[kHostKey] = RootRecordsJson(root.records).dump();
  externalIds[kLinksKey] = json(root.links).dump();
  GuardRoot(change, root);
  change.Add(ovsdb::Update("Open_vSwitch", WhereUuid(root.uuid),
                           {{"external_ids", ovsdb::Map(externalIds)}}));
}

void OvsStore::WriteDatapath(GuardedChange& change, Datapath& datapath, const BridgeRead& bridge,
                             const BridgePorts& ports) {
  const SwitchRow& sw = bridge.doc.row;
  const int64_t mtu = sw.mtu;
  datapath.reached = true;
  if (!ports.internalInterface.empty()) {
    change.Add(
        ovsdb::Update("Interface", WhereUuid(ports.internalInterface), {{"mtu_request", mtu}}));
  }
  if (sw.uplinks.empty()) {
    if (ports.uplink) {
      change.Add(
          ovsdb::Mutate("Bridge", WhereUuid(bridge.uuid),
                        {Mutation("ports", "delete", ovsdb::Set({Uuid(ports.uplink->uuid)}))}));
    }
    return;
  }
  std::vector<json> interfaces;
  std::map<std::string, std::string> existingInterfaces = UplinkInterfaces(ports);
  for (const std::string& pnic : sw.uplinks) {
    auto existing = existingInterfaces.find(pnic);
    if (existing != existingInterfaces.end()) {
      interfaces.push_back(Uuid(existing->second));
      change.Add(ovsdb::Update("Interface", WhereUuid(existing->second), {{"mtu_request", mtu}}));
      continue;
    }
    std::string rowName = change.NewRowName();
    json interface = {{"name", pnic}, {"mtu_request", mtu}};
    if (settings_.datapathType == "dummy") interface["type"] = "dummy";
    change.Add(ovsdb::Insert("Interface", interface, rowName));
    datapath.expected.emplace_back(pnic, sw.mtu);
    interfaces.push_back(NamedUuid(rowName));
  }
  json port = BondColumns(sw);
  port["interfaces"] = ovsdb::Set(interfaces);
  if (ports.uplink) {
    change.Add(ovsdb::Update("Port", WhereUuid(ports.uplink->uuid), port));
    return;
  }
  std::string portName = change.NewRowName();
  port["name"] = sw.name + kUplinkPortSuffix;
  change.Add(ovsdb::Insert("Port", port, portName));
  change.Add(ovsdb::Mutate("Bridge", WhereUuid(bridge.uuid),
                           {Mutation("ports", "insert", ovsdb::Set({NamedUuid(portName)}))}));
}

void OvsStore::InsertBridge(GuardedChange& change, Datapath& datapath, const StandardSwitchDoc& sw,
                            int64_t created) {
  const SwitchRow& row = sw.row;
  const int64_t mtu = row.mtu;
  std::string interface = change.NewRowName();
  std::string port = change.NewRowName();
  std::string bridge = change.NewRowName();
  change.Add(ovsdb::Insert("Interface",
                           {{"name", row.name}, {"type", "internal"}, {"mtu_request", mtu}},
                           interface));
  change.Add(ovsdb::Insert(
      "Port", {{"name", row.name}, {"interfaces", ovsdb::Set({NamedUuid(interface)})}}, port));
  std::vector<json> portRefs = {NamedUuid(port)};
  std::vector<json> uplinkRefs;
  for (const std::string& pnic : row.uplinks) {
    std::string name = change.NewRowName();
    json uplink = {{"name", pnic}, {"mtu_request", mtu}};
    if (settings_.datapathType == "dummy") uplink["type"] = "dummy";
    change.Add(ovsdb::Insert("Interface", uplink, name));
    uplinkRefs.push_back(NamedUuid(name));
  }
  if (!uplinkRefs.empty()) {
    std::string name = change.NewRowName();
    json uplinkPort = BondColumns(row);
    uplinkPort["name"] = row.name + kUplinkPortSuffix;
    uplinkPort["interfaces"] = ovsdb::Set(uplinkRefs);
    change.Add(ovsdb::Insert("Port", uplinkPort, name));
    portRefs.push_back(NamedUuid(name));
  }
  std::map<std::string, std::string> externalIds = {
      {kSwitchKey, SwitchRecord(row).dump()},
      {kGroupsKey, PortGroupsRecord(sw.portGroups).dump()},
      {kCreatedKey, std::to_string(created)}};
  for (const PortGroupRow& pg : sw.portGroups) externalIds[kGroupMarkPrefix + pg.name] = "";
  change.Add(ovsdb::Insert("Bridge",
                           {{"name", row.name},
                            {"datapath_type", settings_.datapathType},
                            {"ports", ovsdb::Set(portRefs)},
                            {"external_ids", ovsdb::Map(externalIds)}},
                           bridge));
  change.Add(ovsdb::Mutate("Open_vSwitch", {},
                           {Mutation("bridges", "insert", ovsdb::Set({NamedUuid(bridge)}))}));
  datapath.reached = true;
  datapath.expected.emplace_back(row.name, std::nullopt);
}

bool OvsStore::TagMembers(GuardedChange& change, Datapath& datapath,
                          const std::vector<PortRead>& members, const StandardSwitchDoc& sw) {
  bool tagged = false;
  for (const PortRead& port : members) {
    auto member = port.externalIds.find(kMemberKey);
    if (member == port.externalIds.end()) continue;
    for (const PortGroupRow& pg : sw.portGroups) {
      if (pg.name != member->second) continue;
      std::optional<int64_t> tag;
      if (pg.vlan != 0 && pg.vlan != 4095) tag = pg.vlan;
      if (port.tag == tag) break;
      change.Add(ovsdb::Update("Port", WhereUuid(port.uuid),
                               {{"tag", tag ? json(*tag) : ovsdb::Set({})}}));
      datapath.reached = true;
      tagged = true;
    }
  }
  return tagged;
}

void OvsStore::WriteEdit(GuardedChange& change, Datapath& datapath, const BridgeRead& before,
                         const BridgeRead& after) {
  const SwitchRow& old = before.doc.row;
  const SwitchRow& now = after.doc.row;
  auto previous = [&](const PortGroupRow& pg) {
    return std::find_if(before.doc.portGroups.begin(), before.doc.portGroups.end(),
                        [&](const PortGroupRow& g) { return g.ref == pg.ref; });
  };
  GuardBridge(change, before);
  // A new port group's name must be free on every bridge until the commit;
  // the guard comes before this bridge takes the name.
  for (const PortGroupRow& pg : after.doc.portGroups) {
    if (previous(pg) != before.doc.portGroups.end()) continue;
    change.GuardAbsent(
        "Bridge",
        {Condition("external_ids", "includes", ovsdb::Map({{kGroupMarkPrefix + pg.name, ""}}))},
        "port group " + pg.name + " already exists");
  }
  WriteRecord(change, after);
  if (now.uplinks != old.uplinks) {
    RootRead root = ReadRoot();
    for (const std::string& pnic : old.uplinks) root.links.erase(pnic);
    for (const std::string& pnic : now.uplinks) root.links[pnic] = now.name;
    WriteRoot(change, root);
  }
  BridgePorts ports = ReadPorts(before);
  if (now.uplinks != old.uplinks || now.mtu != old.mtu || !(now.teaming == old.teaming)) {
    WriteDatapath(change, datapath, after, ports);
    if (now.mtu != old.mtu) {
      datapath.expected.emplace_back(now.name, now.mtu);
      for (const std::string& pnic : now.uplinks) datapath.expected.emplace_back(pnic, now.mtu);
    }
  }
  TagMembers(change, datapath, ports.members, after.doc);
}

void OvsStore::EditRoot(const std::string& what, const std::function<void(RootRecords&)>& edit) {
  Write(what, [&](GuardedChange& change, Datapath&) {
    RootRead root = ReadRoot();
    const std::string before = RootRecordsJson(root.records).dump();
    edit(root.records);
    for (rows::FaultRow& fault : root.records.host.faults) {
      if (fault.id == 0) fault.id = root.records.nextFaultId++;
    }
    if (RootRecordsJson(root.records).dump() == before) return;
    WriteRoot(change, root);
  });
}

}  // namespace ovs_host
