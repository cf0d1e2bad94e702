#include "backends/ovs/bridge_mappings.h"

#include <gtest/gtest.h>

namespace ovs_host {
namespace {

// Other hosts' tools and operators write the same key: their entries stay.
TEST(BridgeMappings, ChangeOnlyTheNetworksOwnEntry) {
  struct Case {
    const char* before;
    const char* bridge;
    const char* after;
  };
  const Case cases[] = {
      {"", "qdv1", "net:qdv1"},
      {"phys:br-eth0", "qdv1", "phys:br-eth0,net:qdv1"},
      {"net:old,phys:br-eth0", "qdv1", "net:qdv1,phys:br-eth0"},
      {"phys:br-eth0, net:qdv1 , x:y", "", "phys:br-eth0,x:y"},
      {"net:qdv1", "", ""},
      {"network:a,net2:b", "", "network:a,net2:b"},
      {"junk,,phys:br", "qdv1", "junk,phys:br,net:qdv1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetBridgeMapping(c.before, "net", c.bridge), c.after)
        << "[" << c.before << "] with net:" << c.bridge;
  }
}

// Every host and every later build must find a network's bridge again by
// its name: the names are written out, each 15 bytes, a device's longest.
TEST(BridgeMappings, BridgeNamesFitADeviceAndStayTheSame) {
  EXPECT_EQ(BridgeNameFor("quenta-0123456789abcdef"), "qdvc060f3d89c22");
  EXPECT_EQ(BridgeNameFor("quenta-0123456789abcdee"), "qdvbf60f3d89a6f");
  EXPECT_EQ(BridgeNameFor("n"), "qdve34c8601f871");
}

}  // namespace
}  // namespace ovs_host
