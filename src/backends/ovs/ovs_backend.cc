#include "backends/ovs/ovs_backend.h"

#include "backends/ovs/ovs_chassis.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

std::string OvsBackend::DefaultDVSCacheFile() const { return "/etc/quenta/dvsdata.db"; }

void OvsBackend::Reboot() {
  throw Quorvic::Lib::QuorvicException(
      "Open vSwitch keeps no stored configuration apart from the running one, so there is no "
      "restart to simulate; restarting ovs-vswitchd applies the database as it stands");
}

std::unique_ptr<rows::Chassis> OvsBackend::MakeChassis() {
  return std::make_unique<OvsChassis>(session_);
}

OvsStore& OvsBackend::Host() {
  store_.Connect();
  return store_;
}

}  // namespace ovs_host
