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

namespace {

class HostPortGroupNames : public PortGroupNameSet {
 public:
  bool Contains(const std::string& name) const override {
    return RunOperation("PortGroupNameSet", "Contains", "", name,
                        [&](Store& store) { return store.FindPortGroup(name).has_value(); });
  }
  std::set<std::string> GetNames() const override {
    return RunOperation("PortGroupNameSet", "GetNames", "", "",
                        [](Store& store) { return store.PortGroupNames(); });
  }
};

}  // namespace

std::unique_ptr<PortGroupNameSet> NetworkInfoImpl::GetAllPortGroupNames(
    Quorvic::Network::PortsetGetType) {
  hostsim::CheckOperation("NetworkInfoImpl", "GetAllPortGroupNames", "");
  return std::make_unique<HostPortGroupNames>();
}

}  // namespace Korvel::Network
