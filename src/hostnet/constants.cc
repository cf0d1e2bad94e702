#include <cstdint>
#include <string>

#include "hostnet/host_constant.h"
#include "hostnet/karn.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/portset.h"
#include "hostnet/process_backend.h"

namespace hostnet {

template <typename T>
HostConstant<T>::operator T() const {
  return read_(ProcessBackend());
}

template class HostConstant<uint16_t>;
template class HostConstant<uint32_t>;
template class HostConstant<std::string>;

}  // namespace hostnet

using hostnet::Backend;
using hostnet::HostConstant;

const HostConstant<uint32_t> Quorvic::Network::Portset::DEF_NUM_PORTS([](const Backend& backend) {
  return backend.DefaultNumPorts();
});
const HostConstant<uint32_t> Quorvic::Network::Portset::MAX_VSNAME_SZ([](const Backend& backend) {
  return backend.MaxSwitchNameSize();
});
const HostConstant<std::string> Korvel::Network::NetworkInfoImpl::DefaultDVSCacheFile(
    [](const Backend& backend) { return backend.DefaultDVSCacheFile(); });
extern "C" const HostConstant<uint16_t> KARN_NODE_net_ens_activate([](const Backend& backend) {
  return backend.EnsActivateNode();
});
