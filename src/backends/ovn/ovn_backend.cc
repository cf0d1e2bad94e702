#include "backends/ovn/ovn_backend.h"

#include <utility>

namespace ovn {

OvnBackend::OvnBackend(std::unique_ptr<rows::RowBackend> local, OvnSettings settings)
    : local_(std::move(local)), shared_(std::move(settings)) {}

rows::RowStore& OvnBackend::Host() {
  if (!store_) store_ = std::make_unique<SharedDVStore>(local_->HostStore(), shared_);
  return *store_;
}

}  // namespace ovn
