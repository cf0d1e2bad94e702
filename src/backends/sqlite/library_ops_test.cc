#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "backends/sqlite/test_host.h"
#include "hostnet/karn.h"
#include "hostnet/korvel_impl.h"
#include "hostnet/network_factory.h"
#include "hostnet/network_info_impl.h"

namespace sqlite_host {
namespace {

using Korvel::Network::NetworkInfoImpl;
using Quorvic::Network::DVPortParam;
using Quorvic::Network::NetworkFactory;
using Quorvic::Network::NicTeamingPolicy;

const char* const kHost = R"({
  "pnics": ["nic0", "nic1", "nic2", "nic3"],
  "switches": [
    {"name": "sw0", "uplinks": ["nic0"], "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
     "portGroups": [{"name": "pg0"}]},
    {"name": "sw1", "uplinks": ["nic1"]}
  ],
  "dvswitches": [{"name": "dvs0", "switchId": "id-0", "dvports": [{"id": "1"}]}],
  "opaqueSwitches": [{"name": "ovl0"}],
  "uplinkTimeouts": [{"portset": "ps0", "uplink": "up1", "lagId": 5, "timeout": 1},
                     {"portset": "ps1", "uplink": "up1", "lagId": 5, "timeout": 2},
                     {"portset": "ps0", "uplink": "up2", "lagId": 6, "timeout": 3}],
  "lagTimeouts": [{"portset": "ps0", "lagId": 5}, {"portset": "ps1", "lagId": 5}]
})";

std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> Info() {
  return NetworkInfoImpl().GetVirtualSwitchInfo();
}

std::unique_ptr<Quorvic::Network::VirtualSwitch> Switch(const char* name) {
  return NetworkFactory::GetVirtualSwitchById(name, 0);
}

TEST(LibraryOps, RefusalsNameTheProblemAndChangeNothing) {
  struct Case {
    std::function<void()> call;
    std::string error;
  };
  const Case cases[] = {
      {[] { Info()->AddVirtualSwitch({}, {}, {}, {}, "", 128); },
       "VirtualSwitchInfo.AddVirtualSwitch: a switch name must not be empty"},
      {[] { Info()->AddVirtualSwitch({}, {}, {}, {}, std::string(32, 'a'), 128); },
       "VirtualSwitchInfo.AddVirtualSwitch: switch name " + std::string(32, 'a') +
           " is longer than 31 bytes"},
      {[] { Info()->AddVirtualSwitch({}, {}, {}, {}, "dvs0", 128); },
       "VirtualSwitchInfo.AddVirtualSwitch: a switch named dvs0 already exists"},
      {[] { Info()->AddVirtualSwitch({}, {}, {}, {}, "x", 5000); },
       "VirtualSwitchInfo.AddVirtualSwitch: port count 5000 is out of range 8-4096"},
      {[] { Info()->AddDVSwitch("u", "ovl0", "cswitch", "ovl0", 128, 6, 0); },
       "VirtualSwitchInfo.AddDVSwitch: a switch named ovl0 already exists"},
      {[] { Info()->RemoveVirtualSwitch("ovl0"); },
       "VirtualSwitchInfo.RemoveVirtualSwitch: no standard switch or DVSwitch named ovl0"},
      {[] { Switch("sw0")->AddUplink("nic9", true); },
       "VirtualSwitch.AddUplink: pnic nic9 does not exist"},
      {[] { Switch("sw0")->AddUplink("nic1", true); },
       "VirtualSwitch.AddUplink: pnic nic1 is already linked to sw1"},
      {[] { Switch("sw0")->RemoveUplink("nic1", false); },
       "VirtualSwitch.RemoveUplink: pnic nic1 is not linked to sw0"},
      {[] { Switch("sw0")->RemoveUplink("nic3", true); },
       "VirtualSwitch.RemoveUplink: pnic nic3 is not in the stored configuration of sw0"},
      {[] { Switch("sw1")->AddPortGroup("pg0"); },
       "VirtualSwitch.AddPortGroup: port group pg0 already exists on sw0"},
      {[] { Switch("sw1")->RemovePortGroup("pg0"); },
       "VirtualSwitch.RemovePortGroup: no port group named pg0 on sw1"},
      {[] { Switch("sw0")->GetPortGroups()[0]->SetVlanId(5000); },
       "PortGroup.SetVlanId: VLAN ID 5000 is out of range 0-4095"},
      {[] { Switch("sw0")->SetMtu(100); },
       "VirtualSwitch.SetMtu: MTU 100 is out of range 1280-9000"},
      {[] { Switch("sw0")->SetCdpStatus(4); },
       "VirtualSwitch.SetCdpStatus: CDP status 4 is out of range 0-3"},
      {[] { Korvel::Network::VirtualSwitchImpl::ParseCdpStatus("sometimes"); },
       "VirtualSwitchImpl.ParseCdpStatus: unknown CDP status sometimes"},
      {[] {
         NicTeamingPolicy policy;
         policy.SetUplinkOrder({"nic0", "nic9"});
         Switch("sw0")->SetTeamingPolicy(policy);
       },
       "VirtualSwitch.SetTeamingPolicy: pnic nic9 does not exist"},
      {[] { Switch("dvs0"); },
       "NetworkFactory.GetVirtualSwitchById: no standard switch named dvs0"},
      {[] { NetworkFactory::GetDVSwitchByName("sw0"); },
       "NetworkFactory.GetDVSwitchByName: no DVSwitch named sw0"},
      {[] { NetworkFactory::GetDVSwitchByName("dvs0")->RemoveDVPortUplink("nic3", 0); },
       "DVSwitch.RemoveDVPortUplink: no DVPort of dvs0 has uplink nic3"},
      {[] {
         NetworkFactory::GetDVSwitchByName("dvs0")->AddDVPortUplink("nic3", {"id-0", "9", 0});
       },
       "DVSwitch.AddDVPortUplink: DVPort 9 does not exist on dvs0"},
      {[] {
         Korvel::Network::DVPortImpl({"id-0", "9", 0}).SetConnectionId(5);
       },
       "DVPortImpl.SetConnectionId: no DVPort 9 on a DVSwitch with switch id id-0"},
      {[] { Korvel::Network::PortGroupImpl("nope"); },
       "PortGroupImpl.PortGroupImpl: no port group named nope"},
      {[] { Info()->GetOpaqueSwitches()[0]->SetMtu(1500); },
       "DVSwitch.SetMtu: opaque switch ovl0 does not support SetMtu"},
      {[] { NetworkFactory::GetPortsetById("sw0")->ReassociateUplinks(false, false, 1, 0); },
       "Portset.ReassociateUplinks: the reserved arguments must be 0"},
      {[] {
         auto sw = Switch("sw1");
         Info()->RemoveVirtualSwitch("sw1");
         Info()->AddVirtualSwitch({}, {}, {}, {}, "sw1", 128);
         sw->SetMtu(9000);
       },
       "VirtualSwitch.SetMtu: standard switch sw1 no longer exists"},
  };
  TempHost host;
  for (const Case& c : cases) {
    host.Load(kHost);
    std::string before = host.Dump();
    EXPECT_EQ(InChild([&] {
                c.call();
                return std::string("no throw");
              }),
              "throws " + c.error);
    if (c.error.find("no longer exists") == std::string::npos) {
      EXPECT_EQ(host.Dump(), before) << c.error;
    }
  }
}

// Runs call in a run of its own on a fresh copy of kHost and returns the dump.
std::string DumpAfter(const TempHost& host, const std::function<std::string()>& call,
                      std::string* result = nullptr) {
  host.Load(kHost);
  std::string answer = InChild(call);
  if (result != nullptr) *result = answer;
  return host.Dump();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(LibraryOps, UplinksFollowLinkUnlinkAndConfigurationOnlyUnlink) {
  TempHost host;
  std::string dump = DumpAfter(host, [] {
    auto sw = Switch("sw0");
    sw->AddUplink("nic2", true);
    sw->AddUplink("nic0", true);  // already linked here: nothing changes
    return std::string();
  });
  EXPECT_TRUE(Has(
      dump, "\"uplinks\": [\"nic0\", \"nic2\"],\n      \"configUplinks\": [\"nic0\", \"nic2\"]"));

  dump = DumpAfter(host, [] {
    Switch("sw0")->RemoveUplink("nic0", true);
    return std::string();
  });
  EXPECT_TRUE(Has(dump, "\"uplinks\": [\"nic0\"],\n      \"configUplinks\": []"));

  dump = DumpAfter(host, [] {
    Switch("sw1")->RemoveUplink("nic1", false);
    Switch("sw0")->AddUplink("nic1", true);  // free again
    return std::string();
  });
  EXPECT_TRUE(Has(dump, "\"uplinks\": [\"nic0\", \"nic1\"]"));
  EXPECT_TRUE(Has(dump, "\"uplinks\": [],\n      \"configUplinks\": []"));
}

TEST(LibraryOps, DVPortsPortsetsAndKernelNodeKeepTheirState) {
  TempHost host;
  std::string answers;
  std::string dump = DumpAfter(
      host,
      [] {
        auto dvs = NetworkFactory::GetDVSwitchByName("dvs0");
        Korvel::Network::DVPortImpl port({dvs->GetSwitchId(), "1", 0});
        Korvel::Network::DVPortImpl missing({dvs->GetSwitchId(), "2", 0});
        std::string seen = std::to_string(port.IsValid()) + std::to_string(missing.IsValid());
        port.SetConnectionId(42);
        seen += " " + std::to_string(port.GetConnectionId());
        port.TestDVPortZet();
        port.TestDVPortZet();
        dvs->AddDVPortUplink("nic3", {dvs->GetSwitchId(), "1", 42});
        dvs->AddDVPortUplink("nic2", {dvs->GetSwitchId(), "1", 42});
        dvs->RemoveDVPortUplink("nic3", 0);
        auto portset = NetworkFactory::GetPortsetById("sw0");
        portset->ActivateEns(true, false);
        portset->ReassociateUplinks(portset->IsEnsActive(), true, 0, 0);
        portset->ReassociateUplinks(portset->IsEnsActive(), false, 0, 0);
        NetworkFactory::GetPortsetById("dvs0")->ActivateEns(false, true);
        NetworkFactory::GetPortsetById("dvs0")->DeactivateEns();
        KARN_ParamList* list = Korvel::Util::SysinfoUtil::GetIntParamList(1, 0);
        seen += " " + std::to_string(KARN_Set(KARN_NODE_net_ens_activate, 0, list, 0, 0));
        KARN_ParamListDestroy(list);
        return seen;
      },
      &answers);
  EXPECT_EQ(answers, "10 42 0");
  EXPECT_TRUE(Has(
      dump,
      R"({"id": "1", "clients": [], "connectionId": 42, "uplinks": ["nic2"], "testEvents": 2})"));
  EXPECT_TRUE(Has(dump,
                  "\"uplinks\": [\"nic3\", \"nic2\"],\n      \"ens\": {\"active\": false, "
                  "\"interrupt\": false, \"fastSwitch\": true"));
  EXPECT_TRUE(Has(
      dump,
      R"("ens": {"active": true, "interrupt": true, "fastSwitch": false, "reassociations": 2, "forcedReassociations": 1})"));
  EXPECT_TRUE(Has(dump, "\"ensActivateNode\": 1"));
}

TEST(LibraryOps, TimeoutSelectionsMatchEmptyAndZeroAsAny) {
  TempHost host;
  std::string answers;
  std::string dump = DumpAfter(
      host,
      [] {
        auto info = Info();
        std::string seen;
        for (const auto& t : info->GetUplinkTimeoutConfig("", 5, "up1")) seen += t.portset + " ";
        for (const auto& t : info->GetUplinkTimeoutConfig("ps0", 0, "")) seen += t.uplink + " ";
        for (const auto& t : info->GetLagTimeoutConfig("ps1", 0)) seen += t.portset + " ";
        info->LoadUplinkTimeoutConfig("ps0", 0, "up2");
        info->LoadLagTimeoutConfig("", 5);
        return seen;
      },
      &answers);
  EXPECT_EQ(answers, "ps0 ps1 up1 up2 ps1 ");
  EXPECT_TRUE(Has(
      dump, R"({"portset": "ps0", "uplink": "up1", "lagId": 5, "timeout": 1, "loaded": false})"));
  EXPECT_TRUE(Has(
      dump, R"({"portset": "ps0", "uplink": "up2", "lagId": 6, "timeout": 3, "loaded": true})"));
  EXPECT_TRUE(Has(dump, R"({"portset": "ps1", "lagId": 5, "timeout": 0, "loaded": true})"));
}

}  // namespace
}  // namespace sqlite_host
