#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "backends/sqlite/test_host.h"
#include "host_commands.h"

namespace {

using sqlite_host::TempHost;

// Every field of every kind of object, in dump layout.
const char* const kFullHost = R"({
  "pnics": ["nic0", "nic1", "nic2", "nic3"],
  "switches": [
    {
      "name": "sw0",
      "running": true,
      "system": false,
      "numPorts": 128,
      "usedPorts": 0,
      "configuredPorts": 128,
      "mtu": 1500,
      "cdp": "listen",
      "uplinks": ["nic0"],
      "configUplinks": ["nic0"],
      "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
      "ens": {"active": false, "interrupt": false, "fastSwitch": false, "reassociations": 0, "forcedReassociations": 0},
      "portGroups": [
        {"name": "pg1", "vlan": 10, "ports": 1, "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}
      ]
    }
  ],
  "dvswitches": [
    {
      "name": "dvs0",
      "dvsName": "dvs0",
      "running": true,
      "uuid": "64 76 73 30 00 00 00 00-00 00 00 00 00 00 00 00",
      "implClass": "cswitch",
      "version": 6,
      "switchId": "64 76 73 30 00 00 00 00-00 00 00 00 00 00 00 00",
      "numPorts": 128,
      "usedPorts": 0,
      "configuredPorts": 128,
      "mtu": 1500,
      "uplinks": [],
      "ens": {"active": false, "interrupt": false, "fastSwitch": false, "reassociations": 0, "forcedReassociations": 0},
      "dvports": [
        {"id": "100", "clients": ["guest1.net0"], "connectionId": 0, "uplinks": [], "testEvents": 0}
      ]
    }
  ],
  "opaqueSwitches": [
    {"name": "ovl0", "dvsName": "ovl0", "numPorts": 4096, "usedPorts": 12, "uplinks": ["nic3"]}
  ],
  "uplinkTimeouts": [
    {"portset": "ps0", "uplink": "up1", "lagId": 5, "timeout": 1, "loaded": false}
  ],
  "lagTimeouts": [
    {"portset": "ps0", "lagId": 5, "timeout": 0, "loaded": false}
  ],
  "ensActivateNode": 0,
  "faults": [
    {"op": "VirtualSwitch.AddUplink", "target": "sw0", "message": "link is down", "times": 1}
  ]
}
)";

// The same host with every field that has a default left out.
const char* const kSparseHost = R"({
  "pnics": ["nic0", "nic1", "nic2", "nic3"],
  "switches": [{"name": "sw0", "uplinks": ["nic0"],
                "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
                "portGroups": [{"name": "pg1", "vlan": 10, "ports": 1,
                                "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}]}],
  "dvswitches": [{"name": "dvs0", "dvports": [{"id": "100", "clients": ["guest1.net0"]}]}],
  "opaqueSwitches": [{"name": "ovl0", "numPorts": 4096, "usedPorts": 12, "uplinks": ["nic3"]}],
  "uplinkTimeouts": [{"portset": "ps0", "uplink": "up1", "lagId": 5, "timeout": 1}],
  "lagTimeouts": [{"portset": "ps0", "lagId": 5}],
  "faults": [{"op": "VirtualSwitch.AddUplink", "target": "sw0", "message": "link is down",
              "times": 1}]
})";

// Runs ploncfg-host with args; returns the exit status and what it wrote to stderr.
std::pair<int, std::string> RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), "ploncfg-host");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  testing::internal::CaptureStderr();
  int status = RunHostCommand(static_cast<int>(argv.size()), argv.data());
  return {status, testing::internal::GetCapturedStderr()};
}

std::string WriteFile(const TempHost& host, const std::string& text) {
  std::string path = host.Dir() + "/host.json";
  std::ofstream(path) << text;
  return path;
}

TEST(HostJson, DumpLoadDumpGivesTheSameBytes) {
  TempHost host;
  for (const char* document : {kFullHost, kSparseHost}) {
    ASSERT_EQ(RunTool({"load", WriteFile(host, document)}).first, 0);
    EXPECT_EQ(host.Dump(), kFullHost);
    host.Load(host.Dump());
    EXPECT_EQ(host.Dump(), kFullHost);
  }
}

TEST(HostJson, LoadRefusesWithOneLineAndLeavesTheHostUnchanged) {
  struct Case {
    const char* document;
    const char* error;
  };
  const Case cases[] = {
      {R"({"pnics": ["nic0"],)",
       "invalid JSON: parse error at line 1, column 20: syntax error "
       "while parsing object key - unexpected end of input; expected "
       "string literal"},
      {R"({"pnics": [], "extra": 1})", "extra: unknown key"},
      {R"({"pnics": "nic0"})", "pnics: must be an array"},
      {R"({"pnics": ["nic0", "nic0"]})", "pnics[1]: duplicate name nic0"},
      {R"({"switches": [{"running": true}]})", "switches[0].name: is required"},
      {R"({"switches": [{"name": "a", "running": "yes"}]})",
       "switches[0].running: must be true or false"},
      {R"({"switches": [{"name": "a"}, {"name": "b", "portGroups": [{"name": "p", "vlan": 4096}]}]})",
       "switches[1].portGroups[0].vlan: must be 0 to 4095"},
      {R"({"switches": [{"name": "a", "mtu": 100}]})", "switches[0].mtu: must be 1280 to 9000"},
      {R"({"switches": [{"name": "a", "numPorts": 5000}]})",
       "switches[0].numPorts: must be 8 to 4096"},
      {R"({"switches": [{"name": "a", "cdp": "sometimes"}]})",
       "switches[0].cdp: must be one of down, listen, advertise, both"},
      {R"({"switches": [{"name": "a", "ens": {"active": 1}}]})",
       "switches[0].ens.active: must be true or false"},
      {R"({"switches": [{"name": "sw0"}], "dvswitches": [{"name": "sw0"}]})",
       "dvswitches[0].name: duplicate name sw0"},
      {R"({"switches": [{"name": "a", "portGroups": [{"name": "pg"}]},
                        {"name": "b", "portGroups": [{"name": "pg"}]}]})",
       "switches[1].portGroups[0].name: duplicate name pg"},
      {R"({"pnics": ["nic0"], "switches": [{"name": "a", "uplinks": ["nic9"]}]})",
       "switches[0].uplinks[0]: nic9 is not a pnic"},
      {R"({"pnics": ["nic0"], "switches": [{"name": "a", "teaming": {"uplinkOrder": ["x"]}}]})",
       "switches[0].teaming.uplinkOrder[0]: x is not a pnic"},
      {R"({"pnics": ["nic0"], "switches": [{"name": "a", "uplinks": ["nic0"]},
                                            {"name": "b", "uplinks": ["nic0"]}]})",
       "switches[1].uplinks[0]: nic0 is already linked to a"},
      {R"({"dvswitches": [{"name": "d", "dvports": [{"id": "1", "uplinks": ["nic7"]}]}]})",
       "dvswitches[0].dvports[0].uplinks[0]: nic7 is not a pnic"},
      {R"({"dvswitches": [{"name": "d", "dvports": [{"id": "1"}, {"id": "1"}]}]})",
       "dvswitches[0].dvports[1].id: duplicate id 1"},
      {R"({"uplinkTimeouts": [{"timeout": 256}]})", "uplinkTimeouts[0].timeout: must be 0 to 255"},
      {R"({"lagTimeouts": [{"lagId": -1}]})", "lagTimeouts[0].lagId: must be 0 to 4294967295"},
      {R"({"faults": [{"op": "X", "status": 0}]})", "faults[0].status: must not be 0"},
      {R"({"faults": [{"op": "X", "times": 0}]})", "faults[0].times: must be 1 to 2147483647"},
      // The parser would keep the last of two equal keys.
      {R"({"pnics": [], "pnics": ["nic0"]})", "pnics: duplicate key"},
      {R"({"switches": [{"name": "a"}, {"name": "b", "mtu": 1500, "mtu": 9000}]})",
       "switches[1].mtu: duplicate key"},
      // Names that would forge listing lines or reach the terminal as escapes.
      {R"({"switches": [{"name": "web\nvSwitch9"}]})",
       "switches[0].name: must be UTF-8 text without control characters"},
      {R"({"pnics": ["\u001b[31mred"]})", "pnics[0]: must be UTF-8 text without control characters"},
      {R"({"dvswitches": [{"name": "d", "dvsName": "x\ty"}]})",
       "dvswitches[0].dvsName: must be UTF-8 text without control characters"},
  };
  TempHost host;
  host.Load(kFullHost);
  for (const Case& c : cases) {
    auto [status, error] = RunTool({"load", WriteFile(host, c.document)});
    EXPECT_EQ(status, 1) << c.document;
    EXPECT_EQ(error, std::string(c.error) + "\n") << c.document;
    EXPECT_EQ(host.Dump(), kFullHost) << c.document;
  }
}

TEST(HostTool, ResetRebootAndFaultsChangeOnlyWhatTheySay) {
  TempHost host;
  host.Load(kFullHost);
  ASSERT_EQ(RunTool({"reboot"}).first, 0);
  std::string rebooted = host.Dump();
  EXPECT_NE(rebooted.find("\"running\": false"), std::string::npos);
  EXPECT_NE(rebooted.find("\"uplinks\": [],\n      \"configUplinks\": [\"nic0\"]"),
            std::string::npos);
  EXPECT_NE(rebooted.find("link is down"), std::string::npos);  // faults survive

  ASSERT_EQ(RunTool({"fault", "KARN_Set", "--message", "no", "--status", "7"}).first, 0);
  EXPECT_NE(host.Dump().find(R"({"op": "KARN_Set", "message": "no", "status": 7})"),
            std::string::npos);
  ASSERT_EQ(RunTool({"faults", "clear"}).first, 0);
  EXPECT_NE(host.Dump().find("\"faults\": []"), std::string::npos);

  EXPECT_EQ(
      RunTool({"fault", "GetName", "--message", "m", "--times", "0"}),
      std::make_pair(1, std::string("--times must be a whole number from 1 to 2147483647: 0\n")));
  // A misspelt operation would never fire.
  EXPECT_EQ(RunTool({"fault", "AddUplnk", "--message", "m"}),
            std::make_pair(1, std::string("unknown operation AddUplnk: OP is Method or "
                                          "Class.Method of the host library\n")));
  ASSERT_EQ(RunTool({"reset", "--empty"}).first, 0);
  EXPECT_EQ(host.Dump(),
            "{\n  \"pnics\": [],\n  \"switches\": [],\n  \"dvswitches\": [],\n"
            "  \"opaqueSwitches\": [],\n  \"uplinkTimeouts\": [],\n  \"lagTimeouts\": [],\n"
            "  \"ensActivateNode\": 0,\n  \"faults\": []\n}\n");
}

}  // namespace
