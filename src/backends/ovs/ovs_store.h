#ifndef BACKENDS_OVS_OVS_STORE_H_
#define BACKENDS_OVS_OVS_STORE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backends/ovs/ovs_bridge_read.h"
#include "backends/ovs/ovs_plan.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovs/ovs_session.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/listed_port_groups.h"
#include "backends/rows/row_store.h"

// The host's rows in Open vSwitch's database, which holds the running state
// (README, "On a host with Open vSwitch", gives the whole mapping;
// ovs_bridge_read.h and ovs_plan.h how a switch is read and made):
//
// - A standard switch is a Bridge of its name marked as ours by its record;
//   its ref is the bridge's UUID. Bridges without the mark are opaque
//   switches, and every row without our mark is left alone.
// - DVSwitches, timeout records, the ENS activation node and faults are one
//   record in the root row's external_ids, which ovs-vswitchd does not
//   watch; the history is kept by the session (ovs_session.h).
//
// A run reads from one snapshot: the root row, read once, and each bridge it
// looks up, read with our ports and interfaces in one request (its row alone
// where that is all a call needs; the VMs' ports on it only when a change
// needs them); each commit of the run leaves the bridge's row in the
// snapshot as it committed, read at the end of the same transaction. Every
// change is one guarded transaction (ovsdb::RunGuarded) that waits on what
// it read, through the session's one commit path; a guard that fails
// because another run wrote makes the store read again and build the change
// again. Whether a name is free (a port group's, a pnic's to link, that of a
// port or interface of others) is not read: the change assumes it
// (GuardedChange::Assume, or the server's index of names), and is built
// again, reading, when it is not so.
//
// A change that reaches the datapath bumps next_cfg in the same transaction
// and waits until ovs-vswitchd has applied it, then until the interfaces it
// touched show no error, a port number and the MTU asked for; when the
// datapath refused, a second transaction puts back what the first replaced
// (a new switch goes again), and the call throws saying what was undone; a
// load or a removal, which puts nothing back, throws saying the database
// keeps it. Once a change committed, no later step of the call turns it into
// a plain failure: a wait that cannot reach the database throws kNotConfirmed,
// saying the database holds the change.
namespace ovs_host {

class OvsStore : public rows::RowStore {
 public:
  // session must outlive this.
  explicit OvsStore(OvsSession& session);

  // Connects to the switch database, unless that is done already.
  void Connect() { session_.Connect(); }

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
  rows::PnicSet Pnics() override;
  // None: every change is guarded by what it read.
  std::unique_ptr<rows::ChangeHold> HoldForChange() override { return nullptr; }
  // A LAG is a switch's uplink port running LACP (ovs_plan.h).
  bool RunsLags() const override { return true; }

  // A lookup reads our rows of the bridge only; the VMs' ports on it are
  // read when counted.
  bool LookupsCountPorts() const override { return false; }
  uint32_t CountPorts(const rows::RowRef& ref, const std::string& group) override;
  std::optional<rows::StandardSwitchDoc> FindSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::DVSwitchDoc> FindDVSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::SwitchRow> FindAnySwitch(const rows::SwitchKey& key) override;
  std::vector<rows::StandardSwitchDoc> ReadSwitches(bool system) override;
  // A listing's port groups come from its one read of the bridges.
  void ListSwitches(bool system, const std::function<void(rows::SwitchRow&&)>& each) override;
  std::optional<std::vector<rows::PortGroupRow>> TakeListedPortGroups(
      const rows::RowRef& sw) override;
  std::vector<rows::DVSwitchDoc> ReadDVSwitches() override;
  std::vector<rows::SwitchRow> ReadOpaqueSwitches() override;
  rows::HostRecords ReadRecords() override;

  rows::RowRef AddSwitch(const rows::StandardSwitchDoc& sw) override;
  rows::RowRef AddDVSwitch(const rows::DVSwitchDoc& dvs) override;
  bool RemoveSwitch(const rows::RowRef& ref) override;
  std::optional<rows::StandardSwitchDoc> EditSwitch(
      const rows::RowRef& ref, const std::function<void(rows::StandardSwitchDoc&)>& edit) override;
  std::optional<rows::DVSwitchDoc> EditDVSwitch(
      const rows::RowRef& ref, const std::function<void(rows::DVSwitchDoc&)>& edit) override;
  void StartSwitches(rows::SwitchKind kind,
                     const std::function<void(rows::SwitchRow&)>& start) override;
  void EditRecords(const std::function<void(rows::HostRecords&)>& edit) override;

  // The host, its LAG records loaded as the bonds run them (rows/lags.h).
  rows::HostDocument ReadHost() override;
  // Makes the host the document's: our bridges are changed in place (VMs'
  // ports and every row of others stay), added or removed, and run the LAGs
  // the document has loaded.
  void ReplaceHost(const rows::HostDocument& doc) override;
  void Reboot() override;
  // One change: the root (OvsSession), the host's records on it, and every
  // bridge of ours of an earlier format, written as a change of it would.
  std::vector<std::string> Migrate() override;
  std::vector<std::string> Health() override;

  void AppendHistory(const rows::HistoryRow& row) override { session_.AppendHistory(row); }
  std::vector<rows::HistoryRow> ReadHistory(int64_t sinceUs) override {
    return session_.ReadHistory(sinceUs);
  }

 private:
  // The root row as read, with the records it keeps.
  struct RootRead {
    std::string uuid;
    Ids externalIds;
    RootRecords records;
  };
  // Every bridge with every port and our interfaces, from one request.
  struct HostRead {
    RootRead root;
    std::vector<BridgeRead> bridges;  // in host order
  };

  // --- Reads (ovs_store_read.cc) --------------------------------------------
  // The root row of the snapshot, its records parsed.
  RootRead ReadRoot();
  HostRead ReadEverything();
  // The bridge named name, its row alone, from the snapshot or one request;
  // nullopt when there is none.
  std::optional<BridgeRead> ReadBridgeRow(const std::string& name);
  // The bridge named name with our ports and interfaces, from the snapshot
  // or one request; nullopt when there is none.
  std::optional<BridgeRead> ReadBridgeNamed(const std::string& name);
  // The selects of the bridge named name with our ports and interfaces.
  static std::vector<nlohmann::json> SelectBridge(const std::string& name);
  // The first bridge that meets where, its row alone.
  std::optional<BridgeRead> ReadBridge(const nlohmann::json& where);
  // The running bridge of ours named name, with our parts.
  std::optional<BridgeRead> ReadRunningBridge(const std::string& name);
  // The bridge that ref names: its row alone; running, with our parts.
  std::optional<BridgeRead> ReadBridgeRowByRef(const rows::RowRef& ref);
  std::optional<BridgeRead> ReadBridgeByRef(const rows::RowRef& ref);
  // Reads the ports of others on bridge, unless that is done.
  void ReadMembers(BridgeRead& bridge);
  // A Port or Interface that holds a name: its role (empty for a row of
  // others) and what it is, as messages name it.
  struct NameHolder {
    std::string role;
    std::string bridge;
    std::string what;
  };
  // The holders of those of names that a Port or Interface has, from one
  // request.
  std::map<std::string, NameHolder> HoldersOf(const std::set<std::string>& names);
  // Throws naming the port and bridge of others that hold pnic.
  [[noreturn]] void RefuseForeignPnic(const std::string& pnic);
  // Forgets what the snapshot holds.
  void Forget();

  // --- Records of format 1 (ovs_store_unmarked.cc) ---------------------------
  // Reads the interfaces of the unmarked ports of bridges into them, in one
  // request when there are any.
  void ReadUnmarked(const std::vector<BridgeRead*>& bridges);
  // Of ports and interfaces (by uuid) that carry no mark, those a format-1
  // build made for a bridge of ours (its own port and interface, its uplink
  // port and its uplinks), each with the name of that bridge.
  std::map<std::string, std::string> UnmarkedOfOurs(const std::set<std::string>& ports,
                                                    const std::set<std::string>& interfaces);

  // --- Changes (ovs_store_write.cc) -------------------------------------------
  // Builds and commits one guarded change with build; see the header.
  // While build runs, the name checks that can be assumed are assumed on
  // the first try.
  void Write(const std::string& what,
             const std::function<void(ovsdb::GuardedChange&, DatapathCheck&)>& build);
  // Sends change; false when it is to be built again. Then applies the
  // change to the datapath and checks it there.
  bool Commit(const ovsdb::GuardedChange& change, const DatapathCheck& datapath);
  // Adds, at the end of change, the select of the bridge named name as it
  // commits; after the commit, the snapshot takes its row from there (and
  // reads its parts again when asked for them).
  void Refresh(ovsdb::GuardedChange& change, const std::string& name);
  // The change removes the bridge named name: after the commit, the
  // snapshot has none. (A select in the same transaction would still see
  // it: the server drops rows no longer referenced as it commits.)
  void Removed(const std::string& name);
  static constexpr std::size_t kGone = static_cast<std::size_t>(-1);
  // Writes root's records back.
  void WriteRoot(ovsdb::GuardedChange& change, const RootRead& root);
  // Edits the records of the root row as one change.
  void EditRoot(const std::string& what, const std::function<void(RootRecords&)>& edit);
  // Of the names sw's plan may make rows of (its own when was is null, its
  // port groups, and pnics that were not linked in was), those that others'
  // rows or other rows of ours hold, and the host's pnics among its port
  // groups' names; throws naming what holds a pnic to link. Assumes, in
  // change, that rows hold none, when it may.
  TakenNames TakenFor(ovsdb::GuardedChange& change, const rows::StandardSwitchDoc& sw,
                      const rows::StandardSwitchDoc* was);
  // True while a name check may be assumed rather than read.
  bool Assuming() const { return building_ != nullptr && assume_; }

  OvsSession& session_;
  // The bridges this run read or wrote, by name; nullopt for a name no
  // bridge has.
  std::map<std::string, std::optional<BridgeRead>> bridges_;
  // The change being built, and whether assumptions may be made on this
  // try.
  ovsdb::GuardedChange* building_ = nullptr;
  bool assume_ = true;
  // The select at the end of the change being committed that shows a
  // bridge's row as it commits: the bridge's name and the select's index
  // (kGone for a bridge the change removes).
  std::optional<std::pair<std::string, std::size_t>> refresh_;
  rows::ListedPortGroups listed_;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_STORE_H_
