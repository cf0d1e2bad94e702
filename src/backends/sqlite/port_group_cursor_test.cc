#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/sqlite/test_host.h"
#include "hostnet/network_info_impl.h"

namespace sqlite_host {
namespace {

const char* const kHost = R"({
  "pnics": ["nic0"],
  "switches": [
    {"name": "a", "portGroups": [{"name": "a1"}, {"name": "a2", "teaming": {"uplinkOrder": ["nic0"]}}]},
    {"name": "b"},
    {"name": "c", "portGroups": [{"name": "c1", "vlan": 3}]},
    {"name": "s", "system": true, "portGroups": [{"name": "s1"}]},
    {"name": "d", "portGroups": [{"name": "d1"}]}
  ]
})";

// Asks the switches of one listing for their port groups in the order given
// by picks (indexes into the listing), changing the host first when a pick is
// negative, and returns what each call answered.
std::string PortGroupsInOrder(std::vector<int> picks) {
  Korvel::Network::NetworkInfoImpl network;
  auto switches = network.GetVirtualSwitchInfo()->GetVirtualSwitches(false);
  std::string seen;
  for (int pick : picks) {
    if (pick < 0) {
      switches[0]->GetPortGroups()[0]->SetVlanId(9);
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
      {{0, -1, 2, 0}, "a:a1/0/0 a2/0/1 | c:c1/3/0 | a:a1/9/0 a2/0/1 | "},
  };
  TempHost host;
  for (const Case& c : cases) {
    host.Load(kHost);
    EXPECT_EQ(InChild([&] { return PortGroupsInOrder(c.picks); }), c.expected);
  }
}

}  // namespace
}  // namespace sqlite_host
