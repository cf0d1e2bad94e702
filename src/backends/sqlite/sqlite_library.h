#ifndef BACKENDS_SQLITE_SQLITE_LIBRARY_H_
#define BACKENDS_SQLITE_SQLITE_LIBRARY_H_

// SQLite's header gives the types and constants; its functions come from
// the library loaded when the simulated host is first opened, so that a run
// on an Open vSwitch host never spends its start-up on SQLite.
#include <sqlite3.h>

#include <string>

namespace sqlite_host {

// Every SQLite function the host's database calls, as F(name).
#define SQLITE_HOST_FUNCTIONS(F)   \
  F(sqlite3_bind_int64)            \
  F(sqlite3_bind_text)             \
  F(sqlite3_busy_timeout)          \
  F(sqlite3_changes64)             \
  F(sqlite3_clear_bindings)        \
  F(sqlite3_close_v2)              \
  F(sqlite3_column_bytes)          \
  F(sqlite3_column_int64)          \
  F(sqlite3_column_text)           \
  F(sqlite3_column_type)           \
  F(sqlite3_db_config)             \
  F(sqlite3_errmsg)                \
  F(sqlite3_errstr)                \
  F(sqlite3_exec)                  \
  F(sqlite3_extended_result_codes) \
  F(sqlite3_finalize)              \
  F(sqlite3_get_autocommit)        \
  F(sqlite3_last_insert_rowid)     \
  F(sqlite3_open_v2)               \
  F(sqlite3_prepare_v2)            \
  F(sqlite3_reset)                 \
  F(sqlite3_step)                  \
  F(sqlite3_total_changes64)       \
  F(sqlite3_wal_checkpoint_v2)

// The functions above, each named and typed as SQLite declares it.
struct SqliteFunctions {
#define SQLITE_HOST_POINTER(name) decltype(&::name) name = nullptr;
  SQLITE_HOST_FUNCTIONS(SQLITE_HOST_POINTER)
#undef SQLITE_HOST_POINTER
};

// What loading SQLite gave: every function, or why it cannot serve.
struct SqliteLibrary {
  SqliteFunctions functions;  // all null on a failure
  std::string failure;        // empty when every function was found
};

// SQLite for this process. The first call loads libsqlite3.so.0 and
// resolves every function of SqliteFunctions; every later call, from any
// thread, returns that same result, and the library stays loaded until the
// process ends. On a failure, failure reads "the simulated host needs
// libsqlite3.so.0 (package libsqlite3-0): REASON", REASON being the dynamic
// loader's.
const SqliteLibrary& LoadSqlite();

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQLITE_LIBRARY_H_
