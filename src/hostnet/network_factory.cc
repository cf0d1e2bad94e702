#include "hostnet/network_factory.h"

#include "hostnet/process_backend.h"

namespace Quorvic::Network {

using hostnet::ProcessBackend;

std::unique_ptr<VirtualSwitch> NetworkFactory::GetVirtualSwitchById(const std::string& name,
                                                                    PortsetGetType) {
  return ProcessBackend().GetVirtualSwitchById(name);
}

std::unique_ptr<DVSwitch> NetworkFactory::GetDVSwitchByName(const std::string& name) {
  return ProcessBackend().GetDVSwitchByName(name);
}

std::unique_ptr<Portset> NetworkFactory::GetPortsetById(const std::string& name) {
  return ProcessBackend().GetPortsetById(name);
}

}  // namespace Quorvic::Network
