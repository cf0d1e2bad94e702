#include "cli/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Case {
  const char* text;
  uint32_t value;
  bool complete;
};

TEST(ParseNumber, FollowsTheBaseZeroRule) {
  // clang-format off
  const Case cases[] = {
      {"4095", 4095, true},
      {"0x10", 16, true},
      {"0X1f", 31, true},
      {"010", 8, true},
      {"08", 0, false},  // 8 is no octal digit
      {" \t7", 7, true},
      {"+7", 7, true},
      {"7 ", 7, false},
      {"12abc", 12, false},
      {"abc", 0, false},
      {"", 0, true},
      {"-1", 0xFFFFFFFF, true},
      {"0x100000005", 5, true},  // only the low 32 bits are kept
  };
  // clang-format on
  for (const Case& c : cases) {
    Number<uint32_t> number = ParseNumber<uint32_t>(c.text);
    EXPECT_EQ(number.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(number.complete, c.complete) << '"' << c.text << '"';
  }
}

TEST(ParseNumber, NarrowsToTheFieldWidth) {
  EXPECT_EQ(ParseNumber<uint16_t>("70000").value, 4464);
  EXPECT_EQ(ParseNumber<uint16_t>("0x1ffff").value, 0xffff);
  EXPECT_EQ(ParseNumber<int32_t>("-5").value, -5);
  EXPECT_EQ(ParseNumber<int32_t>("0xffffffff").value, -1);
  EXPECT_FALSE(ParseNumber<int32_t>("3x").complete);
}

}  // namespace
