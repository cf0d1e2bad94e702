#ifndef HOSTNET_VIRTUAL_SWITCH_H_
#define HOSTNET_VIRTUAL_SWITCH_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostnet/nic_teaming_policy.h"
#include "hostnet/port_group.h"
#include "hostnet/switch.h"

namespace Quorvic::Network {

// A standard virtual switch. Every operation may throw QuorvicException; an
// operation that throws has changed nothing.
class VirtualSwitch : public Switch {
 public:
  // The switch's port groups in host order; the caller owns them.
  virtual std::vector<std::unique_ptr<PortGroup>> GetPortGroups() const = 0;
  // Adds a port group (VLAN 0, no teaming order of its own) at the end of the
  // switch's port groups. Throws when the name is empty or already names a
  // port group anywhere on the host.
  virtual std::unique_ptr<PortGroup> AddPortGroup(const std::string& name) = 0;
  // Throws when the switch has no port group of that name.
  virtual void RemovePortGroup(const std::string& name) = 0;

  // A copy of the switch's teaming policy.
  virtual NicTeamingPolicy GetTeamingPolicy() const = 0;
  // Stores policy as the switch's teaming policy. Throws when its uplink order
  // names something that is not a pnic of the host.
  virtual void SetTeamingPolicy(NicTeamingPolicy policy) = 0;

  // Attaches pnic to this switch as an uplink, live and in the stored
  // configuration; the teaming policy is SetTeamingPolicy's. Throws
  // QuorvicException when pnic is not a pnic of the host, is linked to
  // another switch, or the switch no longer exists.
  virtual void AddUplink(const std::string& pnic, bool persist) = 0;
  // configOnly false: detaches pnic from the running switch and from the
  // stored configuration; throws when it is not linked. configOnly true:
  // removes it from the stored configuration only; throws when it is not there.
  virtual void RemoveUplink(const std::string& pnic, bool configOnly) = 0;

  // CDP status: 0 down, 1 listen, 2 advertise, 3 both.
  virtual int32_t GetCdpStatus() const = 0;
  // Throws when status is not 0 to 3.
  virtual void SetCdpStatus(int32_t status) = 0;

  virtual uint32_t GetMtu() const = 0;
  // Throws when mtu is outside what the host accepts.
  virtual void SetMtu(uint16_t mtu) = 0;

  // Links again the uplinks the stored configuration records for this switch.
  virtual void RestoreUplinks() = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_VIRTUAL_SWITCH_H_
