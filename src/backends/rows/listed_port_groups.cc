#include "backends/rows/listed_port_groups.h"

#include <utility>

namespace rows {

void ListedPortGroups::List(std::vector<StandardSwitchDoc> switches,
                            const std::function<void(SwitchRow&&)>& each) {
  listed_.clear();
  next_ = 0;
  listed_.reserve(switches.size());
  for (StandardSwitchDoc& sw : switches) {
    listed_.push_back({sw.row.ref, std::move(sw.portGroups)});
    each(std::move(sw.row));
  }
}

std::optional<std::vector<PortGroupRow>> ListedPortGroups::Take(const RowRef& sw) {
  for (size_t at = next_; at < listed_.size(); ++at) {
    if (listed_[at].sw != sw) continue;
    next_ = at + 1;
    return std::move(listed_[at].portGroups);
  }
  return std::nullopt;
}

}  // namespace rows
