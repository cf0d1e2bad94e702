#include "list/vector_to_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Quorvic::Misc::VectorToString;

TEST(VectorToString, JoinsWithoutLeadingOrTrailingSeparator) {
  struct Case {
    std::vector<std::string> items;
    std::string joined;
  };
  const Case cases[] = {
      {{}, ""},
      {{"nic0"}, "nic0"},
      {{"nic0", "nic1", "nic2"}, "nic0,nic1,nic2"},
      {{"a,b", "c"}, "a,b,c"},  // nothing is escaped
      {{"", ""}, ","},
  };
  for (const Case& c : cases) EXPECT_EQ(VectorToString(c.items, ","), c.joined);
  EXPECT_EQ(VectorToString(std::vector<int>{7, 8, 9}, "; "), "7; 8; 9");
}

}  // namespace
