#ifndef BACKENDS_OVS_OVS_PLAN_H_
#define BACKENDS_OVS_OVS_PLAN_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/ovs/ovs_bridge_read.h"
#include "backends/ovs/ovs_session.h"
#include "backends/ovs/ovs_settings.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/host_rows.h"

// The operations that make Open vSwitch show a standard switch: the bridge
// and its own port, the uplink port (a bond from two pnics up, following the
// teaming policy, or running the switch's LAG: LACP active, balance-tcp, the
// LAG's rate as lacp-time and its ID as quenta:lag), the MTU of its interfaces, a VLAN bridge per
// port group that can be one, the tags of the groups' members, and the records. Every row it makes
// is marked as ours; it changes only rows and keys that are.
namespace ovs_host {

// Names that rows of a plan may not take, each with what holds it ("pnic
// eth1 of this host", "switch vsw1", "a port others made"): Open vSwitch
// keeps the names of ports and interfaces in one namespace, the network
// devices' own.
using TakenNames = std::map<std::string, std::string>;

// The port groups of sw that are VLAN bridges: a group whose name can name a
// network device and is not taken (by a pnic, a switch, an interface of
// others, ...), whose VLAN is 0 to 4094, and which is the first group in
// host order on its VLAN. The others are records that VMs join by name.
std::set<std::string> VlanBridgesOf(const rows::StandardSwitchDoc& sw, const TakenNames& taken);

// True when name can name a network device: 1 to 15 bytes, no '/', ':' or
// blank, not "." or "..".
bool IsDeviceName(const std::string& name);

class BridgePlan {
 public:
  // Operations go into change; what the datapath must show into datapath.
  BridgePlan(ovsdb::GuardedChange& change, DatapathCheck& datapath, const OvsSettings& settings)
      : change_(change), datapath_(datapath), settings_(settings) {}

  // Makes a new bridge for sw (with its uplinks and port groups); created
  // places it in host order.
  // Throws, having added nothing, when taken holds the switch's name or
  // its uplink port's.
  void Insert(const rows::StandardSwitchDoc& sw, int64_t created, const TakenNames& taken);
  // Makes bridge, read as before, show after. Throws QuorvicException,
  // having added nothing, for what cannot be done without touching rows of
  // others (a removed port group that VMs still use: before must hold its
  // members when after lacks a group), or a bridge whose record is of a
  // later format. A bridge of an earlier format becomes one of this build's
  // on the way: its records are written anew and its unmarked rows marked as
  // ours.
  void Update(const BridgeRead& before, const rows::StandardSwitchDoc& after,
              const TakenNames& taken);

 private:
  // The Interface rows for pnics, new, with mtu; their references.
  std::vector<nlohmann::json> NewUplinks(const std::string& bridge,
                                         const std::vector<std::string>& pnics, int64_t mtu);
  // A new internal Interface named name, of ours in role on bridge, with mtu;
  // its row name.
  std::string NewInternalInterface(const std::string& name, const char* role,
                                   const std::string& bridge, int64_t mtu);
  // A new VLAN bridge for group pg on bridge; its Port's reference.
  nlohmann::json NewVlanBridge(const std::string& bridge, const rows::PortGroupRow& pg,
                               int64_t mtu);
  // Sets what sw's uplink port holds and how it bonds.
  void WriteUplinkPort(const BridgeRead& before, const rows::StandardSwitchDoc& after);
  void WriteVlanBridges(const BridgeRead& before, const rows::StandardSwitchDoc& after,
                        const std::set<std::string>& vlanBridges);
  void WriteMemberTags(const BridgeRead& before, const rows::StandardSwitchDoc& after);
  void WriteMarks(const BridgeRead& before);
  // The same for a bridge whose members were not read: operations that
  // pick the members out of the bridge's other ports as they commit.
  void WriteUnreadMemberTags(const BridgeRead& before, const rows::StandardSwitchDoc& was,
                             const rows::StandardSwitchDoc& after);
  void WriteRecords(const BridgeRead& before, const rows::StandardSwitchDoc& after,
                    const std::set<std::string>& vlanBridges);

  ovsdb::GuardedChange& change_;
  DatapathCheck& datapath_;
  const OvsSettings& settings_;
};

// The bond sw's uplinks make: its bond_mode (empty: no bond) and, for
// active-backup, its primary. A LAG bonds balance-tcp; else the teaming
// policy says: no bond below two pnics, active-backup whose primary is the
// first linked uplink of the order for max active 1, balance-slb otherwise.
std::pair<std::string, std::string> BondOf(const rows::StandardSwitchDoc& sw);

// The external_ids a row of ours carries: its role and bridge.
Ids OwnIds(const std::string& role, const std::string& bridge);
// The tag a member of a group on vlan gets: vlan, or none for 4095 (every
// VLAN).
std::optional<int64_t> TagFor(uint32_t vlan);

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_PLAN_H_
