#ifndef BACKENDS_SQLITE_SQLITE_SETTINGS_H_
#define BACKENDS_SQLITE_SQLITE_SETTINGS_H_

#include <chrono>
#include <string>

#include "backends/rows/setting_values.h"

namespace sqlite_host {

// Where the simulated host is, how long a run waits for another one's
// writer lock, and whether a missing host is made (the default host in a new
// database) or refused.
struct SqliteSettings {
  std::string path;
  std::chrono::milliseconds wait{10000};
  bool makeMissing = true;
};

// The settings of the host database at path, with the key wait of options.
// Throws QuorvicException naming a value that is malformed.
SqliteSettings ParseSqliteSettings(const std::string& path, const rows::Options& options);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQLITE_SETTINGS_H_
