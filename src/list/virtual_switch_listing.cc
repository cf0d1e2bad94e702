#include "list/virtual_switch_listing.h"

#include <memory>
#include <string>
#include <vector>

#include "hostnet/nic_teaming_policy.h"
#include "hostnet/port_group.h"
#include "hostnet/quorvic_exception.h"
#include "list/listing_failure.h"
#include "list/table.h"
#include "list/vector_to_string.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Misc::VectorToString;
using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::PortGroup;
using Quorvic::Network::VirtualSwitch;

namespace {

struct SwitchRow {
  const VirtualSwitch& vswitch;
  const NicTeamingPolicy& policy;
};

const Column<SwitchRow> kSwitchTable[] = {
    {"Switch Name", 15, [](Cell cell, SwitchRow& row) { cell(row.vswitch.GetName()); }},
    Gap<SwitchRow>(),
    {"Num Ports", 12, [](Cell cell, SwitchRow& row) { cell(row.vswitch.GetNumPorts()); }},
    {"Used Ports", 12, [](Cell cell, SwitchRow& row) { cell(row.vswitch.GetNumUsedPorts()); }},
    {"Configured Ports", 18,
     [](Cell cell, SwitchRow& row) { cell(row.vswitch.GetNumConfiguredPorts()); }},
    {"MTU", 8, [](Cell cell, SwitchRow& row) { cell(row.vswitch.GetMtu()); }},
    // The switch's order is shown whether or not the policy marks it as its own.
    {"Uplinks", 10,
     [](Cell cell, SwitchRow& row) { cell(VectorToString(row.policy.GetUplinkOrder(), ",")); }},
};

// What a port group row needs besides the port group, gathered before the
// row's first cell so that a failure there writes nothing of the row.
struct PortGroupRow {
  const PortGroup& portGroup;
  size_t usedPorts;
  const std::string& uplinks;
};

const Column<PortGroupRow> kPortGroupTable[] = {
    Gap<PortGroupRow>(),
    {"PortGroup Name", 40, [](Cell cell, PortGroupRow& row) { cell(row.portGroup.GetName()); }},
    Gap<PortGroupRow>(),
    {"VLAN ID", 9, [](Cell cell, PortGroupRow& row) { cell(row.portGroup.GetVlanId()); }},
    {"Used Ports", 12, [](Cell cell, PortGroupRow& row) { cell(row.usedPorts); }},
    {"Uplinks", 10, [](Cell cell, PortGroupRow& row) { cell(row.uplinks); }},
};

void ListPortGroup(const PortGroup& portGroup) {
  const size_t usedPorts = portGroup.GetPorts().size();
  const NicTeamingPolicy policy = portGroup.GetTeamingPolicy();
  std::string uplinks;
  if (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) {
    uplinks = VectorToString(policy.GetUplinkOrder(), ",");
  }
  PortGroupRow row{portGroup, usedPorts, uplinks};
  WriteRow(kPortGroupTable, row);
}

}  // namespace

void ListVirtualSwitch(const VirtualSwitch& vswitch) {
  try {
    WriteHeader(kSwitchTable);
    const NicTeamingPolicy policy = vswitch.GetTeamingPolicy();
    SwitchRow row{vswitch, policy};
    WriteRow(kSwitchTable, row);
    WriteBlankLine();

    WriteHeader(kPortGroupTable);
    const std::vector<std::unique_ptr<PortGroup>> portGroups = vswitch.GetPortGroups();
    ListChildren(portGroups, "portgroup", vswitch, "vswitch", ListPortGroup);
    WriteBlankLine();
  } catch (const QuorvicException& e) {
    ReportListingFailure("vswitch", vswitch.GetName(), e);
  }
}
