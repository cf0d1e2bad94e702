#include "cli/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ParseNumber, FollowsTheBaseZeroRule) {
  const struct {
    const char* text;
    uint32_t value;
    bool complete;
  } cases[] = {
      // clang-format off
      {"0x10", 16, true},
      {"010", 8, true},
      {"08", 0, false},  // 8 is no octal digit
      {" \t+7", 7, true},
      {"7 ", 7, false},
      {"12abc", 12, false},
      {"", 0, true},
      {"-1", 0xFFFFFFFF, true},
      {"0x100000005", 5, true},  // only the low 32 bits are kept
      // clang-format on
  };
  for (const auto& c : cases) {
    Number<uint32_t> number = ParseNumber<uint32_t>(c.text);
    EXPECT_EQ(number.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(number.complete, c.complete) << '"' << c.text << '"';
  }
  EXPECT_EQ(ParseNumber<uint16_t>("70000").value, 4464);
  EXPECT_EQ(ParseNumber<int32_t>("0xffffffff").value, -1);
}

}  // namespace
