#ifndef BACKENDS_OVS_OVS_BRIDGE_READ_H_
#define BACKENDS_OVS_OVS_BRIDGE_READ_H_

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "backends/rows/host_rows.h"

// What the Open vSwitch backend reads of a bridge, and the standard switch
// the engine shows there. Open vSwitch holds the running state: which pnics
// are linked (the Interfaces of the bridge's uplink Port), the MTU
// (mtu_request of the bridge's own Interface), each port group's VLAN (the
// tag of its VLAN bridge, a "fake bridge" Port) and who is in which group.
// The bridge's records hold only what Open vSwitch has no column for: CDP,
// port counts, the stored uplinks, the teaming policy, ENS state, whether the
// switch runs, and the port groups' names, teaming and (for a group that is
// not a VLAN bridge) VLAN.
//
// A bridge of format 1 (doc/formats.md) has the same parts without our
// marks: its own Port named after it and its uplink Port BRIDGE-uplink, and
// their Interfaces, are read as ours, "unmarked" until a change marks them.
namespace ovs_host {

using Ids = std::map<std::string, std::string>;

struct InterfaceRead {
  std::string uuid;
  std::string name;
  std::string type;
  Ids externalIds;
  std::optional<int64_t> mtuRequest;
  std::optional<int64_t> mtu;
  std::optional<int64_t> ofport;
  std::string error;
  // An interface of ours that a format-1 build made without our marks.
  bool unmarked = false;
  // "up" or "down" once ovs-vswitchd has said; empty before.
  std::string linkState;
  std::string adminState;
  // Whether LACP has current word of a partner on it; none without LACP, or
  // before ovs-vswitchd first says.
  std::optional<bool> lacpCurrent;
};

struct PortRead {
  std::string uuid;
  std::string name;
  Ids externalIds;
  std::vector<std::string> interfaces;  // uuids
  std::optional<int64_t> tag;
  bool fakeBridge = false;
  std::string bondMode;
  std::string lacp;  // active, passive, off, or empty (off)
  // The MAC of the bond's member that carries traffic; empty or all zeros
  // when none does.
  std::string bondActiveMember;
  Ids otherConfig;

  // The role a format-1 port of ours has without its mark.
  std::string unmarkedRole;

  // The role of a row of ours; empty for a row others made.
  std::string Role() const;
};

struct BridgeRead {
  std::string uuid;
  std::string name;
  Ids externalIds;
  std::vector<std::string> ports;  // uuids
  // True when the bridge carries our record; damaged says why the record
  // cannot be read (the bridge is then treated as others').
  bool ours = false;
  std::string damaged;
  // The format its record was written in (SwitchRecordFormat).
  int format = 0;
  // What the records hold: the stored configuration and the port groups,
  // before SwitchOf joins in what the engine shows.
  rows::StandardSwitchDoc doc;
  // The port groups that were VLAN bridges when the records were written.
  std::set<std::string> recordedVlanBridges;
  // The bridge's ports that were read, by role: ours, and the others
  // (VMs' ports) when members were read. A VLAN bridge of others counts as
  // neither.
  std::vector<PortRead> ownPorts;
  std::vector<PortRead> memberPorts;
  // VLAN bridges others made on the bridge, read with the members.
  std::vector<PortRead> foreignVlanBridges;
  // Whether our ports and interfaces were read (Attach), and the ports of
  // others.
  bool partsRead = false;
  bool membersRead = false;
  // The Interfaces of our ports, by uuid.
  std::map<std::string, InterfaceRead> interfaces;

  const PortRead* OwnPort(const std::string& role, const std::string& name) const;
  // The UUIDs of the bridge's ports that are not ours: the VMs' ports, and
  // VLAN bridges of others.
  std::vector<std::string> ForeignPorts() const;
  const InterfaceRead* InterfaceNamed(const std::string& name) const;
  // The ports of others among those read, VMs' and VLAN bridges, as a
  // refusal to remove the bridge names them: "vm1, VLAN bridge fb1";
  // empty when there are none.
  std::string OthersPorts() const;
  // The port group a member port belongs to: the one it names, else the
  // group whose VLAN bridge has its tag; empty when none.
  std::string GroupOf(const PortRead& member, const rows::StandardSwitchDoc& sw) const;
};

// Reading rows as the server sends them. Each throws QuorvicException naming
// what it expected when a row has another form.
InterfaceRead InterfaceFromRow(const nlohmann::json& row);
PortRead PortFromRow(const nlohmann::json& row);
// The Bridge row, its record parsed (damaged set when it cannot be).
BridgeRead BridgeFromRow(const nlohmann::json& row);
// The ports and interfaces one read returned, found by uuid. A host of a
// thousand bridges has ten thousand ports: attaching each bridge's parts by
// lookup keeps reading the whole host linear in its size.
class PartsRead {
 public:
  PartsRead(std::vector<PortRead> ports, std::vector<InterfaceRead> interfaces);

  // The ports of uuids that were read, in the order the server sent them.
  std::vector<const PortRead*> PortsAmong(const std::vector<std::string>& uuids) const;
  // The interface of uuid; null when it was not read.
  const InterfaceRead* Interface(const std::string& uuid) const;

 private:
  std::vector<PortRead> ports_;
  std::vector<InterfaceRead> interfaces_;
  std::unordered_map<std::string, std::size_t> portAt_;       // uuid -> place in ports_
  std::unordered_map<std::string, std::size_t> interfaceAt_;  // uuid -> place in interfaces_
};

// Sorts the parts read for bridge into it: ports of ours (role and bridge
// name match, or a format-1 bridge's own and uplink ports) among the
// bridge's ports, other ports as members when members, and the interfaces
// of our ports.
void Attach(BridgeRead& bridge, const PartsRead& parts, bool members);
// The interfaces of bridge's unmarked ports that Attach did not find among
// the parts (reads select ours by their marks); AttachUnmarked adds them.
std::vector<std::string> UnmarkedInterfaces(const BridgeRead& bridge);
void AttachUnmarked(BridgeRead& bridge, const std::vector<InterfaceRead>& interfaces);
// Adds the members among ports, the bridge's ports of others as read.
void AttachMembers(BridgeRead& bridge, const std::vector<PortRead>& ports);

// The LACP an uplink port runs, as SwitchOf reads it; none without
// lacp=active.
std::optional<rows::LacpRow> LacpOf(const PortRead& port);

// The standard switch a bridge of ours shows: its record, and what the
// engine says of its uplinks, MTU, port groups' VLANs and members, and the
// LACP its uplink port runs: lacp=active, the rate of other_config:lacp-time
// (fast 1, else 0), and the LAG of its external_ids:quenta:lag (0 when it
// has none: LACP others turned on).
rows::StandardSwitchDoc SwitchOf(const BridgeRead& bridge);
// An opaque switch: a bridge others made (or whose record is damaged).
rows::SwitchRow OpaqueOf(const BridgeRead& bridge);
// True for a bridge the chassis made to carry a DVSwitch's traffic out
// through this host's pnics (ovs_chassis.h): ours, but neither a standard
// switch nor an opaque one.
bool CarriesDVSwitch(const BridgeRead& bridge);

// The columns each read selects.
extern const std::vector<std::string> kBridgeColumns;
extern const std::vector<std::string> kPortColumns;
extern const std::vector<std::string> kInterfaceColumns;

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_BRIDGE_READ_H_
