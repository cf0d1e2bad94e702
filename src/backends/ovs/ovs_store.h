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
#include "backends/ovs/ovs_connection.h"
#include "backends/ovs/ovs_plan.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovsdb/guarded_change.h"
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
//   watch; the history is one key per row in the external_ids of a Queue
//   row of ours (ovs_store_history.cc), off the root that every run reads.
//
// Every change is one guarded transaction (ovsdb::RunGuarded) that waits on
// what it read, with a comment carrying the command line. A change that
// reaches the datapath bumps next_cfg in the same transaction and waits
// until ovs-vswitchd has applied it, then until the interfaces it touched
// show no error, a port number and the MTU asked for; when the datapath
// refused, a second transaction puts back what the first replaced (a new
// switch goes again), and the call throws saying what was undone; a load
// or a removal, which puts nothing back, throws saying the database keeps
// it. When the
// answer to a change is lost, a new connection reads whether it is there
// (each change writes a token of its own into the root row) and the call
// returns, or throws saying what is known.
namespace ovs_host {

class OvsStore : public rows::RowStore {
 public:
  explicit OvsStore(OvsSettings settings);

  // Connects to the switch database and checks its schema, unless that is
  // done already; throws as OvsConnection::Client does.
  void Connect() { connection_.Client(); }

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
  rows::PnicSet Pnics() override;
  // Holds the database lock (OvsConnection) while it lives.
  std::unique_ptr<rows::ChangeHold> HoldForChange() override;

  std::optional<rows::StandardSwitchDoc> FindSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::DVSwitchDoc> FindDVSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::SwitchRow> FindAnySwitch(const rows::SwitchKey& key) override;
  std::vector<rows::StandardSwitchDoc> ReadSwitches(bool system) override;
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

  rows::HostDocument ReadHost() override;
  // Makes the host the document's: our bridges are changed in place (VMs'
  // ports and every row of others stay), added or removed.
  void ReplaceHost(const rows::HostDocument& doc) override;
  void Reboot() override;
  std::vector<std::string> Health() override;

  // The newest kOvsHistoryLimit rows.
  static constexpr int64_t kOvsHistoryLimit = 1000;
  void AppendHistory(const rows::HistoryRow& row) override;
  std::vector<rows::HistoryRow> ReadHistory(int64_t sinceUs) override;

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
  // The root row: the one ReadRecords read, when no request was sent since
  // (a run reads its faults first and a DVSwitch often next, and one read
  // serves both), else read now.
  RootRead ReadRoot();
  // The select of the root row, and the root as its result shows it.
  static nlohmann::json SelectRoot();
  static RootRead RootFrom(const nlohmann::json& result);
  HostRead ReadEverything();
  // The first bridge that meets where, its row alone.
  std::optional<BridgeRead> ReadBridge(const nlohmann::json& where);
  // Reads the bridge's ports and our interfaces, from one request.
  void ReadParts(BridgeRead& bridge);
  // The first bridge of ours that meets where and runs, with its parts.
  std::optional<BridgeRead> ReadRunningBridge(const nlohmann::json& where);
  // The running bridge of ref: the one ReadRunningBridge read last when no
  // request was sent since (a change finds its switch by name, then edits
  // it by ref), else read now.
  std::optional<BridgeRead> ReadBridgeByRef(const rows::RowRef& ref);
  // Of names, those that name a Port or Interface others made, from one
  // request.
  std::set<std::string> TakenNames(const std::set<std::string>& names);
  // Throws naming the port and bridge of others that hold pnic.
  [[noreturn]] void RefuseForeignPnic(const std::string& pnic);

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
  void Write(const std::string& what,
             const std::function<void(ovsdb::GuardedChange&, DatapathCheck&)>& build);
  // Sends change; false when a guard failed. Reads back after a lost
  // answer, then applies the change to the datapath and checks it there.
  bool Commit(const ovsdb::GuardedChange& change, const DatapathCheck& datapath);
  // Whether the change that wrote token is in the database, asked on a new
  // connection; nullopt when the database cannot be reached to tell.
  std::optional<bool> Applied(const std::string& token);
  // Waits until ovs-vswitchd has applied next_cfg target and the datapath
  // shows what datapath expects; returns what it refused (empty when
  // nothing).
  std::string AwaitDatapath(int64_t target, const DatapathCheck& datapath);
  // Writes root's records back.
  void WriteRoot(ovsdb::GuardedChange& change, const RootRead& root);
  // Edits the records of the root row as one change.
  void EditRoot(const std::string& what, const std::function<void(RootRecords&)>& edit);
  // Of the names sw's plan may make rows of (its port groups, and pnics
  // that were not linked in was), those that rows of others hold; throws
  // naming the port of others that holds a pnic to link.
  std::set<std::string> TakenFor(const rows::StandardSwitchDoc& sw,
                                 const rows::StandardSwitchDoc* was);

  class LockHold;

  OvsConnection connection_;
  // The root row ReadRecords read, and the connection's mark then.
  std::optional<std::pair<RootRead, std::pair<int, std::int64_t>>> recordsRoot_;
  // The bridge ReadRunningBridge read last, and the connection's mark then.
  std::optional<std::pair<BridgeRead, std::pair<int, std::int64_t>>> lastBridge_;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_STORE_H_
