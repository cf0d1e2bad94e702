#include "commands/restore.h"

#include <memory>
#include <vector>

#include "hostnet/network_info_impl.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/virtual_switch.h"
#include "output/output.h"

using Quorvic::Network::VirtualSwitch;
using Quorvic::Network::VirtualSwitchInfo;

void RestoreCommand(VirtualSwitchInfo& info) {
  try {
    info.RestoreDVSwitches(Korvel::Network::NetworkInfoImpl::DefaultDVSCacheFile);
  } catch (const Quorvic::Lib::QuorvicException& e) {
    // The standard switches do not depend on the DVSwitches; restore them anyway.
    ErrorLine() << e.GetMessage();
  }
  info.Refresh();
  info.RestoreVirtualSwitches();
}

void RestoreUplinksCommand(VirtualSwitchInfo& info) {
  const std::vector<std::unique_ptr<VirtualSwitch>> switches = info.GetVirtualSwitches(false);
  for (const std::unique_ptr<VirtualSwitch>& vswitch : switches) {
    vswitch->RestoreUplinks();
  }
}

void RestoreBlock(RunContext& run) { RestoreCommand(run.info); }

void RestoreUplinksBlock(RunContext& run) { RestoreUplinksCommand(run.info); }
