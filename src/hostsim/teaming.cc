#include "hostsim/teaming.h"

#include "hostsim/operation.h"

namespace hostsim {

using Quorvic::Network::NicTeamingPolicy;

NicTeamingPolicy PolicyFromRow(const TeamingRow& row) {
  return NicTeamingPolicy(row.orderSet ? NicTeamingPolicy::UPLINK_ORDER_SET : 0, row.order,
                          row.maxActive);
}

TeamingRow RowFromPolicy(const NicTeamingPolicy& policy) {
  InternalCall internal;
  TeamingRow row;
  row.orderSet = (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) != 0;
  if (row.orderSet) row.order = policy.GetUplinkOrder();
  row.maxActive = policy.GetMaxActiveUplinks();
  return row;
}

}  // namespace hostsim
