#include "backends/sqlite/sqlite_backend.h"

#include <utility>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/host_database.h"
#include "backends/rows/wait_limit.h"

namespace sqlite_host {

SqliteBackend::SqliteBackend(std::string path) : path_(std::move(path)) {}

SqliteBackend::~SqliteBackend() {
  if (store_ && store_->Wrote()) {
    store_.reset();  // ends its reads first
    db_->CheckpointIfFree();
  }
}

Store& SqliteBackend::Host() {
  if (!store_) {
    if (!lock_) lock_ = std::make_unique<WriterLock>(path_, rows::ProcessWaitLimit());
    db_ = OpenHostDatabase(path_, *lock_);
    store_ = std::make_unique<Store>(*db_, *lock_);
  }
  return *store_;
}

uint32_t SqliteBackend::MaxSwitchNameSize() const { return kMaxSwitchNameSize; }
std::string SqliteBackend::DefaultDVSCacheFile() const { return kDVSCacheFile; }
HostDocument SqliteBackend::DefaultHost() const { return sqlite_host::DefaultHost(); }

}  // namespace sqlite_host
