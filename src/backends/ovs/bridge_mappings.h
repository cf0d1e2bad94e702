#ifndef BACKENDS_OVS_BRIDGE_MAPPINGS_H_
#define BACKENDS_OVS_BRIDGE_MAPPINGS_H_

#include <string>
#include <utility>
#include <vector>

// OVN's keys of a host's Open vSwitch root row that hold lists separated by
// commas: above all the bridge mappings, external_ids ovn-bridge-mappings,
// "NETWORK:BRIDGE" pairs which ovn-controller follows to reach each physical
// network; also ovn-remote and ovn-encap-ip.
namespace ovs_host {

// The members of list, each without the blanks around it, in their order;
// empty members are left out.
std::vector<std::string> CommaMembers(const std::string& list);

// mappings with network mapped to bridge, or with no entry for network when
// bridge is empty. Other entries stay as they are, in their order, even
// ones that do not parse; an entry for network stays in its place.
std::string SetBridgeMapping(const std::string& mappings, const std::string& network,
                             const std::string& bridge);

// The (network, bridge) entries of mappings, in their order; an entry that
// does not parse is left out.
std::vector<std::pair<std::string, std::string>> MappingEntries(const std::string& mappings);

// The bridge mappings name for network: at most 15 bytes, as a network
// device's name, the same wherever it is computed.
std::string BridgeNameFor(const std::string& network);

}  // namespace ovs_host

#endif  // BACKENDS_OVS_BRIDGE_MAPPINGS_H_
