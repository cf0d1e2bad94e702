#include "backends/ovs/ovs_pnics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace ovs_host {
namespace {

namespace fs = std::filesystem;

// A folder laid out as /sys/class/net is: one folder a device, holding
// `device` when hardware is behind it, `bonding` for a bond, `bridge` for a
// Linux bridge. A network namespace has no hardware, so what discovery
// keeps is only seen here.
TEST(Pnics, AreTheDevicesWithHardwareAndBondsAlone) {
  char folder[] = "/tmp/sysfs.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const fs::path sysfs(folder);
  auto device = [&](const std::string& name, const std::vector<std::string>& entries) {
    fs::create_directories(sysfs / name);
    for (const std::string& entry : entries) fs::create_directories(sysfs / name / entry);
  };
  device("lo", {});
  device("eth0", {"device"});
  device("enp3s0", {"device", "queues"});
  device("bond0", {"bonding"});
  device("br0", {"bridge"});
  device("brhw", {"device", "bridge"});
  device("veth0", {});
  device("ovs-system", {});

  EXPECT_EQ(DiscoverPnics(sysfs.string()), (std::vector<std::string>{"bond0", "enp3s0", "eth0"}));
  EXPECT_EQ(NetworkDevices(sysfs.string()),
            (std::vector<std::string>{"bond0", "br0", "brhw", "enp3s0", "eth0", "lo", "ovs-system",
                                      "veth0"}));
  EXPECT_TRUE(DiscoverPnics((sysfs / "missing").string()).empty());
  fs::remove_all(sysfs);
}

}  // namespace
}  // namespace ovs_host
