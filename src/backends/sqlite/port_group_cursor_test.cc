#include "backends/sqlite/port_group_cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/sqlite/test_host.h"

namespace sqlite_host {
namespace {

const char* const kHost = R"({
  "pnics": ["nic0"],
  "switches": [
    {"name": "a",
     "portGroups": [{"name": "a1"}, {"name": "a2", "teaming": {"uplinkOrder": ["nic0"]}}]},
    {"name": "b"},
    {"name": "c", "portGroups": [{"name": "c1", "vlan": 3}]},
    {"name": "s", "system": true, "portGroups": [{"name": "s1"}]},
    {"name": "d", "portGroups": [{"name": "d1"}]}
  ]
})";

// Asks the switches of one listing for their port groups in the order given
// by picks (indexes into the listing), giving port group c1 an uplink order
// of its own when a pick is negative, and returns what each call answered.
std::string PortGroupsInOrder(const std::vector<int>& picks) {
  TempHost host;
  auto backend = host.Open();
  LoadHost(*backend, kHost);
  auto switches = backend->GetVirtualSwitchInfo()->GetVirtualSwitches(false);
  std::string seen;
  for (int pick : picks) {
    if (pick < 0) {
      using Quorvic::Network::NicTeamingPolicy;
      backend->OpenPortGroup("c1")->SetTeamingPolicy(
          NicTeamingPolicy(NicTeamingPolicy::UPLINK_ORDER_SET, {"nic0"}, 1));
      continue;
    }
    seen += switches[pick]->GetName() + ":";
    for (auto& pg : switches[pick]->GetPortGroups()) {
      seen += pg->GetName() + "/" + std::to_string(pg->GetVlanId()) + "/" +
              std::to_string(pg->GetTeamingPolicy().GetUplinkOrder().size()) + " ";
    }
    seen += "| ";
  }
  return seen;
}

TEST(PortGroupCursor, AnswersEveryCallOrderLikeAPointQuery) {
  struct Case {
    std::vector<int> picks;
    const char* expected;
  };
  const Case cases[] = {
      {{0, 1, 2, 3}, "a:a1/0/0 a2/0/1 | b:| c:c1/3/0 | d:d1/0/0 | "},
      {{2, 0, 3, 2}, "c:c1/3/0 | a:a1/0/0 a2/0/1 | d:d1/0/0 | c:c1/3/0 | "},
      {{1, 3}, "b:| d:d1/0/0 | "},
      {{3, 3, 0}, "d:d1/0/0 | d:d1/0/0 | a:a1/0/0 a2/0/1 | "},
      // The read has reached c1 when it is changed: c must show the change.
      {{0, -1, 2, 3}, "a:a1/0/0 a2/0/1 | c:c1/3/1 | d:d1/0/0 | "},
  };
  for (const Case& c : cases) EXPECT_EQ(PortGroupsInOrder(c.picks), c.expected);
}

}  // namespace
}  // namespace sqlite_host
