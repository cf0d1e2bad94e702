#include "hostsim/host_constants.h"

#include <string>

#include "hostnet/karn.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/portset.h"

const uint32_t Quorvic::Network::Portset::DEF_NUM_PORTS = hostsim::kDefaultNumPorts;
const uint32_t Quorvic::Network::Portset::MAX_VSNAME_SZ = hostsim::kMaxSwitchNameSize;
const std::string Korvel::Network::NetworkInfoImpl::DefaultDVSCacheFile = "/etc/quenta/dvsdata.db";
extern "C" const uint16_t KARN_NODE_net_ens_activate = hostsim::kEnsActivateNode;
