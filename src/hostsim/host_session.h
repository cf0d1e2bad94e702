#ifndef HOSTSIM_HOST_SESSION_H_
#define HOSTSIM_HOST_SESSION_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/host_lock.h"
#include "hostsim/host_rows.h"
#include "hostsim/sql.h"
#include "hostsim/store.h"

namespace hostsim {

class PortGroupCursor;

// The process-wide connection to the host. It opens on the first library
// call of the process and closes at exit. The faults are read once, when it
// opens, and kept in memory; a counted fault is spent durably when it fires.
class HostSession {
 public:
  // The open session, opening it first if needed (path from
  // HostDatabasePath()). Throws QuorvicException when the host database
  // cannot be opened; the next call tries again.
  static HostSession& Get();
  // The session when it is already open, else null.
  static HostSession* IfOpen();

  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  Store& store() { return store_; }

  // Whether any fault may still fire in this process.
  bool HasFaults() const { return !faults_.empty(); }
  // Throws QuorvicException(message, "cls.method") when a fault matches a call
  // of cls.method on object with name argument arg (see FaultMatches).
  void FireFault(const std::string& cls, const std::string& method, const std::string& object,
                 const std::string& arg);
  // The status a fault on a kernel call makes it return, if any: cls is
  // empty for the KARN_ functions.
  std::optional<int> KernelFault(const std::string& cls, const std::string& function);

  // Cursors that must close before this process writes to the host.
  void RegisterCursor(const std::weak_ptr<PortGroupCursor>& cursor);

 private:
  HostSession(std::unique_ptr<HostLock> lock, std::unique_ptr<Connection> db);
  // The first matching fault that may still fire, spending one of its times.
  std::optional<FaultRow> TakeFault(const std::string& cls, const std::string& method,
                                    const std::string& object, const std::string& arg);
  static void CloseCursors(void* session);

  // Held for as long as the process works on the host; declared first, so it
  // is released after every connection has closed.
  std::unique_ptr<HostLock> lock_;
  std::unique_ptr<Connection> db_;
  Store store_;
  std::vector<FaultRow> faults_;
  // Spends counted faults without waiting on a read of the main connection.
  std::unique_ptr<Connection> faultDb_;
  std::vector<std::weak_ptr<PortGroupCursor>> cursors_;
};

}  // namespace hostsim

#endif  // HOSTSIM_HOST_SESSION_H_
