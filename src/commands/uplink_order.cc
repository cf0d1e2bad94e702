#include "commands/uplink_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "hostnet/uplink_order.h"
#include "output/output.h"

using Quorvic::Network::NicTeamingPolicy;

namespace {

bool HasOwnOrder(const NicTeamingPolicy& policy) {
  return (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) != 0;
}

}  // namespace

bool AddUplinkToOrder(std::string uplink, NicTeamingPolicy& policy) {
  return hostnet::JoinUplinkOrder(uplink, policy);
}

bool RemoveUplinkFromOrder(std::string uplink, NicTeamingPolicy& policy) {
  if (!HasOwnOrder(policy)) return false;

  std::vector<std::string> order = policy.GetUplinkOrder();
  const auto found = std::find(order.begin(), order.end(), uplink);
  if (found == order.end()) {
    ErrorLine() << "Not a valid pnic: " << uplink;
    return false;
  }
  const int64_t position = std::distance(order.begin(), found);
  const int32_t maxActive = policy.GetMaxActiveUplinks();
  order.erase(found);

  policy.SetUplinkOrder(std::move(order));
  if (maxActive > position) policy.SetMaxActiveUplinks(maxActive - 1);
  return true;
}
