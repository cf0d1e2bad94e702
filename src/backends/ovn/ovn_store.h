#ifndef BACKENDS_OVN_OVN_STORE_H_
#define BACKENDS_OVN_OVN_STORE_H_

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovn/dv_rows.h"
#include "backends/ovn/leader_link.h"
#include "backends/ovsdb/guarded_change.h"

// The DVSwitches of every host that shares one OVN northbound database
// (dv_rows.h gives the mapping). A DVSwitch's ref is its Logical_Switch's
// UUID, a DVPort's its Logical_Switch_Port's. Each call is one guarded
// transaction (ovsdb::RunGuarded): a change waits on the _version of the
// Logical_Switch row it read, which every change of the switch or its ports
// bumps, or on the absence of the name it adds; so a DVSwitch is never half
// written, and two hosts that change one at the same time lose no change.
// It writes only the external_ids keys of ours, with mutate.
//
// A change the cluster does not confirm (the request timed out, or the
// connection broke after it was sent, as when the cluster lost its quorum)
// has an unknown outcome: the call reads back what a member still answers
// and throws "WHAT: the OVN northbound database did not confirm the change
// (REASON); it may or may not have been applied; ..." saying what that
// member shows. A change that could not be sent, because no member leads,
// throws saying that nothing was changed.
namespace ovn {

class OvnStore {
 public:
  explicit OvnStore(OvnSettings settings);

  // --- Reads: rows::RowStore says what each gives -------------------------
  std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key);
  // The DVSwitch named name, running or stopped, without its DVPorts.
  std::optional<SwitchRow> FindAnyDVSwitch(const std::string& name);
  // Running DVSwitches only, in host order; ReadAll gives stopped ones too.
  std::vector<DVSwitchDoc> ReadDVSwitches();
  std::vector<DVSwitchDoc> ReadAll();

  // --- Changes: as rows::RowStore's of the same names ----------------------
  RowRef AddDVSwitch(const DVSwitchDoc& dvs);
  bool RemoveDVSwitch(const RowRef& ref);
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit);
  void StartDVSwitches(const std::function<void(SwitchRow&)>& start);
  // Replaces our DVSwitches with dvswitches, in their order; logical
  // switches that are not ours stay, and must not have their names.
  void ReplaceAll(const std::vector<DVSwitchDoc>& dvswitches);

 private:
  struct SwitchRead {
    nlohmann::json version;
    Ids ids;
    DVSwitchDoc doc;
  };

  // Our switches that meet where, with their ports, in host order. A
  // listing reads every port in the same request; a point read reads the
  // few switches' ports by UUID in a second one.
  std::vector<SwitchRead> ReadSwitchRows(std::vector<nlohmann::json> where, bool listing);
  // Our running switch of ref, with its ports.
  std::optional<SwitchRead> ReadByRef(const RowRef& ref);

  // Builds and commits one guarded change about the DVSwitch named subject
  // (for reading back when the outcome is unknown).
  void Write(const std::string& what, const std::string& subject,
             const std::function<void(ovsdb::GuardedChange&)>& build);
  // Throws for the change what, sent but not confirmed because of reason,
  // saying what a member shows of subject now.
  [[noreturn]] void Unconfirmed(const std::string& what, const std::string& subject,
                                const std::string& reason);

  // The change commits only when the switch is as it was read.
  static void Guard(ovsdb::GuardedChange& change, const SwitchRead& sw);
  // Inserts dvs as a new Logical_Switch with its ports; returns the index of
  // the switch's insert.
  std::size_t Insert(ovsdb::GuardedChange& change, const DVSwitchDoc& dvs, int64_t created);
  // Writes what an edit changed of a switch read as before: its keys and
  // those of its ports, ports added and removed.
  void WriteEdit(ovsdb::GuardedChange& change, const SwitchRead& before, DVSwitchDoc& after);

  LeaderLink link_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_OVN_STORE_H_
