#ifndef HOSTSIM_HOST_DATABASE_H_
#define HOSTSIM_HOST_DATABASE_H_

#include <memory>
#include <string>

#include "hostsim/sql.h"

namespace hostsim {

// The database path of this process: QUENTA_HOSTNET_DB, or the default path
// when it is unset or empty.
std::string HostDatabasePath();

// Opens the host database at path. A missing or empty file is created (with
// its parent folders) holding the default host; two processes doing so at
// once create it once. Throws QuorvicException "cannot open host database
// PATH: REASON" for a file that is not a host database, has a newer schema,
// or cannot be opened or created; such a file is left as it was.
std::unique_ptr<Connection> OpenHostDatabase(const std::string& path);

}  // namespace hostsim

#endif  // HOSTSIM_HOST_DATABASE_H_
