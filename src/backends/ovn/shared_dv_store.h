#ifndef BACKENDS_OVN_SHARED_DV_STORE_H_
#define BACKENDS_OVN_SHARED_DV_STORE_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovn/ovn_store.h"
#include "backends/rows/row_store_wrapper.h"

// A host whose DVSwitches live in the OVN northbound database, shared with
// every host pointed at it, while everything else stays in the host's own
// store: the DVSwitch calls go to the OvnStore, every other call to the local
// store. DVSwitches the local store may hold are not seen.
//
// Switch names stay one namespace: FindAnySwitch finds a switch of this host
// or a DVSwitch of the database, so adding a switch whose name either has
// is refused (checked before the change, so a switch of the other kind added
// at that very moment elsewhere can slip by).
//
// ReadHost is the local host with the shared DVSwitches; ReplaceHost
// replaces the local host and then every DVSwitch of the database, which
// every host sharing it sees. Reboot is refused: DVSwitches in a shared
// database keep running for the other hosts.
namespace ovn {

class SharedDVStore : public rows::RowStoreWrapper {
 public:
  // Both must outlive this.
  SharedDVStore(rows::RowStore& local, OvnStore& shared)
      : RowStoreWrapper(local), shared_(shared) {}

  std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key) override {
    return shared_.FindDVSwitch(key);
  }
  std::optional<SwitchRow> FindAnySwitch(const std::string& name) override;
  std::vector<DVSwitchDoc> ReadDVSwitches() override { return shared_.ReadDVSwitches(); }

  rows::RowRef AddDVSwitch(const DVSwitchDoc& dvs) override { return shared_.AddDVSwitch(dvs); }
  bool RemoveSwitch(const RowRef& ref) override;
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit) override {
    return shared_.EditDVSwitch(ref, edit);
  }
  void StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) override;

  HostDocument ReadHost() override;
  void ReplaceHost(const HostDocument& doc) override;
  void Reboot() override;

 private:
  OvnStore& shared_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_SHARED_DV_STORE_H_
