#ifndef BACKENDS_ROWS_TEAMING_H_
#define BACKENDS_ROWS_TEAMING_H_

#include "backends/rows/host_rows.h"
#include "hostnet/nic_teaming_policy.h"

namespace rows {

// A policy value as the host hands it out.
Quorvic::Network::NicTeamingPolicy PolicyFromRow(const TeamingRow& row);
// What the host stores of a policy.
TeamingRow RowFromPolicy(const Quorvic::Network::NicTeamingPolicy& policy);

}  // namespace rows

#endif  // BACKENDS_ROWS_TEAMING_H_
