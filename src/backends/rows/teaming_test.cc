#include "backends/rows/teaming.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/message_of.h"

namespace rows {
namespace {

TeamingRow Order(std::vector<std::string> order, int32_t maxActive) {
  return TeamingRow{true, std::move(order), maxActive};
}

// A run read base and asks for wanted while another run left current: what
// is written, or, where the two changes cannot both hold, a refusal.
TEST(MergeTeaming, RedoesTheCallersChangeOnWhatAnotherRunLeft) {
  struct Case {
    const char* what;
    TeamingRow base, wanted, current;
    std::optional<TeamingRow> merged;  // nullopt: refused
  };
  const TeamingRow none;
  const Case cases[] = {
      {"no other change", Order({"a"}, 1), Order({"a", "b"}, 2), Order({"a"}, 1),
       Order({"a", "b"}, 2)},
      {"no change of the caller's", Order({"a"}, 1), Order({"a"}, 1), Order({"a", "y"}, 2),
       Order({"a", "y"}, 2)},
      {"both add at the end", Order({"a", "b"}, 2), Order({"a", "b", "x"}, 2),
       Order({"a", "b", "y"}, 2), Order({"a", "b", "x", "y"}, 2)},
      {"a link after the active ones", Order({"a", "b", "c"}, 2), Order({"a", "b", "x", "c"}, 3),
       Order({"a", "b", "c", "y"}, 2), Order({"a", "b", "x", "c", "y"}, 3)},
      {"an added one whose neighbour went", Order({"a", "b"}, 1), Order({"a", "b", "x"}, 1),
       Order({"a"}, 1), Order({"a", "x"}, 1)},
      {"an unlink", Order({"a", "b", "c"}, 2), Order({"a", "c"}, 1), Order({"a", "b", "c", "y"}, 2),
       Order({"a", "c", "y"}, 1)},
      {"a reorder of what the other left alone", Order({"a", "b", "c"}, 1),
       Order({"b", "a", "c"}, 1), Order({"a", "y", "b", "c"}, 1), Order({"b", "y", "a", "c"}, 1)},
      {"a reorder of what the other moved too", Order({"a", "b", "c"}, 1),
       Order({"b", "a", "c"}, 1), Order({"c", "a", "b"}, 1), std::nullopt},
      {"a reorder of an entry the other took out", Order({"a", "b"}, 1), Order({"b", "a"}, 1),
       Order({"a"}, 1), std::nullopt},
      {"max active raised past the order's length", Order({"a", "b"}, 1), Order({"a", "b"}, 2),
       Order({"a"}, 1), Order({"a"}, 1)},
      {"max active moved by as much", Order({"a", "b"}, 1), Order({"a", "b"}, 2),
       Order({"a", "b", "y"}, 2), Order({"a", "b", "y"}, 3)},
      {"the order turned on by both", none, Order({"a"}, 1), Order({"b"}, 1), std::nullopt},
  };
  for (const Case& c : cases) {
    if (c.merged) {
      EXPECT_EQ(MergeTeaming(c.base, c.wanted, c.current, "sw0"), *c.merged) << c.what;
    } else {
      EXPECT_EQ(ovsdb::MessageOf([&] { MergeTeaming(c.base, c.wanted, c.current, "sw0"); }),
                "the teaming policy of sw0 was changed by another run since this one read it; "
                "nothing was changed")
          << c.what;
    }
  }
}

}  // namespace
}  // namespace rows
