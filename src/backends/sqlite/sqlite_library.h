#ifndef BACKENDS_SQLITE_SQLITE_LIBRARY_H_
#define BACKENDS_SQLITE_SQLITE_LIBRARY_H_

// SQLite's header gives the types and constants; its functions come from
// the library loaded when the simulated host is first opened, so that a run
// on an Open vSwitch host never spends its start-up on SQLite.
#include <sqlite3.h>

#include "backends/loaded/shared_library.h"

namespace sqlite_host {

// Every SQLite function the host's database calls, as F(name).
// clang-format off
#define SQLITE_HOST_FUNCTIONS(F) \
  F(sqlite3_bind_int64) F(sqlite3_bind_text) F(sqlite3_busy_timeout) \
  F(sqlite3_changes64) F(sqlite3_clear_bindings) F(sqlite3_close_v2) \
  F(sqlite3_column_bytes) F(sqlite3_column_int64) F(sqlite3_column_text) \
  F(sqlite3_column_type) F(sqlite3_db_config) F(sqlite3_errmsg) \
  F(sqlite3_errstr) F(sqlite3_exec) F(sqlite3_extended_result_codes) \
  F(sqlite3_finalize) F(sqlite3_get_autocommit) F(sqlite3_last_insert_rowid) \
  F(sqlite3_open_v2) F(sqlite3_prepare_v2) F(sqlite3_reset) \
  F(sqlite3_step) F(sqlite3_total_changes64) F(sqlite3_wal_checkpoint_v2)
// clang-format on

// The functions above, and what loading them gave.
struct SqliteFunctions { SQLITE_HOST_FUNCTIONS(LOADED_POINTER) };
using SqliteLibrary = loaded::LoadedFunctions<SqliteFunctions>;

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQLITE_LIBRARY_H_
