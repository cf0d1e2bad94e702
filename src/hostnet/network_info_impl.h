#ifndef HOSTNET_NETWORK_INFO_IMPL_H_
#define HOSTNET_NETWORK_INFO_IMPL_H_

#include <memory>
#include <set>
#include <string>

#include "hostnet/host_constant.h"
#include "hostnet/portset.h"
#include "hostnet/virtual_switch_info.h"

namespace Korvel::Network {

// The names of the port groups of the host's running switches, as a sorted
// set. It asks the host when it is used, so a membership test costs one
// indexed lookup whatever the size of the host. Every operation may throw
// Quorvic::Lib::QuorvicException.
class PortGroupNameSet {
 public:
  virtual ~PortGroupNameSet() = default;
  // True when name is in the set.
  virtual bool Contains(const std::string& name) const = 0;
  // Every name of the set, in sorted order.
  virtual std::set<std::string> GetNames() const = 0;
};

// Entry point to the host's network information. Constructing it connects to
// the host and throws Quorvic::Lib::QuorvicException when the host cannot be
// reached.
class NetworkInfoImpl {
 public:
  // The DVS cache file RestoreDVSwitches reads by default.
  static const hostnet::HostConstant<std::string> DefaultDVSCacheFile;

  NetworkInfoImpl();
  ~NetworkInfoImpl();
  NetworkInfoImpl(const NetworkInfoImpl&) = delete;
  NetworkInfoImpl& operator=(const NetworkInfoImpl&) = delete;

  // The host-wide switch information; the caller owns it.
  std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> GetVirtualSwitchInfo();
  // The names of every port group of the host's running switches; the caller
  // owns the set.
  std::unique_ptr<PortGroupNameSet> GetAllPortGroupNames(Quorvic::Network::PortsetGetType type);
};

}  // namespace Korvel::Network

#endif  // HOSTNET_NETWORK_INFO_IMPL_H_
