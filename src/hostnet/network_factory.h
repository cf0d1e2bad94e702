#ifndef HOSTNET_NETWORK_FACTORY_H_
#define HOSTNET_NETWORK_FACTORY_H_

#include <memory>
#include <string>

#include "hostnet/dv_switch.h"
#include "hostnet/portset.h"
#include "hostnet/virtual_switch.h"

namespace Quorvic::Network {

// Looks up one object of the host by name. Each lookup returns an object the
// caller owns, never null, or throws QuorvicException when there is no such
// running object.
class NetworkFactory {
 public:
  NetworkFactory() = delete;
  static std::unique_ptr<VirtualSwitch> GetVirtualSwitchById(const std::string& name,
                                                             PortsetGetType type);
  static std::unique_ptr<DVSwitch> GetDVSwitchByName(const std::string& name);
  // The portset of the running standard switch or DVSwitch of that name.
  static std::unique_ptr<Portset> GetPortsetById(const std::string& name);
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_NETWORK_FACTORY_H_
