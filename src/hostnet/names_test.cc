#include "hostnet/names.h"

#include <gtest/gtest.h>

namespace hostnet {
namespace {

TEST(Names, PrintableNamesAreUtf8WithoutControlCharacters) {
  const std::pair<std::string, bool> cases[] = {
      {"vSwitch0", true},
      {"two words", true},
      {"\xc3\xbcml\xc3\xa4ut", true},          // two-byte letters
      {"\xe5\x90\x8d\xf0\x9f\x98\x80", true},  // three and four bytes
      {"new\nline", false},
      {"tab\t", false},
      {"\x1b[31mred", false},
      {std::string("nul\0x", 5), false},
      {"del\x7f", false},
      {"c1 \xc2\x9b", false},  // U+009B, a control
      {"\xff\xfe", false},
      {"\xc0\xaf", false},          // overlong "/"
      {"\xed\xa0\x80", false},      // a surrogate
      {"\xf4\x90\x80\x80", false},  // above U+10FFFF
      {"cut \xe5\x90", false},      // a sequence cut short
  };
  for (const auto& [name, printable] : cases) EXPECT_EQ(IsPrintableName(name), printable) << name;
}

}  // namespace
}  // namespace hostnet
