#ifndef BACKENDS_OVSDB_OVS_STORE_H_
#define BACKENDS_OVSDB_OVS_STORE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/ovs_change.h"
#include "backends/ovsdb/ovs_settings.h"
#include "backends/ovsdb/row_json.h"
#include "backends/rows/row_store.h"

// The host's rows in Open vSwitch's database (README, "On a host with Open
// vSwitch", gives the whole mapping):
//
// - A standard switch is a Bridge of its name with its own internal Port and
//   Interface, marked as ours by external_ids "quenta:switch", a JSON record
//   of what Open vSwitch has no notion of (CDP, port counts, stored uplinks,
//   the teaming policy, ENS state, the order of creation). Bridges without
//   the mark are the host's opaque switches.
// - Its linked pnics are Interfaces of those names on one Port,
//   "BRIDGE-uplink", a bond from two members up, driven by the teaming policy
//   (active-backup with the first linked uplink of the order as primary when
//   max active is 1, balance-slb otherwise); "quenta:uplinks" in the
//   record keeps their order.
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
// Every change is one transaction that begins with waits on what it read
// (the columns it depends on), so that two writers never overwrite each
// other's change; when a row changed meanwhile it is tried again from its
// reads, after a short random wait, up to kTries times. A
// change that reaches the datapath bumps next_cfg in the same transaction and
// waits until ovs-vswitchd has applied it, then checks the interfaces it
// touched (error, ofport, MTU); when the datapath refused, a second
// transaction puts back what the first replaced and the call throws.
namespace ovs_host {

class OvsStore : public rows::RowStore {
 public:
  static constexpr int kTries = 8;

  OvsStore(ovsdb::Client& client, OvsSettings settings);

  // The pnics of this host.
  std::vector<std::string> Pnics();

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
  // Holds the database lock "quenta_host" (OVSDB's own locks, let go when
  // a connection closes) from the lookup of an object to change until the
  // last such object goes, so that runs that read in order to change take
  // turns, as on the simulated host; waits for it as long as
  // QUENTA_HOSTNET_WAIT says.
  std::unique_ptr<rows::ChangeHold> HoldForChange() override;

  std::optional<SwitchRow> FindSwitch(const std::string& name, SwitchKind kind) override;
  void ReadSwitches(SwitchKind kind, bool system,
                    const std::function<void(SwitchRow&&)>& each) override;
  void StartPortGroupListing(bool system) override;
  std::optional<std::vector<PortGroupRow>> TakeListedPortGroups(int64_t switchId,
                                                                bool system) override;
  std::vector<PortGroupRow> ReadPortGroups(int64_t switchId) override;
  std::optional<std::pair<PortGroupRow, std::string>> FindPortGroup(
      const std::string& name) override;
  std::set<std::string> PortGroupNames() override;
  std::vector<std::string> ReadUplinks(const SwitchRow& sw) override;
  std::vector<DVPortRow> ReadDVPorts(int64_t switchId) override;
  std::optional<DVPortRow> FindDVPort(const std::string& switchId,
                                      const std::string& portId) override;
  std::vector<UplinkTimeoutRow> ReadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                                                   const std::string& uplink) override;
  std::vector<LagTimeoutRow> ReadLagTimeouts(const std::string& portset, uint32_t lagId) override;
  std::vector<FaultRow> ReadFaults() override;

  SwitchRow AddSwitch(SwitchRow row) override;
  void RemoveSwitch(const std::string& name) override;
  void SetCdp(const SwitchRow& sw, int32_t cdp) override;
  void SetMtu(const SwitchRow& sw, uint32_t mtu) override;
  void SetTeaming(const SwitchRow& sw, const TeamingRow& teaming) override;
  void RestoreDVSwitches() override;
  void RestoreVirtualSwitches() override;

  void AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) override;
  void RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) override;
  void RestoreUplinks(const SwitchRow& sw) override;

  PortGroupRow AddPortGroup(const SwitchRow& sw, const std::string& name) override;
  void RemovePortGroup(const SwitchRow& sw, const std::string& name) override;
  void SetVlan(const PortGroupRow& pg, uint32_t vlan) override;
  void SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) override;

  void AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                       const std::string& portId) override;
  void RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) override;
  void SetConnectionId(const DVPortRow& port, uint32_t connectionId) override;
  void RaiseTestEvent(const DVPortRow& port) override;
  void ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) override;
  void DeactivateEns(const SwitchRow& sw) override;
  void ReassociateUplinks(const SwitchRow& sw, bool force) override;
  bool IsEnsActive(const SwitchRow& sw) override;
  void SetEnsActivateNode(uint32_t value) override;

  void LoadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                          const std::string& uplink) override;
  void LoadLagTimeouts(const std::string& portset, uint32_t lagId) override;

  HostDocument ReadHost() override;
  void ReplaceHost(const HostDocument& doc) override;
  void Reboot() override;
  void AddFault(const FaultRow& fault) override;
  void ClearFaults() override;
  bool SpendFault(int64_t id) override;

  // The newest kOvsHistoryLimit rows: the history is kept in the root row,
  // which every client of the database reads.
  static constexpr int64_t kOvsHistoryLimit = 1000;
  void AppendHistory(const HistoryRow& row) override;
  std::vector<HistoryRow> ReadHistory(int64_t sinceUs) override;

 private:
  // The history's keys and rows, oldest first.
  std::map<std::string, std::string> ReadHistoryKeys();
  // A Port as read.
  struct PortRead {
    std::string uuid;
    std::string name;
    std::map<std::string, std::string> externalIds;
    std::vector<std::string> interfaces;  // uuids
  };
  // One of the host's bridges as read: its row (with member counts) and port
  // groups when it is ours.
  struct BridgeRead {
    std::string uuid;
    std::map<std::string, std::string> externalIds;
    std::vector<std::string> ports;  // uuids
    bool ours = false;
    SwitchRow row;
    std::vector<PortGroupRow> groups;
  };
  // The root row as read, with the records it keeps.
  struct RootRead {
    std::string uuid;
    std::map<std::string, std::string> externalIds;
    HostRecords records;
    std::map<std::string, std::string> links;  // pnic -> bridge
  };
  // A bridge's ports by role.
  struct BridgePorts {
    std::optional<PortRead> internal;
    std::optional<PortRead> uplink;
    std::string internalInterface;                        // uuid
    std::vector<PortRead> members;                        // VMs' ports
  };

  // Runs body, which reads what it needs and fills an OvsChange, and
  // commits the change; when a row it read changed meanwhile, runs it again,
  // kTries times at the most. Returns what body returns.
  template <typename Body>
  auto Write(const std::string& what, Body&& body) {
    for (int attempt = 1;; ++attempt) {
      OvsChange change(what);
      auto result = body(change);
      if (change.Empty() || Commit(change)) return result;
      if (attempt == kTries) GiveUp(what);
      BackOff(attempt);
    }
  }
  // Sleeps a random while that grows with attempt, so that two writers that
  // keep meeting stop meeting.
  void BackOff(int attempt);
  // Commits change; false when a guarded row had changed (nothing was
  // done). Applies it to the datapath and checks it there when it reaches it.
  bool Commit(const OvsChange& change);
  [[noreturn]] static void GiveUp(const std::string& what);

  // --- Reads --------------------------------------------------------------
  std::vector<nlohmann::json> Select(nlohmann::json operation);
  RootRead ReadRoot();
  // Bridges that meet where, with their member counts when countMembers.
  std::vector<BridgeRead> ReadBridges(std::vector<nlohmann::json> where, bool countMembers);
  std::optional<BridgeRead> ReadBridgeNamed(const std::string& name);
  std::optional<BridgeRead> ReadBridgeByUuid(const std::string& uuid);
  // The running bridge of ours that sw was read from; throws "standard
  // switch NAME no longer exists" when there is none.
  BridgeRead RequireBridge(const SwitchRow& sw);
  BridgePorts ReadPorts(const BridgeRead& bridge);
  BridgePorts ReadPortsOf(const BridgeRead& bridge);  // uncached
  // The uplink Port's interfaces: uuid by name.
  std::map<std::string, std::string> UplinkInterfaces(const BridgePorts& ports);
  // Fills row.usedPorts (every VM port of the bridge) and each group's
  // ports (the VM ports that joined it) from members.
  void CountMembers(BridgeRead& bridge, const std::vector<PortRead>& members);
  // Every Port of the host with its external_ids, by uuid (for listings).
  std::map<std::string, PortRead> ReadAllPorts();
  BridgeRead BridgeFromRow(const nlohmann::json& row);
  // Orders bridges as they were made (opaque ones, which carry no time,
  // first, by name).
  static void SortInHostOrder(std::vector<BridgeRead>& bridges);
  // The ports of ports that are bridge's VM ports: all but its own.
  static std::vector<PortRead> MembersOf(const BridgeRead& bridge,
                                         const std::map<std::string, PortRead>& ports);

  // --- Changes -------------------------------------------------------------
  // The change commits only when what was read of bridge or root is so still.
  static void GuardBridge(OvsChange& change, const BridgeRead& bridge);
  static void GuardRoot(OvsChange& change, const RootRead& root);
  // Writes bridge's row and groups back into its external_ids.
  void WriteRecord(OvsChange& change, const BridgeRead& bridge);
  void WriteRoot(OvsChange& change, const RootRead& root);
  // Makes the uplink Port of bridge hold exactly row.uplinks, bonded and
  // sized as row says, and its internal interface row.mtu.
  void WriteDatapath(OvsChange& change, const BridgeRead& bridge, const BridgePorts& ports);
  // The operations that make a new bridge for sw with groups; created
  // places it in host order.
  void InsertBridge(OvsChange& change, const SwitchRow& sw, const std::vector<PortGroupRow>& groups,
                    int64_t created);
  // Runs edit on the running switch sw (standard or DVSwitch) and writes it
  // back as one change; datapath: the change reaches the bridge's ports,
  // and the MTU of its interfaces is checked.
  void EditSwitch(const std::string& what, const SwitchRow& sw,
                  const std::function<void(SwitchRow&)>& edit, bool datapath = false);
  // The running bridge of ours that still holds port group pg, and pg in
  // its groups; throws "port group NAME no longer exists".
  BridgeRead RequireGroupBridge(const PortGroupRow& pg);
  static PortGroupRow& GroupIn(BridgeRead& bridge, const std::string& name);
  // Sets the tag of every member of group on bridge to vlan.
  void TagMembers(OvsChange& change, const std::vector<PortRead>& members, const std::string& group,
                  uint32_t vlan);
  void RequirePnic(const std::string& name);
  void CheckUplinkOrder(const std::vector<std::string>& order);
  // Throws unless no switch of any kind has that name.
  void RequireNameFree(const std::string& name, const RootRead& root);
  // The running DVSwitch of that name in records, or null.
  static DVSwitchDoc* FindDV(HostRecords& records, const std::string& name);
  // Runs edit on the running DVSwitch sw in the root's records and writes
  // them back, as one change.
  void EditDV(const std::string& what, const SwitchRow& sw,
              const std::function<void(DVSwitchDoc&)>& edit);
  void EditRecords(const std::string& what, const std::function<void(HostRecords&)>& edit);

  // --- Ids -----------------------------------------------------------------
  // Rows have ids for as long as the store lives, each standing for a key:
  // ("bridge", UUID), ("dvswitch", NAME), ("group:SWITCHID", NAME) or
  // ("dvport:SWITCHNAME", PORTID).
  using RowKey = std::pair<std::string, std::string>;
  int64_t IdOf(const std::string& kind, const std::string& name);
  // Throws when id was not handed out by this store.
  const RowKey& KeyOf(int64_t id) const;

  class LockHold;
  void ReleaseHold();

  // What was read while a hold is kept, to be read again from here: runs of
  // the tool take turns then, and a change commits only when what it read
  // is so still, so reads stay good until the next commit, which forgets
  // them. Empty while no hold is kept.
  struct ReadCache {
    std::optional<RootRead> root;
    std::map<std::string, BridgeRead> bridges;  // by name
    std::map<std::string, BridgePorts> ports;   // by bridge uuid
  };
  ReadCache cache_;

  ovsdb::Client& client_;
  OvsSettings settings_;
  std::minstd_rand random_{std::random_device{}()};
  int holds_ = 0;
  std::map<RowKey, int64_t> ids_;
  std::vector<RowKey> keys_;  // id - 1 -> key
  // A listing's port groups by switch id, read once.
  std::optional<std::map<int64_t, std::vector<PortGroupRow>>> listed_;
  bool listedSystem_ = false;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVSDB_OVS_STORE_H_
