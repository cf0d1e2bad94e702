#include "backends/ovn/ovn_backend.h"

#include <utility>

namespace ovn {

OvnBackend::OvnBackend(std::unique_ptr<rows::RowBackend> local, OvnSettings settings,
                       std::unique_ptr<rows::Chassis> chassis)
    : local_(std::move(local)),
      chassis_(std::move(chassis)),
      shared_(std::move(settings), *chassis_, [this] { return local_->HostStore().Pnics().names; }) {}

SharedDVStore& OvnBackend::Store() {
  if (!store_) store_ = std::make_unique<SharedDVStore>(local_->HostStore(), shared_, *chassis_);
  return *store_;
}

void OvnBackend::ReplaceHost(const HostDocument& doc, hostnet::SharedDVSwitches shared) {
  Store().ReplaceHostSharing(doc, shared);
}

}  // namespace ovn
