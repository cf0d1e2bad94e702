#ifndef BACKENDS_SQLITE_HOST_FILE_H_
#define BACKENDS_SQLITE_HOST_FILE_H_

#include <string>

namespace sqlite_host {

// Makes sure path may hold the host before anything opens it, and tells
// whether it holds one already. A path that does not exist gets its missing
// folders (mode 0755) and an empty file (mode 0644), whatever the umask.
// Refused, with QuorvicException "cannot open host database PATH: REASON"
// and nothing created or changed:
//   - something that is not a regular file (a FIFO would block every run);
//   - when run as root, a file or symbolic link that another user owns in a
//     folder others may write (they could have planted it to make root
//     write elsewhere);
//   - a file of one byte or more that does not start as an SQLite database.
// Returns false when the file is empty (a new host is to be made in it).
bool PrepareHostFile(const std::string& path);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_FILE_H_
