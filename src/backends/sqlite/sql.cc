#include "backends/sqlite/sql.h"

#include <utility>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/sqlite_library.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

namespace {

using Quorvic::Lib::QuorvicException;

// SQLite for this process. The first call loads libsqlite3.so.0 and
// resolves every function of SqliteFunctions; every later call, from any
// thread, returns that same result, and the library stays loaded until the
// process ends. On a failure, failure reads "the simulated host needs
// libsqlite3.so.0 (package libsqlite3-0): REASON", REASON being the dynamic
// loader's.
const SqliteLibrary& LoadSqlite() {
  static const SqliteLibrary library = loaded::LoadFunctions<SqliteFunctions>(
      "libsqlite3.so.0", "the simulated host needs libsqlite3.so.0 (package libsqlite3-0)",
      LOADED_RESOLVER(SQLITE_HOST_FUNCTIONS));
  return library;
}

// SQLite's functions. A connection loads them before it makes anything of
// SQLite's, so everything below finds them there.
const SqliteFunctions& Sqlite() { return LoadSqlite().functions; }

std::string Reason(sqlite3* db, int rc) {
  if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
    return "it stays locked by another process";
  }
  if (db != nullptr) return Sqlite().sqlite3_errmsg(db);
  return Sqlite().sqlite3_errstr(rc);
}

}  // namespace

void CloseDb::operator()(sqlite3* db) const { Sqlite().sqlite3_close_v2(db); }
void FinalizeStatement::operator()(sqlite3_stmt* statement) const {
  Sqlite().sqlite3_finalize(statement);
}

Statement::Statement(Connection& connection, const std::string& sql)
    : connection_(connection), sqlite_(Sqlite()) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite_.sqlite3_prepare_v2(connection.Raw(), sql.c_str(), static_cast<int>(sql.size()),
                                      &raw, nullptr);
  statement_.reset(raw);
  if (rc != SQLITE_OK) connection.Fail(rc);
}

Statement& Statement::Bind(int index, int64_t value) {
  int rc = sqlite_.sqlite3_bind_int64(statement_.get(), index, value);
  if (rc != SQLITE_OK) connection_.Fail(rc);
  return *this;
}

Statement& Statement::Bind(int index, const std::string& value) {
  int rc = sqlite_.sqlite3_bind_text(statement_.get(), index, value.data(),
                                     static_cast<int>(value.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) connection_.Fail(rc);
  return *this;
}

bool Statement::Step() {
  int rc = sqlite_.sqlite3_step(statement_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite_.sqlite3_reset(statement_.get());
  connection_.Fail(rc);
}

void Statement::Run() {
  while (Step()) {
  }
}

Statement& Statement::Reset() {
  sqlite_.sqlite3_reset(statement_.get());
  sqlite_.sqlite3_clear_bindings(statement_.get());
  return *this;
}

int64_t Statement::Int(int column) const {
  return sqlite_.sqlite3_column_int64(statement_.get(), column);
}

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite_.sqlite3_column_text(statement_.get(), column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite_.sqlite3_column_bytes(statement_.get(), column)));
}

bool Statement::IsNull(int column) const {
  return sqlite_.sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

StatementLease::StatementLease(Statement* cached, std::unique_ptr<Statement> owned, bool* inUse)
    : statement_(cached != nullptr ? cached : owned.get()),
      owned_(std::move(owned)),
      inUse_(inUse) {}

StatementLease::StatementLease(StatementLease&& other) noexcept
    : statement_(other.statement_), owned_(std::move(other.owned_)), inUse_(other.inUse_) {
  other.statement_ = nullptr;
  other.inUse_ = nullptr;
}

StatementLease::~StatementLease() {
  if (statement_ == nullptr) return;
  statement_->Reset();
  if (inUse_ != nullptr) *inUse_ = false;
}

Connection::Connection(const std::string& path, bool create) : path_(path) {
  if (const std::string& failure = LoadSqlite().failure; !failure.empty()) {
    throw QuorvicException("cannot open host database " + path + ": " + failure);
  }
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  int rc = Sqlite().sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    throw QuorvicException("cannot open host database " + path + ": " + Reason(raw, rc));
  }
  Sqlite().sqlite3_extended_result_codes(raw, 0);
  Sqlite().sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  // A run that changed the host checkpoints on its own when it ends
  // (CheckpointIfFree); closing a connection never waits for one.
  Sqlite().sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, 0);
  // Every commit reaches the disk before the change is reported done.
  Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL");
}

Connection::~Connection() {
  // Statements go before the connection they belong to.
  cache_.clear();
}

void Connection::CheckpointIfFree() noexcept {
  Sqlite().sqlite3_busy_timeout(db_.get(), 0);
  Sqlite().sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr,
                                     nullptr);
  Sqlite().sqlite3_busy_timeout(db_.get(), kBusyTimeoutMs);
}

void Connection::Exec(const std::string& sql) {
  int rc = Sqlite().sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

StatementLease Connection::Prepare(const std::string& sql) {
  Cached& cached = cache_[sql];
  if (cached.inUse) {
    return StatementLease(nullptr, std::make_unique<Statement>(*this, sql), nullptr);
  }
  if (!cached.statement) cached.statement = std::make_unique<Statement>(*this, sql);
  cached.inUse = true;
  return StatementLease(cached.statement.get(), nullptr, &cached.inUse);
}

int64_t Connection::Changes() const { return Sqlite().sqlite3_changes64(db_.get()); }

int64_t Connection::TotalChanges() const { return Sqlite().sqlite3_total_changes64(db_.get()); }

int64_t Connection::LastInsertId() const { return Sqlite().sqlite3_last_insert_rowid(db_.get()); }

void Connection::Fail(int rc) const {
  throw QuorvicException("host database " + path_ + ": " + Reason(db_.get(), rc));
}

Transaction::Transaction(Connection& connection, Mode mode) : connection_(connection) {
  // A read inside a transaction that is open already reads what that one sees.
  if (mode == Mode::kRead && Sqlite().sqlite3_get_autocommit(connection_.Raw()) == 0) return;
  connection_.Exec(mode == Mode::kRead ? "BEGIN DEFERRED" : "BEGIN IMMEDIATE");
  open_ = true;
}

Transaction::~Transaction() {
  if (open_) Sqlite().sqlite3_exec(connection_.Raw(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  if (!open_) return;
  connection_.Exec("COMMIT");
  open_ = false;
}

}  // namespace sqlite_host
