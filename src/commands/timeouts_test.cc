#include "commands/timeouts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Quorvic::Network::LagTimeoutConfig;
using Quorvic::Network::UplinkTimeoutConfig;

TEST(Timeouts, FormatsFourColumnsWithNumericTimeout) {
  struct Case {
    std::string expected;
    std::string actual;
  };
  // Timeouts 49 and 65 are the characters '1' and 'A': they must print as numbers.
  const Case cases[] = {
      {"ps0,up1,5,1", FormatUplinkTimeout({"ps0", "up1", 5, 1})},
      {"ps0,up1,5,49", FormatUplinkTimeout({"ps0", "up1", 5, 49})},
      {",,0,0", FormatUplinkTimeout({"", "", 0, 0})},
      {"ps0,up1,4294967295,255", FormatUplinkTimeout({"ps0", "up1", 4294967295u, 255})},
      {"ps0,,5,0", FormatLagTimeout({"ps0", 5, 0})},
      {"ps0,,7,65", FormatLagTimeout({"ps0", 7, 65})},
      {",,0,255", FormatLagTimeout({"", 0, 255})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.actual, c.expected);
  }
}

}  // namespace
