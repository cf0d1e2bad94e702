#ifndef COMMANDS_UPLINK_ORDER_H_
#define COMMANDS_UPLINK_ORDER_H_

#include <string>

#include "hostnet/nic_teaming_policy.h"

// Edits of the uplink order of a teaming policy (a switch's or a port
// group's). The first GetMaxActiveUplinks() entries of the order are active,
// the rest standby. Both edits change the policy only through its setters and
// catch nothing: a QuorvicException from the policy reaches the caller.

// Makes uplink the last active uplink: it is inserted after the active
// entries (at the max active count, or at the end when the order is shorter)
// and the max active count becomes its position + 1, so standby uplinks stay
// standby. A policy without an order of its own starts a new one. Returns
// false, changing nothing, when uplink is already in the order.
bool AddUplinkToOrder(std::string uplink, Quorvic::Network::NicTeamingPolicy& policy);

// Takes uplink out of the policy's own order; when it was active the max
// active count drops by one. Returns false, changing nothing, when the policy
// has no order of its own, or when uplink is not in it, which is reported on
// standard error as "Not a valid pnic: <uplink>".
bool RemoveUplinkFromOrder(std::string uplink, Quorvic::Network::NicTeamingPolicy& policy);

#endif  // COMMANDS_UPLINK_ORDER_H_
