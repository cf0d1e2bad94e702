#include "backends/ovs/ovs_backend.h"

#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using namespace rows;

namespace {

// What this backend reads and writes of the switch database.
const ovsdb::SchemaNeeds kNeeds = {
    {"Open_vSwitch", {"bridges", "next_cfg", "cur_cfg", "external_ids"}},
    {"Bridge", {"name", "ports", "external_ids", "datapath_type"}},
    {"Port", {"name", "interfaces", "external_ids", "tag", "bond_mode", "other_config"}},
    {"Interface", {"name", "type", "mtu_request", "mtu", "error", "ofport"}},
};

}  // namespace

OvsBackend::OvsBackend(OvsSettings settings) : settings_(std::move(settings)) {}

uint32_t OvsBackend::MaxSwitchNameSize() const { return 16; }

std::string OvsBackend::DefaultDVSCacheFile() const { return "/etc/quenta/dvsdata.db"; }

HostDocument OvsBackend::DefaultHost() const { return HostDocument(); }

void OvsBackend::Reboot() {
  throw Quorvic::Lib::QuorvicException(
      "Open vSwitch keeps no stored configuration apart from the running one, so there is no "
      "restart to simulate; restarting ovs-vswitchd applies the database as it stands");
}

OvsStore& OvsBackend::Host() {
  if (!store_) {
    client_ = std::make_unique<ovsdb::Client>(settings_.remote, settings_.requestTimeout, kDatabase,
                                              kNeeds);
    store_ = std::make_unique<OvsStore>(*client_, settings_);
  }
  return *store_;
}

}  // namespace ovs_host
