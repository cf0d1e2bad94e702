#include "hostnet/network_info_impl.h"

#include "hostsim/operation.h"
#include "hostsim/switch_info.h"

namespace Korvel::Network {

using hostsim::RunOperation;
using hostsim::Store;

NetworkInfoImpl::NetworkInfoImpl() {
  hostsim::CheckOperation("NetworkInfoImpl", "NetworkInfoImpl", "");
}

NetworkInfoImpl::~NetworkInfoImpl() = default;

std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> NetworkInfoImpl::GetVirtualSwitchInfo() {
  hostsim::CheckOperation("NetworkInfoImpl", "GetVirtualSwitchInfo", "");
  return std::make_unique<hostsim::SwitchInfo>();
}

std::set<std::string> NetworkInfoImpl::GetAllPortGroupNames(Quorvic::Network::PortsetGetType) {
  return RunOperation("NetworkInfoImpl", "GetAllPortGroupNames", "", "",
                      [](Store& store) { return store.PortGroupNames(); });
}

}  // namespace Korvel::Network
