#include "backends/ovs/bridge_mappings.h"

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "backends/rows/chassis.h"

namespace ovs_host {

namespace {

std::string Trim(const std::string& text) {
  std::string::size_type first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<std::string> CommaMembers(const std::string& list) {
  std::vector<std::string> members;
  std::string::size_type start = 0;
  while (start < list.size()) {
    std::string::size_type comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string member = Trim(list.substr(start, comma - start));
    start = comma + 1;
    if (!member.empty()) members.push_back(std::move(member));
  }
  return members;
}

std::string SetBridgeMapping(const std::string& mappings, const std::string& network,
                             const std::string& bridge) {
  std::vector<std::string> entries;
  bool placed = false;
  for (const std::string& entry : CommaMembers(mappings)) {
    std::string::size_type colon = entry.find(':');
    if (colon != std::string::npos && Trim(entry.substr(0, colon)) == network) {
      if (!bridge.empty() && !placed) entries.push_back(network + ":" + bridge);
      placed = true;
      continue;
    }
    entries.push_back(entry);
  }
  if (!bridge.empty() && !placed) entries.push_back(network + ":" + bridge);
  std::string joined;
  for (const std::string& entry : entries) joined += (joined.empty() ? "" : ",") + entry;
  return joined;
}

std::vector<std::pair<std::string, std::string>> MappingEntries(const std::string& mappings) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& entry : CommaMembers(mappings)) {
    const std::string::size_type colon = entry.find(':');
    if (colon == std::string::npos) continue;
    entries.emplace_back(Trim(entry.substr(0, colon)), Trim(entry.substr(colon + 1)));
  }
  return entries;
}

// 12 hex digits of the network's hash after a prefix of our own.
std::string BridgeNameFor(const std::string& network) {
  char text[13];
  std::snprintf(text, sizeof text, "%012llx",
                static_cast<unsigned long long>(rows::StableHash(network) & 0xffffffffffffULL));
  return std::string("qdv") + text;
}

}  // namespace ovs_host
