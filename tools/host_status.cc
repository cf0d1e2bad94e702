#include "tools/host_status.h"

#include <algorithm>
#include <map>

namespace {

using hostnet::SwitchRow;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::vector<std::string> HostStatus(const hostnet::HostDocument& host) {
  std::vector<std::string> lines;
  std::map<std::string, std::string> linkedTo;
  for (const hostnet::StandardSwitchDoc& sw : host.switches) {
    for (const std::string& pnic : sw.row.uplinks) linkedTo.emplace(pnic, sw.row.name);
  }
  for (const hostnet::StandardSwitchDoc& doc : host.switches) {
    const SwitchRow& sw = doc.row;
    if (!sw.running) {
      lines.push_back("standard switch " + sw.name +
                      " is stopped: `ploncfg-vswitch -r` starts it, then `ploncfg-vswitch -R` "
                      "links its stored uplinks");
      continue;
    }
    for (const std::string& pnic : sw.configUplinks) {
      if (Contains(sw.uplinks, pnic)) continue;
      auto owner = linkedTo.find(pnic);
      if (owner == linkedTo.end()) {
        lines.push_back("pnic " + pnic + " is a stored uplink of " + sw.name +
                        " but not linked: `ploncfg-vswitch -R` links it");
      } else {
        lines.push_back("pnic " + pnic + " is a stored uplink of " + sw.name + " but linked to " +
                        owner->second + ", which stops `ploncfg-vswitch -R`: " +
                        "`ploncfg-vswitch -U " + pnic + " " + owner->second + "` unlinks it");
      }
    }
    const int32_t orderSize = static_cast<int32_t>(sw.teaming.order.size());
    if (sw.teaming.orderSet && sw.teaming.maxActive > orderSize) {
      lines.push_back("standard switch " + sw.name + " has max active " +
                      std::to_string(sw.teaming.maxActive) + " but " + std::to_string(orderSize) +
                      (orderSize == 1 ? " uplink" : " uplinks") +
                      " in its order: `ploncfg-vswitch -X " + std::to_string(orderSize) + " " +
                      sw.name + "` matches them");
    }
  }
  for (const hostnet::DVSwitchDoc& doc : host.dvswitches) {
    if (!doc.row.running) {
      lines.push_back("DVSwitch " + doc.row.name + " is stopped: `ploncfg-vswitch -r` starts it");
    }
    // Where DVSwitches are shared, another host may add one that has the
    // name of a switch of this one.
    for (const hostnet::StandardSwitchDoc& sw : host.switches) {
      if (sw.row.name != doc.row.name) continue;
      lines.push_back("standard switch " + sw.row.name + " of this host has the name of DVSwitch " +
                      doc.row.name +
                      ", which another host added: here `ploncfg-vswitch -d` with or without -W "
                      "removes the standard switch; remove one of them where it is alone");
    }
    for (const hostnet::SwitchRow& sw : host.opaqueSwitches) {
      if (sw.name != doc.row.name) continue;
      lines.push_back("opaque switch " + sw.name + " of this host has the name of DVSwitch " +
                      doc.row.name + ", which another host added: listings show both");
    }
  }
  return lines;
}
