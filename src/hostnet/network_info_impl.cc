#include "hostnet/network_info_impl.h"

#include "hostnet/process_backend.h"

namespace Korvel::Network {

using hostnet::ProcessBackend;

NetworkInfoImpl::NetworkInfoImpl() { ProcessBackend().Connect(); }

NetworkInfoImpl::~NetworkInfoImpl() = default;

std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> NetworkInfoImpl::GetVirtualSwitchInfo() {
  return ProcessBackend().GetVirtualSwitchInfo();
}

std::unique_ptr<PortGroupNameSet> NetworkInfoImpl::GetAllPortGroupNames(
    Quorvic::Network::PortsetGetType) {
  return ProcessBackend().GetAllPortGroupNames();
}

}  // namespace Korvel::Network
