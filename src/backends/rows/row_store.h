#ifndef BACKENDS_ROWS_ROW_STORE_H_
#define BACKENDS_ROWS_ROW_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/rows/host_rows.h"

// A host kept as rows by some engine (SQLite, OVSDB, ...): the reads and
// changes the library's objects are made of. The objects in this folder
// implement the library on top of any store; a store implements only these
// calls, each as one transaction of its engine.
//
// Every call may throw Quorvic::Lib::QuorvicException with a message that
// names the object and what is wrong; the caller adds which operation it was.
// A changing call that throws has changed nothing. A change to a switch the
// caller read earlier throws "KIND NAME no longer exists" when the switch has
// gone or stopped since.
namespace rows {

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

  // Switch names must be shorter than this many bytes.
  virtual uint32_t MaxSwitchNameSize() const = 0;
  // A hold for a lookup of an object to change; null when the store needs
  // none.
  virtual std::unique_ptr<ChangeHold> HoldForChange() = 0;

  // --- Reads -------------------------------------------------------------
  // The running switch of that name and kind (opaque switches always run),
  // with its lists; nullopt when there is none.
  virtual std::optional<SwitchRow> FindSwitch(const std::string& name, SwitchKind kind) = 0;
  // Hands each running switch of a kind to each, in host order, with its
  // lists; for standard switches, system selects system or other switches.
  virtual void ReadSwitches(SwitchKind kind, bool system,
                            const std::function<void(SwitchRow&&)>& each) = 0;
  // Announces a listing of the standard switches (system or other): the
  // store may read all their port groups at once, to be served switch by
  // switch by TakeListedPortGroups until the next change or listing.
  virtual void StartPortGroupListing(bool system) = 0;
  // The port groups of switch switchId from the listing's read, when it
  // covers the switch; nullopt otherwise (the caller reads them itself).
  virtual std::optional<std::vector<PortGroupRow>> TakeListedPortGroups(int64_t switchId,
                                                                        bool system) = 0;
  // The port groups of a switch, in host order.
  virtual std::vector<PortGroupRow> ReadPortGroups(int64_t switchId) = 0;
  // The port group of that name on a running standard switch, with the
  // switch's name.
  virtual std::optional<std::pair<PortGroupRow, std::string>> FindPortGroup(
      const std::string& name) = 0;
  virtual std::set<std::string> PortGroupNames() = 0;
  // The uplinks of sw as they are now: linked pnics of a standard switch,
  // attached ones of a DVSwitch, in order.
  virtual std::vector<std::string> ReadUplinks(const SwitchRow& sw) = 0;
  virtual std::vector<DVPortRow> ReadDVPorts(int64_t switchId) = 0;
  // The DVPort portId of the running DVSwitch whose switch id is switchId.
  virtual std::optional<DVPortRow> FindDVPort(const std::string& switchId,
                                              const std::string& portId) = 0;
  // Timeout records that match; an empty portset or uplink, or a lagId of
  // 0, matches any.
  virtual std::vector<UplinkTimeoutRow> ReadUplinkTimeouts(const std::string& portset,
                                                           uint32_t lagId,
                                                           const std::string& uplink) = 0;
  virtual std::vector<LagTimeoutRow> ReadLagTimeouts(const std::string& portset,
                                                     uint32_t lagId) = 0;
  virtual std::vector<FaultRow> ReadFaults() = 0;

  // --- Switches ----------------------------------------------------------
  // Inserts a running standard switch or DVSwitch; throws when the name is
  // taken by a switch of any kind or an uplink is not a pnic.
  virtual SwitchRow AddSwitch(SwitchRow row) = 0;
  // Removes the running standard switch or DVSwitch of that name.
  virtual void RemoveSwitch(const std::string& name) = 0;
  virtual void SetCdp(const SwitchRow& sw, int32_t cdp) = 0;
  virtual void SetMtu(const SwitchRow& sw, uint32_t mtu) = 0;
  virtual void SetTeaming(const SwitchRow& sw, const TeamingRow& teaming) = 0;
  virtual void RestoreDVSwitches() = 0;
  virtual void RestoreVirtualSwitches() = 0;

  // --- Uplinks of standard switches ---------------------------------------
  virtual void AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) = 0;
  virtual void RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) = 0;
  virtual void RestoreUplinks(const SwitchRow& sw) = 0;

  // --- Port groups ---------------------------------------------------------
  virtual PortGroupRow AddPortGroup(const SwitchRow& sw, const std::string& name) = 0;
  virtual void RemovePortGroup(const SwitchRow& sw, const std::string& name) = 0;
  virtual void SetVlan(const PortGroupRow& pg, uint32_t vlan) = 0;
  virtual void SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) = 0;

  // --- DVSwitches, DVPorts and portsets ----------------------------------
  virtual void AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                               const std::string& portId) = 0;
  virtual void RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) = 0;
  virtual void SetConnectionId(const DVPortRow& port, uint32_t connectionId) = 0;
  virtual void RaiseTestEvent(const DVPortRow& port) = 0;
  virtual void ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) = 0;
  virtual void DeactivateEns(const SwitchRow& sw) = 0;
  virtual void ReassociateUplinks(const SwitchRow& sw, bool force) = 0;
  virtual bool IsEnsActive(const SwitchRow& sw) = 0;
  virtual void SetEnsActivateNode(uint32_t value) = 0;

  // --- Timeouts -----------------------------------------------------------
  virtual void LoadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                                  const std::string& uplink) = 0;
  virtual void LoadLagTimeouts(const std::string& portset, uint32_t lagId) = 0;

  // --- The whole host -------------------------------------------------------
  // The host as one consistent document.
  virtual HostDocument ReadHost() = 0;
  // Replaces the whole host with doc, which must be valid.
  virtual void ReplaceHost(const HostDocument& doc) = 0;
  // Stops every switch and drops links and ENS state; keeps configuration.
  virtual void Reboot() = 0;
  virtual void AddFault(const FaultRow& fault) = 0;
  virtual void ClearFaults() = 0;
  // Takes one firing off fault id: true when it may fire (it had times left,
  // or has no count); removes it when its count reaches 0.
  virtual bool SpendFault(int64_t id) = 0;

  // --- The history of changes (hostnet::Backend says what they promise) ---
  virtual void AppendHistory(const HistoryRow& row) = 0;
  virtual std::vector<HistoryRow> ReadHistory(int64_t sinceUs) = 0;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_ROW_STORE_H_
