#include <string>
#include <utility>

#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace sqlite_host {

using namespace rows;

namespace {

// The history lives in a table of its own, made by the first run that records
// a change, so hosts made before it need no new schema version. The oldest
// rows go as new ones come.
constexpr const char* kHistoryTableSql = R"sql(
CREATE TABLE IF NOT EXISTS history (
  id INTEGER PRIMARY KEY,
  time_us INTEGER NOT NULL,
  pid INTEGER NOT NULL,
  uid INTEGER NOT NULL,
  command TEXT NOT NULL,
  operation TEXT NOT NULL,
  object TEXT NOT NULL,
  done INTEGER NOT NULL CHECK (done IN (0, 1)),
  message TEXT NOT NULL
);
)sql";

// A commit that waits for no sync of its own: the row survives a crash of any
// process at once, and reaches the disk with the next change's sync (or the
// checkpoint), so a record costs a change no disk flush.
class UnsyncedCommits {
 public:
  explicit UnsyncedCommits(Connection& db) : db_(db) { db_.Exec("PRAGMA synchronous = NORMAL"); }
  ~UnsyncedCommits() {
    try {
      db_.Exec("PRAGMA synchronous = FULL");
    } catch (const Quorvic::Lib::QuorvicException&) {
      // Only a closed connection refuses a pragma, and then nothing commits.
    }
  }
  UnsyncedCommits(const UnsyncedCommits&) = delete;
  UnsyncedCommits& operator=(const UnsyncedCommits&) = delete;

 private:
  Connection& db_;
};

}  // namespace

int64_t Store::InsertHistory(const HistoryRow& row) {
  db_.Exec(kHistoryTableSql);
  db_.Run(
      "INSERT INTO history (time_us, pid, uid, command, operation, object, done, message) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
      row.timeUs, row.pid, row.uid, row.command, row.operation, row.object, row.done, row.message);
  const int64_t id = db_.LastInsertId();
  db_.Run("DELETE FROM history WHERE id <= ?1", id - hostnet::kHistoryLimit);
  return id;
}

void Store::Committing(Transaction& txn, int64_t changes, int64_t format) {
  const bool changed = db_.TotalChanges() != changes;
  if (changed && format < hostnet::kRecordsFormat) {
    db_.Exec("PRAGMA user_version = " + std::to_string(hostnet::kRecordsFormat));
  }
  const bool records = changed && staged_ && stagedState_ == StagedRow::kNotWritten;
  int64_t id = 0;
  if (records) id = InsertHistory(*staged_);
  txn.Commit();
  wrote_ = wrote_ || changed;
  if (records) {
    stagedState_ = StagedRow::kWrittenDone;
    written_ = WrittenRow{id, staged_->timeUs, staged_->pid};
  }
}

void Store::StageHistory(const HistoryRow& row) {
  staged_ = row;
  stagedState_ = StagedRow::kNotWritten;
  written_.reset();
}

StagedRow Store::UnstageHistory() {
  staged_.reset();
  return std::exchange(stagedState_, StagedRow::kNotWritten);
}

void Store::AppendHistory(const HistoryRow& row) {
  UnsyncedCommits unsynced(db_);
  WriterHold hold(lock_);
  Transaction txn(db_, Transaction::Mode::kWrite);
  // A history of a newer format may be kept otherwise.
  CheckFormat();
  // The refusal of a change whose transaction recorded it as done takes
  // that row's place.
  if (written_ && row.timeUs == written_->timeUs && row.pid == written_->pid) {
    db_.Run("UPDATE history SET done = ?2, message = ?3 WHERE id = ?1", written_->id, row.done,
            row.message);
  } else {
    InsertHistory(row);
  }
  txn.Commit();
  wrote_ = true;
}

std::vector<HistoryRow> Store::ReadHistory(int64_t sinceUs) {
  Transaction snapshot(db_, Transaction::Mode::kRead);
  std::vector<HistoryRow> rows;
  {
    auto made =
        db_.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'history'");
    if (!made->Step()) return rows;
  }
  auto st = db_.Prepare(
      "SELECT id, time_us, pid, uid, command, operation, object, done, message FROM history "
      "WHERE time_us >= ?1 ORDER BY id");
  st->Bind(1, sinceUs);
  while (st->Step()) {
    rows.push_back({st->Int(0), st->Int(1), st->Int(2), st->Int(3), st->Text(4), st->Text(5),
                    st->Text(6), st->Bool(7), st->Text(8)});
  }
  snapshot.Commit();
  return rows;
}

}  // namespace sqlite_host
