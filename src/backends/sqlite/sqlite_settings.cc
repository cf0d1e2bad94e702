#include "backends/sqlite/sqlite_settings.h"

namespace sqlite_host {


SqliteSettings ParseSqliteSettings(const std::string& path, const rows::Options& options) {
  return SqliteSettings{path, rows::WaitLimit(options)};
}

}  // namespace sqlite_host
