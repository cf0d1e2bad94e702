#include "backends/ovn/dv_rows.h"

#include <gtest/gtest.h>

#include "hostnet/records_format.h"
#include "support/message_of.h"

namespace ovn {
namespace {

// Other hosts and other builds read these rows: every key is spelt out
// here, so that a key misspelt alike in the writer and the reader shows.
TEST(DVRows, EveryFieldIsWrittenAndReadUnderItsOwnKey) {
  SwitchRow row;
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
  const Ids switchIds = {
      {"quenta:dvswitch", ""},
      {"quenta:format", hostnet::FormatMark()},
      {"quenta:uuid", "u-1"},
      {"quenta:dvs-name", "dvs-zero"},
      {"quenta:switch-id", "id-0"},
      {"quenta:class", "cls"},
      {"quenta:version", "7"},
      {"quenta:num-ports", "256"},
      {"quenta:used-ports", "3"},
      {"quenta:configured-ports", "128"},
      {"quenta:mtu", "9000"},
      {"quenta:running", "false"},
      {"quenta:uplinks:h1", R"(["nic3","nic1"])"},
      {"quenta:ens", R"({"active":true,"fastSwitch":true,"forcedReassociations":2,)"
                     R"("interrupt":false,"reassociations":4})"},
      {"quenta:created", "42"},
      {"quenta:generation", "5"}};
  EXPECT_EQ(SwitchIds(row, 42, 5, "h1"), switchIds);
  SwitchRow back = ReadSwitchIds("dvs0", switchIds, {"h1", {}});
  EXPECT_EQ(CreatedOf(switchIds), 42);
  EXPECT_EQ(GenerationOf(switchIds), 5);
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

  const Ids portIds = {
      {"quenta:switch", "dvs0"},     {"quenta:dvport-id", "17"},
      {"quenta:order", "4"},         {"quenta:clients", R"(["vm1.eth0","vm2.eth1"])"},
      {"quenta:connection-id", "9"}, {"quenta:uplinks:h1", R"(["nic2"])"},
      {"quenta:test-events", "3"}};
  DVPortRow port{{}, "17", {"vm1.eth0", "vm2.eth1"}, 9, {"nic2"}, 3};
  EXPECT_EQ(PortIds("dvs0", port, 4, "h1"), portIds);
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

// A host trusts its list of DVPorts only where nothing it cannot see may
// have put its uplinks elsewhere: a list of another generation (an earlier
// build changed the switch) or one it cannot read is not used, and a host
// with no key at all on the switch has no uplinks there.
TEST(DVRows, AHostsListOfDVPortsIsUsedOnlyWhileCurrent) {
  const std::string list = HostDVPortsValue({5, 2, {"1", "7"}});
  struct Case {
    const char* what;
    Ids ids;
    std::optional<std::vector<std::string>> dvports;
  } cases[] = {
      {"current",
       {{"quenta:generation", "5"}, {"quenta:host-dvports:h1", list}},
       std::vector<std::string>{"1", "7"}},
      {"another generation", {{"quenta:generation", "6"}, {"quenta:host-dvports:h1", list}}, {}},
      {"unreadable", {{"quenta:generation", "5"}, {"quenta:host-dvports:h1", "[1]"}}, {}},
      {"no key of the host's",
       {{"quenta:generation", "5"}, {"quenta:host-dvports:h2", list}},
       std::vector<std::string>{}},
      {"uplinks but no list", {{"quenta:generation", "5"}, {"quenta:uplinks:h1", "[]"}}, {}},
      {"every host's uplinks of format 1", {{"quenta:uplinks", "[]"}}, {}},
  };
  for (const Case& c : cases) {
    std::optional<HostDVPorts> read = CurrentHostDVPorts(c.ids, "h1");
    ASSERT_EQ(read.has_value(), c.dvports.has_value()) << c.what;
    if (read) {
      EXPECT_EQ(read->dvports, *c.dvports) << c.what;
    }
  }
}

}  // namespace
}  // namespace ovn
