#ifndef HOSTSIM_PORT_GROUP_HANDLE_H_
#define HOSTSIM_PORT_GROUP_HANDLE_H_

#include <memory>
#include <string>
#include <vector>

#include "hostnet/port_group.h"
#include "hostsim/host_rows.h"

namespace hostsim {

// A handle on one port group, holding the values read with it.
class PortGroupHandle : public Quorvic::Network::PortGroup {
 public:
  explicit PortGroupHandle(PortGroupRow row);

  std::string GetName() const override;
  std::vector<std::unique_ptr<Quorvic::Network::Port>> GetPorts() const override;
  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() const override;
  uint16_t GetVlanId() const override;
  void SetVlanId(uint16_t vlanId) override;

 private:
  PortGroupRow row_;
};

// One port in use on a port group; ports are numbered from 0.
class PortHandle : public Quorvic::Network::Port {
 public:
  PortHandle(std::string portGroup, uint32_t id) : portGroup_(std::move(portGroup)), id_(id) {}
  uint32_t GetId() const override;

 private:
  std::string portGroup_;
  uint32_t id_;
};

}  // namespace hostsim

#endif  // HOSTSIM_PORT_GROUP_HANDLE_H_
