#include "commands/uplink_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "output/output.h"

using Quorvic::Network::NicTeamingPolicy;

namespace {

bool HasOwnOrder(const NicTeamingPolicy& policy) {
  return (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) != 0;
}

}  // namespace

bool AddUplinkToOrder(std::string uplink, NicTeamingPolicy& policy) {
  std::vector<std::string> order;
  if (HasOwnOrder(policy)) order = policy.GetUplinkOrder();
  if (std::find(order.begin(), order.end(), uplink) != order.end()) return false;

  // A negative count has no active entries: the uplink goes first.
  const int32_t maxActive = policy.GetMaxActiveUplinks();
  const std::size_t position =
      std::min(static_cast<std::size_t>(std::max<int32_t>(maxActive, 0)), order.size());
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), std::move(uplink));

  policy.SetUplinkOrder(std::move(order));
  policy.SetMaxActiveUplinks(static_cast<int32_t>(position) + 1);
  return true;
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
