#include "hostnet/uplink_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostnet {

using Quorvic::Network::NicTeamingPolicy;

bool JoinUplinkOrder(const std::string& uplink, NicTeamingPolicy& policy) {
  std::vector<std::string> order;
  if (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) order = policy.GetUplinkOrder();
  if (std::find(order.begin(), order.end(), uplink) != order.end()) return false;

  // A negative count has no active entries: the uplink goes first.
  const int32_t maxActive = policy.GetMaxActiveUplinks();
  const std::size_t position =
      std::min(static_cast<std::size_t>(std::max<int32_t>(maxActive, 0)), order.size());
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), uplink);

  policy.SetUplinkOrder(std::move(order));
  policy.SetMaxActiveUplinks(static_cast<int32_t>(position) + 1);
  return true;
}

}  // namespace hostnet
