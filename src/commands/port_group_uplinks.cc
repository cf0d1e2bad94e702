#include "commands/port_group_uplinks.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "commands/end_run.h"
#include "commands/uplink_order.h"
#include "hostnet/korvel_impl.h"
#include "hostnet/network_factory.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::PortGroup;

namespace {

// What the edit needs to know about the switch, read in one go.
struct SwitchView {
  std::vector<std::string> uplinks;
  std::vector<std::unique_ptr<PortGroup>> portGroups;
};

SwitchView ReadSwitchOrEndRun(const std::string& vswitchName) {
  try {
    const auto vswitch = Quorvic::Network::NetworkFactory::GetVirtualSwitchById(vswitchName, 0);
    SwitchView view;
    view.uplinks = vswitch->GetUplinks();
    view.portGroups = vswitch->GetPortGroups();
    return view;
  } catch (const QuorvicException& e) {
    ErrorLine() << e.GetMessage();
    throw EndRun{1};
  }
}

bool HasPortGroup(const SwitchView& view, const std::string& name) {
  for (const std::unique_ptr<PortGroup>& portGroup : view.portGroups) {
    if (portGroup->GetName() == name) return true;
  }
  return false;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void EditPortGroupUplinks(const std::string& vswitchName, const std::string& portGroupName,
                          const std::string& uplinkName, UplinkEdit edit) {
  if (!Korvel::Network::PortGroupImpl::IsValidPortGroup(portGroupName)) {
    ErrorLine() << "Unknown portgroup " << portGroupName;
    throw EndRun{1};
  }
  const SwitchView view = ReadSwitchOrEndRun(vswitchName);
  if (!HasPortGroup(view, portGroupName)) {
    ErrorLine() << "Portgroup (" << portGroupName << ") does not exist on switch: " << vswitchName;
    throw EndRun{1};
  }

  Korvel::Network::PortGroupImpl portGroup(portGroupName);
  NicTeamingPolicy policy = portGroup.GetTeamingPolicy();
  if (edit == UplinkEdit::kAdd) {
    if (!Contains(view.uplinks, uplinkName)) {
      ErrorLine() << "Uplink (" << uplinkName << ") does not exist on the switch: " << vswitchName;
      throw EndRun{1};
    }
    AddUplinkToOrder(uplinkName, policy);
  } else {
    RemoveUplinkFromOrder(uplinkName, policy);
  }
  portGroup.SetTeamingPolicy(policy);
}

void PortGroupUplinkBlock(RunContext& run) {
  const UplinkEdit edit =
      run.line.Has(Bit::kAddPortGroupUplink) ? UplinkEdit::kAdd : UplinkEdit::kRemove;
  EditPortGroupUplinks(run.line.vswitchName, run.line.portGroupName, run.line.uplinkName, edit);
}
