#include <chrono>
#include <random>
#include <thread>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_keys.h"
#include "backends/ovsdb/ovs_store.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Mutation;
using ovsdb::NamedUuid;
using ovsdb::Uuid;
using Quorvic::Lib::QuorvicException;

namespace {

json WhereUuid(const std::string& uuid) {
  return json::array({Condition("_uuid", "==", Uuid(uuid))});
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

}  // namespace

class OvsStore::LockHold : public rows::ChangeHold {
 public:
  explicit LockHold(OvsStore& store) : store_(store) {}
  ~LockHold() override { store_.ReleaseHold(); }

 private:
  OvsStore& store_;
};

namespace {
constexpr const char* kLockName = "quenta_host";
}  // namespace

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
  cache_ = {};
  try {
    client_.Unlock(kLockName);
  } catch (const QuorvicException&) {
    // The server lets go of the lock when the connection closes.
  }
}

void OvsStore::GiveUp(const std::string& what) {
  throw QuorvicException("gave up " + what +
                         ": other changes to the same objects kept coming first (" +
                         std::to_string(kTries) + " tries); nothing was changed");
}

void OvsStore::BackOff(int attempt) {
  std::uniform_int_distribution<int> micros(0, 1000 * attempt);
  std::this_thread::sleep_for(std::chrono::microseconds(micros(random_)));
}

bool OvsStore::Commit(const OvsChange& change) {
  listed_.reset();
  cache_ = {};
  std::vector<json> operations = change.Operations();
  if (change.ReachesDatapath()) {
    operations.push_back(ovsdb::Mutate("Open_vSwitch", {}, {Mutation("next_cfg", "+=", 1)}));
    operations.push_back(ovsdb::Select("Open_vSwitch", {}, {"next_cfg"}));
  }
  ovsdb::Client::Outcome outcome = client_.TryTransact(kDatabase, std::move(operations));
  if (!outcome.Committed()) {
    bool guardFailed = outcome.failedOperation >= 1 &&
                       outcome.failedOperation <= change.GuardCount() &&
                       outcome.error == "timed out";
    if (guardFailed) return false;
    throw QuorvicException(change.What() + " failed: " + outcome.message);
  }
  if (!change.ReachesDatapath() || settings_.applyWait.count() == 0) return true;

  int64_t target = outcome.results.back().at("rows").at(0).at("next_cfg").get<int64_t>();
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
  for (const OvsChange::Expectation& expected : change.Expectations()) {
    std::vector<json> rows = Select(ovsdb::Select(
        "Interface", {Condition("name", "==", expected.interface)}, {"error", "ofport", "mtu"}));
    refused = rows.empty() ? "interface " + expected.interface + " is gone"
                           : Refusal(rows[0], expected.interface, expected.mtu);
    if (!refused.empty()) break;
  }
  if (refused.empty()) return true;
  if (change.Undo()) change.Undo()();
  throw QuorvicException("the datapath refused " + change.What() + " (" + refused +
                         "); it was undone");
}

void OvsStore::GuardBridge(OvsChange& change, const BridgeRead& bridge) {
  std::vector<json> ports;
  for (const std::string& uuid : bridge.ports) ports.push_back(Uuid(uuid));
  change.Guard("Bridge", bridge.uuid,
               {{"external_ids", ovsdb::Map(bridge.externalIds)}, {"ports", ovsdb::Set(ports)}});
}

void OvsStore::GuardRoot(OvsChange& change, const RootRead& root) {
  change.Guard("Open_vSwitch", root.uuid, {{"external_ids", ovsdb::Map(root.externalIds)}});
}

void OvsStore::WriteRecord(OvsChange& change, const BridgeRead& bridge) {
  std::map<std::string, std::string> externalIds = bridge.externalIds;
  for (auto it = externalIds.begin(); it != externalIds.end();) {
    it = it->first.rfind(kGroupMarkPrefix, 0) == 0 ? externalIds.erase(it) : std::next(it);
  }
  externalIds[kSwitchKey] = SwitchRecord(bridge.row).dump();
  externalIds[kGroupsKey] = PortGroupsRecord(bridge.groups).dump();
  for (const PortGroupRow& pg : bridge.groups) externalIds[kGroupMarkPrefix + pg.name] = "";
  GuardBridge(change, bridge);
  change.Add(
      ovsdb::Update("Bridge", WhereUuid(bridge.uuid), {{"external_ids", ovsdb::Map(externalIds)}}));
}

void OvsStore::WriteRoot(OvsChange& change, const RootRead& root) {
  std::map<std::string, std::string> externalIds = root.externalIds;
  externalIds[kHostKey] = HostRecordsJson(root.records).dump();
  externalIds[kLinksKey] = json(root.links).dump();
  GuardRoot(change, root);
  change.Add(ovsdb::Update("Open_vSwitch", WhereUuid(root.uuid),
                           {{"external_ids", ovsdb::Map(externalIds)}}));
}

namespace {

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

void OvsStore::WriteDatapath(OvsChange& change, const BridgeRead& bridge,
                             const BridgePorts& ports) {
  const SwitchRow& sw = bridge.row;
  change.ReachDatapath();
  if (!ports.internalInterface.empty()) {
    change.Add(ovsdb::Update("Interface", WhereUuid(ports.internalInterface),
                             {{"mtu_request", static_cast<int64_t>(sw.mtu)}}));
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
      change.Add(ovsdb::Update("Interface", WhereUuid(existing->second),
                               {{"mtu_request", static_cast<int64_t>(sw.mtu)}}));
      continue;
    }
    std::string rowName = change.NewRowName();
    json interface = {{"name", pnic}, {"mtu_request", static_cast<int64_t>(sw.mtu)}};
    if (settings_.datapathType == "dummy") interface["type"] = "dummy";
    change.Add(ovsdb::Insert("Interface", interface, rowName));
    change.Expect(pnic, sw.mtu);
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

void OvsStore::InsertBridge(OvsChange& change, const SwitchRow& sw,
                            const std::vector<PortGroupRow>& groups, int64_t created) {
  std::string interface = change.NewRowName();
  std::string port = change.NewRowName();
  std::string bridge = change.NewRowName();
  change.Add(ovsdb::Insert(
      "Interface",
      {{"name", sw.name}, {"type", "internal"}, {"mtu_request", static_cast<int64_t>(sw.mtu)}},
      interface));
  change.Add(ovsdb::Insert(
      "Port", {{"name", sw.name}, {"interfaces", ovsdb::Set({NamedUuid(interface)})}}, port));
  std::vector<json> portRefs = {NamedUuid(port)};
  std::vector<json> uplinkRefs;
  for (const std::string& pnic : sw.uplinks) {
    std::string name = change.NewRowName();
    json row = {{"name", pnic}, {"mtu_request", static_cast<int64_t>(sw.mtu)}};
    if (settings_.datapathType == "dummy") row["type"] = "dummy";
    change.Add(ovsdb::Insert("Interface", row, name));
    uplinkRefs.push_back(NamedUuid(name));
  }
  if (!uplinkRefs.empty()) {
    std::string name = change.NewRowName();
    json row = BondColumns(sw);
    row["name"] = sw.name + kUplinkPortSuffix;
    row["interfaces"] = ovsdb::Set(uplinkRefs);
    change.Add(ovsdb::Insert("Port", row, name));
    portRefs.push_back(NamedUuid(name));
  }
  std::map<std::string, std::string> externalIds = {{kSwitchKey, SwitchRecord(sw).dump()},
                                                    {kGroupsKey, PortGroupsRecord(groups).dump()},
                                                    {kCreatedKey, std::to_string(created)}};
  for (const PortGroupRow& pg : groups) externalIds[kGroupMarkPrefix + pg.name] = "";
  change.Add(ovsdb::Insert("Bridge",
                           {{"name", sw.name},
                            {"datapath_type", settings_.datapathType},
                            {"ports", ovsdb::Set(portRefs)},
                            {"external_ids", ovsdb::Map(externalIds)}},
                           bridge));
  change.Add(ovsdb::Mutate("Open_vSwitch", {},
                           {Mutation("bridges", "insert", ovsdb::Set({NamedUuid(bridge)}))}));
  change.ReachDatapath();
  change.Expect(sw.name);
}

void OvsStore::TagMembers(OvsChange& change, const std::vector<PortRead>& members,
                          const std::string& group, uint32_t vlan) {
  json tag = vlan == 0 || vlan == 4095 ? ovsdb::Set({}) : json(vlan);
  for (const PortRead& port : members) {
    auto member = port.externalIds.find(kMemberKey);
    if (member == port.externalIds.end() || member->second != group) continue;
    change.Add(ovsdb::Update("Port", WhereUuid(port.uuid), {{"tag", tag}}));
    change.ReachDatapath();
  }
}

void OvsStore::RequireNameFree(const std::string& name, const RootRead& root) {
  bool taken = !Select(ovsdb::Select("Bridge", {Condition("name", "==", name)}, {"_uuid"})).empty();
  for (const DVSwitchDoc& dvs : root.records.dvswitches) taken = taken || dvs.row.name == name;
  if (taken) throw QuorvicException("a switch named " + name + " already exists");
}

void OvsStore::EditRecords(const std::string& what, const std::function<void(HostRecords&)>& edit) {
  Write(what, [&](OvsChange& change) {
    RootRead root = ReadRoot();
    edit(root.records);
    WriteRoot(change, root);
    return 0;
  });
}

void OvsStore::EditDV(const std::string& what, const SwitchRow& sw,
                      const std::function<void(DVSwitchDoc&)>& edit) {
  EditRecords(what, [&](HostRecords& records) {
    DVSwitchDoc* dvs = FindDV(records, sw.name);
    if (dvs == nullptr) throw QuorvicException("DVSwitch " + sw.name + " no longer exists");
    edit(*dvs);
  });
}

}  // namespace ovs_host
