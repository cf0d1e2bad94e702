#include "backends/rows/port_group_handle.h"

#include <utility>

#include "backends/rows/range_checks.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/teaming.h"

namespace rows {

using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::Port;

PortGroupHandle::PortGroupHandle(RowStore& store, RowRef owner, PortGroupRow row, bool counted)
    : store_(store), owner_(std::move(owner)), row_(std::move(row)), counted_(counted) {}

std::string PortGroupHandle::GetName() const { return row_.name; }

std::vector<std::unique_ptr<Port>> PortGroupHandle::GetPorts() const {
  if (!counted_) {
    row_.ports = store_.CountPorts(owner_, row_.name);
    counted_ = true;
  }
  std::vector<std::unique_ptr<Port>> ports;
  ports.reserve(row_.ports);
  for (uint32_t id = 0; id < row_.ports; ++id) ports.push_back(std::make_unique<PortHandle>(id));
  return ports;
}

NicTeamingPolicy PortGroupHandle::GetTeamingPolicy() const { return PolicyFromRow(row_.teaming); }

uint16_t PortGroupHandle::GetVlanId() const { return static_cast<uint16_t>(row_.vlan); }

void PortGroupHandle::SetVlanId(uint16_t vlanId) {
  CheckVlan(vlanId);
  row_ = EditPortGroup(store_, owner_, row_, [&](PortGroupRow& pg) { pg.vlan = vlanId; });
}

}  // namespace rows
