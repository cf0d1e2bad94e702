#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "backends/faults/fault_injection_backend.h"
#include "backends/faults/fault_match.h"
#include "backends/sqlite/test_host.h"
#include "hostnet/process_backend.h"
#include "hostnet/quorvic_exception.h"

namespace faults {
namespace {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;
using sqlite_host::TempHost;

TEST(FaultMatch, MatchesOperationAndTarget) {
  struct Case {
    const char* op;
    const char* target;  // null: no target
    const char* call;
    const char* object;
    const char* arg;
    bool fires;
  };
  // clang-format off
  const Case cases[] = {
      {"VirtualSwitch.AddUplink", nullptr, "VirtualSwitch.AddUplink", "sw0", "nic1", true},
      {"AddUplink", nullptr, "VirtualSwitch.AddUplink", "sw0", "nic1", true},
      {"DVSwitch.AddUplink", nullptr, "VirtualSwitch.AddUplink", "sw0", "nic1", false},
      {"AddUplinks", nullptr, "VirtualSwitch.AddUplink", "sw0", "nic1", false},
      {"Uplink", nullptr, "VirtualSwitch.AddUplink", "sw0", "nic1", false},
      {"AddUplink", "sw0", "VirtualSwitch.AddUplink", "sw0", "nic1", true},
      {"AddUplink", "nic1", "VirtualSwitch.AddUplink", "sw0", "nic1", true},
      {"AddUplink", "sw1", "VirtualSwitch.AddUplink", "sw0", "nic1", false},
      {"GetVirtualSwitchById", "sw9", "NetworkFactory.GetVirtualSwitchById", "", "sw9", true},
      {"GetVirtualSwitchById", "", "NetworkFactory.GetVirtualSwitchById", "", "sw9", false},
      {"KARN_Set", nullptr, "KARN_Set", "", "", true},
      {"Set", nullptr, "KARN_Set", "", "", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    hostnet::FaultRow fault;
    fault.op = c.op;
    if (c.target != nullptr) fault.target = c.target;
    EXPECT_EQ(FaultMatches(fault, c.call, c.object, c.arg), c.fires)
        << c.op << " target " << (c.target ? c.target : "(none)") << " on " << c.call;
  }
}

// One run of the tool on a host: the fault-injecting wrapper around a backend
// of its own, installed as the process's backend so that the library's value
// calls (policy accessors) reach it too. The run ends with the object.
class ToolRun {
 public:
  explicit ToolRun(const TempHost& host) {
    Path() = host.Path();
    hostnet::SetBackendOpener([]() -> std::unique_ptr<hostnet::Backend> {
      return std::make_unique<FaultInjectionBackend>(
          std::make_unique<sqlite_host::SqliteBackend>(Path()));
    });
  }
  ~ToolRun() { hostnet::SetBackendOpener(nullptr); }
  hostnet::Backend* operator->() { return &hostnet::ProcessBackend(); }

 private:
  static std::string& Path() {
    static std::string path;
    return path;
  }
};

// Adds port group name to switch sw in a run of its own; the detailed
// message of the refusal, if any.
std::string AddPortGroup(const TempHost& host, const char* sw, const char* name) {
  try {
    ToolRun(host)->GetVirtualSwitchById(sw)->AddPortGroup(name);
    return "added";
  } catch (const QuorvicException& e) {
    return e.GetDetailedMessage();
  }
}

TEST(Faults, FireOnTheirTargetOnlyAndCountDownAcrossRuns) {
  TempHost host;
  host.Load(R"({"switches": [{"name": "sw0"}, {"name": "sw1"}],
                "faults": [{"op": "VirtualSwitch.AddPortGroup", "target": "sw0",
                            "message": "port table full", "times": 2}]})");
  EXPECT_EQ(AddPortGroup(host, "sw1", "a"), "added");
  EXPECT_EQ(AddPortGroup(host, "sw0", "b"), "VirtualSwitch.AddPortGroup: port table full");
  EXPECT_EQ(host.Open()->ReadFaults().at(0).times, 1);
  EXPECT_EQ(AddPortGroup(host, "sw0", "c"), "VirtualSwitch.AddPortGroup: port table full");
  EXPECT_EQ(AddPortGroup(host, "sw0", "d"), "added");
  hostnet::HostDocument doc = host.Open()->ReadHost();
  EXPECT_TRUE(doc.faults.empty());
  ASSERT_EQ(doc.switches[0].portGroups.size(), 1u);  // the failed calls changed nothing
  EXPECT_EQ(doc.switches[0].portGroups[0].name, "d");
}

TEST(Faults, TheBackendsOwnRefusalsNameTheOperation) {
  TempHost host;
  EXPECT_EQ(AddPortGroup(host, "sw9", "a"),
            "NetworkFactory.GetVirtualSwitchById: no standard switch named sw9");
  EXPECT_EQ(AddPortGroup(host, "vSwitch0", "Management"),
            "VirtualSwitch.AddPortGroup: port group Management already exists on vSwitch0");
}

TEST(Faults, CountedFaultFiresOnlyItsTimesWithinOneRun) {
  TempHost host;
  host.Load(R"({"switches": [{"name": "sw0"}],
                "faults": [{"op": "GetName", "message": "gone", "times": 1}]})");
  ToolRun run(host);
  auto sw = run->GetVirtualSwitchById("sw0");
  std::string seen;
  for (int i = 0; i < 3; ++i) {
    try {
      seen += sw->GetName() + ";";
    } catch (const QuorvicException& e) {
      seen += e.GetMessage() + ";";
    }
  }
  EXPECT_EQ(seen, "gone;sw0;sw0;");
}

TEST(Faults, KernelCallsReturnTheFaultStatus) {
  TempHost host;
  host.Load(R"({"faults": [{"op": "KARN_CheckSig", "message": "m", "status": 7},
                           {"op": "KARN_Set", "message": "m"},
                           {"op": "SysinfoUtil.GetIntParamList", "message": "m", "times": 1}]})");
  {
    ToolRun run(host);
    KARN_SigInfo info{};
    KARN_SigError error{};
    EXPECT_EQ(run->KernelCheckSig(&info, 21, &error), 7);
    EXPECT_EQ(run->GetIntParamList(1, 0), nullptr);
    std::unique_ptr<KARN_ParamList> list(run->GetIntParamList(1, 0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(run->KernelSet(run->EnsActivateNode(), 0, list.get(), 0, 0), 1);
  }
  EXPECT_EQ(host.Open()->ReadHost().ensActivateNode, 0u);
}

TEST(Faults, CallsTheBackendMakesOnItsOwnBehalfFireNone) {
  TempHost host;
  host.Load(R"({"pnics": ["nic0", "nic1"],
                "switches": [{"name": "sw0", "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}],
                "faults": [{"op": "GetMask", "message": "mask"},
                           {"op": "GetUplinkOrder", "message": "order"}]})");
  {
    ToolRun run(host);
    NicTeamingPolicy policy(NicTeamingPolicy::UPLINK_ORDER_SET, {"nic1", "nic0"}, 1);
    run->GetVirtualSwitchById("sw0")->SetTeamingPolicy(policy);  // reads mask and order itself
    try {
      policy.GetMask();
      ADD_FAILURE() << "GetMask did not fire";
    } catch (const QuorvicException& e) {
      EXPECT_EQ(e.GetDetailedMessage(), "NicTeamingPolicy.GetMask: mask");
    }
  }
  EXPECT_EQ(host.Open()->ReadHost().switches[0].row.teaming.order,
            (std::vector<std::string>{"nic1", "nic0"}));
}

}  // namespace
}  // namespace faults
