#include "list/list_command.h"

#include <memory>
#include <vector>

#include "list/dv_switch_listing.h"
#include "list/opaque_switch_listing.h"
#include "list/virtual_switch_listing.h"

using Quorvic::Network::DVSwitch;
using Quorvic::Network::VirtualSwitch;
using Quorvic::Network::VirtualSwitchInfo;

int ListSwitches(VirtualSwitchInfo& info, bool system) {
  // Declared in this order so they are released in the reverse one: opaque
  // switches, DVSwitches, standard switches.
  std::vector<std::unique_ptr<VirtualSwitch>> vswitches;
  std::vector<std::unique_ptr<DVSwitch>> dvswitches;
  std::vector<std::unique_ptr<DVSwitch>> opaqueSwitches;
  int count = 0;

  vswitches = info.GetVirtualSwitches(system);
  for (const std::unique_ptr<VirtualSwitch>& vswitch : vswitches) {
    ++count;
    ListVirtualSwitch(*vswitch);
  }
  if (!system) {
    dvswitches = info.GetDVSwitches();
    for (const std::unique_ptr<DVSwitch>& dvswitch : dvswitches) {
      ListDVSwitch(*dvswitch);
      ++count;
    }
    opaqueSwitches = info.GetOpaqueSwitches();
    for (const std::unique_ptr<DVSwitch>& opaqueSwitch : opaqueSwitches) {
      ListOpaqueSwitch(*opaqueSwitch);
      ++count;
    }
  }
  return count == 0 ? 1 : 0;
}

void ListBlock(RunContext& run) { run.result = ListSwitches(run.info, run.line.Has(Bit::kSystem)); }
