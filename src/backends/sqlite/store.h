#ifndef BACKENDS_SQLITE_STORE_H_
#define BACKENDS_SQLITE_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "backends/rows/row_store.h"
#include "backends/sqlite/host_rows.h"
#include "backends/sqlite/port_group_cursor.h"
#include "backends/sqlite/schema.h"
#include "backends/sqlite/sql.h"
#include "backends/sqlite/writer_lock.h"

// The simulated host's rows in its SQLite database: every read and change of
// the host goes through here, each change one SQLite transaction under the
// writer lock (rows::RowStore gives the contract of each call).
namespace sqlite_host {

class Store : public rows::RowStore {
 public:
  // Changes hold lock while they write.
  Store(Connection& db, WriterLock& lock);
  ~Store() override;
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // What a store of this host adds to RowStore's calls.
  //
  // A listing of the standard switches reads one snapshot of the host, begun
  // by StartPortGroupListing and kept until the next write or listing, and
  // all their port groups with one forward read, served switch by switch in
  // the order of the switches' ids. Any write ends both first, so nothing is
  // ever written under a read. A snapshot takes no lock: other runs change
  // the host meanwhile. ReadSwitches hands rows over one by one so that a
  // caller keeping its own objects never holds two copies of a large host.
  //
  // True once this store has changed the host.
  bool Wrote() const { return wrote_; }
  // One list of a switch, in its order.
  std::vector<std::string> ReadList(int64_t switchId, UplinkList list);
  // Writes doc into an empty host, inside the caller's transaction.
  void InsertHost(const HostDocument& doc);

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
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

  void AppendHistory(const HistoryRow& row) override;
  std::vector<HistoryRow> ReadHistory(int64_t sinceUs) override;

 private:
  // Runs body in one write transaction, committed when body returns and
  // rolled back when it throws, and returns what body returns. The listing's
  // read ends first, so nothing is written under it.
  template <typename Body>
  auto Write(Body&& body) {
    WriterHold hold(lock_);
    listing_.reset();
    wrote_ = true;
    Transaction txn(db_, Transaction::Mode::kWrite);
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      txn.Commit();
    } else {
      auto result = body();
      txn.Commit();
      return result;
    }
  }

  // Every switch of a kind, running or not, in host order, with its lists.
  std::vector<SwitchRow> ReadAllSwitches(SwitchKind kind);
  // Every port group of the host, ordered by switch and then host order.
  std::vector<PortGroupRow> ReadAllPortGroups();
  // The name of the standard switch pnic is linked to, if any.
  std::optional<std::string> LinkedTo(const std::string& pnic);

  // Throws "KIND NAME no longer exists" for sw.
  [[noreturn]] static void SwitchGone(const SwitchRow& sw);
  // Throws unless sw still exists and runs.
  void RequireRunning(const SwitchRow& sw);
  // Throws "pnic NAME does not exist" unless it is a pnic.
  void RequirePnic(const std::string& name);
  // Throws unless order names distinct pnics.
  void CheckUplinkOrder(const std::vector<std::string>& order);

  // Runs update, an UPDATE of switches with the switch's id as ?1 and value
  // as ?2, in one transaction; throws when the switch no longer runs.
  void UpdateRunningSwitch(const SwitchRow& sw, const char* update, int64_t value);
  // Inserts row as a new switch with its lists (those of its kind) and
  // returns its id.
  int64_t InsertSwitch(const SwitchRow& row);
  // Puts pnic at the end of a list unless it is there already.
  void AppendToList(int64_t switchId, UplinkList list, const std::string& pnic);
  // Takes pnic out of a list; true when it was there. The others keep their
  // order (positions may have gaps).
  bool RemoveFromList(int64_t switchId, UplinkList list, const std::string& pnic);
  void InsertFault(const FaultRow& fault);

  // Statements that add one name to an ordered list: they take the list's
  // keys, then the name's position, then the name.
  static constexpr const char* kSwitchUplinks =
      "INSERT INTO switch_uplinks (switch_id, list, position, pnic) VALUES (?1, ?2, ?3, ?4)";
  static constexpr const char* kPortGroupOrder =
      "INSERT INTO port_group_order (port_group_id, position, pnic) VALUES (?1, ?2, ?3)";
  static constexpr const char* kDVPortClients =
      "INSERT INTO dvport_clients (dvport_id, position, client) VALUES (?1, ?2, ?3)";
  static constexpr const char* kDVPortUplinks =
      "INSERT INTO dvport_uplinks (dvport_id, position, pnic) VALUES (?1, ?2, ?3)";
  // Writes names with insert, one of those statements, at positions 0, 1, ...
  // of the list that keys name, which holds nothing yet.
  template <typename... Keys>
  void InsertList(const char* insert, const std::vector<std::string>& names, const Keys&... keys) {
    auto statement = db_.Prepare(insert);
    int64_t position = 0;
    for (const std::string& name : names) {
      statement->Reset().BindAll(keys..., position++, name).Run();
    }
  }

  // A listing's reads: one snapshot of the host, and the port groups' read.
  struct Listing {
    Listing(Connection& db, bool system)
        : snapshot(db, Transaction::Mode::kRead), cursor(db, system) {}
    Transaction snapshot;
    PortGroupCursor cursor;
  };

  Connection& db_;
  WriterLock& lock_;
  std::unique_ptr<Listing> listing_;
  bool wrote_ = false;
};

// The default host: nic0 to nic3, vSwitch0 with nic0 linked and in its order
// (max active 1) and port group Management.
HostDocument DefaultHost();

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_STORE_H_
