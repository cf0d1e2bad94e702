#ifndef BACKENDS_OVS_OVS_KEYS_H_
#define BACKENDS_OVS_OVS_KEYS_H_

// The external_ids keys the Open vSwitch backend keeps its records under,
// and the names it gives what it makes.
namespace ovs_host {

// On a bridge of ours: its record, its port groups, when it was made (a
// decimal count of nanoseconds, for host order), and one key per port
// group that finds it ("quenta:port-group:NAME", with an empty value).
constexpr const char* kSwitchKey = "quenta:switch";
constexpr const char* kGroupsKey = "quenta:port-groups";
constexpr const char* kCreatedKey = "quenta:created";
constexpr const char* kGroupMarkPrefix = "quenta:port-group:";
// On a VM's Port: the port group it belongs to.
constexpr const char* kMemberKey = "quenta:port-group";
// On the root row: the host's other records and the pnic links.
constexpr const char* kHostKey = "quenta:host";
constexpr const char* kLinksKey = "quenta:links";
// The Port that holds a bridge's uplinks is named BRIDGE + this.
constexpr const char* kUplinkPortSuffix = "-uplink";

constexpr const char* kDatabase = "Open_vSwitch";

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_KEYS_H_
