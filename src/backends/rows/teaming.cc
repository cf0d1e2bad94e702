#include "backends/rows/teaming.h"

namespace rows {

using Quorvic::Network::NicTeamingPolicy;

NicTeamingPolicy PolicyFromRow(const TeamingRow& row) {
  return NicTeamingPolicy(row.orderSet ? NicTeamingPolicy::UPLINK_ORDER_SET : 0, row.order,
                          row.maxActive);
}

TeamingRow RowFromPolicy(const NicTeamingPolicy& policy) {
  TeamingRow row;
  row.orderSet = (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) != 0;
  if (row.orderSet) row.order = policy.GetUplinkOrder();
  row.maxActive = policy.GetMaxActiveUplinks();
  return row;
}

}  // namespace rows
