#ifndef BACKENDS_SQLITE_HOST_DATABASE_H_
#define BACKENDS_SQLITE_HOST_DATABASE_H_

#include <memory>
#include <string>

#include "backends/sqlite/sql.h"
#include "backends/sqlite/writer_lock.h"

namespace sqlite_host {

// Opens the host database at path, whose writer lock is lock. A path that
// does not exist, or an empty file, is given the default host, made by one
// run while it holds lock. Throws QuorvicException "cannot open host database
// PATH: REASON" for a path PrepareHostFile refuses, a file that is not a host
// database, or cannot be opened or written; such a file is left as it was.
// A host database of a newer format opens, for reading.
std::unique_ptr<Connection> OpenHostDatabase(const std::string& path, WriterLock& lock);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_DATABASE_H_
