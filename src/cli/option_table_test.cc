#include "cli/option_table.h"

#include <getopt.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(OptionTable, DerivesTheShortOptionString) {
  EXPECT_STREQ(ShortOptions(),
               "aWu:I:n:dlU:L:P:Q:V:rcp:v:hA:D:C:tTB:bM:N:m:X:xRyYfzZioOs:j:k:gGFS");
}

// A letter or long name given twice would reach only its first row.
TEST(OptionTable, GivesEachLetterAndLongNameOneRow) {
  std::set<char> letters;
  std::set<std::string> longNames;
  for (const OptionRow& row : OptionTable()) {
    EXPECT_TRUE(letters.insert(row.letter).second) << row.letter;
    if (row.longName != nullptr) {
      EXPECT_TRUE(longNames.insert(row.longName).second) << row.longName;
    }
  }
}

TEST(OptionTable, ReadsEachLongOptionAsItsLetter) {
  const std::string shortOptions = ShortOptions();
  int count = 0;
  for (const struct option* entry = LongOptions(); entry->name != nullptr; ++entry, ++count) {
    const std::string::size_type at = shortOptions.find(static_cast<char>(entry->val));
    ASSERT_NE(at, std::string::npos) << entry->name;
    const bool takesArgument = shortOptions[at + 1] == ':';
    EXPECT_EQ(entry->has_arg, takesArgument ? required_argument : no_argument) << entry->name;
    EXPECT_EQ(entry->flag, nullptr) << entry->name;
  }
  EXPECT_EQ(count, 44);
}

}  // namespace
