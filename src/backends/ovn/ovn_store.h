#ifndef BACKENDS_OVN_OVN_STORE_H_
#define BACKENDS_OVN_OVN_STORE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "backends/ovn/dv_rows.h"
#include "backends/ovn/leader_link.h"

// The DVSwitches of every host that shares one OVN northbound database
// (dv_rows.h gives the mapping). Each call is one transaction; a change
// waits on the _version of the Logical_Switch rows it read, or on the
// absence of the names it adds, and is tried again from its reads when one
// changed meanwhile, up to kTries times. So a DVSwitch is never half
// written, and two hosts that change one at the same time lose no change.
//
// A change the cluster does not confirm (the request timed out, or the
// connection broke after it was sent, as when the cluster lost its quorum)
// has an unknown outcome: the call reads back what a member still answers
// and throws "WHAT: the OVN northbound database did not confirm the change
// (REASON); it may or may not have been applied; ..." saying what that
// member shows. A change that could not be sent, because no member leads,
// throws saying that nothing was changed.
//
// Row ids are negative, so that they never meet those of a local store, and
// good for as long as the store lives.
namespace ovn {

class OvnStore {
 public:
  static constexpr int kTries = 8;

  explicit OvnStore(OvnSettings settings);

  // --- Reads: running DVSwitches only, in host order ----------------------
  std::optional<SwitchRow> FindSwitch(const std::string& name);
  void ReadSwitches(const std::function<void(SwitchRow&&)>& each);
  std::vector<std::string> ReadUplinks(const SwitchRow& sw);
  // The DVPorts of the DVSwitch whose row id is switchId.
  std::vector<DVPortRow> ReadDVPorts(int64_t switchId);
  // DVPort portId of the running DVSwitch whose switch id is switchId.
  std::optional<DVPortRow> FindDVPort(const std::string& switchId, const std::string& portId);
  bool IsEnsActive(const SwitchRow& sw);
  // Every DVSwitch, stopped ones too, with its DVPorts.
  std::vector<DVSwitchDoc> ReadAll();

  // --- Changes -------------------------------------------------------------
  // Adds DVSwitch row, running, without DVPorts; throws when a logical
  // switch of that name exists.
  SwitchRow AddSwitch(SwitchRow row);
  // Removes the running DVSwitch name with its DVPorts.
  void RemoveSwitch(const std::string& name);
  void SetMtu(const SwitchRow& sw, uint32_t mtu);
  void AddDVPortUplink(const SwitchRow& sw, const std::string& pnic, const std::string& portId);
  void RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic);
  void SetConnectionId(const DVPortRow& port, uint32_t connectionId);
  void RaiseTestEvent(const DVPortRow& port);
  void ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch);
  void DeactivateEns(const SwitchRow& sw);
  void ReassociateUplinks(const SwitchRow& sw, bool force);
  // Starts every stopped DVSwitch.
  void RestoreDVSwitches();
  // Replaces our DVSwitches with dvswitches, in their order; logical
  // switches that are not ours stay, and must not have their names.
  void ReplaceAll(const std::vector<DVSwitchDoc>& dvswitches);

 private:
  struct PortRead {
    std::string uuid;
    DVPortRow row;
    std::size_t order = 0;
  };
  struct SwitchRead {
    std::string uuid;
    nlohmann::json version;
    Ids ids;
    SwitchRow row;
    std::vector<PortRead> ports;  // in host order
  };
  // The operations and the guards of one change; waits come first.
  struct Change {
    std::string subject;  // the switch it is about, for reading back
    std::vector<nlohmann::json> waits;
    std::vector<nlohmann::json> operations;
  };

  // Our switches named name (all of them when name is empty), in host order,
  // with their ports.
  std::vector<SwitchRead> ReadSwitchRows(const std::string& name);
  // Our switches that meet where, with those of their ports that meet
  // portWhere, in host order.
  std::vector<SwitchRead> ReadSwitchRows(std::vector<nlohmann::json> where,
                                         std::vector<nlohmann::json> portWhere);
  std::optional<SwitchRead> ReadRunning(const std::string& name);
  SwitchRead RequireRunning(const SwitchRow& sw);

  // Runs body, which reads and fills a Change, and commits it; runs it again
  // when a guard failed. Returns body's result.
  template <typename Body>
  auto Write(const std::string& what, Body&& body) {
    for (int attempt = 1;; ++attempt) {
      Change change;
      auto result = body(change);
      if (change.operations.empty() || Commit(what, change)) return result;
      if (attempt == kTries) GiveUp(what);
      BackOff(attempt);
    }
  }
  // Sleeps a random while that grows with attempt, so that two writers that
  // keep meeting stop meeting.
  void BackOff(int attempt);
  // false when a guard failed (nothing was done); throws a refusal or an
  // unconfirmed outcome.
  bool Commit(const std::string& what, const Change& change);
  [[noreturn]] static void GiveUp(const std::string& what);
  // Throws for the change what, sent but not confirmed because of reason,
  // saying what a member shows of its subject now.
  [[noreturn]] void Unconfirmed(const std::string& what, const Change& change,
                                const std::string& reason);

  static void Guard(Change& change, const SwitchRead& sw);
  static void GuardNameFree(Change& change, const std::string& name);
  // Inserts dvs as a new Logical_Switch with its ports.
  void Insert(Change& change, const DVSwitchDoc& dvs, int64_t created);
  // Runs edit on the running DVSwitch sw and writes it back; edit may change
  // the switch and its ports' fields but not which ports it has.
  void Edit(const std::string& what, const SwitchRow& sw,
            const std::function<void(DVSwitchDoc&)>& edit);

  // ("dvswitch", NAME) or ("dvport:NAME", PORTID).
  using RowKey = std::pair<std::string, std::string>;
  int64_t IdOf(const std::string& kind, const std::string& name);
  const RowKey& KeyOf(int64_t id) const;

  LeaderLink link_;
  // The DVPorts of the switches the last listing read, by switch id, each
  // to be taken once by ReadDVPorts; a change forgets them.
  std::map<int64_t, std::vector<DVPortRow>> listedPorts_;
  std::map<RowKey, int64_t> ids_;
  std::vector<RowKey> keys_;  // -id - 1 -> key
  std::minstd_rand random_{std::random_device{}()};
};

}  // namespace ovn

#endif  // BACKENDS_OVN_OVN_STORE_H_
