#ifndef HOSTNET_KORVEL_IMPL_H_
#define HOSTNET_KORVEL_IMPL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "hostnet/dv_port.h"
#include "hostnet/nic_teaming_policy.h"

namespace hostnet {
class NamedDVPort;
class NamedPortGroup;
}  // namespace hostnet

// Kernel-side handles and checks of the host network configuration library.
// Every operation may throw Quorvic::Lib::QuorvicException.
namespace Korvel::Network {

class PortsetImpl {
 public:
  PortsetImpl() = delete;
  // True when name is a running standard switch or DVSwitch.
  static bool IsValidVirtualSwitch(const std::string& name);
};

class VirtualSwitchImpl {
 public:
  VirtualSwitchImpl() = delete;
  // The CDP status value of "down", "listen", "advertise" or "both" (case
  // folded); throws for any other text.
  static int32_t ParseCdpStatus(const std::string& text);
};

class VirtualSwitchInfoImpl {
 public:
  VirtualSwitchInfoImpl();
  ~VirtualSwitchInfoImpl();
  VirtualSwitchInfoImpl(const VirtualSwitchInfoImpl&) = delete;
  VirtualSwitchInfoImpl& operator=(const VirtualSwitchInfoImpl&) = delete;
  // True when name is a running standard switch.
  bool SwitchExists(const std::string& name);
};

// A handle on one port group, by name.
class PortGroupImpl {
 public:
  // True when some running switch of the host has a port group of that name.
  static bool IsValidPortGroup(const std::string& name);

  // Throws when the host has no such port group.
  explicit PortGroupImpl(const std::string& name);
  ~PortGroupImpl();
  PortGroupImpl(const PortGroupImpl&) = delete;
  PortGroupImpl& operator=(const PortGroupImpl&) = delete;

  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy();
  // Throws when the policy's order names something that is not a pnic.
  void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy);

 private:
  std::unique_ptr<hostnet::NamedPortGroup> portGroup_;
};

// A kernel handle on one DVPort, named by a DVPortParam.
class DVPortImpl {
 public:
  explicit DVPortImpl(const Quorvic::Network::DVPortParam& param);
  ~DVPortImpl();
  DVPortImpl(const DVPortImpl&) = delete;
  DVPortImpl& operator=(const DVPortImpl&) = delete;

  // False when the DVSwitch with the param's switch id has no such DVPort.
  bool IsValid();
  uint32_t GetConnectionId() const;
  void SetConnectionId(unsigned int connectionId);
  // Raises the DVPort's test observation event.
  void TestDVPortZet();

 private:
  std::unique_ptr<hostnet::NamedDVPort> port_;
};

}  // namespace Korvel::Network

#endif  // HOSTNET_KORVEL_IMPL_H_
