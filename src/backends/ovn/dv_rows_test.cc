#include "backends/ovn/dv_rows.h"

#include <gtest/gtest.h>

#include "support/message_of.h"

namespace ovn {
namespace {

TEST(DVRows, EveryFieldSurvivesTheRoundTrip) {
  SwitchRow row;
  row.kind = SwitchKind::kDistributed;
  row.name = "dvs0";
  row.running = false;
  row.numPorts = 256;
  row.usedPorts = 3;
  row.configuredPorts = 128;
  row.mtu = 9000;
  row.uplinks = {"nic3", "nic1"};
  row.ens = {true, false, true, 4, 2};
  row.dvsName = "dvs-zero";
  row.uuid = "u-1";
  row.implClass = "cls";
  row.version = 7;
  row.switchId = "id-0";
  Ids ids = SwitchIds(row, 42, 5, "h1");
  SwitchRow back = ReadSwitchIds("dvs0", ids, {"h1", {}});
  EXPECT_EQ(CreatedOf(ids), 42);
  EXPECT_EQ(GenerationOf(ids), 5);
  EXPECT_EQ(back.uplinks, row.uplinks);
  EXPECT_TRUE(back.ens.active);
  EXPECT_FALSE(back.ens.interrupt);
  EXPECT_TRUE(back.ens.fastSwitch);
  EXPECT_EQ(back.ens.reassociations, 4u);
  EXPECT_EQ(back.ens.forcedReassociations, 2u);
  EXPECT_FALSE(back.running);
  EXPECT_EQ(back.mtu, 9000u);
  EXPECT_EQ(back.numPorts, 256u);
  EXPECT_EQ(back.usedPorts, 3u);
  EXPECT_EQ(back.configuredPorts, 128u);
  EXPECT_EQ(back.dvsName, "dvs-zero");
  EXPECT_EQ(back.uuid, "u-1");
  EXPECT_EQ(back.implClass, "cls");
  EXPECT_EQ(back.switchId, "id-0");
  EXPECT_EQ(back.version, 7u);

  DVPortRow port{{}, "17", {"vm1.eth0", "vm2.eth1"}, 9, {"nic2"}, 3};
  Ids portIds = PortIds("dvs0", port, 4, "h1");
  DVPortRow portBack = ReadPortIds(portIds, {"h1", {}});
  EXPECT_EQ(OrderOf(portIds), 4u);
  EXPECT_EQ(portBack.portId, "17");
  EXPECT_EQ(portBack.clients, port.clients);
  EXPECT_EQ(portBack.uplinks, port.uplinks);
  EXPECT_EQ(portBack.connectionId, 9u);
  EXPECT_EQ(portBack.testEvents, 3u);
}

TEST(DVRows, MalformedValuesNameTheRowAndKey) {
  const std::pair<const char*, const char*> cases[] = {{"quenta:mtu", "9k"},
                                                       {"quenta:uplinks:h1", "nic0"},
                                                       {"quenta:uplinks:h1", "[1]"},
                                                       {"quenta:created", "soon"},
                                                       {"quenta:ens", "{\"active\": 3}"}};
  for (const auto& [key, value] : cases) {
    Ids ids = SwitchIds(SwitchRow(), 0, 0, "h1");
    ids[key] = value;
    const std::string message = ovsdb::MessageOf([&] { ReadSwitchIds("dvs0", ids, {"h1", {}}); });
    EXPECT_NE(message.find("logical switch dvs0"), std::string::npos) << key << ": " << message;
    EXPECT_NE(message.find(key), std::string::npos) << message;
  }
  Ids portIds = PortIds("dvs0", DVPortRow{{}, "7", {}, 0, {}, 0}, 0, "h1");
  portIds["quenta:order"] = "first";
  const std::string message = ovsdb::MessageOf([&] { ReadPortIds(portIds, {"h1", {}}); });
  EXPECT_NE(message.find("logical switch port dvs0/7: external_ids quenta:order"),
            std::string::npos)
      << message;
}

}  // namespace
}  // namespace ovn
