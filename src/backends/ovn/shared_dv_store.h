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
// back out when the change fails. Another host may remove a DVSwitch, or a
// DVPort, that this host's uplinks are on: the wiring left behind here is
// taken out by this host's next change of its uplinks on any DVSwitch, its
// next load, or Rewire, and Health names it meanwhile. A pnic such wiring
// holds is refused to a standard switch naming the DVSwitch and the -Q that
// frees it.
//
// DVPorts VMs are bound to (as OVN shows them) are in use, with the VM's
// host and, for this host's VMs, interface as their client, in the reads
// that show them (ReadDVSwitches, ReadHost).
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
  std::vector<DVSwitchDoc> ReadDVSwitches() override;
  std::vector<rows::UnreadableRow> Unreadable() override { return shared_.Unreadable(); }

  rows::RowRef AddDVSwitch(const DVSwitchDoc& dvs) override { return shared_.AddDVSwitch(dvs); }
  bool RemoveSwitch(const RowRef& ref) override;
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit) override;
  // As FindDVSwitch and EditDVSwitch, for a DVSwitch's DVPorts alone.
  std::optional<DVSwitchDoc> FindHostDVPorts(const SwitchKey& key,
                                             const std::string& portId) override;
  std::optional<DVSwitchDoc> EditHostDVPorts(
      const RowRef& ref, const std::string& portId,
      const std::function<void(DVSwitchDoc&)>& edit) override;
  // As the local store's, but a pnic to link that this host's wiring for a
  // DVSwitch holds is refused naming the DVSwitch and what frees it.
  std::optional<rows::StandardSwitchDoc> EditSwitch(
      const RowRef& ref, const std::function<void(rows::StandardSwitchDoc&)>& edit) override;
  void StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) override;

  HostDocument ReadHost() override;
  // The local host alone when the database cannot be reached.
  HostDocument ReadReachableHost() override;
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
  // Adds, to the local store's, what is amiss in the DVSwitches as this
  // host shares them: rows of others that cannot be read, names shared with
  // logical switches of others, DVSwitches this host carries no traffic of,
  // or whose MTU the tunnel cannot carry, wiring left behind or missing, and
  // members of the database that do not answer; with the database out of
  // reach, one line that says so.
  std::vector<std::string> Health() override;
  // Makes this host's wiring match its uplinks on every DVSwitch: takes out
  // what no DVSwitch of this host's uplinks needs, makes what one lacks, and
  // marks the localnet ports as that leaves them. Throws naming the
  // networks it could not wire.
  void Rewire() override;

 private:
  // False when one of this host's own switches has name, which is then no
  // DVSwitch's; asks the chassis for what wiring the DVSwitch would read.
  bool IsDVSwitchName(const std::string& name);
  // Runs change, an edit of the DVSwitch read as before (with every DVPort
  // this host's uplinks are on) and returns what it wrote; this host's
  // wiring goes first as edit leaves its uplinks, and is put back when the
  // change fails or the DVSwitch is gone. Nothing when before is nullopt.
  std::optional<DVSwitchDoc> EditWired(const std::optional<DVSwitchDoc>& before,
                                       const std::function<void(DVSwitchDoc&)>& edit,
                                       const std::function<std::optional<DVSwitchDoc>()>& change);
  // Wires network of DVSwitch dvswitch to pnics; when that or change
  // throws, wires it back to was, and the exception goes on (naming a
  // failure to put it back too).
  void WireAround(const std::string& network, const std::string& dvswitch,
                  const std::vector<std::string>& pnics, const std::vector<std::string>& was,
                  const std::function<void()>& change);
  // Takes out the wiring of this host that no DVSwitch of its uplinks
  // needs, but for DVSwitch except's, reading the DVSwitches its bridges
  // name in one request (a bridge mappings entry without a bridge, and a
  // bridge that names no DVSwitch, are left to Rewire). Never throws: it
  // follows a change that is done.
  void Sweep(const std::string& except);
  // Throws when a bridge of this host's wiring holds pnic, naming the
  // DVSwitch and the command that frees it.
  void RefuseWired(const std::string& pnic);

  OvnStore& shared_;
  rows::Chassis& chassis_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_SHARED_DV_STORE_H_
