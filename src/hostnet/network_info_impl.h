#ifndef HOSTNET_NETWORK_INFO_IMPL_H_
#define HOSTNET_NETWORK_INFO_IMPL_H_

#include <memory>
#include <set>
#include <string>

#include "hostnet/portset.h"
#include "hostnet/virtual_switch_info.h"

namespace Korvel::Network {

// Entry point to the host's network information. Constructing it connects to
// the host and throws Quorvic::Lib::QuorvicException when the host cannot be
// reached.
class NetworkInfoImpl {
 public:
  // The DVS cache file RestoreDVSwitches reads by default.
  static const std::string DefaultDVSCacheFile;

  NetworkInfoImpl();
  ~NetworkInfoImpl();
  NetworkInfoImpl(const NetworkInfoImpl&) = delete;
  NetworkInfoImpl& operator=(const NetworkInfoImpl&) = delete;

  // The host-wide switch information; the caller owns it.
  std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> GetVirtualSwitchInfo();
  // The names of every port group of the host, of running switches.
  std::set<std::string> GetAllPortGroupNames(Quorvic::Network::PortsetGetType type);
};

}  // namespace Korvel::Network

#endif  // HOSTNET_NETWORK_INFO_IMPL_H_
