#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "backends/faults/fault_injection_backend.h"
#include "backends/sqlite/test_host.h"
#include "hostnet/process_backend.h"
#include "hostnet/quorvic_exception.h"

namespace faults {
namespace {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;
using sqlite_host::TempHost;

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
