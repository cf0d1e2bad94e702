#ifndef HOSTNET_PORT_GROUP_H_
#define HOSTNET_PORT_GROUP_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostnet/nic_teaming_policy.h"

namespace Quorvic::Network {

// One port in use on a port group.
class Port {
 public:
  virtual ~Port() = default;
  // The port's number on its switch.
  virtual uint32_t GetId() const = 0;
};

// A port group of a standard switch. Every operation may throw QuorvicException.
class PortGroup {
 public:
  virtual ~PortGroup() = default;

  // The port group's name, unique on the host.
  virtual std::string GetName() const = 0;
  // The ports in use on the port group; the caller owns them.
  virtual std::vector<std::unique_ptr<Port>> GetPorts() const = 0;
  // A copy of the port group's own teaming policy.
  virtual NicTeamingPolicy GetTeamingPolicy() const = 0;
  // 0 means no VLAN.
  virtual uint16_t GetVlanId() const = 0;
  // Throws when vlanId is above 4095 or the port group no longer exists.
  virtual void SetVlanId(uint16_t vlanId) = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_PORT_GROUP_H_
