// What every backend of the host library must do, written once and run on a
// fresh host of each backend (test_hosts.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/forked.h"
#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"
#include "hostnet/quorvic_exception.h"
#include "test_hosts.h"

namespace contract {
namespace {

using hostnet::Backend;
using hostnet::HostDocument;
using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;

// Names are out of alphabetical order on purpose: every list is in host order.
const char* const kHost = R"({
  "pnics": ["nic0", "nic1", "nic2", "nic3"],
  "switches": [
    {"name": "sw1", "usedPorts": 2, "uplinks": ["nic0"], "configUplinks": ["nic0", "nic1"],
     "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
     "ens": {"active": true, "interrupt": true, "reassociations": 3},
     "portGroups": [{"name": "pgB", "vlan": 5, "ports": 2},
                    {"name": "pgA", "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}]},
    {"name": "sw0", "uplinks": ["nic1"], "configUplinks": ["nic1", "nic2"]},
    {"name": "sys", "system": true, "portGroups": [{"name": "pgS"}]}
  ],
  "dvswitches": [{"name": "dvs0", "dvsName": "dvs-zero", "switchId": "id-0", "uplinks": ["nic3"],
                  "usedPorts": 1,
                  "dvports": [{"id": "2", "clients": ["vm1.eth0"]},
                              {"id": "1", "uplinks": ["nic3"]}]}],
  "opaqueSwitches": [{"name": "ovl0"}],
  "uplinkTimeouts": [{"portset": "ps0", "uplink": "up1", "lagId": 5, "timeout": 1},
                     {"portset": "ps1", "uplink": "up1", "lagId": 5, "timeout": 2},
                     {"portset": "ps0", "uplink": "up2", "lagId": 6, "timeout": 3}],
  "lagTimeouts": [{"portset": "ps0", "lagId": 5}, {"portset": "ps1", "lagId": 5}],
  "ensActivateNode": 1
})";

class BackendContract : public testing::TestWithParam<TestHostFactory> {
 protected:
  void SetUp() override {
    std::string missing = GetParam().missing();
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    host_ = GetParam().make();
  }

  // Expects call to throw a message that names each of names (blank-separated)
  // and to leave the host as it was.
  void ExpectRefused(const std::function<void()>& call, const std::string& names) {
    std::string before = host_->Dump();
    try {
      call();
      ADD_FAILURE() << "accepted; expected a refusal naming " << names;
    } catch (const QuorvicException& e) {
      std::istringstream words(names);
      for (std::string name; words >> name;) {
        EXPECT_NE(e.GetMessage().find(name), std::string::npos) << e.GetMessage();
      }
    }
    EXPECT_EQ(host_->Dump(), before) << names;
  }

  std::unique_ptr<TestHost> host_;
};

// The host as kHost after edit, as JSON.
std::string Expected(const std::function<void(HostDocument&)>& edit) {
  HostDocument doc = HostFromJson(kHost);
  edit(doc);
  return HostToJson(doc);
}

// A host document given in JSON without its pnics, which are kHost's.
HostDocument Doc(const std::string& json) {
  return HostFromJson(R"({"pnics": ["nic0", "nic1", "nic2", "nic3"], )" + json + "}");
}

NicTeamingPolicy Policy(std::vector<std::string> order, int32_t maxActive) {
  return NicTeamingPolicy(NicTeamingPolicy::UPLINK_ORDER_SET, std::move(order), maxActive);
}

std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> Info(Backend& b) {
  return b.GetVirtualSwitchInfo();
}

std::unique_ptr<Quorvic::Network::VirtualSwitch> Switch(Backend& b, const char* name) {
  return b.GetVirtualSwitchById(name);
}

template <typename Objects>
std::string Names(const Objects& objects) {
  std::string names;
  for (const auto& object : objects) names += (names.empty() ? "" : " ") + object->GetName();
  return names;
}

TEST_P(BackendContract, ReadsBackTheHostItWasGiven) {
  host_->Load(kHost);
  EXPECT_EQ(host_->Dump(), Expected([](HostDocument&) {}));
}

TEST_P(BackendContract, EachOperationChangesWhatItSays) {
  struct Case {
    const char* name;
    std::function<void(Backend&)> change;
    std::function<void(HostDocument&)> expect;
  };
  // clang-format off
  const Case cases[] = {
      {"new switches come last",
       [](Backend& b) {
         Info(b)->AddVirtualSwitch(Policy({"nic2"}, 1), {}, {}, {}, "new", 64);
         Info(b)->AddDVSwitch("uuid-9", "dvs9", "cls", "dvs9-dvs", 256, 7, 0);
       },
       [](HostDocument& d) {
         d.switches.push_back(Doc(R"("switches": [{"name": "new", "numPorts": 64,
             "teaming": {"uplinkOrder": ["nic2"], "maxActive": 1}}])").switches[0]);
         d.dvswitches.push_back(Doc(R"("dvswitches": [{"name": "dvs9", "uuid": "uuid-9",
             "dvsName": "dvs9-dvs", "implClass": "cls", "version": 7, "numPorts": 256}])")
                                    .dvswitches[0]);
       }},
      {"RemoveVirtualSwitch takes everything on the switch",
       [](Backend& b) {
         Info(b)->RemoveVirtualSwitch("sys");
         Info(b)->RemoveVirtualSwitch("dvs0");
       },
       [](HostDocument& d) { d.switches.pop_back(); d.dvswitches.clear(); }},
      {"a new port group comes last, whatever its name",
       [](Backend& b) { Switch(b, "sw1")->AddPortGroup("aaa"); },
       [](HostDocument& d) { d.switches[0].portGroups.push_back({{}, "aaa", 0, 0, {}}); }},
      {"RemovePortGroup",
       [](Backend& b) { Switch(b, "sw1")->RemovePortGroup("pgA"); },
       [](HostDocument& d) { d.switches[0].portGroups.pop_back(); }},
      {"SetVlanId of the second port group in host order",
       [](Backend& b) { Switch(b, "sw1")->GetPortGroups()[1]->SetVlanId(42); },
       [](HostDocument& d) { d.switches[0].portGroups[1].vlan = 42; }},
      {"SetTeamingPolicy",
       [](Backend& b) { Switch(b, "sw1")->SetTeamingPolicy(Policy({"nic2", "nic0"}, 2)); },
       [](HostDocument& d) { d.switches[0].row.teaming = {true, {"nic2", "nic0"}, 2}; }},
      {"SetTeamingPolicy without an uplink order of its own",
       [](Backend& b) {
         Switch(b, "sw1")->SetTeamingPolicy(NicTeamingPolicy(0, {"nic2"}, 1));
         // The order it carries is not kept either: a listing shows none.
         EXPECT_EQ(Switch(b, "sw1")->GetTeamingPolicy().GetUplinkOrder(),
                   std::vector<std::string>());
       },
       [](HostDocument& d) { d.switches[0].row.teaming = {false, {}, 1}; }},
      {"SetTeamingPolicy of a port group by name",
       [](Backend& b) { b.OpenPortGroup("pgB")->SetTeamingPolicy(Policy({"nic1"}, 1)); },
       [](HostDocument& d) { d.switches[0].portGroups[0].teaming = {true, {"nic1"}, 1}; }},
      {"AddUplink links and stores, leaving the order; again, it changes nothing",
       [](Backend& b) {
         Switch(b, "sw1")->AddUplink("nic2", true);
         Switch(b, "sw1")->AddUplink("nic0", true);
       },
       [](HostDocument& d) {
         d.switches[0].row.uplinks = {"nic0", "nic2"};
         d.switches[0].row.configUplinks = {"nic0", "nic1", "nic2"};
       }},
      {"RemoveUplink from the stored configuration only",
       [](Backend& b) { Switch(b, "sw1")->RemoveUplink("nic1", true); },
       [](HostDocument& d) { d.switches[0].row.configUplinks = {"nic0"}; }},
      {"RemoveUplink unlinks and forgets; the pnic can be linked elsewhere",
       [](Backend& b) {
         Switch(b, "sw0")->RemoveUplink("nic1", false);
         Switch(b, "sw1")->AddUplink("nic1", true);
       },
       [](HostDocument& d) {
         d.switches[0].row.uplinks = {"nic0", "nic1"};
         d.switches[1].row.uplinks = {};
         d.switches[1].row.configUplinks = {"nic2"};
       }},
      {"RestoreUplinks links the stored configuration",
       [](Backend& b) { Switch(b, "sw0")->RestoreUplinks(); },
       [](HostDocument& d) { d.switches[1].row.uplinks = {"nic1", "nic2"}; }},
      {"SetMtu and SetCdpStatus",
       [](Backend& b) {
         Switch(b, "sw0")->SetMtu(9000);
         Switch(b, "sw0")->SetCdpStatus(3);
         b.GetDVSwitchByName("dvs0")->SetMtu(1280);
       },
       [](HostDocument& d) {
         d.switches[1].row.mtu = 9000;
         d.switches[1].row.cdp = 3;
         d.dvswitches[0].row.mtu = 1280;
       }},
      {"DVPort uplinks: attached to one port, detached from every port",
       [](Backend& b) {
         auto dvs = b.GetDVSwitchByName("dvs0");
         dvs->AddDVPortUplink("nic2", {"id-0", "2", 0});
         dvs->AddDVPortUplink("nic3", {"id-0", "2", 0});
         dvs->RemoveDVPortUplink("nic3", 0);
       },
       [](HostDocument& d) {
         d.dvswitches[0].row.uplinks = {"nic3", "nic2"};
         d.dvswitches[0].dvports[0].uplinks = {"nic2"};
         d.dvswitches[0].dvports[1].uplinks = {};
       }},
      {"DVPort connection id and test events",
       [](Backend& b) {
         auto port = b.OpenDVPort({"id-0", "1", 0});
         port->SetConnectionId(42);
         EXPECT_EQ(port->GetConnectionId(), 42u);
         port->TestDVPortZet();
         port->TestDVPortZet();
       },
       [](HostDocument& d) {
         d.dvswitches[0].dvports[1].connectionId = 42;
         d.dvswitches[0].dvports[1].testEvents = 2;
       }},
      {"ENS of portsets",
       [](Backend& b) {
         auto portset = b.GetPortsetById("sw0");
         portset->ActivateEns(true, false);
         portset->ReassociateUplinks(true, true, 0, 0);
         portset->ReassociateUplinks(true, false, 0, 0);
         b.GetPortsetById("dvs0")->ActivateEns(false, true);
         b.GetPortsetById("dvs0")->DeactivateEns();
       },
       [](HostDocument& d) {
         d.switches[1].row.ens = {true, true, false, 2, 1};
         d.dvswitches[0].row.ens = {false, false, true, 0, 0};
       }},
      {"KernelSet of the ENS activation node",
       [](Backend& b) {
         KARN_ParamList off{0, 0};
         EXPECT_EQ(b.KernelSet(b.EnsActivateNode(), 0, &off, 0, 0), 0);
       },
       [](HostDocument& d) { d.ensActivateNode = 0; }},
      {"loading timeouts marks the records that match",
       [](Backend& b) {
         Info(b)->LoadUplinkTimeoutConfig("ps0", 0, "up2");
         Info(b)->LoadLagTimeoutConfig("", 5);
       },
       [](HostDocument& d) {
         d.uplinkTimeouts[2].loaded = true;
         d.lagTimeouts[0].loaded = d.lagTimeouts[1].loaded = true;
       }},
  };
  // clang-format on
  for (const Case& c : cases) {
    host_->Load(kHost);
    try {
      c.change(host_->Backend());
    } catch (const QuorvicException& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
    }
    EXPECT_EQ(host_->Dump(), Expected(c.expect)) << c.name;
  }
}

TEST_P(BackendContract, ReadsAnswerInHostOrder) {
  host_->Load(kHost);
  Backend& b = host_->Backend();
  auto info = Info(b);
  EXPECT_EQ(Names(info->GetVirtualSwitches(false)), "sw1 sw0");
  EXPECT_EQ(Names(info->GetVirtualSwitches(true)), "sys");
  std::string groups;
  for (const auto& pg : Switch(b, "sw1")->GetPortGroups()) {
    groups += pg->GetName() + "/" + std::to_string(pg->GetVlanId()) + "/" +
              std::to_string(pg->GetPorts().size()) + "/" +
              std::to_string(pg->GetTeamingPolicy().GetUplinkOrder().size()) + " ";
  }
  EXPECT_EQ(groups, "pgB/5/2/0 pgA/0/0/1 ");
  auto dvs = info->GetDVSwitches();
  ASSERT_EQ(Names(dvs), "dvs0");
  EXPECT_EQ(dvs[0]->GetDVSName() + " " + dvs[0]->GetSwitchId(), "dvs-zero id-0");
  auto ports = dvs[0]->GetDVPorts();
  std::vector<std::string> clients;
  EXPECT_EQ(Names(ports), "2 1");
  EXPECT_TRUE(ports[0]->IsInUse(clients));
  EXPECT_FALSE(ports[1]->IsInUse(clients));
  EXPECT_EQ(clients, std::vector<std::string>{"vm1.eth0"});
  EXPECT_EQ(Names(info->GetOpaqueSwitches()), "ovl0");

  std::string answers;
  for (bool answer :
       {b.IsValidVirtualSwitch("dvs0"), b.IsValidVirtualSwitch("ovl0"), b.SwitchExists("sw0"),
        b.SwitchExists("dvs0"), info->IsStandardSwitch("sw1"), b.IsValidPortGroup("pgA"),
        b.IsValidPortGroup("sw0"), b.OpenDVPort({"id-0", "1", 0})->IsValid(),
        b.OpenDVPort({"id-0", "9", 0})->IsValid()}) {
    answers += answer ? "1" : "0";
  }
  EXPECT_EQ(answers, "101011010");
  EXPECT_EQ(b.GetAllPortGroupNames()->GetNames(), (std::set<std::string>{"pgA", "pgB", "pgS"}));
  EXPECT_EQ(b.ParseCdpStatus("Advertise"), 2);

  std::string timeouts;
  for (const auto& t : info->GetUplinkTimeoutConfig("", 5, "up1")) timeouts += t.portset + " ";
  for (const auto& t : info->GetUplinkTimeoutConfig("ps0", 0, "")) timeouts += t.uplink + " ";
  for (const auto& t : info->GetLagTimeoutConfig("ps1", 0)) timeouts += t.portset + " ";
  EXPECT_EQ(timeouts, "ps0 ps1 up1 up2 ps1 ");

  info->AddVirtualSwitch({}, {}, {}, {}, "a-new", 16);
  Switch(b, "sw1")->AddPortGroup("aaa");
  EXPECT_EQ(Names(info->GetVirtualSwitches(false)), "sw1 sw0 a-new");
  EXPECT_EQ(Names(Switch(b, "sw1")->GetPortGroups()), "pgB pgA aaa");
}

// A listing's switches may be asked for their port groups in any order, more
// than once, and after changes and other listings.
TEST_P(BackendContract, ListedSwitchesGiveTheirPortGroupsAskedInAnyOrder) {
  host_->Load(kHost);
  Backend& b = host_->Backend();
  auto info = Info(b);
  auto listed = info->GetVirtualSwitches(false);
  ASSERT_EQ(Names(listed), "sw1 sw0");
  EXPECT_EQ(Names(listed[1]->GetPortGroups()), "");
  EXPECT_EQ(Names(listed[0]->GetPortGroups()), "pgB pgA");
  EXPECT_EQ(Names(listed[0]->GetPortGroups()), "pgB pgA");
  Switch(b, "sw1")->AddPortGroup("pgC");
  auto system = info->GetVirtualSwitches(true);
  EXPECT_EQ(Names(listed[0]->GetPortGroups()), "pgB pgA pgC");
  EXPECT_EQ(Names(system[0]->GetPortGroups()), "pgS");
  // What a run reads in order to change it is the host's latest, not what
  // its listing read.
  host_->Open()->GetVirtualSwitchById("sw0")->SetTeamingPolicy(Policy({"nic2"}, 1));
  EXPECT_EQ(Switch(b, "sw0")->GetTeamingPolicy().GetUplinkOrder(),
            std::vector<std::string>{"nic2"});
}

TEST_P(BackendContract, RefusalsNameTheObjectAndChangeNothing) {
  struct Case {
    std::function<void(Backend&)> call;
    const char* names;  // each must be in the message
  };
  // clang-format off
  const Case cases[] = {
      {[](Backend& b) { Info(b)->AddVirtualSwitch({}, {}, {}, {}, "", 64); }, ""},
      {[](Backend& b) {
         Info(b)->AddVirtualSwitch({}, {}, {}, {}, std::string(b.MaxSwitchNameSize(), 'a'), 64);
       }, "aaaaaaaa"},
      {[](Backend& b) { Info(b)->AddVirtualSwitch({}, {}, {}, {}, "dvs0", 64); }, "dvs0"},
      {[](Backend& b) { Info(b)->AddDVSwitch("u", "ovl0", "cswitch", "ovl0", 64, 6, 0); }, "ovl0"},
      {[](Backend& b) { Info(b)->RemoveVirtualSwitch("ovl0"); }, "ovl0"},
      {[](Backend& b) { Switch(b, "sw1")->AddUplink("nic9", true); }, "nic9"},
      {[](Backend& b) { Switch(b, "sw0")->AddUplink("nic0", true); }, "nic0 sw1"},
      {[](Backend& b) { Switch(b, "sw1")->RestoreUplinks(); }, "nic1 sw0"},
      {[](Backend& b) { Switch(b, "sw1")->RemoveUplink("nic1", false); }, "nic1 sw1"},
      {[](Backend& b) { Switch(b, "sw1")->RemoveUplink("nic3", true); }, "nic3 sw1"},
      {[](Backend& b) { Switch(b, "sw0")->AddPortGroup(""); }, ""},
      {[](Backend& b) { Switch(b, "sw0")->AddPortGroup("pgS"); }, "pgS"},
      {[](Backend& b) { Switch(b, "sw0")->RemovePortGroup("pgA"); }, "pgA sw0"},
      {[](Backend& b) { Switch(b, "sw1")->GetPortGroups()[0]->SetVlanId(4096); }, "4096"},
      {[](Backend& b) { Switch(b, "sw1")->SetCdpStatus(4); }, "4"},
      {[](Backend& b) { b.ParseCdpStatus("sometimes"); }, "sometimes"},
      {[](Backend& b) { Switch(b, "sw1")->SetTeamingPolicy(Policy({"nic0", "nic9"}, 1)); }, "nic9"},
      {[](Backend& b) { b.OpenPortGroup("pgA")->SetTeamingPolicy(Policy({"nic9"}, 1)); }, "nic9"},
      {[](Backend& b) { Switch(b, "dvs0"); }, "dvs0"},
      {[](Backend& b) { b.GetDVSwitchByName("sw0"); }, "sw0"},
      {[](Backend& b) { b.GetPortsetById("ovl0"); }, "ovl0"},
      {[](Backend& b) { b.OpenPortGroup("nope"); }, "nope"},
      {[](Backend& b) { b.GetDVSwitchByName("dvs0")->RemoveDVPortUplink("nic2", 0); }, "nic2 dvs0"},
      {[](Backend& b) { b.GetDVSwitchByName("dvs0")->AddDVPortUplink("nic2", {"id-0", "9", 0}); },
       "9 dvs0"},
      {[](Backend& b) { b.OpenDVPort({"id-0", "9", 0})->SetConnectionId(5); }, "9"},
      {[](Backend& b) { Info(b)->GetOpaqueSwitches()[0]->SetMtu(1500); }, "ovl0"},
      {[](Backend& b) { b.GetPortsetById("sw0")->ReassociateUplinks(false, false, 1, 0); }, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    host_->Load(kHost);
    ExpectRefused([&] { c.call(host_->Backend()); }, c.names);
  }
}

TEST_P(BackendContract, HandleOfARemovedSwitchIsRefused) {
  host_->Load(kHost);
  Backend& b = host_->Backend();
  auto stale = Switch(b, "sw0");
  Info(b)->RemoveVirtualSwitch("sw0");
  Info(b)->AddVirtualSwitch({}, {}, {}, {}, "sw0", 64);
  ExpectRefused([&] { stale->SetMtu(9000); }, "sw0");
}

TEST_P(BackendContract, RebootKeepsTheConfigurationThatRestoreBringsBack) {
  host_->Load(kHost);
  Backend& b = host_->Backend();
  if (!GetParam().reboots) {
    ExpectRefused([&] { b.Reboot(); }, "running");
    return;
  }
  b.Reboot();
  EXPECT_EQ(host_->Dump(), Expected([](HostDocument& d) {
              for (auto& sw : d.switches) {
                sw.row.running = false;
                sw.row.uplinks.clear();
                sw.row.ens = {};
              }
              d.dvswitches[0].row.running = false;
              d.ensActivateNode = 0;
            }));
  EXPECT_THROW(b.GetDVSwitchByName("dvs0"), QuorvicException);
  EXPECT_FALSE(b.IsValidPortGroup("pgA"));
  Info(b)->RestoreDVSwitches(b.DefaultDVSCacheFile());
  EXPECT_EQ(b.GetDVSwitchByName("dvs0")->GetName(), "dvs0");
  EXPECT_THROW(Switch(b, "sw1"), QuorvicException);
  Info(b)->RestoreVirtualSwitches();
  Switch(b, "sw1")->RestoreUplinks();
  EXPECT_EQ(Switch(b, "sw1")->GetUplinks(), (std::vector<std::string>{"nic0", "nic1"}));
  EXPECT_EQ(host_->Dump(), Expected([](HostDocument& d) {
              for (auto& sw : d.switches) sw.row.ens = {};
              d.switches[0].row.uplinks = {"nic0", "nic1"};
              d.switches[1].row.uplinks = {};
              d.ensActivateNode = 0;
            }));
}

// A run of the tool reads a policy, changes it and writes it back in separate
// calls. Two processes each link their own pnics to one switch that way, one
// run (one backend) per pnic, at the same time: no change may be lost.
TEST_P(BackendContract, ConcurrentReadModifyWriteRunsLoseNoChange) {
  constexpr int kRuns = 20;
  std::vector<std::string> pnics;
  std::string json = R"({"pnics": [)";
  for (int i = 0; i < 2 * kRuns; ++i) {
    pnics.push_back("nic" + std::to_string(i));
    json += (i == 0 ? "\"" : ", \"") + pnics.back() + "\"";
  }
  host_->Load(json + R"(], "switches": [{"name": "sw0", "teaming": {"uplinkOrder": []}}]})");
  host_->Close();
  auto linkPnics = [&](int process) {
    try {
      for (int run = 0; run < kRuns; ++run) {
        auto backend = host_->Open();
        auto sw = backend->GetVirtualSwitchById("sw0");
        NicTeamingPolicy policy = sw->GetTeamingPolicy();
        std::vector<std::string> order = policy.GetUplinkOrder();
        order.push_back(pnics[process * kRuns + run]);
        sw->AddUplink(order.back(), true);
        policy.SetUplinkOrder(order);
        sw->SetTeamingPolicy(policy);
      }
    } catch (const QuorvicException&) {
      return 1;
    }
    return 0;
  };
  EXPECT_EQ(RunForked(2, linkPnics), (std::vector<int>{0, 0}));
  std::vector<std::string> order = host_->Backend().ReadHost().switches[0].row.teaming.order;
  std::sort(pnics.begin(), pnics.end());
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, pnics);
}

INSTANTIATE_TEST_SUITE_P(Backends, BackendContract, testing::ValuesIn(TestHostFactories()),
                         [](const auto& param) { return param.param.name; });

}  // namespace
}  // namespace contract
