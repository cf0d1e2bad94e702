#include <algorithm>
#include <chrono>
#include <thread>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_plan.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "backends/rows/lags.h"
#include "hostnet/quorvic_exception.h"

// What status says of the engine: what Open vSwitch shows that differs from
// the switches' configuration, or keeps it from being applied.
namespace ovs_host {

using nlohmann::json;
using namespace rows;

namespace {

std::string TagText(std::optional<int64_t> tag) { return tag ? std::to_string(*tag) : "none"; }

// The lines of one bridge of ours.
void BridgeHealth(const BridgeRead& bridge, std::vector<std::string>& lines) {
  const StandardSwitchDoc sw = SwitchOf(bridge);
  const SwitchRow& row = sw.row;
  const std::string& name = row.name;
  for (const auto& [uuid, interface] : bridge.interfaces) {
    if (!interface.error.empty()) {
      lines.push_back("interface " + interface.name + " of " + name + " is in error (" +
                      interface.error + "): the datapath cannot use it; `ploncfg-vswitch -U " +
                      interface.name + " " + name + "` unlinks a pnic");
    } else if (interface.ofport && *interface.ofport < 0) {
      lines.push_back("interface " + interface.name + " of " + name +
                      " has no port number: the datapath cannot open it");
    }
  }
  for (const std::string& pnic : row.uplinks) {
    const InterfaceRead* interface = bridge.InterfaceNamed(pnic);
    if (interface != nullptr && interface->mtuRequest != static_cast<int64_t>(row.mtu)) {
      lines.push_back("pnic " + pnic + " of " + name + " asks for MTU " +
                      TagText(interface->mtuRequest) + ", the switch's is " +
                      std::to_string(row.mtu) + ": `ploncfg-vswitch -m " + std::to_string(row.mtu) +
                      " " + name + "` sets it again");
    }
  }
  if (const InterfaceRead* own = bridge.InterfaceNamed(name);
      own != nullptr && own->mtu && own->mtuRequest && *own->mtu != *own->mtuRequest) {
    lines.push_back("standard switch " + name + " asks for MTU " + std::to_string(*own->mtuRequest) +
                    " but its device has " + std::to_string(*own->mtu) +
                    ": the datapath did not apply it");
  }
  const PortRead* uplink = bridge.OwnPort(kRoleUplink, name + kUplinkPortSuffix);
  if (uplink != nullptr) {
    for (const std::string& uuid : uplink->interfaces) {
      auto member = bridge.interfaces.find(uuid);
      if (member == bridge.interfaces.end()) continue;
      const InterfaceRead& pnic = member->second;
      if (pnic.adminState == "down") {
        lines.push_back("pnic " + pnic.name + ", an uplink of " + name +
                        ", is down, so it carries nothing: `ip link set " + pnic.name +
                        " up` brings it up");
      } else if (pnic.linkState == "down") {
        lines.push_back("pnic " + pnic.name + ", an uplink of " + name +
                        ", has no carrier, so it carries nothing: check its cable and the port "
                        "at the other end");
      }
    }
    // A primary others changed or cleared (emer-reset) keeps the bond on
    // another member than the teaming order says, after a failover too.
    const auto [mode, primary] = BondOf(sw);
    const auto held = uplink->otherConfig.find("bond-primary");
    const std::string actual = held == uplink->otherConfig.end() ? "" : held->second;
    if (mode == "active-backup" && uplink->bondMode == mode && actual != primary) {
      lines.push_back("the uplink bond of " + name + " has " +
                      (actual.empty() ? std::string("no primary") : "primary " + actual) +
                      ", but its teaming order makes " + primary +
                      " primary: `ploncfg-vswitch -X 1 " + name + "` sets it again");
    }
  }
  for (const PortGroupRow& pg : sw.portGroups) {
    if (bridge.recordedVlanBridges.count(pg.name) == 0 ||
        bridge.OwnPort(kRolePortGroup, pg.name) != nullptr) {
      continue;
    }
    lines.push_back("port group " + pg.name + " of " + name + " has lost its VLAN bridge, so VMs "
                    "cannot join it with `ovs-vsctl add-port " + pg.name +
                    " VM`: `ploncfg-vswitch -v " +
                    std::to_string(pg.vlan) + " -p " + pg.name + " " + name +
                    "` makes it again");
  }
  if (uplink != nullptr && sw.lacp) {
    // ovs-vswitchd marks a member current while its partner's LACP word is.
    std::string quiet;
    for (const std::string& uuid : uplink->interfaces) {
      auto interface = bridge.interfaces.find(uuid);
      if (interface == bridge.interfaces.end() || interface->second.lacpCurrent == true) continue;
      quiet += (quiet.empty() ? "" : ", ") + interface->second.name;
    }
    // A bond (two members up) without a member that carries traffic has
    // not agreed with a partner, even while its members are still counted
    // current in the first seconds.
    const std::string& active = uplink->bondActiveMember;
    const bool idle =
        uplink->interfaces.size() > 1 && (active.empty() || active == "00:00:00:00:00:00");
    if (!quiet.empty() || idle) {
      const std::string bond = name + kUplinkPortSuffix;
      const std::string what = sw.lacp->lagId != 0
                                   ? "LAG " + std::to_string(sw.lacp->lagId) + " of " + name
                                   : "the uplink bond of " + name;
      const std::string where = quiet.empty() ? "(no member carries traffic)" : "on " + quiet;
      const std::string shows =
          "`ovs-appctl bond/show " + bond + "` and `ovs-appctl lacp/show " + bond + "`";
      lines.push_back(what + " does not negotiate LACP " + where +
                      ": no partner answers there; check that the ports at the other end are "
                      "one LACP group with LACP on and that the links are up (" +
                      shows + " show what the bond hears)");
    }
  }
  if (!row.running && !row.uplinks.empty()) {
    lines.push_back("standard switch " + name + " is stopped but its uplinks are linked: "
                    "`ploncfg-vswitch -r` starts it");
  }
  for (const PortRead& member : bridge.memberPorts) {
    const std::string group = bridge.GroupOf(member, sw);
    auto pg = std::find_if(sw.portGroups.begin(), sw.portGroups.end(),
                           [&](const PortGroupRow& g) { return g.name == group; });
    if (pg == sw.portGroups.end()) continue;
    const std::optional<int64_t> want = TagFor(pg->vlan);
    if (member.tag == want) continue;
    lines.push_back("port " + member.name + " of port group " + group + " has tag " +
                    TagText(member.tag) + ", not the group's VLAN " + std::to_string(pg->vlan) +
                    ": `ploncfg-vswitch -v " + std::to_string(pg->vlan) + " -p " + group + " " +
                    name + "` tags it");
  }
}

}  // namespace

std::vector<std::string> OvsStore::Health() {
  std::vector<std::string> lines;
  // ovs-vswitchd holds the database lock "ovs_vswitchd" while it runs.
  if (!session_.Database().HeldByAnother("ovs_vswitchd")) {
    lines.push_back("ovs-vswitchd is not running, so nothing applies the switch database: "
                    "`systemctl start openvswitch-switch` starts it");
  }
  // ovs-vswitchd applies what the database holds; a configuration it has
  // not reached within a second is one it is not applying.
  for (int check = 0; lines.empty(); ++check) {
    const json root = session_.Read({ovsdb::Select("Open_vSwitch", {}, {"cur_cfg", "next_cfg"})})[0]
                          .at("rows")
                          .at(0);
    const int64_t current = root.at("cur_cfg").get<int64_t>();
    const int64_t next = root.at("next_cfg").get<int64_t>();
    if (current >= next) break;
    if (check == 20) {
      lines.push_back("ovs-vswitchd has not applied the switch database (configuration " +
                      std::to_string(current) + " of " + std::to_string(next) +
                      "): is it running? `systemctl start openvswitch-switch` starts it");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  HostRead host;
  try {
    host = ReadEverything();
  } catch (const Quorvic::Lib::QuorvicException& e) {
    lines.push_back("the host's records in the root row cannot be read (" + e.GetMessage() +
                    "): `ploncfg-host restore FILE` writes them anew");
    return lines;
  }
  for (const BridgeRead& bridge : host.bridges) {
    if (!bridge.damaged.empty()) {
      lines.push_back("bridge " + bridge.name + " carries a record ploncfg cannot read (" +
                      bridge.damaged + ") and is left alone as an opaque switch: `ovs-vsctl " +
                      "remove bridge " + bridge.name + " external_ids " + kSwitchKey +
                      "` makes that so for good");
    } else if (bridge.ours) {
      BridgeHealth(bridge, lines);
    }
  }
  std::vector<StandardSwitchDoc> running;
  for (const BridgeRead& bridge : host.bridges) {
    if (bridge.ours && bridge.doc.row.running) running.push_back(SwitchOf(bridge));
  }
  for (std::string& line : LagHealth(host.root.records.host, running)) {
    lines.push_back(std::move(line));
  }
  // A stored uplink that a port of others holds stops -R.
  for (const BridgeRead& bridge : host.bridges) {
    if (!bridge.ours) continue;
    const StandardSwitchDoc sw = SwitchOf(bridge);
    for (const std::string& pnic : sw.row.configUplinks) {
      if (std::find(sw.row.uplinks.begin(), sw.row.uplinks.end(), pnic) != sw.row.uplinks.end()) {
        continue;
      }
      for (const BridgeRead& other : host.bridges) {
        for (const PortRead& port : other.memberPorts) {
          if (port.name != pnic) continue;
          lines.push_back("pnic " + pnic + ", a stored uplink of " + sw.row.name + ", is port " +
                          port.name + " of bridge " + other.name +
                          ", which ploncfg did not make: `ovs-vsctl del-port " + other.name + " " +
                          port.name + "` frees it");
        }
      }
    }
  }
  return lines;
}

}  // namespace ovs_host
