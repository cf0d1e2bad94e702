#ifndef BACKENDS_OVS_OVS_PNICS_H_
#define BACKENDS_OVS_OVS_PNICS_H_

#include <string>
#include <vector>

namespace ovs_host {

// The pnics among the network devices sysfs (a folder like /sys/class/net)
// lists, sorted: physical devices (those with a device behind them) and
// bonds, never loopback, bridges, veth peers, tap or ifb devices, or the
// internal ports of Open vSwitch, none of which has a device behind it.
std::vector<std::string> DiscoverPnics(const std::string& sysfs);
// Every network device sysfs lists, sorted.
std::vector<std::string> NetworkDevices(const std::string& sysfs);

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_PNICS_H_
