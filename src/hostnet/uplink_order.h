#ifndef HOSTNET_UPLINK_ORDER_H_
#define HOSTNET_UPLINK_ORDER_H_

#include <string>

#include "hostnet/nic_teaming_policy.h"

namespace hostnet {

// Makes uplink the last active uplink of policy: it is inserted after the
// active entries (at the max active count, or at the end when the order is
// shorter) and the max active count becomes its position + 1, so standby
// uplinks stay standby. A policy without an order of its own starts a new
// one. Returns false, changing nothing, when uplink is already in the order.
// The link command does this to a switch's policy, and a host linking a pnic
// does the same in the same change, so that a link and its place in the
// order are written together.
bool JoinUplinkOrder(const std::string& uplink, Quorvic::Network::NicTeamingPolicy& policy);

}  // namespace hostnet

#endif  // HOSTNET_UPLINK_ORDER_H_
