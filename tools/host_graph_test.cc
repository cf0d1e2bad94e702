#include "tools/host_graph.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "hostnet/host_json_read.h"

namespace {

using Json = nlohmann::ordered_json;

// What `dot -Tjson` made of a drawing: the text each node shows (its label
// pieces run together) and each edge's style and label, by the texts of its ends.
struct Rendered {
  std::string errors;
  std::vector<std::string> nodeTexts;
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> edges;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string LabelText(const Json& object) {
  std::string text;
  if (object.contains("_ldraw_"))
    for (const Json& op : object.at("_ldraw_"))
      if (op.at("op") == "T") text += op.at("text").get<std::string>();
  return text;
}

Rendered RunDot(const std::string& dot) {
  // Tests run in processes of their own, possibly at the same time.
  static int calls = 0;
  const std::string base =
      testing::TempDir() + "host_graph_" + std::to_string(getpid()) + "_" + std::to_string(calls++);
  std::ofstream(base + ".dot") << dot;
  const std::string command =
      "dot -Tjson '" + base + ".dot' > '" + base + ".json' 2> '" + base + ".err'";
  int status = std::system(command.c_str());
  Rendered rendered;
  rendered.errors = ReadFile(base + ".err");
  const std::string output = ReadFile(base + ".json");
  for (const char* suffix : {".dot", ".json", ".err"}) std::remove((base + suffix).c_str());
  if (status != 0) {
    rendered.errors += "dot exited with " + std::to_string(status);
    return rendered;
  }
  Json graph = Json::parse(output);
  std::map<int, std::string> byId;
  for (const Json& object : graph.value("objects", Json::array())) {
    if (object.contains("nodes")) continue;  // a cluster
    byId[object.at("_gvid").get<int>()] = LabelText(object);
    rendered.nodeTexts.push_back(LabelText(object));
  }
  for (const Json& edge : graph.value("edges", Json::array()))
    rendered.edges[{byId[edge.at("tail").get<int>()], byId[edge.at("head").get<int>()]}] = {
        edge.value("style", ""), LabelText(edge)};
  return rendered;
}

// Names that DOT or the label markup would take as syntax if they went out raw.
const char* const kAwkwardHost = R"({
  "pnics": ["nic0", "nic\"1", "nic\\", "<nic3>"],
  "switches": [
    {"name": "sw \"quoted\"", "uplinks": ["nic0"], "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
     "portGroups": [{"name": "two  blanks", "vlan": 4095}, {"name": "a & b <i>", "vlan": 10}]},
    {"name": "back\\slash\\", "running": false, "uplinks": [], "configUplinks": ["nic\\"]}
  ],
  "dvswitches": [
    {"name": "dvs\\", "dvsName": "dvs \"outer\"",
     "dvports": [{"id": "1\"2", "clients": ["vm\\net0", "vm]net1"], "uplinks": ["<nic3>"]}]}
  ],
  "opaqueSwitches": [{"name": "ovl->0", "uplinks": ["nic\"1"]}]
})";

TEST(HostGraph, EveryHostParsesAndShowsEveryNameVerbatim) {
  const std::vector<std::pair<const char*, std::vector<std::string>>> hosts = {
      {"{}", {}},
      {R"({"pnics": ["nic0", "nic1"], "switches": [{"name": "vSwitch0", "uplinks": ["nic0"],
           "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
           "portGroups": [{"name": "Management"}]}]})",
       {"nic0", "nic1", "vSwitch0", "Management"}},
      {kAwkwardHost,
       {"nic0", "nic\"1", "nic\\", "<nic3>", "sw \"quoted\"", "two  blanks", "a & b <i>",
        "back\\slash\\", "dvs\\", "dvs \"outer\"", "1\"2", "vm\\net0", "vm]net1", "ovl->0"}},
  };
  for (const auto& [document, names] : hosts) {
    SCOPED_TRACE(document);
    Rendered rendered = RunDot(HostGraphDot(HostFromJson(document)));
    EXPECT_EQ(rendered.errors, "");
    for (const std::string& name : names) {
      bool shown = false;
      for (const std::string& text : rendered.nodeTexts)
        shown = shown || text.find(name) != std::string::npos;
      EXPECT_TRUE(shown) << name;
    }
  }
}

TEST(HostGraph, UplinkEdgesShowOrderActiveAndStandby) {
  // Order a, b, c with one active; d is linked outside the order; c and e are
  // only remembered by the configuration. Port group pg orders b before a.
  const char* host = R"({
    "pnics": ["a", "b", "c", "d", "e", "f"],
    "switches": [{"name": "sw", "uplinks": ["a", "b", "d"], "configUplinks": ["a", "b", "c", "d", "e"],
      "teaming": {"uplinkOrder": ["a", "b", "c"], "maxActive": 1},
      "portGroups": [{"name": "pg", "teaming": {"uplinkOrder": ["b", "a"], "maxActive": 2}},
                     {"name": "plain"}]}],
    "dvswitches": [{"name": "dv", "uplinks": ["f"], "dvports": [{"id": "7", "uplinks": ["f"]}]}]
  })";
  const std::string kSwitch = "swMTU 1500, CDP listen0 of 128 ports usedmax active 1";
  const std::vector<
      std::pair<std::pair<std::string, std::string>, std::pair<std::string, std::string>>>
      expected = {
          {{"a", kSwitch}, {"bold", "#1 active"}},
          {{"b", kSwitch}, {"dashed", "#2 standby"}},
          {{"c", kSwitch}, {"dashed", "#3 standby, not linked"}},
          {{"d", kSwitch}, {"dotted", "not in order"}},
          {{"e", kSwitch}, {"dotted", "not in order, not linked"}},
          {{"b", "pgno VLAN0 ports in use"}, {"bold", "#1 active"}},
          {{"a", "pgno VLAN0 ports in use"}, {"bold", "#2 active"}},
          {{"f", "dvcswitch version 6, MTU 15000 of 128 ports used"}, {"bold", ""}},
          {{"f", "DVPort 7"}, {"dashed", ""}},
      };
  Rendered rendered = RunDot(HostGraphDot(HostFromJson(host)));
  ASSERT_EQ(rendered.errors, "");
  for (const auto& [ends, drawn] : expected) {
    SCOPED_TRACE(ends.first + " -> " + ends.second);
    ASSERT_EQ(rendered.edges.count(ends), 1u);
    EXPECT_EQ(rendered.edges.at(ends), drawn);
  }
  // Only the port group with an order of its own gets uplink edges.
  for (const auto& [ends, drawn] : rendered.edges)
    if (ends.second == "plainno VLAN0 ports in use") {
      EXPECT_EQ(ends.first, kSwitch);
    }
}

}  // namespace
