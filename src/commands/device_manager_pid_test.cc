#include "commands/device_manager_pid.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

namespace {

TEST(DeviceManagerPid, ReadsOnlyAPositiveDecimalPid) {
  struct Case {
    std::string text;
    std::optional<pid_t> pid;
  };
  const Case cases[] = {
      {"1234\n", 1234},
      {" \t\n 42", 42},
      {"1234abc", 1234},
      {"007", 7},  // decimal, not octal
      {"2147483647", 2147483647},
      {"", std::nullopt},
      {"  \n", std::nullopt},
      {"0", std::nullopt},
      {"pid 12", std::nullopt},
      {"-1", std::nullopt},
      // Out of a positive pid_t: would signal a process group or every process.
      {"2147483648", std::nullopt},
      {"4294967295", std::nullopt},
      // 2^32 + 1234 must not wrap round to process 1234.
      {"4294968530", std::nullopt},
      {"18446744073709552850", std::nullopt},  // 2^64 + 1234
      {"123456789012345678901234567890", std::nullopt},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(ReadDeviceManagerPid(in), c.pid) << "text: \"" << c.text << "\"";
  }
}

}  // namespace
