#include "commands/port_groups.h"

#include <memory>
#include <vector>

#include "commands/all_portgroups.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::PortGroup;
using Quorvic::Network::VirtualSwitch;

int CreatePortGroup(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& name = line.portGroupName;
  try {
    vswitch.AddPortGroup(name);  // the returned port group is not needed
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to add portgroup: " << name << " to vswitch: " << vswitch.GetName()
                << ", Error: " << e.GetMessage();
    return 1;
  }
}

int DeletePortGroup(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& name = line.portGroupName;
  try {
    vswitch.RemovePortGroup(name);
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to remove portgroup: " << name << ", Error: " << e.GetMessage();
    return 1;
  }
}

int SetPortGroupVlan(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& name = line.portGroupName;
  const uint32_t vlanId = line.vlanId;
  const auto vlan = static_cast<uint16_t>(vlanId);
  const bool all = name == ALL_PORTGROUPS;
  bool found = false;
  bool failed = false;
  // Every port group is visited: names are unique, but ALL selects them all,
  // and one refusal must not keep the others from being set.
  for (const std::unique_ptr<PortGroup>& portGroup : vswitch.GetPortGroups()) {
    if (!all && portGroup->GetName() != name) continue;
    found = true;
    try {
      portGroup->SetVlanId(vlan);
    } catch (const QuorvicException& e) {
      ErrorLine() << "Set vlan id to " << vlanId << " failed for " << portGroup->GetName()
                  << ", Error: " << e.GetMessage();
      failed = true;
    }
  }
  if (found || all) return failed ? 1 : 0;
  ErrorLine() << "No such portgroup: " << name << " under vswitch: " << vswitch.GetName();
  return 1;
}

void CheckPortGroup(const std::string& name) {
  Korvel::Network::NetworkInfoImpl network;
  const auto names = network.GetAllPortGroupNames(0);
  OutputLine() << (names->Contains(name) ? "1" : "0");
}

void CheckPortGroupBlock(RunContext& run) { CheckPortGroup(run.line.portGroupName); }
