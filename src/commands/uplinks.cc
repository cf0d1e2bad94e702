#include "commands/uplinks.h"

#include "commands/uplink_order.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::VirtualSwitch;

int LinkPnic(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& pnic = line.uplinkName;
  const NicTeamingPolicy saved = vswitch.GetTeamingPolicy();
  try {
    NicTeamingPolicy policy = vswitch.GetTeamingPolicy();
    const bool changed = AddUplinkToOrder(pnic, policy);
    vswitch.AddUplink(pnic, true);
    if (changed) vswitch.SetTeamingPolicy(policy);
    return 0;
  } catch (const QuorvicException& e) {
    // Whatever step failed, the switch goes back to the policy it had; a
    // host that did not answer is not asked again, and the message says
    // what is known.
    if (!e.NoAnswer()) vswitch.SetTeamingPolicy(saved);
    ErrorLine() << "Failed to add uplink " << pnic << " to vswitch " << vswitch.GetName()
                << ", Error: " << e.GetMessage();
    return 1;
  }
}

int UnlinkPnic(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& pnic = line.uplinkName;
  try {
    NicTeamingPolicy policy = vswitch.GetTeamingPolicy();
    if (RemoveUplinkFromOrder(pnic, policy)) vswitch.SetTeamingPolicy(policy);
    vswitch.RemoveUplink(pnic, false);
    return 0;
  } catch (const QuorvicException& e) {
    // A host that did not answer is not asked again.
    if (e.NoAnswer()) throw;
    // The running switch would not let go of it; the stored configuration
    // still can, so the pnic is not linked again at the next restore.
    ErrorLine() << "Removing from config file only";
    vswitch.RemoveUplink(pnic, true);
    return 0;
  }
}
