#include "backends/rows/teaming.h"

#include <algorithm>
#include <iterator>

#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Network::NicTeamingPolicy;

namespace {

using Names = std::vector<std::string>;

bool Has(const Names& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The entries of names that keep holds, in names' order.
Names Among(const Names& names, const Names& keep) {
  Names among;
  std::copy_if(names.begin(), names.end(), std::back_inserter(among),
               [&](const std::string& name) { return Has(keep, name); });
  return among;
}

Names OrderOf(const TeamingRow& row) { return row.orderSet ? row.order : Names(); }

}  // namespace

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

TeamingRow MergeTeaming(const TeamingRow& base, const TeamingRow& wanted, const TeamingRow& current,
                        const std::string& owner) {
  if (current == base) return wanted;
  if (wanted == base) return current;
  auto refuse = [&]() {
    return Quorvic::Lib::QuorvicException("the teaming policy of " + owner +
                                          " was changed by another run since this one read it; "
                                          "nothing was changed");
  };
  if (wanted.orderSet != base.orderSet && current.orderSet != base.orderSet) throw refuse();
  const Names was = OrderOf(base);
  const Names want = OrderOf(wanted);
  Names order = OrderOf(current);
  // The entries the caller took out go.
  order.erase(
      std::remove_if(order.begin(), order.end(),
                     [&](const std::string& name) { return Has(was, name) && !Has(want, name); }),
      order.end());
  // Entries the caller kept but moved take its order, in the places they
  // hold now, when the other run left their order alone.
  const Names common = Among(want, was);
  if (Among(was, want) != common) {
    if (Among(order, common) != Among(was, common)) throw refuse();
    auto next = common.begin();
    for (std::string& name : order) {
      if (Has(common, name)) name = *next++;
    }
  }
  // Each entry the caller added goes after the nearest one that precedes it
  // in what it asked for.
  for (auto added = want.begin(); added != want.end(); ++added) {
    if (Has(was, *added) || Has(order, *added)) continue;
    auto at = order.begin();
    for (auto before = std::make_reverse_iterator(added); before != want.rend(); ++before) {
      auto found = std::find(order.begin(), order.end(), *before);
      if (found != order.end()) {
        at = found + 1;
        break;
      }
    }
    order.insert(at, *added);
  }
  TeamingRow merged;
  merged.orderSet = wanted.orderSet != base.orderSet ? wanted.orderSet : current.orderSet;
  if (merged.orderSet) merged.order = std::move(order);
  merged.maxActive = current.maxActive + (wanted.maxActive - base.maxActive);
  const auto length = static_cast<int32_t>(merged.order.size());
  if (wanted.maxActive > base.maxActive && merged.maxActive > length) {
    merged.maxActive = std::max(length, current.maxActive);
  }
  return merged;
}

}  // namespace rows
