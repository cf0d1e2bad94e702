#ifndef BACKENDS_ROWS_ROW_STORE_H_
#define BACKENDS_ROWS_ROW_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/rows/host_rows.h"

// A host kept as rows by some engine (SQLite, OVSDB, ...), as a few reads and
// edit primitives. Every rule of the library (defaults, range checks, uplink
// order, links, port groups, DVPort uplinks) lives above, in this folder, and
// reaches the host through these calls; a store only maps rows onto its
// engine, each call one transaction of it.
//
// Reads hand out rows with their RowRefs. An edit names its object by ref,
// reads it afresh, runs the caller's function on it and writes what the
// function changed, as one transaction: a child row (port group, DVPort) that
// keeps its ref is updated, one without a ref is added (last in host order),
// and one the function took out is removed. When the function throws,
// nothing is written and the exception goes on to the caller.
//
// Every call may throw Quorvic::Lib::QuorvicException with a message that
// names the object and what is wrong; a changing call that throws has
// changed nothing.
namespace rows {

// How a read finds one running switch: by its name; for standard switches
// also by a port group it has or a pnic it links; for DVSwitches also by
// their switch id.
struct SwitchKey {
  enum class By { kName, kPortGroup, kLinkedPnic, kSwitchId };
  By by = By::kName;
  std::string value;

  static SwitchKey Name(std::string name) { return {By::kName, std::move(name)}; }
  static SwitchKey PortGroup(std::string name) { return {By::kPortGroup, std::move(name)}; }
  static SwitchKey LinkedPnic(std::string pnic) { return {By::kLinkedPnic, std::move(pnic)}; }
  static SwitchKey SwitchId(std::string id) { return {By::kSwitchId, std::move(id)}; }
};

// Kept by an object that was looked up in order to be changed, for as long
// as it lives: a store that serialises changes that way holds its lock in
// one. Stores that guard each change by itself hand out none.
class ChangeHold {
 public:
  virtual ~ChangeHold() = default;
};

class RowStore {
 public:
  virtual ~RowStore() = default;

  // --- What the host is ----------------------------------------------------
  // Switch names must be shorter than this many bytes.
  virtual uint32_t MaxSwitchNameSize() const = 0;
  // The host's pnics, in host order.
  virtual PnicSet Pnics() = 0;
  // A hold for a lookup of an object to change; null when the store needs
  // none.
  virtual std::unique_ptr<ChangeHold> HoldForChange() = 0;
  // True where a LAG is a standard switch's uplinks running LACP (lags.h):
  // reads show that as the switch's lacp, and edits of it reach the engine.
  // False where the timeout records are records only.
  virtual bool RunsLags() const { return false; }

  // --- Reads of running switches -------------------------------------------
  // The running standard switch key finds, with its port groups.
  virtual std::optional<StandardSwitchDoc> FindSwitch(const SwitchKey& key) = 0;
  // The running DVSwitch key finds (by name or switch id), with its DVPorts.
  virtual std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key) = 0;
  // The switch of any kind that key finds by name, or the standard switch
  // that holds a port group, running or stopped, without its child rows:
  // its kind, name and whether it runs are read; what its engine holds
  // (linked uplinks, MTU) may be left out. Other keys find nothing.
  virtual std::optional<SwitchRow> FindAnySwitch(const SwitchKey& key) = 0;
  // False for a store whose FindSwitch leaves out how many ports of others
  // use each port group (so that a lookup costs one read): CountPorts
  // counts them when asked.
  virtual bool LookupsCountPorts() const { return true; }
  // The ports in use on port group group of the standard switch of ref.
  virtual uint32_t CountPorts(const RowRef& /*ref*/, const std::string& /*group*/) { return 0; }
  // Every running standard switch of one sort (system switches or the
  // others) with its port groups, in host order, from one read.
  virtual std::vector<StandardSwitchDoc> ReadSwitches(bool system) = 0;
  // A listing of the same switches, so that a large host is never held
  // whole: hands each switch to each, in host order, from one read, without
  // its port groups, and begins serving those to TakeListedPortGroups,
  // switch by switch in the same order, from that read's snapshot. Ends the
  // listing before it; the store may end this one at its next change.
  virtual void ListSwitches(bool system, const std::function<void(SwitchRow&&)>& each) = 0;
  // The port groups of sw, a switch of the current listing, in host order,
  // when the listing has not served or passed them yet; nullopt when it has,
  // or has ended: the caller then reads the switch itself.
  virtual std::optional<std::vector<PortGroupRow>> TakeListedPortGroups(const RowRef& sw) = 0;
  // Every running DVSwitch with its DVPorts, in host order, from one read.
  virtual std::vector<DVSwitchDoc> ReadDVSwitches() = 0;
  // The rows of other writers that the last ReadDVSwitches skipped; none
  // where the store holds only rows of its own.
  virtual std::vector<UnreadableRow> Unreadable() { return {}; }
  virtual std::vector<SwitchRow> ReadOpaqueSwitches() = 0;
  // Timeout records, the ENS activation node and faults.
  virtual HostRecords ReadRecords() = 0;

  // --- Changes ---------------------------------------------------------------
  // Insert a new running switch as the caller made it, child rows included,
  // and return its ref. Each throws "a switch named NAME already exists" when
  // the engine finds the name taken as it commits.
  virtual RowRef AddSwitch(const StandardSwitchDoc& sw) = 0;
  virtual RowRef AddDVSwitch(const DVSwitchDoc& dvs) = 0;
  // Removes the running standard switch or DVSwitch ref names, with its
  // child rows; false when there is none (nothing changed).
  virtual bool RemoveSwitch(const RowRef& ref) = 0;
  // Edit the running standard switch, or DVSwitch, that ref names, as the
  // header says, and return it as written, with the refs of the child rows
  // it added; nullopt when there is none (edit did not run).
  virtual std::optional<StandardSwitchDoc> EditSwitch(
      const RowRef& ref, const std::function<void(StandardSwitchDoc&)>& edit) = 0;
  virtual std::optional<DVSwitchDoc> EditDVSwitch(
      const RowRef& ref, const std::function<void(DVSwitchDoc&)>& edit) = 0;
  // --- Changes of DVPorts --------------------------------------------------
  // The running DVSwitch key finds (by name or switch id) with only its
  // DVPort portId (when it has one; "" asks for none) and the DVPorts this
  // host's uplinks are on: what a change of one DVPort, or of this host's
  // uplinks, needs. A store that keeps many hosts' uplinks reads no more.
  virtual std::optional<DVSwitchDoc> FindHostDVPorts(const SwitchKey& key,
                                                     const std::string& portId);
  // Edits the running DVSwitch ref names as FindHostDVPorts hands it out,
  // and returns it as the edit left it (a DVPort that lost its last uplink
  // included), as written; nullopt when there is none
  // (edit did not run). edit may change those DVPorts' fields, add DVPort
  // portId last or remove it, and change the DVSwitch's uplinks, nothing
  // else: a store guards only what it read, so that changes of other
  // DVPorts, or other hosts' uplinks, do not contend.
  virtual std::optional<DVSwitchDoc> EditHostDVPorts(const RowRef& ref, const std::string& portId,
                                                     const std::function<void(DVSwitchDoc&)>& edit);
  // Runs start on every stopped switch of kind (kStandard or kDistributed)
  // and writes the rows back, as one change.
  virtual void StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) = 0;
  // Edits the records; a fault without an id gets the host's next one.
  virtual void EditRecords(const std::function<void(HostRecords&)>& edit) = 0;

  // --- The whole host --------------------------------------------------------
  // The host as one consistent document.
  virtual HostDocument ReadHost() = 0;
  // Replaces the whole host with doc, which must be valid.
  virtual void ReplaceHost(const HostDocument& doc) = 0;
  // Stops every switch and drops links and ENS state; keeps configuration.
  virtual void Reboot() = 0;
  // As hostnet::Backend::Migrate.
  virtual std::vector<std::string> Migrate() = 0;
  // As hostnet::Backend::Health; a store that is its own engine has none.
  virtual std::vector<std::string> Health() { return {}; }
  // As hostnet::Backend::ReadReachableHost and Rewire.
  virtual HostDocument ReadReachableHost() { return ReadHost(); }
  virtual void Rewire() {}

  // --- The history of changes (hostnet::Backend says what they promise) ---
  virtual void AppendHistory(const HistoryRow& row) = 0;
  virtual std::vector<HistoryRow> ReadHistory(int64_t sinceUs) = 0;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_ROW_STORE_H_
