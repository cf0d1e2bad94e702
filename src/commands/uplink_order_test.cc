#include "commands/uplink_order.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using Quorvic::Network::NicTeamingPolicy;

namespace {

enum class Edit { kAdd, kRemove };

struct Policy {
  bool ownOrder;
  std::vector<std::string> order;
  int32_t maxActive;
};

struct OrderCase {
  const char* name;
  Edit edit;
  Policy before;
  std::string uplink;
  bool changed;
  Policy after;
  std::string stderrText;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

NicTeamingPolicy MakePolicy(const Policy& p) {
  return NicTeamingPolicy(p.ownOrder ? NicTeamingPolicy::UPLINK_ORDER_SET : 0, p.order,
                          p.maxActive);
}

const std::vector<std::string> kThree = {"nic0", "nic1", "nic2"};

// Rows: edit, policy before (own order?, order, max active), uplink, changed,
// policy after, standard error.
// clang-format off
const OrderCase kOrderCases[] = {
  {"AddGoesAfterLastActive", Edit::kAdd, {true, kThree, 2}, "nic3",
   true, {true, {"nic0", "nic1", "nic3", "nic2"}, 3}, ""},
  {"AddClampsCountToOrderLength", Edit::kAdd, {true, {"nic0"}, 4}, "nic1",
   true, {true, {"nic0", "nic1"}, 2}, ""},
  {"AddStartsOwnOrderIgnoringStoredOne", Edit::kAdd, {false, {"nic0"}, 3}, "nic1",
   true, {true, {"nic1"}, 1}, ""},
  {"AddWithNegativeCountGoesFirst", Edit::kAdd, {true, {"nic0"}, -1}, "nic1",
   true, {true, {"nic1", "nic0"}, 1}, ""},
  {"AddPresentUplinkChangesNothing", Edit::kAdd, {true, kThree, 1}, "nic2",
   false, {true, kThree, 1}, ""},
  {"RemoveActiveLowersCount", Edit::kRemove, {true, kThree, 2}, "nic0",
   true, {true, {"nic1", "nic2"}, 1}, ""},
  {"RemoveLastActiveLowersCount", Edit::kRemove, {true, kThree, 2}, "nic1",
   true, {true, {"nic0", "nic2"}, 1}, ""},
  {"RemoveStandbyKeepsCount", Edit::kRemove, {true, kThree, 2}, "nic2",
   true, {true, {"nic0", "nic1"}, 2}, ""},
  {"RemoveWithoutOwnOrderIsSilent", Edit::kRemove, {false, {"nic0"}, 1}, "nic0",
   false, {false, {"nic0"}, 1}, ""},
  {"RemoveAbsentUplinkIsReported", Edit::kRemove, {true, kThree, 2}, "nic7",
   false, {true, kThree, 2}, "Not a valid pnic: nic7\n"},
};
// clang-format on

class UplinkOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(UplinkOrder, EditsOrderAndMaxActive) {
  const OrderCase& c = GetParam();
  NicTeamingPolicy policy = MakePolicy(c.before);

  testing::internal::CaptureStderr();
  const bool changed = c.edit == Edit::kAdd ? AddUplinkToOrder(c.uplink, policy)
                                            : RemoveUplinkFromOrder(c.uplink, policy);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText);

  EXPECT_EQ(changed, c.changed);
  if (c.after.ownOrder) {
    EXPECT_EQ(policy.GetUplinkOrder(), c.after.order);
    EXPECT_EQ(policy.GetMaxActiveUplinks(), c.after.maxActive);
  }
  EXPECT_EQ(policy, MakePolicy(c.after));  // the flag, and nothing else touched
}

INSTANTIATE_TEST_SUITE_P(Cases, UplinkOrder, testing::ValuesIn(kOrderCases),
                         [](const testing::TestParamInfo<OrderCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
