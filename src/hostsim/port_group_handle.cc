#include "hostsim/port_group_handle.h"

#include <utility>

#include "hostsim/operation.h"
#include "hostsim/range_checks.h"
#include "hostsim/teaming.h"

namespace hostsim {

using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::Port;

namespace {
constexpr const char* kClass = "PortGroup";
}  // namespace

PortGroupHandle::PortGroupHandle(PortGroupRow row) : row_(std::move(row)) {}

std::string PortGroupHandle::GetName() const {
  CheckOperation(kClass, "GetName", row_.name);
  return row_.name;
}

std::vector<std::unique_ptr<Port>> PortGroupHandle::GetPorts() const {
  CheckOperation(kClass, "GetPorts", row_.name);
  std::vector<std::unique_ptr<Port>> ports;
  ports.reserve(row_.ports);
  for (uint32_t id = 0; id < row_.ports; ++id) {
    ports.push_back(std::make_unique<PortHandle>(row_.name, id));
  }
  return ports;
}

NicTeamingPolicy PortGroupHandle::GetTeamingPolicy() const {
  CheckOperation(kClass, "GetTeamingPolicy", row_.name);
  return PolicyFromRow(row_.teaming);
}

uint16_t PortGroupHandle::GetVlanId() const {
  CheckOperation(kClass, "GetVlanId", row_.name);
  return static_cast<uint16_t>(row_.vlan);
}

void PortGroupHandle::SetVlanId(uint16_t vlanId) {
  RunOperation(kClass, "SetVlanId", row_.name, "", [&](Store& store) {
    CheckVlan(vlanId);
    store.SetVlan(row_, vlanId);
    row_.vlan = vlanId;
  });
}

uint32_t PortHandle::GetId() const {
  CheckOperation("Port", "GetId", portGroup_);
  return id_;
}

}  // namespace hostsim
