#ifndef BACKENDS_OVS_OVS_KEYS_H_
#define BACKENDS_OVS_OVS_KEYS_H_

// The external_ids keys the Open vSwitch backend keeps its records and marks
// under, and the names it gives what it makes.
namespace ovs_host {

// On a bridge of ours: its record, its port groups' records, when it was
// made (a decimal count of nanoseconds, for host order), and one key per
// port group that finds it ("quenta:port-group:NAME", with an empty value).
constexpr const char* kSwitchKey = "quenta:switch";
constexpr const char* kGroupsKey = "quenta:port-groups";
constexpr const char* kCreatedKey = "quenta:created";
constexpr const char* kGroupMarkPrefix = "quenta:port-group:";

// On every Port and Interface the backend makes: what it is for, and the
// bridge it was made for. Rows without the role are others' and are never
// changed or removed.
constexpr const char* kRoleKey = "quenta:role";
constexpr const char* kBridgeKey = "quenta:bridge";
constexpr const char* kRoleSwitch = "switch";         // a bridge's own port
constexpr const char* kRoleUplink = "uplink";         // the uplink port, its pnics
constexpr const char* kRolePortGroup = "port-group";  // a port group's VLAN bridge

// On a bridge's uplink Port while it runs a LAG: the LAG's ID.
constexpr const char* kLagKey = "quenta:lag";

// On a bridge that carries a DVSwitch's traffic out through this host's
// pnics (ovs_chassis.h): its role, the physical network and the DVSwitch.
constexpr const char* kRoleDVSUplinks = "dvs-uplinks";
constexpr const char* kNetworkKey = "quenta:dvs-network";
constexpr const char* kWiredDVSwitchKey = "quenta:dvswitch";

// On a VM's Port: the port group it joined by name.
constexpr const char* kMemberKey = "quenta:port-group";

// On the root row: the host's other records, and a token each change
// writes (so that a change whose answer was lost can be looked for).
constexpr const char* kHostKey = "quenta:host";
constexpr const char* kChangeKey = "quenta:change";
// On the root row: the format of the host's records (doc/formats.md), which
// every change guards and a change of an earlier one writes; and what
// format 1 kept there, the bridge of each linked pnic.
constexpr const char* kFormatKey = "quenta:format";
constexpr const char* kLinksKey = "quenta:links";

// The history: one key per row, in the external_ids of the Queue row whose
// role is kRoleHistory (format 1 kept the keys in the root row's
// other_config, builds of a branch in its external_ids).
constexpr const char* kHistoryPrefix = "quenta:history:";
constexpr const char* kRoleHistory = "history";

// The Port that holds a bridge's uplinks is named BRIDGE + this.
constexpr const char* kUplinkPortSuffix = "-uplink";

constexpr const char* kDatabase = "Open_vSwitch";

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_KEYS_H_
