#include "backends/sqlite/sqlite_backend.h"

#include <sys/stat.h>

#include <utility>

#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/host_database.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using namespace rows;

SqliteBackend::SqliteBackend(SqliteSettings settings) : settings_(std::move(settings)) {}

SqliteBackend::~SqliteBackend() {
  if (store_ && store_->Wrote()) {
    store_.reset();  // ends its reads first
    db_->CheckpointIfFree();
  }
}

Store& SqliteBackend::Host() {
  if (!store_) {
    struct stat file;
    if (!settings_.makeMissing &&
        (stat(settings_.path.c_str(), &file) != 0 || file.st_size == 0)) {
      throw Quorvic::Lib::QuorvicException("cannot open host database " + settings_.path +
                                           ": there is no host there yet");
    }
    if (!lock_) lock_ = std::make_unique<WriterLock>(settings_.path, settings_.wait);
    db_ = OpenHostDatabase(settings_.path, *lock_);
    store_ = std::make_unique<Store>(*db_, *lock_);
    if (staged_) store_->StageHistory(*staged_);
  }
  return *store_;
}

void SqliteBackend::StageHistory(const rows::HistoryRow& row) {
  staged_ = row;
  if (store_) store_->StageHistory(row);
}

rows::StagedRow SqliteBackend::UnstageHistory() {
  staged_.reset();
  return store_ ? store_->UnstageHistory() : rows::StagedRow::kNotWritten;
}

uint32_t SqliteBackend::MaxSwitchNameSize() const { return kMaxSwitchNameSize; }
std::string SqliteBackend::DefaultDVSCacheFile() const { return kDVSCacheFile; }
HostDocument SqliteBackend::DefaultHost() const { return sqlite_host::DefaultHost(); }

}  // namespace sqlite_host
