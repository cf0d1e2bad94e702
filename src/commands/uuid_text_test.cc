#include "commands/uuid_text.h"

#include <gtest/gtest.h>

namespace {

TEST(UuidText, AcceptsWhatScansAsSixteenValues) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"01 02 03 04 05 06 07 08-09 0a 0b 0c 0d 0e 0f 10", true},
      {"0102030405060708-090a0b0c0d0e0f10", true},
      {"1 2 3 4 5 6 7 8-9 A B C D E F 0", true},
      {"01  02\t03 04 05 06 07 08- 09 0a 0b 0c 0d 0e 0f 10", true},
      {"01 02 03 04 05 06 07 08-09 0a 0b 0c 0d 0e 0f 10 trailing", true},
      {"01 02 03 04 05 06 07 08 -09 0a 0b 0c 0d 0e 0f 10", false},  // '-' right after the 8th
      {"01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10", false},
      {"01 02 03 04 05 06 07 08-09 0a 0b 0c 0d 0e 0f", false},
      {"01 02 03 04 05 06 07 08-09 0a 0b 0c 0d 0e 0f xy", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUuidString(c.text), c.valid) << c.text;
}

TEST(UuidText, ZeroFillsShortText) {
  EXPECT_STREQ(UuidToString("dvs0"), "64 76 73 30 00 00 00 00-00 00 00 00 00 00 00 00");
  EXPECT_STREQ(UuidToString("abcdefghijklmnop"), "61 62 63 64 65 66 67 68-69 6a 6b 6c 6d 6e 6f 00");
}

}  // namespace
