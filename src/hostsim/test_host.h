#ifndef HOSTSIM_TEST_HOST_H_
#define HOSTSIM_TEST_HOST_H_

#include <functional>
#include <memory>
#include <string>

#include "hostsim/host_rows.h"
#include "hostsim/sql.h"
#include "hostsim/store.h"

// Test support: a fresh host per test, and library calls made in a process
// of their own, as each run of the tool is.
namespace hostsim {

// A host database in a new temporary folder; QUENTA_HOSTNET_DB names it while
// the object lives. Nothing is created until something opens it.
class TempHost {
 public:
  TempHost();
  ~TempHost();
  TempHost(const TempHost&) = delete;
  TempHost& operator=(const TempHost&) = delete;

  const std::string& Dir() const { return dir_; }
  const std::string& Path() const { return path_; }

  // The store on a connection of its own (creates the default host if
  // needed), the way ploncfg-host works on the host.
  std::unique_ptr<Connection> Open() const;
  // Replaces the host with the JSON text json.
  void Load(const std::string& json) const;
  // The host as ploncfg-host dump prints it.
  std::string Dump() const;

 private:
  std::string dir_;
  std::string path_;
};

// Runs body in a child process, where the library opens its own session.
// Returns what body returned, or "throws " + the detailed message of a
// QuorvicException that escaped it.
std::string InChild(const std::function<std::string()>& body);

}  // namespace hostsim

#endif  // HOSTSIM_TEST_HOST_H_
