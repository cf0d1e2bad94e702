#ifndef SUPPORT_TEST_HOST_H_
#define SUPPORT_TEST_HOST_H_

#include <memory>
#include <string>

#include "backends/sqlite/sqlite_backend.h"

// Test support: a fresh simulated host per test.
namespace sqlite_host {

// A host database in a new temporary folder; QUENTA_HOSTNET_DB names it while
// the object lives, for the tools a test runs. Nothing is created until
// something opens it.
class TempHost {
 public:
  TempHost();
  ~TempHost();
  TempHost(const TempHost&) = delete;
  TempHost& operator=(const TempHost&) = delete;

  const std::string& Dir() const { return dir_; }
  const std::string& Path() const { return path_; }

  // A backend of its own on this host. Once used, it holds the host's lock
  // until it is destroyed, as a run of a tool does: destroy it before
  // anything else opens the host (Load, Dump, a tool).
  std::unique_ptr<SqliteBackend> Open() const;
  // Replaces the host with the JSON text json, through a backend of its own.
  void Load(const std::string& json) const;
  // The host as ploncfg-host dump prints it, through a backend of its own.
  std::string Dump() const;

 private:
  std::string dir_;
  std::string path_;
};

// The same, through a backend the test holds.
void LoadHost(hostnet::Backend& backend, const std::string& json);
std::string DumpHost(hostnet::Backend& backend);

}  // namespace sqlite_host

#endif  // SUPPORT_TEST_HOST_H_
