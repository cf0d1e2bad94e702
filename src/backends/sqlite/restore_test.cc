#include <gtest/gtest.h>

#include <string>

#include "backends/sqlite/test_host.h"
#include "hostnet/network_factory.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {
namespace {

using Korvel::Network::NetworkInfoImpl;
using Quorvic::Network::NetworkFactory;

const char* const kHost = R"({
  "pnics": ["nic0", "nic1", "nic2"],
  "switches": [
    {"name": "sw0", "uplinks": ["nic0"], "configUplinks": ["nic0", "nic1"],
     "teaming": {"uplinkOrder": ["nic0", "nic1"], "maxActive": 2},
     "ens": {"active": true, "reassociations": 3},
     "portGroups": [{"name": "pg0", "vlan": 7}]},
    {"name": "sw1", "uplinks": ["nic2"]}
  ],
  "dvswitches": [{"name": "dvs0", "dvports": [{"id": "1"}]}],
  "ensActivateNode": 1
})";

// What the tool can see of the host: each switch with its uplinks, or the
// lookup's failure.
std::string Visible() {
  std::string seen;
  for (const char* name : {"sw0", "sw1"}) {
    try {
      auto sw = NetworkFactory::GetVirtualSwitchById(name, 0);
      seen += sw->GetName() + "[";
      for (const std::string& uplink : sw->GetUplinks()) seen += uplink + " ";
      seen += "] ";
    } catch (const Quorvic::Lib::QuorvicException& e) {
      seen += e.GetMessage() + "; ";
    }
  }
  try {
    seen += NetworkFactory::GetDVSwitchByName("dvs0")->GetName();
  } catch (const Quorvic::Lib::QuorvicException& e) {
    seen += e.GetMessage();
  }
  return seen;
}

TEST(Restore, RebootThenRestoreBringsBackTheHost) {
  TempHost host;
  host.Load(kHost);
  auto db = host.Open();
  Store(*db).Reboot();
  HostDocument rebooted = Store(*db).ReadHost();
  EXPECT_FALSE(rebooted.switches[0].row.ens.active);
  EXPECT_EQ(rebooted.switches[0].row.ens.reassociations, 0u);
  EXPECT_EQ(rebooted.ensActivateNode, 0u);
  EXPECT_EQ(rebooted.switches[0].row.configUplinks, (std::vector<std::string>{"nic0", "nic1"}));

  EXPECT_EQ(InChild(Visible),
            "no standard switch named sw0; no standard switch named sw1; no DVSwitch named dvs0");
  EXPECT_EQ(InChild([] {
              NetworkInfoImpl().GetVirtualSwitchInfo()->RestoreDVSwitches(
                  NetworkInfoImpl::DefaultDVSCacheFile);
              return Visible();
            }),
            "no standard switch named sw0; no standard switch named sw1; dvs0");
  EXPECT_EQ(InChild([] {
              NetworkInfoImpl().GetVirtualSwitchInfo()->RestoreVirtualSwitches();
              return Visible();
            }),
            "sw0[] sw1[] dvs0");
  EXPECT_EQ(InChild([] {
              for (auto& sw : NetworkInfoImpl().GetVirtualSwitchInfo()->GetVirtualSwitches(false)) {
                sw->RestoreUplinks();
              }
              return Visible();
            }),
            "sw0[nic0 nic1 ] sw1[nic2 ] dvs0");
  HostDocument restored = Store(*db).ReadHost();
  EXPECT_EQ(restored.switches[0].row.teaming.order, (std::vector<std::string>{"nic0", "nic1"}));
  EXPECT_EQ(restored.switches[0].portGroups[0].vlan, 7u);
}

TEST(Restore, RestoreUplinksRefusesAPnicLinkedElsewhere) {
  TempHost host;
  host.Load(R"({"pnics": ["nic0", "nic1"],
                "switches": [{"name": "sw0", "uplinks": ["nic0"], "configUplinks": ["nic0", "nic1"]},
                             {"name": "sw1", "uplinks": ["nic1"]}]})");
  EXPECT_EQ(InChild([] {
              NetworkFactory::GetVirtualSwitchById("sw0", 0)->RestoreUplinks();
              return std::string("restored");
            }),
            "throws VirtualSwitch.RestoreUplinks: pnic nic1 is already linked to sw1");
  auto db = host.Open();
  EXPECT_EQ(Store(*db).ReadHost().switches[0].row.uplinks, std::vector<std::string>{"nic0"});
}

}  // namespace
}  // namespace sqlite_host
