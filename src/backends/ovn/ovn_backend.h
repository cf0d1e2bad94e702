#ifndef BACKENDS_OVN_OVN_BACKEND_H_
#define BACKENDS_OVN_OVN_BACKEND_H_

#include <memory>
#include <string>

#include "backends/ovn/ovn_store.h"
#include "backends/ovn/shared_dv_store.h"
#include "backends/rows/chassis.h"
#include "backends/rows/row_backend.h"

namespace ovn {

// A local backend (the simulated host or Open vSwitch) whose DVSwitches live
// in the OVN northbound database that settings name (SharedDVStore says how
// calls are split), and chassis, this host among those that share them.
// Nothing is reached until the first call that needs it. Switch names, the
// default host and the DVS cache file are the local backend's; Reboot is
// refused.
class OvnBackend : public rows::RowBackend {
 public:
  OvnBackend(std::unique_ptr<rows::RowBackend> local, OvnSettings settings,
             std::unique_ptr<rows::Chassis> chassis);

  uint32_t MaxSwitchNameSize() const override { return local_->MaxSwitchNameSize(); }
  std::string DefaultDVSCacheFile() const override { return local_->DefaultDVSCacheFile(); }
  HostDocument DefaultHost() const override { return local_->DefaultHost(); }
  void ReplaceHost(const HostDocument& doc, hostnet::SharedDVSwitches shared) override;
  // The history is the local host's.
  void StageHistory(const hostnet::HistoryRow& row) override { local_->StageHistory(row); }
  hostnet::StagedRow UnstageHistory() override { return local_->UnstageHistory(); }

 protected:
  rows::RowStore& Host() override { return Store(); }

 private:
  SharedDVStore& Store();

  std::unique_ptr<rows::RowBackend> local_;
  std::unique_ptr<rows::Chassis> chassis_;
  OvnStore shared_;
  std::unique_ptr<SharedDVStore> store_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_OVN_BACKEND_H_
