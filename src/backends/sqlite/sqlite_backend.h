#ifndef BACKENDS_SQLITE_SQLITE_BACKEND_H_
#define BACKENDS_SQLITE_SQLITE_BACKEND_H_

#include <memory>
#include <optional>
#include <string>

#include "backends/rows/row_backend.h"
#include "backends/sqlite/sql.h"
#include "backends/sqlite/sqlite_settings.h"
#include "backends/sqlite/store.h"
#include "backends/sqlite/writer_lock.h"

namespace sqlite_host {

// The simulated host: the whole host in one SQLite database (host_constants.h
// lists the choices it makes). Nothing is opened until the first call that
// needs the host; that call opens the database, creating it with the default
// host when it is missing or empty, or, for a backend made with makeMissing
// false, throwing "cannot open host database PATH: there is no host there
// yet" without creating anything. A failed open is tried again by the next
// call.
// Lookups of an object to change hold the host's writer lock for as long as
// the object lives, and every change holds it while it writes (WriterLock);
// listings and checks read a snapshot and take no lock. A backend that
// changed the host leaves the database file holding it all when it is
// destroyed, unless another run is reading or writing at that moment.
class SqliteBackend : public rows::RowBackend {
 public:
  explicit SqliteBackend(SqliteSettings settings);
  ~SqliteBackend() override;
  SqliteBackend(const SqliteBackend&) = delete;
  SqliteBackend& operator=(const SqliteBackend&) = delete;

  const std::string& Path() const { return settings_.path; }

  uint32_t MaxSwitchNameSize() const override;
  std::string DefaultDVSCacheFile() const override;
  rows::HostDocument DefaultHost() const override;
  // The store writes the staged row, once the host is open.
  void StageHistory(const rows::HistoryRow& row) override;
  rows::StagedRow UnstageHistory() override;

 protected:
  Store& Host() override;

 private:
  SqliteSettings settings_;
  // Declared first, so that it goes after the connection has closed.
  std::unique_ptr<WriterLock> lock_;
  std::unique_ptr<Connection> db_;
  std::unique_ptr<Store> store_;
  std::optional<rows::HistoryRow> staged_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQLITE_BACKEND_H_
