#ifndef HOSTSIM_TEAMING_H_
#define HOSTSIM_TEAMING_H_

#include "hostnet/nic_teaming_policy.h"
#include "hostsim/host_rows.h"

namespace hostsim {

// A policy value as the host hands it out.
Quorvic::Network::NicTeamingPolicy PolicyFromRow(const TeamingRow& row);
// What the host stores of a policy; fires no fault.
TeamingRow RowFromPolicy(const Quorvic::Network::NicTeamingPolicy& policy);

}  // namespace hostsim

#endif  // HOSTSIM_TEAMING_H_
