#include "cli/run_phase.h"

#include <memory>

#include "commands/dvport_commands.h"
#include "commands/ens.h"
#include "commands/port_group_uplinks.h"
#include "commands/port_groups.h"
#include "commands/restore.h"
#include "commands/run_context.h"
#include "commands/standard_switch_lookup.h"
#include "commands/switch_lifecycle.h"
#include "commands/switch_settings.h"
#include "commands/timeouts.h"
#include "commands/uplinks.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/virtual_switch_info.h"
#include "list/list_command.h"
#include "output/output.h"

namespace {

// One step of the run: a block, or a block on the named standard switch.
struct RunStep {
  CommandMask guard;  // the step runs when the mask has any of these bits
  Block block = nullptr;
  SwitchBlock switchBlock = nullptr;

  RunStep(CommandMask bits, Block run) : guard(bits), block(run) {}
  RunStep(CommandMask bits, SwitchBlock run) : guard(bits), switchBlock(run) {}

  void Run(RunContext& run) const {
    if (block != nullptr) {
      block(run);
      return;
    }
    const auto vswitch = LookUpStandardSwitch(run.line);
    run.result = switchBlock(*vswitch, run.line);
  }
};

// The whole run, top to bottom. When -a is absent its block leaves result at
// the 0 it starts with.
const RunStep kRunOrder[] = {
    {Bit::kAdd, AddSwitchBlock},
    {Bit::kDelete, RemoveSwitchBlock},
    {Bit::kLink, LinkPnic},
    {Bit::kUnlink, UnlinkPnic},
    {Bit::kRestore, RestoreBlock},
    {Bit::kAddPortGroup, CreatePortGroup},
    {Bit::kDeletePortGroup, DeletePortGroup},
    {Bit::kList, ListBlock},
    {Bit::kCheckPortGroup, CheckPortGroupBlock},
    {Bit::kCheck, CheckSwitchBlock},
    {Bit::kVlan, SetPortGroupVlan},
    {Bit::kCdp, SetOrPrintCdpStatus},
    {Bit::kSetMaxActive, SetSwitchMaxActive},
    {Bit::kGetMaxActive, PrintSwitchMaxActive},
    {Bit::kAddPortGroupUplink | Bit::kDeletePortGroupUplink, PortGroupUplinkBlock},
    {Bit::kAddDVPortUplink | Bit::kDeleteDVPortUplink, DVPortUplinkBlock},
    {Bit::kTestSyncZet, TestSyncZetBlock},
    {Bit::kMtu, MtuBlock},
    {Bit::kRestoreUplinks, RestoreUplinksBlock},
    {Bit::kActivateEns, ActivateEnsBlock},
    {Bit::kDeactivateEns, DeactivateEnsBlock},
    {Bit::kReassociateEns | Bit::kForceReassociateEns, ReassociateEnsBlock},
    {Bit::kLoadUplinkTimeout, LoadUplinkTimeoutBlock},
    {Bit::kGetUplinkTimeout, GetUplinkTimeoutBlock},
    {Bit::kLoadLagTimeout, LoadLagTimeoutBlock},
    {Bit::kGetLagTimeout, GetLagTimeoutBlock},
};

}  // namespace

int RunPhase(const CommandLine& line) {
  if (line.Has(Bit::kEnsReady)) {
    SetEnsActivateNode();
    return 0;
  }
  try {
    // Declared in this order so that unwinding, like a normal end, releases
    // the switch information before the host connection.
    Korvel::Network::NetworkInfoImpl network;
    std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> info = network.GetVirtualSwitchInfo();
    RunContext run{line, *info};
    for (const RunStep& step : kRunOrder) {
      if (line.Has(step.guard)) step.Run(run);
    }
    return run.result;
  } catch (const Quorvic::Lib::QuorvicException& e) {
    ErrorLine() << e.GetDetailedMessage();
    return 1;
  }
}
