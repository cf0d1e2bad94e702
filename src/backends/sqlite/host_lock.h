#ifndef BACKENDS_SQLITE_HOST_LOCK_H_
#define BACKENDS_SQLITE_HOST_LOCK_H_

#include <string>

namespace sqlite_host {

// One process at a time works on a host. A run of the tool reads a policy,
// changes it and writes it back in separate library operations; a second run
// doing the same at once would overwrite the first one's change. So every
// process that opens the host holds this lock, an exclusive flock on the
// database file, from the moment it opens the host until it ends (the kernel
// drops it when the process dies, even by SIGKILL).
class HostLock {
 public:
  // Takes the lock on the database file at path, creating its folders and an
  // empty file when there is none, and waiting up to the busy timeout for
  // another process to let go. Throws QuorvicException "cannot open host
  // database PATH: REASON" when it cannot. The file's contents are never
  // touched.
  explicit HostLock(const std::string& path);
  ~HostLock();
  HostLock(const HostLock&) = delete;
  HostLock& operator=(const HostLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_LOCK_H_
