#include <gtest/gtest.h>

#include <string>

#include "hostnet/karn.h"
#include "hostnet/network_factory.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/quorvic_exception.h"
#include "hostsim/fault_match.h"
#include "hostsim/test_host.h"

namespace hostsim {
namespace {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NetworkFactory;

TEST(FaultMatch, MatchesOperationAndTarget) {
  struct Case {
    const char* op;
    const char* target;  // null: no target
    const char* cls;
    const char* object;
    const char* arg;
    bool fires;
  };
  const Case cases[] = {
      {"VirtualSwitch.AddUplink", nullptr, "VirtualSwitch", "sw0", "nic1", true},
      {"AddUplink", nullptr, "VirtualSwitch", "sw0", "nic1", true},
      {"DVSwitch.AddUplink", nullptr, "VirtualSwitch", "sw0", "nic1", false},
      {"AddUplinks", nullptr, "VirtualSwitch", "sw0", "nic1", false},
      {"AddUplink", "sw0", "VirtualSwitch", "sw0", "nic1", true},
      {"AddUplink", "nic1", "VirtualSwitch", "sw0", "nic1", true},
      {"AddUplink", "sw1", "VirtualSwitch", "sw0", "nic1", false},
      {"GetVirtualSwitchById", "sw9", "NetworkFactory", "", "sw9", true},
      {"GetVirtualSwitchById", "", "NetworkFactory", "", "sw9", false},
      {"KARN_Set", nullptr, "", "", "", true},
      {".KARN_Set", nullptr, "", "", "", false},
  };
  for (const Case& c : cases) {
    FaultRow fault;
    fault.op = c.op;
    if (c.target != nullptr) fault.target = c.target;
    EXPECT_EQ(FaultMatches(fault, c.cls, "AddUplink", c.object, c.arg) ||
                  FaultMatches(fault, c.cls, "GetVirtualSwitchById", c.object, c.arg) ||
                  FaultMatches(fault, c.cls, "KARN_Set", c.object, c.arg),
              c.fires)
        << c.op << " target " << (c.target ? c.target : "(none)");
  }
}

// Adds port group name to switch sw in a run of its own.
std::string AddPortGroup(const std::string& sw, const std::string& name) {
  return InChild([&] {
    Korvel::Network::NetworkInfoImpl info;
    NetworkFactory::GetVirtualSwitchById(sw, 0)->AddPortGroup(name);
    return std::string("added");
  });
}

TEST(Faults, FireOnTheirTargetOnlyAndCountDownAcrossRuns) {
  TempHost host;
  host.Load(R"({"switches": [{"name": "sw0"}, {"name": "sw1"}],
                "faults": [{"op": "VirtualSwitch.AddPortGroup", "target": "sw0",
                            "message": "port table full", "times": 2}]})");
  EXPECT_EQ(AddPortGroup("sw1", "a"), "added");
  EXPECT_EQ(AddPortGroup("sw0", "b"), "throws VirtualSwitch.AddPortGroup: port table full");
  EXPECT_NE(host.Dump().find("\"times\": 1"), std::string::npos);
  EXPECT_EQ(AddPortGroup("sw0", "c"), "throws VirtualSwitch.AddPortGroup: port table full");
  EXPECT_EQ(AddPortGroup("sw0", "d"), "added");
  std::string dump = host.Dump();
  EXPECT_NE(dump.find("\"faults\": []"), std::string::npos);
  // A failed call changed nothing.
  EXPECT_EQ(dump.find("\"b\""), std::string::npos);
  EXPECT_EQ(dump.find("\"c\""), std::string::npos);
}

TEST(Faults, CountedFaultFiresOnlyItsTimesWithinOneRun) {
  TempHost host;
  host.Load(R"({"switches": [{"name": "sw0"}],
                "faults": [{"op": "GetName", "message": "gone", "times": 1}]})");
  std::string result = InChild([] {
    auto sw = NetworkFactory::GetVirtualSwitchById("sw0", 0);
    std::string seen;
    for (int i = 0; i < 3; ++i) {
      try {
        seen += sw->GetName() + ";";
      } catch (const QuorvicException& e) {
        seen += e.GetMessage() + ";";
      }
    }
    return seen;
  });
  EXPECT_EQ(result, "gone;sw0;sw0;");
}

TEST(Faults, KernelCallsReturnTheFaultStatus) {
  TempHost host;
  host.Load(R"({"faults": [{"op": "KARN_CheckSig", "message": "m", "status": 7},
                           {"op": "KARN_Set", "message": "m"},
                           {"op": "SysinfoUtil.GetIntParamList", "message": "m", "times": 1}]})");
  std::string result = InChild([] {
    KARN_SigInfo info{};
    KARN_SigError error{};
    int check = KARN_CheckSig(&info, 21, &error);
    KARN_ParamList* spent = Korvel::Util::SysinfoUtil::GetIntParamList(1, 0);
    KARN_ParamList* list = Korvel::Util::SysinfoUtil::GetIntParamList(1, 0);
    int set = KARN_Set(KARN_NODE_net_ens_activate, 0, list, 0, 0);
    KARN_ParamListDestroy(list);
    return std::to_string(check) + " " + (spent == nullptr ? "null" : "list") + " " +
           (list == nullptr ? "null" : "list") + " " + std::to_string(set);
  });
  EXPECT_EQ(result, "7 null list 1");
  EXPECT_NE(host.Dump().find("\"ensActivateNode\": 0"), std::string::npos);
}

TEST(Faults, LibraryCallsOnItsOwnBehalfFireNone) {
  TempHost host;
  host.Load(R"({"pnics": ["nic0", "nic1"],
                "switches": [{"name": "sw0", "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}],
                "faults": [{"op": "GetMask", "message": "mask"},
                           {"op": "GetUplinkOrder", "message": "order"}]})");
  std::string result = InChild([] {
    Korvel::Network::NetworkInfoImpl info;
    auto sw = NetworkFactory::GetVirtualSwitchById("sw0", 0);
    Quorvic::Network::NicTeamingPolicy policy = sw->GetTeamingPolicy();
    policy.SetUplinkOrder({"nic1", "nic0"});
    sw->SetTeamingPolicy(policy);  // reads the policy without GetMask
    try {
      policy.GetMask();
      return std::string("GetMask did not fire");
    } catch (const QuorvicException& e) {
      return e.GetDetailedMessage();
    }
  });
  EXPECT_EQ(result, "NicTeamingPolicy.GetMask: mask");
  EXPECT_NE(host.Dump().find("\"uplinkOrder\": [\"nic1\", \"nic0\"]"), std::string::npos);
}

}  // namespace
}  // namespace hostsim
