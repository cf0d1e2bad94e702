#ifndef BACKENDS_SQLITE_HOST_DATABASE_H_
#define BACKENDS_SQLITE_HOST_DATABASE_H_

#include <memory>
#include <string>

#include "backends/sqlite/sql.h"

namespace sqlite_host {

// Opens the host database at path, whose HostLock the caller holds (taking
// it makes the file, so no other process is creating it). An empty file is
// given the default host. Throws QuorvicException "cannot open host database
// PATH: REASON" for a file that is not a host database, has a newer schema,
// or cannot be opened or written; such a file is left as it was.
std::unique_ptr<Connection> OpenHostDatabase(const std::string& path);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_DATABASE_H_
