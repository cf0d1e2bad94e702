#include "backends/sqlite/host_database.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"
#include "support/test_host.h"

namespace sqlite_host {
namespace {

TEST(HostDatabase, CreatesFoldersAndTheDefaultHostOnce) {
  TempHost host;
  const std::string path = host.Dir() + "/var/lib/hostnet.db";
  // Connections race to create the database; exactly one default host results.
  std::vector<std::thread> openers;
  for (int i = 0; i < 4; ++i) {
    openers.emplace_back([&] { EXPECT_NO_THROW(SqliteBackend(SqliteSettings{path}).Connect()); });
  }
  for (std::thread& opener : openers) opener.join();
  SqliteBackend backend(SqliteSettings{path});
  EXPECT_EQ(DumpHost(backend), HostToJson(HostFromJson(R"({
      "pnics": ["nic0", "nic1", "nic2", "nic3"],
      "switches": [{"name": "vSwitch0", "uplinks": ["nic0"],
                    "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
                    "portGroups": [{"name": "Management"}]}]})")));
}

}  // namespace
}  // namespace sqlite_host
