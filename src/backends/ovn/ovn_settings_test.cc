#include "backends/ovn/ovn_settings.h"

#include <gtest/gtest.h>

#include "hostnet/quorvic_exception.h"

namespace ovn {
namespace {

TEST(OvnSettings, TakesEveryRemoteAndRefusesWhatIsNotOne) {
  OvnSettings settings =
      ParseOvnSettings(" tcp:10.0.0.1:6641, unix:/run/nb.sock,,ssl:10.0.0.2:6641", "3");
  EXPECT_EQ(settings.remotes, (std::vector<std::string>{"tcp:10.0.0.1:6641", "unix:/run/nb.sock",
                                                        "ssl:10.0.0.2:6641"}));
  EXPECT_EQ(settings.timeout, std::chrono::seconds(3));
  EXPECT_EQ(ParseOvnSettings("tcp:h:1", "").timeout, std::chrono::seconds(15));

  const std::pair<const char*, const char*> refused[] = {
      {"", ""}, {" , ", ""}, {"tcp:h:1,pssl:h:2", ""}, {"tcp:h:1", "0"}, {"tcp:h:1", "5s"}};
  for (const auto& [remotes, timeout] : refused) {
    EXPECT_THROW(ParseOvnSettings(remotes, timeout), Quorvic::Lib::QuorvicException)
        << remotes << " / " << timeout;
  }
}

}  // namespace
}  // namespace ovn
