#ifndef BACKENDS_OVN_SHARED_DV_STORE_H_
#define BACKENDS_OVN_SHARED_DV_STORE_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovn/ovn_store.h"
#include "backends/rows/chassis.h"
#include "backends/rows/row_store_wrapper.h"
#include "hostnet/backend.h"

// A host whose DVSwitches live in the OVN northbound database, shared with
// every host pointed at it, while everything else stays in the host's own
// store: the DVSwitch calls go to the OvnStore, every other call to the local
// store. DVSwitches the local store may hold are not seen.
//
// Switch names stay one namespace: FindAnySwitch finds a switch of this host,
// a DVSwitch of the database or a logical switch another program made there,
// so adding a switch whose name any of them has is refused (checked before
// the change, so a switch of the other kind added at that very moment
// elsewhere can slip by; Health reports such a clash).
//
// Where the chassis carries traffic, a change of this host's uplinks on a
// DVSwitch's DVPorts also wires them: its pnics go into a bridge that leads
// to the DVSwitch's physical network before the database changes, and come
// back out when the change fails; the bridges it makes are not listed as
// opaque switches.
//
// ReadHost is the local host with the shared DVSwitches; ReplaceHost
// replaces the local host and adds or updates the DVSwitches of the
// document in place (ReplaceHostSharing can also remove the rest). Reboot
// is refused: DVSwitches in a shared database keep running for the other
// hosts.
namespace ovn {

class SharedDVStore : public rows::RowStoreWrapper {
 public:
  // All three must outlive this.
  SharedDVStore(rows::RowStore& local, OvnStore& shared, rows::Chassis& chassis)
      : RowStoreWrapper(local), shared_(shared), chassis_(chassis) {}

  // By name, this host's own switches are looked at first: a name one of
  // them has is no DVSwitch's, and the database is not asked. What wiring
  // the DVSwitch would read goes with that look.
  std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key) override;
  std::optional<SwitchRow> FindAnySwitch(const rows::SwitchKey& key) override;
  std::vector<DVSwitchDoc> ReadDVSwitches() override { return shared_.ReadDVSwitches(); }
  std::vector<rows::UnreadableRow> Unreadable() override { return shared_.Unreadable(); }
  std::vector<SwitchRow> ReadOpaqueSwitches() override;

  rows::RowRef AddDVSwitch(const DVSwitchDoc& dvs) override { return shared_.AddDVSwitch(dvs); }
  bool RemoveSwitch(const RowRef& ref) override;
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit) override;
  void StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) override;

  HostDocument ReadHost() override;
  void ReplaceHost(const HostDocument& doc) override {
    ReplaceHostSharing(doc, hostnet::SharedDVSwitches::kUpdate);
  }
  // Replaces the local host, wires this host's uplinks as doc's DVSwitches
  // will have them, then merges those into the database (OvnStore::Merge,
  // pruning with kPrune): all or nothing. When the wiring or the merge
  // fails, the bridges and the local host are put back as they were, and
  // this throws naming what failed (and what could not be put back).
  void ReplaceHostSharing(const HostDocument& doc, hostnet::SharedDVSwitches shared);
  void Reboot() override;
  // The local store's, then the database's (OvnStore::Migrate).
  std::vector<std::string> Migrate() override;
  std::vector<std::string> Health() override;

 private:
  // Wires network to pnics; when that or change throws, wires it back to
  // was, and the exception goes on (naming a failure to put it back too).
  void WireAround(const std::string& network, const std::vector<std::string>& pnics,
                  const std::vector<std::string>& was, const std::function<void()>& change);

  OvnStore& shared_;
  rows::Chassis& chassis_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_SHARED_DV_STORE_H_
