#include "backends/sqlite/sqlite_library.h"

#include "backends/loaded/shared_library.h"

namespace sqlite_host {

namespace {

SqliteLibrary Load() {
  SqliteLibrary library;
  loaded::SharedLibrary libsqlite(
      "libsqlite3.so.0", "the simulated host needs libsqlite3.so.0 (package libsqlite3-0)");
  bool found = true;
#define SQLITE_HOST_RESOLVE(name) found = found && libsqlite.Resolve(#name, library.functions.name);
  SQLITE_HOST_FUNCTIONS(SQLITE_HOST_RESOLVE)
#undef SQLITE_HOST_RESOLVE
  if (found) {
    libsqlite.Keep();
  } else {
    library.functions = {};
    library.failure = libsqlite.Failure();
  }
  return library;
}

}  // namespace

const SqliteLibrary& LoadSqlite() {
  static const SqliteLibrary library = Load();
  return library;
}

}  // namespace sqlite_host
