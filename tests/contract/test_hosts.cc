#include "test_hosts.h"

#include <chrono>

#include "backends/ovn/ovn_backend.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "support/test_cluster.h"
#include "support/test_host.h"
#include "support/test_server.h"

namespace contract {
namespace {

class SqliteTestHost : public TestHost {
 public:
  std::unique_ptr<hostnet::Backend> Open() const override { return OpenLocal(); }
  std::unique_ptr<rows::RowBackend> OpenLocal() const { return temp_.Open(); }
  std::unique_ptr<rows::Chassis> OpenChassis(rows::RowBackend& /*local*/) const {
    return std::make_unique<rows::RecordsOnlyChassis>(temp_.Path());
  }

 private:
  sqlite_host::TempHost temp_;
};

// A private ovsdb-server and ovs-vswitchd (dummy datapath) whose network
// interfaces are the pnics of the last document loaded, and whose other
// bridges are its opaque switches.
class OvsTestHost : public TestHost {
 public:
  OvsTestHost() : server_(ovsdb::TestServer::kSwitchSchema) { server_.StartSwitchDaemon(); }

  std::unique_ptr<hostnet::Backend> Open() const override { return OpenLocal(); }
  std::unique_ptr<ovs_host::OvsBackend> OpenLocal() const {
    return std::make_unique<ovs_host::OvsBackend>(Settings());
  }
  // The chassis carries traffic: DVPort uplinks go into bridges of their own.
  std::unique_ptr<rows::Chassis> OpenChassis(ovs_host::OvsBackend& local) const {
    return local.MakeChassis();
  }

  void Load(const std::string& json) override {
    hostnet::HostDocument doc = HostFromJson(json);
    pnics_ = doc.pnics;
    Close();
    ovsdb::Client client(server_.UnixRemote(), std::chrono::seconds(15));
    for (const hostnet::SwitchRow& opaque : doc.opaqueSwitches) {
      if (!client
               .Transact("Open_vSwitch",
                         {ovsdb::Select("Bridge", {ovsdb::Condition("name", "==", opaque.name)},
                                        {"_uuid"})})[0]["rows"]
               .empty())
        continue;
      client.Transact(
          "Open_vSwitch",
          {ovsdb::Insert("Bridge", {{"name", opaque.name}, {"datapath_type", "dummy"}}, "br"),
           ovsdb::Mutate(
               "Open_vSwitch", {},
               {ovsdb::Mutation("bridges", "insert", ovsdb::Set({ovsdb::NamedUuid("br")}))})});
    }
    // The VM ports of the last document go: a load leaves others' ports.
    for (const std::string& name : vmPorts_) {
      client.Transact(
          "Open_vSwitch",
          {ovsdb::Mutate("Bridge", {},
                         {ovsdb::Mutation("ports", "delete", ovsdb::Set({PortUuid(client, name)}))})});
    }
    vmPorts_.clear();
    Backend().ReplaceHost(doc, hostnet::SharedDVSwitches::kPrune);
    // A port group's ports are the VM ports that joined it.
    for (const hostnet::StandardSwitchDoc& sw : doc.switches) {
      for (const hostnet::PortGroupRow& pg : sw.portGroups) {
        for (uint32_t i = 0; i < pg.ports; ++i) AddVmPort(client, sw.row.name, pg.name);
      }
    }
  }

 private:
  static nlohmann::json PortUuid(ovsdb::Client& client, const std::string& name) {
    return client.Transact("Open_vSwitch",
                           {ovsdb::Select("Port", {ovsdb::Condition("name", "==", name)},
                                          {"_uuid"})})[0]["rows"][0]["_uuid"];
  }

  // Adds a VM's port to bridge, in group.
  void AddVmPort(ovsdb::Client& client, const std::string& bridge, const std::string& group) {
    std::string name = "vm" + std::to_string(vmPorts_.size() + 1);
    vmPorts_.push_back(name);
    client.Transact(
        "Open_vSwitch",
        {ovsdb::Insert("Interface", {{"name", name}, {"type", "dummy"}}, "i"),
         ovsdb::Insert("Port",
                       {{"name", name},
                        {"interfaces", ovsdb::Set({ovsdb::NamedUuid("i")})},
                        {"external_ids", ovsdb::Map({{"quenta:port-group", group}})}},
                       "p"),
         ovsdb::Mutate("Bridge", {ovsdb::Condition("name", "==", bridge)},
                       {ovsdb::Mutation("ports", "insert", ovsdb::Set({ovsdb::NamedUuid("p")}))})});
  }

  ovs_host::OvsSettings Settings() const {
    ovs_host::OvsSettings settings;
    settings.remote = server_.UnixRemote();
    settings.datapathType = "dummy";
    settings.pnics = pnics_;
    return settings;
  }

  ovsdb::TestServer server_;
  std::vector<std::string> pnics_;
  std::vector<std::string> vmPorts_;
};

// A local host of Base whose DVSwitches live in a private northbound
// cluster.
template <typename Base>
class OvnTestHost : public Base {
 public:
  std::unique_ptr<hostnet::Backend> Open() const override {
    auto local = Base::OpenLocal();
    std::unique_ptr<rows::Chassis> chassis = Base::OpenChassis(*local);
    return std::make_unique<ovn::OvnBackend>(
        std::move(local), ovn::ParseOvnSettings(cluster_.Remotes(), ""), std::move(chassis));
  }

 private:
  ovn::TestCluster cluster_;
};

}  // namespace

namespace {

std::string Nothing() { return ""; }

std::string MissingForOvsAndOvn() {
  std::string switches = ovsdb::TestServer::MissingSwitchDaemon();
  std::string northbound = ovn::TestCluster::Missing();
  return switches + (switches.empty() || northbound.empty() ? "" : ", ") + northbound;
}

}  // namespace

std::vector<TestHostFactory> TestHostFactories() {
  return {
      {"Sqlite", Nothing, [] { return std::unique_ptr<TestHost>(new SqliteTestHost); }, true},
      {"OpenVSwitch", ovsdb::TestServer::MissingSwitchDaemon,
       [] { return std::unique_ptr<TestHost>(new OvsTestHost); }, false},
      {"SqliteOvn", ovn::TestCluster::Missing,
       [] { return std::unique_ptr<TestHost>(new OvnTestHost<SqliteTestHost>); }, false},
      {"OpenVSwitchOvn", MissingForOvsAndOvn,
       [] { return std::unique_ptr<TestHost>(new OvnTestHost<OvsTestHost>); }, false},
  };
}

}  // namespace contract
