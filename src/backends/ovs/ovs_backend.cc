#include "backends/ovs/ovs_backend.h"

#include "hostnet/quorvic_exception.h"

namespace ovs_host {

std::string OvsBackend::DefaultDVSCacheFile() const { return "/etc/quenta/dvsdata.db"; }

void OvsBackend::Reboot() {
  throw Quorvic::Lib::QuorvicException(
      "Open vSwitch keeps no stored configuration apart from the running one, so there is no "
      "restart to simulate; restarting ovs-vswitchd applies the database as it stands");
}

OvsStore& OvsBackend::Host() {
  store_.Connect();
  return store_;
}

}  // namespace ovs_host
