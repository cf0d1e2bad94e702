#include "backends/sqlite/host_database.h"

#include <string>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/host_file.h"
#include "backends/sqlite/schema.h"
#include "backends/sqlite/store.h"
#include "hostnet/records_format.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw QuorvicException("cannot open host database " + path + ": " + reason);
}

int64_t UserVersion(Connection& db) {
  auto st = db.Prepare("PRAGMA user_version");
  return st->Step() ? st->Int(0) : 0;
}

bool HasTables(Connection& db) {
  auto st = db.Prepare("SELECT 1 FROM sqlite_master LIMIT 1");
  return st->Step();
}

bool HasHostTable(Connection& db) {
  auto st = db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'host'");
  return st->Step();
}

// Refuses a database this host cannot use; true when it is still empty. A
// host of a newer format opens: its reads are tried, and Store refuses its
// changes.
bool CheckVersion(Connection& db) {
  int64_t version = UserVersion(db);
  if (version >= kFirstUserVersion && HasHostTable(db)) return false;
  if (version != 0 || HasTables(db)) Refuse(db.Path(), "it is not a host database");
  return true;
}

}  // namespace

std::unique_ptr<Connection> OpenHostDatabase(const std::string& path, WriterLock& lock) {
  std::unique_ptr<Connection> db;
  try {
    const bool holdsHost = PrepareHostFile(path);
    db = std::make_unique<Connection>(path, false);
    if (holdsHost && !CheckVersion(*db)) return db;
    // A new host: one run makes it, the others find it made.
    WriterHold hold(lock);
    if (!CheckVersion(*db)) return db;
    db->Exec("PRAGMA journal_mode = WAL");
    Transaction txn(*db, Transaction::Mode::kWrite);
    db->Exec(kSchemaSql);
    Store(*db, lock).InsertHost(DefaultHost());
    db->Exec("PRAGMA user_version = " + std::to_string(hostnet::kRecordsFormat));
    txn.Commit();
  } catch (const QuorvicException& e) {
    const std::string& message = e.GetMessage();
    if (message.rfind("cannot open host database", 0) == 0) throw;
    // "host database PATH: REASON" from the SQL layer.
    throw QuorvicException("cannot open " + message);
  }
  return db;
}

}  // namespace sqlite_host
