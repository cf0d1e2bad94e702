#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"

// The rows a format-1 build made for its bridges carry none of our marks
// (doc/formats.md): they are found by what holds them, and read as ours
// until a change marks them.
namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::Uuid;

void OvsStore::ReadUnmarked(const std::vector<BridgeRead*>& bridges) {
  std::vector<json> selects;
  for (const BridgeRead* bridge : bridges) {
    for (const std::string& uuid : UnmarkedInterfaces(*bridge)) {
      selects.push_back(
          ovsdb::Select("Interface", {Condition("_uuid", "==", Uuid(uuid))}, kInterfaceColumns));
    }
  }
  if (selects.empty()) return;
  std::vector<InterfaceRead> interfaces;
  for (const json& result : session_.Read(std::move(selects))) {
    for (const json& row : result.at("rows")) interfaces.push_back(InterfaceFromRow(row));
  }
  for (BridgeRead* bridge : bridges) AttachUnmarked(*bridge, interfaces);
}

std::map<std::string, std::string> OvsStore::UnmarkedOfOurs(
    const std::set<std::string>& ports, const std::set<std::string>& interfaces) {
  std::map<std::string, std::string> ours;
  if (ports.empty() && interfaces.empty()) return ours;
  // The ports that hold the interfaces, then the bridges that hold the ports.
  std::vector<json> selects;
  for (const std::string& uuid : ports) {
    selects.push_back(ovsdb::Select("Port", {Condition("_uuid", "==", Uuid(uuid))}, kPortColumns));
  }
  for (const std::string& uuid : interfaces) {
    selects.push_back(ovsdb::Select(
        "Port", {Condition("interfaces", "includes", ovsdb::Set({Uuid(uuid)}))}, kPortColumns));
  }
  std::vector<PortRead> held;
  for (const json& result : session_.Read(std::move(selects))) {
    for (const json& row : result.at("rows")) held.push_back(PortFromRow(row));
  }
  selects.clear();
  for (const PortRead& port : held) {
    selects.push_back(ovsdb::Select(
        "Bridge", {Condition("ports", "includes", ovsdb::Set({Uuid(port.uuid)}))}, kBridgeColumns));
  }
  if (selects.empty()) return ours;
  const std::vector<json> results = session_.Read(std::move(selects));
  for (std::size_t i = 0; i < held.size(); ++i) {
    for (const json& row : results[i].at("rows")) {
      BridgeRead bridge = BridgeFromRow(row);
      Attach(bridge, PartsRead({held[i]}, {}), false);
      if (bridge.ownPorts.empty() || bridge.ownPorts[0].unmarkedRole.empty()) continue;
      const PortRead& port = bridge.ownPorts[0];
      if (ports.count(port.uuid) != 0) ours[port.uuid] = bridge.name;
      for (const std::string& uuid : port.interfaces) {
        if (interfaces.count(uuid) != 0) ours[uuid] = bridge.name;
      }
    }
  }
  return ours;
}

}  // namespace ovs_host
