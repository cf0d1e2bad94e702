#ifndef BACKENDS_OVS_OVS_STORE_H_
#define BACKENDS_OVS_OVS_STORE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovs/ovs_records.h"
#include "backends/ovs/ovs_settings.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/row_store.h"

// The host's rows in Open vSwitch's database (README, "On a host with Open
// vSwitch", gives the whole mapping):
//
// - A standard switch is a Bridge of its name with its own internal Port and
//   Interface, marked as ours by external_ids "quenta:switch", a JSON record
//   of what Open vSwitch has no notion of (CDP, port counts, stored uplinks,
//   the teaming policy, ENS state, the order of creation). Bridges without
//   the mark are the host's opaque switches. Its ref is the bridge's UUID.
// - Its linked pnics are Interfaces of those names on one Port,
//   "BRIDGE-uplink", a bond from two members up, driven by the teaming policy
//   (active-backup with the first linked uplink of the order as primary when
//   max active is 1, balance-slb otherwise); the record keeps their order.
// - Its port groups are records of the bridge ("quenta:port-groups", in host
//   order, and a key "quenta:port-group:NAME" per group that finds it). A
//   VM's Port joins one with external_ids "quenta:port-group" = NAME; the
//   store sets the tag of every member to the group's VLAN (no tag for 0,
//   none and no trunks for 4095) when the VLAN changes.
// - MTU is mtu_request on the bridge's internal interface and its uplinks.
// - DVSwitches, timeout records, the ENS activation node and faults are one
//   JSON record in the root row's external_ids ("quenta:host"), and the
//   pnic-to-bridge links of all switches another ("quenta:links").
//
// Every change is one guarded transaction (ovsdb::RunGuarded): it begins
// with waits on what it read (the columns it depends on), so that two
// writers never overwrite each other's change. A change that reaches the
// datapath bumps next_cfg in the same transaction and waits until
// ovs-vswitchd has applied it, then checks the interfaces it touched (error,
// ofport, MTU); when the datapath refused, a second transaction puts back
// what the first replaced and the call throws.
namespace ovs_host {

class OvsStore : public rows::RowStore {
 public:
  OvsStore(ovsdb::Client& client, OvsSettings settings);

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
  std::vector<std::string> Pnics() override;
  // Holds the database lock "quenta_host" (OVSDB's own locks, let go when
  // a connection closes) from the lookup of an object to change until the
  // last such object goes, so that runs that read in order to change take
  // turns, as on the simulated host; waits for it as long as the settings
  // say.
  std::unique_ptr<rows::ChangeHold> HoldForChange() override;

  std::optional<rows::StandardSwitchDoc> FindSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::DVSwitchDoc> FindDVSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::SwitchRow> FindAnySwitch(const std::string& name) override;
  std::vector<rows::StandardSwitchDoc> ReadSwitches(bool system) override;
  std::vector<rows::DVSwitchDoc> ReadDVSwitches() override;
  std::vector<rows::SwitchRow> ReadOpaqueSwitches() override;
  rows::HostRecords ReadRecords() override;

  rows::RowRef AddSwitch(const rows::StandardSwitchDoc& sw) override;
  rows::RowRef AddDVSwitch(const rows::DVSwitchDoc& dvs) override;
  bool RemoveSwitch(const rows::RowRef& ref) override;
  std::optional<rows::StandardSwitchDoc> EditSwitch(
      const rows::RowRef& ref, const std::function<void(rows::StandardSwitchDoc&)>& edit) override;
  std::optional<rows::DVSwitchDoc> EditDVSwitch(const rows::RowRef& ref,
                                          const std::function<void(rows::DVSwitchDoc&)>& edit) override;
  void StartSwitches(rows::SwitchKind kind, const std::function<void(rows::SwitchRow&)>& start) override;
  void EditRecords(const std::function<void(rows::HostRecords&)>& edit) override;

  rows::HostDocument ReadHost() override;
  void ReplaceHost(const rows::HostDocument& doc) override;
  void Reboot() override;

  // The newest kOvsHistoryLimit rows: the history is kept in the root row,
  // which every client of the database reads.
  static constexpr int64_t kOvsHistoryLimit = 1000;
  void AppendHistory(const rows::HistoryRow& row) override;
  std::vector<rows::HistoryRow> ReadHistory(int64_t sinceUs) override;

 private:
  // A Port as read.
  struct PortRead {
    std::string uuid;
    std::string name;
    std::map<std::string, std::string> externalIds;
    std::vector<std::string> interfaces;  // uuids
    std::optional<int64_t> tag;
  };
  // One of the host's bridges as read: its row and, when it is ours, its
  // port groups (member counts filled by CountMembers).
  struct BridgeRead {
    std::string uuid;
    std::map<std::string, std::string> externalIds;
    std::vector<std::string> ports;  // uuids
    bool ours = false;
    rows::StandardSwitchDoc doc;
  };
  // The root row as read, with the records it keeps.
  struct RootRead {
    std::string uuid;
    std::map<std::string, std::string> externalIds;
    RootRecords records;
    std::map<std::string, std::string> links;  // pnic -> bridge
  };
  // A bridge's ports by role.
  struct BridgePorts {
    std::optional<PortRead> internal;
    std::optional<PortRead> uplink;
    std::string internalInterface;  // uuid
    std::vector<PortRead> members;  // VMs' ports
  };
  // What a change asks of the datapath once ovs-vswitchd has applied it.
  struct Datapath {
    bool reached = false;
    // Interfaces that must have no error and a port number, and, when
    // given, that MTU.
    std::vector<std::pair<std::string, std::optional<uint32_t>>> expected;
    // Puts back what the change replaced, when the datapath refused it.
    std::function<void()> undo;
  };

  // --- Reads (ovs_store_read.cc) --------------------------------------------
  std::vector<nlohmann::json> Select(nlohmann::json operation);
  RootRead ReadRoot();
  // Bridges that meet where.
  std::vector<BridgeRead> ReadBridges(std::vector<nlohmann::json> where);
  // The one bridge of ours that meets where and runs, with member counts.
  std::optional<BridgeRead> ReadRunningBridge(std::vector<nlohmann::json> where);
  std::optional<BridgeRead> ReadBridgeByRef(const rows::RowRef& ref);
  BridgePorts ReadPorts(const BridgeRead& bridge);
  // The uplink Port's interfaces: uuid by name.
  std::map<std::string, std::string> UplinkInterfaces(const BridgePorts& ports);
  // Fills the bridge's used ports (every VM port) and each group's ports
  // (the VM ports that joined it) from members.
  static void CountMembers(BridgeRead& bridge, const std::vector<PortRead>& members);
  // Every Port of the host with its external_ids, by uuid (for listings).
  std::map<std::string, PortRead> ReadAllPorts();
  BridgeRead BridgeFromRow(const nlohmann::json& row);
  // Orders bridges as they were made (opaque ones, which carry no time,
  // first, by name).
  static void SortInHostOrder(std::vector<BridgeRead>& bridges);
  // The ports of ports that are bridge's VM ports: all but its own.
  static std::vector<PortRead> MembersOf(const BridgeRead& bridge,
                                         const std::map<std::string, PortRead>& ports);
  // Our running bridges, system ones or not, in host order, counted.
  std::vector<BridgeRead> ReadRunningBridges(bool system);
  // The running DVSwitch key finds in records, or null.
  static rows::DVSwitchDoc* FindDV(RootRecords& records, const rows::SwitchKey& key);
  static rows::DVSwitchDoc* FindDVByRef(RootRecords& records, const rows::RowRef& ref);

  // --- Changes (ovs_store_write.cc) -------------------------------------------
  // Builds and commits one guarded change with build, which may ask things
  // of the datapath; see RunGuarded.
  void Write(const std::string& what,
             const std::function<void(ovsdb::GuardedChange&, Datapath&)>& build);
  // Commits change; false when a guarded row had changed (nothing was
  // done). Applies it to the datapath and checks it there when it reaches
  // it.
  bool Commit(const ovsdb::GuardedChange& change, const Datapath& datapath);
  // The change commits only when what was read of bridge or root is so still.
  static void GuardBridge(ovsdb::GuardedChange& change, const BridgeRead& bridge);
  static void GuardRoot(ovsdb::GuardedChange& change, const RootRead& root);
  // Writes bridge's row and groups back into its external_ids.
  void WriteRecord(ovsdb::GuardedChange& change, const BridgeRead& bridge);
  void WriteRoot(ovsdb::GuardedChange& change, const RootRead& root);
  // Makes the uplink Port of bridge hold exactly its uplinks, bonded and
  // sized as its row says, and its internal interface its MTU.
  void WriteDatapath(ovsdb::GuardedChange& change, Datapath& datapath, const BridgeRead& bridge,
                     const BridgePorts& ports);
  // The operations that make a new bridge for sw; created places it in host
  // order.
  void InsertBridge(ovsdb::GuardedChange& change, Datapath& datapath, const rows::StandardSwitchDoc& sw,
                    int64_t created);
  // Sets the tag of every member of a port group of sw whose tag is not
  // its group's VLAN (none for 0 and 4095); false when there is none.
  static bool TagMembers(ovsdb::GuardedChange& change, Datapath& datapath,
                         const std::vector<PortRead>& members, const rows::StandardSwitchDoc& sw);
  // Writes what an edit changed of bridge (read as before) into change: its
  // record, its links, its datapath, and the tags of members that joined a
  // group since its VLAN was set.
  void WriteEdit(ovsdb::GuardedChange& change, Datapath& datapath, const BridgeRead& before,
                 const BridgeRead& after);
  // Edits the records of the root row as one change.
  void EditRoot(const std::string& what, const std::function<void(RootRecords&)>& edit);

  // The history's keys and rows, oldest first (ovs_store_history.cc).
  std::map<std::string, std::string> ReadHistoryKeys();

  class LockHold;
  void ReleaseHold();

  ovsdb::Client& client_;
  OvsSettings settings_;
  int holds_ = 0;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_STORE_H_
