#ifndef BACKENDS_ROWS_LISTED_PORT_GROUPS_H_
#define BACKENDS_ROWS_LISTED_PORT_GROUPS_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "backends/rows/host_rows.h"

namespace rows {

// A listing for a store whose engine reads port groups with their switches
// (RowStore::ListSwitches and TakeListedPortGroups): the port groups of the
// switches read are kept, and handed out switch by switch in listing order.
class ListedPortGroups {
 public:
  // Forgets the listing before, keeps the port groups of switches, and hands
  // each switch's row to each, in order.
  void List(std::vector<StandardSwitchDoc> switches, const std::function<void(SwitchRow&&)>& each);
  // The port groups of switch sw, when the listing has them and has not
  // handed out those of a switch after it; nullopt otherwise.
  std::optional<std::vector<PortGroupRow>> Take(const RowRef& sw);

 private:
  struct Listed {
    RowRef sw;
    std::vector<PortGroupRow> portGroups;
  };
  std::vector<Listed> listed_;
  size_t next_ = 0;  // the first switch whose port groups are still here
};

}  // namespace rows

#endif  // BACKENDS_ROWS_LISTED_PORT_GROUPS_H_
