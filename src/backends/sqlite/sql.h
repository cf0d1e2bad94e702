#ifndef BACKENDS_SQLITE_SQL_H_
#define BACKENDS_SQLITE_SQL_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

// The only door to SQLite. Every SQLite failure leaves here as a
// Quorvic::Lib::QuorvicException naming the database file and the reason;
// SQLite result codes never leave this layer.
namespace sqlite_host {

struct CloseDb {
  void operator()(sqlite3* db) const;
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const;
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;
using StmtPtr = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

class Connection;
struct SqliteFunctions;

// One prepared statement. Values are bound, never pasted into the SQL text.
class Statement {
 public:
  // Prepares sql on connection; throws when it does not compile.
  Statement(Connection& connection, const std::string& sql);

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, const std::string& value);
  // Flags, 32-bit numbers and enum codes, stored as the integers they are.
  Statement& Bind(int index, bool value) { return Bind(index, int64_t{value}); }
  Statement& Bind(int index, int32_t value) { return Bind(index, int64_t{value}); }
  Statement& Bind(int index, uint32_t value) { return Bind(index, int64_t{value}); }
  template <typename Enum, typename = std::enable_if_t<std::is_enum_v<Enum>>>
  Statement& Bind(int index, Enum value) {
    return Bind(index, static_cast<int64_t>(value));
  }
  // Text is bound as a string; without this a literal would bind as a flag.
  Statement& Bind(int index, const char* value) = delete;
  // An empty value leaves the parameter NULL, as every parameter starts.
  template <typename T>
  Statement& Bind(int index, const std::optional<T>& value) {
    return value ? Bind(index, *value) : *this;
  }
  // Binds values to ?1, ?2, ... in turn.
  template <typename... Values>
  Statement& BindAll(const Values&... values) {
    int index = 0;
    (Bind(++index, values), ...);
    return *this;
  }

  // Steps once: true when a row is available, false when done.
  bool Step();
  // Steps to the end (for statements that return no rows).
  void Run();
  // Makes the statement ready to run again and clears its bindings.
  Statement& Reset();

  int64_t Int(int column) const;
  // Integer columns read as the type of the field they fill.
  int32_t Int32(int column) const { return static_cast<int32_t>(Int(column)); }
  uint32_t UInt32(int column) const { return static_cast<uint32_t>(Int(column)); }
  bool Bool(int column) const { return Int(column) != 0; }
  template <typename Enum>
  Enum Code(int column) const {
    return static_cast<Enum>(Int(column));
  }
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  Connection& connection_;
  // SQLite's functions, looked up once: a listing makes millions of calls.
  const SqliteFunctions& sqlite_;
  StmtPtr statement_;
};

// A cached statement lent to one user; reset when the lease ends, so no read
// stays open by accident. A statement already lent out is not shared: the
// second user gets a fresh one of its own.
class StatementLease {
 public:
  StatementLease(Statement* cached, std::unique_ptr<Statement> owned, bool* inUse);
  ~StatementLease();
  StatementLease(StatementLease&& other) noexcept;
  StatementLease(const StatementLease&) = delete;
  StatementLease& operator=(const StatementLease&) = delete;
  StatementLease& operator=(StatementLease&&) = delete;

  Statement& operator*() const { return *statement_; }
  Statement* operator->() const { return statement_; }

 private:
  Statement* statement_;
  std::unique_ptr<Statement> owned_;
  bool* inUse_;
};

// An open database file with its cache of prepared statements.
class Connection {
 public:
  // Opens path read-write (creating the file when create is true) and sets
  // the session pragmas. Throws "cannot open host database PATH: REASON".
  Connection(const std::string& path, bool create);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& Path() const { return path_; }
  sqlite3* Raw() const { return db_.get(); }

  // Runs one or more statements that take no parameters.
  void Exec(const std::string& sql);
  // Copies the write-ahead log into the database file and empties it, when
  // no other connection stands in the way right now; otherwise leaves it to
  // the next run. Never waits, never throws.
  void CheckpointIfFree() noexcept;
  // A cached prepared statement for sql, reset and without bindings.
  StatementLease Prepare(const std::string& sql);
  // Runs sql, an INSERT, UPDATE or DELETE, with values bound to ?1, ?2, ...
  // in turn; returns how many rows it changed.
  template <typename... Values>
  int64_t Run(const std::string& sql, const Values&... values) {
    Prepare(sql)->BindAll(values...).Run();
    return Changes();
  }
  int64_t LastInsertId() const;
  // Rows changed by this connection since it opened.
  int64_t TotalChanges() const;

  // Throws the exception for result code rc of an operation on this file.
  [[noreturn]] void Fail(int rc) const;

 private:
  struct Cached {
    std::unique_ptr<Statement> statement;
    bool inUse = false;
  };
  int64_t Changes() const;

  std::string path_;
  DbPtr db_;
  std::map<std::string, Cached> cache_;
};

// A transaction that rolls back when it ends without Commit().
class Transaction {
 public:
  enum class Mode { kRead, kWrite };
  // kWrite takes the write lock at once (BEGIN IMMEDIATE), waiting for other
  // writers; kRead gives a consistent snapshot for several reads, or, inside
  // a transaction that is open already, is that one's.
  Transaction(Connection& connection, Mode mode);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  Connection& connection_;
  bool open_ = false;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQL_H_
