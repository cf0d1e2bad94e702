#ifndef BACKENDS_SQLITE_TEAMING_H_
#define BACKENDS_SQLITE_TEAMING_H_

#include "backends/sqlite/host_rows.h"
#include "hostnet/nic_teaming_policy.h"

namespace sqlite_host {

// A policy value as the host hands it out.
Quorvic::Network::NicTeamingPolicy PolicyFromRow(const TeamingRow& row);
// What the host stores of a policy.
TeamingRow RowFromPolicy(const Quorvic::Network::NicTeamingPolicy& policy);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_TEAMING_H_
