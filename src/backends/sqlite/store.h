#ifndef BACKENDS_SQLITE_STORE_H_
#define BACKENDS_SQLITE_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "backends/rows/row_store.h"
#include "backends/rows/host_rows.h"
#include "backends/sqlite/port_group_cursor.h"
#include "backends/sqlite/schema.h"
#include "backends/sqlite/sql.h"
#include "backends/sqlite/writer_lock.h"

// The simulated host's rows in its SQLite database: every read and change of
// the host goes through here, each change one SQLite transaction under the
// writer lock (rows::RowStore gives the contract of each call). A row's ref
// key is its id in its table. Reads that gather several queries read one
// snapshot; they take no lock, so other runs change the host meanwhile. An
// edit that changes nothing writes nothing.
//
// A listing (ListSwitches) reads one snapshot of the host, kept until the
// next change or listing, with the switches' port groups in one forward read
// served switch by switch: the reads of the same run in the meantime read
// that snapshot too, and any change ends both first, so nothing is ever
// written under an open read.
namespace sqlite_host {

class Store : public rows::RowStore {
 public:
  // Changes hold lock while they write.
  Store(Connection& db, WriterLock& lock);
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // True once this store has changed the host.
  bool Wrote() const { return wrote_; }
  // Writes doc into an empty host, inside the caller's transaction.
  void InsertHost(const rows::HostDocument& doc);

  // --- RowStore ------------------------------------------------------------
  uint32_t MaxSwitchNameSize() const override;
  rows::PnicSet Pnics() override;
  std::unique_ptr<rows::ChangeHold> HoldForChange() override;

  std::optional<rows::StandardSwitchDoc> FindSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::DVSwitchDoc> FindDVSwitch(const rows::SwitchKey& key) override;
  std::optional<rows::SwitchRow> FindAnySwitch(const rows::SwitchKey& key) override;
  std::vector<rows::StandardSwitchDoc> ReadSwitches(bool system) override;
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
  std::optional<rows::DVSwitchDoc> EditDVSwitch(const rows::RowRef& ref,
                                          const std::function<void(rows::DVSwitchDoc&)>& edit) override;
  void StartSwitches(rows::SwitchKind kind, const std::function<void(rows::SwitchRow&)>& start) override;
  void EditRecords(const std::function<void(rows::HostRecords&)>& edit) override;

  rows::HostDocument ReadHost() override;
  void ReplaceHost(const rows::HostDocument& doc) override;
  void Reboot() override;
  // The tables are those of every format: the host is stamped.
  std::vector<std::string> Migrate() override;

  // The row of the change about to run: the first transaction that changes
  // the host writes it (hostnet::Backend::StageHistory).
  void StageHistory(const rows::HistoryRow& row);
  rows::StagedRow UnstageHistory();
  void AppendHistory(const rows::HistoryRow& row) override;
  std::vector<rows::HistoryRow> ReadHistory(int64_t sinceUs) override;

 private:
  // Runs body in one write transaction, committed when body returns and
  // rolled back when it throws, and returns what body returns. The
  // listing's read ends first. Refuses a host of a newer format before body
  // runs. A transaction that changed the host also stamps this build's
  // format on a host of an older one, and writes the staged history row.
  template <typename Body>
  auto Write(Body&& body) {
    listing_.reset();
    WriterHold hold(lock_);
    Transaction txn(db_, Transaction::Mode::kWrite);
    const int64_t format = CheckFormat();
    const int64_t changes = db_.TotalChanges();
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      Committing(txn, changes, format);
    } else {
      auto result = body();
      Committing(txn, changes, format);
      return result;
    }
  }
  // The host's format (PRAGMA user_version); throws naming it when it is
  // newer than this build's.
  int64_t CheckFormat();
  // When the transaction changed the host since changes (a count of
  // db_.TotalChanges()): stamps this build's format over format, and writes
  // the staged row; then commits.
  void Committing(Transaction& txn, int64_t changes, int64_t format);
  // Inserts row into the history and drops the oldest beyond the limit;
  // its id.
  int64_t InsertHistory(const rows::HistoryRow& row);

  // --- Reads (store_read.cc) ---------------------------------------------
  // Hands each switch row that meets where (SQL over the switches table as
  // s, with ?1 bound to value when given) to each, in host order, with its
  // lists, from one query.
  void ReadSwitchRows(const std::string& where, const std::optional<std::string>& value,
                      const std::function<void(rows::SwitchRow&&)>& each);
  // The same rows, gathered.
  std::vector<rows::SwitchRow> ReadSwitchRows(
      const std::string& where, const std::optional<std::string>& value = std::nullopt);
  // The port groups of the switches that meet where (as ReadSwitchRows), in
  // host order, paired with those switches, which they fill.
  void FillPortGroups(std::vector<rows::StandardSwitchDoc>& switches, const std::string& where,
                      const std::optional<std::string>& value = std::nullopt);
  std::vector<rows::DVPortRow> ReadDVPorts(int64_t switchId);
  // The one running switch of kind that meets where, with its child rows.
  std::optional<rows::StandardSwitchDoc> FindStandard(const std::string& where,
                                                const std::optional<std::string>& value);
  std::optional<rows::DVSwitchDoc> FindDistributed(const std::string& where,
                                             const std::optional<std::string>& value);
  // Fault ids, timeout ids: the keys of the records, in the order read.
  struct RecordIds {
    std::vector<int64_t> uplinkTimeouts;
    std::vector<int64_t> lagTimeouts;
  };
  rows::HostRecords ReadRecordsWithIds(RecordIds* ids);

  // --- Writes (store_write.cc) -------------------------------------------
  // Inserts row as a new switch with its lists (those of its kind) and
  // returns its id.
  int64_t InsertSwitch(const rows::SwitchRow& row);
  // Insert a child row with its lists and return its id.
  int64_t InsertPortGroup(int64_t switchId, const rows::PortGroupRow& pg);
  int64_t InsertDVPort(int64_t switchId, const rows::DVPortRow& port);
  void InsertFault(const rows::FaultRow& fault);
  void InsertLagTimeouts(const std::vector<rows::LagTimeoutRow>& lags);
  // Writes what changed from before to after of switch id.
  void UpdateSwitch(int64_t id, const rows::SwitchRow& before, const rows::SwitchRow& after);
  void UpdatePortGroups(int64_t switchId, const std::vector<rows::PortGroupRow>& before,
                        std::vector<rows::PortGroupRow>& after);
  void UpdateDVPorts(int64_t switchId, const std::vector<rows::DVPortRow>& before,
                     std::vector<rows::DVPortRow>& after);
  // Throws "a switch named NAME already exists" when one is.
  void RequireNameFree(const std::string& name);

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

  // A listing's reads: its snapshot, the switches it listed, and the read
  // of their port groups. Members end in reverse order: the read, then the
  // snapshot.
  struct Listing {
    Listing(Connection& db, const std::string& where)
        : snapshot(db, Transaction::Mode::kRead), portGroups(db, where) {}
    Transaction snapshot;
    std::vector<int64_t> switchIds;  // ascending, as host order is
    PortGroupCursor portGroups;
  };

  Connection& db_;
  WriterLock& lock_;
  std::unique_ptr<Listing> listing_;
  bool wrote_ = false;
  // The staged history row and what became of it; the row that a
  // transaction wrote for it, which a refusal of the same call replaces.
  std::optional<rows::HistoryRow> staged_;
  rows::StagedRow stagedState_ = rows::StagedRow::kNotWritten;
  struct WrittenRow {
    int64_t id;
    int64_t timeUs;
    int64_t pid;
  };
  std::optional<WrittenRow> written_;
};

// The key of row id of a table, as a ref of kind; and back (0 for a ref of
// another kind or another store).
rows::RowRef RefOf(rows::RowKind kind, int64_t id);
int64_t IdOf(const rows::RowRef& ref, rows::RowKind kind);

// The default host: nic0 to nic3, vSwitch0 with nic0 linked and in its order
// (max active 1) and port group Management.
rows::HostDocument DefaultHost();

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_STORE_H_
